# What every program handed out for Windows gets: a version resource made from
# project(VERSION) that names the program and its architecture, a PE header
# without a link time (two builds of one commit are byte for byte the same),
# and, in Release, no symbols. Its PE header asks for no system newer than its
# floor, and the test TARGET.imports checks that it loads there: each import is
# in src/win32/imports.table, none newer than the floor.
#   remendo_windows_program(TARGET DESCRIPTION [TSAWARE] [FLOOR WINNT] [FLOOR_9X VERSION])
# FLOOR is the oldest NT-family Windows as _WIN32_WINNT gives it (the
# toolchain file's REMENDO_WINDOWS_FLOOR when not given); FLOOR_9X, when
# given, the oldest of the 9x family the program runs on too (4.10 for 98).
# TSAWARE marks a program Terminal Server aware: on a terminal server the
# system then answers GetWindowsDirectoryA with the real Windows folder, not a
# per-user one.
function(remendo_windows_program target description)
  cmake_parse_arguments(PARSE_ARGV 2 arg "TSAWARE" "FLOOR;FLOOR_9X" "")
  if(NOT arg_FLOOR)
    set(arg_FLOOR ${REMENDO_WINDOWS_FLOOR})
  endif()
  if(NOT arg_FLOOR)
    message(FATAL_ERROR "the toolchain file sets no REMENDO_WINDOWS_FLOOR")
  endif()
  math(EXPR floor_major "${arg_FLOOR} >> 8")
  math(EXPR floor_minor "${arg_FLOOR} & 255")
  set(floors ${floor_major}.${floor_minor})
  if(arg_FLOOR_9X)
    string(APPEND floors ",${arg_FLOOR_9X}")
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(REMENDO_PROGRAM_DESCRIPTION "${description} (64-bit)")
  else()
    set(REMENDO_PROGRAM_DESCRIPTION "${description} (32-bit)")
  endif()
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set(REMENDO_PROGRAM_NAME ${name})
  set(REMENDO_PROGRAM_FILE ${name}${CMAKE_EXECUTABLE_SUFFIX})
  # Four numbers, the missing ones 0: project(VERSION 1.0) gives 1.0.0.0.
  set(numbers "")
  foreach(part MAJOR MINOR PATCH TWEAK)
    if("${PROJECT_VERSION_${part}}" STREQUAL "")
      list(APPEND numbers 0)
    else()
      list(APPEND numbers ${PROJECT_VERSION_${part}})
    endif()
  endforeach()
  list(JOIN numbers ", " REMENDO_VERSION_COMMAS)
  list(JOIN numbers "." REMENDO_VERSION_DOTS)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionInfo.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})

  target_link_options(${target} PRIVATE -Wl,--no-insert-timestamp $<$<CONFIG:Release>:-s>
    -Wl,--major-subsystem-version,${floor_major},--minor-subsystem-version,${floor_minor}
    -Wl,--major-os-version,${floor_major},--minor-os-version,${floor_minor})
  if(arg_TSAWARE)
    target_link_options(${target} PRIVATE -Wl,--tsaware)
  endif()

  add_test(NAME ${target}.imports
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-imports ${CMAKE_OBJDUMP} $<TARGET_FILE:${target}>
                   ${floors})
endfunction()
