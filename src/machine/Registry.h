// The simulated machine's registry: a tree of keys with typed values. Names
// and text data are UTF-8 (TextEncodings.h). Names compare case-insensitively
// and keep the case they were created with;
// subkeys enumerate in name order, values in creation order, as on Windows.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
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
    // By upper-cased name; found by a view of a name as well, with no copy made.
    using Subkeys = std::map<std::string, std::unique_ptr<RegKey>, std::less<>>;

    std::string name;
    Subkeys subkeys;
    std::vector<RegValue> values;

    RegKey* FindSubkey(std::string_view subkeyName) const;
    // The key a path of subkeys ("A\B") leads to from this one; nullptr when a part is missing.
    RegKey* FindPath(std::string_view subkeyPath) const;
    RegKey& CreateSubkey(const std::string& subkeyName);
    // Taken anew whenever a subkey is added or removed, and never shared by
    // two keys: while it holds, a place found in `subkeys` is still there and
    // still the same number of entries from the first.
    std::uint64_t SubkeysVersion() const { return m_subkeysVersion; }
    RegValue* FindValue(const std::string& valueName);
    const RegValue* FindValue(const std::string& valueName) const;
    void SetValue(const std::string& valueName, DWORD type, std::string data);
    // Removes the values whose places are marked, in one pass, the others kept in order.
    void RemoveValues(const std::vector<bool>& removed);
    bool operator==(const RegKey& other) const;

private:
    // Keys are removed through Registry::Delete alone, which keeps count.
    friend class Registry;
    bool DeleteSubkey(const std::string& subkeyName);

    std::uint64_t m_subkeysVersion = NewSubkeysVersion();
    static std::uint64_t NewSubkeysVersion();
    // Up to this many values are looked through one by one: quicker than an
    // index, which the many keys with a value or two then never need.
    static const std::size_t kValuesLookedThrough = 8;
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
std::string UpperCase(std::string_view text);
// Whether two names are the same by UpperCase.
bool EqualIgnoringCase(std::string_view first, std::string_view second);

// The whole registry: one tree per root ("HKEY_LOCAL_MACHINE", ...).
class Registry {
public:
    Registry();
    Registry(Registry&& other) noexcept;
    Registry& operator=(Registry&& other) noexcept;
    static bool IsRootName(std::string_view rootName);
    RegKey& Root(std::string_view rootName);
    const std::map<std::string, RegKey, std::less<>>& Roots() const { return m_roots; }

    // A path "HKEY_LOCAL_MACHINE\A\B"; nullptr when a part is missing.
    RegKey* Find(std::string_view fullPath);
    RegKey& Create(const std::string& fullPath);
    bool Delete(const std::string& fullPath);

    bool operator==(const Registry& other) const { return m_roots == other.m_roots; }

    // Taken anew whenever a key is removed or the registry is moved, and never
    // shared by two registries: while it holds, a key found in this registry
    // is still there, at the same path.
    std::uint64_t KeysVersion() const { return m_keysVersion; }

private:
    std::map<std::string, RegKey, std::less<>> m_roots;
    std::uint64_t m_keysVersion;
};

// The parts of a key path ("HKEY_LOCAL_MACHINE\A\B"): the names between
// backslashes, empty ones left out.
std::vector<std::string> SplitKeyPath(const std::string& path);

// The same parts one after another, as views into the path (which must
// outlive them): a key is looked for at every registry call, so without a
// list made each time.
class KeyPathParts {
public:
    explicit KeyPathParts(std::string_view path) : m_path(path) {}
    // The next part; false after the last.
    bool Next(std::string_view& part);

private:
    std::string_view m_path;
    std::size_t m_at = 0;
};

// A REG_SZ value's bytes for a text.
std::string StringData(const std::string& text);
// The text of a string value's bytes (up to its first NUL).
std::string DataText(const std::string& data);

}  // namespace machine
