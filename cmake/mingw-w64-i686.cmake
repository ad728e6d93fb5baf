# Cross-compiling for i686 Windows with MinGW-w64; Wine runs the results.
# The win32 thread-model compilers: the posix ones' runtime imports functions
# that only newer Windows has (GetTickCount64 and others).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_OBJDUMP i686-w64-mingw32-objdump)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/e2e/wine-run)
# The oldest Windows remendo.exe runs on (Windows XP (SP3)), as _WIN32_WINNT.
set(REMENDO_WINDOWS_FLOOR 0x0501)
