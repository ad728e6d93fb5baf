// An open registry key that closes itself, and the reading of names and values
// through the zero-filled MAX_PATH-byte buffer every registry read goes through.
#pragma once

#include <string>

#include "platform/Owned.h"
#include "platform/WinTypes.h"

// The services' keys, below HKEY_LOCAL_MACHINE, each under its service's name.
const char kServicesKey[] = "SYSTEM\\CurrentControlSet\\Services\\";

// One value as read into a MAX_PATH-byte buffer: a longer value cannot be read
// (ERROR_MORE_DATA).
struct RegValueRead {
    LONG status = ERROR_SUCCESS;  // RegQueryValueExA's result
    DWORD type = REG_NONE;
    std::string bytes;  // the data read
    std::string text;   // the data up to its first zero byte

    bool IsString() const { return type == REG_SZ || type == REG_EXPAND_SZ; }
};

RegValueRead ReadRegValue(HKEY key, const std::string& valueName);

// A REG_DWORD's data as the registry holds it: four bytes, the lowest first.
std::string DwordData(DWORD value);
// The number such data holds: its first four bytes at most, the lowest first.
DWORD DwordOf(const std::string& data);

// The value exactly as the registry holds it, however long, through the wide
// call: text comes as UTF-16LE, so no character is lost to the ANSI code page
// (on the 9x family, whose registry holds text of that code page, through the
// ANSI call, and converted).
// The registry's result.
LONG ReadRegValueExactly(HKEY key, const std::string& valueName, DWORD& type, std::string& data);
LONG ReadRegValueExactly(HKEY key, const std::basic_string<WCHAR>& valueName, DWORD& type, std::string& data);

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() { Close(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // RegOpenKeyExA's result; an open that reports success without a key is
    // ERROR_INVALID_HANDLE. Any key held before is closed first.
    LONG Open(HKEY parent, const std::string& subKey, REGSAM access);
    // RegCloseKey's result; ERROR_SUCCESS when no key is held.
    LONG Close();
    HKEY Get() const { return m_key.Get(); }

    // The full path ("HKEY_LOCAL_MACHINE\...") of a key opened through a
    // RegistryKey and not yet closed; "" for any other key.
    static std::string PathOf(HKEY key);

    // The value as text (up to its first NUL); the registry's result, or
    // ERROR_UNSUPPORTED_TYPE for a value that is not REG_SZ or REG_EXPAND_SZ.
    LONG QueryString(const std::string& valueName, std::string& text) const;
    // The name of the subkey at an index; the registry's result (ERROR_MORE_DATA
    // for a name too long for the MAX_PATH-byte buffer).
    LONG EnumSubkey(DWORD index, std::string& name) const;

private:
    RegistryKeyHandle m_key;
};
