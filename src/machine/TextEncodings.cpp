#include "machine/TextEncodings.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <vector>

#include "machine/CodePageTables.h"
#include "machine/WindowsNames.h"

namespace machine {

namespace {
const CodePageTable* TableOf(unsigned codePage)
{
    const CodePageTable* end = kCodePageTables + kCodePageTableCount;
    const CodePageTable* table = std::find_if(kCodePageTables, end, [&](const CodePageTable& candidate) {
        return candidate.number == codePage;
    });
    return table == end ? nullptr : table;
}

// Each code page's bytes of 0x80 and above by their characters, made once.
const std::unordered_map<unsigned, unsigned char>& BytesOf(unsigned codePage)
{
    static const std::map<unsigned, std::unordered_map<unsigned, unsigned char>> kBytes = [] {
        std::map<unsigned, std::unordered_map<unsigned, unsigned char>> bytes;
        for (std::size_t t = 0; t < kCodePageTableCount; ++t) {
            auto& byCharacter = bytes[kCodePageTables[t].number];
            for (unsigned i = 0; i < 128; ++i)
                byCharacter.emplace(kCodePageTables[t].high[i], static_cast<unsigned char>(0x80 + i));
        }
        return bytes;
    }();
    auto found = kBytes.find(codePage);
    return found != kBytes.end() ? found->second : kBytes.at(kDefaultCodePage);
}

bool IsAscii(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The text's characters: decoded when it is UTF-8, else each byte as the
// character it stands for in code page 1252.
std::vector<unsigned> Characters(const std::string& text)
{
    std::vector<unsigned> characters = NameCharacters(text);
    // One character per byte: ASCII, or no UTF-8.
    if (characters.size() == text.size()) {
        const CodePageTable* table = TableOf(kDefaultCodePage);
        for (unsigned& character : characters)
            character = character < 0x80 ? character : table->high[character - 0x80];
    }
    return characters;
}

const unsigned kFirstSurrogate = 0xD800, kFirstLowSurrogate = 0xDC00, kLastSurrogate = 0xDFFF;
}  // namespace

bool IsModelledCodePage(unsigned codePage)
{
    return TableOf(codePage) != nullptr;
}

std::string ModelledCodePages()
{
    std::string list;
    for (std::size_t t = 0; t < kCodePageTableCount; ++t)
        list += (t == 0 ? "" : ", ") + std::to_string(kCodePageTables[t].number);
    return list;
}

void AppendUtf8(std::string& out, unsigned character)
{
    if (character < 0x80) {
        out += static_cast<char>(character);
    } else if (character < 0x800) {
        out += static_cast<char>(0xC0 | (character >> 6));
        out += static_cast<char>(0x80 | (character & 0x3F));
    } else if (character < 0x10000) {
        out += static_cast<char>(0xE0 | (character >> 12));
        out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (character & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (character >> 18));
        out += static_cast<char>(0x80 | ((character >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (character & 0x3F));
    }
}

std::string Utf8Of(const std::string& text)
{
    if (IsAscii(text))
        return text;
    std::string out;
    for (unsigned character : Characters(text))
        AppendUtf8(out, character);
    return out;
}

std::string ToCodePage(const std::string& text, unsigned codePage, char missing, bool* usedMissing)
{
    if (usedMissing != nullptr)
        *usedMissing = false;
    if (IsAscii(text))
        return text;
    const auto& bytes = BytesOf(codePage);
    std::string out;
    for (unsigned character : Characters(text)) {
        auto found = character < 0x80 ? bytes.end() : bytes.find(character);
        if (character >= 0x80 && found == bytes.end()) {
            out += missing;
            if (usedMissing != nullptr)
                *usedMissing = true;
            continue;
        }
        out += character < 0x80 ? static_cast<char>(character) : static_cast<char>(found->second);
    }
    return out;
}

std::string FromCodePage(const std::string& bytes, unsigned codePage)
{
    if (IsAscii(bytes))
        return bytes;
    const CodePageTable* table = TableOf(IsModelledCodePage(codePage) ? codePage : kDefaultCodePage);
    std::string out;
    for (char c : bytes) {
        unsigned char byte = static_cast<unsigned char>(c);
        AppendUtf8(out, byte < 0x80 ? byte : table->high[byte - 0x80]);
    }
    return out;
}

std::u16string ToUtf16(const std::string& text)
{
    std::u16string units;
    for (unsigned character : Characters(text)) {
        if (character < 0x10000) {
            units += static_cast<char16_t>(character);
        } else {
            character -= 0x10000;
            units += static_cast<char16_t>(kFirstSurrogate + (character >> 10));
            units += static_cast<char16_t>(kFirstLowSurrogate + (character & 0x3FF));
        }
    }
    return units;
}

std::string FromUtf16(const std::u16string& units)
{
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        unsigned unit = units[i];
        unsigned next = i + 1 < units.size() ? units[i + 1] : 0;
        if (unit >= kFirstSurrogate && unit < kFirstLowSurrogate && next >= kFirstLowSurrogate &&
            next <= kLastSurrogate) {
            AppendUtf8(out, 0x10000 + ((unit - kFirstSurrogate) << 10) + (next - kFirstLowSurrogate));
            ++i;
            continue;
        }
        AppendUtf8(out, unit);
    }
    return out;
}

std::size_t Utf16Length(const std::string& text)
{
    std::size_t units = 0;
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        units += (byte & 0xC0) == 0x80 ? 0 : byte >= 0xF0 ? 2 : 1;
    }
    return units;
}

bool IsUtf8(const std::string& text)
{
    return Utf8Of(text) == text;
}

std::string Utf16Bytes(const std::string& text)
{
    std::string bytes;
    for (char16_t unit : ToUtf16(text)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::string FromLatin1Era(const std::string& text)
{
    if (IsAscii(text))
        return text;
    const CodePageTable* table = TableOf(kDefaultCodePage);
    std::string out;
    for (unsigned character : NameCharacters(text))
        AppendUtf8(out, character >= 0x80 && character <= 0xFF ? table->high[character - 0x80] : character);
    return out;
}

}  // namespace machine
