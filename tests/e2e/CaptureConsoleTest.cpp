// End-to-end: remendo-capture started as Explorer starts a console program,
// in a console of its own, keeps that console open after its last line until
// Enter is pressed. Run with its input and output elsewhere it does not wait:
// every differential run starts it so (NUL for both), and would hang.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "RemendoE2E.h"

namespace {
const char kFolder[] = "C:\\remendo-e2e-console\\";
const char kPrompt[] = "Press Enter to close.";
const DWORD kPollMs = 100;
const int kPolls = 600;

// The text of the console this program is attached to, row after row.
std::string ConsoleText()
{
    std::string text;
    HANDLE screen = ::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    if (screen == INVALID_HANDLE_VALUE)
        return text;
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    if (::GetConsoleScreenBufferInfo(screen, &info)) {
        DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwCursorPosition.Y + 1);
        text.resize(cells);
        DWORD read = 0;
        ::ReadConsoleOutputCharacterA(screen, &text[0], cells, COORD{0, 0}, &read);
        text.resize(read);
    }
    ::CloseHandle(screen);
    return text;
}

// Types Enter into the console this program is attached to.
bool PressEnter()
{
    HANDLE input = ::CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (input == INVALID_HANDLE_VALUE)
        return false;
    INPUT_RECORD keys[2] = {};
    for (int i = 0; i < 2; ++i) {
        keys[i].EventType = KEY_EVENT;
        KEY_EVENT_RECORD& key = keys[i].Event.KeyEvent;
        key.bKeyDown = i == 0;
        key.wRepeatCount = 1;
        key.wVirtualKeyCode = VK_RETURN;
        key.uChar.AsciiChar = '\r';
    }
    DWORD written = 0;
    bool typed = ::WriteConsoleInputA(input, keys, 2, &written) && written == 2;
    ::CloseHandle(input);
    return typed;
}
}  // namespace

TEST(CaptureConsole, AloneInItsConsoleItShowsTheFolderAndWaitsForEnter)
{
    ::CreateDirectoryA(kFolder, nullptr);
    std::string capture = std::string(kFolder) + "remendo-capture.exe";
    ASSERT_TRUE(::CopyFileA(WindowsPath(Programs().captureExe).c_str(), capture.c_str(), FALSE))
        << "cannot copy " << Programs().captureExe << ": error " << ::GetLastError();
    std::string machine = std::string(kFolder) + "Remendo-machine";
    std::string line = "\"" + capture + "\" \"" + machine + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                                 &startup, &process))
        << "cannot start " << line << ": error " << ::GetLastError();

    // Looked at from inside its console until the prompt shows; the capture must not end before.
    std::string shown;
    bool endedFirst = false;
    for (int poll = 0; poll < kPolls && shown.find(kPrompt) == std::string::npos; ++poll) {
        if (::WaitForSingleObject(process.hProcess, kPollMs) == WAIT_OBJECT_0) {
            endedFirst = true;
            break;
        }
        ::FreeConsole();
        if (::AttachConsole(process.dwProcessId)) {
            shown = ConsoleText();
            if (shown.find(kPrompt) != std::string::npos) {
                EXPECT_TRUE(PressEnter()) << "error " << ::GetLastError();
            }
            ::FreeConsole();
        }
    }
    EXPECT_FALSE(endedFirst) << "the capture closed its console without waiting";
    EXPECT_NE(shown.find(machine), std::string::npos) << shown;
    EXPECT_NE(shown.find(kPrompt), std::string::npos) << shown;
    bool ended = ::WaitForSingleObject(process.hProcess, kExitTimeoutMs) == WAIT_OBJECT_0;
    EXPECT_TRUE(ended) << "Enter did not close the capture";
    if (!ended)
        ::TerminateProcess(process.hProcess, 1);
    DWORD code = 1;
    ::GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
}
