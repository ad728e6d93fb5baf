# Writes a C++ source that holds every file of a folder, by relative path.
# Used as: cmake -DFOLDER=... -DOUTPUT=... -DFUNCTION=... -P EmbedFolder.cmake
file(GLOB_RECURSE files RELATIVE "${FOLDER}" "${FOLDER}/*")
list(SORT files)
set(body "")
foreach(relative IN LISTS files)
  file(READ "${FOLDER}/${relative}" bytes HEX)
  string(REGEX REPLACE "(..)" "\\\\x\\1" escaped "${bytes}")
  file(SIZE "${FOLDER}/${relative}" size)
  string(APPEND body "        {\"${relative}\", std::string(\"${escaped}\", ${size})},\n")
endforeach()
file(WRITE "${OUTPUT}.tmp" "// Generated from ${FOLDER}; do not edit.\n#include <map>\n#include <string>\n\nconst std::map<std::string, std::string>& ${FUNCTION}()\n{\n    static const std::map<std::string, std::string> contents = {\n${body}    };\n    return contents;\n}\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
