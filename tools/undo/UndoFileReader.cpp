#include "UndoFileReader.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/Owned.h"
#include "platform/RegFileText.h"
#include "platform/RegistryKey.h"
#include "platform/WinApi.h"

namespace undo {

namespace {
const char kRoot[] = "HKEY_LOCAL_MACHINE\\";
// The keys whose values a run rewrites (upper case, below HKEY_LOCAL_MACHINE).
const char* const kValueKeys[] = {
    "SYSTEM\\CURRENTCONTROLSET\\CONTROL\\CLASS\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\",
    "SYSTEM\\CURRENTCONTROLSET\\CONTROL\\PRINT\\MONITORS\\STANDARD TCP/IP PORT\\PORTS\\",
    "SYSTEM\\CURRENTCONTROLSET\\CONTROL\\PRINT\\MONITORS\\CV STANDARD TCP/IP PORT\\PORTS\\",
    "SOFTWARE\\CORVANE\\",
    "SOFTWARE\\WOW6432NODE\\CORVANE\\",
};
// The management service's start type, the one value of its key a run changes.
const char kServiceKey[] = "SYSTEM\\CURRENTCONTROLSET\\SERVICES\\QMX DRIVER CVQ40";
const char kStartValue[] = "Start";
// The files a run replaces, in the system directory.
const char* const kSystemFiles[] = {"drivers\\etc\\hosts", "cvqscan.dll", "cvqscan2.dll", "cvqscan3.dll"};
const char* const kScanDlls[] = {"cvqscan.dll", "cvqscan2.dll", "cvqscan3.dll"};
const std::size_t kMostBytes = 4 * 1024 * 1024;  // far above any run's undo file

const char kComment[] = "; ";
const char kWrote[] = "; wrote ";
const char kCopy[] = "; copy /y \"";
const char kAttrib[] = "; attrib ";
const char kKept[] = "; kept \"";
const char kWroteFile[] = "; wrote \"";
const char kMoved[] = "; moved \"";
const char kHowToApply[] = "; To put the values back: ";

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

bool StartsWith(const WideText& text, const char* prefix)
{
    std::size_t length = std::strlen(prefix);
    if (text.size() < length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] != static_cast<unsigned char>(prefix[i]))
            return false;
    }
    return true;
}

int HexDigit(WCHAR c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The hexadecimal number in text[from, to); false for anything but digits.
bool ReadHexNumber(const WideText& text, std::size_t from, std::size_t to, unsigned long& number)
{
    number = 0;
    for (std::size_t i = from; i < to; ++i) {
        int digit = HexDigit(text[i]);
        if (digit < 0)
            return false;
        number = number * 16 + static_cast<unsigned long>(digit);
    }
    return true;
}

// A quoted name or text at `at` with regedit's escapes of '\' and '"'; `at`
// is left after the closing quote.
bool ReadQuoted(const WideText& line, std::size_t& at, WideText& text)
{
    if (at >= line.size() || line[at] != '"')
        return false;
    text.clear();
    for (++at; at < line.size(); ++at) {
        WCHAR c = line[at];
        if (c == '"') {
            ++at;
            return true;
        }
        if (c == '\\') {
            if (++at >= line.size() || (line[at] != '\\' && line[at] != '"'))
                return false;
            c = line[at];
        }
        text += c;
    }
    return false;
}

// "xx,xx,..." to the end of the line.
bool ReadHexBytes(const WideText& line, std::size_t at, std::string& bytes)
{
    bytes.clear();
    while (at < line.size()) {
        if (at + 1 >= line.size() || HexDigit(line[at]) < 0 || HexDigit(line[at + 1]) < 0)
            return false;
        bytes += static_cast<char>(HexDigit(line[at]) * 16 + HexDigit(line[at + 1]));
        at += 2;
        if (at < line.size() && (line[at] != ',' || at + 1 == line.size()))
            return false;
        if (at < line.size())
            ++at;
    }
    return true;
}

// One value as regedit writes it: "name"= (or @=), then "text",
// dword:xxxxxxxx, hex:... or hex(N):..., with continued lines joined.
bool ReadValue(const WideText& line, WideText& name, DWORD& type, std::string& data)
{
    std::size_t at = 0;
    if (StartsWith(line, "@=")) {
        name.clear();
        at = 1;
    } else if (!ReadQuoted(line, at, name) || at >= line.size() || line[at] != '=') {
        return false;
    }
    WideText rest = line.substr(at + 1);
    if (!rest.empty() && rest[0] == '"') {
        std::size_t end = 0;
        WideText text;
        if (!ReadQuoted(rest, end, text) || end != rest.size())
            return false;
        type = REG_SZ;
        data = Utf16Bytes(text) + std::string(2, '\0');
        return true;
    }
    if (StartsWith(rest, "dword:")) {
        unsigned long number = 0;
        if (rest.size() != 14 || !ReadHexNumber(rest, 6, rest.size(), number))
            return false;
        type = REG_DWORD;
        data = DwordData(static_cast<DWORD>(number));
        return true;
    }
    if (StartsWith(rest, "hex:")) {
        type = REG_BINARY;
        return ReadHexBytes(rest, 4, data);
    }
    if (StartsWith(rest, "hex(")) {
        std::size_t close = rest.find(')');
        if (close == WideText::npos || close == 4 || close > 12 || close + 1 >= rest.size() || rest[close + 1] != ':')
            return false;
        unsigned long number = 0;
        if (!ReadHexNumber(rest, 4, close, number))
            return false;
        type = static_cast<DWORD>(number);
        return ReadHexBytes(rest, close + 2, data);
    }
    return false;
}

// The file's lines, without their CR LF; false when it is no regedit file of
// this program (no UTF-16LE byte-order mark, an odd byte count).
bool SplitLines(const std::string& bytes, std::vector<WideText>& lines)
{
    if (bytes.size() < 2 || bytes.compare(0, 2, regfile::kByteOrderMark) != 0 || bytes.size() % 2 != 0)
        return false;
    lines.assign(1, WideText());
    for (WCHAR unit : Utf16Units(bytes.substr(2))) {
        if (unit == '\n')
            lines.emplace_back();
        else if (unit != '\r')
            lines.back() += unit;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    Stream file(Win().fopen(path.c_str(), "rb"));
    if (!file.IsOpen())
        return false;
    bytes.clear();
    char block[64 * 1024];
    std::size_t count = 0;
    while ((count = Win().fread(block, 1, sizeof block, file.Get())) > 0 && bytes.size() <= kMostBytes)
        bytes.append(block, count);
    return !Win().ferror(file.Get());
}

// Two quoted paths: "FROM" "TO".
bool ReadTwoPaths(const std::string& text, std::string& first, std::string& second)
{
    std::size_t middle = text.find("\" \"");
    if (middle == std::string::npos || text.size() < middle + 4 || text.back() != '"')
        return false;
    first = text.substr(0, middle);
    second = text.substr(middle + 3, text.size() - middle - 4);
    return first.find('"') == std::string::npos && second.find('"') == std::string::npos;
}

class Reader {
public:
    Reader(const std::string& path, const ChangeablePlaces& places, UndoRecord& record)
        : m_places(places), m_record(record)
    {
        m_record = UndoRecord();
        m_record.path = path;
        m_copyPrefix = Upper(path.substr(0, path.size() - 4) + "-");  // without ".reg"
    }

    bool Read(std::string& problem)
    {
        std::string bytes;
        if (!ReadWholeFile(m_record.path, bytes)) {
            problem = "it cannot be read";
            return false;
        }
        if (bytes.size() > kMostBytes || !SplitLines(bytes, m_lines)) {
            problem = "it is no undo file of this program (UTF-16LE with its byte-order mark)";
            return false;
        }
        if (m_lines[0] != WideText(regfile::kHeader, regfile::kHeader + std::strlen(regfile::kHeader))) {
            problem = "line 1: it is no regedit file";
            return false;
        }
        for (m_at = 1; m_at < m_lines.size(); ++m_at) {
            if (!ReadLine()) {
                problem = "line " + std::to_string(m_at + 1) + ": " + m_why;
                return false;
            }
        }
        for (const FileChange& file : m_record.files) {
            if (!file.knowsKept) {
                problem = "line " + std::to_string(file.line) + ": the copy's size and fingerprint are missing";
                return false;
            }
        }
        return true;
    }

private:
    bool Refuse(const std::string& why)
    {
        m_why = why;
        return false;
    }

    // The line at m_at, with the lines it continues onto (a trailing '\');
    // `continued` is what each continuation line starts with.
    WideText JoinedLine(const char* continued)
    {
        WideText line = m_lines[m_at];
        while (!line.empty() && line.back() == '\\' && m_at + 1 < m_lines.size() &&
               StartsWith(m_lines[m_at + 1], continued)) {
            line.pop_back();
            WideText next = m_lines[++m_at].substr(std::strlen(continued));
            line += next.substr(next.find_first_not_of(' ') == WideText::npos ? next.size()
                                                                                : next.find_first_not_of(' '));
        }
        return line;
    }

    bool ReadLine()
    {
        const WideText& line = m_lines[m_at];
        if (m_awaitingNewValue && !StartsWith(line, kWrote))
            return Refuse("a value without what the run wrote there");
        if (line.empty())
            return true;
        if (line[0] == '[')
            return ReadKey(line);
        if (line[0] == '"' || line[0] == '@')
            return ReadOldValue();
        // "; wrote" follows a value line for what the run wrote there, a copy
        // line for what it put in that file's place.
        if (StartsWith(line, kWrote) && m_awaitingNewValue)
            return ReadNewValue();
        if (StartsWith(line, kWroteFile) || StartsWith(line, kCopy) || StartsWith(line, kAttrib) ||
            StartsWith(line, kKept) || StartsWith(line, kMoved))
            return ReadFileLine(line);
        if (StartsWith(line, kComment) || line == WideText(1, ';'))
            return ReadNote(line);
        return Refuse("neither a key, a value nor a comment");
    }

    bool ReadKey(const WideText& line)
    {
        std::string key;
        if (line.back() != ']' || !WideToAnsi(line.substr(1, line.size() - 2), key))
            return Refuse("a key line must be [HKEY_LOCAL_MACHINE\\...]");
        if (!StartsWith(Upper(key), kRoot))
            return Refuse("a key outside HKEY_LOCAL_MACHINE: " + key);
        std::string below = key.substr(std::strlen(kRoot));
        std::string upper = Upper(below);
        bool allowed = upper == kServiceKey;
        for (const char* prefix : kValueKeys)
            allowed = allowed || (StartsWith(upper, prefix) && upper.size() > std::strlen(prefix));
        if (!allowed || below.find("\\\\") != std::string::npos || below.back() == '\\')
            return Refuse("a key no run of Remendo changes: " + key);
        m_key = below;
        m_keyIsService = upper == kServiceKey;
        return true;
    }

    bool ReadOldValue()
    {
        if (m_key.empty())
            return Refuse("a value before any key");
        ValueChange value;
        value.keyPath = m_key;
        value.isStartType = m_keyIsService;
        value.line = static_cast<int>(m_at + 1);
        if (!ReadValue(JoinedLine("  "), value.name, value.oldType, value.oldData))
            return Refuse("a value line regedit would not read");
        if (m_keyIsService && (value.name != WideText(kStartValue, kStartValue + 5) || value.oldType != REG_DWORD))
            return Refuse("the service's key holds its start type alone");
        m_record.values.push_back(value);
        m_awaitingNewValue = true;
        return true;
    }

    bool ReadNewValue()
    {
        m_awaitingNewValue = false;
        ValueChange& value = m_record.values.back();
        WideText name;
        if (!ReadValue(JoinedLine(kComment).substr(std::strlen(kWrote)), name, value.newType, value.newData) ||
            name != value.name)
            return Refuse("what the run wrote is no value line of the same name");
        return true;
    }

    bool ReadFileLine(const WideText& wide)
    {
        std::string line;
        if (!WideToAnsi(wide, line))
            return Refuse("a path beyond the code page");
        std::string from, to;
        if (StartsWith(line, kCopy)) {
            if (!ReadTwoPaths(line.substr(std::strlen(kCopy)), from, to))
                return Refuse("a copy line must be ; copy /y \"FROM\" \"TO\"");
            if (!IsOwnCopy(from))
                return Refuse("a copy that is not this undo file's own: " + from);
            if (!IsChangeableFile(to))
                return Refuse("a file no run of Remendo changes: " + to);
            FileChange file;
            file.copy = from;
            file.target = to;
            file.line = static_cast<int>(m_at + 1);
            m_record.files.push_back(file);
            return true;
        }
        if (m_record.files.empty())
            return Refuse("a file's line before its copy line");
        FileChange& file = m_record.files.back();
        std::size_t quote = line.find('"');
        std::string target = quote == std::string::npos ? std::string() : line.substr(quote);
        if (StartsWith(line, kAttrib)) {
            std::string flags = line.substr(std::strlen(kAttrib), quote - std::strlen(kAttrib));
            if (target != "\"" + file.target + "\"")
                return Refuse("an attrib line for another file than its copy line's");
            for (const char* flag : {"+r ", "+h ", "+s "}) {
                if (flags.compare(0, 3, flag) == 0) {
                    file.attributes |= flag[1] == 'r' ? FILE_ATTRIBUTE_READONLY
                                       : flag[1] == 'h' ? FILE_ATTRIBUTE_HIDDEN
                                                        : FILE_ATTRIBUTE_SYSTEM;
                    flags.erase(0, 3);
                }
            }
            return flags.empty() ? true : Refuse("an attrib line gives +r, +h and +s only");
        }
        if (StartsWith(line, kMoved)) {
            if (!ReadTwoPaths(line.substr(std::strlen(kMoved)), from, to) || to != file.target)
                return Refuse("a moved line for another file than its copy line's");
            if (!IsProgramScanDll(from))
                return Refuse("a moved file that is not a scan DLL beside the program: " + from);
            file.movedFrom = from;
            return true;
        }
        // "; kept "TARGET" <fingerprint>" or "; wrote "TARGET" <fingerprint>".
        std::string prefix = "\"" + file.target + "\" ";
        FileFingerprint fingerprint;
        if (target.compare(0, prefix.size(), prefix) != 0 ||
            !FileFingerprint::FromText(target.substr(prefix.size()), fingerprint))
            return Refuse("a fingerprint line must name its copy line's file, its size and fnv1a64");
        if (StartsWith(line, kKept)) {
            file.kept = fingerprint;
            file.knowsKept = true;
        } else {
            file.written = fingerprint;
            file.knowsWritten = true;
        }
        return true;
    }

    // Notes for people: the run's lines and what needs nothing undone. The
    // run's lines end with its date line, just before the line that says how
    // to apply the file.
    bool ReadNote(const WideText& line)
    {
        std::string text;
        if (!WideToAnsi(line, text))
            text.clear();
        if (StartsWith(text, kHowToApply) && m_record.runDate.empty())
            m_record.runDate = m_lastNote.substr(std::min(m_lastNote.size(), std::strlen(kComment)));
        m_lastNote = text;
        return true;
    }

    bool IsOwnCopy(const std::string& path) const
    {
        std::string upper = Upper(path);
        return upper.size() > m_copyPrefix.size() && upper.compare(0, m_copyPrefix.size(), m_copyPrefix) == 0 &&
               upper.find('\\', m_copyPrefix.size()) == std::string::npos &&
               upper.find("..", m_copyPrefix.size()) == std::string::npos;
    }

    bool IsChangeableFile(const std::string& path) const
    {
        std::string upper = Upper(path);
        for (const std::string& directory : m_places.systemDirectories) {
            for (const char* name : kSystemFiles) {
                if (upper == Upper(directory + name))
                    return true;
            }
        }
        return false;
    }

    bool IsProgramScanDll(const std::string& path) const
    {
        for (const char* name : kScanDlls) {
            if (Upper(path) == Upper(m_places.programDirectory + name))
                return true;
        }
        return false;
    }

    const ChangeablePlaces& m_places;
    UndoRecord& m_record;
    std::string m_copyPrefix;
    std::vector<WideText> m_lines;
    std::size_t m_at = 0;
    std::string m_key;
    bool m_keyIsService = false;
    bool m_awaitingNewValue = false;
    std::string m_why;
    std::string m_lastNote;
};
}  // namespace

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool ReadUndoFile(const std::string& path, const ChangeablePlaces& places, UndoRecord& record, std::string& problem)
{
    Reader reader(path, places, record);
    if (reader.Read(problem))
        return true;
    record = UndoRecord();
    return false;
}

}  // namespace undo
