#include "ConsoleWait.h"

#include <windows.h>

#include <iostream>
#include <string>

namespace {
bool IsConsole(DWORD standardHandle)
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(standardHandle), &mode) != FALSE;
}

// A console made without a window has none; one started hidden has a window no one sees.
bool ConsoleShown()
{
    HWND window = ::GetConsoleWindow();
    return window != nullptr && ::IsWindowVisible(window);
}
}  // namespace

bool StartedAloneInConsole()
{
    if (!IsConsole(STD_INPUT_HANDLE) || !IsConsole(STD_OUTPUT_HANDLE))
        return false;
    // Room for two: all that matters is whether another process shares it.
    DWORD processes[2] = {};
    return ::GetConsoleProcessList(processes, 2) == 1;
}

void PauseIfAloneInConsole(bool startedAlone)
{
    if (!startedAlone || !ConsoleShown())
        return;
    std::cout << "Press Enter to close." << std::endl;
    std::string ignored;
    std::getline(std::cin, ignored);
}
