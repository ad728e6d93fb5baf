// The texts of a simulated machine: the model holds them as Unicode in UTF-8,
// as its folder does; its ANSI calls see them in the machine's code page, as
// Windows converts them, and its wide calls as UTF-16.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace machine {

// The code page of a machine that states none: a folder written before
// machines stated one held its texts in it.
const unsigned kDefaultCodePage = 1252;

// Whether a machine's ANSI calls can see its texts in this code page (the
// single-byte Windows code pages of CodePageTables.cpp). The conversions below
// take any other as 1252; a machine folder stating one is refused.
bool IsModelledCodePage(unsigned codePage);
// Those code pages, for a message: "1250, 1251, ...".
std::string ModelledCodePages();

// Whether every byte of the text is ASCII.
bool IsAscii(std::string_view text);
// Appends a character's UTF-8 bytes.
void AppendUtf8(std::string& out, unsigned character);
// The text as UTF-8: itself when it is UTF-8, else each of its bytes as the
// character it stands for in code page 1252 (as 8-bit machines held them).
std::string Utf8Of(const std::string& text);
// The text (as Utf8Of reads it) in a modelled code page: a character the
// code page lacks becomes `missing`, and `usedMissing` (when given) says so.
std::string ToCodePage(const std::string& text, unsigned codePage, char missing = '?', bool* usedMissing = nullptr);
// A modelled code page's bytes as UTF-8.
std::string FromCodePage(const std::string& bytes, unsigned codePage);

// The text (as Utf8Of reads it) as UTF-16 units, and such units as UTF-8;
// a lone surrogate is kept either way, so every wide name comes back as it was.
std::u16string ToUtf16(const std::string& text);
std::string FromUtf16(const std::u16string& units);
// FromUtf16 of UTF-16LE bytes (an odd last byte is no unit and left out).
std::string FromUtf16Bytes(std::string_view bytes);

// The UTF-16 units of a UTF-8 text, as Windows counts a name's length.
std::size_t Utf16Length(std::string_view text);
// Whether the text is UTF-8 throughout.
bool IsUtf8(const std::string& text);
// The text as UTF-16LE bytes (as Utf8Of reads it), as a registry export holds it.
std::string Utf16Bytes(const std::string& text);
// Utf16Bytes of the text, appended to `out`.
void AppendUtf16Bytes(std::string& out, std::string_view text);

// A text of a folder written when machines held 8-bit text: each of its
// characters up to U+00FF stood for the byte of that number in code page
// 1252, which differs from Latin-1 in U+0080 to U+009F (0x80 is the euro sign).
std::string FromLatin1Era(const std::string& text);

// How a machine folder's texts are read into the machine: an 8-bit file's
// bytes that are no UTF-8 in the machine's code page and, in a folder of the
// days of 8-bit machines (one that states no code page), by FromLatin1Era.
struct FolderTexts {
    unsigned codePage = kDefaultCodePage;
    bool latin1Era = false;
    // 8-bit text is in the code page alone, as Windows writes it (an undo
    // file in the REGEDIT4 form), never taken as UTF-8.
    bool eightBitInCodePage = false;
    // A text of the folder (UTF-8, or 8-bit as Utf8Of reads it) as the machine holds it.
    std::string Read(const std::string& text) const { return latin1Era ? FromLatin1Era(text) : Utf8Of(text); }
};

}  // namespace machine
