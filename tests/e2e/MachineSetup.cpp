#include "MachineSetup.h"

#include <vector>

namespace {
const char kHealthyPrinterName[] = "CV Quillray 7250";
const char kHealthyPrinterPort[] = "DOT4_001";
const char kHealthyPrinterDriver[] = "CV Quillray 7250 RVX";
const char kPrintersKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
const char kPortsKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
const char kStandardTcpIpPortsKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";
const char kImagingClassKey[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";
const char kImagingDeviceSubkey[] = "0000";
const char kDeviceDataSubkey[] = "DeviceData";
const char kSpooler[] = "spooler";
const char kManagementService[] = "QMX Driver CVQ40";
const char kManagementServicePath[] = "C:\\windows\\system32\\cvqmgr40.exe";
// The attribute bits of a local printer, as the spooler stores them.
const DWORD kLocalPrinterAttributes = 0x40;
const DWORD kServiceWaitMs = 5000;
const DWORD kServicePollMs = 50;

bool Fail(std::string* error, const std::string& what, DWORD code)
{
    *error = what + " failed with error " + std::to_string(code);
    return false;
}

bool SetString(HKEY key, const std::string& name, const std::string& value, std::string* error)
{
    LONG status = ::RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1));
    return status == ERROR_SUCCESS || Fail(error, "setting " + name, static_cast<DWORD>(status));
}

bool SetDword(HKEY key, const char* name, DWORD value, std::string* error)
{
    LONG status = ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    return status == ERROR_SUCCESS || Fail(error, std::string("setting ") + name, static_cast<DWORD>(status));
}

// Creates (or opens) a key of HKEY_LOCAL_MACHINE; the caller closes it.
HKEY CreateKey(const std::string& path, std::string* error)
{
    HKEY key = nullptr;
    LONG status =
        ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) {
        Fail(error, "creating HKLM\\" + path, static_cast<DWORD>(status));
        return nullptr;
    }
    return key;
}

// Removes a key of HKEY_LOCAL_MACHINE with everything under it; a missing key is no failure.
bool DeleteTree(const std::string& path, std::string* error)
{
    LONG status = ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, path.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND)
        return true;
    return Fail(error, "deleting HKLM\\" + path, static_cast<DWORD>(status));
}

bool AddOtherImagingDevice(std::string* error)
{
    return InstallOnlyImagingDevice({{"DriverDesc", "Flatbed Scanner 1200"}}, {}, error);
}

// A service handle that closes itself.
class ServiceHandle {
public:
    explicit ServiceHandle(SC_HANDLE handle) : m_handle(handle) {}
    ~ServiceHandle()
    {
        if (m_handle != nullptr)
            ::CloseServiceHandle(m_handle);
    }
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;
    SC_HANDLE Get() const { return m_handle; }

private:
    SC_HANDLE m_handle;
};

bool WaitForState(SC_HANDLE service, DWORD wanted)
{
    DWORD start = ::GetTickCount();
    SERVICE_STATUS status = {};
    while (::QueryServiceStatus(service, &status) && status.dwCurrentState != wanted) {
        if (::GetTickCount() - start >= kServiceWaitMs)
            return false;
        ::Sleep(kServicePollMs);
    }
    return status.dwCurrentState == wanted;
}
}  // namespace

bool InstallOnlyPrinter(const PrinterSetup& printer, std::string* error)
{
    if (!DeleteTree(kPrintersKey, error))
        return false;
    HKEY key = CreateKey(std::string(kPrintersKey) + "\\" + printer.name, error);
    if (key == nullptr)
        return false;
    bool ok = SetString(key, "Name", printer.name, error) && SetString(key, "Port", printer.port, error) &&
              SetString(key, "Printer Driver", printer.driver, error) &&
              SetString(key, "Print Processor", "WinPrint", error) && SetString(key, "Datatype", "RAW", error) &&
              SetDword(key, "Attributes", kLocalPrinterAttributes, error);
    ::RegCloseKey(key);
    return ok && SetStrings(kPortsKey, {{printer.port, ""}}, error);
}

bool DescribeStandardTcpIpPort(const std::string& port, const RegistryStrings& values, std::string* error)
{
    std::string path = std::string(kStandardTcpIpPortsKey) + "\\" + port;
    return DeleteTree(path, error) && SetStrings(path, values, error);
}

bool InstallOnlyImagingDevice(const RegistryStrings& values, const RegistryStrings& deviceData, std::string* error)
{
    return InstallOnlyImagingDeviceUnder(kImagingClassKey, values, deviceData, error);
}

std::string ImagingDeviceKey(const std::string& classKey)
{
    return classKey + "\\" + kImagingDeviceSubkey;
}

bool InstallOnlyImagingDeviceUnder(const std::string& classKey, const RegistryStrings& values,
                                   const RegistryStrings& deviceData, std::string* error)
{
    std::string device = ImagingDeviceKey(classKey);
    if (!DeleteTree(classKey, error) || !SetStrings(device, values, error))
        return false;
    return deviceData.empty() || SetStrings(device + "\\" + kDeviceDataSubkey, deviceData, error);
}

bool SetStrings(const std::string& keyPath, const RegistryStrings& values, std::string* error)
{
    HKEY key = CreateKey(keyPath, error);
    if (key == nullptr)
        return false;
    bool ok = true;
    for (const auto& value : values)
        ok = ok && SetString(key, value.first, value.second, error);
    ::RegCloseKey(key);
    return ok;
}

bool InstallService(const std::string& name, const std::string& program, DWORD startType, std::string* error)
{
    ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (manager.Get() == nullptr)
        return Fail(error, "OpenSCManagerA", ::GetLastError());
    ServiceHandle created(::CreateServiceA(manager.Get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                           SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_IGNORE,
                                           program.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (created.Get() != nullptr)
        return true;
    if (::GetLastError() != ERROR_SERVICE_EXISTS)
        return Fail(error, "creating service " + name, ::GetLastError());
    ServiceHandle existing(::OpenServiceA(manager.Get(), name.c_str(), SERVICE_CHANGE_CONFIG));
    if (existing.Get() == nullptr ||
        !::ChangeServiceConfigA(existing.Get(), SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_IGNORE,
                                program.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))
        return Fail(error, "reconfiguring service " + name, ::GetLastError());
    return true;
}

bool StartServiceAndWait(const std::string& name, std::string* error)
{
    ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    ServiceHandle service(manager.Get() != nullptr
                              ? ::OpenServiceA(manager.Get(), name.c_str(), SERVICE_START | SERVICE_QUERY_STATUS)
                              : nullptr);
    if (service.Get() == nullptr)
        return Fail(error, "opening service " + name, ::GetLastError());
    if (!::StartServiceA(service.Get(), 0, nullptr) && ::GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
        return Fail(error, "starting service " + name, ::GetLastError());
    return WaitForState(service.Get(), SERVICE_RUNNING) || Fail(error, "waiting for " + name + " to run", 0);
}

bool StopServiceAndWait(const std::string& name, std::string* error)
{
    ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    ServiceHandle service(manager.Get() != nullptr
                              ? ::OpenServiceA(manager.Get(), name.c_str(), SERVICE_STOP | SERVICE_QUERY_STATUS)
                              : nullptr);
    if (service.Get() == nullptr)
        return Fail(error, "opening service " + name, ::GetLastError());
    SERVICE_STATUS status = {};
    if (!::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status) &&
        ::GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
        return Fail(error, "stopping service " + name, ::GetLastError());
    return WaitForState(service.Get(), SERVICE_STOPPED) || Fail(error, "waiting for " + name + " to stop", 0);
}

DWORD ServiceState(const std::string& name)
{
    ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    ServiceHandle service(
        manager.Get() != nullptr ? ::OpenServiceA(manager.Get(), name.c_str(), SERVICE_QUERY_STATUS) : nullptr);
    SERVICE_STATUS status = {};
    if (service.Get() == nullptr || !::QueryServiceStatus(service.Get(), &status))
        return 0;
    return status.dwCurrentState;
}

DWORD ServiceStartType(const std::string& name)
{
    ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    ServiceHandle service(
        manager.Get() != nullptr ? ::OpenServiceA(manager.Get(), name.c_str(), SERVICE_QUERY_CONFIG) : nullptr);
    if (service.Get() == nullptr)
        return 0;
    union {
        QUERY_SERVICE_CONFIGA config;
        BYTE bytes[8192];
    } buffer;
    DWORD needed = 0;
    if (!::QueryServiceConfigA(service.Get(), &buffer.config, sizeof buffer, &needed))
        return 0;
    return buffer.config.dwStartType;
}

std::string RegistryString(const std::string& keyPath, const std::string& valueName)
{
    char value[4096] = {};
    DWORD size = sizeof value - 1;
    LONG status = ::RegGetValueA(HKEY_LOCAL_MACHINE, keyPath.c_str(), valueName.c_str(), RRF_RT_REG_SZ, nullptr,
                                 value, &size);
    if (status != ERROR_SUCCESS)
        return "<missing: error " + std::to_string(status) + ">";
    return value;
}

std::string FileVersionText(const std::string& path)
{
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0)
        return "";
    std::vector<BYTE> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, data.data()) ||
        !::VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) || info == nullptr)
        return "";
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(info->dwFileVersionLS)) + "." + std::to_string(LOWORD(info->dwFileVersionLS));
}

bool PrepareHealthyDirectMachine(std::string* error)
{
    return InstallOnlyPrinter({kHealthyPrinterName, kHealthyPrinterPort, kHealthyPrinterDriver}, error) &&
           AddOtherImagingDevice(error) && StartServiceAndWait(kSpooler, error) &&
           InstallService(kManagementService, kManagementServicePath, SERVICE_AUTO_START, error);
}
