// The one interface between the core and the machine it runs on.
//
// Every operation keeps the Windows call's name, arguments, results and
// last-error codes, so the core reads like a Windows program and the real
// backend is a set of one-line forwards. The simulated backend answers the
// same calls from a machine model held in memory.
//
// What else belongs in platform/: what the core, the tools and the machine
// model all need in one form and can build from these calls alone. That is
// the helpers below (text and paths as the system converts them, the WoW64
// view), the owners of what the calls open (Owned.h, RegistryKey), and the
// names and text Windows itself fixes (WinTypes.h, PortNames.h, RegFileText).
// Anything that knows of the all-in-one or the repair belongs above.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/WinTypes.h"

class WinApi {
public:
    virtual ~WinApi() = default;

    // Each call of the list (WinCalls.h), as a pure virtual function.
#define PLATFORM_CALL(Result, Name, Parameters, Faults) virtual Result Name Parameters = 0;
#include "platform/WinCalls.h"
#undef PLATFORM_CALL
};

// The backend in force for this process (the real system or a simulated machine).
WinApi& Win();
void SetWin(WinApi* api);

// Text of the ANSI code page as the system converts it (MultiByteToWideChar,
// CP_ACP): its UTF-16 units, and the same as UTF-16LE bytes, as a file holds them.
std::basic_string<WCHAR> AnsiToWide(const std::string& text);
std::string AnsiToUtf16(const std::string& text);
// UTF-16 units as UTF-16LE bytes, and back (an odd last byte, which no such
// text has, is dropped).
std::string Utf16Bytes(const std::basic_string<WCHAR>& units);
std::basic_string<WCHAR> Utf16Units(const std::string& bytes);

// A path the system gave in its wide form, as the ANSI calls take it: itself
// where the ANSI code page has every character of it, else its short (8.3)
// form, whose names are ASCII; "" when neither names it. A folder named
// outside the code page (C:\Users\<a Chinese name> on a Western Windows) is
// then no reason to lose a file.
std::string AnsiPathOf(const std::basic_string<WCHAR>& widePath);
// A folder of the system as one of its directory calls names it
// (&WinApi::GetWindowsDirectoryA, ...), with its trailing backslash; "" when
// it cannot be read.
std::string Directory(UINT (WinApi::*query)(LPSTR, UINT));
// The temp directory with its trailing backslash, as AnsiPathOf gives it.
std::string TempDirectory();
// The folder of this program's executable, with its trailing backslash, as
// AnsiPathOf gives it; the temp directory when it has none.
std::string ProgramDirectory();
// The text in the ANSI code page; false when a character has no place in it.
bool WideToAnsi(const std::basic_string<WCHAR>& wide, std::string& ansi);

// MoveFileExA(from, to, flags) now, without MOVEFILE_DELAY_UNTIL_REBOOT, on
// every system: the 9x family only stubs it, and there a file `flags` lets
// be replaced is first renamed aside (its name and kAsideSuffix), `from`
// renamed in with MoveFileA, and the old one deleted, or renamed back when
// that failed. Not one step there: a process cut off between the two renames
// leaves the old file whole under its aside name.
BOOL RenameFile(const std::string& from, const std::string& to, DWORD flags);
inline constexpr char kAsideSuffix[] = ".old";

// Whether this is a 32-bit program on 64-bit Windows (WoW64).
bool RunsUnderWow64();

// `path` as a 64-bit program, and the system itself at restart, see it: a
// 32-bit program on 64-bit Windows sees the system directory through the
// file-system redirector (its "system32" is SysWOW64). Unchanged for a 64-bit
// or a 32-bit system, and for the folders of the system directory that are
// not redirected.
std::string PathOutsideRedirection(const std::string& path);
// The other way: a path PathOutsideRedirection gave, as this program reaches
// that file (a 32-bit program's SysWOW64 is its own system directory).
std::string PathInsideRedirection(const std::string& path);
