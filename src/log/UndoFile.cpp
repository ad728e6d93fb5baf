#include "log/UndoFile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>

#include "log/DebugLog.h"
#include "log/FileFingerprint.h"
#include "log/Format.h"
#include "log/UndoFileFormat.h"
#include "log/UndoStore.h"
#include "platform/Owned.h"
#include "platform/RegFileText.h"
#include "platform/RegistryKey.h"
#include "platform/WinApi.h"

namespace {
using undoformat::kNameExtension;
using undoformat::kNamePrefix;
// The file is written whole under its name and this extension first.
const char kPartExtension[] = ".new";
const char kTimeStampFormat[] = "%04u%02u%02u-%02u%02u%02u";
// A name already taken gets "-2", "-3", ... before the extension.
const int kMostNamesTried = 100;

using undoformat::kComment;
using undoformat::kLineEnd;
const char kUndoes[] = "Undoes the registry changes of the Remendo run logged as:";
using undoformat::kHowToApply;
const char kHostsRewritten[] = "The hosts file was rewritten: to undo, copy %s to %s";
const char kDllReplaced[] = "%s was replaced by a newer version: the old file lies at %s";
const char kDllReplacedNotKept[] = "%s was replaced by a newer version: the old file was not kept";
const char kDllAtRestart[] = "%s is replaced by a newer version at the next restart: the old file lies at %s";
const char kDllMovedAside[] = "%s was moved aside: the old file lies at %s; copy it back to undo";
const char kServiceRestarted[] = "The %s service was restarted: nothing to undo";
const char kRegisteredAgain[] = "Registered again with %s: nothing to undo";
// What the undo tool reads beyond regedit's lines (UndoFileFormat.h).
using undoformat::kAtRestartLine;
using undoformat::kAttribLine;
using undoformat::kCopyLine;
using undoformat::kKeptLine;
using undoformat::kMakingLine;
using undoformat::kMakingWithContentLine;
using undoformat::kMovedLine;
using undoformat::kWroteFileLine;
const std::string kWrote = std::string(kComment) + undoformat::kWroteValue;
const char kServiceDidNotExist[] = "The %s service did not exist before this run: it is left as it is now";
const char* const kUnknown = undoformat::kUnknownLine;
const char kUnknownStartType[] = "the start type of the %s service";
const char kMachineRoot[] = "HKEY_LOCAL_MACHINE\\";
const char kStartValue[] = "Start";
// A 32-bit program on 64-bit Windows sees this key through its 32-bit view.
const char kRedirectedKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\";
const char kWow64View[] = "Wow6432Node\\";

const char kLogUnit[] = "DebugLog";

// Log texts, word for word and spelling included: support staff search logs for them.
const char kCannotCreate[] = "Couldn't create the undo file %s";
const char kCannotWrite[] = "Couldn't write the undo file %s";
const char kCannotCopy[] = "Couldn't copy %s beside the undo file %s";

std::string CommentLine(const std::string& text)
{
    return kComment + text + kLineEnd;
}

// Registry names compare without regard to case.
std::string UpperCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Text of the ANSI code page in the file's form: UTF-16LE, or as it is in
// the REGEDIT4 form.
std::string Encoded(const std::string& text, bool regedit4)
{
    return regedit4 ? text : AnsiToUtf16(text);
}

// A value's line in the file's form; its text data (UTF-16LE, as the wide
// call reads it) in the ANSI code page for the REGEDIT4 form. False when the
// code page cannot hold it, or it is no whole UTF-16 text (an odd length),
// which the REGEDIT4 form cannot give back as it was.
bool ValueLineOf(const std::string& valueName, DWORD type, const std::string& data, bool regedit4, std::string& line)
{
    if (!regedit4) {
        line = regfile::ValueLine(AnsiToUtf16(valueName), type, data);
        return true;
    }
    std::string text = data;
    if (regfile::IsText(type) && (data.size() % 2 != 0 || !WideToAnsi(Utf16Units(data), text)))
        return false;
    line = regfile::ValueLine4(valueName, type, text);
    return true;
}

// A key with one value as it was, as regedit's export writes it, and the
// value the run writes, in a comment regedit skips ("; wrote", each line of
// long data continued on a line of its own after "; "), all in the file's
// form. False when the ANSI code page cannot hold a REGEDIT4 file's text.
bool ValueEntry(const std::string& keyPath, const std::string& valueName, DWORD type, const std::string& data,
                DWORD newType, const std::string& newData, bool regedit4, std::string& entry)
{
    const std::string lineEnd = Encoded(kLineEnd, regedit4);
    const std::size_t unit = regedit4 ? 1 : 2;
    std::string wrote = Encoded(kWrote, regedit4);
    std::string oldLine, newLine;
    if (!ValueLineOf(valueName, type, data, regedit4, oldLine) ||
        !ValueLineOf(valueName, newType, newData, regedit4, newLine))
        return false;
    for (std::size_t at = 0;;) {
        std::size_t end = newLine.find(lineEnd, at);
        while (end != std::string::npos && end % unit != 0)
            end = newLine.find(lineEnd, end + 1);
        wrote += newLine.substr(at, end == std::string::npos ? std::string::npos : end - at) + lineEnd;
        if (end == std::string::npos)
            break;
        wrote += Encoded(kComment, regedit4);
        at = end + lineEnd.size();
    }
    entry = Encoded(kLineEnd + ("[" + keyPath + "]") + kLineEnd, regedit4) + oldLine + lineEnd + wrote;
    return true;
}

// The key as the 64-bit regedit names the one this program sees: a 32-bit run
// under WoW64 sees HKLM\SOFTWARE through Wow6432Node, which the 32-bit regedit
// resolves to the same key.
std::string KeyAsSeenBy64BitRegedit(const std::string& keyPath)
{
    const std::size_t length = sizeof kRedirectedKey - 1;
    if (keyPath.size() <= length || UpperCase(keyPath.substr(0, length)) != UpperCase(kRedirectedKey) ||
        !RunsUnderWow64())
        return keyPath;
    return keyPath.substr(0, length) + kWow64View + keyPath.substr(length);
}

// "+r +h +s" as far as the attributes hold them ("" for none or unknown).
std::string AttributeFlags(DWORD attributes)
{
    std::string flags;
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return flags;
    const std::pair<DWORD, const char*> kFlags[] = {
        {FILE_ATTRIBUTE_READONLY, "+r"}, {FILE_ATTRIBUTE_HIDDEN, "+h"}, {FILE_ATTRIBUTE_SYSTEM, "+s"}};
    for (const auto& flag : kFlags) {
        if (attributes & flag.first)
            flags += (flags.empty() ? "" : " ") + std::string(flag.second);
    }
    return flags;
}

// The name of a file's `attempt`-th try: "-2", "-3", ... before its extension.
std::string NumberedName(const std::string& base, int attempt, const std::string& extension)
{
    return base + (attempt == 1 ? std::string() : Format("-%d", {attempt})) + extension;
}

// The number after the highest in the store: runs are ordered by it, not by
// a clock that may be set back.
unsigned long NextSequence(const std::string& store)
{
    unsigned long highest = 0;
    WIN32_FIND_DATAA data = {};
    FindHandle search(NullIfInvalid(Win().FindFirstFileA((store + kNamePrefix + "*" + kNameExtension).c_str(), &data)));
    if (!search.IsOpen())
        return 1;
    do {
        unsigned long sequence = 0;
        int attempt = 1;
        if (undoformat::ReadNameOrder(data.cFileName, sequence, attempt))
            highest = std::max(highest, sequence);
    } while (Win().FindNextFileA(search.Get(), &data));
    return highest + 1;
}
}  // namespace

void UndoFile::BeginRun(const SYSTEMTIME& started, const std::vector<std::string>& runLines)
{
    m_started = started;
    m_aRunLines = runLines;
    m_bRunBegun = true;
}

void UndoFile::RecordValue(HKEY key, const std::string& valueName, DWORD newType, const std::string& newText)
{
    if (!m_bRunBegun || m_bAbandoned)
        return;
    // Without its key's path a value cannot be put back: the file would not
    // hold all the run changed.
    std::string keyPath = RegistryKey::PathOf(key);
    if (keyPath.empty()) {
        Win().SetLastError(ERROR_INVALID_HANDLE);
        CannotRecord();
        return;
    }
    // The value as it was before the run is the first one seen: a later change
    // of the same value must not put back what the run itself wrote.
    if (!m_recordedValues.insert(UpperCase(keyPath) + "\\" + UpperCase(valueName)).second)
        return;
    DWORD type = REG_NONE;
    std::string data;
    LONG status = ReadRegValueExactly(key, valueName, type, data);
    if (status != ERROR_SUCCESS) {
        Win().SetLastError(static_cast<DWORD>(status));
        CannotRecord();
        return;
    }
    // Text goes into the registry as the wide call gives it back: UTF-16LE
    // with its terminating zero.
    std::string entry;
    if (!ValueEntry(KeyAsSeenBy64BitRegedit(keyPath), valueName, type, data, newType,
                    AnsiToUtf16(newText) + std::string(2, '\0'), m_bRegedit4, entry)) {
        NoteUnknown(keyPath + "\\" + valueName);
        return;
    }
    AddEntry(entry);
}

void UndoFile::KeepCopy(const std::string& path)
{
    if (!m_bRunBegun || !m_copiedFiles.insert(UpperCase(path)).second || !Create())
        return;
    std::string name = path.substr(path.rfind('\\') + 1);
    std::string::size_type dot = name.rfind('.');
    std::string stem = name.substr(0, dot), extension = dot == std::string::npos ? "" : name.substr(dot);
    std::string base = m_strPath.substr(0, m_strPath.size() - (sizeof kNameExtension - 1)) + "-" + stem;
    DWORD attributes = Win().GetFileAttributesA(path.c_str());
    std::string copy;
    bool copied = false;
    for (int attempt = 1; attempt <= kMostNamesTried && !copied; ++attempt) {
        copy = NumberedName(base, attempt, extension);
        // bFailIfExists: a copy is never written over, not even one left by an earlier run.
        copied = Win().CopyFileA(path.c_str(), copy.c_str(), TRUE) != FALSE;
        if (!copied && Win().GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (!copied) {
        Abandon(Format(kCannotCopy, {path, m_strPath}));
        return;
    }
    m_aCopies.push_back(copy);
    m_copyOf[UpperCase(path)] = PathOutsideRedirection(copy);
    FileFingerprint kept;
    if (!FingerprintOf(copy, kept)) {
        Abandon(Format(kCannotCopy, {path, m_strPath}));
        return;
    }
    // Paths as the 64-bit cmd.exe that an administrator gets sees them.
    std::string target = PathOutsideRedirection(path);
    std::string lines = CommentLine(Format(kCopyLine, {PathOutsideRedirection(copy), target}));
    std::string flags = AttributeFlags(attributes);
    if (!flags.empty())
        lines += CommentLine(Format(kAttribLine, {flags, target}));
    lines += CommentLine(Format(kKeptLine, {target, kept.Text()}));
    Append(Text(kLineEnd + lines));
}

void UndoFile::ChangeMade()
{
    m_bChangeMade = true;
}

void UndoFile::ChangeNotMade()
{
    // While no change is made, a file holds nothing to undo: it goes, and the
    // next change creates it afresh, with the notes made so far.
    if (m_bChangeMade || !m_bCreated)
        return;
    RemoveFileAndCopies();
    m_recordedValues.clear();
    m_copiedFiles.clear();
}

void UndoFile::RecordStartType(const std::string& serviceName, DWORD startType, DWORD newStartType)
{
    // A start type the run leaves as it was needs nothing put back.
    if (!m_bRunBegun || m_bAbandoned || startType == newStartType)
        return;
    m_bChangeMade = true;
    std::string entry;
    ValueEntry(kMachineRoot + std::string(kServicesKey) + serviceName, kStartValue, REG_DWORD, DwordData(startType),
               REG_DWORD, DwordData(newStartType), m_bRegedit4, entry);
    AddEntry(entry);
}

void UndoFile::RecordStartTypeFromRegistry(const std::string& serviceName, DWORD newStartType)
{
    if (!m_bRunBegun || m_bAbandoned)
        return;
    RegistryKey key;
    DWORD type = REG_NONE;
    std::string data;
    if (key.Open(HKEY_LOCAL_MACHINE, kServicesKey + serviceName, KEY_QUERY_VALUE) == ERROR_SUCCESS &&
        ReadRegValueExactly(key.Get(), kStartValue, type, data) == ERROR_SUCCESS && type == REG_DWORD &&
        data.size() == 4) {
        RecordStartType(serviceName, DwordOf(data), newStartType);
        return;
    }
    NoteUnknown(Format(kUnknownStartType, {serviceName}));
}

void UndoFile::NoteUnknown(const std::string& what)
{
    m_bChangeMade = true;
    AddEntry(Text(kLineEnd + CommentLine(Format(kUnknown, {what}))));
}

void UndoFile::NoteNewContent(const std::string& path, const std::string& newContentPath, bool movedIn)
{
    if (!m_bRunBegun || m_bAbandoned || !Create())
        return;
    FileFingerprint fingerprint;
    if (!FingerprintOf(newContentPath, fingerprint)) {
        CannotRecord();
        return;
    }
    std::string target = PathOutsideRedirection(path);
    std::string lines = CommentLine(Format(kWroteFileLine, {target, fingerprint.Text()}));
    if (movedIn)
        lines += CommentLine(Format(kMovedLine, {PathOutsideRedirection(newContentPath), target}));
    Append(Text(lines));
}

void UndoFile::NoteMaking(const std::string& path, const std::string& contentPath)
{
    if (!m_bRunBegun || m_bAbandoned || !Create())
        return;
    std::string target = PathOutsideRedirection(path);
    if (contentPath.empty()) {
        Append(Text(kLineEnd + CommentLine(Format(kMakingLine, {target}))));
        return;
    }
    FileFingerprint fingerprint;
    if (!FingerprintOf(contentPath, fingerprint)) {
        CannotRecord();
        return;
    }
    Append(Text(kLineEnd + CommentLine(Format(kMakingWithContentLine, {target, fingerprint.Text()}))));
}

void UndoFile::NoteServiceDidNotExist(const std::string& serviceName)
{
    AddChangeNote(Format(kServiceDidNotExist, {serviceName}));
}

void UndoFile::CannotRecord()
{
    // Named even before it exists, so that no file of that name passes for
    // this run's undo.
    if (m_bRunBegun && !m_bAbandoned)
        Abandon(Format(kCannotWrite, {m_strPath.empty() ? BaseName() + kNameExtension : m_strPath}));
}

void UndoFile::NoteHostsReplaced(const std::string& hostsPath, const std::string& backupPath)
{
    // hosts.bak is the next run's to write over; the undo's own copy stays.
    auto kept = m_copyOf.find(UpperCase(hostsPath));
    AddChangeNote(Format(kHostsRewritten, {kept != m_copyOf.end() ? kept->second : backupPath, hostsPath}));
}

void UndoFile::NoteScanDllReplaced(const std::string& installedPath, const std::string& oldFilePath)
{
    std::string text = oldFilePath.empty() ? Format(kDllReplacedNotKept, {installedPath})
                                           : Format(kDllReplaced, {installedPath, oldFilePath});
    AddChangeNote(text);
}

void UndoFile::NoteScanDllReplacedAtRestart(const std::string& installedPath, const std::string& oldFilePath)
{
    AddChangeNote(Format(kDllAtRestart, {installedPath, oldFilePath}));
    Append(Text(CommentLine(Format(kAtRestartLine, {PathOutsideRedirection(installedPath)}))));
}

void UndoFile::NoteScanDllMovedAside(const std::string& installedPath, const std::string& oldFilePath)
{
    AddChangeNote(Format(kDllMovedAside, {installedPath, oldFilePath}));
}

void UndoFile::NoteServiceRestarted(const std::string& serviceName)
{
    AddNote(kLineEnd + CommentLine(Format(kServiceRestarted, {serviceName})));
}

void UndoFile::NoteRegisteredAgain(const std::string& commandLine)
{
    AddNote(kLineEnd + CommentLine(Format(kRegisteredAgain, {commandLine})));
}

std::string UndoFile::Text(const std::string& text) const
{
    return Encoded(text, m_bRegedit4);
}

bool UndoFile::IsUndoFileName(const std::string& fileName)
{
    const std::size_t prefix = sizeof kNamePrefix - 1, extension = sizeof kNameExtension - 1;
    return fileName.size() > prefix + extension && fileName.compare(0, prefix, kNamePrefix) == 0 &&
           fileName.compare(fileName.size() - extension, extension, kNameExtension) == 0;
}

// Entries create the file; notes wait for it, in the order they were made.
void UndoFile::AddEntry(const std::string& text)
{
    if (!m_bRunBegun)
        return;
    if (Create())
        Append(text);
}

// A change other than a value's rewrite, noted once it is made.
void UndoFile::AddChangeNote(const std::string& text)
{
    m_bChangeMade = true;
    AddEntry(Text(kLineEnd + CommentLine(text)));
}

void UndoFile::AddNote(const std::string& text)
{
    if (!m_bRunBegun)
        return;
    if (!m_bChangeMade && !m_bAbandoned)
        m_aNotesBeforeFirstChange.push_back(text);
    Append(Text(text));
}

// True while the file exists, creating it (header, run lines, waiting notes)
// on the first call.
bool UndoFile::Create()
{
    if (m_bCreated || m_bAbandoned)
        return m_bCreated;
    if (m_store.empty()) {
        std::string store;
        if (!undostore::PrepareStore(m_bWindows9x, store)) {
            m_store = store;
            Abandon(Format(kCannotCreate, {BaseName() + kNameExtension}));
            return false;
        }
        m_store = store;
        m_sequence = NextSequence(m_store);
    }
    std::string base = BaseName();
    for (int attempt = 1; attempt <= kMostNamesTried; ++attempt) {
        m_strPath = NumberedName(base, attempt, kNameExtension);
        std::string head = std::string(m_bRegedit4 ? regfile::kHeader4 : regfile::kHeader) + kLineEnd + kLineEnd +
                           CommentLine(kUndoes);
        for (const std::string& line : m_aRunLines)
            head += CommentLine(line);
        head += CommentLine(Format(kHowToApply, {m_strPath}));
        for (const std::string& note : m_aNotesBeforeFirstChange)
            head += note;
        m_content = m_bRegedit4 ? head : regfile::kByteOrderMark + AnsiToUtf16(head);
        // Without replacing: an earlier run's undo file is never written over.
        Written written = WriteWhole(MOVEFILE_WRITE_THROUGH);
        if (written == Written::kWhole) {
            m_bCreated = true;
            return true;
        }
        DWORD error = Win().GetLastError();
        if (written == Written::kNotWritten || (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)) {
            Abandon(Format(written == Written::kNotWritten ? kCannotWrite : kCannotCreate, {m_strPath}));
            return false;
        }
    }
    Abandon(Format(kCannotCreate, {m_strPath}));
    return false;
}

std::string UndoFile::BaseName() const
{
    const SYSTEMTIME& t = m_started;
    char stamp[32] = {};
    std::snprintf(stamp, sizeof stamp, kTimeStampFormat, unsigned{t.wYear}, unsigned{t.wMonth}, unsigned{t.wDay},
                  unsigned{t.wHour}, unsigned{t.wMinute}, unsigned{t.wSecond});
    return m_store + kNamePrefix + std::to_string(m_sequence) + "-" + stamp;
}

bool UndoFile::Append(const std::string& text)
{
    if (!m_bCreated)
        return false;
    m_content += text;
    if (WriteWhole(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != Written::kWhole) {
        Abandon(Format(kCannotWrite, {m_strPath}));
        return false;
    }
    return true;
}

// The whole file is written under a name of its own, flushed, and then takes
// the undo file's name in one rename: a run cut off at any instant leaves the
// undo file as it was or as it is now, never empty or cut short. The last
// error says why it was not.
UndoFile::Written UndoFile::WriteWhole(DWORD moveFlags)
{
    std::string partPath = m_strPath + kPartExtension;
    std::string descriptor = undostore::AdministratorsOnlyDescriptor();
    SECURITY_ATTRIBUTES security = {sizeof security, &descriptor[0], FALSE};
    KernelHandle part;
    for (int attempt = 0; attempt < 2 && !part.IsOpen(); ++attempt) {
        // CREATE_NEW: whatever lies at that name (a link, too) is never written through.
        part.Attach(NullIfInvalid(Win().CreateFileA(partPath.c_str(), GENERIC_WRITE, 0, &security, CREATE_NEW,
                                                    FILE_ATTRIBUTE_NORMAL, nullptr)));
        // One left by a run cut off in the same second goes.
        if (!part.IsOpen() && (Win().GetLastError() != ERROR_FILE_EXISTS || !Win().DeleteFileA(partPath.c_str())))
            return Written::kNotCreated;
    }
    DWORD count = 0;
    bool written = part.IsOpen() &&
                   Win().WriteFile(part.Get(), m_content.data(), static_cast<DWORD>(m_content.size()), &count,
                                   nullptr) &&
                   count == m_content.size() && Win().FlushFileBuffers(part.Get());
    part.Close();
    if (written && RenameFile(partPath, m_strPath, moveFlags))
        return Written::kWhole;
    DWORD error = Win().GetLastError();
    Win().DeleteFileA(partPath.c_str());
    Win().SetLastError(error);
    return written ? Written::kNotCreated : Written::kNotWritten;
}

// A file that does not hold all the run changed must not pass for an undo:
// it is removed, with its copies, and nothing more is written for this run.
void UndoFile::Abandon(const std::string& errorText)
{
    DebugLog log("UndoFile", kLogUnit);
    log.LogLastError(errorText);
    RemoveFileAndCopies();
    m_aNotesBeforeFirstChange.clear();
    m_bAbandoned = true;
}

void UndoFile::RemoveFileAndCopies()
{
    if (m_bCreated)
        Win().DeleteFileA(m_strPath.c_str());
    m_bCreated = false;
    m_content.clear();
    for (const std::string& copy : m_aCopies) {
        // A copy keeps the attributes of its file: a read-only one is made deletable first.
        Win().SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
        Win().DeleteFileA(copy.c_str());
    }
    m_aCopies.clear();
    m_copyOf.clear();
    m_strPath.clear();
}
