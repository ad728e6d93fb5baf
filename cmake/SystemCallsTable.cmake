# Writes the simulated machine's copy of the import table (src/win32/imports.table)
# as a C++ source: each function with the oldest Windows of each family that
# has it, and whether the 9x family only stubs it. A row the build does not
# understand fails it, naming the row.
# Used as: cmake -DTABLE=... -DOUTPUT=... -P SystemCallsTable.cmake
cmake_minimum_required(VERSION 3.25)

# "4.10" as 0x040A; "-" (none) as 0.
function(version_number text result)
  if(text STREQUAL "-")
    set(${result} 0 PARENT_SCOPE)
    return()
  endif()
  string(REGEX MATCH "^([0-9]+)\\.([0-9]+)$" matched "${text}")
  if(NOT matched)
    message(FATAL_ERROR "${TABLE}: not a Windows version: ${text}")
  endif()
  math(EXPR number "(${CMAKE_MATCH_1} << 8) | ${CMAKE_MATCH_2}" OUTPUT_FORMAT HEXADECIMAL)
  set(${result} ${number} PARENT_SCOPE)
endfunction()

file(STRINGS "${TABLE}" lines)
set(rows "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*(#|$)")
    continue()
  endif()
  string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
  list(LENGTH fields count)
  if(NOT count EQUAL 5)
    message(FATAL_ERROR "${TABLE}: not DLL, function, NT, 9x and from: ${line}")
  endif()
  list(GET fields 1 name)
  list(GET fields 2 nt)
  list(GET fields 3 nine)
  version_number("${nt}" nt)
  if(nine STREQUAL ".")
    string(APPEND rows "    {\"${name}\", ${nt}, 0, false, false, false},\n")
    continue()
  endif()
  string(REGEX MATCH "^([^/]+)(/(stub|fallback|called))?$" matched "${nine}")
  if(NOT matched)
    message(FATAL_ERROR "${TABLE}: not a 9x column: ${line}")
  endif()
  set(stub false)
  set(called false)
  if(CMAKE_MATCH_3)
    set(stub true)
  endif()
  if(CMAKE_MATCH_3 STREQUAL "fallback" OR CMAKE_MATCH_3 STREQUAL "called")
    set(called true)
  endif()
  version_number("${CMAKE_MATCH_1}" nine)
  string(APPEND rows "    {\"${name}\", ${nt}, ${nine}, ${stub}, ${called}, true},\n")
endforeach()

file(WRITE "${OUTPUT}.tmp" "// Made from ${TABLE} by cmake/SystemCallsTable.cmake.
#include \"sim/SystemCalls.h\"

namespace sim {

const SystemCall kSystemCalls[] = {
${rows}};
const std::size_t kSystemCallCount = sizeof kSystemCalls / sizeof kSystemCalls[0];

}  // namespace sim
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
