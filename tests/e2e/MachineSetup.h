// Puts the Wine machine into the state a test needs, through the same Windows
// calls an installer would use (printers as the spooler's registry keys, see
// WINE-NOTES), and reads back what a run changed.
//
// Every setter is idempotent, so tests of one suite can share one prefix: each
// test's setup states the whole of what it relies on.
// False, with the reason in `error`, when a step fails.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

using RegistryStrings = std::vector<std::pair<std::string, std::string>>;

// A healthy machine: one directly connected family B printer, an imaging
// device that is not the maker's, the spooler running and the maker's
// management service set to start automatically. A run then confirms the
// printer, changes nothing and ends with "The utility has completed.".
bool PrepareHealthyDirectMachine(std::string* error);

// The spooler's only printer, on a port of the system's port list.
struct PrinterSetup {
    std::string name;
    std::string port;
    std::string driver;
};
bool InstallOnlyPrinter(const PrinterSetup& printer, std::string* error);
// The system's TCP/IP port monitor's entry for a port.
bool DescribeStandardTcpIpPort(const std::string& port, const RegistryStrings& values, std::string* error);

// The imaging class's only device, subkey "0000": its values and those of its DeviceData subkey.
bool InstallOnlyImagingDevice(const RegistryStrings& values, const RegistryStrings& deviceData, std::string* error);
// The same under another imaging class key (the 9x family's).
bool InstallOnlyImagingDeviceUnder(const std::string& classKey, const RegistryStrings& values,
                                   const RegistryStrings& deviceData, std::string* error);
// The imaging device's key under a class key, as InstallOnlyImagingDevice makes it.
std::string ImagingDeviceKey(const std::string& classKey);
// A key of HKEY_LOCAL_MACHINE, created when missing, with these string values.
bool SetStrings(const std::string& keyPath, const RegistryStrings& values, std::string* error);

// A service of its own process, created or reconfigured to this program and start type.
bool InstallService(const std::string& name, const std::string& program, DWORD startType, std::string* error);
// Starts or stops a service and waits (up to 5 s) until it is in that state.
bool StartServiceAndWait(const std::string& name, std::string* error);
bool StopServiceAndWait(const std::string& name, std::string* error);
// SERVICE_RUNNING, SERVICE_STOPPED, ...; 0 when it cannot be read.
DWORD ServiceState(const std::string& name);
// SERVICE_AUTO_START, SERVICE_DEMAND_START, ...; 0 when it cannot be read.
DWORD ServiceStartType(const std::string& name);

// A string value of HKEY_LOCAL_MACHINE; "<missing: error N>" when it cannot be read.
std::string RegistryString(const std::string& keyPath, const std::string& valueName);
// A file's version "a.b.c.d" from its version resource; "" when it has none.
std::string FileVersionText(const std::string& path);
