#include "SimTestSupport.h"

#include "log/DebugLog.h"
#include "platform/sim/MachineFolder.h"

#include <stdexcept>

namespace test {

sim::Machine BaseMachine()
{
    sim::Machine machine;
    machine.paths.executable = "C:\\Tools\\Remendo.exe";
    machine.files.Write(machine.paths.executable, "MZ").version = "1.0.0.0";
    machine.printers.push_back({"CV Quillray 7250", "DOT4_001", "CV Quillray 7250 RVX 6"});
    machine.ports = {"DOT4_001", "LPT1:"};
    return machine;
}

sim::Machine ExampleMachine(const std::string& name)
{
    sim::FolderContents contents;
    sim::LoadError error;
    sim::Machine machine;
    if (!sim::ReadFolderContents(std::string(REMENDO_EXAMPLES_DIR) + "/" + name, contents, error) ||
        !sim::LoadMachine(contents, machine, error))
        throw std::runtime_error(error.Describe());
    return machine;
}

ScopedBackend::ScopedBackend(sim::SimApi& api)
{
    SetWin(&api);
    DebugLog::ResetProcessState();
}

ScopedBackend::~ScopedBackend()
{
    DebugLog::ResetProcessState();
    SetWin(nullptr);
}

std::vector<std::string> LogLines(const sim::SimApi& api)
{
    std::vector<std::string> lines;
    for (std::string line : api.DebugOutput()) {
        // Log lines end in CR LF; the log's own notices (FYI) do not.
        if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) {
            line.erase(line.size() - 2);
            lines.push_back(line);
        }
    }
    return lines;
}

std::string FileText(const sim::Machine& machine, const std::string& path)
{
    const sim::SimFile* file = machine.files.Find(path);
    return file == nullptr ? std::string() : file->bytes;
}

std::vector<std::string> BoxTexts(const sim::SimApi& api)
{
    std::vector<std::string> texts;
    for (const sim::ShownMessageBox& box : api.MessageBoxes())
        texts.push_back(box.text);
    return texts;
}

}  // namespace test
