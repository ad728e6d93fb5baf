// A machine folder: registry.reg, machine.json and files/<drive>/..., read
// into a Machine and written back out in the same form.
#pragma once

#include <map>
#include <string>

#include "platform/sim/Machine.h"
#include "platform/sim/RegFile.h"

namespace sim {

struct LoadError {
    std::string file;  // relative to the folder, e.g. "machine.json"
    ParseError where;
    std::string Describe() const;
};

// The folder's files by relative path ("registry.reg", "files/C/WINDOWS/...").
using FolderContents = std::map<std::string, std::string>;

bool ReadFolderContents(const std::string& folder, FolderContents& contents, LoadError& error);
bool LoadMachine(const FolderContents& contents, Machine& machine, LoadError& error);
bool SaveMachine(const Machine& machine, const std::string& folder, std::string& problem);

}  // namespace sim
