#include "UndoProgram.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "UndoFileReader.h"
#include "log/DebugLog.h"
#include "log/FileFingerprint.h"
#include "log/Format.h"
#include "platform/Owned.h"
#include "platform/RegistryKey.h"
#include "platform/WinApi.h"

namespace undo {

namespace {
const char kSourceFile[] = "RemendoUndo";
const char kLogName[] = "Remendo-undo.log";
const char kCaption[] = "remendo-undo";
const char kUndoPattern[] = "Remendo-undo-*.reg";
// A run's undo file once put back gets a file of this name beside it, so the
// run is not offered again; the undo file itself is left as it is.
const char kUndoneExtension[] = ".undone";
// A file put back is copied beside its place under this name first.
const char kPutBackExtension[] = ".remendo-undo";
const char kHostsSuffix[] = "\\drivers\\etc\\hosts";
// What a cut-off run may leave beside the hosts file.
const char* const kHostsLeftovers[] = {".new", ".bak.new"};
const char kSystem32[] = "System32\\";
const char kSysWow64[] = "SysWOW64\\";
const DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Log texts: the repair's question and answer idiom.
const char kWhichRuns[] = "- Which runs of Remendo can be undone?";
const char kRunFound[] = "--- %s";
const char kNoRun[] = "--- None: no run is left to undo";
const char kRefused[] = "The undo file %s is refused, %s: nothing of it is put back";
const char kUndoRun[] = "- Undo the run of %s (%s)?";
const char kYes[] = "--- Yes";
const char kNo[] = "--- No, it and any older run stay as they are";
const char kIsAsRunLeftIt[] = "- Is %s as the run left it?";
const char kPutBack[] = "--- Yes, put back %s ##### FIXED";
const char kPutBackAtRestart[] = "--- Yes, %s is in use: it is put back at the next restart ##### FIXED";
const char kAlreadyAsBefore[] = "--- It is as before the run already";
const char kAttributesPutBack[] = "--- Its attributes put back ##### FIXED";
const char kChangedSince[] = "--- No, it changed since the run: left as it is";
const char kCopyUnusable[] = "--- The undo's copy %s is missing or changed since the run: left as it is";
const char kMovedBack[] = "--- The run's %s is back at %s";
const char kLeftoverRemoved[] = "--- Removed %s, left by a run cut off";
const char kCannotPutBack[] = "Couldn't put back %s";
const char kCannotMark[] = "Couldn't mark %s as undone";

// Texts of the boxes.
const char kQuestion[] = "Undo the Remendo run of %s? It puts back %s.";
const char kNothingFound[] = "There is no run of Remendo to undo.";
const char kReportPutBack[] = "Put back: %s.";
const char kReportNothing[] = "Nothing was put back.";
const char kReportLeft[] = "Left as they are, because they changed since the run: %s.";
const char kReportFailed[] = "Could not be put back (see Remendo-undo.log): %s.";
const char kReportRestart[] = "Restart the computer to finish putting back %s.";

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && Upper(text.substr(text.size() - tail.size())) == Upper(tail);
}

// "a", "a and b", "a, b and c".
std::string Listed(const std::vector<std::string>& items)
{
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i)
        text += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
    return text;
}

std::string FileName(const std::string& path)
{
    return path.substr(path.rfind('\\') + 1);
}

// How the boxes name a file: the hosts file, or the scan DLL by its name.
std::string FileWords(const std::string& path)
{
    return EndsWith(path, kHostsSuffix) ? "the hosts file" : FileName(path);
}

// The hosts file before the scan DLLs, as people name them.
std::vector<FileChange> HostsFirst(std::vector<FileChange> files)
{
    std::stable_partition(files.begin(), files.end(),
                          [](const FileChange& file) { return EndsWith(file.target, kHostsSuffix); });
    return files;
}

// The service a start type belongs to: the last name of its key.
std::string ServiceName(const ValueChange& value)
{
    return value.keyPath.substr(value.keyPath.rfind('\\') + 1);
}

std::string ValueWords(const ValueChange& value)
{
    std::string name;
    WideToAnsi(value.name, name);
    return value.isStartType ? "the start type of " + ServiceName(value) : value.keyPath + "\\" + name;
}

// A run's changes in the order the question names them and the undo puts
// them back: registry values, the files (the hosts file first), then start types.
template <typename OnValue, typename OnFile, typename OnStartType>
void InQuestionOrder(const UndoRecord& record, OnValue onValue, OnFile onFile, OnStartType onStartType)
{
    for (const ValueChange& value : record.values) {
        if (!value.isStartType)
            onValue(value);
    }
    for (const FileChange& file : HostsFirst(record.files))
        onFile(file);
    for (const ValueChange& value : record.values) {
        if (value.isStartType)
            onStartType(value);
    }
}

// A run's order among others: its time stamp, then the "-2", "-3" of a later
// run of the same second.
std::pair<std::string, int> RunOrder(const std::string& path)
{
    const std::size_t stampLength = std::string("Remendo-undo-YYYYMMDD-HHMMSS").size();
    std::string name = FileName(path);
    name = name.substr(0, name.size() - 4);  // ".reg"
    int later = name.size() > stampLength + 1 ? std::atoi(name.c_str() + stampLength + 1) : 1;
    return {name.substr(0, stampLength), later};
}

bool FileExists(const std::string& path)
{
    return Win().GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The undo files of runs not yet undone, newest first.
std::vector<std::string> RunsToUndo(const std::vector<std::string>& folders)
{
    std::vector<std::string> found;
    for (const std::string& folder : folders) {
        WIN32_FIND_DATAA data = {};
        HANDLE search = Win().FindFirstFileA((folder + kUndoPattern).c_str(), &data);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        do {
            std::string path = folder + data.cFileName;
            bool isFile = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
            bool known = std::any_of(found.begin(), found.end(),
                                     [&path](const std::string& other) { return Upper(other) == Upper(path); });
            if (isFile && !known && !FileExists(path + kUndoneExtension))
                found.push_back(path);
        } while (Win().FindNextFileA(search, &data));
        Win().FindClose(search);
    }
    std::sort(found.begin(), found.end(),
              [](const std::string& a, const std::string& b) { return RunOrder(b) < RunOrder(a); });
    return found;
}

// The system directories as the 64-bit cmd.exe names them: System32 and, on
// 64-bit Windows, SysWOW64, where a 32-bit run's scan DLLs lie.
ChangeablePlaces Places()
{
    ChangeablePlaces places;
    std::string systemDir = Directory(&WinApi::GetSystemDirectoryA);
    std::string windowsDir = Directory(&WinApi::GetWindowsDirectoryA);
    if (!systemDir.empty())
        places.systemDirectories.push_back(PathOutsideRedirection(systemDir));
    if (!windowsDir.empty()) {
        places.systemDirectories.push_back(windowsDir + kSystem32);
        places.systemDirectories.push_back(windowsDir + kSysWow64);
    }
    places.programDirectory = ProgramDirectory();
    return places;
}

// Things of one kind of outcome, as the final box names them: registry
// values by their number, the rest each by its words.
struct Tally {
    std::size_t values = 0;
    std::vector<std::string> others;

    void Add(const std::string& words, bool isValue)
    {
        if (isValue)
            ++values;
        else
            others.push_back(words);
    }
    bool Empty() const { return values == 0 && others.empty(); }
    std::string Text() const
    {
        std::vector<std::string> items;
        if (values > 0)
            items.push_back(std::to_string(values) + (values == 1 ? " registry value" : " registry values"));
        items.insert(items.end(), others.begin(), others.end());
        return Listed(items);
    }
};

// What the undo put back, left, and could not put back, for the final box.
struct Outcome {
    Tally putBack;
    Tally left;
    Tally failed;
    Tally atRestart;
};

class RunUndo {
public:
    RunUndo(const UndoRecord& record, Outcome& outcome) : m_record(record), m_outcome(outcome) {}

    void PutBackAll()
    {
        InQuestionOrder(
            m_record, [this](const ValueChange& value) { PutBackValue(value); },
            [this](const FileChange& file) { PutBackFile(file); },
            [this](const ValueChange& value) { PutBackStartType(value); });
    }

private:
    void Failed(DebugLog& log, const std::string& words, bool isValue = false)
    {
        log.LogLastError(Format(kCannotPutBack, {words}));
        m_outcome.failed.Add(words, isValue);
    }

    void Left(DebugLog& log, const std::string& words, bool isValue = false)
    {
        log.Write(kChangedSince);
        m_outcome.left.Add(words, isValue);
    }

    void PutBackValue(const ValueChange& value)
    {
        DebugLog log("PutBackValue", kSourceFile);
        std::string words = ValueWords(value);
        log.Writef(kIsAsRunLeftIt, words);
        HKEY opened = nullptr;
        // The file names the key as the 64-bit view has it, Wow6432Node and all.
        LONG status = Win().RegOpenKeyExW(HKEY_LOCAL_MACHINE, AnsiToWide(value.keyPath).c_str(), 0,
                                          KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, &opened);
        if (status != ERROR_SUCCESS) {
            Win().SetLastError(static_cast<DWORD>(status));
            return Failed(log, words, true);
        }
        RegistryKeyHandle key(opened);
        DWORD type = REG_NONE;
        std::string data;
        status = ReadRegValueExactly(key.Get(), value.name, type, data);
        if (status == ERROR_SUCCESS && type == value.oldType && data == value.oldData) {
            log.Write(kAlreadyAsBefore);
            return;
        }
        // A run never removes a value: one gone, or other than the run wrote, changed since.
        if (status != ERROR_SUCCESS || type != value.newType || data != value.newData)
            return Left(log, words, true);
        status = Win().RegSetValueExW(key.Get(), value.name.c_str(), 0, value.oldType,
                                      reinterpret_cast<const BYTE*>(value.oldData.data()),
                                      static_cast<DWORD>(value.oldData.size()));
        if (status != ERROR_SUCCESS) {
            Win().SetLastError(static_cast<DWORD>(status));
            return Failed(log, words, true);
        }
        log.Writef(kPutBack, words);
        m_outcome.putBack.Add(words, true);
    }

    // Through the service manager, so the start type holds at once, not only
    // after the next restart as the registry value would.
    void PutBackStartType(const ValueChange& value)
    {
        DebugLog log("PutBackStartType", kSourceFile);
        std::string words = ValueWords(value);
        log.Writef(kIsAsRunLeftIt, words);
        ServiceHandle manager(Win().OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        ServiceHandle service(manager.IsOpen() ? Win().OpenServiceA(manager.Get(), ServiceName(value).c_str(),
                                                                    SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG)
                                               : nullptr);
        if (!service.IsOpen())
            return Failed(log, words);
        DWORD needed = 0;
        Win().QueryServiceConfigA(service.Get(), nullptr, 0, &needed);
        std::vector<BYTE> buffer(std::max<DWORD>(needed, sizeof(QUERY_SERVICE_CONFIGA)));
        auto* config = reinterpret_cast<LPQUERY_SERVICE_CONFIGA>(buffer.data());
        if (!Win().QueryServiceConfigA(service.Get(), config, static_cast<DWORD>(buffer.size()), &needed))
            return Failed(log, words);
        DWORD oldStart = DwordOf(value.oldData), newStart = DwordOf(value.newData);
        if (config->dwStartType == oldStart) {
            log.Write(kAlreadyAsBefore);
            return;
        }
        if (config->dwStartType != newStart || value.newType != REG_DWORD)
            return Left(log, words);
        if (!Win().ChangeServiceConfigA(service.Get(), SERVICE_NO_CHANGE, oldStart, SERVICE_NO_CHANGE, nullptr,
                                        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))
            return Failed(log, words);
        log.Writef(kPutBack, words);
        m_outcome.putBack.Add(words, false);
    }

    void PutBackFile(const FileChange& file)
    {
        DebugLog log("PutBackFile", kSourceFile);
        std::string words = FileWords(file.target);
        std::string target = PathInsideRedirection(file.target);
        log.Writef(kIsAsRunLeftIt, file.target);
        RemoveHostsLeftovers(log, file, target);
        FileFingerprint now;
        if (!FingerprintOf(target, now))
            return Left(log, words);
        if (now == file.kept) {
            log.Write(kAlreadyAsBefore);
            PutBackAttributes(log, target, file.attributes);
            return;
        }
        if (!file.knowsWritten || now != file.written)
            return Left(log, words);
        FileFingerprint copy;
        if (!FingerprintOf(file.copy, copy) || copy != file.kept) {
            log.Writef(kCopyUnusable, file.copy);
            m_outcome.left.Add(words, false);
            return;
        }
        // The run's own file goes back where it came from, for a later run to install.
        if (!file.movedFrom.empty() && !FileExists(file.movedFrom) &&
            Win().CopyFileA(target.c_str(), file.movedFrom.c_str(), TRUE))
            log.Write(Format(kMovedBack, {FileName(file.movedFrom), file.movedFrom}));
        ReplaceWithCopy(log, file, target, words);
    }

    // The copy goes beside the file first, with the attributes the file had,
    // then takes its place in one rename; a file in use is replaced at the
    // next restart.
    void ReplaceWithCopy(DebugLog& log, const FileChange& file, const std::string& target, const std::string& words)
    {
        std::string staged = target + kPutBackExtension;
        // The staged copy goes again, the error that stopped it kept.
        auto fail = [&](DWORD error) {
            Win().SetFileAttributesA(staged.c_str(), FILE_ATTRIBUTE_NORMAL);
            Win().DeleteFileA(staged.c_str());
            Win().SetLastError(error);
            Failed(log, words);
        };
        if (!Win().CopyFileA(file.copy.c_str(), staged.c_str(), FALSE) ||
            SetKeptAttributes(staged, file.attributes) == Attributes::kNotSet)
            return fail(Win().GetLastError());
        if (Win().MoveFileExA(staged.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            log.Writef(kPutBack, words);
            m_outcome.putBack.Add(words, false);
            return;
        }
        DWORD error = Win().GetLastError();
        if (error == ERROR_SHARING_VIOLATION &&
            Win().MoveFileExA(staged.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)) {
            log.Writef(kPutBackAtRestart, words);
            m_outcome.putBack.Add(words, false);
            m_outcome.atRestart.Add(words, false);
            return;
        }
        fail(error);
    }

    enum class Attributes { kAsTheyWere, kSet, kNotSet };
    // The read-only, hidden and system attributes as the file had them before
    // the run, the others as they are.
    static Attributes SetKeptAttributes(const std::string& path, DWORD attributes)
    {
        DWORD now = Win().GetFileAttributesA(path.c_str());
        if (now == INVALID_FILE_ATTRIBUTES)
            return Attributes::kNotSet;
        if ((now & kKeptAttributes) == attributes)
            return Attributes::kAsTheyWere;
        DWORD wanted = (now & ~(kKeptAttributes | FILE_ATTRIBUTE_NORMAL)) | attributes;
        return Win().SetFileAttributesA(path.c_str(), wanted != 0 ? wanted : FILE_ATTRIBUTE_NORMAL) ? Attributes::kSet
                                                                                                      : Attributes::kNotSet;
    }

    void PutBackAttributes(DebugLog& log, const std::string& target, DWORD attributes)
    {
        Attributes result = SetKeptAttributes(target, attributes);
        if (result == Attributes::kNotSet)
            Failed(log, FileWords(target));
        else if (result == Attributes::kSet)
            log.Write(kAttributesPutBack);
    }

    // hosts.new and hosts.bak.new, which only a run cut off leaves.
    void RemoveHostsLeftovers(DebugLog& log, const FileChange& file, const std::string& target)
    {
        if (!EndsWith(file.target, kHostsSuffix))
            return;
        for (const char* extension : kHostsLeftovers) {
            std::string leftover = target + extension;
            if (FileExists(leftover) && Win().DeleteFileA(leftover.c_str()))
                log.Writef(kLeftoverRemoved, leftover);
        }
    }

    const UndoRecord& m_record;
    Outcome& m_outcome;
};

// What the question says a run puts back.
std::string Summary(const UndoRecord& record)
{
    Tally items;
    InQuestionOrder(
        record, [&items](const ValueChange& value) { items.Add(ValueWords(value), true); },
        [&items](const FileChange& file) { items.Add(FileWords(file.target), false); },
        [&items](const ValueChange& value) { items.Add(ValueWords(value), false); });
    return items.Empty() ? std::string("nothing") : items.Text();
}

int Ask(const std::string& text, UINT style)
{
    return Win().MessageBoxA(nullptr, text.c_str(), kCaption, style);
}

std::string Report(const Outcome& outcome)
{
    std::string text = outcome.putBack.Empty() ? std::string(kReportNothing)
                                               : Format(kReportPutBack, {outcome.putBack.Text()});
    if (!outcome.left.Empty())
        text += "\n\n" + Format(kReportLeft, {outcome.left.Text()});
    if (!outcome.failed.Empty())
        text += "\n\n" + Format(kReportFailed, {outcome.failed.Text()});
    if (!outcome.atRestart.Empty())
        text += "\n\n" + Format(kReportRestart, {outcome.atRestart.Text()});
    return text;
}

// The run will not be offered again: a file beside its undo file says so.
void MarkUndone(const std::string& undoPath)
{
    std::string marker = undoPath + kUndoneExtension;
    KernelHandle file(NullIfInvalid(Win().CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                      FILE_ATTRIBUTE_NORMAL, nullptr)));
    if (!file.IsOpen() && Win().GetLastError() != ERROR_FILE_EXISTS) {
        DebugLog log("MarkUndone", kSourceFile);
        log.LogLastError(Format(kCannotMark, {undoPath}));
    }
}
}  // namespace

int RunUndoProgram()
{
    std::string programDir = ProgramDirectory();
    std::string tempDir = TempDirectory();
    DebugLog::SetTempLogName(kLogName);
    std::string logPath = programDir + kLogName;
    Win().DeleteFileA(logPath.c_str());
    DebugLog log("RunUndoProgram", kSourceFile, logPath);
    DebugLog::SetErrorBoxes(nullptr);

    log.Write(kWhichRuns);
    std::vector<std::string> folders = {programDir};
    if (!tempDir.empty() && Upper(tempDir) != Upper(programDir))
        folders.push_back(tempDir);
    std::vector<std::string> runs = RunsToUndo(folders);
    for (const std::string& run : runs)
        log.Writef(kRunFound, run);
    if (runs.empty()) {
        log.Write(kNoRun);
        Ask(kNothingFound, MB_OK | MB_ICONINFORMATION);
        return 0;
    }

    ChangeablePlaces places = Places();
    Outcome outcome;
    bool asked = false;
    for (const std::string& run : runs) {
        UndoRecord record;
        std::string problem;
        if (!ReadUndoFile(run, places, record, problem)) {
            log.Error(Format(kRefused, {run, problem}));
            continue;
        }
        // A file without the run's date line is named by itself.
        std::string runName = record.runDate.empty() ? FileName(run) : record.runDate;
        log.Write(Format(kUndoRun, {runName, run}));
        asked = true;
        if (Ask(Format(kQuestion, {runName, Summary(record)}), MB_YESNO | MB_ICONQUESTION) != IDYES) {
            log.Write(kNo);
            break;
        }
        log.Write(kYes);
        RunUndo(record, outcome).PutBackAll();
        MarkUndone(run);
    }
    if (!asked) {
        Ask(kNothingFound, MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    Ask(Report(outcome), MB_OK | (outcome.failed.Empty() ? MB_ICONINFORMATION : MB_ICONWARNING));
    return 0;
}

}  // namespace undo
