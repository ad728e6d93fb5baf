#include "Differential.h"

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <regex>

#include "MachineSetup.h"
#include "RemendoE2E.h"
#include "machine/MachineDiff.h"
#include "machine/MachineFolder.h"

namespace {
const char kCapturesRoot[] = "C:\\remendo-e2e-captures\\";
const char kCaptureExe[] = "remendo-capture.exe";
const char kLastErrorPrefix[] = "DebugLog: LogLastError> ";
const DWORD kProgramTimeoutMs = 120000;
const int kStartAttempts = 3;
const DWORD kStartRetryPauseMs = 500;
// What the capture must leave as it found it: the system's half of the
// registry and the keys of SOFTWARE that it reads.
const char* const kExportedKeys[] = {"HKLM\\SYSTEM", "HKLM\\SOFTWARE\\Corvane",
                                     "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports"};
const char* const kSystemFiles[] = {"cvqscan.dll",  "cvqscan2.dll", "cvqscan3.dll", "cvqscan.bak", "cvqscan2.bak",
                                    "cvqscan3.bak", "cvqmgr40.exe", "drivers\\etc\\hosts", "drivers\\etc\\hosts.bak"};
const char* const kServices[] = {"spooler", "stisvc", "QMX Driver CVQ40"};
// Keys Wine writes of its own at any moment, left out of what the capture
// must leave as it is: its display driver's, whenever its desktop starts (a
// program's first window), and its service manager's count of the services
// it started (a printer list starts the spooler's process).
const char* const kWinesOwnKeys[] = {"[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Video\\",
                                     "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ServiceCurrent]"};
// A wait of the run for the management program that timed out: Wine on a
// loaded machine can take longer than the run waits to start and end a
// program. The replay's program then runs longer than that wait, as it did.
const char kManagementWaitTimedOut[] = "Remendo: ReInstallQMXService> No, waiting timed out";
const char kManagementProgram[] = "\\cvqmgr40.exe";
const DWORD kLongerThanTheRunWaitsMs = 5001;
// The simulated machine keeps the services' state in machine.json, not in
// their registry keys, which the service manager alone writes.
const char kServicesKeyChange[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\";

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

// Runs a program to its end; its exit code, or -1 (with the reason) when it cannot be run.
long RunProgram(const std::string& commandLine, std::string* error)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    // The programs' own output is not wanted: what they leave behind is checked.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = ::CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    startup.hStdInput = nul;
    PROCESS_INFORMATION process = {};
    BOOL started = FALSE;
    DWORD startError = ERROR_SUCCESS;
    // Wine on a loaded machine now and then fails a start with an internal
    // error (1359) that the next try does not meet.
    for (int attempt = 0; attempt < kStartAttempts && !started; ++attempt) {
        if (attempt > 0)
            ::Sleep(kStartRetryPauseMs);
        std::string line = commandLine;
        started = ::CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                   &startup, &process);
        startError = ::GetLastError();
        if (startError != ERROR_INTERNAL_ERROR)
            break;
    }
    if (nul != INVALID_HANDLE_VALUE)
        ::CloseHandle(nul);
    if (!started) {
        *error = "cannot start " + commandLine + ": error " + std::to_string(startError);
        return -1;
    }
    DWORD code = 1;
    if (::WaitForSingleObject(process.hProcess, kProgramTimeoutMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.hProcess, 1);
        *error = commandLine + " did not end in time";
    } else {
        ::GetExitCodeProcess(process.hProcess, &code);
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return error->empty() ? static_cast<long>(code) : -1;
}

bool RunToSuccess(const std::string& commandLine, std::string* error)
{
    long code = RunProgram(commandLine, error);
    if (code > 0)
        *error = commandLine + " ended with exit code " + std::to_string(code);
    return code == 0;
}

// A regedit export's text (UTF-16LE, its ASCII kept as such) without the
// keys Wine writes of its own.
std::string WithoutWinesOwnKeys(const std::string& exported)
{
    std::string text;
    for (std::size_t i = 0; i + 1 < exported.size(); i += 2)
        text += exported[i + 1] == '\0' ? exported[i] : '?';
    std::string kept;
    bool skipping = false;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line[0] == '[')
            skipping = std::any_of(std::begin(kWinesOwnKeys), std::end(kWinesOwnKeys),
                                   [&line](const char* key) { return line.rfind(key, 0) == 0; });
        if (!skipping)
            kept += line;
        start = end;
    }
    return kept;
}

// What a read-only program must leave as it is.
struct Snapshot {
    std::string registry;  // the exports' text
    std::map<std::string, std::string> files;  // path -> attributes and bytes
    std::string services;
    bool operator==(const Snapshot& other) const
    {
        return registry == other.registry && files == other.files && services == other.services;
    }
};

void AddFile(const std::string& path, Snapshot& snapshot)
{
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    std::string bytes;
    if (attributes != INVALID_FILE_ATTRIBUTES && ReadBytes(path, &bytes))
        snapshot.files[path] = std::to_string(attributes) + ":" + bytes;
}

bool TakeSnapshot(const std::string& runDir, const std::string& exportPath, Snapshot& snapshot, std::string* error)
{
    std::string reg = SystemDirectory() + "\\reg.exe";
    for (const char* key : kExportedKeys) {
        ::DeleteFileA(exportPath.c_str());
        std::string bytes;
        // A key that is missing exports nothing, before and after alike.
        RunProgram(Quoted(reg) + " export " + Quoted(key) + " " + Quoted(exportPath) + " /y", error);
        if (!error->empty())
            return false;
        ReadBytes(exportPath, &bytes);
        snapshot.registry += WithoutWinesOwnKeys(bytes);
    }
    WIN32_FIND_DATAA found = {};
    HANDLE search = ::FindFirstFileA((runDir + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                AddFile(runDir + found.cFileName, snapshot);
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    for (const char* name : kSystemFiles)
        AddFile(SystemDirectory() + "\\" + name, snapshot);
    for (const char* service : kServices)
        snapshot.services += std::to_string(ServiceState(service)) + "/" + std::to_string(ServiceStartType(service)) + " ";
    return true;
}

// The first line of the registry export in which two snapshots differ, as
// the later one has it, with its number.
std::string FirstRegistryDifference(const Snapshot& before, const Snapshot& after)
{
    std::size_t at = 0;
    while (at < before.registry.size() && at < after.registry.size() && before.registry[at] == after.registry[at])
        ++at;
    std::size_t lineStart = after.registry.rfind('\n', at == 0 ? 0 : at - 1);
    lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
    std::size_t lineEnd = after.registry.find('\n', at);
    std::string line =
        after.registry.substr(lineStart, lineEnd == std::string::npos ? std::string::npos : lineEnd - lineStart);
    std::size_t key = after.registry.rfind("\n[", lineStart);
    std::string keyLine =
        key == std::string::npos ? std::string() : after.registry.substr(key + 1, after.registry.find('\n', key + 1) - key - 1);
    return "character " + std::to_string(at) + ", " + keyLine + ": " + line;
}

// Wine's own services may still be writing under HKLM\SYSTEM when a test
// starts (seen on a loaded machine): the machine is taken once two snapshots
// in a row agree.
bool TakeSettledSnapshot(const std::string& runDir, const std::string& exportPath, Snapshot& snapshot,
                         std::string* error)
{
    const int kAttempts = 5;
    const DWORD kPauseMs = 500;
    Snapshot previous;
    if (!TakeSnapshot(runDir, exportPath, previous, error))
        return false;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (!TakeSnapshot(runDir, exportPath, snapshot, error))
            return false;
        if (snapshot == previous)
            return true;
        previous = std::move(snapshot);
        snapshot = Snapshot();
        ::Sleep(kPauseMs);
    }
    *error = "the machine kept changing before the capture";
    return false;
}

// The moment the run's date line gives ("Wednesday, December 09, 2026 at
// 19:53"), to the minute; none when the log has no such line.
std::optional<SYSTEMTIME> LoggedStart(const std::vector<std::string>& log)
{
    static const char* const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                        "Thursday", "Friday", "Saturday"};
    static const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                          "July",    "August",   "September", "October", "November", "December"};
    static const std::regex kDateLine(
        "Remendo: InitInstance> ([A-Za-z]+), ([A-Za-z]+) ([0-9]{2}), ([0-9]{4}) at ([0-9]{2}):([0-9]{2})");
    for (const std::string& line : log) {
        std::smatch parts;
        if (!std::regex_match(line, parts, kDateLine))
            continue;
        auto index = [](const char* const* names, std::size_t count, const std::string& name) {
            return static_cast<WORD>(std::find(names, names + count, name) - names);
        };
        SYSTEMTIME start = {};
        start.wDayOfWeek = index(kDays, 7, parts[1]);
        start.wMonth = static_cast<WORD>(index(kMonths, 12, parts[2]) + 1);
        start.wDay = static_cast<WORD>(std::stoi(parts[3]));
        start.wYear = static_cast<WORD>(std::stoi(parts[4]));
        start.wHour = static_cast<WORD>(std::stoi(parts[5]));
        start.wMinute = static_cast<WORD>(std::stoi(parts[6]));
        if (start.wDayOfWeek < 7 && start.wMonth <= 12)
            return start;
    }
    return std::nullopt;
}

// Where the replay's clock starts: the minute the exe wrote, at the noted
// second when the note falls in that minute, else at its first second.
std::optional<SYSTEMTIME> ReplayStart(const std::optional<SYSTEMTIME>& noted, const std::vector<std::string>& log)
{
    std::optional<SYSTEMTIME> logged = LoggedStart(log);
    if (!logged)
        return noted;
    auto sameMinute = [](const SYSTEMTIME& a, const SYSTEMTIME& b) {
        return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
               a.wMinute == b.wMinute;
    };
    return noted && sameMinute(*noted, *logged) ? noted : logged;
}

// The path of a Windows file inside a machine folder.
std::string FolderFile(const std::string& folder, const std::string& windowsPath)
{
    std::string path = folder + "\\files\\" + windowsPath.substr(0, 1) + windowsPath.substr(2);
    return path;
}

bool IsLastErrorLine(const std::string& line)
{
    return line.compare(0, sizeof kLastErrorPrefix - 1, kLastErrorPrefix) == 0;
}

// The log's lines, with the empty line a system text's own line end leaves
// after a LogLastError line taken out: not every system text has one.
std::vector<std::string> Entries(const std::vector<std::string>& lines)
{
    std::vector<std::string> entries;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        entries.push_back(lines[i]);
        if (IsLastErrorLine(lines[i]) && i + 1 < lines.size() && lines[i + 1].empty())
            ++i;
    }
    return entries;
}

// Whether two LogLastError lines say the same but for the system's text, which
// follows the program's own after the last ": " they share.
bool SameButForSystemText(const std::string& a, const std::string& b)
{
    if (!IsLastErrorLine(a) || !IsLastErrorLine(b))
        return false;
    std::size_t common = 0;
    while (common < a.size() && common < b.size() && a[common] == b[common])
        ++common;
    std::size_t separator = a.rfind(": ", common >= 2 ? common - 2 : 0);
    return separator != std::string::npos && separator + 2 > sizeof kLastErrorPrefix;
}
}  // namespace

namespace {
int s_machines = 0;
int s_identical = 0;
}  // namespace

void CountComparedMachine(bool identical)
{
    ++s_machines;
    s_identical += identical ? 1 : 0;
}

std::string FidelityLine()
{
    return "Differential: " + std::to_string(s_machines) + " machines, " + std::to_string(s_identical) + " identical";
}

std::string LogDifference(const std::vector<std::string>& real, const std::vector<std::string>& simulated)
{
    std::vector<std::string> a = Entries(real);
    std::vector<std::string> b = Entries(simulated);
    for (std::size_t i = 0; i < a.size() || i < b.size(); ++i) {
        std::string left = i < a.size() ? a[i] : "<end of log>";
        std::string right = i < b.size() ? b[i] : "<end of log>";
        if (left != right && !SameButForSystemText(left, right))
            return "line " + std::to_string(i + 1) + ":\n  remendo.exe: " + left + "\n  remendo-sim: " + right;
    }
    return "";
}

bool LoadFolder(const std::string& folder, machine::Machine& machine, std::string* error)
{
    machine::FolderContents contents;
    machine::LoadError problem;
    if (!machine::ReadFolderContents(folder, contents, problem) || !machine::LoadMachine(contents, machine, problem)) {
        *error = folder + ": " + problem.Describe();
        return false;
    }
    return true;
}

Differential::Differential(const std::string& runDir, const std::string& name)
    : m_runDir(runDir), m_root(std::string(kCapturesRoot) + name + "\\")
{
}

bool Differential::CaptureBeforeRun(std::string* error)
{
    ::CreateDirectoryA(kCapturesRoot, nullptr);
    RunProgram("cmd.exe /c rmdir /s /q " + Quoted(m_root), error);
    error->clear();
    ::CreateDirectoryA(m_root.c_str(), nullptr);
    std::string exportPath = m_root + "export.reg";
    Snapshot before, after;
    if (!TakeSettledSnapshot(m_runDir, exportPath, before, error) ||
        !RunToSuccess(Quoted(m_runDir + kCaptureExe) + " " + Quoted(m_root + "before"), error) ||
        !TakeSnapshot(m_runDir, exportPath, after, error))
        return false;
    if (!(before == after)) {
        *error = "the capture changed the machine";
        for (const auto& file : before.files) {
            if (after.files.count(file.first) == 0 || after.files.at(file.first) != file.second)
                *error += "; file " + file.first;
        }
        if (before.registry != after.registry)
            *error += "; the registry, " + FirstRegistryDifference(before, after);
        if (before.services != after.services)
            *error += "; services " + before.services + "-> " + after.services;
        return false;
    }
    return true;
}

void Differential::NoteRunStart(const SYSTEMTIME& at)
{
    m_runStart = at;
}

std::string Differential::CompareWithRun(const std::vector<std::string>& realLog, const RunAnswers& answers)
{
    std::string error;
    machine::Machine replay;
    if (!LoadFolder(m_root + "before", replay, &error))
        return error;
    replay.messageBoxAnswers = answers.messageBoxes;
    replay.dialog = answers.dialog;
    if (std::find(realLog.begin(), realLog.end(), kManagementWaitTimedOut) != realLog.end()) {
        const std::string name = machine::UpperCase(kManagementProgram);
        for (machine::Program& program : replay.programs) {
            std::string path = machine::UpperCase(program.path);
            if (path.size() >= name.size() && path.compare(path.size() - name.size(), name.size(), name) == 0)
                program.runsMs = kLongerThanTheRunWaitsMs;
        }
    }
    if (std::optional<SYSTEMTIME> start = ReplayStart(m_runStart, realLog))
        replay.startTime = *start;
    std::string problem;
    if (!machine::SaveMachine(replay, m_root + "replay", problem))
        return problem;
    std::string simExe = WindowsPath(Programs().simExe);
    if (!RunToSuccess(Quoted(simExe) + " " + Quoted(m_root + "replay") + " --out " + Quoted(m_root + "simulated"),
                      &error) ||
        !RunToSuccess(Quoted(m_runDir + kCaptureExe) + " " + Quoted(m_root + "after"), &error))
        return error;

    std::string differences;
    std::string simulatedLog;
    ReadBytes(FolderFile(m_root + "simulated", m_runDir + "Remendo.log"), &simulatedLog);
    std::string logDifference = LogDifference(realLog, SplitCrLf(simulatedLog));
    if (!logDifference.empty())
        differences += "the logs differ at " + logDifference + "\n";

    machine::Machine simulated, captured;
    if (!LoadFolder(m_root + "simulated", simulated, &error) || !LoadFolder(m_root + "after", captured, &error))
        return differences + error;
    // The log's bytes hold the system's texts too; its lines were compared above.
    // The undo store is not captured, and the undo file's name holds the
    // second each run started in; regedit's test of it stands in for a comparison.
    std::string logChanged = "file changed: " + m_runDir + "Remendo.log";
    // The simulated machine keeps its store where its Windows version has the
    // common application data folder, which Wine places elsewhere.
    const std::string kStoreFolder = "\\Remendo\\Undo";
    for (const std::string& change : machine::DescribeChanges(simulated, captured)) {
        bool inStore = change.find(kStoreFolder) != std::string::npos;
        if (change.find(kServicesKeyChange) == std::string::npos && change != logChanged && !inStore)
            differences += "after the run, remendo-sim -> a capture: " + change + "\n";
    }
    return differences;
}
