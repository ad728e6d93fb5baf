// The hosts-file update: the scanner software finds a networked all-in-one by
// host name too, so every hosts entry that names exactly one of the device's
// address and host name is rewritten to pair the two (which lines, and to
// what: HostsLines.h).
//
// The file is rewritten through hosts.new, which then takes its place in one
// rename; the old file is kept as hosts.bak, itself written whole under
// hosts.bak.new first. A run cut off at any instant leaves the old hosts file
// or the new one, and hosts.bak, each whole. A pass that rewrites no line
// writes neither.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "app/Remendo.h"
#include "log/DebugLog.h"
#include "log/Format.h"
#include "platform/Owned.h"
#include "platform/WinApi.h"
#include "system/HostsLines.h"
#include "system/SystemDirectory.h"

namespace {
const char kHostsSuffix[] = "\\drivers\\etc\\hosts";
const char kNewSuffix[] = "\\drivers\\etc\\hosts.new";
const char kBackupSuffix[] = "\\drivers\\etc\\hosts.bak";
// The backup, whole, before it takes hosts.bak's place.
const char kNewBackupSuffix[] = "\\drivers\\etc\\hosts.bak.new";
// A rename that replaces the target is one step, whatever is cut off when;
// write-through: it is on the disk before the call returns.
const DWORD kReplaceInOneStep = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
// Read as bytes: a text-mode read would end at a Ctrl+Z, and whatever follows
// it would be lost when the new file replaces the hosts file.
const char kReadBinaryMode[] = "rb";
// Written as bytes too: every line that is not rewritten comes out as it was,
// with its own line end, whatever the file's encoding.
const char kWriteBinaryMode[] = "wb";
// The line end of a rewritten line that replaces a last line without one.
const char kWindowsLineEnd[] = "\r\n";
// Reads and writes go in blocks of this size: a call per character or per
// line would cost more than the rewrite itself on a large file.
const std::size_t kBlockSize = 64 * 1024;

// Log texts, word for word and spelling included: support staff search logs for them.
const char kStarting[] = "- Starting to update the Host file";
const char kDone[] = "--- Done updating the Host file";
const char kCurrentFile[] = "\tThe current hosts file: %s";
const char kLeftAlone[] = "\tleft this hosts entry alone:";
const char kUpdatingFrom[] = "\tupdating hosts entry from:";
const char kUpdatingTo[] = "\tto";
const char kLineDetail[] = "\t\t%s";
const char kInvalidAddress[] = "Not a dotted IPv4 address, the hosts file is left as it is: %s";
const char kInvalidHostName[] = "Not a valid host name, the hosts file is left as it is: %s";
const char kNoSystemDirectory[] = "Unable to get system directory";
const char kCannotOpenHosts[] = "unable to open hosts file";
const char kCannotCreateNew[] = "unable to create hosts.new file";
const char kCannotReadHosts[] = "Error reading hosts file, it is left as it is";
const char kCannotWriteNew[] = "Error writing hosts.new file, the hosts file is left as it is";
const char kCannotBackUp[] = "Error copying hosts to hosts.bak";
const char kCannotReplace[] = "Error copying hosts.new to hosts";
const char kCannotDeleteNew[] = "Error deleting hosts.new";

// Control characters would break the log's lines.
std::string ShownInLog(std::string text)
{
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f')
            c = '?';
    }
    return text;
}

// One line of the hosts file: its text and the bytes that end it (CR LF, a
// line feed, a lone carriage return, or none on a last line).
struct HostsLine {
    std::string text;
    std::string end;

    // The line as the log shows it: a CR LF pair as one line feed.
    std::string Logged() const { return text + (end == "\r" ? "\r" : end.empty() ? "" : "\n"); }
};

// Reads the hosts file one whole line at a time, whatever its length.
class LineReader {
public:
    explicit LineReader(FILE* file) : m_file(file), m_block(kBlockSize) {}

    // False at the end of the file or on a read error.
    bool ReadLine(HostsLine& line)
    {
        line.text.clear();
        line.end.clear();
        while (HasByte()) {
            // The text up to the next CR or LF of the block is taken whole.
            const char* from = m_block.data() + m_next;
            const char* to = m_block.data() + m_filled;
            const char* stop = std::find_if(from, to, [](char c) { return c == '\r' || c == '\n'; });
            line.text.append(from, stop);
            m_next += static_cast<std::size_t>(stop - from);
            if (stop == to)
                continue;
            char c = m_block[m_next++];
            // A CR followed by a LF, also in the next block, is one CR LF end.
            if (c == '\r' && HasByte() && m_block[m_next] == '\n') {
                ++m_next;
                line.end = "\r\n";
            } else {
                line.end = c;
            }
            return true;
        }
        return !line.text.empty();
    }

    // The whole lines ahead in the block up to the first that holds the text
    // of `first` or `second` (an empty one is never found). A line holding
    // neither can name no entry to rewrite, so these go out as they came in,
    // without being cut into lines. (A CR LF pair split by the block's end
    // comes out the same: its LF is then read as an empty line.) Only bytes
    // already read are taken: ReadLine reads the next block, so the file is
    // read by the same calls.
    std::string_view TakeLinesWithout(const std::string& first, const std::string& second)
    {
        std::string_view ahead(m_block.data() + m_next, m_filled - m_next);
        ahead = ahead.substr(0, LineStart(ahead, ahead.size()));
        // Neither text holds a line end, so the line holding one stays whole.
        std::size_t found = std::min(Find(ahead, first), Find(ahead, second));
        if (found != std::string_view::npos)
            ahead = ahead.substr(0, LineStart(ahead, found));
        m_next += ahead.size();
        return ahead;
    }

private:
    // The start of the line that position `at` is in: just after the last
    // line end before it.
    static std::size_t LineStart(std::string_view text, std::size_t at)
    {
        std::size_t lineEnd = at == 0 ? std::string_view::npos : text.find_last_of("\r\n", at - 1);
        return lineEnd == std::string_view::npos ? 0 : lineEnd + 1;
    }

    static std::size_t Find(std::string_view text, const std::string& wanted)
    {
        return wanted.empty() ? std::string_view::npos : text.find(wanted);
    }

    // False at the end of the file or on a read error; else a byte waits at m_next.
    bool HasByte()
    {
        if (m_next == m_filled) {
            m_filled = Win().fread(m_block.data(), 1, m_block.size(), m_file);
            m_next = 0;
        }
        return m_next < m_filled;
    }

    FILE* m_file;
    std::vector<char> m_block;
    std::size_t m_filled = 0;
    std::size_t m_next = 0;
};

// Collects what is written and hands it to the stream a block at a time.
class BlockWriter {
public:
    explicit BlockWriter(FILE* file) : m_file(file) {}

    // False when the stream refused a block.
    bool Write(std::string_view text)
    {
        m_block.append(text.data(), text.size());
        return m_block.size() < kBlockSize || Flush();
    }
    bool Flush()
    {
        bool written = Win().fwrite(m_block.data(), 1, m_block.size(), m_file) == m_block.size();
        m_block.clear();
        return written;
    }

private:
    FILE* m_file;
    std::string m_block;
};

// The file's bytes reach the disk before it replaces another: the stream's
// close only hands them to the system.
bool FlushToDisk(const std::string& path)
{
    KernelHandle file(NullIfInvalid(
        Win().CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
    return file.IsOpen() && Win().FlushFileBuffers(file.Get());
}

// The hosts file copied to hosts.bak, which holds the old backup or the new
// one, whole, whenever the run is cut off. (The copy keeps a read-only
// attribute, so it is not opened again to be flushed.)
bool BackUp(const std::string& hostsPath, const std::string& newBackupPath, const std::string& backupPath)
{
    if (Win().CopyFileA(hostsPath.c_str(), newBackupPath.c_str(), FALSE) &&
        RenameFile(newBackupPath, backupPath, kReplaceInOneStep))
        return true;
    DWORD error = Win().GetLastError();
    Win().DeleteFileA(newBackupPath.c_str());
    Win().SetLastError(error);
    return false;
}
}  // namespace

void CRemendoApp::UpdateHostsEntry(const std::string& ipAddress, const std::string& hostName)
{
    DebugLog log("UpdateHostsEntry", kRemendoSourceFile);
    log.Write(kStarting);
    RewriteHostsFile(log, ipAddress, hostName);
    log.Write(kDone);
}

void CRemendoApp::RewriteHostsFile(DebugLog& log, const std::string& ipAddress, const std::string& hostName)
{
    // Both come from outside (name lookup, port monitor, product key, user):
    // only a well-formed one that names a device may go into the file.
    if (!ipAddress.empty() && !hostsfile::IsUnicastAddress(ipAddress)) {
        log.Errorf(kInvalidAddress, ShownInLog(ipAddress));
        return;
    }
    if (!hostName.empty() && !hostsfile::IsHostName(hostName)) {
        log.Errorf(kInvalidHostName, ShownInLog(hostName));
        return;
    }

    std::string systemDir = SystemDirectory();
    if (systemDir.empty()) {
        log.LogLastError(kNoSystemDirectory);
        return;
    }
    std::string hostsPath = systemDir + kHostsSuffix;
    std::string newPath = systemDir + kNewSuffix;
    std::string backupPath = systemDir + kBackupSuffix;
    log.Writef(kCurrentFile, hostsPath);

    bool rewroteLines = false;
    // Named before it is made: a run cut off while writing it leaves an undo that removes it.
    m_undoFile.NoteMaking(newPath, std::string());
    NewHostsFile written = WriteUpdatedHosts(log, hostsPath, newPath, ipAddress, hostName, rewroteLines);
    if (written == NewHostsFile::kNotCreated) {
        m_undoFile.ChangeNotMade();
        return;
    }
    // With no line rewritten the hosts file and hosts.bak stay as they are.
    if (written == NewHostsFile::kComplete && rewroteLines) {
        std::string newBackupPath = systemDir + kNewBackupSuffix;
        m_undoFile.NoteMaking(newPath, newPath);
        m_undoFile.KeepCopy(hostsPath);
        m_undoFile.NoteNewContent(hostsPath, newPath, false);
        m_undoFile.NoteMaking(newBackupPath, hostsPath);
        if (Win().GetFileAttributesA(backupPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
            m_undoFile.KeepCopy(backupPath);
            m_undoFile.NoteNewContent(backupPath, hostsPath, false);
        }
        if (ReplaceHostsFile(log, hostsPath, newPath, newBackupPath, backupPath)) {
            // The entries count as changed only once they are in the hosts file.
            m_bChangesMade = true;
            m_undoFile.NoteHostsReplaced(hostsPath, backupPath);
            return;
        }
    }
    m_undoFile.ChangeNotMade();
    if (!Win().DeleteFileA(newPath.c_str()))
        log.LogLastError(kCannotDeleteNew);
}

// The old file is saved before the new one takes its place, in one rename
// that leaves no moment without a whole hosts file. A hosts file made
// read-only is not replaced, as a copy over it would not be.
bool CRemendoApp::ReplaceHostsFile(DebugLog& log, const std::string& hostsPath, const std::string& newPath,
                                   const std::string& newBackupPath, const std::string& backupPath)
{
    if (!FlushToDisk(newPath)) {
        log.LogLastError(kCannotWriteNew);
        return false;
    }
    if (!BackUp(hostsPath, newBackupPath, backupPath)) {
        log.LogLastError(kCannotBackUp);
        return false;
    }
    if (!RenameFile(newPath, hostsPath, kReplaceInOneStep)) {
        log.LogLastError(kCannotReplace);
        return false;
    }
    return true;
}

// Copies the hosts file into the new file, rewriting the entries that name
// exactly one of the two. Anything but kComplete (logged) means the
// new file must not replace the hosts file.
CRemendoApp::NewHostsFile CRemendoApp::WriteUpdatedHosts(DebugLog& log, const std::string& hostsPath,
                                                         const std::string& newPath, const std::string& ipAddress,
                                                         const std::string& hostName, bool& rewroteLines)
{
    Stream hosts(Win().fopen(hostsPath.c_str(), kReadBinaryMode));
    if (!hosts.IsOpen()) {
        log.LogLastError(kCannotOpenHosts);
        return NewHostsFile::kNotCreated;
    }
    Stream updated(Win().fopen(newPath.c_str(), kWriteBinaryMode));
    if (!updated.IsOpen()) {
        log.LogLastError(kCannotCreateNew);
        return NewHostsFile::kNotCreated;
    }
    LineReader reader(hosts.Get());
    BlockWriter writer(updated.Get());
    HostsLine line;
    // The same-entry comparison goes through the hub's member, which opens a
    // scope of the log of its own.
    const hostsfile::SameEntryCheck isSameEntry = [this](const std::string& existingLine, const std::string& newLine) {
        return IsSameHostsEntry(existingLine, newLine);
    };
    for (;;) {
        if (!writer.Write(reader.TakeLinesWithout(ipAddress, hostName))) {
            log.LogLastError(kCannotWriteNew);
            return NewHostsFile::kIncomplete;
        }
        if (!reader.ReadLine(line))
            break;
        std::string replacement;
        hostsfile::LineChange change =
            hostsfile::ChangeToLine(line.text, ipAddress, hostName, isSameEntry, replacement);
        bool rewrite = change == hostsfile::LineChange::kRewritten;
        if (change == hostsfile::LineChange::kLeftAlone) {
            log.Write(kLeftAlone);
            log.Writef(kLineDetail, line.Logged());
        } else if (rewrite) {
            rewroteLines = true;
            log.Write(kUpdatingFrom);
            log.Writef(kLineDetail, line.Logged());
            log.Write(kUpdatingTo);
            log.Writef(kLineDetail, replacement + "\n");
        }
        bool written = rewrite ? writer.Write(replacement) && writer.Write(line.end.empty() ? kWindowsLineEnd : line.end)
                               : writer.Write(line.text) && writer.Write(line.end);
        if (!written) {
            log.LogLastError(kCannotWriteNew);
            return NewHostsFile::kIncomplete;
        }
    }
    if (Win().ferror(hosts.Get())) {
        log.LogLastError(kCannotReadHosts);
        return NewHostsFile::kIncomplete;
    }
    // A failed close means the last writes did not reach the disk.
    if (!writer.Flush() || updated.Close() != 0) {
        log.LogLastError(kCannotWriteNew);
        return NewHostsFile::kIncomplete;
    }
    return NewHostsFile::kComplete;
}

// The comparison of hostsfile::IsSameEntry, in a scope of the log of its own.
bool CRemendoApp::IsSameHostsEntry(std::string existingLine, std::string newLine)
{
    DebugLog log("IsSameHostsEntry", kRemendoSourceFile);
    return hostsfile::IsSameEntry(existingLine, newLine);
}
