// Fixed names the discovery reads and the repairs bring into line: registry
// paths and value names (the port-name markers are in platform/PortNames.h).
#pragma once

namespace discovery {
// The TCP/IP port monitors' port lists, the maker's first.
const char kMakerMonitorPortsKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\CV Standard TCP/IP Port\\Ports";
const char kSystemMonitorPortsKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";
const char kMonitorIpValue[] = "IPAddress";
const char kMonitorHwValue[] = "HWAddress";
const char kMonitorHostValue[] = "HostName";

// The maker's product keys: "<software key>\<product-key name>\Port".
const char kProductKeyPathFormat[] = "%s\\%s\\%s";
const char kMakerSoftwareKey[] = "SOFTWARE\\Corvane";
const char kProductPortSubkey[] = "Port";
const char kProductIpValue[] = "IP Address";
const char kProductMacValue[] = "MAC Address";
const char kProductHostValue[] = "Hostname";

// The still-image device class: its key on Windows 9x, and on NT as
// "<class key>\<class GUID>".
const char kImagingClassKey9x[] = "System\\CurrentControlSet\\Services\\Class\\Image";
const char kImagingClassKeyNtFormat[] = "%s\\%s";
const char kClassKeyNt[] = "SYSTEM\\CurrentControlSet\\Control\\Class";
const char kImagingClassGuid[] = "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";

// Windows Sockets version 2.0.
const unsigned char kSocketsMajor = 2;
const unsigned char kSocketsMinor = 0;
}  // namespace discovery
