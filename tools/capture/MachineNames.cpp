#include "MachineNames.h"

#include "machine/CodePageTables.h"
#include "machine/FileSystem.h"
#include "machine/TextEncodings.h"
#include "platform/RegistryKey.h"
#include "platform/WinApi.h"

namespace capture {

namespace {
const char kCodePageKey[] = "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage";
const char kAnsiCodePageValue[] = "ACP";
}  // namespace

std::string MachineText(const WideText& wide)
{
    return machine::FromUtf16(std::u16string(wide.begin(), wide.end()));
}

WideText WideOf(const std::string& text)
{
    std::u16string units = machine::ToUtf16(text);
    return WideText(units.begin(), units.end());
}

std::string MachineTextOfAnsi(const std::string& ansi)
{
    return MachineText(AnsiToWide(ansi));
}

std::string AnsiPath(const std::string& path)
{
    return AnsiPathOf(WideOf(path));
}

unsigned AnsiCodePage()
{
    std::string high;
    for (unsigned byte = 0x80; byte <= 0xFF; ++byte)
        high += static_cast<char>(byte);
    WideText converted = AnsiToWide(high);
    for (std::size_t t = 0; t < machine::kCodePageTableCount; ++t) {
        const machine::CodePageTable& table = machine::kCodePageTables[t];
        if (converted == WideText(std::begin(table.high), std::end(table.high)))
            return table.number;
    }
    RegistryKey key;
    std::string number;
    if (key.Open(HKEY_LOCAL_MACHINE, kCodePageKey, KEY_READ) != ERROR_SUCCESS ||
        key.QueryString(kAnsiCodePageValue, number) != ERROR_SUCCESS || number.empty() ||
        number.find_first_not_of("0123456789") != std::string::npos || number.size() > 9)
        return 0;
    return static_cast<unsigned>(std::stoul(number));
}

std::string Shown(const WideText& wide)
{
    std::string shown;
    for (char c : MachineText(wide))
        shown += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
    return shown;
}

std::string MachinePathProblem(const WideText& path, std::string& text)
{
    text = MachineText(path);
    return machine::FileSystem::PathProblem(text);
}

std::string RegistryNameProblem(const WideText& name, std::string& text)
{
    text = MachineText(name);
    return text.find_first_of("\r\n") == std::string::npos ? std::string() : "its name holds a line break";
}

}  // namespace capture
