// The text of registry values as regedit writes them in a "Windows Registry
// Editor Version 5.00" file, UTF-16LE as "regedit /e" exports it: the one form
// shared by the undo file and the simulated machine's registry export.
#pragma once

#include <string>

#include "platform/WinTypes.h"

namespace regfile {

extern const char kHeader[];  // "Windows Registry Editor Version 5.00"
// The first line of the older form, 8-bit text of the ANSI code page, the
// only one the regedit of Windows 98, Me and NT 4.0 reads.
extern const char kHeader4[];  // "REGEDIT4"
extern const char kByteOrderMark[];  // UTF-16LE's, the file's first two bytes

// The 8-bit text as UTF-16LE, one character per byte.
std::string WidenToUtf16(const std::string& text);

// Whether the registry keeps a type's data as text (UTF-16LE in the file).
bool IsText(DWORD type);

// One value, in UTF-16LE: @= or "name"=, then "text" for a REG_SZ that quotes
// exactly (one terminating zero, no line break), dword:%08x for a four-byte
// REG_DWORD, hex: for REG_BINARY, else hex(N): with the data's bytes, long
// hex data continued on indented lines ending in '\'. The name is UTF-16LE;
// the data as the wide registry call gives it (text in UTF-16LE). CR LF
// between lines, none at the end.
std::string ValueLine(const std::string& wideName, DWORD type, const std::string& data);
// The same in the REGEDIT4 form: the name, and text data (REG_SZ,
// REG_EXPAND_SZ, REG_MULTI_SZ), in the ANSI code page.
std::string ValueLine4(const std::string& name, DWORD type, const std::string& data);

}  // namespace regfile
