// The fault-injection sweep: every platform call the repair makes on each
// example machine is made to fail, one call at a time, with each error code
// that call can really give (its declaration in platform/WinCalls.h lists
// them), and the run must still leave the machine sound; then the run is cut
// off at each platform call in turn, and the undo file it leaves must put back
// what it changed.
//
//   remendo-fault-sweep EXAMPLES_DIR [MACHINE [PART]]
//
// Then remendo-undo is run after a repair under the same faults and cuts.
// MACHINE (an example's folder name) and PART (faults, stops or undo) sweep
// one of them alone, so that the sweep can run in parallel pieces.
//
// Prints one line per broken invariant and closes with "N passed, M failed"
// over all injected faults; the exit code is 1 when any failed.
#include <algorithm>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "log/UndoFileFormat.h"
#include "machine/FaultOperations.h"
#include "machine/MachineFolder.h"
#include "machine/RegFile.h"
#include "platform/RegistryKey.h"
#include "platform/WinApi.h"
#include "sim/UndoReplay.h"
#include "RunUtility.h"
#include "ui/StringTable.h"

namespace {


const char* const kScanDlls[] = {"cvqscan.dll", "cvqscan2.dll", "cvqscan3.dll"};
const char kHostsSuffix[] = "\\drivers\\etc\\hosts";
const char kBackupSuffix[] = "\\drivers\\etc\\hosts.bak";
const char kCloseServiceHandle[] = "CloseServiceHandle";
const char kHostsLogPrefix[] = "Remendo: UpdateHostsEntry> \t\t";
const char kHostsRewriteLine[] = "Remendo: UpdateHostsEntry> \tupdating hosts entry from:";
const char kNewSuffix[] = "\\drivers\\etc\\hosts.new";
const char kCannotDeleteNewLine[] = "DebugLog: LogLastError> Error deleting hosts.new";
const char kUndoFailedLogPrefix[] = "DebugLog: LogLastError> Couldn't ";
const char kUndoFileInLog[] = " the undo file ";

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The machine's files by lower-case path.
std::map<std::string, std::string> FilesByPath(const machine::Machine& machine)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : machine.files.Files())
        files[Lower(entry.second.path)] = entry.second.bytes;
    return files;
}

std::string FileBytes(const machine::Machine& machine, const std::string& path, bool& exists)
{
    const machine::SimFile* file = machine.files.Find(path);
    exists = file != nullptr;
    return exists ? file->bytes : std::string();
}

// Every registry value as "key [name]" -> type.
void CollectValueTypes(const machine::RegKey& key, const std::string& path, std::map<std::string, DWORD>& types)
{
    for (const machine::RegValue& value : key.values)
        types[machine::UpperCase(path) + " [" + machine::UpperCase(value.name) + "]"] = value.type;
    for (const auto& subkey : key.subkeys)
        CollectValueTypes(*subkey.second, path + "\\" + subkey.second->name, types);
}

std::map<std::string, DWORD> ValueTypes(const machine::Registry& registry)
{
    std::map<std::string, DWORD> types;
    for (const auto& root : registry.Roots())
        CollectValueTypes(root.second, root.first, types);
    return types;
}

// The lines with the bytes that end them: CR LF, LF or a lone CR.
std::vector<std::string> LinesWithEnds(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        line += text[i];
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            line += text[++i];
        if (text[i] == '\n' || text[i] == '\r') {
            lines.push_back(line);
            line.clear();
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

std::string WithoutEnd(std::string line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

std::vector<std::string> LogLines(const sim::SimApi& api)
{
    std::vector<std::string> lines;
    for (std::string line : api.DebugOutput()) {
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

struct Example {
    std::string name;
    machine::FolderContents contents;
    std::string hostsPath;
    std::string backupPath;
    std::string newPath;
};

bool Load(const Example& example, machine::Machine& machine)
{
    machine::LoadError error;
    if (!machine::LoadMachine(example.contents, machine, error)) {
        std::cerr << example.name << ": " << error.Describe() << "\n";
        return false;
    }
    return true;
}

// Undo files newest first: by the run's number in their names
// ("Remendo-undo-N-..."), then by the "-2", "-3" a name taken adds.
std::vector<std::string> NewestFirst(std::vector<std::string> undoFiles)
{
    auto order = [](const std::string& path) {
        unsigned long sequence = 0;
        int later = 1;
        undoformat::ReadNameOrder(path.substr(path.rfind('\\') + 1), sequence, later);
        return std::make_pair(sequence, later);
    };
    std::sort(undoFiles.begin(), undoFiles.end(),
              [&order](const std::string& a, const std::string& b) { return order(b) < order(a); });
    return undoFiles;
}

// A service the run was told did not exist is re-registered and left, and
// so is one whose start type could not be read: its undo file says so
// instead of holding its start type.
std::set<std::string> ServicesNotedAsLeft(const machine::Machine& machine, const std::vector<std::string>& undoFiles,
                                          const std::vector<machine::Service>& services)
{
    std::set<std::string> left;
    for (const std::string& undo : undoFiles) {
        for (const std::string& line : sim::UndoFileLines(machine.files.Find(undo)->bytes, machine.ansiCodePage)) {
            for (const machine::Service& service : services) {
                if (line.find("The " + service.name + " service did not exist before this run") != std::string::npos ||
                    line.find("; unknown: the start type of the " + service.name + " service could not be read") !=
                        std::string::npos)
                    left.insert(service.name);
            }
        }
    }
    return left;
}

// The registries alike, but for the "Start" value of the services `left`:
// where the machine holds a service's key, that value follows the service,
// and one noted as left stays as the run left it.
bool RegistriesAlike(const machine::Machine& before, const machine::Machine& undone, const std::set<std::string>& left)
{
    if (left.empty())
        return undone.registry == before.registry;
    machine::Registry registry, beforeRegistry;
    machine::ParseError error;
    machine::ReadRegFile(machine::WriteRegFile(undone.registry), registry, error);
    machine::ReadRegFile(machine::WriteRegFile(before.registry), beforeRegistry, error);
    for (const std::string& service : left) {
        const std::string key = std::string("HKEY_LOCAL_MACHINE\\") + kServicesKey + service;
        machine::RegKey* old = beforeRegistry.Find(key);
        const machine::RegValue* start = old == nullptr ? nullptr : old->FindValue("Start");
        if (start != nullptr && registry.Find(key) != nullptr)
            registry.Find(key)->SetValue("Start", start->type, start->data);
    }
    return registry == beforeRegistry;
}

// What the undo files put back: the registry, the hosts file, the scan DLLs
// and the services' start types.
std::vector<std::string> Differences(const machine::Machine& before, const machine::Machine& undone, const Example& example,
                                     const std::vector<std::string>& undoFiles)
{
    std::vector<std::string> differences;
    const std::set<std::string> left = ServicesNotedAsLeft(undone, undoFiles, before.services);
    if (!RegistriesAlike(before, undone, left))
        differences.push_back("the registry");
    std::vector<std::string> files = {example.hostsPath};
    for (const char* dll : kScanDlls)
        files.push_back(before.paths.system + "\\" + dll);
    for (const std::string& path : files) {
        const machine::SimFile* old = before.files.Find(path);
        const machine::SimFile* now = undone.files.Find(path);
        if ((old == nullptr) != (now == nullptr) ||
            (old != nullptr && (old->bytes != now->bytes || old->version != now->version)))
            differences.push_back(path);
    }
    for (const machine::Service& service : before.services) {
        for (const machine::Service& now : undone.services)
            if (now.name == service.name && now.startType != service.startType && left.count(service.name) == 0)
                differences.push_back("the start type of " + service.name);
    }
    return differences;
}

// The undo files: the machine after the runs, with their undo files applied
// newest first (the registry through the .reg reader, the copy lines on the
// disks), is the machine of before; only a logged failure of an undo file
// excuses its absence.
std::vector<std::string> BrokenUndo(const machine::Machine& before, const machine::Machine& after,
                                    const std::vector<std::string>& logLines, const Example& example, std::size_t runs)
{
    std::vector<std::string> broken;
    std::vector<std::string> undoFiles = NewestFirst(sim::NewUndoFiles(before, after));
    std::size_t undoFailures = 0;
    for (const std::string& line : logLines) {
        if (line.compare(0, sizeof kUndoFailedLogPrefix - 1, kUndoFailedLogPrefix) == 0 &&
            line.find(kUndoFileInLog) != std::string::npos)
            ++undoFailures;
    }
    if (undoFiles.size() > runs)
        broken.push_back("more undo files than runs");
    if (undoFailures > 0 && undoFiles.size() + undoFailures > runs)
        broken.push_back("an undo file failed but is still there");
    if (undoFailures > 0)
        return broken;
    machine::Machine undone;
    machine::ParseError error;
    machine::ReadRegFile(machine::WriteRegFile(after.registry), undone.registry, error);
    undone.files = after.files;
    undone.services = after.services;
    for (const std::string& undo : undoFiles) {
        // A run cut off between creating the file and its first write leaves
        // it empty, before any change: it puts back nothing.
        std::string problem;
        if (!undone.files.Find(undo)->bytes.empty() && !sim::ApplyUndoFile(undone, undo, problem))
            broken.push_back(problem);
    }
    for (const std::string& difference : Differences(before, undone, example, undoFiles))
        broken.push_back(undoFiles.empty() ? "changed without an undo file: " + difference
                                           : "the undo files do not put back " + difference);
    return broken;
}

// The invariants of one run; each broken one is a line of the result.
std::vector<std::string> BrokenInvariants(const Example& example, const machine::Machine& before,
                                          const machine::Machine& after, const sim::SimApi& api, std::size_t handlesAllowed)
{
    std::vector<std::string> broken;

    // Registry: the values stay the same set, each of the same type.
    std::map<std::string, DWORD> typesBefore = ValueTypes(before.registry);
    std::map<std::string, DWORD> typesAfter = ValueTypes(after.registry);
    for (const auto& value : typesBefore) {
        auto found = typesAfter.find(value.first);
        if (found == typesAfter.end())
            broken.push_back("registry value deleted: " + value.first);
        else if (found->second != value.second)
            broken.push_back("registry value changed type: " + value.first);
    }
    for (const auto& value : typesAfter) {
        if (typesBefore.count(value.first) == 0)
            broken.push_back("registry value created: " + value.first);
    }

    // Hosts: the old content, or the old lines with only the entries the log
    // reports as rewritten changed; a changed file leaves the old one in hosts.bak.
    bool hostsExisted = false, hostsExists = false, backupExists = false;
    std::string oldHosts = FileBytes(before, example.hostsPath, hostsExisted);
    std::string newHosts = FileBytes(after, example.hostsPath, hostsExists);
    std::string backup = FileBytes(after, example.backupPath, backupExists);
    if (hostsExisted && !hostsExists)
        broken.push_back("hosts file lost");
    std::vector<std::string> log = LogLines(api);
    bool rewriteLogged = false, deleteFailureLogged = false;
    std::set<std::string> logged;
    for (const std::string& line : log) {
        rewriteLogged = rewriteLogged || line == kHostsRewriteLine;
        deleteFailureLogged = deleteFailureLogged || StartsWith(line, kCannotDeleteNewLine);
        if (StartsWith(line, kHostsLogPrefix))
            logged.insert(line.substr(sizeof kHostsLogPrefix - 1));
    }
    // Nothing lost: a run that rewrites no entry leaves every byte as it was.
    if (hostsExisted && hostsExists && !rewriteLogged && newHosts != oldHosts)
        broken.push_back("hosts file changed although no entry was rewritten");
    if (hostsExisted && hostsExists && newHosts != oldHosts) {
        if (!backupExists || backup != oldHosts)
            broken.push_back("hosts changed but hosts.bak does not hold its old content");
        // Every line not reported as rewritten keeps its bytes and its line end.
        std::vector<std::string> oldLines = LinesWithEnds(oldHosts), newLines = LinesWithEnds(newHosts);
        if (oldLines.size() != newLines.size()) {
            broken.push_back("hosts file holds neither its old nor its new content (line count)");
        } else {
            for (std::size_t i = 0; i < oldLines.size(); ++i) {
                if (oldLines[i] != newLines[i] && logged.count(WithoutEnd(newLines[i])) == 0)
                    broken.push_back("hosts line changed without a log line: " + newLines[i]);
            }
        }
    }
    bool newFileExisted = false, newFileExists = false;
    FileBytes(before, example.newPath, newFileExisted);
    FileBytes(after, example.newPath, newFileExists);
    if (newFileExists && !newFileExisted && !deleteFailureLogged)
        broken.push_back("hosts.new left behind");

    std::vector<std::string> undoBroken = BrokenUndo(before, after, LogLines(api), example, 1);
    broken.insert(broken.end(), undoBroken.begin(), undoBroken.end());

    // Scan DLLs: none that was installed goes missing.
    for (const char* dll : kScanDlls) {
        std::string path = before.paths.system + "\\" + dll;
        if (before.files.Find(path) != nullptr && after.files.Find(path) == nullptr)
            broken.push_back(std::string("scan DLL missing from the system directory: ") + dll);
    }

    // Nothing left open, but what a failed close could not close.
    if (api.OpenHandleCount() > handlesAllowed)
        broken.push_back("handles left open: " + std::to_string(api.OpenHandleCount()));

    // A run that reached its final report says so when it changed anything.
    std::vector<machine::ShownMessageBox> boxes = api.MessageBoxes();
    if (!boxes.empty() && boxes.back().text == TEXT_IDS_COMPLETED) {
        std::map<std::string, std::string> filesBefore = FilesByPath(before), filesAfter = FilesByPath(after);
        std::string logName = Lower(before.paths.executable.substr(0, before.paths.executable.rfind('\\') + 1));
        bool changed = !(before.registry == after.registry);
        for (const auto& file : filesAfter) {
            bool isLog = file.first.compare(0, logName.size(), logName) == 0 &&
                         file.first.size() > 4 && file.first.compare(file.first.size() - 4, 4, ".log") == 0;
            auto old = filesBefore.find(file.first);
            if (!isLog && old != filesBefore.end() && old->second != file.second)
                changed = true;
        }
        for (const auto& file : filesBefore) {
            if (filesAfter.count(file.first) == 0)
                changed = true;
        }
        if (before.pendingRenames.size() != after.pendingRenames.size())
            changed = true;
        if (changed)
            broken.push_back("the machine changed but the run reported \"" TEXT_IDS_COMPLETED "\"");
    }
    return broken;
}

struct Tally {
    int passed = 0;
    int failed = 0;
};

void Count(const std::vector<std::string>& broken, const std::string& what, Tally& tally)
{
    if (broken.empty()) {
        ++tally.passed;
        return;
    }
    ++tally.failed;
    for (const std::string& problem : broken)
        std::cout << what << ": " << problem << "\n";
}

// On the 9x family a file is replaced in two renames (RenameFile): a run cut
// off between them leaves the old undo file whole under its aside name, which
// support staff rename back.
void RenameBackWhatWasSetAside(machine::Machine& machine)
{
    if (machine.os.platform != VER_PLATFORM_WIN32_WINDOWS)
        return;
    const std::string suffix = kAsideSuffix;
    std::vector<std::string> aside;
    for (const auto& entry : machine.files.Files()) {
        const std::string& path = entry.second.path;
        if (path.size() > suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0 &&
            machine.files.Find(path.substr(0, path.size() - suffix.size())) == nullptr)
            aside.push_back(path);
    }
    for (const std::string& path : aside)
        machine.files.Rename(path, path.substr(0, path.size() - suffix.size()));
}

// The process cut off at every platform call in turn, before the call and,
// for a copy or a write, half-way through it: what it changed up to there,
// its undo file puts back, and the hosts file is whole, old or new.
void SweepStops(const Example& example, int totalCalls, Tally& tally)
{
    for (int call = 1; call <= totalCalls; ++call) {
        for (bool partWay : {false, true}) {
            machine::Machine before, machine;
            if (!Load(example, before) || !Load(example, machine)) {
                ++tally.failed;
                continue;
            }
            sim::SimApi api(machine);
            api.stopAtCall = call;
            api.stopPartWay = partWay;
            sim::RunUtility(api);
            // Cut before a call that is no copy or write: the first pass had it.
            if (partWay && !api.StoppedPartWay())
                continue;
            RenameBackWhatWasSetAside(machine);
            std::vector<std::string> broken = BrokenUndo(before, machine, LogLines(api), example, 1);
            bool existed = false, exists = false;
            std::string old = FileBytes(before, example.hostsPath, existed);
            std::string now = FileBytes(machine, example.hostsPath, exists);
            if (existed && (!exists || now.size() < old.size() / 2))
                broken.push_back("hosts file cut short");
            Count(broken,
                  example.name + ": stopped " + (partWay ? "part-way through" : "at") + " call " +
                      std::to_string(call),
                  tally);
        }
    }
}

// Two runs in a row, the second on the machine the first left: undone newest
// first, they give back the machine of before the first.
void SweepTwoRuns(const Example& example, Tally& tally)
{
    machine::Machine before, machine;
    if (!Load(example, before) || !Load(example, machine)) {
        ++tally.failed;
        return;
    }
    std::vector<std::string> logLines;
    for (int run = 0; run < 2; ++run) {
        sim::SimApi api(machine);
        sim::RunUtility(api);
        std::vector<std::string> lines = LogLines(api);
        logLines.insert(logLines.end(), lines.begin(), lines.end());
    }
    Count(BrokenUndo(before, machine, logLines, example, 2), example.name + ": two runs in a row", tally);
}

// Every registry value, the hosts file, the scan DLLs and the services'
// start types of `now`, each as in `repaired` or as in `original`; a line for
// each that is neither, and the number put back.
std::vector<std::string> HalfwayThings(const machine::Machine& original, const machine::Machine& repaired,
                                       const machine::Machine& now, const Example& example, std::size_t& putBack)
{
    std::vector<std::string> broken;
    putBack = 0;
    std::map<std::string, std::string> values[3];
    const machine::Machine* machines[] = {&original, &repaired, &now};
    for (int i = 0; i < 3; ++i) {
        // The export in UTF-16LE, narrowed: one entry a line is enough to
        // compare the values.
        std::string wide = machine::WriteRegFile(machines[i]->registry), text;
        for (std::size_t at = 2; at < wide.size(); at += 2)
            text += wide[at];
        std::string key;
        for (const std::string& line : LinesWithEnds(text)) {
            std::string bare = WithoutEnd(line);
            if (!bare.empty() && bare[0] == '[')
                key = bare;
            else if (!bare.empty())
                values[i][key + " " + bare.substr(0, bare.find('='))] = bare;
        }
    }
    for (const auto& value : values[2]) {
        auto inRepaired = values[1].find(value.first), inOriginal = values[0].find(value.first);
        bool asRepaired = inRepaired != values[1].end() && inRepaired->second == value.second;
        bool asOriginal = inOriginal != values[0].end() && inOriginal->second == value.second;
        // A service's "Start" value follows its start type, counted with the service.
        const std::string servicesKey = std::string("[HKEY_LOCAL_MACHINE\\") + kServicesKey;
        const std::string startName = "] \"Start\"";
        bool startType = value.first.compare(0, servicesKey.size(), servicesKey) == 0 &&
                         value.first.size() > startName.size() &&
                         value.first.compare(value.first.size() - startName.size(), startName.size(), startName) == 0;
        if (!asRepaired && !asOriginal)
            broken.push_back("registry value neither as repaired nor as before: " + value.first);
        else if (!asRepaired && !startType)
            ++putBack;
    }
    std::vector<std::string> files = {example.hostsPath};
    for (const char* dll : kScanDlls)
        files.push_back(original.paths.system + "\\" + dll);
    for (const std::string& path : files) {
        bool existed = false, repairedExists = false, exists = false;
        std::string old = FileBytes(original, path, existed), fixed = FileBytes(repaired, path, repairedExists),
                    bytes = FileBytes(now, path, exists);
        if (exists != repairedExists && exists != existed)
            broken.push_back("file neither as repaired nor as before: " + path);
        else if (exists && bytes != fixed && bytes != old)
            broken.push_back("file neither as repaired nor as before: " + path);
        else if (exists && bytes != fixed)
            ++putBack;
    }
    for (const machine::Service& service : now.services) {
        for (std::size_t i = 0; i < repaired.services.size(); ++i) {
            if (repaired.services[i].name != service.name || service.startType == repaired.services[i].startType)
                continue;
            if (i < original.services.size() && service.startType == original.services[i].startType)
                ++putBack;
            else
                broken.push_back("start type neither as repaired nor as before: " + service.name);
        }
    }
    return broken;
}

// remendo-undo after a repair, with each of its platform calls failed with
// each realistic error and cut off at each call: every value and file is as
// the repair left it or as it was before, and, when it ran to its end, the
// log puts back exactly what went back.
void SweepUndo(const Example& example, Tally& tally)
{
    machine::Machine original;
    if (!Load(example, original)) {
        ++tally.failed;
        return;
    }
    auto repairedMachine = [&example](machine::Machine& machine) {
        if (!Load(example, machine))
            return false;
        sim::SimApi repair(machine);
        sim::RunUtility(repair);
        machine.messageBoxAnswers.clear();
        return true;
    };
    machine::Machine baseline, repaired;
    if (!repairedMachine(baseline) || !repairedMachine(repaired)) {
        ++tally.failed;
        return;
    }
    sim::SimApi baselineApi(baseline);
    sim::RunUndo(baselineApi);
    auto check = [&](const std::string& what, const std::function<void(machine::Machine&, sim::SimApi&)>& setUp,
                     bool cut) {
        machine::Machine machine;
        if (!repairedMachine(machine)) {
            ++tally.failed;
            return;
        }
        std::size_t putBack = 0;
        std::vector<std::string> broken;
        {
            sim::SimApi api(machine);
            setUp(machine, api);
            sim::RunUndo(api);
            broken = HalfwayThings(original, repaired, machine, example, putBack);
            std::vector<std::string> log = LogLines(api);
            std::size_t logged = std::count_if(log.begin(), log.end(), [](const std::string& line) {
                return line.find("--- Yes, put back ") != std::string::npos;
            });
            if (!cut && logged != putBack)
                broken.push_back("the log puts back " + std::to_string(logged) + " things, the machine " +
                                 std::to_string(putBack));
        }
        Count(broken, example.name + ": undo " + what, tally);
    };
    for (const auto& operation : baselineApi.CallCounts()) {
        for (int call = 1; call <= operation.second; ++call) {
            for (DWORD error : machine::RealisticErrors(operation.first)) {
                check(operation.first + " call " + std::to_string(call) + " error " + std::to_string(error),
                      [&](machine::Machine& machine, sim::SimApi&) { machine.faults.push_back({operation.first, call, error}); },
                      false);
            }
        }
    }
    for (int call = 1; call <= baselineApi.TotalCallCount(); ++call) {
        for (bool partWay : {false, true}) {
            check(std::string("stopped ") + (partWay ? "part-way through" : "at") + " call " + std::to_string(call),
                  [call, partWay](machine::Machine&, sim::SimApi& api) {
                      api.stopAtCall = call;
                      api.stopPartWay = partWay;
                  },
                  true);
        }
    }
}

void SweepFaults(const Example& example, Tally& tally)
{
    machine::Machine baseline;
    if (!Load(example, baseline)) {
        ++tally.failed;
        return;
    }
    sim::SimApi baselineApi(baseline);
    sim::RunUtility(baselineApi);
    std::map<std::string, int> calls = baselineApi.CallCounts();

    for (const auto& operation : calls) {
        for (int call = 1; call <= operation.second; ++call) {
            for (DWORD error : machine::RealisticErrors(operation.first)) {
                machine::Machine before, machine;
                if (!Load(example, before) || !Load(example, machine)) {
                    ++tally.failed;
                    continue;
                }
                machine.faults.push_back({operation.first, call, error});
                std::vector<std::string> broken;
                {
                    sim::SimApi api(machine);
                    sim::RunUtility(api);
                    // A close that fails leaves its handle open: that one is the fault's own.
                    std::size_t allowed = operation.first == kCloseServiceHandle ? 1 : 0;
                    broken = BrokenInvariants(example, before, machine, api, allowed);
                }
                Count(broken, example.name + ": " + operation.first + " call " + std::to_string(call) + " error " +
                                  std::to_string(error),
                      tally);
            }
        }
    }
}

// The run cut off at each call, and two runs in a row.
void SweepStopsAndTwoRuns(const Example& example, Tally& tally)
{
    machine::Machine baseline;
    if (!Load(example, baseline)) {
        ++tally.failed;
        return;
    }
    sim::SimApi baselineApi(baseline);
    sim::RunUtility(baselineApi);
    SweepStops(example, baselineApi.TotalCallCount(), tally);
    SweepTwoRuns(example, tally);
}

// The parts of one machine's sweep, by the names the command line gives them.
const std::pair<const char*, void (*)(const Example&, Tally&)> kParts[] = {
    {"faults", SweepFaults},
    {"stops", SweepStopsAndTwoRuns},
    {"undo", SweepUndo},
};

}  // namespace

// The example machines: the folders of EXAMPLES_DIR that hold a machine.json, by name.
std::vector<std::string> ExampleMachines(const std::string& examplesDir)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(examplesDir, error)) {
        if (std::filesystem::is_regular_file(entry.path() / "machine.json", error))
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

int main(int argc, char** argv)
{
    const char kUsage[] = "usage: remendo-fault-sweep EXAMPLES_DIR [MACHINE [faults|stops|undo]]\n";
    if (argc < 2 || argc > 4) {
        std::cerr << kUsage;
        return 2;
    }
    std::vector<std::string> machines = ExampleMachines(argv[1]);
    if (argc > 2)
        machines.assign(1, argv[2]);
    std::string onlyPart = argc > 3 ? argv[3] : "";
    auto isPart = [&onlyPart](const auto& part) { return onlyPart == part.first; };
    if (!onlyPart.empty() && std::none_of(std::begin(kParts), std::end(kParts), isPart)) {
        std::cerr << kUsage;
        return 2;
    }
    Tally tally;
    for (const std::string& name : machines) {
        Example example;
        example.name = name;
        machine::LoadError error;
        if (!machine::ReadFolderContents(std::string(argv[1]) + "/" + name, example.contents, error)) {
            std::cerr << name << ": " << error.Describe() << "\n";
            ++tally.failed;
            continue;
        }
        machine::Machine machine;
        if (!Load(example, machine)) {
            ++tally.failed;
            continue;
        }
        example.hostsPath = machine.paths.system + kHostsSuffix;
        example.backupPath = machine.paths.system + kBackupSuffix;
        example.newPath = machine.paths.system + kNewSuffix;
        for (const auto& part : kParts) {
            if (onlyPart.empty() || isPart(part))
                part.second(example, tally);
        }
    }
    std::cout << tally.passed << " passed, " << tally.failed << " failed\n";
    // A sweep that found nothing to try has proven nothing.
    return tally.failed == 0 && tally.passed > 0 ? 0 : 1;
}
