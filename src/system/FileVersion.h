// The file version held in a file's version resource.
#pragma once

#include <string>

#include "platform/WinTypes.h"

struct FileVersion {
    DWORD dwFileVersionMS = 0;  // major (high 16 bits), minor (low 16 bits)
    DWORD dwFileVersionLS = 0;  // build (high 16 bits), revision (low 16 bits)

    // Major, minor, build and revision as one number: comparing two of them
    // compares the four parts in that order, each unsigned.
    unsigned long long Value() const
    {
        return (static_cast<unsigned long long>(dwFileVersionMS) << 32) | dwFileVersionLS;
    }
};

// Reads the fixed version block of the file's version resource; false when the
// file has none or it cannot be read. A bare name is looked up as the loader does.
bool ReadFileVersion(const std::string& path, FileVersion& version);
// The size of the file's version resource, 0 when it has none.
DWORD FileVersionInfoSize(const std::string& path);
// As above, with the resource's size already known.
bool ReadFileVersion(const std::string& path, DWORD size, FileVersion& version);
