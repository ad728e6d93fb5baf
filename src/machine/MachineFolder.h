// A machine folder: registry.reg, machine.json and files/<drive>/..., read
// into a Machine and written back out in the same form.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "machine/Machine.h"
#include "machine/RegFile.h"

namespace machine {

struct LoadError {
    std::string file;  // relative to the folder, e.g. "machine.json"
    ParseError where;
    std::string Describe() const;
};

using FolderContents = std::map<std::string, std::string>;

// Folders are named in UTF-8 throughout (on Windows too, where a name beyond
// the code page is then taken as it is).
//
// The folder's files by relative path ("registry.reg", "files/C/WINDOWS/...");
// an empty directory is an entry of its own, ending in '/', with no content.
bool ReadFolderContents(const std::string& folder, FolderContents& contents, LoadError& error);
bool LoadMachine(const FolderContents& contents, Machine& machine, LoadError& error);
// True when a machine may be saved into the folder: its parent exists, its
// name leaves room for the save's own names beside it, and it does not exist,
// is empty, or is a machine folder (the plain files registry.reg and
// machine.json, and plain files and directories under files/, no links).
bool CanReplaceFolder(const std::string& folder, std::string& problem);
// CanReplaceFolder, and the save's "<folder>.new" made and removed again: only
// making it proves the disk takes a folder there (not read-only, not a
// system's own), so a run whose machine could not be written is not begun.
bool CanSaveInto(const std::string& folder, std::string& problem);
// What a cut-off save of the folder left, set right: the old machine put back
// when the folder is missing and it waits in "<folder>.old", then
// "<folder>.new" and "<folder>.old" removed, each only when it holds nothing
// but a machine folder's entries. `notes` says what was done; false, with the
// problem, when something else stands there.
bool ClearSaveLeftovers(const std::string& folder, std::vector<std::string>& notes, std::string& problem);
// Why a machine read from `machineFolder` cannot be saved into `folder`:
// one of them, or the save's own "<folder>.new" or "<folder>.old", lies within
// the other or is the same folder; "" when they are apart.
std::string OverlapProblem(const std::string& machineFolder, const std::string& folder);
// Where a machine file lies in its folder: "C:\WINDOWS\hosts" -> "files/C/WINDOWS/hosts",
// its names in UTF-8, as the folder holds them.
std::string FolderPath(const std::string& windowsPath);
// Writes the machine into "<folder>.new", then puts it in the folder's place
// (swapping the two in one step where the system can, else moving the old one
// into "<folder>.old" first) and removes exactly the old machine folder's files
// and directories; on failure the folder is left as it was. A cut at any
// instant leaves the old or the new machine in the folder, or the old one in
// "<folder>.old", where ClearSaveLeftovers puts it back.
bool SaveMachine(const Machine& machine, const std::string& folder, std::string& problem);
// Writes the machine into a folder it creates, touching nothing that was
// there: `folder`, or the first of "<folder>-2", "<folder>-3", ... not yet
// taken. `written` is the folder's full path (UTF-8), `nextName` whether it is
// not `folder`. A path, not a string, so that a folder named beyond the code
// page is written where it was asked for.
bool SaveNewMachine(const Machine& machine, const std::filesystem::path& folder, std::string& written, bool& nextName,
                    std::string& problem);

}  // namespace machine
