// The run's checks of the print spooler and of the maker's management service.
#include "app/Remendo.h"
#include "log/DebugLog.h"
#include "system/Service.h"
#include "system/ServiceNames.h"

namespace {
// Log texts, word for word and spelling included: support staff search logs for them.
const char kSpoolerQuestion[] = "- Is the spooler running?";
const char kSpoolerRuns[] = "--- Yes, spooler is already running";
const char kSpoolerStopped[] = "--- No, Can we start it?";
const char kSpoolerStarted[] = "------ Yes, spooler was just started ##### FIXED";
const char kSpoolerNotStarted[] = "No, the spooler could not be started";

const char kManagementQuestion[] = "- Is the QMX service installed and enabled?";
const char kManagementMissing[] = "--- No, QMX service needs to be installed";
const char kManagementUnreadable[] = "--- Unknown, QMX service installed but can't query it";
const char kManagementEnabled[] = "--- Yes, QMX service is installed and enabled";
const char kManagementMisconfigured[] = "--- No, QMX service configuration needs updating";
}  // namespace

void CRemendoApp::EnsureSpoolerRuns(DebugLog& log)
{
    log.Write(kSpoolerQuestion);
    ServiceControl spooler(services::kSpooler);
    // A status that cannot be read is taken to mean that the spooler runs.
    const SERVICE_STATUS* status = spooler.QueryStatus();
    if (status == nullptr || status->dwCurrentState == SERVICE_RUNNING) {
        log.Write(kSpoolerRuns);
        return;
    }
    log.Write(kSpoolerStopped);
    if (spooler.Start() == 1) {
        m_bChangesMade = true;
        log.Write(kSpoolerStarted);
    } else {
        log.Error(kSpoolerNotStarted);
    }
}

void CRemendoApp::CheckManagementService(DebugLog& log)
{
    log.Write(kManagementQuestion);
    ServiceControl management(services::kManagement);
    if (management.Exist() != 1) {
        m_bChangesMade = true;
        log.Write(kManagementMissing);
        m_undoFile.NoteServiceDidNotExist(services::kManagement);
        ReInstallQMXService();
        return;
    }
    const QUERY_SERVICE_CONFIGA* config = management.QueryServiceConfig();
    if (config == nullptr) {
        // Reinstalled, but not counted as a change: nothing is known to be wrong.
        // The start type it had is kept as its registry value holds it.
        m_undoFile.RecordStartTypeFromRegistry(services::kManagement, SERVICE_AUTO_START);
        log.Error(kManagementUnreadable);
        ReInstallQMXService();
        return;
    }
    if (config->dwStartType == SERVICE_AUTO_START) {
        log.Write(kManagementEnabled);
        return;
    }
    m_bChangesMade = true;
    // Registered again, the service starts automatically.
    m_undoFile.RecordStartType(services::kManagement, config->dwStartType, SERVICE_AUTO_START);
    log.Write(kManagementMisconfigured);
    ReInstallQMXService();
}
