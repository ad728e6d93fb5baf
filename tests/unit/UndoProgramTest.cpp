// remendo-undo on simulated machines: a repair, then the undo, and what the
// machine holds after.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RunUtility.h"
#include "SimTestSupport.h"
#include "machine/MachineDiff.h"
#include "platform/RegistryKey.h"
#include "platform/SecurityDescriptor.h"
#include "StoredRuns.h"
#include "log/FileFingerprint.h"
#include "sim/Restart.h"
#include "sim/SimProcess.h"

namespace {
const char kSample[] = "networked-family-b";
const char kFolder[] = "C:\\Program Files\\Corvane\\Remendo\\";
#define STORE "C:\\Documents and Settings\\All Users\\Application Data\\Remendo\\Undo\\"
const char kStore[] = STORE;
const char kUndo[] = STORE "Remendo-undo-1-20261208-093000.reg";
const char kHostsCopy[] = STORE "Remendo-undo-1-20261208-093000-hosts";
const char kHosts[] = "C:\\WINDOWS\\system32\\drivers\\etc\\hosts";
const char kDll[] = "C:\\WINDOWS\\system32\\cvqscan3.dll";
const char kProductKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\CV_Quillray_7250_7252_7255_7290\\Port";
const char kQuestion[] = "Undo the Remendo run of Tuesday, December 08, 2026 at 09:30? It puts back 9 registry values, "
                         "the hosts file, cvqscan3.dll and the start type of QMX Driver CVQ40.";
const char kAllPutBack[] =
    "Put back: 9 registry values, the hosts file, cvqscan3.dll and the start type of QMX Driver CVQ40.";

struct Undone {
    machine::Machine before;  // before the repair
    machine::Machine after;   // after the repair and the undo
    std::vector<std::string> log;
    std::vector<std::string> boxes;
};

// The sample repaired, `between` done to the machine, then the undo answered
// with `answer` in every question box.
Undone RepairThenUndo(const std::function<void(machine::Machine&)>& between, int answer = IDYES)
{
    Undone run{test::ExampleMachine(kSample), test::ExampleMachine(kSample), {}, {}};
    {
        sim::SimApi repair(run.after);
        sim::RunUtility(repair);
    }
    between(run.after);
    // The machine's scripted answers are the repair's.
    run.after.messageBoxAnswers.clear();
    sim::SimApi api(run.after);
    api.onUnscriptedMessageBox = [answer](const machine::ShownMessageBox& box) {
        return (box.style & MB_TYPEMASK) == MB_YESNO ? answer : IDOK;
    };
    sim::RunUndo(api);
    run.log = test::LogLines(api);
    run.boxes = test::BoxTexts(api);
    return run;
}

std::string StartType(const machine::Machine& machine)
{
    for (const machine::Service& service : machine.services) {
        if (service.name == "QMX Driver CVQ40")
            return service.startType;
    }
    return std::string();
}

bool Logged(const Undone& run, const std::string& text)
{
    for (const std::string& line : run.log) {
        if (line.find(text) != std::string::npos)
            return true;
    }
    return false;
}

std::string ValueText(machine::Machine& machine, const std::string& key, const std::string& name)
{
    const machine::RegKey* found = machine.registry.Find(key);
    const machine::RegValue* value = found == nullptr ? nullptr : found->FindValue(name);
    return value == nullptr ? std::string() : value->data;
}

// What the undo leaves, by case: the machine of before the repair but for what
// the case says, the boxes shown, and a line the log must hold.
TEST(UndoProgram, PutsBackWhatTheRunChangedAndNothingThatChangedSince)
{
    struct Case {
        const char* what;
        std::function<void(machine::Machine&)> between;
        int answer;
        std::vector<std::string> differences;  // what differs from the machine of before
        std::string finalBox;
        std::string logged;
        bool undone = true;     // whether the run is marked undone (all back, or left on purpose)
        bool copyThere = true;  // the undo's hosts copy
    };
    const std::string left = "\n\nLeft as they are, because they changed since the run: ";
    const std::string allButHosts = "Put back: 9 registry values, cvqscan3.dll and the start type of QMX Driver CVQ40.";
    const Case cases[] = {
        {"the whole run", [](machine::Machine&) {}, IDYES, {}, kAllPutBack, "put back the hosts file ##### FIXED"},
        {"a value set again since", [](machine::Machine& m) { m.registry.Find(kProductKey)->SetValue("Hostname", REG_SZ, std::string("mine\0", 5)); },
         IDYES, {"Hostname"},
         "Put back: 8 registry values, the hosts file, cvqscan3.dll and the start type of QMX Driver CVQ40." + left +
             "1 registry value.",
         "--- No, it changed since the run: left as it is"},
        {"the hosts file edited since", [](machine::Machine& m) { m.files.Find(kHosts)->bytes += "# mine\r\n"; },
         IDYES, {kHosts},
         "Put back: 9 registry values, cvqscan3.dll and the start type of QMX Driver CVQ40." + left + "the hosts file.",
         "--- No, it changed since the run: left as it is"},
        {"the undo's copy changed", [](machine::Machine& m) { m.files.Find(kHostsCopy)->bytes += "x"; },
         IDYES, {kHosts}, allButHosts + "\n\nCould not be put back (see Remendo-undo.log): the hosts file.",
         "is not what the run kept: left as it is", false},
        {"the undo's copy missing", [](machine::Machine& m) { m.files.Remove(kHostsCopy); },
         IDYES, {kHosts}, allButHosts + "\n\nLeft as they are, because the undo's copy is missing: the hosts file.",
         "is missing: left as it is", false, false},
        {"the product key and the service removed since",
         [](machine::Machine& m) {
             m.registry.Delete(std::string(kProductKey).substr(0, sizeof kProductKey - sizeof "\\Port"));
             m.services.erase(std::remove_if(m.services.begin(), m.services.end(),
                                             [](const machine::Service& s) { return s.name == "QMX Driver CVQ40"; }),
                              m.services.end());
         },
         IDYES, {"removed"},
         "Put back: 5 registry values, the hosts file and cvqscan3.dll." + left +
             "4 registry values and the start type of QMX Driver CVQ40.",
         "--- No, it changed since the run: left as it is"},
        {"the answer No", [](machine::Machine&) {}, IDNO, {"everything"}, "Nothing was put back.",
         "--- No, it and any older run stay as they are", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Undone run = RepairThenUndo(c.between, c.answer);
        ASSERT_GE(run.boxes.size(), 2u);
        EXPECT_EQ(run.boxes.front(), kQuestion);
        EXPECT_EQ(run.boxes.back(), c.finalBox);
        EXPECT_TRUE(Logged(run, c.logged)) << c.logged;
        if (c.differences.empty()) {
            EXPECT_TRUE(run.after.registry == run.before.registry);
            for (const char* path : {kHosts, kDll})
                EXPECT_EQ(test::FileText(run.after, path), test::FileText(run.before, path)) << path;
            EXPECT_EQ(run.after.files.Find(kDll)->attributes, run.before.files.Find(kDll)->attributes);
            // The run's own DLL is back beside the program, for a later run to install.
            EXPECT_EQ(test::FileText(run.after, std::string(kFolder) + "cvqscan3.dll"),
                      test::FileText(run.before, std::string(kFolder) + "cvqscan3.dll"));
            EXPECT_EQ(StartType(run.after), StartType(run.before));
        } else if (c.differences[0] == kHosts) {
            EXPECT_NE(test::FileText(run.after, kHosts), test::FileText(run.before, kHosts));
            EXPECT_EQ(ValueText(run.after, kProductKey, "Hostname"), ValueText(run.before, kProductKey, "Hostname"));
        } else if (c.differences[0] == "Hostname") {
            EXPECT_EQ(ValueText(run.after, kProductKey, "Hostname"), std::string("mine\0", 5));
            EXPECT_EQ(test::FileText(run.after, kHosts), test::FileText(run.before, kHosts));
        }
        // Nothing of the undo is removed or written over.
        EXPECT_NE(run.after.files.Find(kUndo), nullptr);
        EXPECT_EQ(run.after.files.Find(kHostsCopy) != nullptr, c.copyThere);
        EXPECT_EQ(run.after.files.Find(std::string(kUndo) + ".undone") != nullptr, c.undone);
    }
}

// A run once undone is not offered again; two runs go back latest first, by
// their order in the store, whatever the clock said; a value already as
// before is not offered.
TEST(UndoProgram, TwoRunsGoBackLatestFirstAndOnce)
{
    const char kLaterUndo[] = STORE "Remendo-undo-2-20261207-080000.reg";
    Undone run = RepairThenUndo([](machine::Machine& m) {
        // The product key set back by hand, the clock set back, and the utility run once more.
        m.registry.Find(kProductKey)->SetValue("IP Address", REG_SZ, std::string("10.0.0.20\0", 10));
        m.startTime = {2026, 12, 1, 7, 8, 0, 0, 0};
        sim::SimApi again(m);
        sim::RunUtility(again);
    });
    ASSERT_EQ(run.boxes.size(), 3u);
    EXPECT_EQ(run.boxes[1], "Undo the Remendo run of Tuesday, December 08, 2026 at 09:30? It puts back 8 registry "
                            "values, the hosts file, cvqscan3.dll and the start type of QMX Driver CVQ40.");
    EXPECT_TRUE(run.after.registry == run.before.registry);
    EXPECT_EQ(test::FileText(run.after, kHosts), test::FileText(run.before, kHosts));
    EXPECT_LT(std::find_if(run.log.begin(), run.log.end(),
                           [&](const std::string& line) { return line.find(kLaterUndo) != std::string::npos; }),
              std::find_if(run.log.begin(), run.log.end(),
                           [](const std::string& line) { return line.find("1-20261208-093000.reg (") != std::string::npos; }));

    sim::SimApi once_more(run.after);
    sim::RunUndo(once_more);
    EXPECT_EQ(test::BoxTexts(once_more), std::vector<std::string>{"There is no run of Remendo to undo."});
}

// A scan DLL in use goes back at the next restart, whether the still-image
// service holds it open or has it loaded (a move over it is then refused).
TEST(UndoProgram, ADllInUseGoesBackAtTheRestart)
{
    for (bool loaded : {false, true}) {
        SCOPED_TRACE(loaded ? "loaded" : "open");
        Undone run = RepairThenUndo([loaded](machine::Machine& m) {
            m.heldFiles.push_back({kDll, GENERIC_READ, FILE_SHARE_READ, loaded});
        });
        EXPECT_EQ(run.boxes.back(),
                  std::string(kAllPutBack) + "\n\nRestart the computer to finish putting back cvqscan3.dll.");
        EXPECT_NE(test::FileText(run.after, kDll), test::FileText(run.before, kDll));
        EXPECT_NE(run.after.files.Find(std::string(kUndo) + ".undone"), nullptr);
        run.after.heldFiles.clear();
        sim::Restart(run.after);
        EXPECT_EQ(test::FileText(run.after, kDll), test::FileText(run.before, kDll));
        EXPECT_EQ(run.after.files.Find(kDll)->attributes, run.before.files.Find(kDll)->attributes);
    }
}

// The run left its DLL swap for the restart; an undo before it follows the
// swap at the same restart, so the old DLL stays.
TEST(UndoProgram, AnUndoBeforeTheRunsRestartFollowsItsSwap)
{
    machine::Machine before = test::ExampleMachine(kSample), machine = test::ExampleMachine(kSample),
                     notUndone = test::ExampleMachine(kSample);
    for (machine::Machine* repaired : {&machine, &notUndone}) {
        repaired->heldFiles.push_back({kDll, GENERIC_READ, FILE_SHARE_READ, true});
        sim::SimApi repair(*repaired);
        sim::RunUtility(repair);
    }
    ASSERT_FALSE(machine.pendingRenames.empty());
    notUndone.heldFiles.clear();
    sim::Restart(notUndone);
    EXPECT_NE(test::FileText(notUndone, kDll), test::FileText(before, kDll));

    machine.messageBoxAnswers.clear();
    sim::SimApi api(machine);
    api.onUnscriptedMessageBox = [](const machine::ShownMessageBox& box) {
        return (box.style & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
    };
    sim::RunUndo(api);
    EXPECT_NE(test::BoxTexts(api).back().find("Restart the computer to finish putting back cvqscan3.dll."),
              std::string::npos)
        << test::BoxTexts(api).back();
    machine.heldFiles.clear();
    sim::Restart(machine);
    EXPECT_EQ(test::FileText(machine, kDll), test::FileText(before, kDll));
}

// A put-back that failed leaves the run offered again, with what is left of it.
TEST(UndoProgram, ARunNotWhollyBackIsOfferedAgain)
{
    Undone run = RepairThenUndo(
        [](machine::Machine& m) { m.faults.push_back({"RegSetValueExW", 1, ERROR_ACCESS_DENIED}); });
    EXPECT_EQ(run.boxes.back(), "Put back: 8 registry values, the hosts file, cvqscan3.dll and the start type of QMX "
                                "Driver CVQ40.\n\nCould not be put back (see Remendo-undo.log): 1 registry value.");
    EXPECT_EQ(run.after.files.Find(std::string(kUndo) + ".undone"), nullptr);

    run.after.faults.clear();
    sim::SimApi again(run.after);
    again.onUnscriptedMessageBox = [](const machine::ShownMessageBox& box) {
        return (box.style & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
    };
    sim::RunUndo(again);
    EXPECT_EQ(test::BoxTexts(again),
              (std::vector<std::string>{
                  "Undo the Remendo run of Tuesday, December 08, 2026 at 09:30? It puts back 1 registry value.",
                  "Put back: 1 registry value."}));
    EXPECT_TRUE(run.after.registry == run.before.registry);
    EXPECT_NE(run.after.files.Find(std::string(kUndo) + ".undone"), nullptr);
}

// What a run cut off left beside the hosts file goes only when the record
// says the run was writing it: what it meant to write, or less of it.
TEST(UndoProgram, RemovesOnlyTheRunsOwnLeftovers)
{
    const std::string hostsNew = std::string(kHosts) + ".new";
    for (bool runs : {true, false}) {
        SCOPED_TRACE(runs ? "cut off while writing" : "the administrator's own");
        std::string left;
        Undone run = RepairThenUndo([&](machine::Machine& m) {
            std::string written = test::FileText(m, kHosts);
            left = runs ? written.substr(0, written.size() / 2) : written + "# mine\r\n";
            m.files.Write(hostsNew, left);
        });
        EXPECT_EQ(run.after.files.Find(hostsNew) == nullptr, runs);
        if (!runs) {
            EXPECT_EQ(test::FileText(run.after, hostsNew), left);
        }
        EXPECT_EQ(run.boxes.front().find(" values, hosts.new, the hosts file") != std::string::npos, runs) << run.boxes.front();
    }
}

// Only the store is read: undo files elsewhere are named, a store or file
// others may change is refused, and the box says why; nothing is changed.
TEST(UndoProgram, ReadsOnlyWhatOnlyAdministratorsMayChange)
{
    auto othersMayWrite = [](machine::Machine& m, const std::string& path, bool owner) {
        security::Descriptor descriptor;
        descriptor.owner = owner ? security::UsersSid() : security::AdministratorsSid();
        descriptor.hasDacl = true;
        descriptor.dacl = {{security::Ace::kAllow, 0, security::kFileAllAccess, security::AdministratorsSid()},
                           {security::Ace::kAllow, 0, owner ? 0x001200A9u : security::kFileAllAccess,
                            security::UsersSid()}};
        m.files.SetSecurity(path, security::SelfRelative(descriptor));
    };
    const std::string storeFolder = std::string(kStore).substr(0, sizeof kStore - 2);
    struct Case {
        const char* what;
        std::function<void(machine::Machine&)> between;
        std::string box;
    };
    const Case cases[] = {
        {"undo files planted beside the program and in the temp folder",
         [](machine::Machine& m) {
             std::string undo = m.files.Find(kUndo)->bytes;
             m.files.Remove(kUndo);
             m.files.Write(std::string(kFolder) + "Remendo-undo-9-20261208-093000.reg", undo);
             m.files.Write(m.paths.temp + "Remendo-undo-9-20261208-093000.reg", undo);
         },
         "There is no run of Remendo to undo.\n\nNot read, because undo files are read only from " STORE ": " +
             std::string(kFolder) + "Remendo-undo-9-20261208-093000.reg and C:\\WINDOWS\\TEMP\\"
             "Remendo-undo-9-20261208-093000.reg."},
        {"a store others may write to", [&](machine::Machine& m) { othersMayWrite(m, storeFolder, false); },
         "There is no run of Remendo to undo.\n\nRefused, so nothing of it is put back: " + storeFolder +
             " (S-1-5-32-545 may change it or what it holds)."},
        {"an undo file a user owns", [&](machine::Machine& m) { othersMayWrite(m, kUndo, true); },
         "There is no run of Remendo to undo.\n\nRefused, so nothing of it is put back: " + std::string(kUndo) +
             " (owned by S-1-5-32-545)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        machine::Machine repaired = test::ExampleMachine(kSample);
        {
            sim::SimApi repair(repaired);
            sim::RunUtility(repair);
        }
        Undone run = RepairThenUndo(c.between);
        EXPECT_EQ(run.boxes, std::vector<std::string>{c.box});
        EXPECT_TRUE(run.after.registry == repaired.registry);
        for (const char* path : {kHosts, kDll})
            EXPECT_EQ(test::FileText(run.after, path), test::FileText(repaired, path)) << path;
    }
}

// An undo file that names anything a run does not change, or is no undo file
// of this program, is refused whole: nothing of it is put back.
TEST(UndoProgram, RefusesAFileThatIsNotWhatARunWrites)
{
    auto utf16 = [](const std::string& text) {
        std::string bytes = "\xFF\xFE";
        for (char c : text)
            bytes += std::string{c, '\0'};
        return bytes;
    };
    struct Case {
        const char* what;
        std::string bytes;
        std::string why;
    };
    const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n";
    const Case cases[] = {
        {"a foreign key", utf16(header + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
                                         "\"x\"=\"evil.exe\"\r\n; wrote \"x\"=\"evil.exe\"\r\n"),
         "line 3: a key no run of Remendo changes"},
        {"a copy from elsewhere", utf16(header + "; copy /y \"C:\\evil\\hosts\" \"C:\\WINDOWS\\system32\\drivers\\etc\\hosts\"\r\n"),
         "line 3: a copy that is not this undo file's own"},
        {"a file no run changes", utf16(header + "; copy /y \"" + std::string(kUndo).substr(0, sizeof kUndo - 5) +
                                        "-x\" \"C:\\WINDOWS\\system32\\kernel32.dll\"\r\n"),
         "line 3: a file no run of Remendo changes"},
        {"a bad line", utf16(header + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\X]\r\n\"x\"=dword:12\r\n"),
         "line 4: a value line regedit would not read"},
        {"not UTF-16", header, "it is no undo file of this program"},
        {"a copy name with a slash", utf16(header + "; copy /y \"" + std::string(kUndo).substr(0, sizeof kUndo - 5) +
                                           "-a/b\" \"C:\\WINDOWS\\system32\\drivers\\etc\\hosts\"\r\n"),
         "line 3: a copy that is not this undo file's own"},
        {"a value name holding NUL",
         utf16(header + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\X]\r\n" +
               std::string("\"x\0y\"=dword:00000001\r\n; wrote \"x\0y\"=dword:00000002\r\n", 50)),
         "line 4: a value name holding a NUL character"},
        {"a key climbing out", utf16(header + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\..\\Microsoft]\r\n"),
         "line 3: a key with an empty, \".\" or \"..\" part"},
        {"a last value without what the run wrote",
         utf16(header + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\X]\r\n\"x\"=dword:00000001\r\n"),
         "line 4: a value without what the run wrote there"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        machine::Machine machine = test::ExampleMachine(kSample), before = test::ExampleMachine(kSample);
        machine.files.Write(kUndo, c.bytes);
        sim::SimApi api(machine);
        sim::RunUndo(api);
        std::vector<std::string> log = test::LogLines(api);
        EXPECT_TRUE(std::any_of(log.begin(), log.end(), [&](const std::string& line) {
            return line.find("is refused, " + c.why) != std::string::npos;
        })) << test::LogLines(api).back();
        std::string refused = "There is no run of Remendo to undo.\n\nRefused, so nothing of it is put back: " +
                              std::string(kUndo) + " (" + c.why;
        std::vector<std::string> boxes = test::BoxTexts(api);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].substr(0, refused.size()), refused);
        EXPECT_TRUE(machine.registry == before.registry);
    }
}

// A record of nothing left to put back is not offered, and not read again.
TEST(UndoProgram, ARecordHoldingNothingIsNotOffered)
{
    machine::Machine machine = test::ExampleMachine(kSample);
    std::string notesOnly = "\xFF\xFE";
    for (char c : std::string("Windows Registry Editor Version 5.00\r\n\r\n; The spooler service was restarted\r\n"))
        notesOnly += std::string{c, '\0'};
    machine.files.Write(kUndo, notesOnly);
    sim::SimApi api(machine);
    sim::RunUndo(api);
    EXPECT_EQ(test::BoxTexts(api), std::vector<std::string>{"There is no run of Remendo to undo."});
    EXPECT_NE(machine.files.Find(std::string(kUndo) + ".undone"), nullptr);
}

// What the run writes, the undo reads back; the package's folder may move.
TEST(UndoProgram, ReadsBackWhatTheRunWrote)
{
    machine::Machine machine = test::ExampleMachine(kSample);
    {
        sim::SimApi repair(machine);
        sim::RunUtility(repair);
    }
    sim::SimApi api(machine);
    sim::ScopedBackend backend(api);
    auto utf16 = [](const std::string& text) {
        std::string bytes;
        for (char c : text)
            bytes += std::string{c, '\0'};
        return bytes;
    };
    std::string bytes = machine.files.Find(kUndo)->bytes;
    const std::string package = utf16(kFolder), moved = utf16("E:\\Package\\");
    for (std::size_t at = 0; (at = bytes.find(package, at)) != std::string::npos; at += moved.size())
        bytes.replace(at, package.size(), moved);
    undo::UndoRecord record;
    std::string problem;
    ASSERT_TRUE(undo::ReadUndoFile(kUndo, bytes, undo::RunChangeablePlaces(), record, problem)) << problem;
    EXPECT_EQ(record.runDate, "Tuesday, December 08, 2026 at 09:30");
    EXPECT_EQ(record.values.size(), 10u);
    EXPECT_EQ(std::count_if(record.values.begin(), record.values.end(),
                            [](const undo::ValueChange& value) { return value.isStartType; }),
              1);
    ASSERT_EQ(record.files.size(), 2u);
    for (const undo::FileChange& file : record.files) {
        SCOPED_TRACE(file.target);
        FileFingerprint copy, now;
        ASSERT_TRUE(FingerprintOf(file.copy, copy) && FingerprintOf(file.target, now));
        EXPECT_EQ(copy, file.kept);
        EXPECT_TRUE(file.knowsWritten && now == file.written);
        EXPECT_EQ(file.movedFrom, file.target == kDll ? "E:\\Package\\cvqscan3.dll" : "");
    }
    ASSERT_EQ(record.made.size(), 2u);
    EXPECT_EQ(record.made[0].path, std::string(kHosts) + ".new");
    EXPECT_TRUE(record.made[0].knowsContent);
}

// Before Windows 2000 the run writes the REGEDIT4 form, 8-bit, which regedit
// reads there; read back, it holds the same as the UTF-16 form.
TEST(UndoProgram, ReadsBackTheRegedit4FormOfWindowsBefore2000)
{
    machine::Machine machine = test::ExampleMachine("windows-nt4-family-b");
    {
        sim::SimApi repair(machine);
        sim::RunUtility(repair);
    }
    sim::SimApi api(machine);
    sim::ScopedBackend backend(api);
    const char undoPath[] = "C:\\WINNT\\Remendo\\Undo\\Remendo-undo-1-20261209-141000.reg";
    ASSERT_NE(machine.files.Find(undoPath), nullptr);
    const std::string bytes = machine.files.Find(undoPath)->bytes;
    EXPECT_EQ(bytes.compare(0, 10, "REGEDIT4\r\n"), 0);
    undo::UndoRecord record;
    std::string problem;
    ASSERT_TRUE(undo::ReadUndoFile(undoPath, bytes, undo::RunChangeablePlaces(), record, problem)) << problem;
    EXPECT_EQ(record.runDate, "Wednesday, December 09, 2026 at 14:10");
    ASSERT_EQ(record.values.size(), 9u);
    // Text as the wide registry call gives it, and the start type read from the service's key.
    std::string wide;
    for (char c : std::string("\\\\.\\Dot4Scan001") + '\0')
        wide += std::string{c, '\0'};
    EXPECT_EQ(record.values[0].oldData, wide);
    EXPECT_TRUE(record.values.back().isStartType);
    EXPECT_EQ(record.values.back().oldData, DwordData(SERVICE_DEMAND_START));
    EXPECT_EQ(record.files.size(), 2u);
    EXPECT_EQ(record.made.size(), 2u);
}

}  // namespace
