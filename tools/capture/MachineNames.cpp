#include "MachineNames.h"

#include <cstdio>

#include "machine/FileSystem.h"

namespace capture {

namespace {
const WCHAR kLastLatin1 = 0xFF;
}  // namespace

bool ToLatin1(const WideText& wide, std::string& narrow)
{
    narrow.clear();
    for (WCHAR unit : wide) {
        if (unit > kLastLatin1)
            return false;
        narrow += static_cast<char>(unit);
    }
    return true;
}

std::string Shown(const WideText& wide)
{
    std::string shown;
    for (WCHAR unit : wide) {
        if (unit == '\r' || unit == '\n') {
            shown += unit == '\r' ? "\\r" : "\\n";
        } else if (unit <= kLastLatin1) {
            shown += static_cast<char>(unit);
        } else {
            char code[16];
            std::snprintf(code, sizeof code, "<U+%04X>", static_cast<unsigned>(unit));
            shown += code;
        }
    }
    return shown;
}

std::string MachinePathProblem(const WideText& path, std::string& narrow)
{
    if (!ToLatin1(path, narrow))
        return "it holds a character outside Latin-1";
    return machine::FileSystem::PathProblem(narrow);
}

std::string RegistryNameProblem(const WideText& name, std::string& narrow)
{
    if (!ToLatin1(name, narrow))
        return "its name holds a character outside Latin-1";
    return narrow.find_first_of("\r\n") == std::string::npos ? std::string() : "its name holds a line break";
}

}  // namespace capture
