// Registry values as the repairs read them: through a zero-filled buffer of
// MAX_PATH bytes, with their type (keys: platform/RegistryKey.h).
#pragma once

#include <string>

#include "platform/WinTypes.h"

class DebugLog;

// One value as read into a MAX_PATH-byte buffer: a longer value cannot be read.
struct RegValueRead {
    LONG status = ERROR_SUCCESS;  // RegQueryValueExA's result
    DWORD type = REG_NONE;
    std::string bytes;  // the data read
    std::string text;   // the data up to its first zero byte

    bool IsString() const { return type == REG_SZ || type == REG_EXPAND_SZ; }
};

RegValueRead ReadRegValue(HKEY key, const std::string& valueName);

// Writes `text` with the system's text for a registry call's result. The
// registry calls return their error rather than setting the last error, so it
// is set from the result first.
void LogRegistryError(DebugLog& log, LONG status, const std::string& text);
