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
#include "sim/Restart.h"

namespace {
const char kSample[] = "networked-family-b";
const char kFolder[] = "C:\\Program Files\\Corvane\\Remendo\\";
const char kUndo[] = "C:\\Program Files\\Corvane\\Remendo\\Remendo-undo-20261208-093000.reg";
const char kHostsCopy[] = "C:\\Program Files\\Corvane\\Remendo\\Remendo-undo-20261208-093000-hosts";
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
    };
    const std::string left = "\n\nLeft as they are, because they changed since the run: ";
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
         IDYES, {kHosts},
         "Put back: 9 registry values, cvqscan3.dll and the start type of QMX Driver CVQ40." + left + "the hosts file.",
         "is missing or changed since the run"},
        {"the answer No", [](machine::Machine&) {}, IDNO, {"everything"}, "Nothing was put back.",
         "--- No, it and any older run stay as they are"},
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
        EXPECT_NE(run.after.files.Find(kHostsCopy), nullptr);
        EXPECT_EQ(run.after.files.Find(std::string(kUndo) + ".undone") != nullptr, c.answer == IDYES);
    }
}

// A run once undone is not offered again; two runs go back newest first.
TEST(UndoProgram, TwoRunsGoBackNewestFirstAndOnce)
{
    const char kLaterUndo[] = "C:\\Program Files\\Corvane\\Remendo\\Remendo-undo-20261208-093000-2.reg";
    Undone run = RepairThenUndo([](machine::Machine& m) {
        // The product key set back by hand, and the utility run once more.
        m.registry.Find(kProductKey)->SetValue("IP Address", REG_SZ, std::string("10.0.0.20\0", 10));
        sim::SimApi again(m);
        sim::RunUtility(again);
    });
    ASSERT_EQ(run.boxes.size(), 3u);
    EXPECT_EQ(run.boxes[1], kQuestion);
    EXPECT_TRUE(run.after.registry == run.before.registry);
    EXPECT_EQ(test::FileText(run.after, kHosts), test::FileText(run.before, kHosts));
    EXPECT_LT(std::find_if(run.log.begin(), run.log.end(),
                           [&](const std::string& line) { return line.find(kLaterUndo) != std::string::npos; }),
              std::find_if(run.log.begin(), run.log.end(),
                           [](const std::string& line) { return line.find("093000.reg (") != std::string::npos; }));

    sim::SimApi once_more(run.after);
    sim::RunUndo(once_more);
    EXPECT_EQ(test::BoxTexts(once_more), std::vector<std::string>{"There is no run of Remendo to undo."});
}

// The still-image service holds the scan DLL: it goes back at the next restart.
TEST(UndoProgram, ADllInUseGoesBackAtTheRestart)
{
    Undone run = RepairThenUndo(
        [](machine::Machine& m) { m.heldFiles.push_back({kDll, GENERIC_READ, FILE_SHARE_READ}); });
    EXPECT_EQ(run.boxes.back(), std::string(kAllPutBack) + "\n\nRestart the computer to finish putting back cvqscan3.dll.");
    EXPECT_NE(test::FileText(run.after, kDll), test::FileText(run.before, kDll));
    run.after.heldFiles.clear();
    sim::Restart(run.after);
    EXPECT_EQ(test::FileText(run.after, kDll), test::FileText(run.before, kDll));
    EXPECT_EQ(run.after.files.Find(kDll)->attributes, run.before.files.Find(kDll)->attributes);
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
        EXPECT_EQ(test::BoxTexts(api), std::vector<std::string>{"There is no run of Remendo to undo."});
        EXPECT_TRUE(machine.registry == before.registry);
    }
}

}  // namespace
