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

// Why an entry beneath a folder being removed (its path relative to the
// folder, '/' between names) must stay; "" when it may go.
using RemovalCheck = std::function<std::string(const std::string& relative, EntryKind kind)>;
// Called between an entry's check and its removal; tests swap entries there.
using BeforeRemoval = std::function<void(const std::filesystem::path& path)>;
// Removes the directory `folder` and everything beneath it, each directory
// after what it holds. Every entry is reached through the directory
// descriptor (Windows: handle) of its parent, opened without following a
// link and held while its entries go, and is checked on that descriptor
// before it is removed: a link is removed as a link, never entered, and an
// entry swapped for a link after its check stops the removal, so nothing
// outside the folder is ever removed. Stops at the first entry refused.
bool RemoveTree(const std::filesystem::path& folder, const RemovalCheck& check, std::string& problem,
                const BeforeRemoval& beforeRemoval = {});

}  // namespace machine::host
