// The simulated backend: child processes and waiting for them.
//
// A started program runs for its machine-given time on the virtual clock; a
// wait advances that clock. Every start is recorded in the transcript.
#include <algorithm>

#include "sim/SimApi.h"

namespace sim {

namespace {
const char kRegisterSwitch[] = "REGSERVER";
const char kUnregisterSwitch[] = "UNREGSERVER";

bool HasBackslash(const std::string& path)
{
    return path.find('\\') != std::string::npos || path.find('/') != std::string::npos;
}

struct CommandParts {
    std::string program;    // a quoted text, or the text up to the first blank
    std::string arguments;  // the rest
};

CommandParts SplitCommandLine(const std::string& commandLine)
{
    if (!commandLine.empty() && commandLine[0] == '"') {
        std::string::size_type close = commandLine.find('"', 1);
        if (close == std::string::npos)
            return {commandLine.substr(1), std::string()};
        return {commandLine.substr(1, close - 1), commandLine.substr(close + 1)};
    }
    std::string::size_type blank = commandLine.find_first_of(" \t");
    if (blank == std::string::npos)
        return {commandLine, std::string()};
    return {commandLine.substr(0, blank), commandLine.substr(blank)};
}

bool HasExtension(const std::string& path)
{
    std::string::size_type slash = path.find_last_of("\\/");
    return path.find('.', slash == std::string::npos ? 0 : slash) != std::string::npos;
}

// The switches among the arguments, upper-cased and without their '/' or '-'.
std::vector<std::string> Switches(const std::string& arguments)
{
    std::vector<std::string> switches;
    std::string word;
    for (char c : arguments + " ") {
        if (c == ' ' || c == '\t') {
            if (word.size() > 1 && (word[0] == '/' || word[0] == '-'))
                switches.push_back(machine::UpperCase(word.substr(1)));
            word.clear();
        } else {
            word += c;
        }
    }
    return switches;
}
}  // namespace

const machine::Program* SimApi::FindProgram(const std::string& path) const
{
    for (const machine::Program& program : m_machine.programs) {
        if (machine::FileSystem::Key(program.path) == machine::FileSystem::Key(path))
            return &program;
    }
    return nullptr;
}

std::string SimApi::ResolveProgram(LPCSTR applicationName, const std::string& commandLine) const
{
    std::string programDirectory =
        m_machine.paths.executable.empty() ? m_machine.paths.system : machine::FileSystem::Parent(m_machine.paths.executable);
    if (applicationName != nullptr) {
        // Taken as given: no search and no extension added. A bare name is
        // relative to the current directory, the utility's own.
        std::string application = MachineText(applicationName);
        std::string path = HasBackslash(application) ? application : programDirectory + "\\" + application;
        const machine::SimFile* file = m_machine.files.Find(path);
        return file != nullptr ? file->path : std::string();
    }
    std::string name = SplitCommandLine(commandLine).program;
    if (name.empty())
        return std::string();
    if (!HasExtension(name))
        name += ".exe";
    if (HasBackslash(name)) {
        const machine::SimFile* file = m_machine.files.Find(name);
        return file != nullptr ? file->path : std::string();
    }
    // Where Windows looks for a bare name: the program's own directory first,
    // then the system and Windows directories.
    for (const std::string& directory : {programDirectory, m_machine.paths.system, m_machine.paths.windows}) {
        std::string path = directory + "\\" + name;
        if (const machine::SimFile* file = m_machine.files.Find(path))
            return file->path;
    }
    return std::string();
}

void SimApi::RegisterOrRemoveService(const machine::Program& program, const std::string& commandLine)
{
    if (program.service.empty())
        return;
    for (const std::string& option : Switches(SplitCommandLine(commandLine).arguments)) {
        if (option == kUnregisterSwitch) {
            for (auto service = m_machine.services.begin(); service != m_machine.services.end(); ++service) {
                if (machine::EqualIgnoringCase(service->name, program.service)) {
                    m_machine.services.erase(service);
                    break;
                }
            }
        } else if (option == kRegisterSwitch) {
            machine::Service* existing = nullptr;
            for (machine::Service& service : m_machine.services) {
                if (machine::EqualIgnoringCase(service.name, program.service))
                    existing = &service;
            }
            if (existing == nullptr) {
                m_machine.services.push_back(machine::Service{});
                existing = &m_machine.services.back();
                existing->name = program.service;
                existing->displayName = program.service;
            }
            existing->startType = "auto";
            existing->binaryPath = program.path;
            KeepStartValue(*existing);
        }
    }
}

BOOL SimApi::CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES,
                            LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR, LPSTARTUPINFOA,
                            LPPROCESS_INFORMATION lpProcessInformation)
{
    if (Fails(__func__))
        return FALSE;
    std::string commandLine = MachineText(lpCommandLine);
    std::string path = ResolveProgram(lpApplicationName, commandLine);
    if (path.empty()) {
        m_lastError = ERROR_FILE_NOT_FOUND;
        return FALSE;
    }
    const machine::Program* program = FindProgram(path);
    if (program != nullptr && !program->starts) {
        m_lastError = ERROR_BAD_EXE_FORMAT;
        return FALSE;
    }
    TranscriptEntry entry{TranscriptEntry::kProcessStarted, commandLine, {}, {path, commandLine}};
    m_transcript.push_back(entry);
    // The program does its work as it starts; its running time only delays its end.
    if (program != nullptr)
        RegisterOrRemoveService(*program, commandLine);

    unsigned long long endsAt = m_elapsedMs + (program != nullptr ? program->runsMs : 0);
    HANDLE process = reinterpret_cast<HANDLE>(m_nextHandle++);
    HANDLE thread = reinterpret_cast<HANDLE>(m_nextHandle++);
    m_handles[process] = OpenObject{OpenObject::kProcess, path, 0, 0, 0, false, false, endsAt};
    m_handles[thread] = OpenObject{OpenObject::kThread, path, 0, 0, 0, false, false, endsAt};
    lpProcessInformation->hProcess = process;
    lpProcessInformation->hThread = thread;
    lpProcessInformation->dwProcessId = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(process));
    lpProcessInformation->dwThreadId = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(thread));
    return TRUE;
}

DWORD SimApi::WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    // A fault with the code WAIT_TIMEOUT is a wait that gives up before the
    // process ends; any other code makes the wait itself fail.
    DWORD lastError = m_lastError;
    if (Fails(__func__)) {
        if (m_lastError != WAIT_TIMEOUT)
            return WAIT_FAILED;
        m_lastError = lastError;
        if (dwMilliseconds != INFINITE)
            m_elapsedMs += dwMilliseconds;
        return WAIT_TIMEOUT;
    }
    auto found = m_handles.find(hHandle);
    if (found == m_handles.end() ||
        (found->second.kind != OpenObject::kProcess && found->second.kind != OpenObject::kThread)) {
        m_lastError = ERROR_INVALID_HANDLE;
        return WAIT_FAILED;
    }
    unsigned long long endsAt = found->second.endsAtMs;
    if (dwMilliseconds == INFINITE || m_elapsedMs + dwMilliseconds >= endsAt) {
        m_elapsedMs = std::max(m_elapsedMs, endsAt);
        return WAIT_OBJECT_0;
    }
    m_elapsedMs += dwMilliseconds;
    return WAIT_TIMEOUT;
}

}  // namespace sim
