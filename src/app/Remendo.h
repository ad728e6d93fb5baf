// The application object: the run state and the one repair run.
//
// This is the hub, and on purpose it spans folders: its members are the steps
// of the run, and each is defined beside the subsystem it belongs to (discovery/,
// repair/, system/, and app/ for the run itself). Those files include this
// header, the only include that runs from a subsystem up to app/; the names
// they share with the run are in log/ and discovery/. Everything else follows
// the layers, from the ground: platform/ (the interface and its types), log/,
// ui/ (the window framework and the two dialogs), the subsystems, app/; the
// backends and the tools stand on top.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ui/WinApp.h"
#include "log/UndoFile.h"
#include "platform/WinTypes.h"
#include "ui/ProgressDlg.h"

class DebugLog;

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

    // Scanner registry repairs
    //
    // UpdateRegVar is the one way a repair changes a registry value. It checks
    // the string value `valueName` of `key` (opened by the caller with
    // KEY_ALL_ACCESS, and closed by the caller) against `wanted`, rewrites it
    // when it differs (byte for byte), and writes exactly one answer line naming
    // the value "<keyText>\<valueName>"; the caller writes its question line
    // ("- Does ... need updating?") just before. A rewrite keeps the value's type
    // and sets m_bChangesMade. A missing or unreadable value (259 characters at
    // most are read) is never created; a value that is not a string (REG_SZ,
    // REG_EXPAND_SZ) is never rewritten and gets the "Couldn't fix" error line.
    // The wanted text may be of any length.
    void UpdateRegVar(HKEY key, const std::string& valueName, const std::string& wanted, const std::string& keyText);
    // A directly attached device (key opened with KEY_ALL_ACCESS by the caller):
    // its port value is set to m_strPortName, and other imaging devices on its
    // DOT4 scan channel are moved to "Dot4Scan<subkeyName>".
    void FixDirectScanDevice(HKEY deviceKey, const std::string& subkeyName);
    // The TCP/IP port named m_strPortName, in the maker's port monitor or else
    // in the system's, gets m_strIpAddress, m_strHwAddress and m_strHostName.
    // True when the port was found and its values checked (the caller then
    // restarts the spooler).
    bool UpdatePrinterIPandMac();

    // Discovery of the all-in-one and its connection
    bool DetermineInfo();
    void GetInfoFromPortMonitor();
    bool EnumeratePortMonitor(const std::string& portsKeyPath);
    bool GetInfoFromProduct();
    bool ResolveHostFromIP(const std::string& ip, std::string& host);
    bool PromptUserForInfo();

    // Imaging devices and the product key
    bool EnumerateImagingClass();
    bool FixImagingDevice(std::string subkeyName);
    void FixNetworkedScanDevice(HKEY deviceKey, HKEY dataKey, const std::string& subkeyName);
    void FixCvProductKey(std::string productKeyName);

    // System repairs
    // Rewrites every hosts-file line that names exactly one of the two as an
    // entry pairing the address with the host name (empty means unknown).
    void UpdateHostsEntry(const std::string& ipAddress, const std::string& hostName);
    // True when the two hosts lines are the same entry (see system/HostsLines.h).
    bool IsSameHostsEntry(std::string existingLine, std::string newLine);
    // Installs the scan DLLs shipped beside the executable where they are newer.
    void UpdateFiles();
    // Runs cvqmgr40.exe /UNREGSERVER then /REGSERVER; true when both ran and ended in time.
    bool ReInstallQMXService();
    // Starts regsvr32 on the selected family's scan DLL (not waited for).
    void RegisterScanDll();

    // Run state
    CProgressDlg m_dlgProgress;
    // What the run changed, as it goes: the way to put it back.
    UndoFile m_undoFile;
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
    // Run steps on the service control manager, written on the run's log scope.
    void EnsureSpoolerRuns(DebugLog& log);
    void CheckManagementService(DebugLog& log);

    void ShowStatus(UINT stringId);
    // Each returns the text it wrote ("" for none).
    std::string WriteVersionBanner(DebugLog& log);
    std::string WriteDateLine(DebugLog& log, const SYSTEMTIME& now);
    // Sets the family flag of one family and clears the others (all, for none).
    void SelectFamily(const struct ProductFamily* family);
    // Steps 12-14 of the run: false when the run ends here.
    bool ConfirmConnectionInfo(DebugLog& log);
    // Steps 15-20 of the run: false when the run ends here (no imaging device).
    bool RepairImagingDevices(DebugLog& log);
    // The product-key name of the selected family ("" when none is selected).
    std::string SelectedProductKeyName() const;
    void RewriteHostsFile(DebugLog& log, const std::string& ipAddress, const std::string& hostName);
    // How far the new hosts file got: not created, left incomplete by a
    // failure, or a complete copy that may replace the hosts file.
    enum class NewHostsFile { kNotCreated, kIncomplete, kComplete };
    NewHostsFile WriteUpdatedHosts(DebugLog& log, const std::string& hostsPath, const std::string& newPath,
                                   const std::string& ipAddress, const std::string& hostName, bool& rewroteLines);
    // False (logged) when the hosts file stays as it was.
    bool ReplaceHostsFile(DebugLog& log, const std::string& hostsPath, const std::string& newPath,
                          const std::string& newBackupPath, const std::string& backupPath);
    bool UpdateFile(DebugLog& log, const std::string& sourceDir, const char* fileName,
                    const char* destinationKind);
    bool UpdateIfNewer(DebugLog& log, const std::string& source, const std::string& destination);
    // False when the installed file stays in place and nothing is scheduled.
    bool ReplaceInstalledFile(DebugLog& log, const std::string& source, const std::string& destination);
};
