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

// UTF-16LE bytes as the machine's text.
std::string FromUtf16Bytes(const std::string& bytes, std::size_t start)
{
    std::u16string units;
    for (std::size_t i = start; i + 1 < bytes.size(); i += 2)
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return FromUtf16(units);
}

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
        text = texts.Read(FromUtf16Bytes(bytes, 2));
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
bool ReadQuoted(const std::string& text, std::size_t& pos, std::string& out)
{
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
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

bool ReadHexBytes(const std::string& text, std::string& out)
{
    out.clear();
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
bool ParseValueData(const std::string& text, bool wideText, const FolderTexts& texts, RegValue& value,
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
        std::string digits = text.substr(6);
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
        std::string kind = text.substr(3, colon - 3);
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
        value.data = texts.Read(FromUtf16Bytes(bytes, 0));
        return true;
    }
    problem = "unknown value data '" + text + "'";
    return false;
}

// The values of the keys read so far, found by name in constant time, so that
// reading a key with many values takes time in proportion to them. A removed
// value leaves a gap, closed once the reading ends.
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

    void Set(RegKey& key, const std::string& name, const RegValue& value)
    {
        Values& values = Of(key);
        auto found = values.byName.find(UpperCase(name));
        if (found != values.byName.end()) {
            key.values[found->second].type = value.type;
            key.values[found->second].data = value.data;
            return;
        }
        values.byName.emplace(UpperCase(name), key.values.size());
        key.values.push_back(RegValue{name, value.type, value.data});
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
        if (!values.hasGaps)
            return;
        std::size_t kept = 0;
        for (std::size_t i = 0; i < key.values.size(); ++i) {
            if (values.removed[i])
                continue;
            if (kept != i)
                key.values[kept] = std::move(key.values[i]);
            ++kept;
        }
        key.values.resize(kept);
    }

    std::unordered_map<RegKey*, Values> m_keys;
};

// A value's line. A name with a line break has it escaped as \r and \n, as
// Wine's regedit writes it, so the line stays one; ReadQuoted takes it back.
std::string ValueLineOf(const RegValue& value)
{
    std::string data = regfile::IsText(value.type) ? Utf16Bytes(value.data) : value.data;
    if (value.name.find_first_of("\r\n") == std::string::npos)
        return regfile::ValueLine(Utf16Bytes(value.name), value.type, data);
    std::string quoted = "\"";
    for (char c : value.name) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
    }
    const std::string defaultName = Utf16Bytes("@");
    return Utf16Bytes(quoted + "\"") +
           regfile::ValueLine(std::string(), value.type, data).substr(defaultName.size());
}

void WriteKey(const RegKey& key, const std::string& path, std::string& out)
{
    bool isRoot = path.find('\\') == std::string::npos;
    if (!isRoot || !key.values.empty()) {
        out += Utf16Bytes("[" + path + "]\r\n");
        for (const RegValue& value : key.values)
            out += ValueLineOf(value) + Utf16Bytes("\r\n");
        out += Utf16Bytes("\r\n");
    }
    for (const auto& entry : key.subkeys)
        WriteKey(*entry.second, path + "\\" + entry.second->name, out);
}
}  // namespace

bool ReadRegFile(const std::string& bytes, Registry& registry, ParseError& error, const FolderTexts& texts)
{
    std::string text;
    if (!DecodeText(bytes, texts, text, error))
        return false;
    std::vector<std::string> lines = SplitLines(text);
    RegKey* current = nullptr;
    ValueIndex values;
    bool headerSeen = false;
    bool wideText = true;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        error.line = static_cast<int>(index) + 1;
        std::string line = lines[index];
        std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == ';')
            continue;
        line.erase(0, first);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            line.pop_back();

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
            std::string path = line.substr(remove ? 2 : 1, line.size() - (remove ? 3 : 2));
            std::vector<std::string> parts = SplitKeyPath(path);
            if (parts.empty() || !Registry::IsRootName(parts[0])) {
                error.message = "unknown registry root in [" + path + "]";
                return false;
            }
            auto tooLong = std::find_if(parts.begin() + 1, parts.end(),
                                        [](const std::string& part) { return Utf16Length(part) > kLongestKeyName; });
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
                if (const RegKey* doomed = registry.Find(path))
                    values.Forget(*doomed);
                registry.Delete(path);
                current = nullptr;
            } else {
                current = &registry.Create(path);
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
        std::string data = line.substr(pos + 1);
        // Hex data goes on over the next lines while a line ends with a backslash.
        while (data.compare(0, 3, "hex") == 0 && data.back() == '\\' && index + 1 < lines.size()) {
            data.pop_back();
            std::string next = lines[++index];
            next.erase(0, next.find_first_not_of(" \t"));
            while (!next.empty() && (next.back() == ' ' || next.back() == '\t'))
                next.pop_back();
            data += next;
        }
        if (data == "-") {
            values.Remove(*current, name);
            continue;
        }
        RegValue value;
        if (!ParseValueData(data, wideText, texts, value, error.message))
            return false;
        values.Set(*current, name, value);
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
    for (const auto& root : registry.Roots())
        WriteKey(root.second, root.first, out);
    return out;
}

}  // namespace machine
