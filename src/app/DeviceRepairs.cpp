// The run's repair stage: the imaging devices of the selected all-in-one,
// between stopping and starting the still-image service, then the product key.
#include "app/Remendo.h"
#include "discovery/DiscoveryConstants.h"
#include "discovery/ProductFamily.h"
#include "log/DebugLog.h"
#include "log/Format.h"
#include "system/Service.h"
#include "system/ServiceNames.h"
#include "ui/resource.h"

namespace {
// Log texts, word for word and spelling included: support staff search logs for them.
const char kDevicesQuestion[] = "- How many imaging devices are on this PC?";
const char kNoDevices[] = "None, failed to enumerate Imaging class";
const char kDevicesFound[] = "--- %d were found";
const char kStillImageStopped[] = "\tStopped the sti service";
const char kStillImageNotStopped[] = "Trouble stopping sti service";
const char kEnumeratingDevices[] = "\tLet's enumerate through each imaging device found on the PC";
const char kDeviceSeparator[] = " ";
const char kDoneEnumerating[] = "\tDone enumerating";
const char kStillImageNotStarted[] = "Trouble starting the sti service";
}  // namespace

std::string CRemendoApp::SelectedProductKeyName() const
{
    if (m_bFamilyA)
        return g_familyA.productKeyName;
    if (m_bFamilyC)
        return g_familyC.productKeyName;
    if (m_bFamilyB)
        return g_familyB.productKeyName;
    return std::string();
}

bool CRemendoApp::RepairImagingDevices(DebugLog& log)
{
    // 15. Where the imaging devices are registered.
    m_strImagingClassKey = m_bWin9x ? std::string(discovery::kImagingClassKey9x)
                                    : Format(discovery::kImagingClassKeyNtFormat, {discovery::kClassKeyNt, discovery::kImagingClassGuid});

    // 16. Without imaging devices there is nothing to repair.
    log.Write(kDevicesQuestion);
    StepProgress(IDS_LOOKING_FOR_DEVICES);
    EnumerateImagingClass();
    if (m_aImagingDevices.empty()) {
        log.Error(kNoDevices);
        return false;
    }
    log.Error(kDevicesFound, static_cast<int>(m_aImagingDevices.size()));

    // 17. The still-image service lets go of the devices while they are repaired.
    StepProgress(IDS_STOPPING_STI);
    if (!m_bWin9x) {
        ServiceControl stillImage(services::kStillImage);
        if (stillImage.Stop() != 0)
            log.Write(kStillImageStopped);
        else
            log.Error(kStillImageNotStopped);
    }

    // 18. Every device of the selected family.
    StepProgress(IDS_FIXING_IMAGING_KEYS);
    log.Write(kEnumeratingDevices);
    for (std::size_t index = 0; index < m_aImagingDevices.size(); ++index) {
        FixImagingDevice(m_aImagingDevices[index]);
        log.Write(kDeviceSeparator);
    }
    log.Write(kDoneEnumerating);

    // 19.
    FixCvProductKey(SelectedProductKeyName());

    // 20.
    StepProgress(IDS_STARTING_STI);
    if (!m_bWin9x) {
        ServiceControl stillImage(services::kStillImage);
        if (stillImage.Start() == 0)
            log.Error(kStillImageNotStarted);
        else
            m_undoFile.NoteServiceRestarted(services::kStillImage);
    }
    return true;
}
