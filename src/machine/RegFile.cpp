#include "machine/RegFile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/RegFileText.h"
#include "platform/RegistryKey.h"
#include "machine/TextEncodings.h"
#include "machine/TextLines.h"

namespace machine {

namespace {

const std::size_t kLongestKeyName = 255;  // the longest name of a key Windows allows, in characters

// The file's text as the machine holds it: UTF-16LE with its byte-order mark,
// UTF-8 with its mark, or 8-bit (UTF-8 when it is UTF-8 throughout, else in
// the machine's code page, as regedit writes a REGEDIT4 file).
bool DecodeText(const std::string& bytes, const FolderTexts& texts, std::string& text, ParseError& error)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        if (bytes.size() % 2 != 0) {
            error = {0, "a UTF-16 file must hold whole characters: its byte count is odd"};
            return false;
        }
        text = FromUtf16Bytes(std::string_view(bytes).substr(2));
        // That is UTF-8 throughout, which the machine holds as it is: only a
        // folder of the 8-bit days reads its texts otherwise.
        if (texts.latin1Era)
            text = texts.Read(text);
        return true;
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text = texts.Read(bytes.substr(3));
    else
        text = texts.Read(!texts.eightBitInCodePage && IsUtf8(bytes) ? bytes : FromCodePage(bytes, texts.codePage));
    return true;
}

// Reads a quoted string starting at text[pos] == '"'; pos ends after the closing quote.
// Backslash escapes: \\ and \" as regedit writes them, \r and \n as Wine's does.
bool ReadQuoted(std::string_view text, std::size_t& pos, std::string& out)
{
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
        // The characters up to the next quote or backslash at once.
        std::size_t plain = pos;
        while (plain < text.size() && text[plain] != '"' && text[plain] != '\\')
            ++plain;
        out.append(text, pos, plain - pos);
        pos = plain;
        if (pos == text.size())
            break;
        char c = text[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\' && pos + 1 < text.size()) {
            // Wine's regedit writes a line break inside a text as \r and \n.
            char next = text[pos + 1];
            if (next == '\\' || next == '"' || next == 'r' || next == 'n') {
                c = next == 'r' ? '\r' : next == 'n' ? '\n' : next;
                ++pos;
            }
        }
        out += c;
    }
    return false;
}

bool ReadHexBytes(std::string_view text, std::string& out)
{
    out.clear();
    out.reserve(text.size() / 3 + 1);
    std::string digits;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        char c = i < text.size() ? text[i] : ',';
        if (c == ' ' || c == '\t')
            continue;
        if (c == ',') {
            if (digits.empty()) {
                if (i == text.size())
                    return true;
                return false;
            }
            if (digits.size() > 2)
                return false;
            out += static_cast<char>(std::stoul(digits, nullptr, 16));
            digits.clear();
            continue;
        }
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
        digits += c;
    }
    return true;
}

// `wideText`: hex(1), hex(2) and hex(7) data are UTF-16LE (version 5 files),
// not 8-bit text in the machine's code page (REGEDIT4).
bool ParseValueData(std::string_view text, bool wideText, const FolderTexts& texts, RegValue& value,
                    std::string& problem)
{
    if (!text.empty() && text[0] == '"') {
        std::size_t pos = 0;
        std::string content;
        if (!ReadQuoted(text, pos, content) || pos != text.size()) {
            problem = "badly quoted string value";
            return false;
        }
        value.type = REG_SZ;
        value.data = StringData(content);
        return true;
    }
    if (text.compare(0, 6, "dword:") == 0) {
        std::string digits(text.substr(6));
        if (digits.empty() || digits.size() > 8 ||
            digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
            problem = "a dword value needs one to eight hexadecimal digits";
            return false;
        }
        unsigned long number = std::stoul(digits, nullptr, 16);
        value.type = REG_DWORD;
        value.data = DwordData(static_cast<DWORD>(number));
        return true;
    }
    if (text.compare(0, 3, "hex") == 0) {
        std::size_t colon = text.find(':');
        if (colon == std::string::npos) {
            problem = "a hex value needs a colon";
            return false;
        }
        std::string kind(text.substr(3, colon - 3));
        DWORD type = REG_BINARY;
        if (!kind.empty()) {
            // A type is a DWORD: one to eight hexadecimal digits.
            if (kind.size() < 3 || kind.size() > 10 || kind.front() != '(' || kind.back() != ')' ||
                kind.find_first_not_of("0123456789abcdefABCDEF", 1) != kind.size() - 1) {
                problem = "unknown hex value type '" + kind + "'";
                return false;
            }
            type = static_cast<DWORD>(std::stoul(kind.substr(1, kind.size() - 2), nullptr, 16));
        }
        std::string bytes;
        if (!ReadHexBytes(text.substr(colon + 1), bytes)) {
            problem = "malformed hex bytes";
            return false;
        }
        value.type = type;
        if (!regfile::IsText(type)) {
            value.data = bytes;
            return true;
        }
        if (!wideText) {
            value.data = texts.Read(FromCodePage(bytes, texts.codePage));
            return true;
        }
        if (bytes.size() % 2 != 0) {
            problem = "a hex(1), hex(2) or hex(7) value needs whole UTF-16 characters";
            return false;
        }
        value.data = texts.Read(FromUtf16Bytes(bytes));
        return true;
    }
    problem = "unknown value data '" + std::string(text) + "'";
    return false;
}

// The values of the keys read so far, found by name in constant time, so that
// reading a key with many values takes time in proportion to them. A key's
// own index finds them until a value of it is removed: a removed value
// leaves a gap, closed once the reading ends, and the key's values are then
// found here.
class ValueIndex {
public:
    ValueIndex() = default;
    ValueIndex(const ValueIndex&) = delete;
    ValueIndex& operator=(const ValueIndex&) = delete;
    ~ValueIndex()
    {
        for (auto& entry : m_keys)
            CloseGaps(*entry.first, entry.second);
    }

    void Set(RegKey& key, const std::string& name, RegValue&& value)
    {
        auto withGaps = m_keys.find(&key);
        if (withGaps == m_keys.end()) {
            key.SetValue(name, value.type, std::move(value.data));
            return;
        }
        Values& values = withGaps->second;
        auto found = values.byName.find(UpperCase(name));
        if (found != values.byName.end()) {
            key.values[found->second].type = value.type;
            key.values[found->second].data = std::move(value.data);
            return;
        }
        values.byName.emplace(UpperCase(name), key.values.size());
        key.values.push_back(RegValue{name, value.type, std::move(value.data)});
        values.removed.push_back(false);
    }

    void Remove(RegKey& key, const std::string& name)
    {
        Values& values = Of(key);
        auto found = values.byName.find(UpperCase(name));
        if (found == values.byName.end())
            return;
        values.removed[found->second] = true;
        values.byName.erase(found);
        values.hasGaps = true;
    }

    // Forgets a key and every key beneath it, before they are deleted.
    void Forget(const RegKey& key)
    {
        std::vector<const RegKey*> pending = {&key};
        while (!pending.empty()) {
            const RegKey* next = pending.back();
            pending.pop_back();
            m_keys.erase(const_cast<RegKey*>(next));
            for (const auto& subkey : next->subkeys)
                pending.push_back(subkey.second.get());
        }
    }

private:
    struct Values {
        std::unordered_map<std::string, std::size_t> byName;  // upper-case name -> index in the key's values
        std::vector<bool> removed;
        bool hasGaps = false;
    };

    Values& Of(RegKey& key)
    {
        auto [found, added] = m_keys.try_emplace(&key);
        if (added) {
            for (std::size_t i = 0; i < key.values.size(); ++i)
                found->second.byName.emplace(UpperCase(key.values[i].name), i);
            found->second.removed.assign(key.values.size(), false);
        }
        return found->second;
    }

    static void CloseGaps(RegKey& key, const Values& values)
    {
        if (values.hasGaps)
            key.RemoveValues(values.removed);
    }

    std::unordered_map<RegKey*, Values> m_keys;
};

// Appends a value's line. A name with a line break has it escaped as \r and
// \n, as Wine's regedit writes it, so the line stays one; ReadQuoted takes it
// back. `wideText` is room for a text's UTF-16 bytes, kept from value to value.
void AppendValueLine(std::string& out, const RegValue& value, std::string& wideText)
{
    const std::string* data = &value.data;
    if (regfile::IsText(value.type)) {
        wideText.clear();
        AppendUtf16Bytes(wideText, value.data);
        data = &wideText;
    }
    if (value.name.find_first_of("\r\n") == std::string::npos) {
        out += regfile::ValueLine(Utf16Bytes(value.name), value.type, *data);
        return;
    }
    std::string quoted = "\"";
    for (char c : value.name) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
    }
    const std::string defaultName = Utf16Bytes("@");
    out += Utf16Bytes(quoted + "\"");
    out += regfile::ValueLine(std::string(), value.type, *data).substr(defaultName.size());
}

// `path` is the key's; it is the same again on return.
void WriteKey(const RegKey& key, std::string& path, std::string& out, std::string& wideText)
{
    bool isRoot = path.find('\\') == std::string::npos;
    if (!isRoot || !key.values.empty()) {
        // The path as one text: a name that is no UTF-8 has the whole path
        // read as 8-bit text, as Utf16Bytes reads a text.
        AppendUtf16Bytes(out, "[");
        AppendUtf16Bytes(out, path);
        AppendUtf16Bytes(out, "]\r\n");
        for (const RegValue& value : key.values) {
            AppendValueLine(out, value, wideText);
            AppendUtf16Bytes(out, "\r\n");
        }
        AppendUtf16Bytes(out, "\r\n");
    }
    for (const auto& entry : key.subkeys) {
        std::size_t length = path.size();
        path += '\\';
        path += entry.second->name;
        WriteKey(*entry.second, path, out, wideText);
        path.resize(length);
    }
}

std::string_view WithoutBlanks(std::string_view text)
{
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::string_view();
    std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last + 1 - first);
}

// Makes each key line's key. A path that begins as the one before it did
// goes on from the key the two share rather than from its root: an export
// lists a key's subkeys one after another.
class KeyMaker {
public:
    RegKey& Create(Registry& registry, const std::vector<std::string_view>& parts)
    {
        std::size_t shared = 0;
        while (shared < parts.size() && shared < m_parts.size() && parts[shared] == m_parts[shared])
            ++shared;
        m_parts.resize(shared);
        m_keys.resize(shared);
        for (std::size_t i = shared; i < parts.size(); ++i) {
            m_parts.emplace_back(parts[i]);
            m_keys.push_back(i == 0 ? &registry.Root(parts[0]) : &m_keys.back()->CreateSubkey(m_parts.back()));
        }
        return *m_keys.back();
    }

    // Before a key is deleted: the keys kept may lie beneath it.
    void Forget()
    {
        m_parts.clear();
        m_keys.clear();
    }

private:
    std::vector<std::string> m_parts;
    std::vector<RegKey*> m_keys;  // the key of each path that ends at that part
};
}  // namespace

bool ReadRegFile(const std::string& bytes, Registry& registry, ParseError& error, const FolderTexts& texts)
{
    std::string text;
    if (!DecodeText(bytes, texts, text, error))
        return false;
    LineReader lines(text);
    int lineNumber = 0;
    std::string_view line;
    RegKey* current = nullptr;
    ValueIndex values;
    KeyMaker keys;
    std::vector<std::string_view> parts;
    bool headerSeen = false;
    bool wideText = true;
    while (lines.Next(line)) {
        error.line = ++lineNumber;
        std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == ';')
            continue;
        line = WithoutBlanks(line);

        if (!headerSeen) {
            if (line != regfile::kHeader && line != regfile::kHeader4) {
                error.message = std::string("the first line must be \"") + regfile::kHeader + "\"";
                return false;
            }
            headerSeen = true;
            wideText = line == regfile::kHeader;
            continue;
        }
        if (line[0] == '[') {
            if (line.back() != ']' || line.size() < 3) {
                error.message = "a key line must end with ']'";
                return false;
            }
            bool remove = line[1] == '-';
            std::string_view path = line.substr(remove ? 2 : 1, line.size() - (remove ? 3 : 2));
            parts.clear();
            KeyPathParts pathParts(path);
            for (std::string_view part; pathParts.Next(part);)
                parts.push_back(part);
            if (parts.empty() || !Registry::IsRootName(parts[0])) {
                error.message = "unknown registry root in [" + std::string(path) + "]";
                return false;
            }
            // A name of no more bytes than that has no more characters either.
            auto tooLong = std::find_if(parts.begin() + 1, parts.end(), [](std::string_view part) {
                return part.size() > kLongestKeyName && Utf16Length(part) > kLongestKeyName;
            });
            if (tooLong != parts.end()) {
                error.message = "a key name of " + std::to_string(Utf16Length(*tooLong)) +
                                " characters; the registry allows " + std::to_string(kLongestKeyName);
                return false;
            }
            if (parts.size() - 1 > kMaxKeyDepth) {
                error.message = "the key is nested " + std::to_string(parts.size() - 1) +
                                " levels deep; the registry allows " + std::to_string(kMaxKeyDepth);
                return false;
            }
            if (remove) {
                std::string doomedPath(path);
                if (const RegKey* doomed = registry.Find(doomedPath))
                    values.Forget(*doomed);
                keys.Forget();
                registry.Delete(doomedPath);
                current = nullptr;
            } else {
                current = &keys.Create(registry, parts);
            }
            continue;
        }
        if (current == nullptr) {
            error.message = "a value line must follow a key line";
            return false;
        }
        std::string name;
        std::size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (line[0] == '"') {
            if (!ReadQuoted(line, pos, name)) {
                error.message = "unterminated value name";
                return false;
            }
        } else {
            error.message = "expected a key in brackets, a quoted value name or @";
            return false;
        }
        if (pos >= line.size() || line[pos] != '=') {
            error.message = "expected '=' after the value name";
            return false;
        }
        std::string_view data = line.substr(pos + 1);
        // Hex data goes on over the next lines while a line ends with a backslash.
        std::string joined;
        if (data.compare(0, 3, "hex") == 0 && data.back() == '\\') {
            joined.assign(data);
            std::string_view next;
            while (joined.back() == '\\' && lines.Next(next)) {
                ++lineNumber;
                joined.pop_back();
                joined += WithoutBlanks(next);
            }
            data = joined;
        }
        if (data == "-") {
            values.Remove(*current, name);
            continue;
        }
        RegValue value;
        if (!ParseValueData(data, wideText, texts, value, error.message))
            return false;
        values.Set(*current, name, std::move(value));
    }
    if (!headerSeen) {
        error.line = 0;
        error.message = std::string("empty file: the first line must be \"") + regfile::kHeader + "\"";
        return false;
    }
    error = ParseError();
    return true;
}

std::string WriteRegFile(const Registry& registry)
{
    std::string out = regfile::kByteOrderMark + Utf16Bytes(std::string(regfile::kHeader) + "\r\n\r\n");
    std::string path, wideText;
    for (const auto& root : registry.Roots()) {
        path = root.first;
        WriteKey(root.second, path, out, wideText);
    }
    return out;
}

}  // namespace machine
