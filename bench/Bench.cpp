// Benchmarks on the simulated machine, one "name: value" line each.
//
//   remendo-bench EXAMPLES_DIR REMENDO_SIM [SIZE]
//   remendo-bench --write-hosts FILE HOST_NAME
//
// 1. The hosts rewrite of a 200,000-line hosts file (about 6 MB) with 50 lines
//    to rewrite, against the limits of its file traffic (one read, one write,
//    one backup copy): three whole-buffer copies of the same bytes on the
//    simulated machine, and three std::filesystem::copy_file calls of the same
//    file on this machine's disk.
// 2. A whole remendo-sim run on a large machine (500 imaging devices, 1,000
//    printers, that hosts file): CPU time and peak memory of the process.
// 3. Reading registry.reg: SIZE values under one key, and an export of
//    about 9.5 MB (UTF-16, as regedit writes it) of many keys: CPU time each.
// 4. A machine with SIZE entries of one kind (printers, ports, services,
//    faults, dialog answer sets, imaging devices, which are subkeys of one
//    key, files in one folder): CPU time of reading it, running the utility on
//    it, listing the changes and writing it out again, each kind.
// 5. remendo-undo on a machine whose undo store holds SIZE records with
//    nothing left to put back after the run's own: CPU time of the whole undo.
// 6. A chain of folders 1,500 deep with files and empty folders at its foot,
//    read, saved and read back.
// SIZE is 100,000 unless given; every large case takes time in proportion to it.
// REMENDO_BENCH_CASE names one large case alone ("services", "undo", "deep
// folder", ...): only that case runs, with its time split into reading,
// running, comparing and writing, for profiling it.
// With --write-hosts it only writes that hosts file, its 50 entries naming
// HOST_NAME, for the same measurement of remendo.exe under Wine.
// The figures are printed, never judged: a slow machine fails nothing.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "machine/MachineDiff.h"
#include "machine/MachineFolder.h"
#include "machine/Manifest.h"
#include "machine/RegFile.h"
#include "InstalledMachine.h"
#include "log/UndoFile.h"
#include "RunUtility.h"

extern char** environ;

namespace {

const char kExample[] = "networked-family-b";
const char kDeviceAddress[] = "10.0.0.25";
const char kDeviceHost[] = "cvq7250";
const int kHostsLines = 200000;
const int kLinesToRewrite = 50;
const int kImagingDevices = 500;
const int kPrinters = 1000;
const int kDefaultSize = 100000;
const int kExportKeys = 10700;  // about 9.5 MB
// "/d" per level: the save's deepest path stays within the 4,096 bytes a Linux
// path can have, with room for the temporary folder's own.
const int kDeepFolderDepth = 1500;
const int kDeepFolderFootEntries = 1000;
const int kValuesPerExportKey = 8;
const char kImagingClassKey[] =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";

// A blocking list of the published kind, with entries for the device spread
// through it, each at an address other than the device's.
std::string LargeHostsFile(const std::string& deviceHost)
{
    std::string text = "# Large blocking list\r\n127.0.0.1 localhost\r\n";
    const int every = kHostsLines / kLinesToRewrite;
    char line[96];
    for (int i = 2; i < kHostsLines; ++i) {
        if (i % every == every / 2)
            std::snprintf(line, sizeof line, "10.0.0.%d %s\r\n", 100 + (i / every) % 100, deviceHost.c_str());
        else
            std::snprintf(line, sizeof line, "0.0.0.0 ad%06d.trk.example\r\n", i);
        text += line;
    }
    return text;
}

// The example machine, and the contents of its folder.
machine::Machine LoadExample(const std::string& examplesDir, machine::FolderContents& contents)
{
    machine::LoadError error;
    machine::Machine machine;
    if (!machine::ReadFolderContents(examplesDir + "/" + kExample, contents, error) ||
        !machine::LoadMachine(contents, machine, error)) {
        std::cerr << "remendo-bench: " << error.Describe() << "\n";
        std::exit(2);
    }
    return machine;
}

machine::Machine LoadExample(const std::string& examplesDir)
{
    machine::FolderContents contents;
    return LoadExample(examplesDir, contents);
}

double Seconds(std::chrono::steady_clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

// CPU time of this process: the machine is shared, so wall time would measure the neighbours.
double CpuSeconds()
{
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// The fastest of a few rounds: a copy takes milliseconds, so one round would
// mostly measure what the neighbours on the machine did meanwhile.
template <typename Round>
double FastestOf(Round round)
{
    const int kRounds = 5;
    double fastest = round();
    for (int i = 1; i < kRounds; ++i)
        fastest = std::min(fastest, round());
    return fastest;
}

// The simulated machine's limit: three copies of the whole file in one piece each.
double WholeBufferCopiesCpuSeconds(machine::Machine& machine, const std::string& path)
{
    return FastestOf([&] {
        double start = CpuSeconds();
        for (int copy = 1; copy <= 3; ++copy) {
            std::string bytes = machine.files.Find(path)->bytes;
            machine.files.Write(path + ".copy" + std::to_string(copy), bytes);
        }
        return CpuSeconds() - start;
    });
}

// The real disk's limit: the same bytes copied three times by the library, file to file.
double DiskCopiesCpuSeconds(const std::string& hosts)
{
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "remendo-bench-copies";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::path source = folder / "hosts";
    std::ofstream(source, std::ios::binary) << hosts;
    double seconds = FastestOf([&] {
        double start = CpuSeconds();
        for (int copy = 1; copy <= 3; ++copy)
            std::filesystem::copy_file(source, folder / ("hosts.copy" + std::to_string(copy)),
                                       std::filesystem::copy_options::overwrite_existing);
        return CpuSeconds() - start;
    });
    std::filesystem::remove_all(folder);
    return seconds;
}

void BenchHostsRewrite(const std::string& examplesDir, const std::string& hosts)
{
    machine::Machine machine = LoadExample(examplesDir);
    std::string hostsPath = machine.paths.system + "\\drivers\\etc\\hosts";
    machine.files.Write(hostsPath, hosts);
    sim::InstalledMachine installed(machine);

    double copies = WholeBufferCopiesCpuSeconds(machine, hostsPath);
    double diskCopies = DiskCopiesCpuSeconds(hosts);

    double start = CpuSeconds();
    installed.app.UpdateHostsEntry(kDeviceAddress, kDeviceHost);
    double rewrite = CpuSeconds() - start;

    std::printf("hosts_file_bytes: %zu\n", hosts.size());
    std::printf("hosts_rewrite_cpu_seconds: %.3f\n", rewrite);
    std::printf("hosts_three_whole_buffer_copies_cpu_seconds: %.4f\n", copies);
    std::printf("hosts_rewrite_vs_three_whole_buffer_copies_ratio: %.1f\n", rewrite / copies);
    std::printf("hosts_three_disk_copy_file_cpu_seconds: %.4f\n", diskCopies);
    std::printf("hosts_rewrite_vs_three_disk_copy_file_ratio: %.1f\n", rewrite / diskCopies);
}

// The sample machine grown: many printers of other makes before the all-in-one,
// many imaging devices after its own.
machine::Machine LargeMachine(const std::string& examplesDir, const std::string& hosts)
{
    machine::Machine machine = LoadExample(examplesDir);
    machine.files.Write(machine.paths.system + "\\drivers\\etc\\hosts", hosts);
    std::vector<machine::Printer> printers;
    for (int i = 0; static_cast<int>(printers.size() + machine.printers.size()) < kPrinters; ++i) {
        std::string port = "IP_10.2." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
        printers.push_back({"Office Printer " + std::to_string(i), port, "Generic Laser PCL"});
        machine.ports.push_back(port);
    }
    printers.insert(printers.end(), machine.printers.begin(), machine.printers.end());
    machine.printers = printers;
    for (int i = 2; i < kImagingDevices; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "%04d", i);
        std::string device = std::string(kImagingClassKey) + "\\" + name;
        machine::RegKey& key = machine.registry.Create(device);
        key.SetValue("DriverDesc", REG_SZ, machine::StringData("Camera " + std::to_string(i)));
        key.SetValue("CreateFileName", REG_SZ, machine::StringData("\\\\.\\Usbscan" + std::to_string(i)));
        machine.registry.Create(device + "\\DeviceData")
            .SetValue("TwainDS", REG_SZ, machine::StringData("Camera " + std::to_string(i)));
    }
    return machine;
}

void BenchWholeRun(const std::string& examplesDir, const std::string& remendoSim, const std::string& hosts)
{
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "remendo-bench-large-machine";
    std::filesystem::remove_all(folder);
    std::string problem;
    if (!machine::SaveMachine(LargeMachine(examplesDir, hosts), folder.string(), problem)) {
        std::cerr << "remendo-bench: " << problem << "\n";
        std::exit(2);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::string folderText = folder.string();
    char* argv[] = {const_cast<char*>(remendoSim.c_str()), const_cast<char*>(folderText.c_str()), nullptr};
    pid_t child = 0;
    auto start = std::chrono::steady_clock::now();
    if (posix_spawn(&child, remendoSim.c_str(), &actions, nullptr, argv, environ) != 0) {
        std::cerr << "remendo-bench: cannot start " << remendoSim << "\n";
        std::exit(2);
    }
    int status = 0;
    rusage usage = {};
    wait4(child, &status, 0, &usage);
    double wall = Seconds(std::chrono::steady_clock::now() - start);
    posix_spawn_file_actions_destroy(&actions);
    std::filesystem::remove_all(folder);

    double cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("large_machine: %d imaging devices, %d printers, %d-line hosts file\n", kImagingDevices, kPrinters,
                kHostsLines);
    std::printf("large_machine_run_exit_code: %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    std::printf("large_machine_run_cpu_seconds: %.2f\n", cpu);
    std::printf("large_machine_run_wall_seconds: %.2f\n", wall);
    std::printf("large_machine_run_peak_memory_mb: %.1f\n", usage.ru_maxrss / 1024.0);
}

double ReadRegFileCpuSeconds(const std::string& bytes)
{
    machine::Registry registry;
    machine::ParseError error;
    double start = CpuSeconds();
    bool read = machine::ReadRegFile(bytes, registry, error);
    double seconds = CpuSeconds() - start;
    if (!read) {
        std::cerr << "remendo-bench: the export does not read back: " << error.line << ": " << error.message << "\n";
        std::exit(2);
    }
    return seconds;
}

// The reading of registry.reg takes time in proportion to its size, however
// the values are spread over the keys.
void BenchRegistryReading(int valuesUnderOneKey)
{
    machine::Registry oneKey;
    machine::RegKey& key = oneKey.Create(std::string(kImagingClassKey) + "\\0000");
    // Each value set by name, as the capture and the simulated calls set them.
    double start = CpuSeconds();
    for (int i = 0; i < valuesUnderOneKey; ++i)
        key.SetValue("Value " + std::to_string(i), REG_SZ, machine::StringData("data " + std::to_string(i)));
    std::printf("registry_set_values_under_one_key_cpu_seconds: %.3f\n", CpuSeconds() - start);
    std::string oneKeyExport = machine::WriteRegFile(oneKey);
    std::printf("registry_read_values_under_one_key: %d (%zu bytes)\n", valuesUnderOneKey, oneKeyExport.size());
    std::printf("registry_read_values_under_one_key_cpu_seconds: %.3f\n", ReadRegFileCpuSeconds(oneKeyExport));

    machine::Registry manyKeys;
    for (int k = 0; k < kExportKeys; ++k) {
        machine::RegKey& device = manyKeys.Create(std::string(kImagingClassKey) + "\\" + std::to_string(k) + "\\DeviceData");
        for (int v = 0; v < kValuesPerExportKey; ++v)
            device.SetValue("Setting " + std::to_string(v), REG_SZ, machine::StringData("Camera " + std::to_string(k)));
    }
    std::string largeExport = machine::WriteRegFile(manyKeys);
    std::printf("registry_read_large_export_bytes: %zu\n", largeExport.size());
    std::printf("registry_read_large_export_cpu_seconds: %.3f\n", ReadRegFileCpuSeconds(largeExport));
}
machine::Service ServiceNamed(const std::string& name)
{
    machine::Service service;
    service.name = name;
    service.displayName = name;
    return service;
}

// The sample machine's folder with one list grown to `entries` entries.
machine::FolderContents GrownMachine(const std::string& examplesDir, const std::string& kind, int entries)
{
    machine::FolderContents contents;
    machine::Machine machine = LoadExample(examplesDir, contents);
    for (int i = 0; i < entries; ++i) {
        std::string n = std::to_string(i);
        if (kind == "printers")
            machine.printers.insert(machine.printers.begin() + i, {"Office Printer " + n, "PORT" + n, "Generic"});
        else if (kind == "ports")
            machine.ports.insert(machine.ports.begin() + i, "PORT" + n);
        else if (kind == "services")
            machine.services.insert(machine.services.begin() + i, ServiceNamed("Service" + n));
        else if (kind == "faults")
            machine.faults.push_back({"RegOpenKeyExA", 1000000 + i, ERROR_ACCESS_DENIED});
        else if (kind == "dialog answer sets")
            machine.dialog.push_back(machine::DialogAnswers{});
        else if (kind == "imaging devices")
            machine.registry.Create(std::string(kImagingClassKey) + "\\" + std::to_string(10000 + i))
                .SetValue("DriverDesc", REG_SZ, machine::StringData("Camera " + n));
        else
            contents["files/C/Many/file" + n + ".txt"] = n;
    }
    contents["machine.json"] = machine::WriteManifest(machine);
    contents["registry.reg"] = machine::WriteRegFile(machine.registry);
    return contents;
}

// The one case REMENDO_BENCH_CASE names, or none.
const char* OneCase()
{
    const char* name = std::getenv("REMENDO_BENCH_CASE");
    return name != nullptr && *name != '\0' ? name : nullptr;
}

bool Runs(const char* name)
{
    return OneCase() == nullptr || std::string(OneCase()) == name;
}

// Each list read, run and written in time in proportion to its length.
void BenchLargeLists(const std::string& examplesDir, int entries)
{
    for (const char* kind : {"printers", "ports", "services", "faults", "dialog answer sets", "imaging devices",
                             "files in one folder"}) {
        if (!Runs(kind))
            continue;
        machine::FolderContents contents = GrownMachine(examplesDir, kind, entries);
        double start = CpuSeconds();
        machine::Machine before, machine;
        machine::LoadError error;
        if (!machine::LoadMachine(contents, before, error) || !machine::LoadMachine(contents, machine, error)) {
            std::cerr << "remendo-bench: " << kind << ": " << error.Describe() << "\n";
            std::exit(2);
        }
        double read = CpuSeconds();
        sim::SimApi api(machine);
        sim::RunUtility(api);
        double ran = CpuSeconds();
        std::size_t changes = machine::DescribeChanges(before, machine).size();
        double compared = CpuSeconds();
        std::size_t written = machine::WriteManifest(machine).size() + machine::WriteRegFile(machine.registry).size();
        double seconds = CpuSeconds() - start;
        std::string name = kind;
        std::replace(name.begin(), name.end(), ' ', '_');
        std::printf("large_list_%s: %d entries (%zu changes, %zu bytes written)\n", name.c_str(), entries,
                    changes, written);
        std::printf("large_list_%s_cpu_seconds: %.3f\n", name.c_str(), seconds);
        if (OneCase() != nullptr)
            std::printf("large_list_%s_split: read twice %.3f, run %.3f, compared %.3f, written %.3f\n", name.c_str(),
                        read - start, ran - read, compared - ran, start + seconds - compared);
    }
}
// Records holding nothing are passed over, not offered: the undo stays
// linear in the number of records.
void BenchUndo(const std::string& examplesDir, int records)
{
    machine::Machine machine = LoadExample(examplesDir);
    {
        sim::SimApi repair(machine);
        sim::RunUtility(repair);
    }
    std::string store;
    for (const auto& entry : machine.files.Files()) {
        const std::string& path = entry.second.path;
        if (UndoFile::IsUndoFileName(path.substr(path.rfind('\\') + 1)))
            store = path.substr(0, path.rfind('\\') + 1);
    }
    std::string nothing = "\xFF\xFE";
    for (char c : std::string("Windows Registry Editor Version 5.00\r\n\r\n; The spooler service was restarted\r\n"))
        nothing += std::string{c, '\0'};
    for (int i = 0; i < records; ++i)
        machine.files.Write(store + "Remendo-undo-" + std::to_string(i + 2) + "-20261208-093000.reg", nothing);
    machine.messageBoxAnswers.clear();
    sim::SimApi api(machine);
    api.onUnscriptedMessageBox = [](const machine::ShownMessageBox& box) {
        return (box.style & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
    };
    double start = CpuSeconds();
    sim::RunUndo(api);
    double seconds = CpuSeconds() - start;
    std::printf("undo_records_holding_nothing: %d\n", records);
    std::printf("undo_with_records_holding_nothing_cpu_seconds: %.3f\n", seconds);
}

// A chain of folders kDeepFolderDepth deep with files and empty folders at its
// foot: read, saved to the disk and read back from it, in time in proportion
// to its size.
void BenchDeepFolder(const std::string& examplesDir)
{
    machine::FolderContents contents;
    LoadExample(examplesDir, contents);
    std::string foot = "files/C/Deep";
    for (int level = 0; level < kDeepFolderDepth; ++level)
        foot += "/d";
    for (int i = 0; i < kDeepFolderFootEntries; ++i) {
        contents[foot + "/file" + std::to_string(i) + ".txt"] = std::to_string(i);
        contents[foot + "/empty" + std::to_string(i) + "/"] = std::string();
    }
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "remendo-bench-deep";
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    double start = CpuSeconds();
    machine::Machine machine, again;
    machine::LoadError error;
    std::string problem;
    machine::FolderContents back;
    if (!machine::LoadMachine(contents, machine, error) || !machine::SaveMachine(machine, folder.string(), problem) ||
        !machine::ReadFolderContents(folder.string(), back, error) || !machine::LoadMachine(back, again, error) ||
        !(again.files == machine.files)) {
        std::cerr << "remendo-bench: the deep folder does not come back: " << error.Describe() << problem << "\n";
        std::exit(2);
    }
    double seconds = CpuSeconds() - start;
    std::filesystem::remove_all(folder, ignored);
    std::printf("deep_folder: depth %d, %d files and %d empty folders at its foot\n", kDeepFolderDepth,
                kDeepFolderFootEntries, kDeepFolderFootEntries);
    std::printf("deep_folder_read_saved_read_back_cpu_seconds: %.3f\n", seconds);
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--write-hosts") {
        std::ofstream file(argv[2], std::ios::binary);
        file << LargeHostsFile(argv[3]);
        file.close();
        if (!file) {
            std::cerr << "remendo-bench: cannot write " << argv[2] << "\n";
            return 2;
        }
        return 0;
    }
    int size = argc == 4 ? std::atoi(argv[3]) : kDefaultSize;
    if ((argc != 3 && argc != 4) || size <= 0) {
        std::cerr << "usage: remendo-bench EXAMPLES_DIR REMENDO_SIM [SIZE]\n"
                     "       remendo-bench --write-hosts FILE HOST_NAME\n";
        return 2;
    }
    std::printf("large_cases_size: %d\n", size);
    if (OneCase() == nullptr) {
        std::string hosts = LargeHostsFile(kDeviceHost);
        BenchHostsRewrite(argv[1], hosts);
        BenchWholeRun(argv[1], argv[2], hosts);
        BenchRegistryReading(size);
    }
    BenchLargeLists(argv[1], size);
    if (Runs("undo"))
        BenchUndo(argv[1], size);
    if (Runs("deep folder"))
        BenchDeepFolder(argv[1]);
    return 0;
}
