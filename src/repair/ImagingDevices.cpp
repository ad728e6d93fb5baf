// The imaging devices of the still-image class: which of them belong to the
// selected all-in-one, and the repair of their entries.
#include "app/Remendo.h"
#include "app/RunConstants.h"
#include "discovery/ProductFamily.h"
#include "log/DebugLog.h"
#include "log/Format.h"
#include "platform/RegistryKey.h"
#include "repair/ImagingValueNames.h"
#include "system/Service.h"
#include "system/ServiceNames.h"

namespace {
const char kDriverDesc[] = "DriverDesc";
const char kDeviceId[] = "DeviceID";
const char kDeviceData[] = "DeviceData";
const char kTwainDs[] = "TwainDS";
const char kAutoCreateFileName[] = "AUTO";
const char kPortId[] = "PortID";
const char kNetworkHostName[] = "NetworkHostName";
const char kTwainSuffix[] = " TWAIN";
const char kNotSelected[] = "\tAlthough this device is supported, it is not the one selected.";
// The families in the order the device repair compares descriptions, with
// the line that names a match.
struct DeviceFamily {
    const ProductFamily& family;
    const char* recognisedLine;
};

const DeviceFamily kDeviceFamilies[] = {
    {g_familyA, "\tAppears to be a 7105/7110/7120/7180"},
    {g_familyB, "\tAppears to be an 7250/7252/7255/7290/7292"},
    {g_familyC, "\tAppears to be a 6410/6420/6430"},
};

// A description names a family only when it equals one of its driver names whole.
bool DescribesFamily(const std::string& description, const ProductFamily& family)
{
    for (const std::string& driverName : family.driverNames) {
        if (description == driverName)
            return true;
    }
    return false;
}
}  // namespace

bool CRemendoApp::EnumerateImagingClass()
{
    DebugLog log("EnumerateImagingClass", run::kSourceFile);
    RegistryKey classKey;
    LONG status = classKey.Open(HKEY_LOCAL_MACHINE, m_strImagingClassKey, KEY_READ);
    if (status != ERROR_SUCCESS) {
        LogRegistryError(log, status, Format("Failed to open %s", {m_strImagingClassKey}));
        return false;
    }
    std::string name;
    for (DWORD index = 0; classKey.EnumSubkey(index, name) == ERROR_SUCCESS; ++index)
        m_aImagingDevices.push_back(name);
    return true;
}

bool CRemendoApp::FixImagingDevice(std::string subkeyName)
{
    DebugLog log("FixImagingDevice", run::kSourceFile);
    RegistryKey deviceKey;
    std::string devicePath = Format("%s\\%s", {m_strImagingClassKey, subkeyName});
    LONG status = deviceKey.Open(HKEY_LOCAL_MACHINE, devicePath, KEY_ALL_ACCESS);
    if (status != ERROR_SUCCESS) {
        LogRegistryError(log, status, Format("Failed to open %s Imaging key so skipping it", {subkeyName}));
        return false;
    }

    std::string description;
    status = deviceKey.QueryString(kDriverDesc, description);
    if (status == ERROR_SUCCESS)
        log.Write(Format("\t%s\\%s = %s", {subkeyName, kDriverDesc, description}));
    else
        LogRegistryError(log, status, Format("Failed to read %s\\%s", {subkeyName, kDriverDesc}));

    // The family this device's description names, if any (not the run's selection).
    const ProductFamily* recognised = nullptr;
    for (const DeviceFamily& candidate : kDeviceFamilies) {
        if (DescribesFamily(description, candidate.family)) {
            log.Write(candidate.recognisedLine);
            recognised = &candidate.family;
            break;
        }
    }

    if (m_strSeriesName.empty() && recognised == nullptr) {
        log.Write("\tDevice is not supported and user didn't specify anything");
        return false;
    }
    for (const ProductFamily* selectable : {&g_familyC, &g_familyA, &g_familyB}) {
        if (m_strSeriesName == selectable->seriesName && recognised != selectable) {
            log.Write(kNotSelected);
            return false;
        }
    }

    if (m_bXpOrLater) {
        log.Write("- Does the device id need updating?");
        UpdateRegVar(deviceKey.Get(), kDeviceId, std::string(run::kImagingClassGuid) + "\\" + subkeyName, subkeyName);
    }

    RegistryKey dataKey;
    std::string dataPath = Format("%s\\%s\\%s", {m_strImagingClassKey, subkeyName, kDeviceData});
    status = dataKey.Open(HKEY_LOCAL_MACHINE, dataPath, KEY_ALL_ACCESS);
    if (status != ERROR_SUCCESS) {
        LogRegistryError(log, status, Format("Failed to open %s\\%s key", {subkeyName, kDeviceData}));
        return false;
    }

    if (m_bNetworked)
        FixNetworkedScanDevice(deviceKey.Get(), dataKey.Get(), subkeyName);
    else
        FixDirectScanDevice(deviceKey.Get(), subkeyName);

    std::string twainDs;
    status = dataKey.QueryString(kTwainDs, twainDs);
    if (status == ERROR_SUCCESS)
        m_strTwainDs = m_bFamilyA ? twainDs + kTwainSuffix : twainDs;
    else
        LogRegistryError(log, status, Format("Read failed on %s", {kTwainDs}));
    return true;
}

void CRemendoApp::FixNetworkedScanDevice(HKEY deviceKey, HKEY dataKey, const std::string& subkeyName)
{
    DebugLog log("FixNetworkedScanDevice", run::kSourceFile);
    log.Write("- Does the CreateFileName key need updating?");
    UpdateRegVar(deviceKey, imaging::kCreateFileName, kAutoCreateFileName, subkeyName);
    log.Write("- Does the IP address need updating?");
    UpdateRegVar(dataKey, kPortId, m_strIpAddress, subkeyName);
    log.Write("- Does the Hostname need updating?");
    UpdateRegVar(dataKey, kNetworkHostName, m_strHostName, subkeyName);
    if (m_bWin9x)
        return;

    UpdateFiles();
    UpdateHostsEntry(m_strIpAddress, m_strHostName);
    if (UpdatePrinterIPandMac()) {
        ServiceControl spooler(services::kSpooler);
        spooler.Stop();
        if (spooler.Start() == 1)
            m_undoFile.NoteServiceRestarted(services::kSpooler);
    }
}
