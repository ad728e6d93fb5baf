#include "RemendoProcess.h"

#include <process.h>

namespace {
const DWORD kEventWaitMs = 20;
const DWORD kTerminateWaitMs = 5000;
}  // namespace

RemendoProcess::~RemendoProcess()
{
    if (!m_bStarted)
        return;
    Kill();
    ::CloseHandle(m_info.hThread);
    ::CloseHandle(m_info.hProcess);
}

bool RemendoProcess::Start(const std::string& exePath, std::string* error)
{
    std::wstring widePath(exePath.size() + 1, L'\0');
    int length = ::MultiByteToWideChar(CP_ACP, 0, exePath.c_str(), -1, &widePath[0], static_cast<int>(widePath.size()));
    widePath.resize(length > 0 ? static_cast<std::size_t>(length - 1) : 0);
    return Start(widePath, error);
}

bool RemendoProcess::Start(const std::wstring& exePath, std::string* error)
{
    std::wstring directory = exePath.substr(0, exePath.rfind(L'\\') + 1);
    std::wstring commandLine = L"\"" + exePath + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!::CreateProcessW(exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                          directory.empty() ? nullptr : directory.c_str(), &startup, &m_info)) {
        *error = "CreateProcessW failed with error " + std::to_string(::GetLastError());
        return false;
    }
    m_bStarted = true;
    return true;
}

void RemendoProcess::Kill()
{
    if (!m_bStarted || m_bExited)
        return;
    ::TerminateProcess(m_info.hProcess, 1);
    WaitForExit(kTerminateWaitMs);
}

HWND RemendoProcess::WaitForMessageBox(DWORD timeoutMs)
{
    uia::DialogQuery query;
    query.messageBoxOnly = true;
    return WaitForWindow(query, timeoutMs);
}

HWND RemendoProcess::WaitForDialog(const std::string& caption, DWORD timeoutMs)
{
    uia::DialogQuery query;
    query.anyCaption = false;
    query.caption = caption;
    return WaitForWindow(query, timeoutMs);
}

HWND RemendoProcess::WaitForWindow(uia::DialogQuery query, DWORD timeoutMs)
{
    query.processId = m_info.dwProcessId;
    HWND window = nullptr;
    RunUntil(
        [&] {
            std::vector<HWND> found = uia::FindDialogs(query);
            window = found.empty() ? nullptr : found.front();
            return window != nullptr;
        },
        timeoutMs);
    return window;
}

bool RemendoProcess::RunAlongside(const std::function<void()>& action, DWORD timeoutMs)
{
    // A thread of the system's own: the compilers' thread model has no std::thread.
    struct Job {
        const std::function<void()>& action;
        HANDLE done;
    } job{action, ::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    HANDLE done = job.done;
    struct Thread {
        static unsigned __stdcall Run(void* argument)
        {
            Job* running = static_cast<Job*>(argument);
            running->action();
            ::SetEvent(running->done);
            return 0;
        }
    };
    HANDLE worker = reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &Thread::Run, &job, 0, nullptr));
    if (worker == nullptr) {
        ::CloseHandle(done);
        return false;
    }
    RunUntil([done] { return ::WaitForSingleObject(done, 0) == WAIT_OBJECT_0; }, timeoutMs);
    bool inTime = ::WaitForSingleObject(done, 0) == WAIT_OBJECT_0;
    // The action's own waits are bounded: keep the program going until it ends.
    while (::WaitForSingleObject(done, 0) != WAIT_OBJECT_0) {
        if (!m_bStarted || m_bExited) {
            ::WaitForSingleObject(done, INFINITE);
            break;
        }
        RunUntil([done] { return ::WaitForSingleObject(done, 0) == WAIT_OBJECT_0; }, timeoutMs);
    }
    ::WaitForSingleObject(worker, INFINITE);
    ::CloseHandle(worker);
    ::CloseHandle(done);
    return inTime;
}

bool RemendoProcess::WaitForExit(DWORD timeoutMs)
{
    RunUntil([] { return false; }, timeoutMs);
    return m_bExited;
}

void RemendoProcess::RunUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    while (m_bStarted && !m_bExited && !done()) {
        DEBUG_EVENT event = {};
        if (::WaitForDebugEvent(&event, kEventWaitMs))
            HandleEvent(event);
        if (::GetTickCount() - start >= timeoutMs)
            return;
    }
}

void RemendoProcess::HandleEvent(const DEBUG_EVENT& event)
{
    DWORD continueStatus = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
    case CREATE_PROCESS_DEBUG_EVENT:
        if (event.u.CreateProcessInfo.hFile != nullptr)
            ::CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
    case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile != nullptr)
            ::CloseHandle(event.u.LoadDll.hFile);
        break;
    case OUTPUT_DEBUG_STRING_EVENT: {
        std::string line = ReadDebugString(event.u.DebugString);
        m_debugLines.push_back(line);
        if (m_onLine)
            m_onLine(line);
        break;
    }
    case EXCEPTION_DEBUG_EVENT:
        // The loader's breakpoint at start-up is ours to pass; any other
        // exception goes back to the program as if no debugger were there.
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
            continueStatus = DBG_EXCEPTION_NOT_HANDLED;
        break;
    case EXIT_PROCESS_DEBUG_EVENT:
        m_bExited = true;
        m_exitCode = event.u.ExitProcess.dwExitCode;
        break;
    default:
        break;
    }
    ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
}

std::string RemendoProcess::ReadDebugString(const OUTPUT_DEBUG_STRING_INFO& info) const
{
    std::string text(info.nDebugStringLength, '\0');
    SIZE_T read = 0;
    if (info.fUnicode || !::ReadProcessMemory(m_info.hProcess, info.lpDebugStringData, &text[0], text.size(), &read))
        return std::string();
    text.resize(read);
    // The length counts the terminating null.
    if (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}
