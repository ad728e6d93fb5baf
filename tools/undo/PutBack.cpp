#include "PutBack.h"

#include <algorithm>

#include "StoredRuns.h"
#include "log/DebugLog.h"
#include "log/FileFingerprint.h"
#include "log/Format.h"
#include "platform/Owned.h"
#include "platform/RegistryKey.h"
#include "platform/ServiceConfig.h"
#include "platform/WinApi.h"
#include "system/RepairedFiles.h"

namespace undo {

namespace {
const char kSourceFile[] = "RemendoUndo";
// A file put back is written beside its place under this name first.
const char kPutBackExtension[] = ".remendo-undo";
const DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
// Far above any file a run replaces (the largest hosts file seen is 6.9 MB).
const std::size_t kMostCopyBytes = 256 * 1024 * 1024;

// Log texts: the repair's question and answer idiom.
const char kIsAsRunLeftIt[] = "- Is %s as the run left it?";
const char kPutBack[] = "--- Yes, put back %s ##### FIXED";
const char kPutBackAtRestart[] = "--- Yes, %s is in use: it is put back at the next restart ##### FIXED";
const char kAfterRunsRestart[] =
    "--- The run's replacement of %s waits for the next restart: the file as it was follows it there ##### FIXED";
const char kAlreadyAsBefore[] = "--- It is as before the run already";
const char kAttributesPutBack[] = "--- Its attributes put back ##### FIXED";
const char kChangedSince[] = "--- No, it changed since the run: left as it is";
const char kCopyMissing[] = "--- The undo's copy %s is missing: left as it is";
const char kCopyChanged[] = "--- The undo's copy %s is not what the run kept: left as it is";
const char kCopyRefused[] = "--- The undo's copy %s is refused, %s: left as it is";
const char kMovedBack[] = "--- The run's %s is back at %s";
const char kIsLeftover[] = "- Is %s the run's own, left by a run cut off?";
const char kLeftoverRemoved[] = "--- Yes, removed it ##### FIXED";
const char kNotRunsLeftover[] = "--- No, it is not what the run was writing: left as it is";
const char kCannotPutBack[] = "Couldn't put back %s";

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && Upper(text.substr(text.size() - tail.size())) == Upper(tail);
}

bool IsHostsFile(const std::string& path)
{
    return EndsWith(path, std::string("\\") + repairedfiles::kHosts);
}

// How the boxes name a file: the hosts file, or the file by its name.
std::string FileWords(const std::string& path)
{
    return IsHostsFile(path) ? "the hosts file" : FileName(path);
}

// The hosts file before the others, as people name them.
std::vector<FileChange> HostsFirst(std::vector<FileChange> files)
{
    std::stable_partition(files.begin(), files.end(), [](const FileChange& file) { return IsHostsFile(file.target); });
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

bool FileExists(const std::string& path)
{
    return Win().GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Where each thing stands now.
enum class State { kAsBefore, kAsRunLeftIt, kChangedSince, kUnreadable };

// The value's key, opened to read and set (the 64-bit view, Wow6432Node and all).
LONG OpenValueKey(const ValueChange& value, RegistryKeyHandle& key)
{
    HKEY opened = nullptr;
    LONG status = Win().RegOpenKeyExW(HKEY_LOCAL_MACHINE, AnsiToWide(value.keyPath).c_str(), 0,
                                      KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, &opened);
    if (status == ERROR_SUCCESS)
        key.Attach(opened);
    return status;
}

State ValueState(const ValueChange& value, HKEY key)
{
    DWORD type = REG_NONE;
    std::string data;
    LONG status = ReadRegValueExactly(key, value.name, type, data);
    if (status == ERROR_SUCCESS && type == value.oldType && data == value.oldData)
        return State::kAsBefore;
    // A run never removes a value: one gone, or other than the run wrote, changed since.
    if (status != ERROR_SUCCESS || type != value.newType || data != value.newData)
        return State::kChangedSince;
    return State::kAsRunLeftIt;
}

// The management service, opened to read and change its configuration.
bool OpenService(const ValueChange& value, ServiceHandle& manager, ServiceHandle& service)
{
    manager.Attach(Win().OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (manager.IsOpen())
        service.Attach(Win().OpenServiceA(manager.Get(), ServiceName(value).c_str(),
                                          SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG));
    return service.IsOpen();
}

State StartTypeState(const ValueChange& value, SC_HANDLE service)
{
    ServiceConfig config;
    if (config.Query(service) != ServiceConfig::Result::kRead)
        return State::kUnreadable;
    DWORD now = config.Get()->dwStartType;
    if (now == DwordOf(value.oldData))
        return State::kAsBefore;
    return now == DwordOf(value.newData) && value.newType == REG_DWORD ? State::kAsRunLeftIt : State::kChangedSince;
}

// A file as before the run, unless the run's replacement still waits for the restart.
State FileState(const FileChange& file, const FileFingerprint* now)
{
    if (now == nullptr)
        return State::kChangedSince;
    if (*now == file.kept)
        return file.atRestart ? State::kAsRunLeftIt : State::kAsBefore;
    return file.knowsWritten && *now == file.written ? State::kAsRunLeftIt : State::kChangedSince;
}

// A file the run was about to make is its own when it holds what the run
// meant to write, or less of it (the run cut off while writing); or
// anything, when the run was cut off before it knew what it would write.
bool IsRunsLeftover(const MadeFile& made, const FileFingerprint& now)
{
    return !made.knowsContent || now == made.fingerprint || now.size < made.fingerprint.size;
}

// A run's changes in the order the question names them and the undo puts
// them back: files the run left half made, registry values, the files (the
// hosts file first), then start types.
template <typename OnMade, typename OnValue, typename OnFile, typename OnStartType>
void InQuestionOrder(const UndoRecord& record, OnMade onMade, OnValue onValue, OnFile onFile,
                     OnStartType onStartType)
{
    for (const MadeFile& made : record.made)
        onMade(made);
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

class RunPutBack {
public:
    explicit RunPutBack(Outcome& outcome) : m_outcome(outcome) {}

    bool Finished() const { return m_finished; }

    void RemoveLeftover(const MadeFile& made)
    {
        std::string path = PathInsideRedirection(made.path);
        FileFingerprint now;
        if (!FileExists(path) || !FingerprintOf(path, now))
            return;
        DebugLog log("PutBackFile", kSourceFile);
        log.Writef(kIsLeftover, made.path);
        if (!IsRunsLeftover(made, now)) {
            log.Write(kNotRunsLeftover);
            return;
        }
        if (!Win().DeleteFileA(path.c_str()))
            return Failed(log, FileName(made.path));
        log.Write(kLeftoverRemoved);
        m_outcome.putBack.Add(FileName(made.path), false);
    }

    void PutBackValue(const ValueChange& value)
    {
        DebugLog log("PutBackValue", kSourceFile);
        std::string words = ValueWords(value);
        log.Writef(kIsAsRunLeftIt, words);
        RegistryKeyHandle key;
        LONG status = OpenValueKey(value, key);
        // A run removes no key: one gone changed since.
        if (status == ERROR_FILE_NOT_FOUND)
            return Left(log, words, true);
        if (status != ERROR_SUCCESS) {
            Win().SetLastError(static_cast<DWORD>(status));
            return Failed(log, words, true);
        }
        State state = ValueState(value, key.Get());
        if (state == State::kAsBefore)
            return log.Write(kAlreadyAsBefore);
        if (state != State::kAsRunLeftIt)
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
        ServiceHandle manager, service;
        if (!OpenService(value, manager, service)) {
            // A run removes no service: one gone changed since.
            if (Win().GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST)
                return Left(log, words);
            return Failed(log, words);
        }
        State state = StartTypeState(value, service.Get());
        if (state == State::kUnreadable)
            return Failed(log, words);
        if (state == State::kAsBefore)
            return log.Write(kAlreadyAsBefore);
        if (state != State::kAsRunLeftIt)
            return Left(log, words);
        if (!Win().ChangeServiceConfigA(service.Get(), SERVICE_NO_CHANGE, DwordOf(value.oldData), SERVICE_NO_CHANGE,
                                        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))
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
        FileFingerprint now;
        bool readable = FingerprintOf(target, now);
        State state = FileState(file, readable ? &now : nullptr);
        if (state == State::kAsBefore) {
            log.Write(kAlreadyAsBefore);
            return PutBackAttributes(log, target, file.attributes);
        }
        if (state != State::kAsRunLeftIt)
            return Left(log, words);
        std::string kept;
        if (!ReadCopy(log, file, words, kept))
            return;
        if (now == file.kept) {
            // The run's replacement waits for the restart: the file as it was follows it there.
            if (StageAndMove(log, kept, file, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT,
                             words)) {
                log.Writef(kAfterRunsRestart, words);
                m_outcome.putBack.Add(words, false);
                m_outcome.atRestart.Add(words, false);
            }
            return;
        }
        // The run's own file goes back where it came from, for a later run to install.
        if (!file.movedFrom.empty() && !FileExists(file.movedFrom) &&
            Win().CopyFileA(target.c_str(), file.movedFrom.c_str(), TRUE))
            log.Write(Format(kMovedBack, {FileName(file.movedFrom), file.movedFrom}));
        ReplaceWith(log, kept, file, target, words);
    }

private:
    void Failed(DebugLog& log, const std::string& words, bool isValue = false)
    {
        log.LogLastError(Format(kCannotPutBack, {words}));
        m_outcome.failed.Add(words, isValue);
        m_finished = false;
    }

    void Left(DebugLog& log, const std::string& words, bool isValue = false)
    {
        log.Write(kChangedSince);
        m_outcome.left.Add(words, isValue);
    }

    // The undo's copy, read through a handle checked for who else may change
    // it, and only when it is what the run kept.
    bool ReadCopy(DebugLog& log, const FileChange& file, const std::string& words, std::string& bytes)
    {
        std::string problem;
        if (!FileExists(file.copy)) {
            log.Writef(kCopyMissing, file.copy);
            m_outcome.missing.Add(words, false);
        } else if (!ReadChecked(file.copy, kMostCopyBytes, bytes, problem)) {
            log.Write(Format(kCopyRefused, {file.copy, problem}));
            m_outcome.failed.Add(words, false);
            m_outcome.copiesRefused.push_back(file.copy + ": " + problem);
        } else if (FingerprintOfBytes(bytes) != file.kept) {
            log.Writef(kCopyChanged, file.copy);
            m_outcome.failed.Add(words, false);
        } else {
            return true;
        }
        m_finished = false;
        return false;
    }

    // The bytes go beside the file first, with the attributes the file had,
    // then take its place in one rename; a file in use (a loaded image, an
    // open file) is replaced at the next restart.
    void ReplaceWith(DebugLog& log, const std::string& bytes, const FileChange& file, const std::string& target,
                     const std::string& words)
    {
        if (!StageAndMove(log, bytes, file, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH, words, true))
            return;
        if (m_inUse) {
            log.Writef(kPutBackAtRestart, words);
            m_outcome.atRestart.Add(words, false);
        } else {
            log.Writef(kPutBack, words);
        }
        m_outcome.putBack.Add(words, false);
    }

    // False, logged and tallied as failed, when the file could not be
    // staged or moved (nor, `laterWhenInUse`, scheduled for the restart).
    bool StageAndMove(DebugLog& log, const std::string& bytes, const FileChange& file, const std::string& target,
                      DWORD moveFlags, const std::string& words, bool laterWhenInUse = false)
    {
        std::string staged = target + kPutBackExtension;
        m_inUse = false;
        auto fail = [&](DWORD error) {
            Win().SetFileAttributesA(staged.c_str(), FILE_ATTRIBUTE_NORMAL);
            Win().DeleteFileA(staged.c_str());
            Win().SetLastError(error);
            Failed(log, words);
            return false;
        };
        if (!Stage(bytes, staged) || SetKeptAttributes(staged, file.attributes) == Attributes::kNotSet)
            return fail(Win().GetLastError());
        if (Win().MoveFileExA(staged.c_str(), target.c_str(), moveFlags))
            return true;
        DWORD error = Win().GetLastError();
        m_inUse = laterWhenInUse && (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED);
        if (m_inUse && Win().MoveFileExA(staged.c_str(), target.c_str(),
                                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT))
            return true;
        return fail(error);
    }

    // The bytes written whole under the staging name (one left by an earlier undo goes first).
    static bool Stage(const std::string& bytes, const std::string& staged)
    {
        Win().SetFileAttributesA(staged.c_str(), FILE_ATTRIBUTE_NORMAL);
        Win().DeleteFileA(staged.c_str());
        KernelHandle file(NullIfInvalid(
            Win().CreateFileA(staged.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)));
        DWORD written = 0;
        bool whole = file.IsOpen() &&
                     (bytes.empty() || (Win().WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                                        &written, nullptr) &&
                                        written == bytes.size())) &&
                     Win().FlushFileBuffers(file.Get());
        DWORD error = Win().GetLastError();
        if (file.IsOpen() && !file.Close())
            whole = false;
        Win().SetLastError(error);
        return whole;
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

    Outcome& m_outcome;
    bool m_finished = true;
    bool m_inUse = false;  // the last move found the file in use
};
}  // namespace

void Tally::Add(const std::string& words, bool isValue)
{
    if (isValue)
        ++values;
    else
        others.push_back(words);
}

std::string Tally::Text() const
{
    std::vector<std::string> items;
    if (values > 0)
        items.push_back(std::to_string(values) + (values == 1 ? " registry value" : " registry values"));
    items.insert(items.end(), others.begin(), others.end());
    return Listed(items);
}

std::string Listed(const std::vector<std::string>& items)
{
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i)
        text += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
    return text;
}

Tally WhatIsLeft(const UndoRecord& record)
{
    Tally left;
    InQuestionOrder(
        record,
        [&left](const MadeFile& made) {
            FileFingerprint now;
            std::string path = PathInsideRedirection(made.path);
            if (FileExists(path) && FingerprintOf(path, now) && IsRunsLeftover(made, now))
                left.Add(FileName(made.path), false);
        },
        [&left](const ValueChange& value) {
            RegistryKeyHandle key;
            if (OpenValueKey(value, key) != ERROR_SUCCESS || ValueState(value, key.Get()) != State::kAsBefore)
                left.Add(ValueWords(value), true);
        },
        [&left](const FileChange& file) {
            FileFingerprint now;
            bool readable = FingerprintOf(PathInsideRedirection(file.target), now);
            if (FileState(file, readable ? &now : nullptr) != State::kAsBefore)
                left.Add(FileWords(file.target), false);
        },
        [&left](const ValueChange& value) {
            ServiceHandle manager, service;
            if (!OpenService(value, manager, service) || StartTypeState(value, service.Get()) != State::kAsBefore)
                left.Add(ValueWords(value), false);
        });
    return left;
}

bool PutBackRun(const UndoRecord& record, Outcome& outcome)
{
    RunPutBack run(outcome);
    InQuestionOrder(
        record, [&run](const MadeFile& made) { run.RemoveLeftover(made); },
        [&run](const ValueChange& value) { run.PutBackValue(value); },
        [&run](const FileChange& file) { run.PutBackFile(file); },
        [&run](const ValueChange& value) { run.PutBackStartType(value); });
    return run.Finished();
}

}  // namespace undo
