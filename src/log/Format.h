// printf-style formatting of the system's fixed texts, safe for any argument.
//
// Only %s, %d, %u and %% are understood; every other byte, and every byte of
// the arguments, is copied as it is. Text that came from outside (registry,
// files, the user) is therefore never interpreted as a format.
#pragma once

#include <initializer_list>
#include <string>

class FormatArg {
public:
    FormatArg(const std::string& text) : m_text(&text) {}
    FormatArg(const char* text) : m_cstr(text ? text : "") {}
    FormatArg(int number) : m_number(number), m_isNumber(true) {}
    FormatArg(unsigned number) : m_number(static_cast<long long>(number)), m_isNumber(true) {}
    FormatArg(long number) : m_number(number), m_isNumber(true) {}
    FormatArg(unsigned long number) : m_number(static_cast<long long>(number)), m_isNumber(true) {}

    void AppendTo(std::string& out) const;

private:
    const std::string* m_text = nullptr;
    const char* m_cstr = nullptr;
    long long m_number = 0;
    bool m_isNumber = false;
};

std::string Format(const char* format, std::initializer_list<FormatArg> args);
