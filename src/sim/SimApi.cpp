// The simulated backend: the machine it answers from, the run's transcript,
// the call counting behind faults, and the helpers the calls share. The calls
// themselves live in one file per area, as the headings of platform/WinCalls.h
// name them (SimApiErrors.cpp, SimApiFiles.cpp, ...).
#include "sim/SimApi.h"

#include <algorithm>
#include <cstring>

#include "machine/FaultOperations.h"
#include "platform/RegFileText.h"
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

const SimApi::OperationFacts& SimApi::FactsOf(const char* operation)
{
    auto found = m_operationFacts.find(operation);
    if (found != m_operationFacts.end() && found->second.name == operation)
        return found->second;
    return m_operationFacts[operation] = {operation, m_callCounts.emplace(operation, 0).first,
                                          machine::IsReleaseOperation(operation), IsPartWayOperation(operation),
                                          FindSystemCall(operation)};
}

bool SimApi::Fails(const char* operation)
{
    const OperationFacts& facts = FactsOf(operation);
    int call = ++facts.count->second;
    // Releases are made by destructors, which must not throw: the cut comes
    // at the next call after them.
    bool releases = facts.releases;
    // A call cut off part-way that failed before it wrote anything ends the
    // process at the next call instead.
    if (m_bCutPending && !releases) {
        m_bCutPending = false;
        throw ProcessStopped{};
    }
    if (++m_totalCalls >= stopAtCall && stopAtCall != 0 && !m_bStopped && !releases) {
        m_bStopped = true;
        if (stopPartWay && facts.partWay)
            m_bCutPending = true;
        else
            throw ProcessStopped{};
    }
    // An older system's stub, or a function it lacks (looked up at run time).
    if (AnswersNotImplemented(facts.systemCall, m_machine.os.major, m_machine.os.minor, m_machine.os.platform)) {
        m_lastError = ERROR_CALL_NOT_IMPLEMENTED;
        return true;
    }
    if (m_faultsIndexed != m_machine.faults.size()) {
        m_faultsByCall.clear();
        for (const machine::Fault& fault : m_machine.faults)
            m_faultsByCall.emplace(std::make_pair(fault.operation, fault.call), fault.error);
        m_faultsIndexed = m_machine.faults.size();
    }
    if (m_faultsByCall.empty())
        return false;
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

std::string SimApi::AnsiText(const std::string& text, bool* missing) const
{
    return machine::ToCodePage(text, m_machine.ansiCodePage, '?', missing);
}

std::string SimApi::MachineText(const std::string& ansi) const
{
    return machine::FromCodePage(ansi, m_machine.ansiCodePage);
}

std::string SimApi::MachineText(const std::basic_string<WCHAR>& wide)
{
    return machine::FromUtf16(std::u16string(wide.begin(), wide.end()));
}

template <>
std::basic_string<char> SimApi::CallerText<char>(const std::string& text) const
{
    return AnsiText(text);
}

template <>
std::basic_string<WCHAR> SimApi::CallerText<WCHAR>(const std::string& text) const
{
    std::u16string units = machine::ToUtf16(text);
    return std::basic_string<WCHAR>(units.begin(), units.end());
}

std::string SimApi::CallerData(const machine::RegValue& value, bool wide) const
{
    if (!regfile::IsText(value.type))
        return value.data;
    return wide ? machine::Utf16Bytes(value.data) : AnsiText(value.data);
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
