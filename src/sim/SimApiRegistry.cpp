// The simulated backend: the registry calls.
#include <cstring>

#include "platform/RegFileText.h"
#include "sim/SimApi.h"

namespace sim {

namespace {
const char* PredefinedRootName(HKEY key)
{
    if (key == HKEY_CLASSES_ROOT)
        return "HKEY_CLASSES_ROOT";
    if (key == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER";
    if (key == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE";
    if (key == HKEY_USERS)
        return "HKEY_USERS";
    return nullptr;
}
}  // namespace

std::string SimApi::PathOfKey(HKEY key) const
{
    if (const char* root = PredefinedRootName(key))
        return root;
    auto found = m_keys.find(key);
    return found == m_keys.end() ? std::string() : found->second.path;
}

machine::RegKey* SimApi::ResolveKey(HKEY key, LONG& status)
{
    machine::RegKey* found = nullptr;
    if (const char* root = PredefinedRootName(key)) {
        found = m_machine.registry.Find(root);
    } else {
        auto open = m_keys.find(key);
        if (open == m_keys.end()) {
            status = ERROR_INVALID_HANDLE;
            return nullptr;
        }
        // Every registry call comes here: the handle's key is looked for
        // again only once keys were removed (a key made since is looked for
        // at each call until it is found).
        OpenKey& handle = open->second;
        if (handle.resolved == nullptr || handle.resolvedAt != m_machine.registry.KeysVersion()) {
            handle.resolved = m_machine.registry.Find(handle.path);
            handle.resolvedAt = m_machine.registry.KeysVersion();
        }
        found = handle.resolved;
    }
    // A key deleted while open behaves as Windows does for such a handle.
    status = found == nullptr ? ERROR_BADKEY : ERROR_SUCCESS;
    return found;
}

LONG SimApi::RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult)
{
    if (Fails(__func__))
        return static_cast<LONG>(m_lastError);
    return OpenSubkey(hKey, MachineText(lpSubKey), samDesired, phkResult);
}

LONG SimApi::RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult)
{
    if (Fails(__func__))
        return static_cast<LONG>(m_lastError);
    return OpenSubkey(hKey, MachineText(lpSubKey), samDesired, phkResult);
}

LONG SimApi::OpenSubkey(HKEY hKey, const std::string& subKey, REGSAM samDesired, PHKEY phkResult)
{
    LONG status = ERROR_SUCCESS;
    const machine::RegKey* parent = ResolveKey(hKey, status);
    if (parent == nullptr)
        return status;
    machine::RegKey* key = parent->FindPath(subKey);
    if (key == nullptr)
        return ERROR_FILE_NOT_FOUND;
    std::string path = PathOfKey(hKey);
    if (!subKey.empty()) {
        path += '\\';
        path += subKey;
    }
    HKEY opened = reinterpret_cast<HKEY>(m_nextHandle++);
    m_keys.emplace_hint(m_keys.end(), opened,
                        OpenKey{std::move(path), samDesired, {}, key, m_machine.registry.KeysVersion()});
    *phkResult = opened;
    return ERROR_SUCCESS;
}

// Enumerations go through the indexes in order: from the handle's last place
// while the key's subkeys have not changed since, else from the first.
// A predefined root's handle keeps no place: it walks its few subkeys.
const machine::RegKey& SimApi::NthSubkey(HKEY hKey, const machine::RegKey& key, DWORD index)
{
    auto open = m_keys.find(hKey);
    SubkeyCursor rootCursor;
    SubkeyCursor& cursor = open == m_keys.end() ? rootCursor : open->second.cursor;
    bool onward = cursor.key == &key && cursor.version == key.SubkeysVersion() && cursor.index <= index;
    if (!onward)
        cursor = SubkeyCursor{&key, key.SubkeysVersion(), 0, key.subkeys.begin()};
    std::advance(cursor.place, index - cursor.index);
    cursor.index = index;
    return *cursor.place->second;
}

template <typename Char>
LONG SimApi::EnumKey(const char* operation, HKEY hKey, DWORD dwIndex, Char* lpName, LPDWORD lpcchName)
{
    if (Fails(operation))
        return static_cast<LONG>(m_lastError);
    LONG status = ERROR_SUCCESS;
    machine::RegKey* key = ResolveKey(hKey, status);
    if (key == nullptr)
        return status;
    if (dwIndex >= key->subkeys.size())
        return ERROR_NO_MORE_ITEMS;
    std::basic_string<Char> name = CallerText<Char>(NthSubkey(hKey, *key, dwIndex).name);
    if (name.size() >= *lpcchName)
        return ERROR_MORE_DATA;
    CopyText(name, lpName, name.size() + 1);
    *lpcchName = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

LONG SimApi::RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD, LPSTR, LPDWORD,
                           FILETIME*)
{
    return EnumKey(__func__, hKey, dwIndex, lpName, lpcchName);
}

LONG SimApi::RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD, LPWSTR, LPDWORD,
                           FILETIME*)
{
    return EnumKey(__func__, hKey, dwIndex, lpName, lpcchName);
}

// Values in creation order. A name or data buffer too small gives
// ERROR_MORE_DATA, with the data size needed.
template <typename Char>
LONG SimApi::EnumValue(const char* operation, HKEY hKey, DWORD dwIndex, Char* lpValueName, LPDWORD lpcchValueName,
                       LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    if (Fails(operation))
        return static_cast<LONG>(m_lastError);
    LONG status = ERROR_SUCCESS;
    machine::RegKey* key = ResolveKey(hKey, status);
    if (key == nullptr)
        return status;
    if (dwIndex >= key->values.size())
        return ERROR_NO_MORE_ITEMS;
    const machine::RegValue& value = key->values[dwIndex];
    std::basic_string<Char> name = CallerText<Char>(value.name);
    std::string data = CallerData(value, sizeof(Char) > 1);
    DWORD size = static_cast<DWORD>(data.size());
    if (name.size() >= *lpcchValueName || (lpData != nullptr && lpcbData != nullptr && *lpcbData < size)) {
        if (lpcbData != nullptr)
            *lpcbData = size;
        return ERROR_MORE_DATA;
    }
    CopyText(name, lpValueName, name.size() + 1);
    *lpcchValueName = static_cast<DWORD>(name.size());
    if (lpType != nullptr)
        *lpType = value.type;
    if (lpData != nullptr)
        std::memcpy(lpData, data.data(), size);
    if (lpcbData != nullptr)
        *lpcbData = size;
    return ERROR_SUCCESS;
}

LONG SimApi::RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD,
                           LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    return EnumValue(__func__, hKey, dwIndex, lpValueName, lpcchValueName, lpType, lpData, lpcbData);
}

LONG SimApi::RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD,
                           LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    return EnumValue(__func__, hKey, dwIndex, lpValueName, lpcchValueName, lpType, lpData, lpcbData);
}

LONG SimApi::RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                              LPDWORD lpcbData)
{
    if (Fails(__func__))
        return static_cast<LONG>(m_lastError);
    return QueryValue(hKey, MachineText(lpValueName), false, lpType, lpData, lpcbData);
}

// The wide call: text comes as UTF-16LE.
LONG SimApi::RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                              LPDWORD lpcbData)
{
    if (Fails(__func__))
        return static_cast<LONG>(m_lastError);
    return QueryValue(hKey, MachineText(lpValueName), true, lpType, lpData, lpcbData);
}

LONG SimApi::QueryValue(HKEY hKey, const std::string& valueName, bool wide, LPDWORD lpType, LPBYTE lpData,
                        LPDWORD lpcbData)
{
    LONG status = ERROR_SUCCESS;
    machine::RegKey* key = ResolveKey(hKey, status);
    if (key == nullptr)
        return status;
    const machine::RegValue* value = key->FindValue(valueName);
    if (value == nullptr)
        return ERROR_FILE_NOT_FOUND;
    if (lpType != nullptr)
        *lpType = value->type;
    std::string data = CallerData(*value, wide);
    DWORD size = static_cast<DWORD>(data.size());
    if (lpcbData == nullptr)
        return lpData == nullptr ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
    if (lpData != nullptr && *lpcbData < size) {
        *lpcbData = size;
        return ERROR_MORE_DATA;
    }
    if (lpData != nullptr)
        std::memcpy(lpData, data.data(), size);
    *lpcbData = size;
    return ERROR_SUCCESS;
}

LONG SimApi::RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    if (Fails(__func__))
        return static_cast<LONG>(m_lastError);
    std::string data(reinterpret_cast<const char*>(lpData), cbData);
    return SetValue(hKey, MachineText(lpValueName), dwType, regfile::IsText(dwType) ? MachineText(data) : data);
}

LONG SimApi::SetValue(HKEY hKey, const std::string& name, DWORD type, std::string data)
{
    LONG status = ERROR_SUCCESS;
    machine::RegKey* key = ResolveKey(hKey, status);
    if (key == nullptr)
        return status;
    auto open = m_keys.find(hKey);
    if (open == m_keys.end() || (open->second.access & KEY_SET_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
    // A string written without its terminating NUL is stored with one, as Windows does.
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && (data.empty() || data.back() != '\0'))
        data += '\0';
    key->SetValue(name, type, data);
    return ERROR_SUCCESS;
}

// Text comes as UTF-16LE.
LONG SimApi::RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    if (Fails(__func__))
        return static_cast<LONG>(m_lastError);
    std::string data(reinterpret_cast<const char*>(lpData), cbData);
    if (regfile::IsText(dwType)) {
        std::u16string units;
        for (std::size_t i = 0; i + 1 < data.size(); i += 2)
            units += static_cast<char16_t>(static_cast<unsigned char>(data[i]) |
                                           (static_cast<unsigned char>(data[i + 1]) << 8));
        data = machine::FromUtf16(units);
    }
    return SetValue(hKey, MachineText(lpValueName), dwType, data);
}

LONG SimApi::RegCloseKey(HKEY hKey)
{
    if (PredefinedRootName(hKey) != nullptr)
        return ERROR_SUCCESS;
    return m_keys.erase(hKey) > 0 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

}  // namespace sim
