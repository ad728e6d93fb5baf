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

bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

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

namespace {
// Calls `unit` with each UTF-16 unit of the text, as Utf8Of reads it. An
// ASCII text, by far the most common, is read without decoding a list of
// characters first.
template <typename UnitSink>
void ForEachUtf16Unit(std::string_view text, UnitSink unit)
{
    if (IsAscii(text)) {
        for (char c : text)
            unit(static_cast<char16_t>(c));
        return;
    }
    for (unsigned character : Characters(std::string(text))) {
        if (character < 0x10000) {
            unit(static_cast<char16_t>(character));
        } else {
            character -= 0x10000;
            unit(static_cast<char16_t>(kFirstSurrogate + (character >> 10)));
            unit(static_cast<char16_t>(kFirstLowSurrogate + (character & 0x3FF)));
        }
    }
}
}  // namespace

std::u16string ToUtf16(const std::string& text)
{
    std::u16string units;
    units.reserve(text.size());
    ForEachUtf16Unit(text, [&](char16_t unit) { units += unit; });
    return units;
}

namespace {
// The units' text in UTF-8, `unitAt(i)` giving the i-th of `count` units; a
// lone surrogate is kept as the character of its number.
template <typename UnitAt>
std::string Utf8OfUnits(std::size_t count, UnitAt unitAt)
{
    std::string out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        unsigned unit = unitAt(i);
        if (unit < 0x80) {
            // A run of ASCII, by far the most common text, is copied at once.
            std::size_t end = i + 1;
            while (end < count && unitAt(end) < 0x80)
                ++end;
            std::size_t at = out.size();
            out.resize(at + (end - i));
            char* to = &out[at];
            for (std::size_t k = i; k < end; ++k)
                *to++ = static_cast<char>(unitAt(k));
            i = end - 1;
            continue;
        }
        unsigned next = i + 1 < count ? unitAt(i + 1) : 0;
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
}  // namespace

std::string FromUtf16(const std::u16string& units)
{
    return Utf8OfUnits(units.size(), [&](std::size_t i) { return static_cast<unsigned>(units[i]); });
}

std::string FromUtf16Bytes(std::string_view bytes)
{
    const unsigned char* data = reinterpret_cast<const unsigned char*>(bytes.data());
    return Utf8OfUnits(bytes.size() / 2, [data](std::size_t i) { return data[2 * i] | (data[2 * i + 1] << 8u); });
}

std::size_t Utf16Length(std::string_view text)
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
    AppendUtf16Bytes(bytes, text);
    return bytes;
}

void AppendUtf16Bytes(std::string& out, std::string_view text)
{
    if (IsAscii(text)) {
        // Each character's high byte is the zero the string is grown with.
        std::size_t at = out.size();
        out.resize(at + 2 * text.size());
        char* to = &out[at];
        for (std::size_t i = 0; i < text.size(); ++i)
            to[2 * i] = text[i];
        return;
    }
    out.reserve(out.size() + 2 * text.size());
    ForEachUtf16Unit(text, [&](char16_t unit) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    });
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
