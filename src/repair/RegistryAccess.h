// Registry access as the repairs do it: keys that close themselves, and values
// read through a zero-filled buffer of MAX_PATH bytes.
#pragma once

#include <string>

#include "platform/WinTypes.h"

class DebugLog;

// An open registry key, closed when it goes out of scope.
class ScopedRegKey {
public:
    ScopedRegKey() = default;
    ~ScopedRegKey();
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;

    // RegOpenKeyExA's result; on success the key is held. One key per object.
    LONG Open(HKEY parent, const std::string& subKey, REGSAM access);
    HKEY Get() const { return m_h; }

private:
    HKEY m_h = nullptr;
};

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
