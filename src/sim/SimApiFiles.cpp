// The simulated backend: the machine's files and kernel objects: named
// mappings, handles and their sharing, creating, writing, copying, moving,
// deleting and attributes.
#include <algorithm>
#include <cctype>

#include "machine/TextEncodings.h"
#include "platform/SecurityDescriptor.h"
#include "sim/SimApi.h"

namespace sim {

namespace {
bool Conflicts(DWORD access, DWORD share, DWORD otherAccess, DWORD otherShare)
{
    bool readBlocked = (access & GENERIC_READ) && !(otherShare & FILE_SHARE_READ);
    bool writeBlocked = (access & GENERIC_WRITE) && !(otherShare & FILE_SHARE_WRITE);
    bool otherReadBlocked = (otherAccess & GENERIC_READ) && !(share & FILE_SHARE_READ);
    bool otherWriteBlocked = (otherAccess & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE);
    bool deleteBlocked = (access & DELETE) && !(otherShare & FILE_SHARE_DELETE);
    return readBlocked || writeBlocked || otherReadBlocked || otherWriteBlocked || deleteBlocked;
}

const DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL;
}  // namespace

HANDLE SimApi::CreateFileMappingA(HANDLE, LPSECURITY_ATTRIBUTES, DWORD, DWORD, DWORD, LPCSTR lpName)
{
    if (Fails(__func__))
        return nullptr;
    std::string name = MachineText(lpName);
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
    for (const machine::HeldFile& held : m_machine.heldFiles) {
        if (machine::FileSystem::Key(held.path) == key && Conflicts(access, share, held.access, held.share))
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
    for (const machine::HeldFile& held : m_machine.heldFiles) {
        if (machine::FileSystem::Key(held.path) == key && !(held.share & FILE_SHARE_DELETE))
            return true;
    }
    return std::any_of(m_handles.begin(), m_handles.end(), [&](const auto& entry) {
        const OpenObject& other = entry.second;
        return (other.kind == OpenObject::kFile || other.kind == OpenObject::kStream) && other.name == key &&
               !(other.share & FILE_SHARE_DELETE);
    });
}

bool SimApi::IsLoadedImage(const std::string& key) const
{
    return std::any_of(m_machine.heldFiles.begin(), m_machine.heldFiles.end(), [&key](const machine::HeldFile& held) {
        return held.loaded && machine::FileSystem::Key(held.path) == key;
    });
}

DWORD SimApi::MissingFileError(const std::string& path) const
{
    return m_machine.files.DirectoryExists(machine::FileSystem::Parent(path)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

machine::SimFile* SimApi::FileOf(OpenObject& open)
{
    if (open.file == nullptr || open.filesGeneration != m_machine.files.Generation()) {
        open.file = m_machine.files.FindKey(open.name);
        open.filesGeneration = m_machine.files.Generation();
    }
    return open.file;
}

HANDLE SimApi::CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                           DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE)
{
    if (Fails(__func__))
        return INVALID_HANDLE_VALUE;
    std::string path = MachineText(lpFileName);
    if (path.empty() || !m_machine.files.DirectoryExists(machine::FileSystem::Parent(path))) {
        m_lastError = path.empty() ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    std::string key = machine::FileSystem::Key(path);
    machine::SimFile* file = m_machine.files.FindKey(key);
    bool directory = m_machine.files.DirectoryKeyExists(key);
    // A name that is taken, by a file of any kind or a directory, held or not,
    // is reported as taken before anything else is tried, as Windows does.
    if (dwCreationDisposition == CREATE_NEW && (file != nullptr || directory)) {
        m_lastError = ERROR_FILE_EXISTS;
        return INVALID_HANDLE_VALUE;
    }
    // A folder opens only for its information and security, as with backup semantics.
    if (directory) {
        if (!(dwFlagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS) || dwCreationDisposition != OPEN_EXISTING ||
            (dwDesiredAccess & GENERIC_WRITE)) {
            m_lastError = ERROR_ACCESS_DENIED;
            return INVALID_HANDLE_VALUE;
        }
        HANDLE handle = reinterpret_cast<HANDLE>(m_nextHandle++);
        m_handles[handle] = OpenObject{OpenObject::kFile, key, dwDesiredAccess, dwShareMode, 0};
        m_handles[handle].directory = true;
        m_lastError = ERROR_SUCCESS;
        return handle;
    }
    if (SharingConflict(key, dwDesiredAccess, dwShareMode)) {
        m_lastError = ERROR_SHARING_VIOLATION;
        return INVALID_HANDLE_VALUE;
    }
    bool existed = file != nullptr;
    if (existed && (dwDesiredAccess & GENERIC_WRITE) && (file->attributes & FILE_ATTRIBUTE_READONLY)) {
        m_lastError = ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    switch (dwCreationDisposition) {
    case CREATE_NEW:
    case CREATE_ALWAYS:
        file = &m_machine.files.Write(path, std::string());
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
            file = &m_machine.files.Write(path, std::string());
        break;
    default:
        m_lastError = ERROR_INVALID_PARAMETER;
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = reinterpret_cast<HANDLE>(m_nextHandle++);
    OpenObject& open = m_handles[handle] = OpenObject{OpenObject::kFile, key, dwDesiredAccess, dwShareMode, 0};
    open.file = file;
    open.filesGeneration = m_machine.files.Generation();
    bool reportsExisting = existed && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS);
    m_lastError = reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
    return handle;
}

BOOL SimApi::WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                       LPOVERLAPPED)
{
    if (lpNumberOfBytesWritten != nullptr)
        *lpNumberOfBytesWritten = 0;
    if (Fails(__func__))
        return FALSE;
    OpenObject* found = FindOpenObject(hFile, OpenObject::kFile);
    if (found == nullptr)
        return FALSE;
    OpenObject& open = *found;
    if (!(open.access & GENERIC_WRITE)) {
        m_lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    machine::SimFile* file = FileOf(open);
    if (file == nullptr) {
        m_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    std::string bytes(static_cast<const char*>(lpBuffer), nNumberOfBytesToWrite);
    StopPartWayThrough(file->bytes, open.position, bytes);
    if (file->bytes.size() < open.position + bytes.size())
        file->bytes.resize(open.position + bytes.size());
    file->bytes.replace(open.position, bytes.size(), bytes);
    open.position += nNumberOfBytesToWrite;
    if (lpNumberOfBytesWritten != nullptr)
        *lpNumberOfBytesWritten = nNumberOfBytesToWrite;
    return TRUE;
}

BOOL SimApi::ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                      LPOVERLAPPED)
{
    if (lpNumberOfBytesRead != nullptr)
        *lpNumberOfBytesRead = 0;
    if (Fails(__func__))
        return FALSE;
    OpenObject* open = FindOpenObject(hFile, OpenObject::kFile);
    if (open == nullptr)
        return FALSE;
    const machine::SimFile* file = open->directory ? nullptr : FileOf(*open);
    if (!(open->access & GENERIC_READ) || file == nullptr) {
        m_lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    std::size_t count = 0;
    if (open->position < file->bytes.size()) {
        count = std::min<std::size_t>(nNumberOfBytesToRead, file->bytes.size() - open->position);
        std::copy_n(file->bytes.data() + open->position, count, static_cast<char*>(lpBuffer));
    }
    open->position += count;
    if (lpNumberOfBytesRead != nullptr)
        *lpNumberOfBytesRead = static_cast<DWORD>(count);
    return TRUE;
}

BOOL SimApi::GetFileInformationByHandle(HANDLE hFile, LPBY_HANDLE_FILE_INFORMATION lpFileInformation)
{
    if (Fails(__func__))
        return FALSE;
    OpenObject* open = FindOpenObject(hFile, OpenObject::kFile);
    if (open == nullptr)
        return FALSE;
    const machine::SimFile* file = open->directory ? nullptr : FileOf(*open);
    if (!open->directory && file == nullptr) {
        m_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    *lpFileInformation = BY_HANDLE_FILE_INFORMATION();
    lpFileInformation->dwFileAttributes = open->directory ? FILE_ATTRIBUTE_DIRECTORY : file->attributes;
    unsigned long long size = open->directory ? 0 : file->bytes.size();
    lpFileInformation->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    lpFileInformation->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    lpFileInformation->nNumberOfLinks = 1;
    return TRUE;
}

BOOL SimApi::CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes)
{
    if (Fails(__func__))
        return FALSE;
    std::string path = MachineText(lpPathName);
    if (!machine::FileSystem::IsDrivePath(path) || m_machine.files.Find(path) != nullptr ||
        m_machine.files.DirectoryExists(path)) {
        m_lastError = machine::FileSystem::IsDrivePath(path) ? ERROR_ALREADY_EXISTS : ERROR_INVALID_NAME;
        return FALSE;
    }
    if (!m_machine.files.DirectoryExists(machine::FileSystem::Parent(path))) {
        m_lastError = ERROR_PATH_NOT_FOUND;
        return FALSE;
    }
    m_machine.files.MakeDirectory(path);
    if (lpSecurityAttributes != nullptr && lpSecurityAttributes->lpSecurityDescriptor != nullptr)
        m_machine.files.SetSecurity(path, security::CopyOf(lpSecurityAttributes->lpSecurityDescriptor));
    return TRUE;
}

// Writes reach the machine's disks at once: there is nothing to flush.
BOOL SimApi::FlushFileBuffers(HANDLE hFile)
{
    if (Fails(__func__))
        return FALSE;
    return FindOpenObject(hFile, OpenObject::kFile) != nullptr;
}

BOOL SimApi::DeleteFileA(LPCSTR lpFileName)
{
    if (Fails(__func__))
        return FALSE;
    std::string path = MachineText(lpFileName);
    const machine::SimFile* file = m_machine.files.Find(path);
    if (file == nullptr) {
        m_lastError = MissingFileError(path);
        return FALSE;
    }
    if (file->attributes & FILE_ATTRIBUTE_READONLY) {
        m_lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    if (IsLoadedImage(machine::FileSystem::Key(path))) {
        m_lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    if (HeldWithoutDeleteSharing(machine::FileSystem::Key(path))) {
        m_lastError = ERROR_SHARING_VIOLATION;
        return FALSE;
    }
    m_machine.files.Remove(path);
    return TRUE;
}

BOOL SimApi::CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists)
{
    if (Fails(__func__))
        return FALSE;
    std::string from = MachineText(lpExistingFileName);
    std::string to = MachineText(lpNewFileName);
    const machine::SimFile* source = m_machine.files.Find(from);
    if (source == nullptr) {
        m_lastError = m_machine.files.DirectoryExists(from) ? ERROR_ACCESS_DENIED : MissingFileError(from);
        return FALSE;
    }
    if (!m_machine.files.DirectoryExists(machine::FileSystem::Parent(to))) {
        m_lastError = ERROR_PATH_NOT_FOUND;
        return FALSE;
    }
    const machine::SimFile* target = m_machine.files.Find(to);
    if (m_machine.files.DirectoryExists(to) ||
        (target != nullptr && (target->attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)))) {
        m_lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    if (target != nullptr && bFailIfExists) {
        m_lastError = ERROR_FILE_EXISTS;
        return FALSE;
    }
    std::string fromKey = machine::FileSystem::Key(from);
    std::string toKey = machine::FileSystem::Key(to);
    if (fromKey == toKey || SharingConflict(fromKey, GENERIC_READ, FILE_SHARE_READ) ||
        SharingConflict(toKey, GENERIC_WRITE, 0)) {
        m_lastError = ERROR_SHARING_VIOLATION;
        return FALSE;
    }
    machine::SimFile copy = *source;
    if (m_bCutPending) {
        // Cut off while it copies: the destination holds the start of the file.
        machine::SimFile& partial = m_machine.files.Write(to, std::string());
        StopPartWayThrough(partial.bytes, 0, copy.bytes);
    }
    machine::SimFile& written = m_machine.files.Write(to, copy.bytes);
    written.attributes = copy.attributes;
    written.version = copy.version;
    m_lastError = ERROR_SUCCESS;  // the system clears the last error on success
    return TRUE;
}

BOOL SimApi::MoveNow(const std::string& from, const std::string& to, bool replaceExisting)
{
    if (m_machine.files.Find(from) == nullptr && m_machine.files.DirectoryExists(from))
        return MoveDirectory(from, to);
    if (m_machine.files.Find(from) == nullptr) {
        m_lastError = MissingFileError(from);
        return FALSE;
    }
    if (!m_machine.files.DirectoryExists(machine::FileSystem::Parent(to))) {
        m_lastError = ERROR_PATH_NOT_FOUND;
        return FALSE;
    }
    std::string fromKey = machine::FileSystem::Key(from);
    std::string toKey = machine::FileSystem::Key(to);
    const machine::SimFile* target = fromKey == toKey ? nullptr : m_machine.files.Find(to);
    if ((target != nullptr || m_machine.files.DirectoryExists(to)) && !replaceExisting) {
        m_lastError = ERROR_ALREADY_EXISTS;
        return FALSE;
    }
    if (m_machine.files.DirectoryExists(to) || (target != nullptr && (target->attributes & FILE_ATTRIBUTE_READONLY))) {
        m_lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    // Windows refuses to move or replace a running image outright.
    if (IsLoadedImage(fromKey) || (target != nullptr && IsLoadedImage(toKey))) {
        m_lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    if (HeldWithoutDeleteSharing(fromKey) || (target != nullptr && HeldWithoutDeleteSharing(toKey))) {
        m_lastError = ERROR_SHARING_VIOLATION;
        return FALSE;
    }
    m_machine.files.Rename(from, to);
    return TRUE;
}

// A folder moves whole, to a name that is free, never into itself.
BOOL SimApi::MoveDirectory(const std::string& from, const std::string& to)
{
    std::string fromKey = machine::FileSystem::Key(from), toKey = machine::FileSystem::Key(to);
    if (m_machine.files.Find(to) != nullptr || m_machine.files.DirectoryExists(to)) {
        m_lastError = ERROR_ALREADY_EXISTS;
        return FALSE;
    }
    if (!m_machine.files.DirectoryExists(machine::FileSystem::Parent(to))) {
        m_lastError = ERROR_PATH_NOT_FOUND;
        return FALSE;
    }
    if (toKey.compare(0, fromKey.size() + 1, fromKey + "\\") == 0 || fromKey.size() <= 3) {
        m_lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    m_machine.files.RenameDirectory(from, to);
    return TRUE;
}

BOOL SimApi::MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName)
{
    if (Fails(__func__))
        return FALSE;
    return MoveNow(MachineText(lpExistingFileName), MachineText(lpNewFileName), false);
}

BOOL SimApi::MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags)
{
    if (Fails(__func__))
        return FALSE;
    std::string from = MachineText(lpExistingFileName);
    if (dwFlags & MOVEFILE_DELAY_UNTIL_REBOOT) {
        if (m_machine.files.Find(from) == nullptr) {
            m_lastError = MissingFileError(from);
            return FALSE;
        }
        m_machine.pendingRenames.push_back(
            {from, MachineText(lpNewFileName), (dwFlags & MOVEFILE_REPLACE_EXISTING) != 0});
        return TRUE;
    }
    if (lpNewFileName == nullptr) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    return MoveNow(from, lpNewFileName, (dwFlags & MOVEFILE_REPLACE_EXISTING) != 0);
}

DWORD SimApi::GetFileAttributesA(LPCSTR lpFileName)
{
    if (Fails(__func__))
        return INVALID_FILE_ATTRIBUTES;
    std::string path = MachineText(lpFileName);
    if (const machine::SimFile* file = m_machine.files.Find(path))
        return file->attributes;
    if (m_machine.files.DirectoryExists(path))
        return FILE_ATTRIBUTE_DIRECTORY;
    m_lastError = MissingFileError(path);
    return INVALID_FILE_ATTRIBUTES;
}

BOOL SimApi::SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes)
{
    if (Fails(__func__))
        return FALSE;
    std::string path = MachineText(lpFileName);
    machine::SimFile* file = m_machine.files.Find(path);
    if (file == nullptr) {
        if (m_machine.files.DirectoryExists(path))
            return TRUE;
        m_lastError = MissingFileError(path);
        return FALSE;
    }
    // "Normal" stands for no other attribute and gives way to any other.
    DWORD attributes = dwFileAttributes & kSettableAttributes;
    if (attributes & ~FILE_ATTRIBUTE_NORMAL)
        attributes &= ~FILE_ATTRIBUTE_NORMAL;
    file->attributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    return TRUE;
}

namespace {
// A name against a pattern with at most one '*', both in upper case as the
// file system compares them.
bool Matches(std::string_view name, const std::string& pattern)
{
    std::size_t star = pattern.find('*');
    if (star == std::string::npos)
        return name == pattern;
    std::size_t tail = pattern.size() - star - 1;
    return name.size() >= star + tail && std::equal(pattern.begin(), pattern.begin() + star, name.begin()) &&
           std::equal(pattern.end() - static_cast<long>(tail), pattern.end(), name.end() - static_cast<long>(tail));
}

void FillFindData(const std::string& name, const machine::SimFile& file, LPWIN32_FIND_DATAA data)
{
    *data = WIN32_FIND_DATAA{};
    data->dwFileAttributes = file.attributes;
    data->nFileSizeLow = static_cast<DWORD>(file.bytes.size());
    std::size_t length = std::min(name.size(), static_cast<std::size_t>(MAX_PATH - 1));
    std::copy(name.begin(), name.begin() + static_cast<long>(length), data->cFileName);
}
}  // namespace

// The files of the folder (not its folders) whose names fit the pattern, in
// the order of their names.
HANDLE SimApi::FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData)
{
    if (Fails(__func__))
        return INVALID_HANDLE_VALUE;
    std::string path = MachineText(lpFileName);
    std::string folder = machine::FileSystem::Parent(path);
    if (!m_machine.files.DirectoryExists(folder)) {
        m_lastError = ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    std::string pattern = machine::UpperCase(path.substr(path.rfind('\\') + 1));
    std::string folderKey = machine::FileSystem::Key(folder);
    OpenObject search{OpenObject::kSearch, folderKey, 0, 0, 0};
    // The folder's files lie together among the keys, after its own key and a backslash.
    std::string prefix = folderKey.back() == '\\' ? folderKey : folderKey + '\\';
    const auto& files = m_machine.files.Files();
    for (auto entry = files.lower_bound(prefix);
         entry != files.end() && entry->first.compare(0, prefix.size(), prefix) == 0;) {
        // The files of a folder within lie together too, before its key with
        // the character after the backslash: passed over at once.
        std::string::size_type deeper = entry->first.find('\\', prefix.size());
        if (deeper != std::string::npos) {
            entry = files.lower_bound(entry->first.substr(0, deeper) + static_cast<char>('\\' + 1));
            continue;
        }
        const std::string& filePath = entry->second.path;
        std::string name = filePath.substr(filePath.rfind('\\') + 1);
        // An ASCII path's key holds its folder's key and its name in upper case as they are.
        bool ascii = machine::IsAscii(filePath);
        if (ascii ? Matches(std::string_view(entry->first).substr(prefix.size()), pattern)
                  : machine::FileSystem::Key(machine::FileSystem::Parent(filePath)) == folderKey &&
                        Matches(machine::UpperCase(name), pattern)) {
            search.found.push_back(name);
            // Any other is found by its name again, as that name's key may be another.
            search.foundFiles.push_back(ascii ? &entry->second : nullptr);
        }
        ++entry;
    }
    search.filesGeneration = m_machine.files.Generation();
    if (search.found.empty()) {
        m_lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = reinterpret_cast<HANDLE>(m_nextHandle++);
    m_handles[handle] = search;
    return FindNextFileA(handle, lpFindFileData) ? handle : INVALID_HANDLE_VALUE;
}

BOOL SimApi::FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData)
{
    if (Fails(__func__))
        return FALSE;
    OpenObject* search = FindOpenObject(hFindFile, OpenObject::kSearch);
    if (search == nullptr)
        return FALSE;
    // A file removed since the search began is passed over.
    while (search->position < search->found.size()) {
        std::size_t at = search->position++;
        const std::string& name = search->found[at];
        // Found again by name when a file was removed or renamed since.
        const machine::SimFile* file = search->foundFiles[at];
        if (file == nullptr || search->filesGeneration != m_machine.files.Generation())
            file = m_machine.files.Find(search->name + "\\" + name);
        if (file != nullptr) {
            FillFindData(AnsiText(name), *file, lpFindFileData);
            return TRUE;
        }
    }
    m_lastError = ERROR_NO_MORE_FILES;
    return FALSE;
}

BOOL SimApi::FindClose(HANDLE hFindFile)
{
    if (FindOpenObject(hFindFile, OpenObject::kSearch) == nullptr)
        return FALSE;
    m_handles.erase(hFindFile);
    return TRUE;
}

}  // namespace sim
