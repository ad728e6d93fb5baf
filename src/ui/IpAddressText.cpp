#include "ui/IpAddressText.h"

#include <algorithm>
#include <climits>

namespace {
bool IsSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// A number as atoi reads it: leading white space, an optional sign, decimal
// digits; 0 when there are none, saturated at the int range.
int LeadingNumber(const std::string& text)
{
    std::size_t at = 0;
    while (at < text.size() && IsSpace(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    const long long limit = static_cast<long long>(INT_MAX) + 1;
    long long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        value = std::min(limit, value * 10 + (text[at] - '0'));
    value = negative ? -value : std::min(value, static_cast<long long>(INT_MAX));
    return static_cast<int>(value);
}
}  // namespace

DWORD AddressFromText(const std::string& text)
{
    DWORD address = 0;
    std::size_t position = 0;
    for (int field = 0; field < 4; ++field) {
        std::size_t dot = text.find('.', position);
        std::string number;
        if (dot != std::string::npos) {
            number = text.substr(position, dot - position);
            position = dot + 1;
        } else {
            number = text.substr(position);
            position = 0;
        }
        address = (address << 8) | (static_cast<unsigned>(LeadingNumber(number)) & 0xFF);
    }
    return address;
}
