// The maker's product key: its "Port" subkey brought into line with the
// connection the run found or was given.
#include "app/Remendo.h"
#include "discovery/DiscoveryConstants.h"
#include "log/DebugLog.h"
#include "log/Format.h"
#include "platform/PortNames.h"
#include "platform/RegistryKey.h"

namespace {
const char kKeyText[] = "Port";
const char kTwain[] = "TWAIN";
const char kConnectionType[] = "Connection Type";
const char kPort[] = "Port";
const char kDeviceAddress[] = "Device Address";
const char kNetwork[] = "Network";
const char kDirect[] = "Direct";

// Log texts, word for word and spelling included: support staff search logs for them.
const char kCannotOpenKey[] = "Failed to open %s";
const char kTwainQuestion[] = "- Does the Twain key need updating?";
const char kIpQuestion[] = "- Does the Ip need updating?";
const char kHostNameQuestion[] = "- Does the HostName need updating?";
const char kMacQuestion[] = "- Does the Mac address need updating?";
const char kConnectionTypeQuestion[] = "- Does the Connection type need updating?";
const char kPortQuestion[] = "- Does the Port need updating?";
const char kCannotReadPort[] = "Read failed on %s";
const char kPortKeyQuestion[] = "- Does the port key need updating?";
const char kMainIpQuestion[] = "- Does the main Ip address need updating?";
const char kMainHostNameQuestion[] = "- Does the main Hostname need updating?";
const char kMainConnectionTypeQuestion[] = "- Does the main connection type  need updating?";
const char kMainPortKeyQuestion[] = "- Does the main port key need updating?";
}  // namespace

void CRemendoApp::FixCvProductKey(std::string productKeyName)
{
    DebugLog log("FixCvProductKey", kRemendoSourceFile);
    std::string path = Format(discovery::kProductKeyPathFormat,
                              {discovery::kMakerSoftwareKey, productKeyName, discovery::kProductPortSubkey});
    RegistryKey key;
    LONG status = key.Open(HKEY_LOCAL_MACHINE, path, KEY_ALL_ACCESS);
    if (status != ERROR_SUCCESS) {
        LogRegistryError(log, status, Format(kCannotOpenKey, {path}));
        return;
    }

    log.Write(kTwainQuestion);
    UpdateRegVar(key.Get(), kTwain, m_strTwainDs, kKeyText);
    const char* portValueName = m_bFamilyA ? kDeviceAddress : kPort;

    if (m_bNetworked) {
        log.Write(kIpQuestion);
        UpdateRegVar(key.Get(), discovery::kProductIpValue, m_strIpAddress, kKeyText);
        log.Write(kHostNameQuestion);
        UpdateRegVar(key.Get(), discovery::kProductHostValue, m_strHostName, kKeyText);
        log.Write(kMacQuestion);
        UpdateRegVar(key.Get(), discovery::kProductMacValue, m_strHwAddress, kKeyText);
        log.Write(kConnectionTypeQuestion);
        UpdateRegVar(key.Get(), kConnectionType, kNetwork, kKeyText);
        log.Write(kPortQuestion);
        UpdateRegVar(key.Get(), kPort, m_strPortName, kKeyText);

        std::string current;
        status = key.QueryString(portValueName, current);
        if (status != ERROR_SUCCESS) {
            LogRegistryError(log, status, Format(kCannotReadPort, {portValueName}));
            return;
        }
        if (current.empty() || (ports::HoldsDot4Marker(current) && !m_strPortName.empty())) {
            log.Write(kPortKeyQuestion);
            UpdateRegVar(key.Get(), portValueName, m_strPortName, kKeyText);
        }
        return;
    }

    log.Write(kMainIpQuestion);
    UpdateRegVar(key.Get(), discovery::kProductIpValue, "", kKeyText);
    log.Write(kMainHostNameQuestion);
    UpdateRegVar(key.Get(), discovery::kProductHostValue, "", kKeyText);
    log.Write(kMacQuestion);
    UpdateRegVar(key.Get(), discovery::kProductMacValue, "", kKeyText);
    log.Write(kMainConnectionTypeQuestion);
    UpdateRegVar(key.Get(), kConnectionType, kDirect, kKeyText);
    log.Write(kMainPortKeyQuestion);
    UpdateRegVar(key.Get(), portValueName, m_strPortName, kKeyText);
}
