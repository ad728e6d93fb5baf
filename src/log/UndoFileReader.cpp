#include "log/UndoFileReader.h"

#include <algorithm>
#include <cstring>

#include "log/UndoFileFormat.h"
#include "platform/RegFileText.h"
#include "platform/RegistryKey.h"
#include "platform/WinApi.h"

namespace undo {

namespace {
const char kRoot[] = "HKEY_LOCAL_MACHINE\\";
const char kStartValue[] = "Start";

// The lines beyond regedit's, known by how they start.
const std::string kComment = undoformat::kComment;
const std::string kWrote = kComment + undoformat::kWroteValue;
const std::string kCopy = undoformat::LineStart(undoformat::kCopyLine);
const std::string kAttrib = undoformat::LineStart(undoformat::kAttribLine);
const std::string kKept = undoformat::LineStart(undoformat::kKeptLine);
const std::string kWroteFile = undoformat::LineStart(undoformat::kWroteFileLine);
const std::string kMoved = undoformat::LineStart(undoformat::kMovedLine);
const std::string kAtRestart = undoformat::LineStart(undoformat::kAtRestartLine);
const std::string kMaking = undoformat::LineStart(undoformat::kMakingLine);
const std::string kHowToApply = undoformat::LineStart(undoformat::kHowToApply);

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool StartsWith(const WideText& text, const std::string& prefix)
{
    std::size_t length = prefix.size();
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

// Hex data of a text type (hex(1), hex(2), hex(7)) as the wide registry call
// gives it: the REGEDIT4 form holds it in the ANSI code page.
bool ReadHexData(const WideText& line, std::size_t at, DWORD type, bool regedit4, std::string& data)
{
    if (!ReadHexBytes(line, at, data))
        return false;
    if (regedit4 && regfile::IsText(type))
        data = AnsiToUtf16(data);
    return true;
}

// One value as regedit writes it: "name"= (or @=), then "text",
// dword:xxxxxxxx, hex:... or hex(N):..., with continued lines joined.
bool ReadValue(const WideText& line, bool regedit4, WideText& name, DWORD& type, std::string& data)
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
        return ReadHexData(rest, close + 2, type, regedit4, data);
    }
    return false;
}

// The file's lines, without their CR LF, and its form: UTF-16LE after its
// byte-order mark, or the REGEDIT4 form (8-bit text of the ANSI code page)
// that the regedit of Windows 98, Me and NT 4.0 reads. False when it is
// neither.
bool SplitLines(const std::string& bytes, std::vector<WideText>& lines, bool& regedit4)
{
    const std::string header4 = std::string(regfile::kHeader4) + undoformat::kLineEnd;
    regedit4 = bytes.compare(0, header4.size(), header4) == 0;
    if (!regedit4 && (bytes.size() < 2 || bytes.compare(0, 2, regfile::kByteOrderMark) != 0 || bytes.size() % 2 != 0))
        return false;
    lines.assign(1, WideText());
    for (WCHAR unit : regedit4 ? AnsiToWide(bytes) : Utf16Units(bytes.substr(2))) {
        if (unit == '\n')
            lines.emplace_back();
        else if (unit != '\r')
            lines.back() += unit;
    }
    return true;
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

// Whether `upper` is `directory` + one of `names`, each compared upper-cased.
bool IsBelowAny(const std::string& upper, const std::vector<std::string>& directories,
                const std::vector<std::string>& names)
{
    for (const std::string& directory : directories) {
        for (const std::string& name : names) {
            if (upper == Upper(directory + name))
                return true;
        }
    }
    return false;
}

// A key's parts each name a key: none empty, "." or "..".
bool HasOnlyNamedParts(const std::string& key)
{
    std::size_t from = 0;
    for (;;) {
        std::size_t end = key.find('\\', from);
        std::string part = key.substr(from, end == std::string::npos ? std::string::npos : end - from);
        if (part.empty() || part == "." || part == "..")
            return false;
        if (end == std::string::npos)
            return true;
        from = end + 1;
    }
}

class Reader {
public:
    Reader(const std::string& path, const ChangeablePlaces& places, UndoRecord& record)
        : m_places(places), m_record(record)
    {
        m_record = UndoRecord();
        m_record.path = path;
        std::size_t slash = path.rfind('\\');
        m_folder = Upper(path.substr(0, slash == std::string::npos ? 0 : slash + 1));
        std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
        m_copyPrefix = Upper(name.substr(0, name.size() - std::string(undoformat::kNameExtension).size()) +
                             undoformat::kCopySeparator);
    }

    bool Read(const std::string& bytes, std::string& problem)
    {
        if (bytes.size() > undoformat::kMostFileBytes || !SplitLines(bytes, m_lines, m_regedit4)) {
            problem = "it is no undo file of this program (UTF-16LE with its byte-order mark, or REGEDIT4)";
            return false;
        }
        const char* header = m_regedit4 ? regfile::kHeader4 : regfile::kHeader;
        if (m_lines[0] != WideText(header, header + std::strlen(header))) {
            problem = "line 1: it is no regedit file";
            return false;
        }
        for (m_at = 1; m_at < m_lines.size(); ++m_at) {
            if (!ReadLine()) {
                problem = "line " + std::to_string(m_whyLine != 0 ? m_whyLine : m_at + 1) + ": " + m_why;
                return false;
            }
        }
        if (m_awaitingNewValue) {
            problem = "line " + std::to_string(m_record.values.back().line) +
                      ": a value without what the run wrote there";
            return false;
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
    WideText JoinedLine(const std::string& continued)
    {
        WideText line = m_lines[m_at];
        while (!line.empty() && line.back() == '\\' && m_at + 1 < m_lines.size() &&
               StartsWith(m_lines[m_at + 1], continued)) {
            line.pop_back();
            WideText next = m_lines[++m_at].substr(continued.size());
            line += next.substr(next.find_first_not_of(' ') == WideText::npos ? next.size()
                                                                                : next.find_first_not_of(' '));
        }
        return line;
    }

    bool ReadLine()
    {
        const WideText& line = m_lines[m_at];
        if (m_awaitingNewValue && !StartsWith(line, kWrote)) {
            m_whyLine = static_cast<std::size_t>(m_record.values.back().line);
            return Refuse("a value without what the run wrote there");
        }
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
        for (const std::string* start : {&kWroteFile, &kCopy, &kAttrib, &kKept, &kMoved, &kAtRestart, &kMaking}) {
            if (StartsWith(line, *start))
                return ReadFileLine(line);
        }
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
        if (!HasOnlyNamedParts(below))
            return Refuse("a key with an empty, \".\" or \"..\" part: " + key);
        bool isService = false;
        for (const std::string& service : m_places.serviceKeys)
            isService = isService || upper == Upper(service);
        bool allowed = isService;
        for (const std::string& prefix : m_places.valueKeys)
            allowed = allowed || StartsWith(upper, Upper(prefix) + "\\");
        if (!allowed)
            return Refuse("a key no run of Remendo changes: " + key);
        m_key = below;
        m_keyIsService = isService;
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
        if (!ReadValue(JoinedLine("  "), m_regedit4, value.name, value.oldType, value.oldData))
            return Refuse("a value line regedit would not read");
        if (value.name.find(WCHAR{0}) != WideText::npos)
            return Refuse("a value name holding a NUL character");
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
        if (!ReadValue(JoinedLine(kComment).substr(kWrote.size()), m_regedit4, name, value.newType, value.newData) ||
            name != value.name)
            return Refuse("what the run wrote is no value line of the same name");
        return true;
    }

    FileChange* FileOf(const std::string& target)
    {
        for (FileChange& file : m_record.files) {
            if (Upper(file.target) == Upper(target))
                return &file;
        }
        return nullptr;
    }

    bool ReadFileLine(const WideText& wide)
    {
        std::string line;
        if (!WideToAnsi(wide, line))
            return Refuse("a path beyond the code page");
        std::string from, to;
        if (StartsWith(line, kCopy)) {
            if (!ReadTwoPaths(line.substr(kCopy.size()), from, to))
                return Refuse("a copy line must be ; copy /y \"FROM\" \"TO\"");
            if (!IsOwnCopy(from))
                return Refuse("a copy that is not this undo file's own: " + from);
            if (!IsBelowAny(Upper(to), m_places.systemDirectories, m_places.systemFiles))
                return Refuse("a file no run of Remendo changes: " + to);
            if (FileOf(to) != nullptr)
                return Refuse("a second copy of " + to);
            FileChange file;
            file.copy = from;
            file.target = to;
            file.line = static_cast<int>(m_at + 1);
            m_record.files.push_back(file);
            return true;
        }
        std::size_t quote = line.find('"');
        std::string quoted = quote == std::string::npos ? std::string() : line.substr(quote);
        if (StartsWith(line, kMaking))
            return ReadMaking(quoted);
        if (StartsWith(line, kAtRestart)) {
            FileChange* file = quoted.size() < 2 || quoted.back() != '"'
                                   ? nullptr
                                   : FileOf(quoted.substr(1, quoted.size() - 2));
            if (file == nullptr)
                return Refuse("a restart line for a file without its copy line");
            file->atRestart = true;
            return true;
        }
        if (m_record.files.empty())
            return Refuse("a file's line before its copy line");
        FileChange& file = m_record.files.back();
        if (StartsWith(line, kAttrib)) {
            std::string flags = line.substr(kAttrib.size(), quote - kAttrib.size());
            if (quoted != "\"" + file.target + "\"")
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
            if (!ReadTwoPaths(line.substr(kMoved.size()), from, to) || to != file.target)
                return Refuse("a moved line for another file than its copy line's");
            if (!IsMovedIntoPlace(from))
                return Refuse("a moved file that is not a scan DLL: " + from);
            file.movedFrom = from;
            return true;
        }
        // "; kept "TARGET" <fingerprint>" or "; wrote "TARGET" <fingerprint>".
        std::string prefix = "\"" + file.target + "\" ";
        FileFingerprint fingerprint;
        if (quoted.compare(0, prefix.size(), prefix) != 0 ||
            !FileFingerprint::FromText(quoted.substr(prefix.size()), fingerprint))
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

    // ""PATH"" or ""PATH" <fingerprint>": a file the run was about to make,
    // and what it meant to write there when it knew; a later line for the
    // same file tells more.
    bool ReadMaking(const std::string& quoted)
    {
        std::size_t close = quoted.find('"', 1);
        MadeFile made;
        bool bare = close != std::string::npos && close + 1 == quoted.size();
        if (close == std::string::npos ||
            (!bare && (quoted.compare(close, 2, "\" ") != 0 ||
                       !FileFingerprint::FromText(quoted.substr(close + 2), made.fingerprint))))
            return Refuse("a making line must name a file, and may give its size and fnv1a64");
        made.path = quoted.substr(1, close - 1);
        made.knowsContent = !bare;
        if (!IsBelowAny(Upper(made.path), m_places.systemDirectories, m_places.madeFiles))
            return Refuse("a file no run of Remendo makes: " + made.path);
        for (MadeFile& known : m_record.made) {
            if (Upper(known.path) == Upper(made.path)) {
                known = made;
                return true;
            }
        }
        m_record.made.push_back(made);
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
            m_record.runDate = m_lastNote.substr(std::min(m_lastNote.size(), kComment.size()));
        m_lastNote = text;
        return true;
    }

    // A copy lies beside the undo file and is named after it, with nothing
    // in its name that reaches another folder or stream.
    bool IsOwnCopy(const std::string& path) const
    {
        std::string upper = Upper(path);
        std::size_t slash = upper.rfind('\\');
        if (slash == std::string::npos || upper.substr(0, slash + 1) != m_folder)
            return false;
        std::string name = upper.substr(slash + 1);
        return name.size() > m_copyPrefix.size() && StartsWith(name, m_copyPrefix) &&
               name.find_first_of("/:") == std::string::npos && name.find("..") == std::string::npos;
    }

    // The run's own scan DLL, wherever the package lay: a drive path to a file of that name.
    bool IsMovedIntoPlace(const std::string& path) const
    {
        std::size_t slash = path.rfind('\\');
        if (path.size() < 4 || path[1] != ':' || path[2] != '\\' || slash == std::string::npos ||
            path.find('/') != std::string::npos || path.find("\\..\\") != std::string::npos)
            return false;
        std::string name = Upper(path.substr(slash + 1));
        for (const std::string& moved : m_places.movedNames) {
            if (name == Upper(moved))
                return true;
        }
        return false;
    }

    const ChangeablePlaces& m_places;
    UndoRecord& m_record;
    std::string m_folder;      // the undo file's, upper case, with its backslash
    std::string m_copyPrefix;  // the start of its copies' names, upper case
    std::vector<WideText> m_lines;
    std::size_t m_at = 0;
    std::string m_key;
    bool m_keyIsService = false;
    bool m_awaitingNewValue = false;
    bool m_regedit4 = false;  // the file's text data is 8-bit, of the ANSI code page
    std::string m_why;
    std::size_t m_whyLine = 0;  // the line the refusal names, when not the one read
    std::string m_lastNote;
};
}  // namespace

std::string Upper(std::string text)
{
    // As the C library's toupper has it (the programs keep the "C" locale),
    // without a call for each letter.
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

bool ReadUndoFile(const std::string& path, const std::string& bytes, const ChangeablePlaces& places,
                  UndoRecord& record, std::string& problem)
{
    Reader reader(path, places, record);
    if (reader.Read(bytes, problem))
        return true;
    record = UndoRecord();
    return false;
}

}  // namespace undo
