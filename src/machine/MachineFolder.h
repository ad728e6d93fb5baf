// A machine folder: registry.reg, machine.json and files/<drive>/..., read
// into a Machine and written back out in the same form.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "machine/Machine.h"
#include "machine/RegFile.h"

namespace sim {

struct LoadError {
    std::string file;  // relative to the folder, e.g. "machine.json"
    ParseError where;
    std::string Describe() const;
};

using FolderContents = std::map<std::string, std::string>;

// The folder's files by relative path ("registry.reg", "files/C/WINDOWS/...");
// an empty directory is an entry of its own, ending in '/', with no content.
bool ReadFolderContents(const std::string& folder, FolderContents& contents, LoadError& error);
bool LoadMachine(const FolderContents& contents, Machine& machine, LoadError& error);
// True when a machine may be saved into the folder: it does not exist, is
// empty, or is a machine folder (the plain files registry.reg and
// machine.json, and plain files and directories under files/, no links).
bool CanReplaceFolder(const std::string& folder, std::string& problem);
// Where a machine file lies in its folder: "C:\WINDOWS\hosts" -> "files/C/WINDOWS/hosts".
std::string FolderPath(const std::string& windowsPath);
// Writes the machine beside the folder, then puts it in the folder's place and
// removes exactly the old machine folder's files and directories; on failure
// the folder is left as it was.
bool SaveMachine(const Machine& machine, const std::string& folder, std::string& problem);
// Writes the machine into a folder it creates, touching nothing that was
// there: `folder`, or the first of "<folder>-2", "<folder>-3", ... not yet
// taken. `written` is the folder's full path (UTF-8), `nextName` whether it is
// not `folder`. A path, not a string, so that a folder named beyond the code
// page is written where it was asked for.
bool SaveNewMachine(const Machine& machine, const std::filesystem::path& folder, std::string& written, bool& nextName,
                    std::string& problem);

}  // namespace sim
