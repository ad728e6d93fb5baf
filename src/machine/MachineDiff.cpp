#include "machine/MachineDiff.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string_view>
#include <vector>

#include "machine/NameIndex.h"

namespace machine {

namespace {
std::string TypeName(DWORD type)
{
    switch (type) {
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    default: return "type " + std::to_string(type);
    }
}

std::string Show(const RegValue& value)
{
    if (value.type == REG_SZ || value.type == REG_EXPAND_SZ)
        return "\"" + DataText(value.data) + "\" (" + TypeName(value.type) + ")";
    std::string hex;
    for (char c : value.data) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(c));
        hex += digits;
    }
    return hex + " (" + TypeName(value.type) + ")";
}

// Services by upper-case name (the first of a name), so that comparing two
// lists takes time in proportion to their length; each name upper-cased once.
struct ServicesByName {
    explicit ServicesByName(const std::vector<Service>& services) : services(services)
    {
        upper.reserve(services.size());
        for (const Service& service : services)
            upper.push_back(UpperCase(service.name));
        for (std::size_t i = 0; i < services.size(); ++i)
            first.Add(i, UpperOf{upper});
    }
    const Service* Find(std::string_view upperName) const
    {
        const std::size_t* found = FindIndex(upperName);
        return found ? &services[*found] : nullptr;
    }
    const std::size_t* FindIndex(std::string_view upperName) const { return first.Find(upperName, UpperOf{upper}); }
    struct UpperOf {
        const std::vector<std::string>& upper;
        std::string_view operator()(std::size_t index) const { return upper[index]; }
    };
    const std::vector<Service>& services;
    std::vector<std::string> upper;  // of each service, in the list's order
    NameIndex first;
};

// A service is matched with the first service of its name in the other list.
void CompareServices(const std::vector<Service>& before, const std::vector<Service>& after,
                     std::vector<std::string>& out)
{
    auto compare = [&out](const Service& old, const Service& now) {
        if (old.state != now.state)
            out.push_back("service " + old.name + ": " + old.state + " -> " + now.state);
        if (old.startType != now.startType)
            out.push_back("service " + old.name + " start type: " + old.startType + " -> " + now.startType);
    };
    ServicesByName beforeServices(before);
    // A run mostly leaves the list's names as they stood: then the first of a
    // name in one list stands where the first of it does in the other, and
    // no service came or went, so only one list's names need upper-casing.
    bool sameNames = before.size() == after.size() &&
                     std::equal(before.begin(), before.end(), after.begin(),
                                [](const Service& a, const Service& b) { return a.name == b.name; });
    if (sameNames) {
        for (std::size_t i = 0; i < before.size(); ++i)
            compare(before[i], after[*beforeServices.FindIndex(beforeServices.upper[i])]);
        return;
    }
    ServicesByName afterServices(after);
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (const Service* now = afterServices.Find(beforeServices.upper[i]))
            compare(before[i], *now);
        else
            out.push_back("service removed: " + before[i].name);
    }
    for (std::size_t i = 0; i < after.size(); ++i) {
        const Service& now = after[i];
        if (beforeServices.Find(afterServices.upper[i]) == nullptr)
            out.push_back("service added: " + now.name + " (" + now.state + ", start type " + now.startType + ")");
    }
}

std::string ValueName(const std::string& name)
{
    return name.empty() ? "(Default)" : name;
}

// Each value is found by name in the other key (RegKey::FindValue finds the
// first of a name, through the key's index when it has many): comparing two
// keys takes time in proportion to their values.
void CompareValues(const RegKey& before, const RegKey& after, const std::string& path, std::vector<std::string>& out)
{
    for (const RegValue& old : before.values) {
        const RegValue* now = after.FindValue(old.name);
        if (now == nullptr)
            out.push_back("registry value removed: " + path + " [" + ValueName(old.name) + "]");
        else if (now->type != old.type || now->data != old.data)
            out.push_back("registry value changed: " + path + " [" + ValueName(old.name) + "] " + Show(old) + " -> " +
                          Show(*now));
    }
    for (const RegValue& now : after.values) {
        if (before.FindValue(now.name) == nullptr)
            out.push_back("registry value added: " + path + " [" + ValueName(now.name) + "] " + Show(now));
    }
}

// Walks both trees with a stack of its own rather than by recursion, so a
// deeply nested registry cannot exhaust the thread's stack.
void CompareKeys(const RegKey& beforeRoot, const RegKey& afterRoot, const std::string& rootPath,
                 std::vector<std::string>& out)
{
    struct Pair {
        const RegKey* before;
        const RegKey* after;
        std::string path;
    };
    std::vector<Pair> pending = {{&beforeRoot, &afterRoot, rootPath}};
    while (!pending.empty()) {
        Pair pair = std::move(pending.back());
        pending.pop_back();
        if (pair.before == nullptr) {
            out.push_back("registry key added: " + pair.path);
            continue;
        }
        if (pair.after == nullptr) {
            out.push_back("registry key removed: " + pair.path);
            continue;
        }
        CompareValues(*pair.before, *pair.after, pair.path, out);
        // Pushed in reverse so that keys come out in name order, the removed and
        // kept ones first, then the added ones, as a depth-first walk gives them.
        // Both lists are in the order of their upper-case names: one walk
        // through the two pairs them.
        std::vector<Pair> children, added;
        auto theirs = pair.after->subkeys.begin();
        const auto theirsEnd = pair.after->subkeys.end();
        for (const auto& entry : pair.before->subkeys) {
            for (; theirs != theirsEnd && theirs->first < entry.first; ++theirs)
                added.push_back({nullptr, theirs->second.get(), pair.path + "\\" + theirs->second->name});
            const RegKey* now = nullptr;
            if (theirs != theirsEnd && theirs->first == entry.first)
                now = (theirs++)->second.get();
            children.push_back({entry.second.get(), now, pair.path + "\\" + entry.second->name});
        }
        for (; theirs != theirsEnd; ++theirs)
            added.push_back({nullptr, theirs->second.get(), pair.path + "\\" + theirs->second->name});
        children.insert(children.end(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
        pending.insert(pending.end(), std::make_move_iterator(children.rbegin()), std::make_move_iterator(children.rend()));
    }
}
}  // namespace

std::vector<std::string> DescribeChanges(const Machine& before, const Machine& after)
{
    std::vector<std::string> out;
    for (const auto& root : before.registry.Roots()) {
        CompareKeys(root.second, after.registry.Roots().at(root.first), root.first, out);
    }
    // Both machines hold their files in the order of their keys: one walk
    // down both finds each file's counterpart, the files added on the way.
    const auto& afterFiles = after.files.Files();
    auto next = afterFiles.begin();
    std::vector<std::string> added;
    for (const auto& entry : before.files.Files()) {
        for (; next != afterFiles.end() && next->first < entry.first; ++next)
            added.push_back("file added: " + next->second.path);
        if (next == afterFiles.end() || next->first != entry.first) {
            out.push_back("file removed: " + entry.second.path);
            continue;
        }
        const SimFile& file = (next++)->second;
        if (file.bytes != entry.second.bytes || file.version != entry.second.version)
            out.push_back("file changed: " + entry.second.path);
        else if (file.attributes != entry.second.attributes)
            out.push_back("file attributes changed: " + entry.second.path);
    }
    for (; next != afterFiles.end(); ++next)
        added.push_back("file added: " + next->second.path);
    out.insert(out.end(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    for (std::size_t i = before.pendingRenames.size(); i < after.pendingRenames.size(); ++i) {
        const PendingRename& rename = after.pendingRenames[i];
        out.push_back("file move scheduled for the next restart: " + rename.from + " -> " +
                      (rename.to.empty() ? std::string("(deleted)") : rename.to));
    }
    CompareServices(before.services, after.services, out);
    return out;
}

}  // namespace machine
