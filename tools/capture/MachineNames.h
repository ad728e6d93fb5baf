// What a machine folder can hold of the names a PC gives: its texts are
// Unicode, in UTF-8; its paths are full paths on a drive; registry.reg puts
// each key's and value's name on one line. A name that cannot be held is left
// out, never written approximately. The PC's ANSI texts are taken through its
// own code page, which the machine records.
#pragma once

#include <string>

#include "platform/WinTypes.h"

namespace capture {

using WideText = std::basic_string<WCHAR>;

// The wide text as the machine holds it, and the machine's text as wide text.
std::string MachineText(const WideText& wide);
WideText WideOf(const std::string& text);
// A text of an ANSI call of the PC, in its code page, as the machine holds it.
std::string MachineTextOfAnsi(const std::string& ansi);
// The machine's path as the PC's ANSI calls take it (its short form where a
// name lies beyond the code page).
std::string AnsiPath(const std::string& path);
// The PC's ANSI code page: the modelled one its conversions match, else the
// number the system records for it; 0 when neither tells.
unsigned AnsiCodePage();
// The text for a line the capture prints: as it is, but for line breaks,
// shown as \r and \n.
std::string Shown(const WideText& wide);
// Why the machine cannot hold this path of the PC; "" when it can, with the path in `text`.
std::string MachinePathProblem(const WideText& path, std::string& text);
// Why the machine cannot hold this key or value name; "" when it can, with the name in `text`.
std::string RegistryNameProblem(const WideText& name, std::string& text);

}  // namespace capture
