// The disk of the computer the tools run on (not the simulated machine's).
// Every entry is taken as it stands: a symbolic link, junction or other
// reparse point is seen as a link, never as what it points to, so nothing is
// read, written or removed through one.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace machine::host {

enum class EntryKind { kMissing, kFile, kDirectory, kLink, kOther };

// The path made full against the current folder, "." and ".." resolved, as the
// system does it: on Windows a UNC path "\\server\share\x" stays one.
std::filesystem::path FullPath(const std::filesystem::path& path);
// Whether one of two folders lies within the other, or both are the same, as
// the disk resolves them (links followed, and on Windows case ignored).
bool NestedOrSame(const std::filesystem::path& first, const std::filesystem::path& second);
// What stands at the path itself (lstat on Linux, the file attributes on Windows).
EntryKind KindOf(const std::filesystem::path& path);
// Creates a directory that was not there; `existed` tells a name already taken
// (by anything) from a failure.
bool CreateNewDirectory(const std::filesystem::path& path, bool& existed, std::string& problem);
// Writes a file that was not there; an existing name of any kind is refused.
bool WriteNewFile(const std::filesystem::path& path, const std::string& bytes, std::string& problem);
// Removes a file or an empty directory, never what it might point to.
bool RemoveEntry(const std::filesystem::path& path, EntryKind kind, std::string& problem);

// Swaps the names of two entries in one step, where the system can
// (renameat2 with RENAME_EXCHANGE on Linux); `swapped` false, and no problem,
// where it cannot.
bool ExchangeEntries(const std::filesystem::path& first, const std::filesystem::path& second, bool& swapped,
                     std::string& problem);

// One entry met in a walk: its path, its path relative to the folder ('/'
// between names), what it was proven to be, and a file's bytes when asked for.
struct TreeEntry {
    std::filesystem::path path;
    std::string relative;
    EntryKind kind;
    std::string bytes;
};
// Whether the walk goes on after an entry (whose bytes it may take); false
// stops it (the visitor says why).
using TreeVisit = std::function<bool(TreeEntry& entry)>;
// Visits every entry beneath the folder `folder` names (a link there is
// followed: it is the folder asked for), each directory before what it holds.
// Every entry is opened on the handle of its parent without following a link
// and is what that handle proves it to be: where the system opens a link as
// its target (Wine's view of a Unix link), the entry's own name must lead to
// it, else it is a link. Only plain directories are entered. With
// `readFiles`, each plain file's bytes are read through the same handle. A
// device name is refused unopened. Stops at the first entry refused.
bool WalkTree(const std::filesystem::path& folder, bool readFiles, const TreeVisit& visit, std::string& problem);

// Why an entry beneath a folder being removed (its path relative to the
// folder, '/' between names) must stay; "" when it may go.
using RemovalCheck = std::function<std::string(const std::string& relative, EntryKind kind)>;
// Whether the directory `folder` (a link there is not followed: it is no
// directory) and every entry beneath it pass the check, each proven as
// WalkTree proves it; false, with the first entry's reason, when not.
bool CheckTree(const std::filesystem::path& folder, const RemovalCheck& check, std::string& problem);
// Called between an entry's check and its removal; tests swap entries there.
using BeforeRemoval = std::function<void(const std::filesystem::path& path)>;
// Removes the directory `folder` and everything beneath it, each directory
// after what it holds, only when every entry passes the check: the whole
// folder is checked first (CheckTree), and nothing goes when anything in it
// would stay.
// Then every entry is reached through the descriptor (Windows: handle) of its
// parent, opened without following a link and held while its entries go, and
// is checked again on that descriptor before it is removed: an entry swapped
// for a link after its check stops the removal, so nothing outside the folder
// is ever removed.
bool RemoveTree(const std::filesystem::path& folder, const RemovalCheck& check, std::string& problem,
                const BeforeRemoval& beforeRemoval = {});
// Moves the plain directory `name` out of the plain directory `holder` to
// `target`, which must not exist: both are opened as RemoveTree opens them, so
// a link at either name is never followed and nothing else is moved.
bool MoveOut(const std::filesystem::path& holder, const std::string& name, const std::filesystem::path& target,
             std::string& problem);

}  // namespace machine::host
