#include "SimTestSupport.h"

#include "machine/MachineFolder.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

namespace test {

namespace {
const char kManagementExe[] = "C:\\WINDOWS\\system32\\cvqmgr40.exe";
const char kRegsvr32Exe[] = "C:\\WINDOWS\\system32\\regsvr32.exe";
const char kImagingClassKey[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";
}  // namespace

machine::Machine BaseMachine()
{
    machine::Machine machine;
    machine.paths.executable = "C:\\Tools\\Remendo.exe";
    machine.files.Write(machine.paths.executable, "MZ").version = "1.0.0.0";
    machine.services.push_back({"Spooler", "Print Spooler", "running", "auto", "C:\\WINDOWS\\system32\\spoolsv.exe"});
    machine.services.push_back({"stisvc", "Windows Image Acquisition (WIA)", "running", "auto", ""});
    machine.services.push_back({"QMX Driver CVQ40", "QMX Driver CVQ40", "running", "auto", kManagementExe});
    machine.programs.push_back({kManagementExe, 300, true, "QMX Driver CVQ40"});
    machine.programs.push_back({kRegsvr32Exe, 200, true, ""});
    for (const machine::Program& program : machine.programs)
        machine.files.Write(program.path, "MZ");
    machine.printers.push_back({"CV Quillray 7250", "DOT4_001", "CV Quillray 7250 RVX 6"});
    machine.ports = {"DOT4_001", "LPT1:"};
    // Its scanner, already set up as the run would leave it.
    const std::string device = std::string("HKEY_LOCAL_MACHINE\\") + kImagingClassKey + "\\0000";
    machine::RegKey& deviceKey = machine.registry.Create(device);
    deviceKey.SetValue("DriverDesc", REG_SZ, machine::StringData("CV Quillray 7250"));
    deviceKey.SetValue("DeviceID", REG_SZ, machine::StringData("{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000"));
    deviceKey.SetValue("CreateFileName", REG_SZ, machine::StringData("DOT4_001"));
    machine::RegKey& dataKey = machine.registry.Create(device + "\\DeviceData");
    dataKey.SetValue("TwainDS", REG_SZ, machine::StringData("CV Quillray 7250 TWAIN"));
    return machine;
}

machine::Machine ExampleMachine(const std::string& name)
{
    machine::FolderContents contents;
    machine::LoadError error;
    machine::Machine machine;
    if (!machine::ReadFolderContents(std::string(REMENDO_EXAMPLES_DIR) + "/" + name, contents, error) ||
        !machine::LoadMachine(contents, machine, error))
        throw std::runtime_error(error.Describe());
    return machine;
}

std::vector<std::string> ExampleNames()
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(REMENDO_EXAMPLES_DIR)) {
        if (entry.is_directory())
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ExampleTestName(const testing::TestParamInfo<std::string>& info)
{
    std::string name = info.param;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
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

std::string FileText(const machine::Machine& machine, const std::string& path)
{
    const machine::SimFile* file = machine.files.Find(path);
    return file == nullptr ? std::string() : file->bytes;
}

std::vector<std::string> BoxTexts(const sim::SimApi& api)
{
    std::vector<std::string> texts;
    for (const machine::ShownMessageBox& box : api.MessageBoxes())
        texts.push_back(box.text);
    return texts;
}

machine::Machine ThroughFolder(const machine::Machine& machine, const std::string& name, std::string* manifest)
{
    std::filesystem::path folder = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(folder);
    std::string problem;
    EXPECT_TRUE(machine::SaveMachine(machine, folder.string(), problem)) << problem;
    machine::FolderContents contents;
    machine::LoadError error;
    machine::Machine reread;
    EXPECT_TRUE(machine::ReadFolderContents(folder.string(), contents, error) && machine::LoadMachine(contents, reread, error))
        << error.Describe();
    if (manifest != nullptr)
        *manifest = contents["machine.json"];
    std::filesystem::remove_all(folder);
    return reread;
}

}  // namespace test
