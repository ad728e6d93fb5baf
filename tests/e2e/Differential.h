// The simulated machine held against Wine on every machine the tests prepare:
// the machine is captured before remendo.exe runs (and the capture must
// change nothing), remendo-sim replays the capture with the answers the test
// gave, and afterwards the two logs must be the same line for line and the
// machine remendo-sim leaves must equal a second capture.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "machine/Machine.h"

// What the test answered, in the form a machine folder scripts it.
struct RunAnswers {
    std::vector<std::string> messageBoxes;  // "yes", "no", "cancel", "ok"
    std::vector<machine::DialogAnswers> dialog;  // one set per press that leaves the dialog open
};

// Where the two logs part: "" when they agree. Lines of LogLastError agree
// when only the system's text of the error differs (Wine's texts are not Windows').
std::string LogDifference(const std::vector<std::string>& real, const std::vector<std::string>& simulated);

// Reads a machine folder as remendo-sim does; false, with the reason, when it cannot.
bool LoadFolder(const std::string& folder, machine::Machine& machine, std::string* error);

// Counts the machines compared in this run of the tests, for the closing line
// "Differential: N machines, M identical".
void CountComparedMachine(bool identical);
std::string FidelityLine();

class Differential {
public:
    // `runDir` holds the remendo.exe of the run; `name` names this run's folders.
    Differential(const std::string& runDir, const std::string& name);

    // Captures the machine with the remendo-capture.exe beside remendo.exe;
    // false, with the reason, when it fails or changes the machine.
    bool CaptureBeforeRun(std::string* error);
    // Notes the moment remendo.exe starts. The replay's clock starts at the
    // moment the exe's own date line gives (to the minute; the seconds are
    // the note's when it falls in that minute), so that neither the capture's
    // time nor a minute turning between the note and the exe's first line is a
    // difference; every line is then compared as it stands.
    void NoteRunStart(const SYSTEMTIME& at);
    // Replays the capture and compares the logs and the machines after the run;
    // "" when they agree, else every difference.
    std::string CompareWithRun(const std::vector<std::string>& realLog, const RunAnswers& answers);

private:
    std::string m_runDir;
    std::string m_root;  // this run's capture, replay and result folders
    std::optional<SYSTEMTIME> m_runStart;  // as noted
};
