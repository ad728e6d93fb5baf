// The undo file beside the log: applied with the .reg reader to the machine
// after a run, it gives back the registry of before, value for value and type
// for type; its comments name what regedit cannot put back.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "RunUtility.h"
#include "SimTestSupport.h"
#include "machine/RegFile.h"
#include "log/UndoStore.h"
#include "platform/RegistryKey.h"
#include "platform/SecurityDescriptor.h"
#include "sim/UndoReplay.h"

namespace {

const char kSample[] = "networked-family-b";
#define SAMPLE_UNDO_STORE "C:\\Documents and Settings\\All Users\\Application Data\\Remendo\\Undo\\"
#define SAMPLE_UNDO_BASE SAMPLE_UNDO_STORE "Remendo-undo-1-20261208-093000"
const char kSampleUndo[] = SAMPLE_UNDO_BASE ".reg";
const char kSampleCopies[] = SAMPLE_UNDO_BASE "-";
const char kSampleCopiesHosts[] = SAMPLE_UNDO_BASE "-hosts";
const char kSampleCopiesDll[] = SAMPLE_UNDO_BASE "-cvqscan3.dll";
const char kManagementKey[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QMX Driver CVQ40";
const char kPortIdKey[] =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000"
    "\\DeviceData";

struct Outcome {
    machine::Machine before;
    machine::Machine after;
    std::vector<std::string> log;
};

void RunOn(Outcome& run)
{
    sim::SimApi api(run.after);
    sim::RunUtility(api);
    run.log = test::LogLines(api);
}

Outcome RunExample(const std::string& name)
{
    Outcome run{test::ExampleMachine(name), test::ExampleMachine(name), {}};
    RunOn(run);
    return run;
}

// Undoes the run as an administrator would: regedit /s, then the copy lines.
void ApplyUndo(machine::Machine& machine, const std::string& undoPath)
{
    std::string problem;
    ASSERT_TRUE(sim::ApplyUndoFile(machine, undoPath, problem)) << problem;
}

// The undo file's text: UTF-16LE after its byte-order mark, each unit one of
// the simulated machine's 8-bit characters, or the REGEDIT4 form as it is.
std::string UndoText(const machine::Machine& machine, const std::string& undoPath)
{
    std::string bytes = test::FileText(machine, undoPath);
    if (bytes.compare(0, 10, "REGEDIT4\r\n") == 0)
        return bytes;
    EXPECT_EQ(bytes.compare(0, 2, "\xFF\xFE"), 0) << "no UTF-16LE byte-order mark";
    EXPECT_EQ(bytes.size() % 2, 0u);
    std::string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        EXPECT_EQ(bytes[i + 1], '\0') << "a character beyond the machine's code page at byte " << i;
        text += bytes[i];
    }
    return text;
}

bool MentionsUndoFile(const std::string& line)
{
    return line.find("Remendo-undo-") != std::string::npos;
}

class UndoFileOnEveryExample : public testing::TestWithParam<std::string> {};

TEST_P(UndoFileOnEveryExample, PutsBackEveryValueTheRunChanged)
{
    Outcome run = RunExample(GetParam());
    std::vector<std::string> undoFiles = sim::NewUndoFiles(run.before, run.after);
    ASSERT_LE(undoFiles.size(), 1u);
    if (!(run.before.registry == run.after.registry)) {
        ASSERT_EQ(undoFiles.size(), 1u) << "the registry changed, but no undo file was written";
    }
    if (!undoFiles.empty()) {
        std::string bytes = UndoText(run.after, undoFiles[0]);
        // Before Windows 2000, regedit reads only the REGEDIT4 form.
        bool regedit4 = run.before.os.platform != VER_PLATFORM_WIN32_NT || run.before.os.major < 5;
        std::string header = regedit4 ? "REGEDIT4\r\n" : "Windows Registry Editor Version 5.00\r\n";
        EXPECT_EQ(bytes.compare(0, header.size(), header), 0);
        for (std::size_t i = bytes.find('\n'); i != std::string::npos; i = bytes.find('\n', i + 1))
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "a line of the undo file does not end in CR LF";
        ApplyUndo(run.after, undoFiles[0]);
    }
    EXPECT_TRUE(run.after.registry == run.before.registry);
    EXPECT_TRUE(std::none_of(run.log.begin(), run.log.end(), MentionsUndoFile));
}

INSTANTIATE_TEST_SUITE_P(ExampleMachines, UndoFileOnEveryExample, testing::ValuesIn(test::ExampleNames()),
                         test::ExampleTestName);

TEST(UndoFile, CommentsNameTheRunTheHostsBackupTheOldScanDllAndWhatNeedsNothingUndone)
{
    Outcome run = RunExample(kSample);
    std::vector<std::string> lines;
    std::string text = UndoText(run.after, kSampleUndo);
    // The lines for people; those for the undo tool ("; wrote", "; kept",
    // "; moved", "; making") are the undo tests' to check.
    for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        std::string line = text.substr(start, end - start);
        if (line.compare(0, 2, "; ") == 0 && line.rfind("; wrote ", 0) != 0 && line.rfind("; kept ", 0) != 0 &&
            line.rfind("; moved ", 0) != 0 && line.rfind("; making ", 0) != 0)
            lines.push_back(line);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "; Undoes the registry changes of the Remendo run logged as:",
                         "; Remendo version 1.0",
                         "; Tuesday, December 08, 2026 at 09:30",
                         std::string("; To put the values back: regedit /s \"") + kSampleUndo + "\"",
                         std::string("; copy /y \"") + kSampleCopies + "cvqscan3.dll\" \"C:\\WINDOWS\\system32\\cvqscan3.dll\"",
                         // The copy is made while the file is still read-only.
                         "; attrib +r \"C:\\WINDOWS\\system32\\cvqscan3.dll\"",
                         "; C:\\WINDOWS\\system32\\cvqscan3.dll was replaced by a newer version: the old file lies at "
                         "C:\\WINDOWS\\system32\\cvqscan3.bak",
                         std::string("; copy /y \"") + kSampleCopies +
                             "hosts\" \"C:\\WINDOWS\\system32\\drivers\\etc\\hosts\"",
                         // The undo's own copy, which no later run writes over.
                         std::string("; The hosts file was rewritten: to undo, copy ") + kSampleCopies +
                             "hosts to C:\\WINDOWS\\system32\\drivers\\etc\\hosts",
                         "; The spooler service was restarted: nothing to undo",
                         "; The stisvc service was restarted: nothing to undo",
                         "; Registered again with cvqmgr40.exe /UNREGSERVER and /REGSERVER: nothing to undo",
                         "; Registered again with regsvr32 /s \"C:\\WINDOWS\\system32\\cvqscan3.dll\": nothing to undo",
                     }));
    // What the comments say lies there does: the backups and the undo's own copies.
    for (const char* backup : {"C:\\WINDOWS\\system32\\drivers\\etc\\hosts.bak", kSampleCopiesHosts})
        EXPECT_EQ(test::FileText(run.after, backup),
                  test::FileText(run.before, "C:\\WINDOWS\\system32\\drivers\\etc\\hosts"));
    for (const char* backup : {"C:\\WINDOWS\\system32\\cvqscan3.bak", kSampleCopiesDll})
        EXPECT_EQ(test::FileText(run.after, backup), test::FileText(run.before, "C:\\WINDOWS\\system32\\cvqscan3.dll"));
}

// Each value as regedit's export writes it, text in UTF-16: a string that
// quotes exactly in quotes, escaped; one with a line break as hex(1); an
// expandable string as hex(2); and each comes back as it was.
TEST(UndoFile, WritesEachValueAsRegeditExportsIt)
{
    struct Case {
        const char* what;
        DWORD type;
        std::string data;
        std::string line;
    };
    const Case cases[] = {
        {"a plain string", REG_SZ, machine::StringData("C:\\x \"y\""), "\"PortID\"=\"C:\\\\x \\\"y\\\"\"\r\n"},
        {"a string with CR LF", REG_SZ, machine::StringData("a\r\nb"), "\"PortID\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n"},
        {"an expandable string", REG_EXPAND_SZ, machine::StringData("%SystemRoot%\\x"),
         "\"PortID\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,\\\r\n"
         "  00,25,00,5c,00,78,00,00,00\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Outcome run{test::ExampleMachine(kSample), test::ExampleMachine(kSample), {}};
        for (machine::Machine* machine : {&run.before, &run.after})
            machine->registry.Find(kPortIdKey)->SetValue("PortID", c.type, c.data);
        RunOn(run);
        EXPECT_NE(UndoText(run.after, kSampleUndo).find(c.line), std::string::npos);
        ApplyUndo(run.after, kSampleUndo);
        EXPECT_TRUE(run.after.registry == run.before.registry);
    }
}

// Whatever holds the name, Windows answers a new file's creation with "file
// exists", and the run takes the next name.
TEST(UndoFile, NeverWritesOverAnEarlierOneOfTheSameSecond)
{
    const std::function<void(machine::Machine&)> earlier[] = {
        [](machine::Machine& machine) { machine.files.Write(kSampleUndo, "an earlier run's undo"); },
        [](machine::Machine& machine) {
            machine.files.Write(kSampleUndo, "an earlier run's undo").attributes = FILE_ATTRIBUTE_READONLY;
        },
        [](machine::Machine& machine) {
            machine.files.Write(kSampleUndo, "an earlier run's undo");
            machine.heldFiles.push_back({kSampleUndo, GENERIC_READ | GENERIC_WRITE, 0});
        },
        [](machine::Machine& machine) { machine.files.MakeDirectory(kSampleUndo); },
    };
    for (const auto& takeName : earlier) {
        Outcome run{test::ExampleMachine(kSample), test::ExampleMachine(kSample), {}};
        for (machine::Machine* machine : {&run.before, &run.after})
            takeName(*machine);
        RunOn(run);
        if (run.before.files.Find(kSampleUndo) != nullptr)
            EXPECT_EQ(test::FileText(run.after, kSampleUndo), "an earlier run's undo");
        else
            EXPECT_TRUE(run.after.files.DirectoryExists(kSampleUndo));
        std::vector<std::string> undoFiles = sim::NewUndoFiles(run.before, run.after);
        // Numbered after the one there, or given the next name where that number is taken.
        ASSERT_EQ(undoFiles.size(), 1u);
        EXPECT_TRUE(undoFiles[0] == SAMPLE_UNDO_STORE "Remendo-undo-2-20261208-093000.reg" ||
                    undoFiles[0] == SAMPLE_UNDO_BASE "-2.reg")
            << undoFiles[0];
        ApplyUndo(run.after, undoFiles[0]);
        EXPECT_TRUE(run.after.registry == run.before.registry);
    }

    // A copy's name that is taken, by a file or by a copy half written when an
    // earlier run was cut off, takes the next free one.
    Outcome run{test::ExampleMachine(kSample), test::ExampleMachine(kSample), {}};
    for (machine::Machine* machine : {&run.before, &run.after})
        machine->files.Write(kSampleCopiesDll, "another file");
    RunOn(run);
    EXPECT_EQ(test::FileText(run.after, kSampleCopiesDll), "another file");
    EXPECT_NE(UndoText(run.after, kSampleUndo).find(std::string("; copy /y \"") + kSampleCopies + "cvqscan3-2.dll\""),
              std::string::npos);
    ApplyUndo(run.after, kSampleUndo);
    EXPECT_EQ(test::FileText(run.after, "C:\\WINDOWS\\system32\\cvqscan3.dll"),
              test::FileText(run.before, "C:\\WINDOWS\\system32\\cvqscan3.dll"));
}

// An undo file that cannot be created or written: one error line in the log,
// which is otherwise that of a sound run, no file left, and the same repairs.
TEST(UndoFile, ThatFailsAddsOneErrorLineLeavesNoFileAndRepairsAsBefore)
{
    Outcome sound = RunExample(kSample);
    // Each log line is one write: the undo file's first write follows the
    // lines before the first change.
    auto firstChange = std::find_if(sound.log.begin(), sound.log.end(), [](const std::string& line) {
        return line.find("--- Yes, changed") != std::string::npos;
    });
    int firstUndoWrite = 1 + static_cast<int>(firstChange - sound.log.begin());
    struct Case {
        const char* what;
        const char* operation;
        int call;
        DWORD error;
        std::string errorLine;
    };
    const std::string path = kSampleUndo;
    const Case cases[] = {
        // The log file is the run's first file, the undo file its second.
        {"its folder refuses it", "CreateFileA", 2, ERROR_ACCESS_DENIED,
         "DebugLog: LogLastError> Couldn't create the undo file " + path + ": Access is denied."},
        {"the disk is full", "WriteFile", firstUndoWrite, ERROR_DISK_FULL,
         "DebugLog: LogLastError> Couldn't write the undo file " + path + ": There is not enough space on the disk."},
        {"a flush fails", "FlushFileBuffers", 2, ERROR_ACCESS_DENIED,
         "DebugLog: LogLastError> Couldn't write the undo file " + path + ": Access is denied."},
        {"a copy cannot be made", "CopyFileA", 1, ERROR_DISK_FULL,
         "DebugLog: LogLastError> Couldn't copy C:\\WINDOWS\\system32\\cvqscan3.dll beside the undo file " + path +
             ": There is not enough space on the disk."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Outcome run{test::ExampleMachine(kSample), test::ExampleMachine(kSample), {}};
        run.after.faults.push_back({c.operation, c.call, c.error});
        RunOn(run);
        std::vector<std::string> log = run.log;
        // The system's text brings its own line end.
        auto error = std::find(log.begin(), log.end(), c.errorLine + "\r\n");
        ASSERT_NE(error, log.end());
        log.erase(error);
        EXPECT_EQ(log, sound.log);
        EXPECT_TRUE(sim::NewUndoFiles(run.before, run.after).empty());
        EXPECT_EQ(run.after.files.Find(kSampleCopiesHosts), nullptr);
        EXPECT_TRUE(run.after.registry == sound.after.registry);
    }
}

// A machine whose one stale value is the device's DeviceID: its undo file
// exists exactly when that rewrite succeeds.
TEST(UndoFile, ExistsOnlyWhenAValueWasRewritten)
{
    const char deviceKey[] =
        "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000";
    for (bool writeFails : {false, true}) {
        SCOPED_TRACE(writeFails ? "the rewrite fails" : "the rewrite succeeds");
        Outcome run{test::BaseMachine(), test::BaseMachine(), {}};
        for (machine::Machine* machine : {&run.before, &run.after})
            machine->registry.Find(deviceKey)->SetValue("DeviceID", REG_SZ, machine::StringData("stale"));
        if (writeFails)
            run.after.faults.push_back({"RegSetValueExA", 1, ERROR_ACCESS_DENIED});
        RunOn(run);
        std::vector<std::string> undoFiles = sim::NewUndoFiles(run.before, run.after);
        EXPECT_EQ(undoFiles.size(), writeFails ? 0u : 1u);
        EXPECT_EQ(run.before.registry == run.after.registry, writeFails);
    }
}

// A 32-bit run on 64-bit Windows: its SOFTWARE keys named in the 64-bit view
// as Wow6432Node, as the 64-bit regedit needs them; the SYSTEM keys as they
// are; its copy lines name the system directory SysWOW64, but drivers\etc.
TEST(UndoFile, NamesWhatA32BitRunUnderWow64SawAsThe64BitRegeditAndCmdSeeThem)
{
    Outcome run{test::ExampleMachine(kSample), test::ExampleMachine(kSample), {}};
    sim::SimApi api(run.after);
    api.wow64 = true;
    sim::RunUtility(api);
    std::string text = UndoText(run.after, kSampleUndo);
    EXPECT_NE(text.find("\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Corvane\\CV_Quillray_7250_7252_7255_7290\\Port]\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane"), std::string::npos);
    EXPECT_NE(text.find(std::string("\r\n[") + kPortIdKey + "]\r\n"), std::string::npos);
    EXPECT_NE(text.find(std::string("; copy /y \"") + kSampleCopies + "cvqscan3.dll\" \"C:\\WINDOWS\\SysWOW64\\cvqscan3.dll\""),
              std::string::npos);
    EXPECT_NE(text.find(std::string("; copy /y \"") + kSampleCopies +
                        "hosts\" \"C:\\WINDOWS\\system32\\drivers\\etc\\hosts\""),
              std::string::npos);
}

// The management service registered again: its start type before the run goes
// into the undo file as its key's "Start" value; one that did not exist gets a
// comment, and is left.
TEST(UndoFile, PutsBackTheManagementServicesStartType)
{
    struct Case {
        const char* startType;  // "" for no service
        std::string text;
        // The service manager cannot tell the configuration (NT 4.0, a
        // refusal): the registry's "Start" value stands in, if there is one.
        bool configUnreadable = false;
        bool startInRegistry = false;
    };
    const std::string unknown = "; unknown: the start type of the QMX Driver CVQ40 service could not be read before "
                                "the run changed it; it is left as the run leaves it\r\n";
    const Case cases[] = {
        {"demand", std::string("[") + kManagementKey + "]\r\n\"Start\"=dword:00000003\r\n"},
        {"disabled", std::string("[") + kManagementKey + "]\r\n\"Start\"=dword:00000004\r\n"},
        {"", "; The QMX Driver CVQ40 service did not exist before this run: it is left as it is now\r\n"},
        {"demand", std::string("[") + kManagementKey + "]\r\n\"Start\"=dword:00000004\r\n", true, true},
        {"demand", unknown, true, false},
    };
    Outcome sound = RunExample(kSample);
    for (const Case& c : cases) {
        SCOPED_TRACE(*c.startType ? c.startType : "no service");
        SCOPED_TRACE(c.configUnreadable ? (c.startInRegistry ? "from the registry" : "unknown") : "");
        Outcome run{test::ExampleMachine(kSample), test::ExampleMachine(kSample), {}};
        if (c.configUnreadable)
            run.after.faults.push_back({"QueryServiceConfigA", 1, ERROR_ACCESS_DENIED});
        for (machine::Machine* machine : {&run.before, &run.after}) {
            if (c.startInRegistry)
                machine->registry.Create(kManagementKey).SetValue("Start", REG_DWORD, DwordData(4));
            auto& services = machine->services;
            auto management = std::find_if(services.begin(), services.end(),
                                           [](const machine::Service& s) { return s.name == "QMX Driver CVQ40"; });
            ASSERT_NE(management, services.end());
            if (*c.startType)
                management->startType = c.startType;
            else
                services.erase(management);
        }
        RunOn(run);
        EXPECT_NE(UndoText(run.after, kSampleUndo).find(c.text), std::string::npos);
        // The log has no line for the undo, whatever it holds.
        EXPECT_TRUE(std::none_of(run.log.begin(), run.log.end(), MentionsUndoFile));
        ApplyUndo(run.after, kSampleUndo);
        EXPECT_TRUE(run.after.registry == run.before.registry);
        if (*c.startType && !c.configUnreadable) {
            ASSERT_EQ(run.after.services.size(), run.before.services.size());
            for (std::size_t i = 0; i < run.before.services.size(); ++i)
                EXPECT_EQ(run.after.services[i].startType, run.before.services[i].startType);
        }
    }
}

}  // namespace

namespace {
const char kStoreBase[] = "C:\\Documents and Settings\\All Users\\Application Data\\";

void CopyKey(const machine::RegKey& from, machine::RegKey& to)
{
    for (const machine::RegValue& value : from.values)
        to.SetValue(value.name, value.type, value.data);
    for (const auto& subkey : from.subkeys)
        CopyKey(*subkey.second, to.CreateSubkey(subkey.second->name));
}

security::Sid UserSid()
{
    security::Sid sid = {1, 5, 0, 0, 0, 0, 0, 5};
    for (DWORD sub : {21u, 1u, 2u, 3u, 1001u})
        sid.append(reinterpret_cast<const char*>(&sub), 4);
    return sid;
}
}  // namespace

// The run keeps its record only in a folder no one but the system and
// Administrators may change: a folder of that name others may change (made by
// a user before the first run) is moved aside whole, named in the log, and
// the store made afresh; a trusted one is kept, and the run takes the next
// number in it.
TEST(UndoFile, KeepsItsRecordOnlyWhereAdministratorsAloneMayChangeIt)
{
    const std::string outer = std::string(kStoreBase) + "Remendo";
    security::Descriptor byUser = security::AdministratorsOnly();
    byUser.owner = UserSid();
    security::Descriptor usersWrite = security::AdministratorsOnly();
    usersWrite.dacl.push_back({security::Ace::kAllow, 0, 0x0002u, security::UsersSid()});
    security::Descriptor noList = security::AdministratorsOnly();
    noList.hasDacl = false;
    security::Descriptor creatorOwner = security::AdministratorsOnly();
    creatorOwner.dacl.push_back({security::Ace::kAllow, security::kInheritOnly | security::kObjectInherit,
                                 security::kFileAllAccess, {1, 1, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0}});
    struct Case {
        const char* what;
        security::Descriptor descriptor;
        std::string why;  // "" for a folder that is kept
    };
    const Case cases[] = {
        {"owned by a user", byUser, "owned by S-1-5-21-1-2-3-1001"},
        {"Users may write", usersWrite, "S-1-5-32-545 may change it or what it holds"},
        {"no access list", noList, "it has no access list: everyone may change it"},
        {"trusted, with a placeholder for creators", creatorOwner, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Outcome run{test::ExampleMachine(kSample), test::ExampleMachine(kSample), {}};
        const std::string earlier = outer + "\\Undo\\Remendo-undo-7-20261201-080000.reg";
        for (machine::Machine* machine : {&run.before, &run.after}) {
            machine->files.Write(earlier, "an earlier run's undo, or a planted one");
            machine->files.SetSecurity(outer, security::SelfRelative(c.descriptor));
        }
        RunOn(run);
        std::string movedLine = "DebugLog: UndoFile> " + outer + " is no folder only administrators can change (" +
                                c.why + "): moved it aside to " + outer + ".untrusted";
        bool moved = !c.why.empty();
        EXPECT_EQ(std::count(run.log.begin(), run.log.end(), movedLine), moved ? 1 : 0);
        EXPECT_NE(run.after.files.Find(moved ? outer + ".untrusted\\Undo\\Remendo-undo-7-20261201-080000.reg" : earlier),
                  nullptr);
        std::vector<std::string> undoFiles = sim::NewUndoFiles(run.before, run.after);
        // The one moved aside is no new undo file.
        undoFiles.erase(std::remove_if(undoFiles.begin(), undoFiles.end(),
                                       [](const std::string& path) { return path.find(".untrusted") != std::string::npos; }),
                        undoFiles.end());
        ASSERT_EQ(undoFiles.size(), 1u);
        EXPECT_EQ(undoFiles[0], outer + (moved ? "\\Undo\\Remendo-undo-1-" : "\\Undo\\Remendo-undo-8-") +
                                    "20261208-093000.reg");
        if (moved) {
            EXPECT_EQ(run.after.files.SecurityOf(outer), undostore::AdministratorsOnlyDescriptor());
            EXPECT_EQ(run.after.files.SecurityOf(outer + "\\Undo"), undostore::AdministratorsOnlyDescriptor());
        }
        ApplyUndo(run.after, undoFiles[0]);
        EXPECT_TRUE(run.after.registry == run.before.registry);
    }
}

// Windows 98 has no accounts and no common application data folder: the
// store lies under the Windows folder, and nothing there is checked.
TEST(UndoFile, OnWindows98LiesUnderTheWindowsFolder)
{
    Outcome run{test::ExampleMachine(kSample), test::ExampleMachine(kSample), {}};
    for (machine::Machine* machine : {&run.before, &run.after}) {
        machine->os = {4, 10, 2222, VER_PLATFORM_WIN32_WINDOWS, " A ", false};
        // The imaging devices where the 9x family keeps them.
        CopyKey(*machine->registry.Find("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
                                        "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}"),
                machine->registry.Create("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Image"));
        security::Descriptor byUser = security::AdministratorsOnly();
        byUser.owner = UserSid();
        machine->files.MakeDirectory("C:\\WINDOWS\\Remendo\\Undo");
        machine->files.SetSecurity("C:\\WINDOWS\\Remendo", security::SelfRelative(byUser));
    }
    RunOn(run);
    std::vector<std::string> undoFiles = sim::NewUndoFiles(run.before, run.after);
    ASSERT_EQ(undoFiles.size(), 1u) << ::testing::PrintToString(run.log);
    EXPECT_EQ(undoFiles[0], "C:\\WINDOWS\\Remendo\\Undo\\Remendo-undo-1-20261208-093000.reg");
    EXPECT_TRUE(std::none_of(run.log.begin(), run.log.end(), MentionsUndoFile));
    ApplyUndo(run.after, undoFiles[0]);
    EXPECT_TRUE(run.after.registry == run.before.registry);
}

// Before Windows 2000 the file is 8-bit text of the code page: a text whose
// bytes there happen to read as UTF-8 ("Ã©" in 1252) comes back as it was.
TEST(UndoFile, OnNt4IsTheCodePagesTextAndPutsItBackAsItWas)
{
    Outcome run{test::ExampleMachine("windows-nt4-family-b"), test::ExampleMachine("windows-nt4-family-b"), {}};
    const char productKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\CV_Quillray_7250_7252_7255_7290\\Port";
    for (machine::Machine* machine : {&run.before, &run.after})
        machine->registry.Find(productKey)->SetValue("Hostname", REG_SZ, std::string("cvq\xC3\x83\xC2\xA9\0", 8));
    RunOn(run);
    std::vector<std::string> undoFiles = sim::NewUndoFiles(run.before, run.after);
    ASSERT_EQ(undoFiles.size(), 1u);
    EXPECT_NE(test::FileText(run.after, undoFiles[0]).find("\"Hostname\"=\"cvq\xC3\xA9\""), std::string::npos);
    ApplyUndo(run.after, undoFiles[0]);
    EXPECT_TRUE(run.after.registry == run.before.registry);
}

// Backups the run writes over (an older cvqscan3.bak, an earlier hosts.bak)
// are kept first and put back; the files it makes beside the hosts file are
// named before they are made.
TEST(UndoFile, KeepsTheBackupsItWritesOverAndNamesTheFilesItMakes)
{
    const std::string dllBackup = "C:\\WINDOWS\\system32\\cvqscan3.bak";
    const std::string hostsBackup = "C:\\WINDOWS\\system32\\drivers\\etc\\hosts.bak";
    Outcome run{test::ExampleMachine(kSample), test::ExampleMachine(kSample), {}};
    for (machine::Machine* machine : {&run.before, &run.after}) {
        machine->files.Write(dllBackup, "MZ an older backup");
        machine->files.Write(hostsBackup, "127.0.0.1 an earlier backup\r\n");
    }
    RunOn(run);
    ASSERT_NE(test::FileText(run.after, dllBackup), test::FileText(run.before, dllBackup));
    ASSERT_NE(test::FileText(run.after, hostsBackup), test::FileText(run.before, hostsBackup));
    std::string text = UndoText(run.after, kSampleUndo);
    for (const char* made : {"hosts.new\"\r\n", "hosts.new\" ", "hosts.bak.new\" "})
        EXPECT_NE(text.find(std::string("; making \"C:\\WINDOWS\\system32\\drivers\\etc\\") + made), std::string::npos) << made;
    ApplyUndo(run.after, kSampleUndo);
    EXPECT_EQ(test::FileText(run.after, dllBackup), test::FileText(run.before, dllBackup));
    EXPECT_EQ(test::FileText(run.after, hostsBackup), test::FileText(run.before, hostsBackup));
}
