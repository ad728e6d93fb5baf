#include "system/FileVersion.h"

#include <vector>

#include "platform/WinApi.h"

namespace {
const char kRootBlock[] = "\\";
}

DWORD FileVersionInfoSize(const std::string& path)
{
    DWORD handle = 0;
    return Win().GetFileVersionInfoSizeA(path.c_str(), &handle);
}

bool ReadFileVersion(const std::string& path, FileVersion& version)
{
    DWORD size = FileVersionInfoSize(path);
    return size != 0 && ReadFileVersion(path, size, version);
}

bool ReadFileVersion(const std::string& path, DWORD size, FileVersion& version)
{
    std::vector<BYTE> block(size);
    if (!Win().GetFileVersionInfoA(path.c_str(), 0, size, block.data()))
        return false;
    LPVOID fixed = nullptr;
    UINT fixedLength = 0;
    if (!Win().VerQueryValueA(block.data(), kRootBlock, &fixed, &fixedLength) || fixed == nullptr ||
        fixedLength < sizeof(VS_FIXEDFILEINFO))
        return false;
    const VS_FIXEDFILEINFO* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    version.dwFileVersionMS = info->dwFileVersionMS;
    version.dwFileVersionLS = info->dwFileVersionLS;
    return true;
}
