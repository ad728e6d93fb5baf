// What a machine folder can hold of the names a PC gives: its text is 8-bit,
// one byte per Latin-1 character (U+0000 to U+00FF); its paths are full paths
// on a drive; registry.reg puts each key's and value's name on one line.
// A name that cannot be held is left out, never written approximately.
#pragma once

#include <string>

#include "platform/WinTypes.h"

namespace capture {

using WideText = std::basic_string<WCHAR>;

// The text in the machine's 8-bit form; false when a character lies outside Latin-1.
bool ToLatin1(const WideText& wide, std::string& narrow);
// The text for a line the capture prints: Latin-1 as it is, but for line
// breaks, shown as \r and \n; any other character as <U+0418>.
std::string Shown(const WideText& wide);
// Why the machine cannot hold this path of the PC; "" when it can, with the path in `narrow`.
std::string MachinePathProblem(const WideText& path, std::string& narrow);
// Why the machine cannot hold this key or value name; "" when it can, with the name in `narrow`.
std::string RegistryNameProblem(const WideText& name, std::string& narrow);

}  // namespace capture
