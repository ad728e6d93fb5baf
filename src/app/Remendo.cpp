#include "app/Remendo.h"

#include <algorithm>
#include <ctime>

#include "app/RunConstants.h"
#include "log/DebugLog.h"
#include "log/Format.h"
#include "platform/Owned.h"
#include "platform/WinApi.h"
#include "system/FileVersion.h"
#include "ui/resource.h"

namespace {
// Log texts, word for word and spelling included: support staff search logs for them.
const char kBannerFormat[] = "Remendo version %d.%d";
const char kDateFormat[] = "%A, %B %d, %Y at %H:%M";
const char kAdministratorQuestion[] = "- Do we have administrator privileges?";
const char kNotAdministrator[] = "No, we don't administrator privileges";
const char kAdministrator[] = "--- Yes, we have administrator privileges";

// Holds the single-instance mapping until the run lets it go.
class InstanceGuard {
public:
    InstanceGuard()
        : m_mapping(Win().CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READONLY, 0,
                                             run::kInstanceMappingSize, run::kInstanceMappingName)),
          m_bOtherInstance(Win().GetLastError() == ERROR_ALREADY_EXISTS)
    {
    }

    bool OtherInstanceRuns() const { return m_bOtherInstance; }
    void Close() { m_mapping.Close(); }

private:
    KernelHandle m_mapping;
    bool m_bOtherInstance;
};
}  // namespace

CRemendoApp::CRemendoApp()
{
    m_bChangesMade = false;
    m_bRebootNeeded = false;
}

CRemendoApp::~CRemendoApp() = default;

std::string CRemendoApp::WriteVersionBanner(DebugLog& log)
{
    std::string fileName = std::string(run::kVersionFileBase) + run::kVersionFileExtension;
    FileVersion version;
    if (!ReadFileVersion(fileName, version))
        return std::string();
    int major = HIWORD(version.dwFileVersionMS);
    int minor = LOWORD(version.dwFileVersionMS);
    std::string banner = Format(kBannerFormat, {major, minor});
    log.Write(banner);
    return banner;
}

std::string CRemendoApp::WriteDateLine(DebugLog& log, const SYSTEMTIME& now)
{
    std::tm when = {};
    when.tm_year = now.wYear - 1900;
    when.tm_mon = now.wMonth - 1;
    when.tm_mday = now.wDay;
    when.tm_wday = now.wDayOfWeek;
    when.tm_hour = now.wHour;
    when.tm_min = now.wMinute;
    when.tm_sec = now.wSecond;
    char text[128] = {};
    std::strftime(text, sizeof text, kDateFormat, &when);
    log.Write(text);
    return text;
}

BOOL CRemendoApp::InitInstance()
{
    // 1. Common controls: the progress bar and the IP address control.
    INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX),
                                     ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_INTERNET_CLASSES};
    Win().InitCommonControlsEx(&controls);

    // 2. A second instance leaves at once: nothing logged, nothing shown.
    InstanceGuard guard;
    if (guard.OtherInstanceRuns())
        return FALSE;

    // 3-4. The log next to the executable, started afresh.
    m_strExeDir = ProgramDirectory();
    std::string logPath = Format(run::kLogPathFormat, {m_strExeDir, run::kLogBaseName, run::kLogExtension});
    Win().DeleteFileA(logPath.c_str());
    DebugLog log("InitInstance", kRemendoSourceFile, logPath);
    DebugLog::SetLevel(1);
    DebugLog::SetErrorBoxes(nullptr);  // errors go to the log only

    // 5-6. Banner and date; they also name the run in its undo file.
    SYSTEMTIME started = {};
    Win().GetLocalTime(&started);
    std::vector<std::string> runLines;
    std::string banner = WriteVersionBanner(log);
    if (!banner.empty())
        runLines.push_back(banner);
    runLines.push_back(WriteDateLine(log, started));
    m_undoFile.BeginRun(started, runLines);

    // 7. Progress window.
    m_dlgProgress.Create(IDD_PROGRESS, nullptr);
    m_dlgProgress.ShowWindow(SW_SHOW);
    m_pMainWnd = &m_dlgProgress;
    m_nProgressPos = run::kProgressFirst;
    ShowStatus(IDS_INITIALIZING);

    // 8. Operating system.
    SetupOs();

    // 9. Administrator check (NT family only).
    if (!m_bWin9x) {
        log.Write(kAdministratorQuestion);
        if (!RunningAsAdministrator()) {
            log.Error(kNotAdministrator);
            AfxMessageBox(run::kNotAdministratorMessage, MB_OK);
            return FALSE;
        }
        log.Write(kAdministrator);
    }

    // 10. The spooler must run (NT family only).
    if (!m_bWin9x)
        EnsureSpoolerRuns(log);

    // 11.
    StepProgress(IDS_SEARCHING);

    // 12-14. Discovery, then the user's confirmation or answers.
    if (!ConfirmConnectionInfo(log))
        return FALSE;

    // 15-20. The imaging devices and the product key.
    if (!RepairImagingDevices(log))
        return FALSE;

    // 21. The management service must be installed and start automatically (NT family only).
    StepProgress(IDS_CHECKING_QMX);
    if (!m_bWin9x)
        CheckManagementService(log);

    // 22.
    StepProgress(IDS_REREGISTERING_DLLS);
    RegisterScanDll();
    guard.Close();
    m_dlgProgress.m_ctlProgress.SendMessage(PBM_SETPOS, run::kProgressLast, 0);
    m_dlgProgress.DestroyWindow();

    // 23. Final report.
    UINT finalMessage = IDS_COMPLETED;
    if (m_bChangesMade)
        finalMessage = m_bRebootNeeded ? IDS_CHANGES_REBOOT : IDS_CHANGES_MADE;
    AfxMessageBox(finalMessage, MB_OK);
    return FALSE;
}
