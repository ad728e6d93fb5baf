#include "log/RegFileText.h"

#include <cstdio>

namespace regfile {

const char kHeader[] = "Windows Registry Editor Version 5.00";

std::string WidenToUtf16(const std::string& text)
{
    std::string out;
    for (char c : text) {
        out += c;
        out += '\0';
    }
    return out;
}

namespace {
// regedit wraps hex data once a line, with its comma, is longer than this.
const std::size_t kHexLineWidth = 76;

std::string HexLine(const std::string& prefix, const std::string& bytes)
{
    std::string out = prefix;
    std::size_t lineLength = out.size();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(bytes[i]));
        out += digits;
        lineLength += 2;
        if (i + 1 < bytes.size()) {
            out += ',';
            ++lineLength;
            if (lineLength > kHexLineWidth) {
                out += "\\\r\n  ";
                lineLength = 2;
            }
        }
    }
    return out;
}

// Text that "..." holds exactly: one terminating zero byte and no line break.
bool IsPlainString(const std::string& data)
{
    return !data.empty() && data.back() == '\0' && data.find('\0') == data.size() - 1 &&
           data.find_first_of("\r\n") == std::string::npos;
}
}  // namespace

std::string Quote(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string ValueLine(const std::string& valueName, DWORD type, const std::string& data)
{
    std::string line = valueName.empty() ? "@=" : Quote(valueName) + "=";
    if (type == REG_SZ && IsPlainString(data))
        return line + Quote(data.substr(0, data.size() - 1));
    if (type == REG_DWORD && data.size() == 4) {
        unsigned long number = 0;
        for (int i = 3; i >= 0; --i)
            number = (number << 8) | static_cast<unsigned char>(data[i]);
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08lx", number);
        return line + digits;
    }
    if (type == REG_BINARY)
        return HexLine(line + "hex:", data);
    char kind[16];
    std::snprintf(kind, sizeof kind, "hex(%x):", static_cast<unsigned>(type));
    bool wideText = type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    return HexLine(line + kind, wideText ? WidenToUtf16(data) : data);
}

}  // namespace regfile
