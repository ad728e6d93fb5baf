// The simulated backend: the service control manager.
//
// A start or stop takes effect at once in the service's state, but shows as
// pending for the number of status checks the machine gives the service
// (startChecks, stopChecks), so waits can be exercised on the virtual clock.
#include <cstring>

#include "sim/SimApi.h"

#include "platform/RegistryKey.h"

namespace sim {

namespace {
const char kLocalSystemAccount[] = "LocalSystem";

machine::Service* FindService(std::vector<machine::Service>& services, const std::string& name)
{
    // Service names compare case-insensitively, as the manager compares them.
    for (machine::Service& service : services) {
        if (machine::EqualIgnoringCase(service.name, name))
            return &service;
    }
    return nullptr;
}

bool IsRunning(const machine::Service& service)
{
    return service.state == "running";
}

bool IsPending(const machine::Service& service)
{
    return service.pendingChecks > 0;
}

DWORD CurrentState(const machine::Service& service)
{
    if (IsPending(service))
        return IsRunning(service) ? SERVICE_START_PENDING : SERVICE_STOP_PENDING;
    return IsRunning(service) ? SERVICE_RUNNING : SERVICE_STOPPED;
}

void FillStatus(const machine::Service& service, LPSERVICE_STATUS status)
{
    if (status == nullptr)
        return;
    *status = SERVICE_STATUS{};
    status->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status->dwCurrentState = CurrentState(service);
    status->dwControlsAccepted = CurrentState(service) == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
}

DWORD StartTypeNumber(const std::string& startType)
{
    if (startType == "boot")
        return SERVICE_BOOT_START;
    if (startType == "system")
        return SERVICE_SYSTEM_START;
    if (startType == "auto")
        return SERVICE_AUTO_START;
    if (startType == "disabled")
        return SERVICE_DISABLED;
    return SERVICE_DEMAND_START;
}
}  // namespace

machine::Service* SimApi::ServiceOfHandle(SC_HANDLE hService)
{
    auto found = m_handles.find(reinterpret_cast<HANDLE>(hService));
    machine::Service* service = nullptr;
    if (found != m_handles.end() && found->second.kind == OpenObject::kService)
        service = FindService(m_machine.services, found->second.name);
    if (service == nullptr)
        m_lastError = ERROR_INVALID_HANDLE;
    return service;
}

SC_HANDLE SimApi::OpenSCManagerA(LPCSTR, LPCSTR, DWORD dwDesiredAccess)
{
    if (Fails(__func__))
        return nullptr;
    HANDLE manager = reinterpret_cast<HANDLE>(m_nextHandle++);
    m_handles[manager] = OpenObject{OpenObject::kServiceManager, std::string(), dwDesiredAccess};
    m_lastError = ERROR_SUCCESS;  // as the system does on success
    return reinterpret_cast<SC_HANDLE>(manager);
}

SC_HANDLE SimApi::OpenServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, DWORD dwDesiredAccess)
{
    if (Fails(__func__))
        return nullptr;
    if (FindOpenObject(reinterpret_cast<HANDLE>(hSCManager), OpenObject::kServiceManager) == nullptr)
        return nullptr;
    const machine::Service* service = FindService(m_machine.services, MachineText(lpServiceName));
    if (service == nullptr) {
        m_lastError = ERROR_SERVICE_DOES_NOT_EXIST;
        return nullptr;
    }
    if (!service->canOpen) {
        m_lastError = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    HANDLE opened = reinterpret_cast<HANDLE>(m_nextHandle++);
    m_handles[opened] = OpenObject{OpenObject::kService, service->name, dwDesiredAccess};
    return reinterpret_cast<SC_HANDLE>(opened);
}

BOOL SimApi::QueryServiceStatus(SC_HANDLE hService, LPSERVICE_STATUS lpServiceStatus)
{
    if (Fails(__func__))
        return FALSE;
    machine::Service* service = ServiceOfHandle(hService);
    if (service == nullptr)
        return FALSE;
    if (IsPending(*service))
        --service->pendingChecks;
    FillStatus(*service, lpServiceStatus);
    return TRUE;
}

BOOL SimApi::QueryServiceConfigA(SC_HANDLE hService, LPQUERY_SERVICE_CONFIGA lpServiceConfig, DWORD cbBufSize,
                                 LPDWORD pcbBytesNeeded)
{
    if (Fails(__func__))
        return FALSE;
    const machine::Service* service = ServiceOfHandle(hService);
    if (service == nullptr)
        return FALSE;
    // The record, then its texts; the dependency list ends with two NULs.
    const std::string displayName = service->displayName.empty() ? service->name : service->displayName;
    const std::string texts[] = {AnsiText(service->binaryPath), std::string(), std::string(1, '\0'),
                                 kLocalSystemAccount, AnsiText(displayName)};
    std::size_t needed = sizeof(QUERY_SERVICE_CONFIGA);
    for (const std::string& text : texts)
        needed += text.size() + 1;
    *pcbBytesNeeded = static_cast<DWORD>(needed);
    if (lpServiceConfig == nullptr || cbBufSize < needed) {
        m_lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    char* next = reinterpret_cast<char*>(lpServiceConfig + 1);
    LPSTR placed[5] = {};
    for (int i = 0; i < 5; ++i) {
        placed[i] = next;
        std::memcpy(next, texts[i].c_str(), texts[i].size() + 1);
        next += texts[i].size() + 1;
    }
    lpServiceConfig->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    lpServiceConfig->dwStartType = StartTypeNumber(service->startType);
    lpServiceConfig->dwErrorControl = SERVICE_ERROR_NORMAL;
    lpServiceConfig->lpBinaryPathName = placed[0];
    lpServiceConfig->lpLoadOrderGroup = placed[1];
    lpServiceConfig->dwTagId = 0;
    lpServiceConfig->lpDependencies = placed[2];
    lpServiceConfig->lpServiceStartName = placed[3];
    lpServiceConfig->lpDisplayName = placed[4];
    return TRUE;
}

// Only the start type changes: the one thing a caller of this program asks for.
BOOL SimApi::ChangeServiceConfigA(SC_HANDLE hService, DWORD, DWORD dwStartType, DWORD, LPCSTR, LPCSTR, LPDWORD,
                                  LPCSTR, LPCSTR, LPCSTR, LPCSTR)
{
    if (Fails(__func__))
        return FALSE;
    machine::Service* service = ServiceOfHandle(hService);
    if (service == nullptr)
        return FALSE;
    const char* const kStartTypes[] = {"boot", "system", "auto", "demand", "disabled"};
    if (dwStartType == SERVICE_NO_CHANGE)
        return TRUE;
    if (dwStartType >= sizeof kStartTypes / sizeof kStartTypes[0]) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    service->startType = kStartTypes[dwStartType];
    KeepStartValue(*service);
    return TRUE;
}

// The service manager keeps a service's start type in its key's "Start"
// value, which a program reads where the service manager cannot tell it
// (NT 4.0): where this machine holds that key, it follows the service.
void SimApi::KeepStartValue(const machine::Service& service)
{
    machine::RegKey* key = m_machine.registry.Find("HKEY_LOCAL_MACHINE\\" + std::string(kServicesKey) + service.name);
    if (key != nullptr)
        key->SetValue("Start", REG_DWORD, DwordData(StartTypeNumber(service.startType)));
}

BOOL SimApi::StartServiceA(SC_HANDLE hService, DWORD, LPCSTR*)
{
    if (Fails(__func__))
        return FALSE;
    machine::Service* service = ServiceOfHandle(hService);
    if (service == nullptr)
        return FALSE;
    if (CurrentState(*service) != SERVICE_STOPPED) {
        m_lastError = ERROR_SERVICE_ALREADY_RUNNING;
        return FALSE;
    }
    if (service->startType == "disabled") {
        m_lastError = ERROR_SERVICE_DISABLED;
        return FALSE;
    }
    service->state = "running";
    service->pendingChecks = service->startChecks;
    return TRUE;
}

BOOL SimApi::ControlService(SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus)
{
    if (Fails(__func__))
        return FALSE;
    machine::Service* service = ServiceOfHandle(hService);
    if (service == nullptr)
        return FALSE;
    if (dwControl != SERVICE_CONTROL_STOP && dwControl != SERVICE_CONTROL_INTERROGATE) {
        m_lastError = ERROR_INVALID_SERVICE_CONTROL;
        return FALSE;
    }
    // As on Windows, these refusals still report the current status.
    FillStatus(*service, lpServiceStatus);
    if (CurrentState(*service) == SERVICE_STOPPED) {
        m_lastError = ERROR_SERVICE_NOT_ACTIVE;
        return FALSE;
    }
    if (IsPending(*service)) {
        m_lastError = ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
        return FALSE;
    }
    if (dwControl == SERVICE_CONTROL_STOP) {
        service->state = "stopped";
        service->pendingChecks = service->stopChecks;
        FillStatus(*service, lpServiceStatus);
    }
    return TRUE;
}

BOOL SimApi::CloseServiceHandle(SC_HANDLE hSCObject)
{
    if (Fails(__func__))
        return FALSE;
    auto found = m_handles.find(reinterpret_cast<HANDLE>(hSCObject));
    if (found == m_handles.end() ||
        (found->second.kind != OpenObject::kServiceManager && found->second.kind != OpenObject::kService)) {
        m_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    m_handles.erase(found);
    return TRUE;
}

}  // namespace sim
