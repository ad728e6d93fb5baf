// The imaging devices of the still-image class: which of them belong to the
// selected all-in-one, and the repair of their entries.
#include "app/Remendo.h"
#include "discovery/DiscoveryConstants.h"
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

// Log texts, word for word and spelling included: support staff search logs for them.
const char kCannotOpenClass[] = "Failed to open %s";
const char kCannotOpenDevice[] = "Failed to open %s Imaging key so skipping it";
const char kDescriptionLine[] = "\t%s\\%s = %s";
const char kCannotReadDescription[] = "Failed to read %s\\%s";
const char kFamilyARecognised[] = "\tAppears to be a 7105/7110/7120/7180";
const char kFamilyBRecognised[] = "\tAppears to be an 7250/7252/7255/7290/7292";
const char kFamilyCRecognised[] = "\tAppears to be a 6410/6420/6430";
const char kNotSupported[] = "\tDevice is not supported and user didn't specify anything";
const char kNotSelected[] = "\tAlthough this device is supported, it is not the one selected.";
const char kDeviceIdQuestion[] = "- Does the device id need updating?";
const char kCannotOpenData[] = "Failed to open %s\\%s key";
const char kCannotReadTwain[] = "Read failed on %s";
const char kCreateFileNameQuestion[] = "- Does the CreateFileName key need updating?";
const char kIpAddressQuestion[] = "- Does the IP address need updating?";
const char kHostNameQuestion[] = "- Does the Hostname need updating?";

// The families in the order the device repair compares descriptions, with
// the line that names a match.
struct DeviceFamily {
    const ProductFamily& family;
    const char* recognisedLine;
};

const DeviceFamily kDeviceFamilies[] = {
    {g_familyA, kFamilyARecognised},
    {g_familyB, kFamilyBRecognised},
    {g_familyC, kFamilyCRecognised},
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
    DebugLog log("EnumerateImagingClass", kRemendoSourceFile);
    RegistryKey classKey;
    LONG status = classKey.Open(HKEY_LOCAL_MACHINE, m_strImagingClassKey, KEY_READ);
    if (status != ERROR_SUCCESS) {
        LogRegistryError(log, status, Format(kCannotOpenClass, {m_strImagingClassKey}));
        return false;
    }
    std::string name;
    for (DWORD index = 0; classKey.EnumSubkey(index, name) == ERROR_SUCCESS; ++index)
        m_aImagingDevices.push_back(name);
    return true;
}

bool CRemendoApp::FixImagingDevice(std::string subkeyName)
{
    DebugLog log("FixImagingDevice", kRemendoSourceFile);
    RegistryKey deviceKey;
    std::string devicePath = Format("%s\\%s", {m_strImagingClassKey, subkeyName});
    LONG status = deviceKey.Open(HKEY_LOCAL_MACHINE, devicePath, KEY_ALL_ACCESS);
    if (status != ERROR_SUCCESS) {
        LogRegistryError(log, status, Format(kCannotOpenDevice, {subkeyName}));
        return false;
    }

    std::string description;
    status = deviceKey.QueryString(kDriverDesc, description);
    if (status == ERROR_SUCCESS)
        log.Write(Format(kDescriptionLine, {subkeyName, kDriverDesc, description}));
    else
        LogRegistryError(log, status, Format(kCannotReadDescription, {subkeyName, kDriverDesc}));

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
        log.Write(kNotSupported);
        return false;
    }
    for (const ProductFamily* selectable : {&g_familyC, &g_familyA, &g_familyB}) {
        if (m_strSeriesName == selectable->seriesName && recognised != selectable) {
            log.Write(kNotSelected);
            return false;
        }
    }

    if (m_bXpOrLater) {
        log.Write(kDeviceIdQuestion);
        UpdateRegVar(deviceKey.Get(), kDeviceId, std::string(discovery::kImagingClassGuid) + "\\" + subkeyName, subkeyName);
    }

    RegistryKey dataKey;
    std::string dataPath = Format("%s\\%s\\%s", {m_strImagingClassKey, subkeyName, kDeviceData});
    status = dataKey.Open(HKEY_LOCAL_MACHINE, dataPath, KEY_ALL_ACCESS);
    if (status != ERROR_SUCCESS) {
        LogRegistryError(log, status, Format(kCannotOpenData, {subkeyName, kDeviceData}));
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
        LogRegistryError(log, status, Format(kCannotReadTwain, {kTwainDs}));
    return true;
}

void CRemendoApp::FixNetworkedScanDevice(HKEY deviceKey, HKEY dataKey, const std::string& subkeyName)
{
    DebugLog log("FixNetworkedScanDevice", kRemendoSourceFile);
    log.Write(kCreateFileNameQuestion);
    UpdateRegVar(deviceKey, imaging::kCreateFileName, kAutoCreateFileName, subkeyName);
    log.Write(kIpAddressQuestion);
    UpdateRegVar(dataKey, kPortId, m_strIpAddress, subkeyName);
    log.Write(kHostNameQuestion);
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
