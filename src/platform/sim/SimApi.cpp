// The simulated backend: errors, system information, security, kernel objects,
// files and version resources. Registry and windows have files of their own.
#include "platform/sim/SimApi.h"

#include <algorithm>
#include <cstring>

#include "platform/sim/SystemMessages.h"
#include "platform/sim/Time.h"

namespace sim {

namespace {
const DWORD kVersionInfoSize = 148;
const DWORD kVersionInfoExSize = 156;
const char kVersionBlockMagic[4] = {'S', 'I', 'M', 'V'};
const BYTE kSidRevision = 1;

// A security identifier laid out as Windows lays it out.
std::vector<BYTE> MakeSid(const BYTE authority[6], std::initializer_list<DWORD> subAuthorities)
{
    std::vector<BYTE> sid(8 + 4 * subAuthorities.size());
    sid[0] = kSidRevision;
    sid[1] = static_cast<BYTE>(subAuthorities.size());
    std::memcpy(&sid[2], authority, 6);
    std::size_t offset = 8;
    for (DWORD sub : subAuthorities) {
        std::memcpy(&sid[offset], &sub, 4);
        offset += 4;
    }
    return sid;
}

std::size_t SidLength(PSID sid)
{
    return 8 + 4 * static_cast<std::size_t>(static_cast<const BYTE*>(sid)[1]);
}

struct TokenGroup {
    std::vector<BYTE> sid;
    DWORD attributes;
};

std::vector<TokenGroup> GroupsOf(const std::string& tokenKind)
{
    const BYTE world[6] = {0, 0, 0, 0, 0, 1};
    const BYTE nt[6] = {0, 0, 0, 0, 0, 5};
    const DWORD enabled = SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED;
    std::vector<TokenGroup> groups;
    if (tokenKind == "no-groups")
        return groups;
    groups.push_back({MakeSid(world, {0}), enabled});
    if (tokenKind == "admin")
        groups.push_back({MakeSid(nt, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}), enabled});
    if (tokenKind == "admin-deny-only")
        groups.push_back({MakeSid(nt, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}),
                          SE_GROUP_USE_FOR_DENY_ONLY});
    groups.push_back({MakeSid(nt, {SECURITY_BUILTIN_DOMAIN_RID, 545}), enabled});
    return groups;
}

std::size_t CopyText(const std::string& text, LPSTR buffer, std::size_t size)
{
    if (buffer == nullptr || size == 0)
        return 0;
    std::size_t count = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return count;
}

bool Conflicts(DWORD access, DWORD share, DWORD otherAccess, DWORD otherShare)
{
    bool readBlocked = (access & GENERIC_READ) && !(otherShare & FILE_SHARE_READ);
    bool writeBlocked = (access & GENERIC_WRITE) && !(otherShare & FILE_SHARE_WRITE);
    bool otherReadBlocked = (otherAccess & GENERIC_READ) && !(share & FILE_SHARE_READ);
    bool otherWriteBlocked = (otherAccess & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE);
    bool deleteBlocked = (access & DELETE) && !(otherShare & FILE_SHARE_DELETE);
    return readBlocked || writeBlocked || otherReadBlocked || otherWriteBlocked || deleteBlocked;
}
}  // namespace

SimApi::SimApi(Machine& machine) : m_machine(machine)
{
    m_machine.files.MakeDirectory(m_machine.paths.windows);
    m_machine.files.MakeDirectory(m_machine.paths.system);
    m_machine.files.MakeDirectory(m_machine.paths.temp);
    if (!m_machine.paths.executable.empty())
        m_machine.files.MakeDirectory(FileSystem::Parent(m_machine.paths.executable));
}

SimApi::~SimApi()
{
    for (void* allocation : m_allocations)
        delete[] static_cast<BYTE*>(allocation);
}

bool SimApi::Fails(const char* operation)
{
    int call = ++m_callCounts[operation];
    // Releases are made by destructors, which must not throw: the cut comes
    // at the next call after them.
    bool releases = std::strcmp(operation, "CloseServiceHandle") == 0 || std::strcmp(operation, "fclose") == 0 ||
                    std::strcmp(operation, "WSACleanup") == 0;
    if (++m_totalCalls >= stopAtCall && stopAtCall != 0 && !m_bStopped && !releases) {
        m_bStopped = true;
        throw ProcessStopped{};
    }
    for (const Fault& fault : m_machine.faults) {
        if (fault.operation == operation && fault.call == call) {
            m_lastError = fault.error;
            return true;
        }
    }
    return false;
}

int SimApi::CallCount(const std::string& operation) const
{
    auto found = m_callCounts.find(operation);
    return found == m_callCounts.end() ? 0 : found->second;
}

std::vector<std::string> SimApi::DebugOutput() const
{
    std::vector<std::string> lines;
    for (const TranscriptEntry& entry : m_transcript) {
        if (entry.kind == TranscriptEntry::kDebugOutput)
            lines.push_back(entry.text);
    }
    return lines;
}

std::vector<StartedProcess> SimApi::StartedProcesses() const
{
    std::vector<StartedProcess> processes;
    for (const TranscriptEntry& entry : m_transcript) {
        if (entry.kind == TranscriptEntry::kProcessStarted)
            processes.push_back(entry.process);
    }
    return processes;
}

std::vector<ShownMessageBox> SimApi::MessageBoxes() const
{
    std::vector<ShownMessageBox> boxes;
    for (const TranscriptEntry& entry : m_transcript) {
        if (entry.kind == TranscriptEntry::kMessageBox)
            boxes.push_back(entry.box);
    }
    return boxes;
}

// Errors and debugger output

DWORD SimApi::GetLastError()
{
    return m_lastError;
}

void SimApi::SetLastError(DWORD dwErrCode)
{
    m_lastError = dwErrCode;
}

DWORD SimApi::FormatMessageA(DWORD dwFlags, LPCVOID, DWORD dwMessageId, DWORD, LPSTR lpBuffer, DWORD nSize,
                             va_list*)
{
    const char* text = SystemMessageText(dwMessageId);
    if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || text == nullptr || Fails("FormatMessageA")) {
        if (text == nullptr || !(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM))
            m_lastError = ERROR_MR_MID_NOT_FOUND;
        return 0;
    }
    std::size_t length = std::strlen(text);
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        char* allocated = reinterpret_cast<char*>(new BYTE[length + 1]);
        std::memcpy(allocated, text, length + 1);
        m_allocations.insert(allocated);
        *reinterpret_cast<LPSTR*>(lpBuffer) = allocated;
        return static_cast<DWORD>(length);
    }
    if (nSize <= length) {
        m_lastError = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    return static_cast<DWORD>(CopyText(text, lpBuffer, nSize));
}

HLOCAL SimApi::LocalFree(HLOCAL hMem)
{
    if (hMem != nullptr && m_allocations.erase(hMem) > 0)
        delete[] reinterpret_cast<BYTE*>(hMem);
    return nullptr;
}

void SimApi::OutputDebugStringA(LPCSTR lpOutputString)
{
    m_transcript.push_back({TranscriptEntry::kDebugOutput, lpOutputString ? lpOutputString : "", {}, {}});
}

// System information, time

BOOL SimApi::GetVersionExA(LPOSVERSIONINFOA info)
{
    if (Fails("GetVersionExA"))
        return FALSE;
    if (info == nullptr ||
        (info->dwOSVersionInfoSize != kVersionInfoSize && info->dwOSVersionInfoSize != kVersionInfoExSize)) {
        m_lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    if (m_machine.os.queryFails) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    info->dwMajorVersion = m_machine.os.major;
    info->dwMinorVersion = m_machine.os.minor;
    info->dwBuildNumber = m_machine.os.build;
    info->dwPlatformId = m_machine.os.platform;
    CopyText(m_machine.os.servicePack, info->szCSDVersion, sizeof info->szCSDVersion);
    return TRUE;
}

void SimApi::GetLocalTime(LPSYSTEMTIME lpSystemTime)
{
    *lpSystemTime = AddMilliseconds(m_machine.startTime, m_elapsedMs);
}

void SimApi::Sleep(DWORD dwMilliseconds)
{
    m_sleeps.push_back(dwMilliseconds);
    m_elapsedMs += dwMilliseconds;
}

DWORD SimApi::GetModuleFileNameA(HMODULE, LPSTR lpFilename, DWORD nSize)
{
    if (Fails("GetModuleFileNameA")) {
        CopyText(std::string(), lpFilename, nSize);
        return 0;
    }
    const std::string& path = m_machine.paths.executable;
    std::size_t copied = CopyText(path, lpFilename, nSize);
    if (copied < path.size()) {
        m_lastError = ERROR_INSUFFICIENT_BUFFER;
        return nSize;
    }
    return static_cast<DWORD>(copied);
}

DWORD SimApi::GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer)
{
    if (Fails("GetTempPathA"))
        return 0;
    std::string path = m_machine.paths.temp;
    if (path.empty() || path.back() != '\\')
        path += '\\';
    if (nBufferLength <= path.size())
        return static_cast<DWORD>(path.size() + 1);
    return static_cast<DWORD>(CopyText(path, lpBuffer, nBufferLength));
}

// Security

HANDLE SimApi::GetCurrentThread()
{
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2));
}

HANDLE SimApi::GetCurrentProcess()
{
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
}

BOOL SimApi::OpenThreadToken(HANDLE, DWORD DesiredAccess, BOOL, PHANDLE TokenHandle)
{
    if (Fails("OpenThreadToken"))
        return FALSE;
    const std::string& kind = m_machine.tokens.thread;
    if (kind == "none") {
        m_lastError = ERROR_NO_TOKEN;
        return FALSE;
    }
    if (kind == "denied") {
        m_lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    HANDLE token = reinterpret_cast<HANDLE>(m_nextHandle++);
    m_handles[token] = OpenObject{OpenObject::kToken, kind, DesiredAccess, 0, 0};
    *TokenHandle = token;
    return TRUE;
}

BOOL SimApi::OpenProcessToken(HANDLE, DWORD DesiredAccess, PHANDLE TokenHandle)
{
    if (Fails("OpenProcessToken"))
        return FALSE;
    const std::string& kind = m_machine.tokens.process;
    if (kind == "none" || kind == "denied") {
        m_lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    HANDLE token = reinterpret_cast<HANDLE>(m_nextHandle++);
    m_handles[token] = OpenObject{OpenObject::kToken, kind, DesiredAccess, 0, 0};
    *TokenHandle = token;
    return TRUE;
}

BOOL SimApi::GetTokenInformation(HANDLE TokenHandle, TOKEN_INFORMATION_CLASS TokenInformationClass,
                                 LPVOID TokenInformation, DWORD TokenInformationLength, PDWORD ReturnLength)
{
    if (Fails("GetTokenInformation"))
        return FALSE;
    auto found = m_handles.find(TokenHandle);
    if (found == m_handles.end() || found->second.kind != OpenObject::kToken) {
        m_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (TokenInformationClass != TokenGroups) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    std::vector<TokenGroup> groups = GroupsOf(found->second.name);
    std::size_t header = offsetof(TOKEN_GROUPS, Groups) + sizeof(SID_AND_ATTRIBUTES) * std::max<std::size_t>(groups.size(), 1);
    std::size_t needed = header;
    for (const TokenGroup& group : groups)
        needed += group.sid.size();
    *ReturnLength = static_cast<DWORD>(needed);
    if (TokenInformation == nullptr || TokenInformationLength < needed) {
        m_lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    BYTE* base = static_cast<BYTE*>(TokenInformation);
    TOKEN_GROUPS* list = static_cast<TOKEN_GROUPS*>(TokenInformation);
    list->GroupCount = static_cast<DWORD>(groups.size());
    SID_AND_ATTRIBUTES* entries = list->Groups;
    std::size_t offset = header;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        std::memcpy(base + offset, groups[i].sid.data(), groups[i].sid.size());
        entries[i].Sid = base + offset;
        entries[i].Attributes = groups[i].attributes;
        offset += groups[i].sid.size();
    }
    return TRUE;
}

BOOL SimApi::AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY pIdentifierAuthority, BYTE nSubAuthorityCount,
                                      DWORD s0, DWORD s1, DWORD s2, DWORD s3, DWORD s4, DWORD s5, DWORD s6, DWORD s7,
                                      PSID* pSid)
{
    if (Fails("AllocateAndInitializeSid"))
        return FALSE;
    if (nSubAuthorityCount == 0 || nSubAuthorityCount > 8) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    const DWORD all[8] = {s0, s1, s2, s3, s4, s5, s6, s7};
    std::vector<BYTE> bytes = MakeSid(pIdentifierAuthority->Value, {});
    bytes[1] = nSubAuthorityCount;
    bytes.resize(8 + 4 * nSubAuthorityCount);
    std::memcpy(&bytes[8], all, 4 * nSubAuthorityCount);
    BYTE* sid = new BYTE[bytes.size()];
    std::memcpy(sid, bytes.data(), bytes.size());
    m_allocations.insert(sid);
    *pSid = sid;
    return TRUE;
}

BOOL SimApi::EqualSid(PSID pSid1, PSID pSid2)
{
    std::size_t length = SidLength(pSid1);
    return length == SidLength(pSid2) && std::memcmp(pSid1, pSid2, length) == 0;
}

LPVOID SimApi::FreeSid(PSID pSid)
{
    if (pSid != nullptr && m_allocations.erase(pSid) > 0)
        delete[] static_cast<BYTE*>(pSid);
    return nullptr;
}

// Kernel objects and files

HANDLE SimApi::CreateFileMappingA(HANDLE, LPSECURITY_ATTRIBUTES, DWORD, DWORD, DWORD, LPCSTR lpName)
{
    if (Fails("CreateFileMappingA"))
        return nullptr;
    std::string name = lpName ? lpName : "";
    bool exists = m_machine.namedObjects.count(name) > 0 ||
                  std::any_of(m_handles.begin(), m_handles.end(), [&](const auto& entry) {
                      return entry.second.kind == OpenObject::kMapping && entry.second.name == name;
                  });
    HANDLE mapping = reinterpret_cast<HANDLE>(m_nextHandle++);
    m_handles[mapping] = OpenObject{OpenObject::kMapping, name, 0, 0, 0};
    m_lastError = exists && !name.empty() ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
    return mapping;
}

BOOL SimApi::CloseHandle(HANDLE hObject)
{
    auto found = m_handles.find(hObject);
    // Streams are closed with fclose, service handles with CloseServiceHandle.
    if (found == m_handles.end() || found->second.kind == OpenObject::kStream ||
        found->second.kind == OpenObject::kServiceManager || found->second.kind == OpenObject::kService) {
        m_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    m_handles.erase(found);
    return TRUE;
}

bool SimApi::SharingConflict(const std::string& key, DWORD access, DWORD share) const
{
    for (const HeldFile& held : m_machine.heldFiles) {
        if (FileSystem::Key(held.path) == key && Conflicts(access, share, held.access, held.share))
            return true;
    }
    return std::any_of(m_handles.begin(), m_handles.end(), [&](const auto& entry) {
        const OpenObject& other = entry.second;
        return (other.kind == OpenObject::kFile || other.kind == OpenObject::kStream) && other.name == key &&
               Conflicts(access, share, other.access, other.share);
    });
}

bool SimApi::HeldWithoutDeleteSharing(const std::string& key) const
{
    for (const HeldFile& held : m_machine.heldFiles) {
        if (FileSystem::Key(held.path) == key && !(held.share & FILE_SHARE_DELETE))
            return true;
    }
    return std::any_of(m_handles.begin(), m_handles.end(), [&](const auto& entry) {
        const OpenObject& other = entry.second;
        return (other.kind == OpenObject::kFile || other.kind == OpenObject::kStream) && other.name == key &&
               !(other.share & FILE_SHARE_DELETE);
    });
}

DWORD SimApi::MissingFileError(const std::string& path) const
{
    return m_machine.files.DirectoryExists(FileSystem::Parent(path)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

HANDLE SimApi::CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                           DWORD dwCreationDisposition, DWORD, HANDLE)
{
    if (Fails("CreateFileA"))
        return INVALID_HANDLE_VALUE;
    std::string path = lpFileName ? lpFileName : "";
    if (path.empty() || !m_machine.files.DirectoryExists(FileSystem::Parent(path))) {
        m_lastError = path.empty() ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    if (m_machine.files.DirectoryExists(path)) {
        m_lastError = ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    std::string key = FileSystem::Key(path);
    if (SharingConflict(key, dwDesiredAccess, dwShareMode)) {
        m_lastError = ERROR_SHARING_VIOLATION;
        return INVALID_HANDLE_VALUE;
    }
    SimFile* file = m_machine.files.Find(path);
    bool existed = file != nullptr;
    if (existed && (dwDesiredAccess & GENERIC_WRITE) && (file->attributes & FILE_ATTRIBUTE_READONLY)) {
        m_lastError = ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    switch (dwCreationDisposition) {
    case CREATE_NEW:
        if (existed) {
            m_lastError = ERROR_FILE_EXISTS;
            return INVALID_HANDLE_VALUE;
        }
        m_machine.files.Write(path, std::string());
        break;
    case CREATE_ALWAYS:
        m_machine.files.Write(path, std::string());
        break;
    case OPEN_EXISTING:
    case TRUNCATE_EXISTING:
        if (!existed) {
            m_lastError = ERROR_FILE_NOT_FOUND;
            return INVALID_HANDLE_VALUE;
        }
        if (dwCreationDisposition == TRUNCATE_EXISTING)
            file->bytes.clear();
        break;
    case OPEN_ALWAYS:
        if (!existed)
            m_machine.files.Write(path, std::string());
        break;
    default:
        m_lastError = ERROR_INVALID_PARAMETER;
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = reinterpret_cast<HANDLE>(m_nextHandle++);
    m_handles[handle] = OpenObject{OpenObject::kFile, key, dwDesiredAccess, dwShareMode, 0};
    bool reportsExisting = existed && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS);
    m_lastError = reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
    return handle;
}

BOOL SimApi::WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                       LPOVERLAPPED)
{
    if (lpNumberOfBytesWritten != nullptr)
        *lpNumberOfBytesWritten = 0;
    if (Fails("WriteFile"))
        return FALSE;
    auto found = m_handles.find(hFile);
    if (found == m_handles.end() || found->second.kind != OpenObject::kFile) {
        m_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    OpenObject& open = found->second;
    if (!(open.access & GENERIC_WRITE)) {
        m_lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    SimFile* file = m_machine.files.Find(open.name);
    if (file == nullptr) {
        m_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (file->bytes.size() < open.position + nNumberOfBytesToWrite)
        file->bytes.resize(open.position + nNumberOfBytesToWrite);
    file->bytes.replace(open.position, nNumberOfBytesToWrite, static_cast<const char*>(lpBuffer),
                        nNumberOfBytesToWrite);
    open.position += nNumberOfBytesToWrite;
    if (lpNumberOfBytesWritten != nullptr)
        *lpNumberOfBytesWritten = nNumberOfBytesToWrite;
    return TRUE;
}

// Writes reach the machine's disks at once: there is nothing to flush.
BOOL SimApi::FlushFileBuffers(HANDLE hFile)
{
    if (Fails("FlushFileBuffers"))
        return FALSE;
    auto found = m_handles.find(hFile);
    if (found == m_handles.end() || found->second.kind != OpenObject::kFile) {
        m_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    return TRUE;
}

BOOL SimApi::DeleteFileA(LPCSTR lpFileName)
{
    if (Fails("DeleteFileA"))
        return FALSE;
    std::string path = lpFileName ? lpFileName : "";
    const SimFile* file = m_machine.files.Find(path);
    if (file == nullptr) {
        m_lastError = MissingFileError(path);
        return FALSE;
    }
    if (file->attributes & FILE_ATTRIBUTE_READONLY) {
        m_lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    if (HeldWithoutDeleteSharing(FileSystem::Key(path))) {
        m_lastError = ERROR_SHARING_VIOLATION;
        return FALSE;
    }
    m_machine.files.Remove(path);
    return TRUE;
}

// Version resources

const SimFile* SimApi::FindModuleFile(const std::string& name) const
{
    if (name.find('\\') != std::string::npos || name.find('/') != std::string::npos)
        return m_machine.files.Find(name);
    // A bare name is looked for where the loader looks: the program's directory,
    // then the system and Windows directories.
    std::vector<std::string> directories;
    if (!m_machine.paths.executable.empty())
        directories.push_back(FileSystem::Parent(m_machine.paths.executable));
    directories.push_back(m_machine.paths.system);
    directories.push_back(m_machine.paths.windows);
    for (const std::string& directory : directories) {
        if (const SimFile* file = m_machine.files.Find(directory + "\\" + name))
            return file;
    }
    return nullptr;
}

DWORD SimApi::GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle)
{
    if (lpdwHandle != nullptr)
        *lpdwHandle = 0;
    if (Fails("GetFileVersionInfoSizeA"))
        return 0;
    const SimFile* file = FindModuleFile(lptstrFilename ? lptstrFilename : "");
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
    if (Fails("GetFileVersionInfoA"))
        return FALSE;
    const SimFile* file = FindModuleFile(lptstrFilename ? lptstrFilename : "");
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
    if (Fails("VerQueryValueA"))
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
