#include "machine/MachineDiff.h"

#include <cstdio>
#include <unordered_map>

#include "log/UndoFile.h"
#include "machine/RegFile.h"

namespace sim {

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

const char kServicesKey[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services";
const char* const kStartTypes[] = {"boot", "system", "auto", "demand", "disabled"};  // by the Start value
const char kCopyLinePrefix[] = "; copy /y \"";
const char kCopyLineMiddle[] = "\" \"";

// The "Start" values of the services' keys, as the service manager reads them.
void TakeStartTypes(Machine& machine, bool servicesKeyExisted)
{
    for (Service& service : machine.services) {
        RegKey* key = machine.registry.Find(std::string(kServicesKey) + "\\" + service.name);
        const RegValue* start = key == nullptr ? nullptr : key->FindValue("Start");
        if (start != nullptr && start->type == REG_DWORD && start->data.size() == 4 &&
            static_cast<unsigned char>(start->data[0]) < 5 && start->data.substr(1) == std::string(3, '\0'))
            service.startType = kStartTypes[static_cast<unsigned char>(start->data[0])];
    }
    if (!servicesKeyExisted)
        machine.registry.Delete(kServicesKey);
}

// The file's lines, its UTF-16LE text narrowed to the machine's 8-bit text.
std::vector<std::string> UndoLines(const std::string& bytes)
{
    std::vector<std::string> lines(1);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        char c = bytes[i + 1] == '\0' ? bytes[i] : '?';
        if (c == '\n')
            lines.emplace_back();
        else if (c != '\r')
            lines.back() += c;
    }
    return lines;
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

const Service* FindServiceByName(const std::vector<Service>& services, const std::string& name)
{
    for (const Service& service : services) {
        if (UpperCase(service.name) == UpperCase(name))
            return &service;
    }
    return nullptr;
}

std::string ValueName(const std::string& name)
{
    return name.empty() ? "(Default)" : name;
}

// A key's values by upper-case name, so that comparing two keys takes time
// in proportion to their values.
std::unordered_map<std::string, const RegValue*> ValuesByName(const RegKey& key)
{
    std::unordered_map<std::string, const RegValue*> byName;
    for (const RegValue& value : key.values)
        byName.emplace(UpperCase(value.name), &value);
    return byName;
}

void CompareValues(const RegKey& before, const RegKey& after, const std::string& path, std::vector<std::string>& out)
{
    auto beforeByName = ValuesByName(before);
    auto afterByName = ValuesByName(after);
    for (const RegValue& old : before.values) {
        auto now = afterByName.find(UpperCase(old.name));
        if (now == afterByName.end())
            out.push_back("registry value removed: " + path + " [" + ValueName(old.name) + "]");
        else if (now->second->type != old.type || now->second->data != old.data)
            out.push_back("registry value changed: " + path + " [" + ValueName(old.name) + "] " + Show(old) + " -> " +
                          Show(*now->second));
    }
    for (const RegValue& now : after.values) {
        if (beforeByName.count(UpperCase(now.name)) == 0)
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
        std::vector<Pair> children;
        for (const auto& entry : pair.before->subkeys)
            children.push_back({entry.second.get(), pair.after->FindSubkey(entry.second->name),
                                pair.path + "\\" + entry.second->name});
        for (const auto& entry : pair.after->subkeys) {
            if (pair.before->FindSubkey(entry.second->name) == nullptr)
                children.push_back({nullptr, entry.second.get(), pair.path + "\\" + entry.second->name});
        }
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
    for (const auto& entry : before.files.Files()) {
        const SimFile* now = after.files.Find(entry.second.path);
        if (now == nullptr)
            out.push_back("file removed: " + entry.second.path);
        else if (now->bytes != entry.second.bytes || now->version != entry.second.version)
            out.push_back("file changed: " + entry.second.path);
        else if (now->attributes != entry.second.attributes)
            out.push_back("file attributes changed: " + entry.second.path);
    }
    for (const auto& entry : after.files.Files()) {
        if (before.files.Find(entry.second.path) == nullptr)
            out.push_back("file added: " + entry.second.path);
    }
    for (std::size_t i = before.pendingRenames.size(); i < after.pendingRenames.size(); ++i) {
        const PendingRename& rename = after.pendingRenames[i];
        out.push_back("file move scheduled for the next restart: " + rename.from + " -> " +
                      (rename.to.empty() ? std::string("(deleted)") : rename.to));
    }
    for (const Service& old : before.services) {
        const Service* now = FindServiceByName(after.services, old.name);
        if (now == nullptr) {
            out.push_back("service removed: " + old.name);
            continue;
        }
        if (old.state != now->state)
            out.push_back("service " + old.name + ": " + old.state + " -> " + now->state);
        if (old.startType != now->startType)
            out.push_back("service " + old.name + " start type: " + old.startType + " -> " + now->startType);
    }
    for (const Service& now : after.services) {
        if (FindServiceByName(before.services, now.name) == nullptr)
            out.push_back("service added: " + now.name + " (" + now.state + ", start type " + now.startType + ")");
    }
    return out;
}

std::vector<std::string> NewUndoFiles(const Machine& before, const Machine& after)
{
    std::vector<std::string> undoFiles;
    for (const auto& entry : after.files.Files()) {
        const std::string& path = entry.second.path;
        std::string name = path.substr(path.rfind('\\') + 1);
        if (UndoFile::IsUndoFileName(name) && before.files.Find(path) == nullptr)
            undoFiles.push_back(path);
    }
    return undoFiles;
}

bool ApplyUndoFile(Machine& machine, const std::string& undoPath, std::string& problem)
{
    const SimFile* undo = machine.files.Find(undoPath);
    if (undo == nullptr) {
        problem = "no undo file " + undoPath;
        return false;
    }
    std::string bytes = undo->bytes;
    bool servicesKeyExisted = machine.registry.Find(kServicesKey) != nullptr;
    ParseError error;
    if (!ReadRegFile(bytes, machine.registry, error)) {
        problem = "undo file unreadable, line " + std::to_string(error.line) + ": " + error.message;
        return false;
    }
    TakeStartTypes(machine, servicesKeyExisted);
    for (const std::string& line : UndoLines(bytes)) {
        std::size_t middle = line.find(kCopyLineMiddle);
        if (line.compare(0, sizeof kCopyLinePrefix - 1, kCopyLinePrefix) != 0 || middle == std::string::npos ||
            line.back() != '"')
            continue;
        std::string from = line.substr(sizeof kCopyLinePrefix - 1, middle - (sizeof kCopyLinePrefix - 1));
        std::string to = line.substr(middle + sizeof kCopyLineMiddle - 1);
        to.pop_back();
        const SimFile* source = machine.files.Find(from);
        if (source == nullptr) {
            problem = "the undo file's copy " + from + " is missing";
            return false;
        }
        // copy /y: the file as the copy holds it, its version resource and attributes with it.
        SimFile copied = *source;
        SimFile& target = machine.files.Write(to, copied.bytes);
        target.attributes = copied.attributes;
        target.version = copied.version;
    }
    return true;
}

}  // namespace sim
