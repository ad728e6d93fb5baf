// The simulated machine's registry: a tree of keys with typed values. Names
// and text data are UTF-8 (TextEncodings.h). Names compare case-insensitively
// and keep the case they were created with;
// subkeys enumerate in name order, values in creation order, as on Windows.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/WinTypes.h"

namespace machine {

struct RegValue {
    std::string name;  // "" is the key's default value
    DWORD type = REG_SZ;
    std::string data;  // raw bytes; a text type's in UTF-8, each string with its NUL
};

struct RegKey {
    std::string name;
    std::map<std::string, std::unique_ptr<RegKey>> subkeys;  // by upper-cased name
    std::vector<RegValue> values;

    RegKey* FindSubkey(const std::string& subkeyName) const;
    RegKey& CreateSubkey(const std::string& subkeyName);
    bool DeleteSubkey(const std::string& subkeyName);
    // Taken anew whenever a subkey is added or removed, and never shared by
    // two keys: while it holds, a place found in `subkeys` is still there and
    // still the same number of entries from the first.
    std::uint64_t SubkeysVersion() const { return m_subkeysVersion; }
    RegValue* FindValue(const std::string& valueName);
    const RegValue* FindValue(const std::string& valueName) const;
    void SetValue(const std::string& valueName, DWORD type, const std::string& data);
    bool operator==(const RegKey& other) const;

private:
    std::uint64_t m_subkeysVersion = NewSubkeysVersion();
    static std::uint64_t NewSubkeysVersion();
    // The values' places by upper-cased name, so a key with many values finds
    // each at once. Made again whenever `values` changed beneath it (its
    // length or its storage moved), as readers add values to it directly.
    mutable std::unordered_map<std::string, std::size_t> m_valueIndex;
    mutable std::size_t m_indexedCount = 0;
    mutable const RegValue* m_indexedStorage = nullptr;
    void IndexValues() const;
};

// A name (UTF-8) in upper case as Windows compares names: ASCII letters, and
// beyond ASCII by WindowsUpper.
std::string UpperCase(std::string text);
// Whether two names are the same by UpperCase.
bool EqualIgnoringCase(const std::string& first, const std::string& second);

// The whole registry: one tree per root ("HKEY_LOCAL_MACHINE", ...).
class Registry {
public:
    Registry();
    static bool IsRootName(const std::string& rootName);
    RegKey& Root(const std::string& rootName);
    const std::map<std::string, RegKey>& Roots() const { return m_roots; }

    // A path "HKEY_LOCAL_MACHINE\A\B"; nullptr when a part is missing.
    RegKey* Find(const std::string& fullPath);
    RegKey& Create(const std::string& fullPath);
    bool Delete(const std::string& fullPath);

    bool operator==(const Registry& other) const { return m_roots == other.m_roots; }

private:
    std::map<std::string, RegKey> m_roots;
};

std::vector<std::string> SplitKeyPath(const std::string& path);

// A REG_SZ value's bytes for a text.
std::string StringData(const std::string& text);
// The text of a string value's bytes (up to its first NUL).
std::string DataText(const std::string& data);

}  // namespace machine
