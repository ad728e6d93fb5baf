// The one interface between the core and the machine it runs on.
//
// Every operation keeps the Windows call's name, arguments, results and
// last-error codes, so the core reads like a Windows program and the real
// backend is a set of one-line forwards. The simulated backend answers the
// same calls from a machine model held in memory.
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
