#include "MachineSetup.h"

#include <windows.h>

#include <cstring>

namespace {
const char kPrinterName[] = "CV Quillray 7250";
const char kPrinterPort[] = "DOT4_001";
const char kPrinterDriver[] = "CV Quillray 7250 RVX";
const char kPrintersKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\CV Quillray 7250";
const char kPortsKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
const char kImagingDeviceKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000";
const char kManagementService[] = "QMX Driver CVQ40";
const char kManagementServicePath[] = "C:\\windows\\system32\\cvqmgr40.exe";
// The attribute bits of a local printer, as the spooler stores them.
const DWORD kLocalPrinterAttributes = 0x40;

bool Fail(std::string* error, const std::string& what, DWORD code)
{
    *error = what + " failed with error " + std::to_string(code);
    return false;
}

bool SetString(HKEY key, const char* name, const char* value, std::string* error)
{
    LONG status = ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                   static_cast<DWORD>(std::strlen(value) + 1));
    return status == ERROR_SUCCESS || Fail(error, std::string("setting ") + name, static_cast<DWORD>(status));
}

bool SetDword(HKEY key, const char* name, DWORD value, std::string* error)
{
    LONG status = ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    return status == ERROR_SUCCESS || Fail(error, std::string("setting ") + name, static_cast<DWORD>(status));
}

// Creates (or opens) a key of HKEY_LOCAL_MACHINE; the caller closes it.
HKEY CreateKey(const char* path, std::string* error)
{
    HKEY key = nullptr;
    LONG status = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) {
        Fail(error, std::string("creating HKLM\\") + path, static_cast<DWORD>(status));
        return nullptr;
    }
    return key;
}

bool AddPrinter(std::string* error)
{
    HKEY printer = CreateKey(kPrintersKey, error);
    if (printer == nullptr)
        return false;
    bool ok = SetString(printer, "Name", kPrinterName, error) && SetString(printer, "Port", kPrinterPort, error) &&
              SetString(printer, "Printer Driver", kPrinterDriver, error) &&
              SetString(printer, "Print Processor", "WinPrint", error) && SetString(printer, "Datatype", "RAW", error) &&
              SetDword(printer, "Attributes", kLocalPrinterAttributes, error);
    ::RegCloseKey(printer);
    if (!ok)
        return false;
    HKEY ports = CreateKey(kPortsKey, error);
    if (ports == nullptr)
        return false;
    ok = SetString(ports, kPrinterPort, "", error);
    ::RegCloseKey(ports);
    return ok;
}

bool AddOtherImagingDevice(std::string* error)
{
    HKEY device = CreateKey(kImagingDeviceKey, error);
    if (device == nullptr)
        return false;
    bool ok = SetString(device, "DriverDesc", "Flatbed Scanner 1200", error);
    ::RegCloseKey(device);
    return ok;
}

bool StartSpoolerAndInstallManagementService(std::string* error)
{
    SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr)
        return Fail(error, "OpenSCManagerA", ::GetLastError());
    bool ok = true;
    SC_HANDLE spooler = ::OpenServiceA(manager, "spooler", SERVICE_START);
    if (spooler == nullptr || (!::StartServiceA(spooler, 0, nullptr) && ::GetLastError() != ERROR_SERVICE_ALREADY_RUNNING))
        ok = Fail(error, "starting the spooler", ::GetLastError());
    if (spooler != nullptr)
        ::CloseServiceHandle(spooler);
    if (ok) {
        SC_HANDLE service = ::CreateServiceA(manager, kManagementService, kManagementService, SERVICE_ALL_ACCESS,
                                             SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_IGNORE,
                                             kManagementServicePath, nullptr, nullptr, nullptr, nullptr, nullptr);
        if (service != nullptr)
            ::CloseServiceHandle(service);
        else if (::GetLastError() != ERROR_SERVICE_EXISTS)
            ok = Fail(error, "creating the management service", ::GetLastError());
    }
    ::CloseServiceHandle(manager);
    return ok;
}
}  // namespace

bool PrepareHealthyDirectMachine(std::string* error)
{
    return AddPrinter(error) && AddOtherImagingDevice(error) && StartSpoolerAndInstallManagementService(error);
}
