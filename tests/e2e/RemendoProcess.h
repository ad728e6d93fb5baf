// One run of remendo.exe started by a test, as the test's debuggee.
//
// Running it under the test as debugger gives the test every line the
// program sends to the debugger output, and stops the program at each of
// them while the test looks at its windows (reads of window data kept by the
// system only: a stopped program answers no messages).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "UiAutomation.h"

class RemendoProcess {
public:
    // Called for each debugger-output line while the program is stopped at it.
    using LineHandler = std::function<void(const std::string& line)>;

    RemendoProcess() = default;
    ~RemendoProcess();  // a program still running is terminated
    RemendoProcess(const RemendoProcess&) = delete;
    RemendoProcess& operator=(const RemendoProcess&) = delete;

    // Starts the program with its own directory as the current directory.
    // On failure returns false and says why in `error`.
    bool Start(const std::string& exePath, std::string* error);
    bool Start(const std::wstring& exePath, std::string* error);
    // Ends the program at once, as Task Manager or a power cut would.
    void Kill();
    void OnDebugLine(LineHandler handler) { m_onLine = std::move(handler); }

    // Runs the program (handling its debug events) until `done` holds, the
    // program exits or the time runs out; `done` is asked between events.
    void RunUntil(const std::function<bool()>& done, DWORD timeoutMs);
    // Runs the program until a visible message box of it shows; nullptr when
    // it exits first or the time runs out.
    HWND WaitForMessageBox(DWORD timeoutMs);
    // The same for a visible dialog of it with this caption.
    HWND WaitForDialog(const std::string& caption, DWORD timeoutMs);
    // Does `action` on a thread of its own while the program runs, for
    // actions that wait for the program's answers (a stopped program answers
    // nothing, and only this thread may let it go on). False when the time
    // runs out before the action is done; it is then still waited for.
    bool RunAlongside(const std::function<void()>& action, DWORD timeoutMs);
    // Runs the program until it exits; false when the time runs out.
    bool WaitForExit(DWORD timeoutMs);

    bool HasExited() const { return m_bExited; }
    DWORD ExitCode() const { return m_exitCode; }
    DWORD ProcessId() const { return m_info.dwProcessId; }
    const std::vector<std::string>& DebugLines() const { return m_debugLines; }

private:
    // The first window of this program that `query` finds, running the program until one shows.
    HWND WaitForWindow(uia::DialogQuery query, DWORD timeoutMs);
    void HandleEvent(const DEBUG_EVENT& event);
    std::string ReadDebugString(const OUTPUT_DEBUG_STRING_INFO& info) const;

    PROCESS_INFORMATION m_info = {};
    bool m_bStarted = false;
    bool m_bExited = false;
    DWORD m_exitCode = 0;
    std::vector<std::string> m_debugLines;
    LineHandler m_onLine;
};
