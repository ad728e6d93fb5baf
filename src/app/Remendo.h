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

    // Discovery of the all-in-one and its connection
    bool DetermineInfo();
    void GetInfoFromPortMonitor();
    bool EnumeratePortMonitor(const std::string& portsKeyPath);
    bool GetInfoFromProduct();
    bool ResolveHostFromIP(const std::string& ip, std::string& host);
    bool PromptUserForInfo();

    // System repairs
    // Rewrites every hosts-file line that names exactly one of the two as an
    // entry pairing the address with the host name (empty means unknown).
    void UpdateHostsEntry(const std::string& ipAddress, const std::string& hostName);
    // True when the two hosts lines are the same entry (see HostsFile.cpp).
    bool IsSameHostsEntry(std::string existingLine, std::string newLine);
    // Installs the scan DLLs shipped beside the executable where they are newer.
    void UpdateFiles();

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
    // Sets the family flag of one family and clears the others (all, for none).
    void SelectFamily(const struct ProductFamily* family);
    // Steps 12-14 of the run: false when the run ends here.
    bool ConfirmConnectionInfo(class DebugLog& log);
    void RewriteHostsFile(class DebugLog& log, const std::string& ipAddress, const std::string& hostName);
    bool WriteUpdatedHosts(class DebugLog& log, const std::string& hostsPath, const std::string& newPath,
                           const std::string& ipAddress, const std::string& hostName);
    bool UpdateFile(class DebugLog& log, const std::string& sourceDir, const char* fileName,
                    const char* destinationKind);
    void ReplaceInstalledFile(class DebugLog& log, const std::string& source, const std::string& destination);
};
