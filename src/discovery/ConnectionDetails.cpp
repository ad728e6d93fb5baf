// A networked all-in-one's addresses, read from the TCP/IP port monitors'
// entry for its port and from the maker's product key of its family.
#include "app/Remendo.h"
#include "discovery/DiscoveryConstants.h"
#include "discovery/ProductFamily.h"
#include "log/DebugLog.h"
#include "log/Format.h"
#include "platform/RegistryKey.h"

namespace {
// Log texts, word for word and spelling included: support staff search logs for them.
const char kPortMonitorQuestion[] = "- Can we get some info from the port monitor?";
const char kMakerMonitorInfo[] = "--- Yes, got some info in CV Standard TCP/IP Port";
const char kMakerMonitorNoInfo[] = "--- No, didn't get info from CV Standard TCP/IP Port";
const char kSystemMonitorInfo[] = "--- Yes, got some info in Standard TCP/IP Port";
const char kSystemMonitorNoInfo[] = "--- No, didn't get info from Standard TCP/IP Port";
const char kNoMonitorInfo[] = "--- No, failed to find info in eithor port monitor";
const char kCannotOpenMonitor[] = "Error opening port monitor registry key";
const char kCannotEnumerateMonitor[] = "Error enumerating port monitor registry key";
const char kCannotOpenPort[] = "Error opening port registry key";
const char kCannotReadIp[] = "Failed to read IP value";
const char kCannotReadHw[] = "Failed to read mac value";
const char kCannotReadHost[] = "Failed to read hostname value";
const char kMonitorIpLine[] = "\tIP = %s";
const char kMonitorHwLine[] = "\thardware address = %s";
const char kMonitorHostLine[] = "\tHostname = %s";
const char kProductKeyQuestion[] = "- Can we get the info from the product keys?";
const char kUnknownProduct[] = "Don't know what product it is";
const char kCannotOpenProductKey[] = "No, couldn't open product key";
const char kProductIpLine[] = "--- Yes, Ip is %s";
const char kProductMacLine[] = "--- Yes, Mac address is %s";
const char kProductHostLine[] = "--- Yes, host name is %s";
const char kNoProductInfo[] = "--- No, couldn't find any information from product keys";
}  // namespace

void CRemendoApp::GetInfoFromPortMonitor()
{
    DebugLog log("GetInfoFromPortMonitor", kRemendoSourceFile);
    if (m_bWin9x)
        return;
    log.Write(kPortMonitorQuestion);
    auto gotInfo = [&]() { return !m_strHostName.empty() || !m_strHwAddress.empty() || !m_strIpAddress.empty(); };
    if (EnumeratePortMonitor(discovery::kMakerMonitorPortsKey)) {
        log.Write(gotInfo() ? kMakerMonitorInfo : kMakerMonitorNoInfo);
    } else if (EnumeratePortMonitor(discovery::kSystemMonitorPortsKey)) {
        log.Write(gotInfo() ? kSystemMonitorInfo : kSystemMonitorNoInfo);
    } else {
        log.Write(kNoMonitorInfo);
    }
}

bool CRemendoApp::EnumeratePortMonitor(const std::string& portsKeyPath)
{
    DebugLog log("EnumeratePortMonitor", kRemendoSourceFile);
    RegistryKey monitor;
    LONG status = monitor.Open(HKEY_LOCAL_MACHINE, portsKeyPath, KEY_READ);
    if (status != ERROR_SUCCESS) {
        LogRegistryError(log, status, kCannotOpenMonitor);
        return false;
    }

    // The port's subkey, by exact name.
    for (DWORD index = 0;; ++index) {
        std::string name;
        status = monitor.EnumSubkey(index, name);
        if (status == ERROR_NO_MORE_ITEMS)
            return false;
        // A name too long for the buffer cannot be the port's.
        if (status == ERROR_MORE_DATA)
            continue;
        // Any other failure would repeat at every index: the list cannot be read.
        if (status != ERROR_SUCCESS) {
            LogRegistryError(log, status, kCannotEnumerateMonitor);
            return false;
        }
        if (name == m_strPortName)
            break;
    }
    RegistryKey port;
    status = port.Open(monitor.Get(), m_strPortName, KEY_READ);
    if (status != ERROR_SUCCESS) {
        LogRegistryError(log, status, kCannotOpenPort);
        return false;
    }

    // Each value read stays in the run state, even when a later read fails.
    auto read = [&](const char* valueName, std::string& field, const char* failure, const char* lineFormat) {
        std::string value;
        LONG readStatus = port.QueryString(valueName, value);
        if (readStatus != ERROR_SUCCESS) {
            LogRegistryError(log, readStatus, failure);
            return false;
        }
        field = value;
        if (!field.empty())
            log.Writef(lineFormat, field);
        return true;
    };
    return read(discovery::kMonitorIpValue, m_strIpAddress, kCannotReadIp, kMonitorIpLine) &&
           read(discovery::kMonitorHwValue, m_strHwAddress, kCannotReadHw, kMonitorHwLine) &&
           read(discovery::kMonitorHostValue, m_strHostName, kCannotReadHost, kMonitorHostLine);
}

bool CRemendoApp::GetInfoFromProduct()
{
    DebugLog log("GetInfoFromProduct", kRemendoSourceFile);
    log.Write(kProductKeyQuestion);
    const ProductFamily* family = m_bFamilyB   ? &g_familyB
                                  : m_bFamilyC ? &g_familyC
                                  : m_bFamilyA ? &g_familyA
                                               : nullptr;
    if (family == nullptr) {
        log.Error(kUnknownProduct);
        return false;
    }
    RegistryKey key;
    std::string path = Format(discovery::kProductKeyPathFormat,
                              {discovery::kMakerSoftwareKey, family->productKeyName, discovery::kProductPortSubkey});
    if (key.Open(HKEY_LOCAL_MACHINE, path, KEY_READ) != ERROR_SUCCESS) {
        log.Error(kCannotOpenProductKey);
        return false;
    }

    // Only empty fields are filled; a missing value is no error.
    bool found = false;
    auto fill = [&](std::string& field, const char* valueName, const char* lineFormat) {
        std::string value;
        if (!field.empty() || key.QueryString(valueName, value) != ERROR_SUCCESS)
            return;
        field = value;
        if (!field.empty()) {
            log.Writef(lineFormat, field);
            found = true;
        }
    };
    fill(m_strIpAddress, discovery::kProductIpValue, kProductIpLine);
    fill(m_strHwAddress, discovery::kProductMacValue, kProductMacLine);
    fill(m_strHostName, discovery::kProductHostValue, kProductHostLine);
    key.Close();
    if (!found)
        log.Write(kNoProductInfo);
    return true;
}
