#include "system/Service.h"

#include "log/DebugLog.h"
#include "platform/Owned.h"
#include "platform/WinApi.h"

namespace {
const char kSourceFile[] = "Service";

// Log texts, word for word and spelling included: support staff search logs for them.
const char kNotOnNt[] = "Not on NT platform";
const char kOpenManagerFailed[] = "OpenSCManager failed";
const char kOpenServiceFailed[] = "OpenService failed";
const char kQueryStatusFailed[] = "QueryServiceStatus failed";
const char kQueryConfigFailed[] = "QueryServiceConfig failed";
const char kInsufficientMemory[] = "Insufficient memory";
const char kStartFailed[] = "StartService failed";
const char kStartTimedOut[] = "Timed out waiting for Sti service to start";
const char kControlFailed[] = "ControlService failed";
const char kStopTimedOut[] = "An error occured when trying to stop the service";
const char kServiceMissing[] = "Service does not exist";
const char kCloseFailed[] = "CloseServiceHandle failed";
const char kCloseStiFailed[] = "CloseServiceHandle(hSTI) failed";
const char kCloseManagerFailed[] = "CloseServiceHandle(hSCManager) failed";

// A start or stop is watched for at most 11 status checks with 10 pauses between.
const int kMaxPauses = 10;
const DWORD kPauseMs = 500;

// What ends an operation early; kNone lets it go on.
enum class StopReason {
    kNone,
    kNotOnNt,
    kOpenManagerFailed,
    kOpenServiceFailed,
    kQueryStatusFailed,
    kQueryConfigFailed,
    kInsufficientMemory,
    kStartFailed,
    kStartTimedOut,
    kControlFailed,
    kStopTimedOut,
    kAlreadyStopped,  // ends a stop quietly, without failure
};

struct StopReasonText {
    StopReason reason;
    const char* text;
};
// What each failure logs, before the system's text for the last error. The
// reasons without a text (kNone, kAlreadyStopped) are no failure.
const StopReasonText kStopReasonTexts[] = {
    {StopReason::kNotOnNt, kNotOnNt},
    {StopReason::kOpenManagerFailed, kOpenManagerFailed},
    {StopReason::kOpenServiceFailed, kOpenServiceFailed},
    {StopReason::kQueryStatusFailed, kQueryStatusFailed},
    {StopReason::kQueryConfigFailed, kQueryConfigFailed},
    {StopReason::kInsufficientMemory, kInsufficientMemory},
    {StopReason::kStartFailed, kStartFailed},
    {StopReason::kStartTimedOut, kStartTimedOut},
    {StopReason::kControlFailed, kControlFailed},
    {StopReason::kStopTimedOut, kStopTimedOut},
};

struct CloseTexts {
    const char* service;
    const char* manager;
};
const CloseTexts kQueryCloseTexts = {kCloseFailed, kCloseFailed};
const CloseTexts kStartStopCloseTexts = {kCloseStiFailed, kCloseManagerFailed};

// The manager and one service, opened for one operation. The service handle
// is closed before the manager's; a failed close is logged.
class OpenedService {
public:
    OpenedService(DebugLog& log, const CloseTexts& texts) : m_log(log), m_texts(texts) {}
    ~OpenedService()
    {
        CloseLoggingFailure(m_service, m_texts.service);
        CloseLoggingFailure(m_manager, m_texts.manager);
    }
    OpenedService(const OpenedService&) = delete;
    OpenedService& operator=(const OpenedService&) = delete;

    // StopReason::kNone when both are open, else what ends the operation.
    StopReason Open(const std::string& serviceName)
    {
        if (!ServiceControl::IsNtPlatform())
            return StopReason::kNotOnNt;
        m_manager.Attach(Win().OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        if (!m_manager.IsOpen())
            return StopReason::kOpenManagerFailed;
        m_service.Attach(Win().OpenServiceA(m_manager.Get(), serviceName.c_str(), SERVICE_ALL_ACCESS));
        if (!m_service.IsOpen())
            return StopReason::kOpenServiceFailed;
        return StopReason::kNone;
    }
    SC_HANDLE Service() const { return m_service.Get(); }

private:
    void CloseLoggingFailure(ServiceHandle& handle, const char* failure)
    {
        if (!handle.Close())
            m_log.LogLastError(failure);
    }

    DebugLog& m_log;
    const CloseTexts& m_texts;
    ServiceHandle m_manager;
    ServiceHandle m_service;
};

// Logs a failure that ended an operation early; true when there was one.
bool EndedInFailure(DebugLog& log, StopReason stop)
{
    for (const StopReasonText& failure : kStopReasonTexts) {
        if (failure.reason == stop) {
            log.LogLastError(failure.text);
            return true;
        }
    }
    return false;
}

// How a wait watches for its state. A start asks the service to report
// before each pause and ends at a failed check, the last status received
// deciding; a stop only reads, a check that fails counting as not stopped.
struct StateWatch {
    DWORD state;
    bool interrogates;
    bool failedCheckEnds;
};
const StateWatch kUntilRunning = {SERVICE_RUNNING, true, true};
const StateWatch kUntilStopped = {SERVICE_STOPPED, false, false};

// Checks the status until the service is in the watched state, pausing
// between checks; true when it got there.
bool WaitForState(SC_HANDLE service, const StateWatch& watch, SERVICE_STATUS& status)
{
    for (int pauses = 0;; ++pauses) {
        if (!Win().QueryServiceStatus(service, &status) && watch.failedCheckEnds)
            break;
        if (status.dwCurrentState == watch.state)
            return true;
        if (pauses >= kMaxPauses)
            break;
        if (watch.interrogates)
            Win().ControlService(service, SERVICE_CONTROL_INTERROGATE, &status);
        Win().Sleep(kPauseMs);
    }
    return status.dwCurrentState == watch.state;
}

StopReason StartAndWait(SC_HANDLE service)
{
    if (!Win().StartServiceA(service, 0, nullptr))
        return StopReason::kStartFailed;
    SERVICE_STATUS status = {};
    Win().ControlService(service, SERVICE_CONTROL_INTERROGATE, &status);
    return WaitForState(service, kUntilRunning, status) ? StopReason::kNone : StopReason::kStartTimedOut;
}

StopReason StopAndWait(SC_HANDLE service)
{
    // A status that cannot be read counts as not stopped.
    SERVICE_STATUS status = {};
    Win().QueryServiceStatus(service, &status);
    if (status.dwCurrentState == SERVICE_STOPPED)
        return StopReason::kAlreadyStopped;
    if (!Win().ControlService(service, SERVICE_CONTROL_STOP, &status))
        return StopReason::kControlFailed;
    return WaitForState(service, kUntilStopped, status) ? StopReason::kNone : StopReason::kStopTimedOut;
}
}  // namespace

ServiceControl::ServiceControl(const std::string& serviceName) : m_strServiceName(serviceName) {}

ServiceControl::~ServiceControl() = default;

bool ServiceControl::IsNtPlatform()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    // A failed query leaves the record zeroed, which counts as not NT.
    Win().GetVersionExA(&version);
    return version.dwMajorVersion >= 5 && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

int ServiceControl::Exist()
{
    DebugLog log("Exist", kSourceFile);
    OpenedService opened(log, kQueryCloseTexts);
    StopReason stop = opened.Open(m_strServiceName);
    // Only the manager's own word that the service is unknown makes it missing.
    if (stop == StopReason::kOpenServiceFailed && Win().GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST) {
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
    StopReason stop = opened.Open(m_strServiceName);
    if (stop == StopReason::kNone && !Win().QueryServiceStatus(opened.Service(), &m_status))
        stop = StopReason::kQueryStatusFailed;
    return EndedInFailure(log, stop) ? nullptr : &m_status;
}

QUERY_SERVICE_CONFIGA* ServiceControl::QueryServiceConfig()
{
    DebugLog log("QueryServiceConfig", kSourceFile);
    OpenedService opened(log, kQueryCloseTexts);
    StopReason stop = opened.Open(m_strServiceName);
    if (stop == StopReason::kNone) {
        ServiceConfig::Result read = m_config.Query(opened.Service());
        if (read != ServiceConfig::Result::kRead)
            stop = read == ServiceConfig::Result::kNoMemory ? StopReason::kInsufficientMemory
                                                            : StopReason::kQueryConfigFailed;
    }
    QUERY_SERVICE_CONFIGA* config = m_config.Get();
    return EndedInFailure(log, stop) ? nullptr : config;
}

int ServiceControl::Start()
{
    DebugLog log("Start", kSourceFile);
    OpenedService opened(log, kStartStopCloseTexts);
    StopReason stop = opened.Open(m_strServiceName);
    if (stop == StopReason::kNone)
        stop = StartAndWait(opened.Service());
    return EndedInFailure(log, stop) ? 0 : 1;
}

int ServiceControl::Stop()
{
    DebugLog log("Stop", kSourceFile);
    OpenedService opened(log, kStartStopCloseTexts);
    StopReason stop = opened.Open(m_strServiceName);
    if (stop == StopReason::kNone)
        stop = StopAndWait(opened.Service());
    return EndedInFailure(log, stop) ? 0 : 1;
}
