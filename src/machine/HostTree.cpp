// Walking, removing and moving folders of the host disk, entry by entry
// through the handles of HeldEntry.h.
#include <utility>
#include <vector>

#include "machine/HeldEntry.h"
#include "machine/HostFolder.h"
#include "machine/WindowsNames.h"

namespace machine::host {

namespace fs = std::filesystem;

namespace {
std::string Joined(const std::string& relative, const std::string& name)
{
    return relative.empty() ? name : relative + "/" + name;
}

// Windows would open the device, and wait on it: such a name is refused unopened.
bool RefuseDevice(const std::string& relative, const std::string& name, std::string& problem)
{
    std::string device = DeviceNameProblem(name);
    if (!device.empty())
        problem = relative + ": " + device;
    return !device.empty();
}

bool WalkHeld(const HeldEntry& directory, const fs::path& path, const std::string& relative, Purpose purpose,
              const TreeVisit& visit, std::string& problem)
{
    std::vector<Listed> names;
    if (!directory.Names(names, path, problem))
        return false;
    for (const Listed& listed : names) {
        fs::path entryPath = path / listed.name;
        std::string name = fs::path(listed.name).u8string();
        TreeEntry entry{entryPath, Joined(relative, name), EntryKind::kOther, std::string()};
        if (RefuseDevice(entry.relative, name, problem))
            return false;
        HeldEntry child;
        if (!directory.OpenChild(listed, purpose, entryPath, child, problem))
            return false;
        entry.kind = child.Kind();
        if (purpose == Purpose::kRead && entry.kind == EntryKind::kFile && !child.ReadAll(entry.bytes, entryPath, problem))
            return false;
        if (!visit(entry))
            return false;
        if (entry.kind == EntryKind::kDirectory && !WalkHeld(child, entryPath, entry.relative, purpose, visit, problem))
            return false;
    }
    return true;
}

// The folder itself, opened on its parent without following a link there.
bool OpenItself(const fs::path& folder, Purpose purpose, HeldEntry& parent, HeldEntry& opened, std::string& problem)
{
    fs::path above = folder.has_parent_path() ? folder.parent_path() : fs::path(".");
    return HeldEntry::OpenFollowing(above, parent, problem) &&
           parent.OpenChild({folder.filename().native(), false}, purpose, folder, opened, problem);
}

bool IsPlainDirectory(const fs::path& folder, const HeldEntry& opened, std::string& problem)
{
    if (opened.Kind() != EntryKind::kDirectory)
        problem = folder.u8string() + " is not a plain directory";
    return opened.Kind() == EntryKind::kDirectory;
}

// Removes what the held directory holds, each entry checked on the handle it
// is removed through.
bool RemoveContents(const HeldEntry& directory, const fs::path& path, const std::string& relative,
                    const RemovalCheck& check, const BeforeRemoval& beforeRemoval, std::string& problem)
{
    std::vector<Listed> names;
    if (!directory.Names(names, path, problem))
        return false;
    for (const Listed& listed : names) {
        fs::path entryPath = path / listed.name;
        std::string name = fs::path(listed.name).u8string();
        std::string entryRelative = Joined(relative, name);
        if (RefuseDevice(entryRelative, name, problem))
            return false;
        if (beforeRemoval)
            beforeRemoval(entryPath);
        HeldEntry child;
        if (!directory.OpenChild(listed, Purpose::kRemove, entryPath, child, problem))
            return false;
        problem = check(entryRelative, child.Kind());
        if (!problem.empty())
            return false;
        if (child.Kind() == EntryKind::kDirectory &&
            !RemoveContents(child, entryPath, entryRelative, check, beforeRemoval, problem))
            return false;
        if (!directory.Remove(listed.name, child, entryPath, problem))
            return false;
    }
    return true;
}
}  // namespace

bool WalkTree(const fs::path& folder, bool readFiles, const TreeVisit& visit, std::string& problem)
{
    HeldEntry root;
    return HeldEntry::OpenFollowing(folder, root, problem) &&
           WalkHeld(root, folder, std::string(), readFiles ? Purpose::kRead : Purpose::kList, visit, problem);
}

bool CheckTree(const fs::path& folder, const RemovalCheck& check, std::string& problem)
{
    HeldEntry parent, root;
    if (!OpenItself(folder, Purpose::kList, parent, root, problem) || !IsPlainDirectory(folder, root, problem))
        return false;
    auto passes = [&](TreeEntry& entry) {
        problem = check(entry.relative, entry.kind);
        return problem.empty();
    };
    return WalkHeld(root, folder, std::string(), Purpose::kList, passes, problem);
}

bool RemoveTree(const fs::path& folder, const RemovalCheck& check, std::string& problem,
                const BeforeRemoval& beforeRemoval)
{
    // The whole folder first: a folder with anything in it that must stay
    // loses nothing, whatever order its entries are listed in.
    if (!CheckTree(folder, check, problem))
        return false;
    HeldEntry parent, root;
    if (!OpenItself(folder, Purpose::kRemove, parent, root, problem) || !IsPlainDirectory(folder, root, problem) ||
        !RemoveContents(root, folder, std::string(), check, beforeRemoval, problem))
        return false;
    if (beforeRemoval)
        beforeRemoval(folder);
    return parent.Remove(folder.filename().native(), root, folder, problem);
}

bool MoveOut(const fs::path& holder, const std::string& name, const fs::path& target, std::string& problem)
{
    HeldEntry parent, held, moved;
    fs::path path = holder / fs::u8path(name);
    if (!OpenItself(holder, Purpose::kList, parent, held, problem) || !IsPlainDirectory(holder, held, problem) ||
        !held.OpenChild({path.filename().native(), false}, Purpose::kRemove, path, moved, problem) ||
        !IsPlainDirectory(path, moved, problem))
        return false;
    return held.MoveChild(path.filename().native(), moved, target, path, problem);
}

}  // namespace machine::host
