// End-to-end: the whole repair of a networked family B all-in-one whose
// imaging device, product key and hosts entry still describe an old address,
// and whose installed scan DLL is older than the one shipped beside the utility.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MachineSetup.h"
#include "discovery/DiscoveryConstants.h"
#include "RemendoE2E.h"
#include "UiAutomation.h"

namespace {
const char kPort[] = "IP_10.0.0.25";
const char kQuestion[] = "Found CV Quillray 7250 networked at 10.0.0.25 using cvq7250, Continue with this information?";
const char kDeviceKey[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000";
const char kDeviceDataKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000\\DeviceData";
const char kProductKey[] = "SOFTWARE\\Corvane\\CV_Quillray_7250_7252_7255_7290\\Port";
// The entry of this device is stale; the others only look alike (a longer
// address, a longer name) and must stay as they are.
const char kStaleHosts[] =
    "# hosts of the test machine\r\n"
    "127.0.0.1       localhost\r\n"
    "10.0.0.20\tcvq7250\r\n"
    "10.0.0.250      plotter\r\n"
    "10.0.0.26\tcvq7250-scan\r\n";
const char kRepairedHosts[] =
    "# hosts of the test machine\r\n"
    "127.0.0.1       localhost\r\n"
    "10.0.0.25\tcvq7250\r\n"
    "10.0.0.250      plotter\r\n"
    "10.0.0.26\tcvq7250-scan\r\n";
const char kOldDeviceId[] = "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0003";
const char kNewDeviceId[] = "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000";
// The registry values of the repair, before and after it: the imaging
// device's, then the product key's.
struct RepairedValue {
    const char* key;
    const char* name;
    const char* stale;
    const char* repaired;
};
const RepairedValue kRepairedValues[] = {
    {kDeviceKey, "DeviceID", kOldDeviceId, kNewDeviceId},
    {kDeviceKey, "CreateFileName", "\\\\.\\Dot4Scan001", "AUTO"},
    {kDeviceDataKey, "PortID", "10.0.0.20", "10.0.0.25"},
    {kDeviceDataKey, "NetworkHostName", "cvq7250-old", "cvq7250"},
    {kDeviceDataKey, "TwainDS", "CV Quillray 7250 TWAIN", "CV Quillray 7250 TWAIN"},
    {kProductKey, "IP Address", "10.0.0.20", "10.0.0.25"},
    {kProductKey, "Hostname", "cvq7250-old", "cvq7250"},
    {kProductKey, "MAC Address", "0010B5A1C2D3", "0010B5A1C2D3"},
    {kProductKey, "Connection Type", "Direct", "Network"},
    {kProductKey, "Port", "DOT4_001", kPort},
    {kProductKey, "TWAIN", "CV Quillray 7250 TWAIN", "CV Quillray 7250 TWAIN"},
};
const char kOlderVersion[] = "1.0.0.0";
const char kNewerVersion[] = "2.0.0.0";
const DWORD kProgramTimeoutMs = 120000;

// The Windows the test's prefix presents (REMENDO_WINE_WINDOWS, see wine-run):
// the version line the run logs, as Wine reports each to the exe's manifest,
// and whether the run counts it as XP or later. That test looks at the minor
// number alone, so Vista (6.0) takes the branch of Windows 2000 and older.
struct PresentedWindows {
    const char* name;
    const char* versionLine;
    bool xpOrLater;
};
const PresentedWindows kPresentedWindows[] = {
    {"winxp", "Remendo: SetupOs> --- Major Version: 5, Minor Version: 1, Build: 2600, Platform: 2, Service Pack 3",
     true},
    {"win2k", "Remendo: SetupOs> --- Major Version: 5, Minor Version: 0, Build: 2195, Platform: 2, Service Pack 4",
     false},
    {"winxp64", "Remendo: SetupOs> --- Major Version: 5, Minor Version: 2, Build: 3790, Platform: 2, Service Pack 2",
     true},
    {"vista", "Remendo: SetupOs> --- Major Version: 6, Minor Version: 0, Build: 6002, Platform: 2, Service Pack 2",
     false},
    {"win7", "Remendo: SetupOs> --- Major Version: 6, Minor Version: 1, Build: 7601, Platform: 2, Service Pack 1",
     true},
    {"win8", "Remendo: SetupOs> --- Major Version: 6, Minor Version: 2, Build: 9200, Platform: 2, ", true},
    {"win10", "Remendo: SetupOs> --- Major Version: 6, Minor Version: 2, Build: 9200, Platform: 2, ", true},
};

// The name of the Windows this run's prefix presents (REMENDO_WINE_WINDOWS);
// "" for Wine's default, on which every other test runs too.
std::string PresentedWindowsName()
{
    char name[32] = {};
    DWORD length = ::GetEnvironmentVariableA("REMENDO_WINE_WINDOWS", name, sizeof name);
    return length > 0 && length < sizeof name ? std::string(name, length) : std::string();
}

// The entry of the Windows this run's prefix presents; nullptr for Wine's default.
const PresentedWindows* Presented()
{
    std::string name = PresentedWindowsName();
    if (name.empty())
        return nullptr;
    for (const PresentedWindows& windows : kPresentedWindows) {
        if (windows.name == name)
            return &windows;
    }
    ADD_FAILURE() << "no expectations for the Windows " << name;
    return nullptr;
}

class NetworkRepair : public RemendoE2E {
protected:
    bool PrepareMachine(std::string* error) override
    {
        m_hosts = SystemDirectory() + "\\drivers\\etc\\hosts";
        m_installedDll = SystemDirectory() + "\\cvqscan3.dll";
        m_shippedDll = m_dir + "cvqscan3.dll";
        ::DeleteFileA((m_hosts + ".bak").c_str());
        ::DeleteFileA((SystemDirectory() + "\\cvqscan3.bak").c_str());
        return PrepareHealthyDirectMachine(error) &&
               InstallOnlyPrinter({"CV Quillray 7250", kPort, "CV Quillray 7250 RVX"}, error) &&
               DescribeStandardTcpIpPort(kPort,
                                         {{"IPAddress", "10.0.0.25"},
                                          {"HWAddress", "0010B5A1C2D3"},
                                          {"HostName", "cvq7250"}},
                                         error) &&
               InstallOnlyImagingDevice({{"DriverDesc", "CV Quillray 7250"},
                                         {"DeviceID", kOldDeviceId},
                                         {"CreateFileName", "\\\\.\\Dot4Scan001"}},
                                        {{"TwainDS", "CV Quillray 7250 TWAIN"},
                                         {"PortID", "10.0.0.20"},
                                         {"NetworkHostName", "cvq7250-old"}},
                                        error) &&
               SetStrings(kProductKey,
                          {{"TWAIN", "CV Quillray 7250 TWAIN"},
                           {"IP Address", "10.0.0.20"},
                           {"MAC Address", "0010B5A1C2D3"},
                           {"Hostname", "cvq7250-old"},
                           {"Connection Type", "Direct"},
                           {"Port", "DOT4_001"}},
                          error) &&
               Check(WriteBytes(m_hosts, kStaleHosts), "writing " + m_hosts, error) &&
               Check(::CopyFileA(WindowsPath(Programs().olderScanDll).c_str(), m_installedDll.c_str(), FALSE),
                     "installing the older scan DLL", error) &&
               Check(::CopyFileA(WindowsPath(Programs().newerScanDll).c_str(), m_shippedDll.c_str(), FALSE),
                     "shipping the newer scan DLL", error);
    }

    static bool Check(bool ok, const std::string& what, std::string* error)
    {
        if (!ok)
            *error = what + " failed with error " + std::to_string(::GetLastError());
        return ok;
    }

    // The device, product-key and hosts repairs every networked run of this
    // machine makes; the device id only on a Windows counted as XP or later.
    void ExpectDeviceProductKeyAndHostsRepaired()
    {
        const PresentedWindows* windows = Presented();
        bool xpOrLater = windows == nullptr || windows->xpOrLater;
        if (windows != nullptr) {
            EXPECT_TRUE(Logged(windows->versionLine)) << Joined(LogLines());
        }
        EXPECT_EQ(Logged("Remendo: FixImagingDevice> - Does the device id need updating?"), xpOrLater);
        EXPECT_EQ(Logged("Remendo: UpdateRegVar> --- Yes, changed 0000\\DeviceID from " + std::string(kOldDeviceId) +
                         " to " + kNewDeviceId + " ##### FIXED"),
                  xpOrLater);
        ExpectRegistryValues(kRepaired, xpOrLater);

        std::string hosts, backup;
        EXPECT_TRUE(ReadBytes(m_hosts, &hosts));
        EXPECT_EQ(hosts, kRepairedHosts);
        EXPECT_TRUE(ReadBytes(m_hosts + ".bak", &backup));
        EXPECT_EQ(backup, kStaleHosts);

        // The hosts lines are logged as read, with their line feed.
        EXPECT_EQ(
            MissingInOrder(
                LogLines(),
                {"Remendo: InitInstance> --- Yes, let's fix it!",
                 "Remendo: FixImagingDevice> \t0000\\DriverDesc = CV Quillray 7250",
                 "Remendo: FixImagingDevice> \tAppears to be an 7250/7252/7255/7290/7292",
                 "Remendo: UpdateRegVar> --- Yes, changed 0000\\CreateFileName from \\\\.\\Dot4Scan001 to AUTO "
                 "##### FIXED",
                 "Remendo: UpdateRegVar> --- Yes, changed 0000\\PortID from 10.0.0.20 to 10.0.0.25 ##### FIXED",
                 "Remendo: UpdateRegVar> --- Yes, changed 0000\\NetworkHostName from cvq7250-old to cvq7250 "
                 "##### FIXED",
                 "Remendo: UpdateHostsEntry> \tupdating hosts entry from:",
                 "Remendo: UpdateHostsEntry> \t\t10.0.0.20\tcvq7250\n",
                 "Remendo: UpdateHostsEntry> \tto",
                 "Remendo: UpdateHostsEntry> \t\t10.0.0.25\tcvq7250\n",
                 "Remendo: UpdateHostsEntry> --- Done updating the Host file",
                 "Remendo: UpdateRegVar> --- No, IP_10.0.0.25\\IPAddress as expected (10.0.0.25), leaving as is",
                 "Remendo: InitInstance> \tDone enumerating",
                 "Remendo: UpdateRegVar> --- Yes, changed Port\\IP Address from 10.0.0.20 to 10.0.0.25 ##### FIXED",
                 "Remendo: UpdateRegVar> --- Yes, changed Port\\Hostname from cvq7250-old to cvq7250 ##### FIXED",
                 "Remendo: UpdateRegVar> --- No, Port\\MAC Address as expected (0010B5A1C2D3), leaving as is",
                 "Remendo: UpdateRegVar> --- Yes, changed Port\\Connection Type from Direct to Network ##### FIXED",
                 "Remendo: UpdateRegVar> --- Yes, changed Port\\Port from DOT4_001 to IP_10.0.0.25 ##### FIXED",
                 "Remendo: InitInstance> --- Yes, QMX service is installed and enabled",
                 "Remendo: RegisterScanDll> --- Yes, successfully registered scan dll"}),
            "");
    }

    // The repair's registry values as they stand before it (kStale) or after
    // it (kRepaired); the device id is left stale where the run leaves it.
    enum State { kStale, kRepaired };
    void ExpectRegistryValues(State state, bool deviceIdRepaired = true)
    {
        for (const RepairedValue& value : kRepairedValues) {
            bool repaired = state == kRepaired && (deviceIdRepaired || value.name != std::string("DeviceID"));
            EXPECT_EQ(RegistryString(value.key, value.name), repaired ? value.repaired : value.stale)
                << value.key << " " << value.name;
        }
    }

    // The runs' undo files, in the store.
    std::vector<std::string> UndoFiles() const { return UndoFilesInStore(); }

    void ExpectUpdateAtRestartWhileInUse(const std::string& fileInUse, const std::vector<std::string>& expectedLines);
    void ExpectRepairPutBack();

    std::string m_hosts;
    std::string m_installedDll;
    std::string m_shippedDll;
};

// Holds a file open the way a program using it would, without letting it be
// renamed or deleted (no FILE_SHARE_DELETE): a rename of it fails with
// ERROR_SHARING_VIOLATION, on Windows and under Wine alike.
class FileInUse {
public:
    explicit FileInUse(const std::string& path)
        : m_file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~FileInUse() { Release(); }
    FileInUse(const FileInUse&) = delete;
    FileInUse& operator=(const FileInUse&) = delete;
    bool Held() const { return m_file != INVALID_HANDLE_VALUE; }
    void Release()
    {
        if (m_file != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_file;
};

// Runs a program of the system and waits for its end.
bool RunAndWait(const std::string& program, std::string commandLine, std::string* error)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        *error = "starting " + program + " failed with error " + std::to_string(::GetLastError());
        return false;
    }
    bool ended = ::WaitForSingleObject(process.hProcess, kProgramTimeoutMs) == WAIT_OBJECT_0;
    if (!ended) {
        ::TerminateProcess(process.hProcess, 1);
        *error = commandLine + " did not end in time";
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return ended;
}

// Wine's restart: carries out the renames scheduled for the next reboot.
bool RestartWine(std::string* error)
{
    return RunAndWait(SystemDirectory() + "\\wineboot.exe", "wineboot.exe -r", error);
}

bool RunsUnderWow64()
{
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

// The 64-bit cmd.exe an administrator gets on 64-bit Windows (a 32-bit
// program reaches it through Sysnative), or the only one there is.
std::string AdministratorsCmd()
{
    if (RunsUnderWow64()) {
        char windows[MAX_PATH] = {};
        ::GetWindowsDirectoryA(windows, MAX_PATH);
        return std::string(windows) + "\\Sysnative\\cmd.exe";
    }
    return SystemDirectory() + "\\cmd.exe";
}

// What support staff do with an undo file, in an elevated prompt: regedit /s
// (the regedit of the prompt's own view), then each copy line, in order.
bool ApplyAsAdministrator(const std::string& undoFile, std::string* error)
{
    std::string cmd = AdministratorsCmd();
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    if (!RunAndWait(cmd, "cmd.exe /c " + std::string(windows) + "\\regedit.exe /s \"" + undoFile + "\"", error))
        return false;
    // UTF-16LE after its byte-order mark, or the REGEDIT4 form of the oldest
    // Windows, 8-bit.
    std::string bytes, line;
    if (!ReadBytes(undoFile, &bytes)) {
        *error = "cannot read " + undoFile;
        return false;
    }
    const bool wide = bytes.compare(0, 2, "\xFF\xFE") == 0;
    const std::size_t unit = wide ? 2 : 1;
    const std::string copyLine = "; copy /y ";
    for (std::size_t i = wide ? 2 : 0; i + unit - 1 < bytes.size(); i += unit) {
        if (bytes[i] != '\n') {
            if (bytes[i] != '\r')
                line += bytes[i];
            continue;
        }
        if (line.compare(0, copyLine.size(), copyLine) == 0 && !RunAndWait(cmd, "cmd.exe /c " + line.substr(2), error))
            return false;
        line.clear();
    }
    return true;
}

// Whether the key exists in the registry view the program does not see.
bool InTheOtherView(const std::string& keyPath)
{
    // A 32-bit Windows has one view.
    if (sizeof(void*) != 8 && !RunsUnderWow64())
        return false;
    REGSAM otherView = RunsUnderWow64() ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ | otherView, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

// The machine as it was before the repair, after an undo: the registry values
// in the view the run saw, the hosts file and the older scan DLL.
void NetworkRepair::ExpectRepairPutBack()
{
    ExpectRegistryValues(kStale);
    EXPECT_FALSE(InTheOtherView(kProductKey)) << "the undo wrote the product key into the other registry view";
    std::string hosts;
    ASSERT_TRUE(ReadBytes(m_hosts, &hosts));
    EXPECT_EQ(hosts, kStaleHosts);
    EXPECT_EQ(FileVersionText(m_installedDll), kOlderVersion);
}

TEST_F(NetworkRepair, StaleEntriesAreRepairedAndTheNewerScanDllReplacesTheInstalledOne)
{
    ASSERT_EQ(FileVersionText(m_installedDll), kOlderVersion);
    Start();
    RunToCompletion(kQuestion, kChangesMadeMessage);

    ExpectDeviceProductKeyAndHostsRepaired();
    EXPECT_EQ(FileVersionText(m_installedDll), kNewerVersion);
    EXPECT_EQ(FileVersionText(SystemDirectory() + "\\cvqscan3.bak"), kOlderVersion);
    EXPECT_EQ(::GetFileAttributesA(m_shippedDll.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the shipped DLL was copied, not moved";
    EXPECT_EQ(MissingInOrder(LogLines(),
                             {"Remendo: UpdateFiles> Trying to copy '" + m_shippedDll + "' to '" + m_installedDll + "'",
                              "Remendo: UpdateFiles> Src file version 2.0.0.0",
                              "Remendo: UpdateFiles> dst file version 1.0.0.0",
                              "Remendo: UpdateFiles> - Trying to update: " + m_installedDll,
                              "Remendo: UpdateFiles> --- Updated file by renaming old file and moving newer file "
                              "in place"}),
              "");

    // regedit puts back every value the run changed, and leaves the others.
    CompareWithSimulation();
    std::vector<std::string> undoFiles = UndoFiles();
    ASSERT_EQ(undoFiles.size(), 1u);
    std::string error;
    ASSERT_TRUE(ApplyAsAdministrator(undoFiles[0], &error)) << error;
    // The copy lines put back the hosts file and the older scan DLL.
    ExpectRepairPutBack();
}

// Who the folder's access list lets write, append, delete, or change its
// permissions or owner, other than the system and Administrators; "" for none.
std::string OthersWhoMayChange(const std::string& folder)
{
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                nullptr, &descriptor) != ERROR_SUCCESS)
        return "its permissions cannot be read";
    std::string others = dacl == nullptr ? "everyone (no access list)" : "";
    const DWORD changing = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                           WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!::GetAce(dacl, i, reinterpret_cast<void**>(&ace)) || ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE ||
            !(ace->Mask & changing))
            continue;
        char* sid = nullptr;
        if (::ConvertSidToStringSidA(&ace->SidStart, &sid)) {
            std::string text = sid;
            ::LocalFree(sid);
            if (text == "S-1-1-0" || text == "S-1-5-32-545" || text == "S-1-5-11")
                others += text + " ";
        }
    }
    ::LocalFree(descriptor);
    return others;
}

// The store's two folders (OUTER and OUTER\Undo), made before any run with
// full control for everyone. Wine reads back the rights given to everyone
// only once they are set on the folder made.
void MakeStoreFoldersEveryoneMayChange(const std::string& outer)
{
    PSECURITY_DESCRIPTOR everyone = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;FA;;;WD)", SDDL_REVISION_1,
                                                                       &everyone, nullptr));
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, everyone, FALSE};
    for (const std::string& folder : {outer, outer + "\\Undo"}) {
        ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), &attributes)) << folder;
        ASSERT_TRUE(::SetFileSecurityA(folder.c_str(), DACL_SECURITY_INFORMATION, everyone)) << folder;
    }
    ::LocalFree(everyone);
}

// A folder at the store's place that everyone may change, made before the
// first run, is moved aside whole; the run makes its store afresh, for
// administrators alone. (Wine keeps no owners: its access list is the check.)
TEST_F(NetworkRepair, AStoreFolderOthersMayChangeIsMovedAsideAndTheNewOneIsForAdministratorsAlone)
{
    // A folder of the common application data folder is not captured.
    m_replayOnSimulation = false;
    std::string outer = UndoStoreOuterFolder();
    ASSERT_FALSE(outer.empty());
    outer.pop_back();
    ASSERT_NO_FATAL_FAILURE(MakeStoreFoldersEveryoneMayChange(outer));
    const std::string planted = "\\Undo\\Remendo-undo-99-20990101-000000.reg";
    ASSERT_TRUE(WriteBytes(outer + planted, "planted"));
    ASSERT_NE(OthersWhoMayChange(outer), "");

    Start();
    RunToCompletion(kQuestion, kChangesMadeMessage);

    ExpectDeviceProductKeyAndHostsRepaired();
    EXPECT_EQ(MissingInOrder(LogLines(), {"DebugLog: UndoFile> " + outer +
                                          " is no folder only administrators can change (S-1-1-0 may change it or "
                                          "what it holds): moved it aside to " +
                                          outer + ".untrusted"}),
              "");
    std::string plantedBytes;
    EXPECT_TRUE(ReadBytes(outer + ".untrusted" + planted, &plantedBytes) && plantedBytes == "planted")
        << "the folder was not moved aside whole";
    std::vector<std::string> undoFiles = UndoFiles();
    ASSERT_EQ(undoFiles.size(), 1u);
    EXPECT_NE(undoFiles[0].find("\\Remendo-undo-1-"), std::string::npos) << "the first run's number: " << undoFiles[0];
    EXPECT_EQ(OthersWhoMayChange(outer), "");
    EXPECT_EQ(OthersWhoMayChange(UndoStore()), "");
    std::string error;
    ASSERT_TRUE(ApplyAsAdministrator(undoFiles[0], &error)) << error;
    ExpectRepairPutBack();
}

// The run reads registry text through the ANSI calls, which make "?" of a
// character outside the code page; its undo reads the value again through the
// wide call, so regedit puts back what was really there.
TEST_F(NetworkRepair, UndoPutsBackTextOutsideTheCodePage)
{
    // A machine folder holds Latin-1 text only: this machine has no replay.
    m_replayOnSimulation = false;
    const std::wstring hostname = L"cvq7250-\x65E5\x672C";
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_SET_VALUE | KEY_QUERY_VALUE, &key),
              ERROR_SUCCESS);
    std::unique_ptr<HKEY__, decltype(&::RegCloseKey)> closeKey(key, ::RegCloseKey);
    ASSERT_EQ(::RegSetValueExW(key, L"Hostname", 0, REG_SZ, reinterpret_cast<const BYTE*>(hostname.c_str()),
                               static_cast<DWORD>((hostname.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    Start();
    RunToCompletion(kQuestion, kChangesMadeMessage);
    EXPECT_EQ(RegistryString(kProductKey, "Hostname"), "cvq7250");

    std::vector<std::string> undoFiles = UndoFiles();
    ASSERT_EQ(undoFiles.size(), 1u);
    std::string error;
    ASSERT_TRUE(ApplyAsAdministrator(undoFiles[0], &error)) << error;
    wchar_t restored[64] = {};
    DWORD size = sizeof restored - sizeof(wchar_t);
    ASSERT_EQ(::RegQueryValueExW(key, L"Hostname", nullptr, nullptr, reinterpret_cast<BYTE*>(restored), &size),
              ERROR_SUCCESS);
    EXPECT_TRUE(restored == hostname) << "the undo put back other text, " << size << " bytes";
}

// A file in use cannot be moved: the run schedules the update for the
// restart, keeps the older DLL installed until then, and Wine's restart puts
// the newer one in place.
void NetworkRepair::ExpectUpdateAtRestartWhileInUse(const std::string& fileInUse,
                                                    const std::vector<std::string>& expectedLines)
{
    FileInUse inUse(fileInUse);
    ASSERT_TRUE(inUse.Held()) << "cannot open " << fileInUse << ": error " << ::GetLastError();
    Start();
    RunToCompletion(kQuestion, kChangesRebootMessage);
    inUse.Release();
    // Before Wine's restart carries out the moves.
    CompareWithSimulation();

    ExpectDeviceProductKeyAndHostsRepaired();
    EXPECT_EQ(MissingInOrder(LogLines(), expectedLines), "");
    EXPECT_EQ(FileVersionText(m_installedDll), kOlderVersion);
    EXPECT_EQ(FileVersionText(m_shippedDll), kNewerVersion);

    std::string error;
    ASSERT_TRUE(RestartWine(&error)) << error;
    EXPECT_EQ(FileVersionText(m_installedDll), kNewerVersion);
    EXPECT_EQ(::GetFileAttributesA(m_shippedDll.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(NetworkRepair, InstalledScanDllInUseIsReplacedAtTheRestart)
{
    ExpectUpdateAtRestartWhileInUse(m_installedDll,
                                    {"Remendo: UpdateFiles> - Trying to update: " + m_installedDll,
                                     "Remendo: UpdateFiles> --- Need to update the file on the next reboot",
                                     "Remendo: UpdateHostsEntry> - Starting to update the Host file"});
}

// The installed DLL could be moved aside but the shipped one not moved in: the
// installed one goes back, so scanning never lacks its DLL before the restart.
TEST_F(NetworkRepair, ShippedScanDllInUseLeavesTheInstalledOneInPlaceUntilTheRestart)
{
    ExpectUpdateAtRestartWhileInUse(
        m_shippedDll, {"Remendo: UpdateFiles> - Trying to update: " + m_installedDll,
                       "Remendo: UpdateFiles> --- Need to update the file on the next reboot",
                       "Remendo: UpdateFiles> ----- Can the old file go back in place until then?",
                       "Remendo: UpdateFiles> ------- Yes, moved it back from " + SystemDirectory() + "\\cvqscan3.bak",
                       "Remendo: UpdateHostsEntry> - Starting to update the Host file"});
}

// The oldest Windows the i686 exe is for, as Wine presents them in a 32-bit
// prefix (REMENDO_WINE_WINDOWS): the version line the run logs (the 9x
// family's build number carries its version in the high word, and is logged
// as it is), and the branches the run takes there.
struct OldWindows {
    const char* name;
    const char* versionLine;
    bool win9x;           // no administrator, spooler or service step; the 9x imaging class
    bool serviceManager;  // the service steps reach the service manager (2000), else "Not on NT platform"
};
const OldWindows kOldWindows[] = {
    {"win98", "Remendo: SetupOs> --- Major Version: 4, Minor Version: 10, Build: 67766446, Platform: 1,  A ", true,
     false},
    {"nt40", "Remendo: SetupOs> --- Major Version: 4, Minor Version: 0, Build: 1381, Platform: 2, Service Pack 6a",
     false, false},
    {"win2k", "Remendo: SetupOs> --- Major Version: 5, Minor Version: 0, Build: 2195, Platform: 2, Service Pack 4",
     false, true},
};
const char kNotOnNtPlatform[] = "DebugLog: LogLastError> Not on NT platform";

// This machine under an old Windows: on the 9x family its imaging device is
// under that family's class key, and its product key, where the run finds the
// address there, already names the device as it is.
class OldWindowsRepair : public NetworkRepair {
protected:
    void SetUp() override
    {
        std::string name = PresentedWindowsName();
        for (const OldWindows& windows : kOldWindows)
            if (!name.empty() && windows.name == name)
                m_windows = &windows;
        if (m_windows == nullptr)
            GTEST_SKIP() << "runs under a Windows of kOldWindows only";
        NetworkRepair::SetUp();
    }

    bool PrepareMachine(std::string* error) override
    {
        if (!NetworkRepair::PrepareMachine(error))
            return false;
        if (!m_windows->win9x)
            return true;
        return InstallOnlyImagingDeviceUnder(discovery::kImagingClassKey9x,
                                             {{"DriverDesc", "CV Quillray 7250"},
                                              {"CreateFileName", "\\\\.\\Dot4Scan001"}},
                                             {{"TwainDS", "CV Quillray 7250 TWAIN"},
                                              {"PortID", "10.0.0.20"},
                                              {"NetworkHostName", "cvq7250-old"}},
                                             error) &&
               SetStrings(kProductKey,
                          {{"IP Address", "10.0.0.25"},
                           {"Hostname", "cvq7250"},
                           {"Connection Type", "Network"},
                           {"Port", kPort}},
                          error);
    }

    // The imaging class key of this Windows.
    std::string ClassKey() const
    {
        return m_windows->win9x ? discovery::kImagingClassKey9x
                                : std::string(discovery::kClassKeyNt) + "\\" + discovery::kImagingClassGuid;
    }

    // A direct printer and imaging device, on the class key of this Windows,
    // whose scan channel still names another port.
    bool PrepareDirectMachine(std::string* error)
    {
        return PrepareHealthyDirectMachine(error) &&
               InstallOnlyImagingDeviceUnder(ClassKey(),
                                             {{"DriverDesc", "CV Quillray 7250"},
                                              {"CreateFileName", "\\\\.\\Dot4Scan001"}},
                                             {{"TwainDS", "CV Quillray 7250 TWAIN"}}, error);
    }

    // The environment and service steps of this Windows, in the log, of a run
    // that makes this many service calls.
    void ExpectEnvironmentAndServiceSteps(std::size_t serviceCalls)
    {
        std::vector<std::string> lines = LogLines();
        EXPECT_TRUE(Logged(m_windows->versionLine)) << Joined(lines);
        const std::vector<std::string> serviceSteps = {
            "Remendo: InitInstance> - Do we have administrator privileges?",
            "Remendo: InitInstance> - Is the spooler running?",
            "Remendo: InitInstance> - Is the QMX service installed and enabled?"};
        for (const std::string& step : serviceSteps)
            EXPECT_EQ(Logged(step), !m_windows->win9x) << step;
        std::size_t notOnNt = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.rfind(kNotOnNtPlatform, 0) == 0;
        });
        // On NT 4.0 each service call says so.
        EXPECT_EQ(notOnNt, m_windows->win9x || m_windows->serviceManager ? 0u : serviceCalls) << Joined(lines);
        if (!m_windows->win9x && !m_windows->serviceManager) {
            EXPECT_EQ(MissingInOrder(lines, {"Remendo: InitInstance> --- Yes, spooler is already running",
                                             "Remendo: InitInstance> Trouble stopping sti service",
                                             "Remendo: InitInstance> Trouble starting the sti service",
                                             "Remendo: InitInstance> --- Unknown, QMX service installed but can't "
                                             "query it"}),
                      "");
        }
        // None of them counts as XP or later.
        EXPECT_FALSE(Logged("Remendo: FixImagingDevice> - Does the device id need updating?"));
    }

    // The run's one undo file, in the form this Windows' regedit reads (the
    // REGEDIT4 form before 2000), applied as an administrator would.
    void ApplyTheUndo()
    {
        std::vector<std::string> undoFiles = UndoFiles();
        ASSERT_EQ(undoFiles.size(), 1u);
        std::string bytes, error;
        ASSERT_TRUE(ReadBytes(undoFiles[0], &bytes));
        const std::string header = m_windows->serviceManager ? std::string("\xFF\xFEW\0i\0n\0", 8) : "REGEDIT4\r\n";
        EXPECT_EQ(bytes.compare(0, header.size(), header), 0) << bytes.substr(0, 40);
        ASSERT_TRUE(ApplyAsAdministrator(undoFiles[0], &error)) << error;
    }

    const OldWindows* m_windows = nullptr;
};

TEST_F(OldWindowsRepair, NetworkedRepairTakesTheBranchesOfThatWindows)
{
    Start();
    RunToCompletion(kQuestion, kChangesMadeMessage);
    CompareWithSimulation();
    // The spooler's status, the still-image service's stop and start, the
    // management service's existence and configuration, and the spooler's
    // stop and start after the port's values.
    ExpectEnvironmentAndServiceSteps(7);
    if (!m_windows->win9x) {
        // The NT family's networked repair, but the device id.
        ExpectRegistryValues(kRepaired, false);
        std::string hosts;
        EXPECT_TRUE(ReadBytes(m_hosts, &hosts));
        EXPECT_EQ(hosts, kRepairedHosts);
        EXPECT_EQ(FileVersionText(m_installedDll), kNewerVersion);
        ApplyTheUndo();
        ExpectRepairPutBack();
        return;
    }
    // The three still-image values, and nothing else: no file, hosts entry,
    // port or service, nor the NT family's class key.
    std::string device = ImagingDeviceKey(ClassKey());
    EXPECT_EQ(RegistryString(device, "CreateFileName"), "AUTO");
    EXPECT_EQ(RegistryString(device + "\\DeviceData", "PortID"), "10.0.0.25");
    EXPECT_EQ(RegistryString(device + "\\DeviceData", "NetworkHostName"), "cvq7250");
    EXPECT_EQ(RegistryString(kDeviceKey, "CreateFileName"), "\\\\.\\Dot4Scan001");
    EXPECT_EQ(RegistryString(kDeviceDataKey, "PortID"), "10.0.0.20");
    EXPECT_EQ(RegistryString(kProductKey, "IP Address"), "10.0.0.25");
    std::string hosts;
    EXPECT_TRUE(ReadBytes(m_hosts, &hosts));
    EXPECT_EQ(hosts, kStaleHosts);
    EXPECT_EQ(FileVersionText(m_installedDll), kOlderVersion);
    EXPECT_EQ(FileVersionText(m_shippedDll), kNewerVersion);
    EXPECT_EQ(MissingInOrder(LogLines(),
                             {"Remendo: UpdateRegVar> --- Yes, changed 0000\\CreateFileName from \\\\.\\Dot4Scan001 "
                              "to AUTO ##### FIXED",
                              "Remendo: UpdateRegVar> --- Yes, changed 0000\\PortID from 10.0.0.20 to 10.0.0.25 "
                              "##### FIXED",
                              "Remendo: UpdateRegVar> --- Yes, changed 0000\\NetworkHostName from cvq7250-old to "
                              "cvq7250 ##### FIXED",
                              "Remendo: InitInstance> \tDone enumerating"}),
              "");
    ApplyTheUndo();
    EXPECT_EQ(RegistryString(device, "CreateFileName"), "\\\\.\\Dot4Scan001");
    EXPECT_EQ(RegistryString(device + "\\DeviceData", "PortID"), "10.0.0.20");
    EXPECT_EQ(RegistryString(device + "\\DeviceData", "NetworkHostName"), "cvq7250-old");
}

TEST_F(OldWindowsRepair, DirectRepairTakesTheBranchesOfThatWindows)
{
    std::string error;
    ASSERT_TRUE(PrepareDirectMachine(&error)) << error;
    Start();
    RunToCompletion(kDirectQuestion, kChangesMadeMessage);
    CompareWithSimulation();
    // As the networked repair's, but for the spooler's restart.
    ExpectEnvironmentAndServiceSteps(5);
    EXPECT_EQ(RegistryString(ImagingDeviceKey(ClassKey()), "CreateFileName"), "DOT4_001");
    EXPECT_EQ(MissingInOrder(LogLines(),
                             {"Remendo: DetermineInfo> --- Direct",
                              "Remendo: FixDirectScanDevice> On 2k or older so updating CreateFileName",
                              "Remendo: UpdateRegVar> --- Yes, changed 0000\\CreateFileName from \\\\.\\Dot4Scan001 "
                              "to DOT4_001 ##### FIXED",
                              "Remendo: FixDirectScanDevice> Cycling through the other CreateFileNames to fix "
                              "contention issues"}),
              "");
}

// The same machine, for runs cut off, or started from where a folder's name
// is more than the ANSI code page holds.
class CutOff : public NetworkRepair {
protected:
    // The files a run may have left: its undo files and their copies, and the
    // hosts file's backup and new files.
    void RemoveWhatRunsLeft(const std::string& folder)
    {
        WIN32_FIND_DATAA found = {};
        HANDLE search = ::FindFirstFileA((folder + "Remendo-undo-*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::string path = folder + found.cFileName;
                ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(path.c_str());
            } while (::FindNextFileA(search, &found));
            ::FindClose(search);
        }
        for (const char* suffix : {".bak", ".new", ".bak.new"})
            ::DeleteFileA((m_hosts + suffix).c_str());
        RemoveUndoStore();
    }
};

// Killed (Task Manager, a power cut) at any instant while it replaces a hosts
// file of megabytes, a run leaves the hosts file whole, old or new, and its
// undo puts the old bytes back; a pass with no line to rewrite never writes it.
TEST_F(CutOff, KilledWhileTheHostsFileIsReplacedLeavesItWhole)
{
    // A kill at an instant has no replay.
    m_replayOnSimulation = false;
    std::string padding;
    while (padding.size() < 6 * 1024 * 1024)
        padding += "# 10.0.0.9\tone of many lines alike in a large hosts file\r\n";
    const std::string stale = kStaleHosts + padding, repaired = kRepairedHosts + padding;
    // From the start of the pass through its copies and renames, on this machine
    // and a slower one.
    const DWORD delaysMs[] = {0, 10, 20, 30, 40, 45, 50, 55, 60, 80, 160, 320};
    for (const std::string* old : {&stale, &repaired}) {
        for (DWORD delayMs : delaysMs) {
            SCOPED_TRACE((old == &stale ? "lines to rewrite, killed " : "nothing to rewrite, killed ") +
                         std::to_string(delayMs) + " ms into the hosts pass");
            RemoveWhatRunsLeft(m_dir);
            ASSERT_TRUE(WriteBytes(m_hosts, *old));
            RemendoProcess run;
            bool passStarted = false;
            run.OnDebugLine([&passStarted](const std::string& line) {
                passStarted = passStarted || line.find("UpdateHostsEntry> \tThe current hosts file: ") != std::string::npos;
            });
            std::string error;
            ASSERT_TRUE(run.Start(m_exe, &error)) << error;
            HWND box = run.WaitForMessageBox(kBoxTimeoutMs);
            ASSERT_NE(box, nullptr);
            ASSERT_TRUE(uia::PressButton(box, IDYES));
            run.RunUntil([&passStarted] { return passStarted; }, kBoxTimeoutMs);
            ASSERT_TRUE(passStarted) << Joined(run.DebugLines());
            DWORD start = ::GetTickCount();
            run.RunUntil([start, delayMs] { return ::GetTickCount() - start >= delayMs; }, delayMs + 1000);
            run.Kill();

            std::string hosts;
            ASSERT_TRUE(ReadBytes(m_hosts, &hosts));
            EXPECT_TRUE(hosts == *old || hosts == repaired) << "a hosts file of " << hosts.size() << " bytes";
            if (old == &repaired) {
                EXPECT_EQ(::GetFileAttributesA((m_hosts + ".bak").c_str()), INVALID_FILE_ATTRIBUTES);
            }
            for (const std::string& undo : UndoFiles())
                ASSERT_TRUE(ApplyAsAdministrator(undo, &error)) << error;
            ASSERT_TRUE(ReadBytes(m_hosts, &hosts));
            EXPECT_TRUE(hosts == *old) << "after the undo, a hosts file of " << hosts.size() << " bytes";
        }
    }
}

// From a folder named outside the ANSI code page (a Chinese user name on a
// Western Windows), and with the temp folder named so too, the run still
// writes its log and its undo file, and the undo puts everything back.
TEST_F(CutOff, RunFromAFolderTheCodePageCannotName)
{
    // A machine folder holds Latin-1 names only: this machine has no replay.
    m_replayOnSimulation = false;
    const std::wstring folder = L"C:\\remendo-e2e\\\x738B\x5C0F\x660E\\";
    const std::wstring temp = folder + L"Temp\\";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(::CreateDirectoryW(temp.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    std::wstring exe = folder + L"remendo.exe";
    std::wstring wideDir(m_dir.begin(), m_dir.end());
    ASSERT_TRUE(::CopyFileW((wideDir + L"remendo.exe").c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW((wideDir + L"cvqscan3.dll").c_str(), (folder + L"cvqscan3.dll").c_str(), FALSE));
    // The log of the exe's folder cannot be created (a folder has its name):
    // it goes to the temp folder; the undo file goes to the store either way.
    for (const std::wstring* runFolder : {&folder, &temp}) {
        SCOPED_TRACE(runFolder == &folder ? "beside the program" : "in the temp folder");
        // The log's name there is temp.log.
        const std::wstring log = runFolder == &folder ? folder + L"Remendo.log" : temp + L"temp.log";
        ::DeleteFileW(log.c_str());
        if (runFolder == &temp) {
            ::DeleteFileW((folder + L"Remendo.log").c_str());
            ASSERT_TRUE(::CreateDirectoryW((folder + L"Remendo.log").c_str(), nullptr));
        }
        ASSERT_TRUE(::SetEnvironmentVariableW(L"TMP", temp.c_str()) && ::SetEnvironmentVariableW(L"TEMP", temp.c_str()));
        ASSERT_TRUE(WriteBytes(m_hosts, kStaleHosts));
        RemendoProcess run;
        std::string error;
        ASSERT_TRUE(run.Start(exe, &error)) << error;
        HWND box = run.WaitForMessageBox(kBoxTimeoutMs);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(uia::MessageBoxText(box), kQuestion);
        ASSERT_TRUE(uia::PressButton(box, IDYES));
        run.RunUntil([box] { return !::IsWindow(box); }, kBoxTimeoutMs);
        box = run.WaitForMessageBox(kBoxTimeoutMs);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(uia::MessageBoxText(box), kChangesMadeMessage);
        ASSERT_TRUE(uia::PressButton(box, IDOK));
        ASSERT_TRUE(run.WaitForExit(kExitTimeoutMs));
        EXPECT_EQ(RegistryString(kProductKey, "IP Address"), "10.0.0.25");

        DWORD logAttributes = ::GetFileAttributesW(log.c_str());
        EXPECT_TRUE(logAttributes != INVALID_FILE_ATTRIBUTES && !(logAttributes & FILE_ATTRIBUTE_DIRECTORY)) << "no log";
        // The undo file lies in the store, whatever folder the program ran from.
        std::vector<std::string> undoFiles = UndoFilesInStore();
        ASSERT_EQ(undoFiles.size(), 1u) << "no undo file";
        ASSERT_TRUE(ApplyAsAdministrator(undoFiles[0], &error)) << error;
        RemoveUndoStore();
        EXPECT_EQ(RegistryString(kProductKey, "IP Address"), "10.0.0.20");
        std::string hosts;
        ASSERT_TRUE(ReadBytes(m_hosts, &hosts));
        EXPECT_EQ(hosts, kStaleHosts);
    }
}
// remendo-undo.exe beside remendo.exe, double-clicked after a repair of this
// machine and answered as a user would.
class Undo : public NetworkRepair {
protected:
    // remendo-undo.exe run beside the program, each question answered Yes:
    // the boxes it showed.
    std::vector<std::string> RunUndoProgram()
    {
        std::vector<std::string> boxes;
        std::string error, undoExe = m_dir + "remendo-undo.exe";
        EXPECT_TRUE(::CopyFileA(WindowsPath(Programs().undoExe).c_str(), undoExe.c_str(), FALSE));
        RemendoProcess undo;
        if (!undo.Start(undoExe, &error)) {
            ADD_FAILURE() << error;
            return boxes;
        }
        for (HWND box; (box = undo.WaitForMessageBox(kBoxTimeoutMs)) != nullptr;) {
            boxes.push_back(uia::MessageBoxText(box));
            bool question = boxes.back().rfind("Undo the Remendo run of ", 0) == 0;
            EXPECT_TRUE(uia::PressButton(box, question ? IDYES : IDOK));
            undo.RunUntil([box] { return !::IsWindow(box); }, kBoxTimeoutMs);
            if (!question)
                break;
        }
        EXPECT_TRUE(undo.WaitForExit(kExitTimeoutMs)) << Joined(undo.DebugLines());
        return boxes;
    }

    // How the scan DLL is in use when the undo puts it back.
    enum Hold { kOpen, kLoaded, kBeforeTheRunsRestart };
    void ExpectScanDllBackAfterTheRestart(Hold hold);
};

// The size and fnv1a64 of bytes, as an undo file names them.
std::string Fingerprint(const std::string& bytes)
{
    unsigned long long digest = 14695981039346656037ull;
    for (char c : bytes)
        digest = (digest ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char hex[17] = {};
    std::snprintf(hex, sizeof hex, "%016llx", digest);
    return std::to_string(bytes.size()) + " bytes fnv1a64 " + hex;
}

// An undo record as a run would write it, in `folder` under `name`: the
// product key's host name, the hosts file and the scan DLL, each to be
// "put back" to what a standard user chose.
void PlantUndoRecord(const std::string& folder, const std::string& name, const std::string& hosts,
                     const std::string& dll)
{
    const std::string base = folder + name, hostsCopy = base + "-hosts", dllCopy = base + "-cvqscan3.dll";
    const std::string plantedHosts = "10.66.66.66 windowsupdate.microsoft.com\r\n", plantedDll = "MZ planted";
    std::string hostsNow, dllNow;
    ASSERT_TRUE(ReadBytes(hosts, &hostsNow) && ReadBytes(dll, &dllNow));
    ASSERT_TRUE(WriteBytes(hostsCopy, plantedHosts) && WriteBytes(dllCopy, plantedDll));
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\" + std::string(kProductKey) +
                       "]\r\n\"Hostname\"=\"planted\"\r\n; wrote \"Hostname\"=\"cvq7250-old\"\r\n";
    for (const auto& file : {std::make_pair(hosts, std::make_pair(hostsCopy, Fingerprint(plantedHosts) + "|" + Fingerprint(hostsNow))),
                             std::make_pair(dll, std::make_pair(dllCopy, Fingerprint(plantedDll) + "|" + Fingerprint(dllNow)))}) {
        const std::string& prints = file.second.second;
        text += "\r\n; copy /y \"" + file.second.first + "\" \"" + file.first + "\"\r\n; kept \"" + file.first + "\" " +
                prints.substr(0, prints.find('|')) + "\r\n; wrote \"" + file.first + "\" " +
                prints.substr(prints.find('|') + 1) + "\r\n";
    }
    std::string bytes = "\xFF\xFE";
    for (char c : text)
        bytes += std::string{c, '\0'};
    ASSERT_TRUE(WriteBytes(base + ".reg", bytes));
}

// Undo records planted where a standard user may write (beside the program,
// the temp folder, a store folder that grants everyone write) are never
// read: the box says why, and the hosts file, the DLL and the registry stay
// as they are. (Wine keeps no owners and enforces no access lists: the
// refusal is the program's own.)
TEST_F(Undo, ReadsNoRecordOthersMayHaveWritten)
{
    char temp[MAX_PATH] = {};
    ASSERT_NE(::GetTempPathA(MAX_PATH, temp), 0u);
    std::string outer = UndoStoreOuterFolder();
    ASSERT_FALSE(outer.empty());
    outer.pop_back();
    const std::string name = "Remendo-undo-99-20990101-000000";
    std::string hostsBefore, dllBefore;
    ASSERT_TRUE(ReadBytes(m_hosts, &hostsBefore) && ReadBytes(m_installedDll, &dllBefore));
    PlantUndoRecord(m_dir, name, m_hosts, m_installedDll);
    PlantUndoRecord(temp, name, m_hosts, m_installedDll);
    std::vector<std::string> boxes = RunUndoProgram();
    EXPECT_EQ(boxes, std::vector<std::string>{"There is no run of Remendo to undo.\n\nNot read, because undo files are "
                                              "read only from " + UndoStore() + ": " + m_dir + name + ".reg and " +
                                              temp + name + ".reg."});

    ASSERT_NO_FATAL_FAILURE(MakeStoreFoldersEveryoneMayChange(outer));
    PlantUndoRecord(UndoStore(), name, m_hosts, m_installedDll);
    boxes = RunUndoProgram();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("There is no run of Remendo to undo.\n\nRefused, so nothing of it is put back: " + outer +
                                 " (S-1-1-0 may change it or what it holds).",
                             0),
              0u)
        << boxes[0];

    std::string hosts, dll;
    EXPECT_TRUE(ReadBytes(m_hosts, &hosts) && hosts == hostsBefore) << "the hosts file was changed";
    EXPECT_TRUE(ReadBytes(m_installedDll, &dll) && dll == dllBefore) << "the scan DLL was changed";
    EXPECT_EQ(RegistryString(kProductKey, "Hostname"), "cvq7250-old");
}

// The registry, the hosts file, the scan DLLs with their attributes and the
// management service's start type, as the service manager reports it, are
// what they were before the repair; the shipped DLL is back beside the program.
TEST_F(Undo, PutsTheRepairBackAsItWas)
{
    std::string error;
    // A read-only installed DLL, and a management service that needs its start type put right.
    ASSERT_TRUE(::SetFileAttributesA(m_installedDll.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    std::string managementProgram = SystemDirectory() + "\\cvqmgr40.exe";
    ASSERT_TRUE(::CopyFileA(WindowsPath(Programs().managementStandIn).c_str(), managementProgram.c_str(), FALSE));
    ASSERT_TRUE(InstallService("QMX Driver CVQ40", managementProgram, SERVICE_DEMAND_START, &error)) << error;
    Start();
    RunToCompletion(kQuestion, kChangesMadeMessage);
    CompareWithSimulation();
    ASSERT_EQ(ServiceStartType("QMX Driver CVQ40"), static_cast<DWORD>(SERVICE_AUTO_START)) << Joined(LogLines());
    ASSERT_EQ(FileVersionText(m_installedDll), kNewerVersion);

    std::string undoExe = m_dir + "remendo-undo.exe";
    ASSERT_TRUE(::CopyFileA(WindowsPath(Programs().undoExe).c_str(), undoExe.c_str(), FALSE));
    RemendoProcess undo;
    ASSERT_TRUE(undo.Start(undoExe, &error)) << error;
    HWND box = undo.WaitForMessageBox(kBoxTimeoutMs);
    ASSERT_NE(box, nullptr) << Joined(undo.DebugLines());
    EXPECT_EQ(uia::MessageBoxText(box).rfind("Undo the Remendo run of ", 0), 0u) << uia::MessageBoxText(box);
    // The device id is updated only on a Windows counted as XP or later.
    const PresentedWindows* windows = Presented();
    const std::string values = windows == nullptr || windows->xpOrLater ? "8" : "7";
    EXPECT_NE(uia::MessageBoxText(box).find("? It puts back " + values +
                                            " registry values, the hosts file, cvqscan3.dll and the start type of "
                                            "QMX Driver CVQ40."),
              std::string::npos)
        << uia::MessageBoxText(box);
    ASSERT_TRUE(uia::PressButton(box, IDYES));
    undo.RunUntil([box] { return !::IsWindow(box); }, kBoxTimeoutMs);
    box = undo.WaitForMessageBox(kBoxTimeoutMs);
    ASSERT_NE(box, nullptr) << Joined(undo.DebugLines());
    EXPECT_EQ(uia::MessageBoxText(box).rfind("Put back: ", 0), 0u) << uia::MessageBoxText(box);
    EXPECT_EQ(uia::MessageBoxText(box).find("Left as they are"), std::string::npos) << uia::MessageBoxText(box);
    ASSERT_TRUE(uia::PressButton(box, IDOK));
    ASSERT_TRUE(undo.WaitForExit(kExitTimeoutMs));
    EXPECT_EQ(undo.ExitCode(), 0u);

    ExpectRepairPutBack();
    EXPECT_EQ(::GetFileAttributesA(m_installedDll.c_str()) & FILE_ATTRIBUTE_READONLY,
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(FileVersionText(m_shippedDll), kNewerVersion) << "the shipped DLL is not back beside the program";
    EXPECT_EQ(ServiceStartType("QMX Driver CVQ40"), static_cast<DWORD>(SERVICE_DEMAND_START));
    std::string log;
    ASSERT_TRUE(ReadBytes(m_dir + "Remendo-undo.log", &log));
    EXPECT_NE(log.find("--- Yes, put back the hosts file ##### FIXED"), std::string::npos) << log;
    ::SetFileAttributesA(m_installedDll.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A scan DLL held open, or loaded, while the undo runs goes back at the
// restart; so does one whose replacement the run itself left for the restart
// when the undo comes first.
void Undo::ExpectScanDllBackAfterTheRestart(Hold hold)
{
    std::optional<FileInUse> heldDuringRun;
    if (hold == kBeforeTheRunsRestart)
        heldDuringRun.emplace(m_installedDll);
    Start();
    RunToCompletion(kQuestion, hold == kBeforeTheRunsRestart ? kChangesRebootMessage : kChangesMadeMessage);
    heldDuringRun.reset();
    CompareWithSimulation();
    std::optional<FileInUse> open;
    HMODULE loaded = nullptr;
    if (hold == kOpen)
        open.emplace(m_installedDll);
    if (hold == kLoaded)
        loaded = ::LoadLibraryA(m_installedDll.c_str());
    ASSERT_TRUE(hold != kLoaded || loaded != nullptr) << "cannot load " << m_installedDll;

    std::vector<std::string> boxes = RunUndoProgram();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[1].find("Restart the computer to finish putting back cvqscan3.dll."), std::string::npos)
        << boxes[1];
    open.reset();
    if (loaded != nullptr)
        ::FreeLibrary(loaded);
    std::string error;
    ASSERT_TRUE(RestartWine(&error)) << error;
    ExpectRepairPutBack();
}

TEST_F(Undo, PutsBackAScanDllHeldOpenAtTheRestart)
{
    ExpectScanDllBackAfterTheRestart(kOpen);
}

TEST_F(Undo, PutsBackALoadedScanDllAtTheRestart)
{
    ExpectScanDllBackAfterTheRestart(kLoaded);
}

TEST_F(Undo, BeforeTheRunsOwnRestartLeavesTheOldScanDllAfterIt)
{
    ExpectScanDllBackAfterTheRestart(kBeforeTheRunsRestart);
}

}  // namespace
