# Cross-compiling for x86_64 Windows with MinGW-w64; Wine runs the results.
# The win32 thread-model compilers: the posix ones' runtime imports functions
# that only newer Windows has (GetTickCount64 and others).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-win32)
set(CMAKE_OBJDUMP x86_64-w64-mingw32-objdump)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/e2e/wine-run)
# The oldest Windows remendo.exe runs on (Windows XP x64 / Server 2003 x64), as _WIN32_WINNT.
set(REMENDO_WINDOWS_FLOOR 0x0502)
# remendo.exe's and the undo program's too: no 64-bit Windows is older.
set(REMENDO_REPAIR_FLOOR 0x0502)
set(REMENDO_UNDO_FLOOR 0x0502)
