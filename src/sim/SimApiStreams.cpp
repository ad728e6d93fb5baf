// The simulated backend: the C runtime's file streams on the machine's files.
#include <algorithm>
#include <cstring>

#include "sim/SimApi.h"

namespace sim {

namespace {
// The C runtime opens its streams sharing reading and writing, not deletion.
const DWORD kStreamShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
const char kTextEnd = '\x1a';  // Ctrl+Z

// A mode the runtime accepts here: "r" or "w", optionally with "t" or "b".
bool ParseStreamMode(const std::string& mode, bool& write, bool& text)
{
    if (mode.empty() || (mode[0] != 'r' && mode[0] != 'w'))
        return false;
    write = mode[0] == 'w';
    text = true;
    for (std::size_t i = 1; i < mode.size(); ++i) {
        if (mode[i] != 'b' && mode[i] != 't')
            return false;
        text = mode[i] == 't';
    }
    return true;
}
}  // namespace

SimApi::OpenObject* SimApi::FindStream(FILE* stream)
{
    auto found = m_handles.find(reinterpret_cast<HANDLE>(stream));
    if (found == m_handles.end() || found->second.kind != OpenObject::kStream)
        return nullptr;
    return &found->second;
}

FILE* SimApi::fopen(const char* filename, const char* mode)
{
    if (Fails(__func__))
        return nullptr;
    std::string path = MachineText(filename);
    bool write = false;
    bool text = true;
    if (path.empty() || !ParseStreamMode(mode != nullptr ? mode : "", write, text)) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    if (!m_machine.files.DirectoryExists(machine::FileSystem::Parent(path))) {
        m_lastError = ERROR_PATH_NOT_FOUND;
        return nullptr;
    }
    machine::SimFile* file = m_machine.files.Find(path);
    if (m_machine.files.DirectoryExists(path) ||
        (write && file != nullptr && (file->attributes & FILE_ATTRIBUTE_READONLY))) {
        m_lastError = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    if (!write && file == nullptr) {
        m_lastError = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    std::string key = machine::FileSystem::Key(path);
    DWORD access = write ? GENERIC_WRITE : GENERIC_READ;
    if (SharingConflict(key, access, kStreamShare)) {
        m_lastError = ERROR_SHARING_VIOLATION;
        return nullptr;
    }
    // The runtime's open clears the last error on success, but the CreateFile
    // beneath it leaves ERROR_ALREADY_EXISTS when writing replaces a file.
    m_lastError = write && file != nullptr ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
    if (write && file != nullptr)
        file->bytes.clear();
    else if (write)
        m_machine.files.Write(path, std::string());
    HANDLE handle = reinterpret_cast<HANDLE>(m_nextHandle++);
    OpenObject stream{OpenObject::kStream, key, access, kStreamShare, 0};
    stream.textMode = text;
    m_handles[handle] = stream;
    return reinterpret_cast<FILE*>(handle);
}

int SimApi::fgetc(FILE* stream)
{
    OpenObject* open = FindStream(stream);
    if (open == nullptr)
        return EOF;
    const machine::SimFile* file = FileOf(*open);
    if (Fails(__func__) || file == nullptr || !(open->access & GENERIC_READ)) {
        open->streamError = true;
        return EOF;
    }
    return NextStreamByte(*open, file->bytes);
}

int SimApi::NextStreamByte(OpenObject& stream, const std::string& bytes)
{
    if (stream.position >= bytes.size())
        return EOF;
    char c = bytes[stream.position++];
    // In text mode the runtime takes a Ctrl+Z as the end of the file: nothing
    // after it is read.
    if (stream.textMode && c == kTextEnd) {
        stream.position = bytes.size();
        return EOF;
    }
    if (stream.textMode && c == '\r' && stream.position < bytes.size() && bytes[stream.position] == '\n') {
        ++stream.position;
        c = '\n';
    }
    return static_cast<unsigned char>(c);
}

size_t SimApi::fread(void* buffer, size_t size, size_t count, FILE* stream)
{
    OpenObject* open = FindStream(stream);
    if (open == nullptr || size == 0 || count == 0)
        return 0;
    const machine::SimFile* file = FileOf(*open);
    if (Fails(__func__) || file == nullptr || !(open->access & GENERIC_READ)) {
        open->streamError = true;
        return 0;
    }
    // A binary read is one copy; a text-mode read goes byte by byte for its
    // CR LF pairs and Ctrl+Z.
    char* data = static_cast<char*>(buffer);
    std::size_t wanted = size * count;
    std::size_t read = 0;
    if (!open->textMode) {
        read = std::min(wanted, file->bytes.size() - std::min(open->position, file->bytes.size()));
        std::memcpy(data, file->bytes.data() + open->position, read);
        open->position += read;
    } else {
        for (int c; read < wanted && (c = NextStreamByte(*open, file->bytes)) != EOF;)
            data[read++] = static_cast<char>(c);
    }
    return read / size;
}

size_t SimApi::fwrite(const void* buffer, size_t size, size_t count, FILE* stream)
{
    OpenObject* open = FindStream(stream);
    if (open == nullptr || size == 0 || count == 0)
        return 0;
    machine::SimFile* file = FileOf(*open);
    if (Fails(__func__) || file == nullptr || !(open->access & GENERIC_WRITE)) {
        open->streamError = true;
        return 0;
    }
    std::string bytes;
    const char* data = static_cast<const char*>(buffer);
    for (size_t i = 0; i < size * count; ++i) {
        if (open->textMode && data[i] == '\n')
            bytes += '\r';
        bytes += data[i];
    }
    StopPartWayThrough(file->bytes, open->position, bytes);
    file->bytes.replace(open->position, bytes.size(), bytes);
    open->position += bytes.size();
    return count;
}

int SimApi::ferror(FILE* stream)
{
    const OpenObject* open = FindStream(stream);
    return open != nullptr && open->streamError ? 1 : 0;
}

int SimApi::fclose(FILE* stream)
{
    if (FindStream(stream) == nullptr)
        return EOF;
    m_handles.erase(reinterpret_cast<HANDLE>(stream));
    // The stream is closed either way; a failure stands for a last flush that did not reach the disk.
    return Fails(__func__) ? EOF : 0;
}

int SimApi::_stat(const char* path, struct _stat* buffer)
{
    // Named as the list names it: with MinGW's runtime _stat is a macro, and
    // __func__ would give the sized variant it stands for.
    if (Fails("_stat"))
        return -1;
    std::string name = MachineText(path);
    *buffer = {};
    if (const machine::SimFile* file = m_machine.files.Find(name)) {
        buffer->st_mode = _S_IFREG;
        buffer->st_size = static_cast<long>(file->bytes.size());
        return 0;
    }
    if (m_machine.files.DirectoryExists(name)) {
        buffer->st_mode = _S_IFDIR;
        return 0;
    }
    m_lastError = MissingFileError(name);
    return -1;
}

}  // namespace sim
