// The simulated backend: the version resources of the machine's files.
#include <cstdio>
#include <cstring>

#include "sim/SimApi.h"

namespace sim {

namespace {
const char kVersionBlockMagic[4] = {'S', 'I', 'M', 'V'};
}  // namespace

const machine::SimFile* SimApi::FindModuleFile(const std::string& name) const
{
    if (name.find('\\') != std::string::npos || name.find('/') != std::string::npos)
        return m_machine.files.Find(name);
    // A bare name is looked for where the loader looks: the program's directory,
    // then the system and Windows directories.
    std::vector<std::string> directories;
    if (!m_machine.paths.executable.empty())
        directories.push_back(machine::FileSystem::Parent(m_machine.paths.executable));
    directories.push_back(m_machine.paths.system);
    directories.push_back(m_machine.paths.windows);
    for (const std::string& directory : directories) {
        if (const machine::SimFile* file = m_machine.files.Find(directory + "\\" + name))
            return file;
    }
    return nullptr;
}

DWORD SimApi::GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle)
{
    if (lpdwHandle != nullptr)
        *lpdwHandle = 0;
    if (Fails(__func__))
        return 0;
    const machine::SimFile* file = FindModuleFile(MachineText(lptstrFilename));
    if (file == nullptr) {
        m_lastError = ERROR_FILE_NOT_FOUND;
        return 0;
    }
    if (file->version.empty()) {
        m_lastError = ERROR_RESOURCE_TYPE_NOT_FOUND;
        return 0;
    }
    // The system clears the last error on success.
    m_lastError = ERROR_SUCCESS;
    return static_cast<DWORD>(sizeof kVersionBlockMagic + sizeof(VS_FIXEDFILEINFO));
}

BOOL SimApi::GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD, DWORD dwLen, LPVOID lpData)
{
    if (Fails(__func__))
        return FALSE;
    const machine::SimFile* file = FindModuleFile(MachineText(lptstrFilename));
    if (file == nullptr || file->version.empty()) {
        m_lastError = file == nullptr ? ERROR_FILE_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND;
        return FALSE;
    }
    if (dwLen < sizeof kVersionBlockMagic + sizeof(VS_FIXEDFILEINFO)) {
        m_lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    unsigned a = 0, b = 0, c = 0, d = 0;
    std::sscanf(file->version.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d);
    VS_FIXEDFILEINFO info = {};
    info.dwSignature = 0xFEEF04BD;
    info.dwStrucVersion = 0x00010000;
    info.dwFileVersionMS = (a << 16) | (b & 0xFFFF);
    info.dwFileVersionLS = (c << 16) | (d & 0xFFFF);
    info.dwProductVersionMS = info.dwFileVersionMS;
    info.dwProductVersionLS = info.dwFileVersionLS;
    std::memcpy(lpData, kVersionBlockMagic, sizeof kVersionBlockMagic);
    std::memcpy(static_cast<BYTE*>(lpData) + sizeof kVersionBlockMagic, &info, sizeof info);
    return TRUE;
}

BOOL SimApi::VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, PUINT puLen)
{
    if (Fails(__func__))
        return FALSE;
    if (pBlock == nullptr || std::memcmp(pBlock, kVersionBlockMagic, sizeof kVersionBlockMagic) != 0 ||
        lpSubBlock == nullptr || std::strcmp(lpSubBlock, "\\") != 0) {
        *puLen = 0;
        return FALSE;
    }
    *lplpBuffer = const_cast<BYTE*>(static_cast<const BYTE*>(pBlock) + sizeof kVersionBlockMagic);
    *puLen = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}

}  // namespace sim
