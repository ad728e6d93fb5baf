#include "platform/RegFileText.h"

#include <cstdio>

#include "platform/RegistryKey.h"

namespace regfile {

const char kHeader[] = "Windows Registry Editor Version 5.00";
const char kHeader4[] = "REGEDIT4";
const char kByteOrderMark[] = "\xFF\xFE";

std::string WidenToUtf16(const std::string& text)
{
    std::string out;
    for (char c : text) {
        out += c;
        out += '\0';
    }
    return out;
}

bool IsText(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

namespace {
// regedit wraps hex data once a line, with its comma, is longer than this.
const std::size_t kHexLineWidth = 76;

unsigned UnitAt(const std::string& wide, std::size_t index)
{
    return static_cast<unsigned char>(wide[2 * index]) | (static_cast<unsigned char>(wide[2 * index + 1]) << 8);
}

// `prefix` is UTF-16LE; the line's width counts its characters.
std::string HexLine(const std::string& prefix, const std::string& bytes)
{
    std::string digitsText;
    std::size_t lineLength = prefix.size() / 2;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(bytes[i]));
        digitsText += digits;
        lineLength += 2;
        if (i + 1 < bytes.size()) {
            digitsText += ',';
            ++lineLength;
            if (lineLength > kHexLineWidth) {
                digitsText += "\\\r\n  ";
                lineLength = 2;
            }
        }
    }
    return prefix + WidenToUtf16(digitsText);
}

// UTF-16LE text that "..." holds exactly: one terminating zero and no line break.
bool IsPlainString(const std::string& wide)
{
    std::size_t units = wide.size() / 2;
    if (wide.size() % 2 != 0 || units == 0 || UnitAt(wide, units - 1) != 0)
        return false;
    for (std::size_t i = 0; i + 1 < units; ++i) {
        unsigned unit = UnitAt(wide, i);
        if (unit == 0 || unit == '\r' || unit == '\n')
            return false;
    }
    return true;
}

// Appends the first `units` UTF-16LE units of a name or text in quotes, with
// regedit's escaping of '\' and '"'. Every value of an export passes here:
// the units go in as they stand, a run at a time, with no text made for each.
void AppendQuoted(std::string& out, const std::string& wide, std::size_t units)
{
    const char quote[] = {'"', '\0'};
    const char backslash[] = {'\\', '\0'};
    out.reserve(out.size() + 2 * units + 2 * sizeof quote);
    out.append(quote, sizeof quote);
    std::size_t plain = 0;  // the first unit not yet appended
    for (std::size_t i = 0; i < units; ++i) {
        unsigned unit = UnitAt(wide, i);
        if (unit == '\\' || unit == '"') {
            out.append(wide, 2 * plain, 2 * (i - plain));
            out.append(backslash, sizeof backslash);
            plain = i;
        }
    }
    out.append(wide, 2 * plain, 2 * (units - plain));
    out.append(quote, sizeof quote);
}
}  // namespace

std::string ValueLine(const std::string& wideName, DWORD type, const std::string& data)
{
    std::string line;
    if (wideName.empty()) {
        line = WidenToUtf16("@=");
    } else {
        AppendQuoted(line, wideName, wideName.size() / 2);
        line += WidenToUtf16("=");
    }
    if (type == REG_SZ && IsPlainString(data)) {
        AppendQuoted(line, data, data.size() / 2 - 1);  // without the terminating zero
        return line;
    }
    if (type == REG_DWORD && data.size() == 4) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08lx", static_cast<unsigned long>(DwordOf(data)));
        return line + WidenToUtf16(digits);
    }
    if (type == REG_BINARY)
        return HexLine(line + WidenToUtf16("hex:"), data);
    char kind[16];
    std::snprintf(kind, sizeof kind, "hex(%x):", static_cast<unsigned>(type));
    return HexLine(line + WidenToUtf16(kind), data);
}

std::string ValueLine4(const std::string& name, DWORD type, const std::string& data)
{
    // The version 5 line of the same characters, each 8-bit one widened to
    // the unit of its number and narrowed back: the forms are the same but
    // for the text's width. Hex data stays the value's own bytes.
    std::string widened = WidenToUtf16(data);
    bool quoted = type == REG_SZ && IsPlainString(widened);
    std::string wide = ValueLine(WidenToUtf16(name), type, quoted ? widened : data);
    std::string line;
    for (std::size_t i = 0; i + 1 < wide.size(); i += 2)
        line += wide[i];
    return line;
}

}  // namespace regfile
