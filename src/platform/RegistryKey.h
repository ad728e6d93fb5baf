// An open registry key that closes itself, and the reading of a string value
// through the fixed 260-byte buffer every registry text goes through.
#pragma once

#include <string>

#include "platform/WinTypes.h"

class RegistryKey {
public:
    // The size of the zero-filled buffer a name or value is read into; a longer
    // name or value makes the registry call fail with ERROR_MORE_DATA.
    static const DWORD kBufferSize = 260;

    RegistryKey() = default;
    ~RegistryKey() { Close(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // RegOpenKeyExA's result; an open that reports success without a key is
    // ERROR_INVALID_HANDLE. Any key held before is closed first.
    LONG Open(HKEY parent, const std::string& subKey, REGSAM access);
    void Close();
    HKEY Get() const { return m_hKey; }

    // The value as text (up to its first NUL); the registry's result.
    LONG QueryString(const std::string& valueName, std::string& text) const;
    // The name of the subkey at an index; the registry's result.
    LONG EnumSubkey(DWORD index, std::string& name) const;

private:
    HKEY m_hKey = nullptr;
};
