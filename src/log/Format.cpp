#include "log/Format.h"

void FormatArg::AppendTo(std::string& out) const
{
    if (m_isNumber)
        out += std::to_string(m_number);
    else if (m_text)
        out += *m_text;
    else
        out += m_cstr;
}

std::string Format(const char* format, std::initializer_list<FormatArg> args)
{
    std::string out;
    auto next = args.begin();
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            out += *p;
            continue;
        }
        char directive = p[1];
        if (directive == '%') {
            out += '%';
            ++p;
        } else if (directive == 's' || directive == 'd' || directive == 'u') {
            if (next != args.end())
                (next++)->AppendTo(out);
            ++p;
        } else {
            out += '%';
        }
    }
    return out;
}
