// Stands in for the maker's management program cvqmgr40.exe in the tests.
//
// Started with arguments (as the utility does: /UNREGSERVER, /REGSERVER) it
// appends them as one line to "<its own path>.calls", then does what the real
// program does: /UNREGSERVER removes the "QMX Driver CVQ40" service,
// /REGSERVER installs it again, set to start automatically.
// With a file "<its own path>.pause" holding a number of milliseconds, it
// first waits that long (a slow program the run has to wait for).
// Started by the service manager without arguments it runs as that service
// until it is stopped.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {
const char kServiceName[] = "QMX Driver CVQ40";
const char kCallsSuffix[] = ".calls";
const char kPauseSuffix[] = ".pause";

SERVICE_STATUS_HANDLE s_statusHandle = nullptr;
HANDLE s_stopEvent = nullptr;

std::string OwnPath()
{
    char path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
}

void RecordCall(const std::string& arguments)
{
    HANDLE file = ::CreateFileA((OwnPath() + kCallsSuffix).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::string line = arguments + "\r\n";
    DWORD written = 0;
    ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    ::CloseHandle(file);
}

void PauseIfAsked()
{
    HANDLE file = ::CreateFileA((OwnPath() + kPauseSuffix).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    char text[16] = {};
    DWORD read = 0;
    ::ReadFile(file, text, sizeof text - 1, &read, nullptr);
    ::CloseHandle(file);
    ::Sleep(static_cast<DWORD>(std::strtoul(text, nullptr, 10)));
}

bool Unregister(SC_HANDLE manager)
{
    SC_HANDLE service = ::OpenServiceA(manager, kServiceName, DELETE | SERVICE_STOP);
    if (service == nullptr)
        return ::GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    SERVICE_STATUS status = {};
    ::ControlService(service, SERVICE_CONTROL_STOP, &status);
    bool deleted = ::DeleteService(service) != FALSE;
    ::CloseServiceHandle(service);
    return deleted;
}

bool Register(SC_HANDLE manager)
{
    SC_HANDLE service = ::CreateServiceA(manager, kServiceName, kServiceName, SERVICE_ALL_ACCESS,
                                         SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_IGNORE,
                                         OwnPath().c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    if (service == nullptr)
        return false;
    ::CloseServiceHandle(service);
    return true;
}

void ReportState(DWORD state)
{
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    ::SetServiceStatus(s_statusHandle, &status);
}

DWORD WINAPI OnControl(DWORD control, DWORD, LPVOID, LPVOID)
{
    if (control == SERVICE_CONTROL_STOP) {
        ReportState(SERVICE_STOP_PENDING);
        ::SetEvent(s_stopEvent);
    }
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, LPSTR*)
{
    s_statusHandle = ::RegisterServiceCtrlHandlerExA(kServiceName, &OnControl, nullptr);
    if (s_statusHandle == nullptr)
        return;
    s_stopEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ReportState(SERVICE_RUNNING);
    ::WaitForSingleObject(s_stopEvent, INFINITE);
    ReportState(SERVICE_STOPPED);
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        SERVICE_TABLE_ENTRYA table[] = {{const_cast<char*>(kServiceName), &ServiceMain}, {nullptr, nullptr}};
        return ::StartServiceCtrlDispatcherA(table) ? 0 : 1;
    }
    std::string arguments = argv[1];
    for (int i = 2; i < argc; ++i)
        arguments += std::string(" ") + argv[i];
    RecordCall(arguments);
    PauseIfAsked();

    SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr)
        return 1;
    bool done = false;
    if (arguments == "/UNREGSERVER")
        done = Unregister(manager);
    else if (arguments == "/REGSERVER")
        done = Register(manager);
    ::CloseServiceHandle(manager);
    return done ? 0 : 1;
}
