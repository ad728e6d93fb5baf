// Names on a Windows disk: which of them Windows holds as one, and which it
// takes for a device rather than a file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace machine {

// The characters of a name: decoded when it is UTF-8 throughout, else its
// bytes each the Latin-1 character of its number (as names were written by
// the tools on Linux before they wrote UTF-8).
std::vector<unsigned> NameCharacters(std::string_view name);
// An ASCII letter's capital, as the C library's toupper has it; any other byte as it is.
inline char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
// A character's capital as a Windows volume compares names (UpperCaseTable.cpp).
unsigned WindowsUpperCase(unsigned character);
// The text in upper case by that table: UTF-8 by its characters, a text that
// is not UTF-8 by its bytes as Latin-1 (written back as UTF-8 either way).
std::string WindowsUpper(std::string_view text);
// The form under which Windows holds two paths for the same file: '/' and '\'
// alike, each name without its trailing dots and spaces, and in WindowsUpper's
// upper case.
std::string WindowsNameKey(std::string_view path);
// Why a name (one part of a path) can be no file's on Windows: a device name,
// with or without an extension ("CON", "com1.txt", "CONIN$"); "" when it can.
std::string DeviceNameProblem(std::string_view name);

}  // namespace machine
