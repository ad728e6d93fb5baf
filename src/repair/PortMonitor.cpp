// The port-monitor repair: the TCP/IP port of a networked all-in-one is made to
// carry the run's IP address, hardware address and host name.
#include "app/Remendo.h"
#include "discovery/DiscoveryConstants.h"
#include "log/DebugLog.h"
#include "platform/RegistryKey.h"

namespace {
// Log texts, word for word and spelling included: support staff search logs for them.
const char kEmptyDetails[] = "Port, IP, or Mac is empty";
const char kOpenFailed[] = "Error opening registry key";
const char kEnumerationFailed[] = "Error enumerating registry key";
const char kUnexpected[] = "Unexpected error in UpdatePrinterIPandMac";
const char kMakersIpQuestion[] = "- Does the Ip address need updating in the CV port monitor?";
const char kMakersHwQuestion[] = "- Does the hardware address need updating in the CV port monitor?";
const char kMakersHostQuestion[] = "- Does the HostName need updating in the CV port monitor?";
const char kSystemsIpQuestion[] = "- Does the Ip address need updating in the port monitor?";
const char kSystemsHwQuestion[] = "- Does the hardware address need updating in the port monitor?";
const char kSystemsHostQuestion[] = "- Does the HostName need updating in the port monitor?";

struct PortMonitor {
    const char* portsKey;
    const char* ipQuestion;
    const char* hwQuestion;
    const char* hostQuestion;
};

const PortMonitor kMakersMonitor = {
    discovery::kMakerMonitorPortsKey,
    kMakersIpQuestion,
    kMakersHwQuestion,
    kMakersHostQuestion,
};

const PortMonitor kSystemsMonitor = {
    discovery::kSystemMonitorPortsKey,
    kSystemsIpQuestion,
    kSystemsHwQuestion,
    kSystemsHostQuestion,
};

enum class Search {
    kUpdated,     // the port was found and its values put through UpdateRegVar
    kNotThere,    // the monitor holds no such port
    kNoMonitor,   // the monitor is not installed (no Ports key)
    kFailed,      // a key could not be opened or enumerated; logged
};

// Looks for the run's port among one monitor's ports (the name compared byte
// for byte) and brings its three values into line. `updated` follows what has
// been done, so an unexpected failure can still report it.
Search UpdatePortIn(CRemendoApp& app, DebugLog& log, const PortMonitor& monitor, bool& updated)
{
    RegistryKey ports;
    LONG status = ports.Open(HKEY_LOCAL_MACHINE, monitor.portsKey, KEY_READ);
    if (status == ERROR_FILE_NOT_FOUND)
        return Search::kNoMonitor;
    if (status != ERROR_SUCCESS) {
        LogRegistryError(log, status, kOpenFailed);
        return Search::kFailed;
    }
    for (DWORD index = 0;; ++index) {
        std::string name;
        status = ports.EnumSubkey(index, name);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        // A name too long for the buffer is no port name of ours.
        if (status == ERROR_MORE_DATA)
            continue;
        // Any other failure would repeat for every index: the search ends.
        if (status != ERROR_SUCCESS) {
            LogRegistryError(log, status, kEnumerationFailed);
            return updated ? Search::kUpdated : Search::kFailed;
        }
        if (app.m_strPortName != name)
            continue;
        RegistryKey port;
        status = port.Open(ports.Get(), name, KEY_ALL_ACCESS);
        if (status != ERROR_SUCCESS) {
            LogRegistryError(log, status, kOpenFailed);
            return updated ? Search::kUpdated : Search::kFailed;
        }
        log.Write(monitor.ipQuestion);
        app.UpdateRegVar(port.Get(), discovery::kMonitorIpValue, app.m_strIpAddress, name);
        log.Write(monitor.hwQuestion);
        app.UpdateRegVar(port.Get(), discovery::kMonitorHwValue, app.m_strHwAddress, name);
        log.Write(monitor.hostQuestion);
        app.UpdateRegVar(port.Get(), discovery::kMonitorHostValue, app.m_strHostName, name);
        updated = true;
    }
    return updated ? Search::kUpdated : Search::kNotThere;
}
}  // namespace

bool CRemendoApp::UpdatePrinterIPandMac()
{
    DebugLog log("UpdatePrinterIPandMac", kRemendoSourceFile);
    bool updated = false;
    try {
        if (m_strPortName.empty() || m_strIpAddress.empty() || m_strHwAddress.empty()) {
            log.LogLastError(kEmptyDetails);
            return false;
        }
        if (m_bWin9x)
            return false;
        // The maker's monitor first; the system's only when the maker's does not hold the port.
        Search search = UpdatePortIn(*this, log, kMakersMonitor, updated);
        if (search == Search::kNotThere || search == Search::kNoMonitor) {
            search = UpdatePortIn(*this, log, kSystemsMonitor, updated);
            if (search == Search::kNoMonitor)
                LogRegistryError(log, ERROR_FILE_NOT_FOUND, kOpenFailed);
        }
        return search == Search::kUpdated;
    } catch (...) {
        log.Error(kUnexpected);
        return updated;
    }
}
