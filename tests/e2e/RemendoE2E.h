// The fixture every end-to-end test shares: a copy of remendo.exe in a
// directory of the test's own, a machine prepared for it, and the run driven
// as a user would drive it. Also the file and text helpers the checks use.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "Differential.h"
#include "RemendoProcess.h"

// The programs built for the tests, given on the command line (see E2EMain.cpp).
struct E2EPrograms {
    std::string remendoExe;
    std::string managementStandIn;  // cvqmgr40.exe of the tests
    std::string olderScanDll;       // cvqscan3.dll, version 1.0.0.0
    std::string newerScanDll;       // cvqscan3.dll, version 2.0.0.0
    std::string undoExe;            // remendo-undo.exe
    std::string captureExe;         // remendo-capture.exe
    std::string simExe;             // remendo-sim.exe
    std::string spoolerProbe;       // a winspool.drv that marks where it was loaded
};
const E2EPrograms& Programs();

// Wine maps the Unix root to drive Z:, so a build path from CMake is reachable there.
std::string WindowsPath(const std::string& path);
bool ReadBytes(const std::string& path, std::string* bytes);
bool WriteBytes(const std::string& path, const std::string& bytes);
// The lines of a CR LF text, without their CR LF.
std::vector<std::string> SplitCrLf(const std::string& bytes);
std::string Joined(const std::vector<std::string>& lines);
// The system directory, without a trailing backslash.
std::string SystemDirectory();
// The runs' undo store ("...\\Remendo\\Undo\\" under the common application data
// folder), and its undo files.
std::string UndoStoreOuterFolder();
std::string UndoStore();
std::vector<std::string> UndoFilesInStore();
// Every run's undo record gone, and the store with it, so each test starts
// from a machine no run has touched.
void RemoveUndoStore();

const DWORD kBoxTimeoutMs = 60000;
const DWORD kExitTimeoutMs = 30000;
const char kCompletedMessage[] = "The utility has completed.";
const char kProgressCaption[] = "CV Remendo Utility";
const char kChangesMadeMessage[] = "Changes were made that may have corrected a problem.";
const char kChangesRebootMessage[] = "Changes were made that require a reboot to take affect.";
const char kDirectQuestion[] = "Found CV Quillray 7250 on DOT4_001, Continue with this information?";

class RemendoE2E : public ::testing::Test {
protected:
    // Copies remendo.exe into the test's directory, then prepares the machine.
    void SetUp() override;
    // The machine the test's suite needs; by default a healthy direct one
    // (see MachineSetup.h). False, with the reason in `error`, on failure.
    virtual bool PrepareMachine(std::string* error);

    // Captures the machine (see Differential.h), then starts remendo.exe.
    void Start();
    // Replays the capture and compares it with the run that ended; done at
    // the latest when the test ends, earlier by a test that changes the
    // machine after the run.
    void CompareWithSimulation();
    // Notes another moment for the start of the run the replay compares with,
    // in place of the one Start() noted.
    void NoteRunStartForReplay(const SYSTEMTIME& at);
    // Off for a test whose machine the capture and the replay cannot share:
    // a DLL planted beside the programs would be loaded by the tools they start.
    bool m_replayOnSimulation = true;
    void TearDown() override;
    // A visible message box of the run; fails the test when none shows.
    HWND NextBox();
    // Presses a button of a box or dialog and runs the program until that window is gone.
    void Answer(HWND window, int buttonId);
    // Confirms `question`, runs to the final box, checks its text, presses
    // OK and waits for the end.
    void RunToCompletion(const std::string& question = kDirectQuestion,
                         const std::string& finalMessage = kCompletedMessage);
    // Presses OK in a final box with `finalMessage` and waits for the end.
    void FinishWithBox(const std::string& finalMessage);
    bool WaitUntilGone(HWND window);
    // A test's look at the final box before it is answered.
    virtual void OnFinalBox(HWND) {}

    std::string LogBytes();
    std::vector<std::string> LogLines() { return SplitCrLf(LogBytes()); }
    // Whether the log holds `line` (without its CR LF).
    bool Logged(const std::string& line);

    std::string m_dir;
    std::string m_exe;
    std::string m_log;
    RemendoProcess m_run;
    // The answers given to the run, recorded by Answer and FinishWithBox; a
    // test that answers the connection dialog records those answers itself.
    RunAnswers m_answers;

private:
    std::optional<Differential> m_differential;
    bool m_compared = false;
};

// Whether `lines` hold every line of `expected` in this order (other lines
// may come between): "" when they do, else the first line missing and the log.
std::string MissingInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected);
