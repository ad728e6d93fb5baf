// The maker's product key: its "Port" subkey brought into line with the
// connection the run found or was given.
#include "app/Remendo.h"
#include "app/RunConstants.h"
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
}  // namespace

void CRemendoApp::FixCvProductKey(std::string productKeyName)
{
    DebugLog log("FixCvProductKey", run::kSourceFile);
    std::string path = Format(discovery::kProductKeyPathFormat,
                              {discovery::kMakerSoftwareKey, productKeyName, discovery::kProductPortSubkey});
    RegistryKey key;
    LONG status = key.Open(HKEY_LOCAL_MACHINE, path, KEY_ALL_ACCESS);
    if (status != ERROR_SUCCESS) {
        LogRegistryError(log, status, Format("Failed to open %s", {path}));
        return;
    }

    log.Write("- Does the Twain key need updating?");
    UpdateRegVar(key.Get(), kTwain, m_strTwainDs, kKeyText);
    const char* portValueName = m_bFamilyA ? kDeviceAddress : kPort;

    if (m_bNetworked) {
        log.Write("- Does the Ip need updating?");
        UpdateRegVar(key.Get(), discovery::kProductIpValue, m_strIpAddress, kKeyText);
        log.Write("- Does the HostName need updating?");
        UpdateRegVar(key.Get(), discovery::kProductHostValue, m_strHostName, kKeyText);
        log.Write("- Does the Mac address need updating?");
        UpdateRegVar(key.Get(), discovery::kProductMacValue, m_strHwAddress, kKeyText);
        log.Write("- Does the Connection type need updating?");
        UpdateRegVar(key.Get(), kConnectionType, kNetwork, kKeyText);
        log.Write("- Does the Port need updating?");
        UpdateRegVar(key.Get(), kPort, m_strPortName, kKeyText);

        std::string current;
        status = key.QueryString(portValueName, current);
        if (status != ERROR_SUCCESS) {
            LogRegistryError(log, status, Format("Read failed on %s", {portValueName}));
            return;
        }
        if (current.empty() || (ports::HoldsDot4Marker(current) && !m_strPortName.empty())) {
            log.Write("- Does the port key need updating?");
            UpdateRegVar(key.Get(), portValueName, m_strPortName, kKeyText);
        }
        return;
    }

    log.Write("- Does the main Ip address need updating?");
    UpdateRegVar(key.Get(), discovery::kProductIpValue, "", kKeyText);
    log.Write("- Does the main Hostname need updating?");
    UpdateRegVar(key.Get(), discovery::kProductHostValue, "", kKeyText);
    log.Write("- Does the Mac address need updating?");
    UpdateRegVar(key.Get(), discovery::kProductMacValue, "", kKeyText);
    log.Write("- Does the main connection type  need updating?");
    UpdateRegVar(key.Get(), kConnectionType, kDirect, kKeyText);
    log.Write("- Does the main port key need updating?");
    UpdateRegVar(key.Get(), portValueName, m_strPortName, kKeyText);
}
