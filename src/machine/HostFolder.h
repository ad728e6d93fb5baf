// The disk of the computer the tools run on (not the simulated machine's).
// Every entry is taken as it stands: a symbolic link, junction or other
// reparse point is seen as a link, never as what it points to, so nothing is
// read, written or removed through one.
#pragma once

#include <filesystem>
#include <string>

namespace sim::host {

enum class EntryKind { kMissing, kFile, kDirectory, kLink, kOther };

// The path made full against the current folder, "." and ".." resolved, as the
// system does it: on Windows a UNC path "\\server\share\x" stays one.
std::filesystem::path FullPath(const std::filesystem::path& path);
// What stands at the path itself (lstat on Linux, the file attributes on Windows).
EntryKind KindOf(const std::filesystem::path& path);
// Creates a directory that was not there; `existed` tells a name already taken
// (by anything) from a failure.
bool CreateNewDirectory(const std::filesystem::path& path, bool& existed, std::string& problem);
// Writes a file that was not there; an existing name of any kind is refused.
bool WriteNewFile(const std::filesystem::path& path, const std::string& bytes, std::string& problem);
// Removes a file or an empty directory, never what it might point to.
bool RemoveEntry(const std::filesystem::path& path, EntryKind kind, std::string& problem);

}  // namespace sim::host
