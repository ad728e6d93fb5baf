// The text of registry values as regedit writes them in a "Windows Registry
// Editor Version 5.00" file: the one form shared by the undo file and the
// simulated machine's registry export.
#pragma once

#include <string>

#include "platform/WinTypes.h"

namespace regfile {

extern const char kHeader[];  // "Windows Registry Editor Version 5.00"

// The 8-bit text as UTF-16LE, one character per byte.
std::string WidenToUtf16(const std::string& text);

// A name or text in quotes, with regedit's escaping of '\' and '"'.
std::string Quote(const std::string& text);

// One value: @= or "name"=, then "text" for a plain REG_SZ, dword:%08x for a
// four-byte REG_DWORD, hex: for REG_BINARY, else hex(N): with the data's bytes
// (REG_EXPAND_SZ and REG_MULTI_SZ as UTF-16LE, as regedit keeps them), long
// hex data continued on indented lines ending in '\'. CR LF between lines,
// none at the end.
std::string ValueLine(const std::string& valueName, DWORD type, const std::string& data);

}  // namespace regfile
