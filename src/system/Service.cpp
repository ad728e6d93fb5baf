#include "system/Service.h"

#include <new>

#include "log/DebugLog.h"
#include "platform/WinApi.h"

namespace {
const char kSourceFile[] = "Service";
const DWORD kVersionInfoSize = 148;

// A start or stop is watched for at most 11 status checks with 10 pauses between.
const int kMaxPauses = 10;
const DWORD kPauseMs = 500;

// What ends an operation early. The empty text ends it quietly, without failure.
const char kNotOnNt[] = "Not on NT platform";
const char kOpenManagerFailed[] = "OpenSCManager failed";
const char kOpenServiceFailed[] = "OpenService failed";
const char kServiceMissing[] = "Service does not exist";
const char kQueryStatusFailed[] = "QueryServiceStatus failed";
const char kQueryConfigFailed[] = "QueryServiceConfig failed";
const char kInsufficientMemory[] = "Insufficient memory";
const char kStartFailed[] = "StartService failed";
const char kStartTimedOut[] = "Timed out waiting for Sti service to start";
const char kControlFailed[] = "ControlService failed";
const char kStopTimedOut[] = "An error occured when trying to stop the service";
const char kAlreadyStopped[] = "";

struct CloseTexts {
    const char* service;
    const char* manager;
};
const CloseTexts kQueryCloseTexts = {"CloseServiceHandle failed", "CloseServiceHandle failed"};
const CloseTexts kStartStopCloseTexts = {"CloseServiceHandle(hSTI) failed", "CloseServiceHandle(hSCManager) failed"};

// A service-manager handle closed when it goes out of scope; a failed close is logged.
class ScopedServiceHandle {
public:
    ScopedServiceHandle(DebugLog& log, const char* closeFailure) : m_log(log), m_closeFailure(closeFailure) {}
    ~ScopedServiceHandle()
    {
        if (m_h != nullptr && !Win().CloseServiceHandle(m_h))
            m_log.LogLastError(m_closeFailure);
    }
    ScopedServiceHandle(const ScopedServiceHandle&) = delete;
    ScopedServiceHandle& operator=(const ScopedServiceHandle&) = delete;

    void Reset(SC_HANDLE h) { m_h = h; }
    SC_HANDLE Get() const { return m_h; }

private:
    DebugLog& m_log;
    const char* m_closeFailure;
    SC_HANDLE m_h = nullptr;
};

// The manager and one service, opened for one operation. The service handle
// is closed before the manager's.
class OpenedService {
public:
    OpenedService(DebugLog& log, const CloseTexts& texts) : m_manager(log, texts.manager), m_service(log, texts.service)
    {
    }

    // nullptr when both are open, else what ends the operation.
    const char* Open(const std::string& serviceName)
    {
        if (!ServiceControl::IsNtPlatform())
            return kNotOnNt;
        m_manager.Reset(Win().OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        if (m_manager.Get() == nullptr)
            return kOpenManagerFailed;
        m_service.Reset(Win().OpenServiceA(m_manager.Get(), serviceName.c_str(), SERVICE_ALL_ACCESS));
        if (m_service.Get() == nullptr)
            return kOpenServiceFailed;
        return nullptr;
    }
    SC_HANDLE Service() const { return m_service.Get(); }

private:
    ScopedServiceHandle m_manager;
    ScopedServiceHandle m_service;
};

// Logs what ended an operation early; true when that makes it a failure.
bool EndedInFailure(DebugLog& log, const char* stop)
{
    if (stop == nullptr || *stop == '\0')
        return false;
    log.LogLastError(stop);
    return true;
}

const char* StartAndWait(SC_HANDLE service)
{
    if (!Win().StartServiceA(service, 0, nullptr))
        return kStartFailed;
    SERVICE_STATUS status = {};
    Win().ControlService(service, SERVICE_CONTROL_INTERROGATE, &status);
    for (int pauses = 0;; ++pauses) {
        // A failed check is no error of its own: the last status received decides.
        if (!Win().QueryServiceStatus(service, &status))
            break;
        if (status.dwCurrentState == SERVICE_RUNNING)
            return nullptr;
        if (pauses >= kMaxPauses)
            break;
        Win().ControlService(service, SERVICE_CONTROL_INTERROGATE, &status);
        Win().Sleep(kPauseMs);
    }
    return status.dwCurrentState == SERVICE_RUNNING ? nullptr : kStartTimedOut;
}

const char* StopAndWait(SC_HANDLE service)
{
    // A status that cannot be read counts as not stopped.
    SERVICE_STATUS status = {};
    Win().QueryServiceStatus(service, &status);
    if (status.dwCurrentState == SERVICE_STOPPED)
        return kAlreadyStopped;
    if (!Win().ControlService(service, SERVICE_CONTROL_STOP, &status))
        return kControlFailed;
    Win().QueryServiceStatus(service, &status);
    for (int pauses = 0; status.dwCurrentState != SERVICE_STOPPED && pauses < kMaxPauses; ++pauses) {
        Win().Sleep(kPauseMs);
        Win().QueryServiceStatus(service, &status);
    }
    return status.dwCurrentState == SERVICE_STOPPED ? nullptr : kStopTimedOut;
}
}  // namespace

ServiceControl::ServiceControl(const std::string& serviceName) : m_strServiceName(serviceName) {}

ServiceControl::~ServiceControl() = default;

bool ServiceControl::IsNtPlatform()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = kVersionInfoSize;
    // A failed query leaves the record zeroed, which counts as not NT.
    Win().GetVersionExA(&version);
    return version.dwMajorVersion >= 5 && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

int ServiceControl::Exist()
{
    DebugLog log("Exist", kSourceFile);
    OpenedService opened(log, kQueryCloseTexts);
    const char* stop = opened.Open(m_strServiceName);
    // Only the manager's own word that the service is unknown makes it missing.
    if (stop == kOpenServiceFailed && Win().GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST) {
        log.LogLastError(kServiceMissing);
        return 0;
    }
    EndedInFailure(log, stop);
    return 1;
}

SERVICE_STATUS* ServiceControl::QueryStatus()
{
    DebugLog log("QueryStatus", kSourceFile);
    OpenedService opened(log, kQueryCloseTexts);
    const char* stop = opened.Open(m_strServiceName);
    if (stop == nullptr && !Win().QueryServiceStatus(opened.Service(), &m_status))
        stop = kQueryStatusFailed;
    return EndedInFailure(log, stop) ? nullptr : &m_status;
}

QUERY_SERVICE_CONFIGA* ServiceControl::QueryServiceConfig()
{
    DebugLog log("QueryServiceConfig", kSourceFile);
    OpenedService opened(log, kQueryCloseTexts);
    const char* stop = opened.Open(m_strServiceName);
    DWORD bytesNeeded = 0;
    if (stop == nullptr) {
        Win().QueryServiceConfigA(opened.Service(), nullptr, 0, &bytesNeeded);
        if (bytesNeeded == 0)
            stop = kQueryConfigFailed;
    }
    if (stop == nullptr) {
        m_pConfig.reset();
        m_pConfig.reset(new (std::nothrow) BYTE[bytesNeeded]);
        if (m_pConfig == nullptr)
            stop = kInsufficientMemory;
    }
    QUERY_SERVICE_CONFIGA* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(m_pConfig.get());
    if (stop == nullptr && !Win().QueryServiceConfigA(opened.Service(), config, bytesNeeded, &bytesNeeded))
        stop = kQueryConfigFailed;
    return EndedInFailure(log, stop) ? nullptr : config;
}

int ServiceControl::Start()
{
    DebugLog log("Start", kSourceFile);
    OpenedService opened(log, kStartStopCloseTexts);
    const char* stop = opened.Open(m_strServiceName);
    if (stop == nullptr)
        stop = StartAndWait(opened.Service());
    return EndedInFailure(log, stop) ? 0 : 1;
}

int ServiceControl::Stop()
{
    DebugLog log("Stop", kSourceFile);
    OpenedService opened(log, kStartStopCloseTexts);
    const char* stop = opened.Open(m_strServiceName);
    if (stop == nullptr)
        stop = StopAndWait(opened.Service());
    return EndedInFailure(log, stop) ? 0 : 1;
}
