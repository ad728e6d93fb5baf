#include "ConsoleWait.h"

#include <windows.h>

#include <iostream>
#include <string>

#include "ConsoleWindow.h"

namespace {
const DWORD kSecondLookMs = 200;

bool IsConsole(DWORD standardHandle)
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(standardHandle), &mode) != FALSE;
}

// The console's window, looked at every kPauseMs for up to two seconds.
bool ConsoleShown()
{
    const int kLooks = 40;
    const DWORD kPauseMs = 50;
    HWND window = ::GetConsoleWindow();
    bool first = true;
    return WindowShown(
        [&] {
            if (!first)
                ::Sleep(kPauseMs);
            first = false;
            WindowLook seen;
            seen.exists = window != nullptr;
            seen.visible = seen.exists && ::IsWindowVisible(window);
            seen.minimised = seen.visible && ::IsIconic(window);
            return seen;
        },
        kLooks);
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
