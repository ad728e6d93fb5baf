// The simulated backend: the machine it answers from, the run's transcript,
// the call counting behind faults, and the helpers the calls share. The calls
// themselves live in one file per area, as the headings of platform/WinCalls.h
// name them (SimApiErrors.cpp, SimApiFiles.cpp, ...).
#include "sim/SimApi.h"

#include <algorithm>
#include <cstring>

#include "machine/FaultOperations.h"
#include "sim/SystemCalls.h"

namespace sim {

SimApi::SimApi(machine::Machine& machine) : m_machine(machine)
{
    m_machine.files.MakeDirectory(m_machine.paths.windows);
    m_machine.files.MakeDirectory(m_machine.paths.system);
    m_machine.files.MakeDirectory(m_machine.paths.temp);
    if (!m_machine.paths.executable.empty())
        m_machine.files.MakeDirectory(machine::FileSystem::Parent(m_machine.paths.executable));
}

SimApi::~SimApi()
{
    for (void* allocation : m_allocations)
        delete[] static_cast<BYTE*>(allocation);
}

namespace {
// The calls a cut can leave half done: each writes bytes to a destination.
bool IsPartWayOperation(const char* operation)
{
    return std::strcmp(operation, "CopyFileA") == 0 || std::strcmp(operation, "WriteFile") == 0 ||
           std::strcmp(operation, "fwrite") == 0;
}
}  // namespace

bool SimApi::Fails(const char* operation)
{
    int call = ++m_callCounts[operation];
    // Releases are made by destructors, which must not throw: the cut comes
    // at the next call after them.
    bool releases = machine::IsReleaseOperation(operation);
    // A call cut off part-way that failed before it wrote anything ends the
    // process at the next call instead.
    if (m_bCutPending && !releases) {
        m_bCutPending = false;
        throw ProcessStopped{};
    }
    if (++m_totalCalls >= stopAtCall && stopAtCall != 0 && !m_bStopped && !releases) {
        m_bStopped = true;
        if (stopPartWay && IsPartWayOperation(operation))
            m_bCutPending = true;
        else
            throw ProcessStopped{};
    }
    // An older system's stub, or a function it lacks (looked up at run time).
    if (AnswersNotImplemented(operation, m_machine.os.major, m_machine.os.minor, m_machine.os.platform)) {
        m_lastError = ERROR_CALL_NOT_IMPLEMENTED;
        return true;
    }
    if (m_faultsIndexed != m_machine.faults.size()) {
        m_faultsByCall.clear();
        for (const machine::Fault& fault : m_machine.faults)
            m_faultsByCall.emplace(std::make_pair(fault.operation, fault.call), fault.error);
        m_faultsIndexed = m_machine.faults.size();
    }
    auto fault = m_faultsByCall.find({operation, call});
    if (fault == m_faultsByCall.end())
        return false;
    m_lastError = fault->second;
    return true;
}

void SimApi::StopPartWayThrough(std::string& destination, std::size_t from, const std::string& bytes)
{
    if (!m_bCutPending)
        return;
    m_bCutPending = false;
    m_bStoppedPartWay = true;
    std::string half = bytes.substr(0, bytes.size() / 2);
    if (destination.size() < from + half.size())
        destination.resize(from + half.size());
    destination.replace(from, half.size(), half);
    throw ProcessStopped{};
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

std::vector<machine::ShownMessageBox> SimApi::MessageBoxes() const
{
    std::vector<machine::ShownMessageBox> boxes;
    for (const TranscriptEntry& entry : m_transcript) {
        if (entry.kind == TranscriptEntry::kMessageBox)
            boxes.push_back(entry.box);
    }
    return boxes;
}

std::size_t SimApi::CopyText(const std::string& text, LPSTR buffer, std::size_t size)
{
    if (buffer == nullptr || size == 0)
        return 0;
    std::size_t count = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return count;
}

std::size_t SimApi::CopyText(const std::string& text, LPWSTR buffer, std::size_t size)
{
    if (buffer == nullptr || size == 0)
        return 0;
    std::size_t count = std::min(text.size(), size - 1);
    for (std::size_t i = 0; i < count; ++i)
        buffer[i] = static_cast<WCHAR>(static_cast<unsigned char>(text[i]));
    buffer[count] = 0;
    return count;
}

bool SimApi::NarrowText(LPCWSTR wide, std::string& text)
{
    text.clear();
    for (LPCWSTR unit = wide; unit != nullptr && *unit != 0; ++unit) {
        if (*unit > 0xFF)
            return false;
        text += static_cast<char>(*unit);
    }
    return true;
}

std::string SimApi::PathText(LPCSTR path)
{
    return path != nullptr ? path : "";
}

SimApi::OpenObject* SimApi::FindOpenObject(HANDLE handle, OpenObject::Kind kind)
{
    auto found = m_handles.find(handle);
    if (found == m_handles.end() || found->second.kind != kind) {
        m_lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    return &found->second;
}

}  // namespace sim
