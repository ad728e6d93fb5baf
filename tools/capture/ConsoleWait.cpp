#include "ConsoleWait.h"

#include <windows.h>

#include <iostream>
#include <string>

namespace {
const DWORD kSecondLookMs = 200;

bool IsConsole(DWORD standardHandle)
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(standardHandle), &mode) != FALSE;
}

// A console made without a window has none; one started hidden has a window no
// one sees, and one started minimised (start /min) a window no one looks at.
// A console's window may be shown a moment after its program starts (under
// Wine, for one), so it is given that moment.
bool ConsoleShown()
{
    const int kChecks = 40;
    const DWORD kPauseMs = 50;
    HWND window = ::GetConsoleWindow();
    for (int check = 0; window != nullptr && check < kChecks; ++check) {
        if (::IsWindowVisible(window))
            return !::IsIconic(window);
        ::Sleep(kPauseMs);
    }
    return false;
}
}  // namespace

void PauseIfAloneInConsole()
{
    if (!IsConsole(STD_INPUT_HANDLE) || !IsConsole(STD_OUTPUT_HANDLE))
        return;
    // Room for two: all that matters is whether another process shares it.
    // A shell shares it for good; a program that attaches only to read the
    // screen is gone a moment later, so a second look decides.
    DWORD processes[2] = {};
    if (::GetConsoleProcessList(processes, 2) != 1) {
        ::Sleep(kSecondLookMs);
        if (::GetConsoleProcessList(processes, 2) != 1)
            return;
    }
    if (!ConsoleShown())
        return;
    std::cout << "Press Enter to close." << std::endl;
    std::string ignored;
    std::getline(std::cin, ignored);
}
