// The system-file update: which shipped DLL replaces which installed one, by
// which path, and that the installed DLL is never left missing.
#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "app/Remendo.h"
#include "log/DebugLog.h"
#include "sim/Restart.h"

namespace {

const char kExeDir[] = "C:\\Tools\\";
const char kShipped[] = "C:\\Tools\\cvqscan3.dll";
const char kInstalled[] = "C:\\WINDOWS\\system32\\cvqscan3.dll";
const char kBackup[] = "C:\\WINDOWS\\system32\\cvqscan3.bak";
const std::string kPrefix = "Remendo: UpdateFiles> ";

struct FilesRun {
    std::vector<std::string> log;
    bool changesMade = false;
    bool rebootNeeded = false;
};

FilesRun UpdateFiles(machine::Machine& machine, const std::string& exeDir = kExeDir)
{
    sim::InstalledMachine hub(machine);
    DebugLog runLog("InitInstance", "Remendo", "C:\\Tools\\Remendo.log");  // as the run opens the log
    hub.app.m_strExeDir = exeDir;
    hub.app.UpdateFiles();
    return {test::LogLines(hub.api), hub.app.m_bChangesMade, hub.app.m_bRebootNeeded};
}

// The utility's folder holds a shipped cvqscan3.dll; the system directory the installed one.
machine::Machine MachineWithDll(const std::string& shippedVersion, const std::string& installedVersion)
{
    machine::Machine machine = test::BaseMachine();
    machine.files.Write(kShipped, "new").version = shippedVersion;
    machine.files.Write(kInstalled, "old").version = installedVersion;
    return machine;
}

std::string VersionOf(const machine::Machine& machine, const std::string& path)
{
    const machine::SimFile* file = machine.files.Find(path);
    return file == nullptr ? "(missing)" : file->version;
}

TEST(UpdateFiles, ReplacesOnlyAnOlderInstalledFile)
{
    struct Case {
        const char* shipped;
        const char* installed;
        bool replaced;
    };
    const Case cases[] = {
        {"5.1.0.1", "5.0.9.99", true},       {"1.2.3.4", "1.2.3.65535", false}, {"2.0.0.0", "2.0.0.0", false},
        {"1.0.0.1", "1.0.0.0", true},        {"1.65535.0.0", "2.0.0.0", false}, {"65535.0.0.0", "1.65535.65535.65535", true},
    };
    for (const Case& c : cases) {
        machine::Machine machine = MachineWithDll(c.shipped, c.installed);
        FilesRun run = UpdateFiles(machine);
        std::string what = std::string(c.shipped) + " vs " + c.installed;
        EXPECT_EQ(VersionOf(machine, kInstalled), c.replaced ? c.shipped : c.installed) << what;
        EXPECT_EQ(VersionOf(machine, kShipped), c.replaced ? "(missing)" : c.shipped) << what;
        EXPECT_EQ(VersionOf(machine, kBackup), c.replaced ? c.installed : "(missing)") << what;
        EXPECT_EQ(run.changesMade, c.replaced) << what;
        EXPECT_FALSE(run.rebootNeeded) << what;
        EXPECT_TRUE(std::find(run.log.begin(), run.log.end(), kPrefix + "Src file version " + c.shipped) != run.log.end());
        EXPECT_TRUE(std::find(run.log.begin(), run.log.end(), kPrefix + "dst file version " + c.installed) != run.log.end());
    }
}

TEST(UpdateFiles, MovesAReadOnlyInstalledFileAsideAndTheShippedOneIn)
{
    machine::Machine machine = MachineWithDll("5.1.0.1", "5.0.9.99");
    machine.files.Find(kInstalled)->attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM;
    machine.files.Write(kBackup, "older backup").version = "4.0.0.0";
    FilesRun run = UpdateFiles(machine);
    const std::vector<std::string> expected = {
        kPrefix + "Trying to copy 'C:\\Tools\\cvqscan3.dll' to 'C:\\WINDOWS\\system32\\cvqscan3.dll'",
        kPrefix + "Removing read only attributes of dest file C:\\WINDOWS\\system32\\cvqscan3.dll",
        kPrefix + "Src file version 5.1.0.1",
        kPrefix + "dst file version 5.0.9.99",
        kPrefix + "- Trying to update: C:\\WINDOWS\\system32\\cvqscan3.dll",
        kPrefix + "--- Updated file by renaming old file and moving newer file in place",
    };
    EXPECT_EQ(run.log, expected);
    EXPECT_EQ(test::FileText(machine, kInstalled), "new");
    EXPECT_EQ(test::FileText(machine, kBackup), "old");
    EXPECT_EQ(machine.files.Find(kBackup)->attributes, static_cast<DWORD>(FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(machine.files.Find(kShipped), nullptr);

    // The shipped file is gone: a second pass finds nothing to do.
    EXPECT_TRUE(UpdateFiles(machine).log.empty());
}

TEST(UpdateFiles, SchedulesTheReplacementKeepingTheInstalledFileInPlace)
{
    struct Case {
        const char* what;
        std::vector<machine::Fault> faults;
        std::vector<std::string> lines;  // after "- Trying to update: ..."
        bool installedMissingUntilRestart;
    };
    const std::string need = kPrefix + "--- Need to update the file on the next reboot";
    const std::string ask = kPrefix + "----- Can the old file go back in place until then?";
    const Case cases[] = {
        {"cannot be moved aside", {{"MoveFileExA", 1, ERROR_SHARING_VIOLATION}}, {need}, false},
        {"moved aside, shipped file cannot follow",
         {{"MoveFileA", 2, ERROR_ACCESS_DENIED}},
         {need, ask, kPrefix + "------- Yes, moved it back from C:\\WINDOWS\\system32\\cvqscan3.bak"},
         false},
        {"moved aside and cannot come back",
         {{"MoveFileA", 2, ERROR_ACCESS_DENIED}, {"MoveFileA", 3, ERROR_ACCESS_DENIED}},
         {need, ask, kPrefix + "------- No, it stays at C:\\WINDOWS\\system32\\cvqscan3.bak until the reboot"},
         true},
    };
    for (const Case& c : cases) {
        machine::Machine machine = MachineWithDll("5.1.0.1", "5.0.9.99");
        machine.faults = c.faults;
        FilesRun run = UpdateFiles(machine);
        EXPECT_TRUE(run.changesMade) << c.what;
        EXPECT_TRUE(run.rebootNeeded) << c.what;
        std::vector<std::string> tail(run.log.end() - static_cast<long>(c.lines.size()), run.log.end());
        EXPECT_EQ(tail, c.lines) << c.what;
        EXPECT_EQ(VersionOf(machine, kInstalled), c.installedMissingUntilRestart ? "(missing)" : "5.0.9.99") << c.what;
        ASSERT_EQ(machine.pendingRenames.size(), 1u) << c.what;
        EXPECT_EQ(machine::FileSystem::Key(machine.pendingRenames[0].from), machine::FileSystem::Key(kShipped));
        EXPECT_EQ(machine::FileSystem::Key(machine.pendingRenames[0].to), machine::FileSystem::Key(kInstalled));
        EXPECT_TRUE(machine.pendingRenames[0].replaceExisting);

        sim::Restart(machine);
        EXPECT_EQ(VersionOf(machine, kInstalled), "5.1.0.1") << c.what;
        EXPECT_EQ(machine.files.Find(kShipped), nullptr) << c.what;
    }
}

TEST(UpdateFiles, ReportsAReplacementThatCannotBeScheduled)
{
    machine::Machine machine = MachineWithDll("5.1.0.1", "5.0.9.99");
    machine.faults = {{"MoveFileExA", 1, ERROR_ACCESS_DENIED}, {"MoveFileExA", 2, ERROR_ACCESS_DENIED}};
    FilesRun run = UpdateFiles(machine);
    EXPECT_EQ(run.log.back(),
              "DebugLog: LogLastError> Unable to schedule the update for the next reboot: Access is denied.\r\n");
    EXPECT_TRUE(machine.pendingRenames.empty());
    EXPECT_EQ(VersionOf(machine, kInstalled), "5.0.9.99");
    // Nothing waits for a restart, so none may be promised.
    EXPECT_FALSE(run.rebootNeeded);
    EXPECT_TRUE(run.changesMade);
}

TEST(UpdateFiles, AnInstalledFileLeftInPlaceStaysReadOnly)
{
    struct Case {
        const char* what;
        const char* shipped;
        std::vector<machine::Fault> faults;
        DWORD attributesAfter;
    };
    const DWORD readOnly = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    const Case cases[] = {
        {"not newer", "5.0.9.99", {}, readOnly},
        {"no version resource", "", {}, readOnly},
        {"unreadable version block", "5.1.0.1", {{"VerQueryValueA", 2, ERROR_ACCESS_DENIED}}, readOnly},
        {"replacement cannot be scheduled", "5.1.0.1",
         {{"MoveFileExA", 1, ERROR_ACCESS_DENIED}, {"MoveFileExA", 2, ERROR_ACCESS_DENIED}}, readOnly},
        // A file that is to be replaced at the restart must stay writable.
        {"replacement scheduled", "5.1.0.1", {{"MoveFileExA", 1, ERROR_SHARING_VIOLATION}}, FILE_ATTRIBUTE_HIDDEN},
    };
    for (const Case& c : cases) {
        machine::Machine machine = MachineWithDll(c.shipped, "5.0.9.99");
        machine.files.Find(kInstalled)->attributes = readOnly;
        machine.faults = c.faults;
        UpdateFiles(machine);
        EXPECT_EQ(machine.files.Find(kInstalled)->attributes, c.attributesAfter) << c.what;
    }
}

TEST(UpdateFiles, SkipsRowsItCannotCompare)
{
    struct Case {
        const char* what;
        const char* shipped;    // nullptr: no shipped file
        const char* installed;  // nullptr: no installed file
        std::vector<machine::Fault> faults;
        std::vector<std::string> log;
    };
    const std::string trying =
        kPrefix + "Trying to copy 'C:\\Tools\\cvqscan3.dll' to 'C:\\WINDOWS\\system32\\cvqscan3.dll'";
    const Case cases[] = {
        {"nothing shipped", nullptr, "1.0.0.0", {}, {}},
        {"nothing installed", "2.0.0.0", nullptr, {},
         {kPrefix + "Destination file not found: C:\\WINDOWS\\system32\\cvqscan3.dll"}},
        {"shipped file without version", "", "1.0.0.0", {}, {trying}},
        {"installed file without version", "2.0.0.0", "", {}, {trying}},
        {"unreadable attributes", "2.0.0.0", "1.0.0.0", {{"GetFileAttributesA", 1, ERROR_ACCESS_DENIED}},
         {trying, kPrefix + "Can't get file attributes of dest file: C:\\WINDOWS\\system32\\cvqscan3.dll"}},
        {"unreadable version block", "2.0.0.0", "1.0.0.0", {{"VerQueryValueA", 2, ERROR_ACCESS_DENIED}},
         {trying, kPrefix + "Src file version 2.0.0.0"}},
    };
    for (const Case& c : cases) {
        machine::Machine machine = test::BaseMachine();
        if (c.shipped != nullptr)
            machine.files.Write(kShipped, "new").version = c.shipped;
        if (c.installed != nullptr)
            machine.files.Write(kInstalled, "old").version = c.installed;
        machine.faults = c.faults;
        FilesRun run = UpdateFiles(machine);
        EXPECT_EQ(run.log, c.log) << c.what;
        EXPECT_FALSE(run.changesMade) << c.what;
        EXPECT_EQ(machine.files.Find(kInstalled) != nullptr, c.installed != nullptr) << c.what;
        EXPECT_EQ(machine.files.Find(kShipped) != nullptr, c.shipped != nullptr) << c.what;
        EXPECT_EQ(machine.files.Find(kBackup), nullptr) << c.what;
    }
}

TEST(UpdateFiles, StopsThePassWithoutExecutableFolderOrSystemDirectory)
{
    machine::Machine noFolder = MachineWithDll("2.0.0.0", "1.0.0.0");
    EXPECT_EQ(UpdateFiles(noFolder, "Remendo").log,
              std::vector<std::string>{kPrefix + "Error locating the last backslash"});
    EXPECT_EQ(VersionOf(noFolder, kInstalled), "1.0.0.0");

    // The first row is done before the system directory fails for the second.
    machine::Machine machine = MachineWithDll("2.0.0.0", "1.0.0.0");
    machine.files.Write("C:\\Tools\\cvqscan.dll", "new").version = "2.0.0.0";
    machine.files.Write("C:\\WINDOWS\\system32\\cvqscan.dll", "old").version = "1.0.0.0";
    machine.faults = {{"GetSystemDirectoryA", 2, ERROR_ACCESS_DENIED}};
    FilesRun run = UpdateFiles(machine);
    EXPECT_EQ(run.log.back(), kPrefix + "Error getting the system directory");
    EXPECT_EQ(VersionOf(machine, "C:\\WINDOWS\\system32\\cvqscan.dll"), "2.0.0.0");
    EXPECT_EQ(VersionOf(machine, kInstalled), "1.0.0.0");
}

// The sample machine ships a newer scan DLL and holds a stale hosts entry for the device.
TEST(SystemRepairs, SampleMachineGetsItsScanDllAndHostsEntryRepaired)
{
    machine::Machine machine = test::ExampleMachine("networked-family-b");
    const std::string hosts = "C:\\WINDOWS\\system32\\drivers\\etc\\hosts";
    const std::string before = test::FileText(machine, hosts);
    {
        sim::InstalledMachine hub(machine);
        DebugLog runLog("InitInstance", "Remendo", "C:\\WINDOWS\\TEMP\\Remendo.log");
        hub.app.m_strExeDir = "C:\\Program Files\\Corvane\\Remendo\\";
        hub.app.UpdateFiles();
        hub.app.UpdateHostsEntry("10.0.0.25", "cvq7250");
        EXPECT_TRUE(hub.app.m_bChangesMade);
        EXPECT_FALSE(hub.app.m_bRebootNeeded);
    }
    EXPECT_EQ(VersionOf(machine, kInstalled), "3.2.0.14");
    EXPECT_EQ(VersionOf(machine, "C:\\WINDOWS\\system32\\cvqscan3.bak"), "3.1.5.2");
    std::string after = before;
    after.replace(after.find("10.0.0.20\tcvq7250"), 17, "10.0.0.25\tcvq7250");
    EXPECT_EQ(test::FileText(machine, hosts), after);
    EXPECT_NE(after.find("10.0.0.250      plotter"), std::string::npos);
}

}  // namespace
