// The application object: the run state and the one repair run.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/WinApp.h"
#include "ui/ProgressDlg.h"

class CRemendoApp : public CWinApp {
public:
    CRemendoApp();
    ~CRemendoApp() override;

    // The whole run, synchronously; always FALSE (no message loop follows).
    BOOL InitInstance() override;

    // Advances the progress bar by 8 and shows a string-table text.
    void StepProgress(UINT stringId);

    // Environment checks
    void SetupOs();
    bool RunningAsAdministrator();

    // Run state
    CProgressDlg m_dlgProgress;
    std::map<std::string, std::string> m_mapPrinterPorts;
    std::vector<std::string> m_aImagingDevices;
    std::string m_strSeriesName;
    std::string m_strImagingClassKey;
    std::string m_strExeDir;
    std::string m_strIpAddress;
    std::string m_strPortName;
    std::string m_strHostName;
    std::string m_strHwAddress;
    std::string m_strTwainDs;
    std::string m_strPrinterName;
    int m_nProgressPos = 0;
    bool m_bNetworked = false;
    bool m_bChangesMade = false;
    bool m_bXpOrLater = false;
    bool m_bWin9x = false;
    bool m_bRebootNeeded = false;
    bool m_bFamilyA = false;
    bool m_bFamilyC = false;
    bool m_bFamilyB = false;

private:
    void ShowStatus(UINT stringId);
    void WriteVersionBanner(class DebugLog& log);
    void WriteDateLine(class DebugLog& log);
};
