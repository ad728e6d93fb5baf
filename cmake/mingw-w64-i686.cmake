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
# The oldest Windows each program runs on, as _WIN32_WINNT: the tools on XP
# (SP3), the undo program on 2000, as the repair's way back there;
# remendo.exe, of the NT family, on NT 4.0 (SP6), and of the 9x family on 98
# (4.10): Windows 95 has no msvcrt.dll of its own, which every program built
# here imports.
set(REMENDO_WINDOWS_FLOOR 0x0501)
set(REMENDO_UNDO_FLOOR 0x0500)
set(REMENDO_REPAIR_FLOOR 0x0400)
set(REMENDO_REPAIR_FLOOR_9X 4.10)
