// The direct-connection scan-port repair: the imaging device names the
// printer's port, and other imaging devices are moved off its DOT4 scan channel.
#include "app/Remendo.h"
#include "log/DebugLog.h"
#include "log/Format.h"
#include "platform/PortNames.h"
#include "platform/RegistryKey.h"
#include "repair/ImagingValueNames.h"

namespace {
const char kCreateFileNamePort[] = "CreateFileNamePort";
const char kMovedChannelFormat[] = "Dot4Scan%s";
const char kSubkeyFormat[] = "%s\\%s";

// Log texts, word for word and spelling included: support staff search logs for them.
const char kPortQuestion[] = "- Does the CreateFileNamePort need updating?";
const char kNameQuestion[] = "- Does the CreateFileName need updating?";
const char kOlderSystem[] = "On 2k or older so updating CreateFileName";
const char kDidNotFind[] = "Didn't find %s";
const char kCycling[] = "Cycling through the other CreateFileNames to fix contention issues";
const char kOpenFailed[] = "Failed to open %s key while enumerating for CreateFileName";
const char kReadFailed[] = "Read failed on %s\\%s";
const char kMoveOther[] = "Change the other product CreateFileName to something else";
}  // namespace

void CRemendoApp::FixDirectScanDevice(HKEY deviceKey, const std::string& subkeyName)
{
    DebugLog log("FixDirectScanDevice", kRemendoSourceFile);
    std::string channel;
    bool updateCreateFileName = true;
    if (m_bXpOrLater) {
        RegValueRead port = ReadRegValue(deviceKey, kCreateFileNamePort);
        if (port.status == ERROR_SUCCESS) {
            log.Write(kPortQuestion);
            UpdateRegVar(deviceKey, kCreateFileNamePort, m_strPortName, subkeyName);
            updateCreateFileName = false;
            RegValueRead name = ReadRegValue(deviceKey, imaging::kCreateFileName);
            if (name.status == ERROR_SUCCESS)
                channel = name.text;
            else
                LogRegistryError(log, name.status, Format(kDidNotFind, {imaging::kCreateFileName}));
        } else {
            LogRegistryError(log, port.status, Format(kDidNotFind, {kCreateFileNamePort}));
        }
    } else {
        log.Write(kOlderSystem);
    }
    if (updateCreateFileName) {
        log.Write(kNameQuestion);
        UpdateRegVar(deviceKey, imaging::kCreateFileName, m_strPortName, subkeyName);
    }

    log.Write(kCycling);
    if (channel.find(ports::kDot4ScanMarker) == std::string::npos)
        return;
    // Every other device on the same channel is moved to one named after this device.
    const std::string movedChannel = Format(kMovedChannelFormat, {subkeyName});
    for (std::size_t i = 0; i < m_aImagingDevices.size(); ++i) {
        const std::string otherName = m_aImagingDevices[i];
        if (otherName == subkeyName)
            continue;
        RegistryKey otherKey;
        LONG status =
            otherKey.Open(HKEY_LOCAL_MACHINE, Format(kSubkeyFormat, {m_strImagingClassKey, otherName}), KEY_ALL_ACCESS);
        if (status != ERROR_SUCCESS) {
            LogRegistryError(log, status, Format(kOpenFailed, {otherName}));
            continue;
        }
        RegValueRead otherChannel = ReadRegValue(otherKey.Get(), imaging::kCreateFileName);
        if (otherChannel.status != ERROR_SUCCESS) {
            LogRegistryError(log, otherChannel.status, Format(kReadFailed, {otherName, imaging::kCreateFileName}));
            continue;
        }
        if (otherChannel.text != channel)
            continue;
        log.Write(kMoveOther);
        UpdateRegVar(otherKey.Get(), imaging::kCreateFileName, movedChannel,
                     Format(kSubkeyFormat, {otherName, imaging::kCreateFileName}));
    }
}
