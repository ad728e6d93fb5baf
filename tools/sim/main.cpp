// remendo-sim: runs the repair on a simulated machine folder, prints the log,
// the message boxes and what changed, and can write the machine out again.
//
//   remendo-sim [MACHINE] [--undo] [--reboot] [--out DIR]
//
// With no MACHINE the embedded sample machine is used. --undo runs
// remendo-undo instead of the repair: the runs whose undo files the machine
// holds are put back, as on the PC. --reboot restarts the machine after the
// run, carrying out the file moves scheduled for then.
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "machine/MachineDiff.h"
#include "machine/MachineFolder.h"
#include "sim/Restart.h"
#include "sim/UndoReplay.h"
#include "RunUtility.h"
#include "TerminalDialog.h"
#ifdef _WIN32
// After the platform's headers, which bring in <windows.h> in the order Windows Sockets needs.
#include <filesystem>
#include <shellapi.h>
#endif

const std::map<std::string, std::string>& EmbeddedSampleMachine();

namespace {
const char kUsage[] = "usage: remendo-sim [MACHINE] [--undo] [--reboot] [--out DIR]\n";

struct Options {
    std::string machineFolder;
    std::optional<std::string> outFolder;
    bool reboot = false;
    bool undo = false;
};

// The arguments in UTF-8, as folders are named: on Windows from the wide
// command line, so a folder named beyond the code page (Иван, 日本) is taken
// as it is.
std::vector<std::string> Arguments(int argc, char** argv)
{
#ifdef _WIN32
    int count = 0;
    if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        std::vector<std::string> arguments;
        for (int i = 0; i < count; ++i)
            arguments.push_back(std::filesystem::path(wide[i]).u8string());
        ::LocalFree(wide);
        return arguments;
    }
#endif
    return std::vector<std::string>(argv, argv + argc);
}

bool ParseOptions(const std::vector<std::string>& argv, Options& options)
{
    int argc = static_cast<int>(argv.size());
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--out" && i + 1 < argc)
            options.outFolder = argv[++i];
        else if (arg == "--reboot")
            options.reboot = true;
        else if (arg == "--undo")
            options.undo = true;
        else if (arg == "-h" || arg == "--help" || arg.compare(0, 1, "-") == 0 || !options.machineFolder.empty())
            return false;
        else
            options.machineFolder = arg;
    }
    return true;
}

std::string AnswerName(int answer)
{
    switch (answer) {
    case IDYES: return "Yes";
    case IDNO: return "No";
    case IDCANCEL: return "Cancel";
    default: return "OK";
    }
}

// Asks on the terminal for a box that offers a choice.
int AskOnTerminal(const machine::ShownMessageBox& box)
{
    UINT type = box.style & MB_TYPEMASK;
    if (type != MB_YESNOCANCEL && type != MB_YESNO && type != MB_OKCANCEL)
        return IDOK;
    const char* choices = type == MB_OKCANCEL ? "[o]k/[c]ancel" : type == MB_YESNO ? "[y]es/[n]o" : "[y]es/[n]o/[c]ancel";
    for (;;) {
        std::cout << "\n[" << box.caption << "] " << box.text << "\n" << choices << "? " << std::flush;
        std::string reply;
        if (!std::getline(std::cin, reply))
            return type == MB_YESNO ? IDNO : IDCANCEL;
        char c = reply.empty() ? ' ' : static_cast<char>(std::tolower(static_cast<unsigned char>(reply[0])));
        if (c == 'y' && type != MB_OKCANCEL) return IDYES;
        if (c == 'n' && type != MB_OKCANCEL) return IDNO;
        if (c == 'o' && type == MB_OKCANCEL) return IDOK;
        if (c == 'c' && type != MB_YESNO) return IDCANCEL;
    }
}

std::string WithoutLineEnd(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

void PrintTranscript(const sim::SimApi& api)
{
    std::cout << "== Log ==\n";
    for (const sim::TranscriptEntry& entry : api.Transcript()) {
        if (entry.kind == sim::TranscriptEntry::kDebugOutput)
            std::cout << WithoutLineEnd(entry.text) << "\n";
        else if (entry.kind == sim::TranscriptEntry::kProcessStarted)
            std::cout << "[process started] " << entry.process.commandLine << " (" << entry.process.program << ")\n";
        else
            std::cout << "[message box \"" << entry.box.caption << "\"] " << entry.box.text << " -> "
                      << AnswerName(entry.box.answer) << "\n";
    }
}
// The undo file lies beside the log on the machine, so --out carries it.
void PrintUndoFiles(const machine::Machine& before, const machine::Machine& after, const std::string& outFolder)
{
    for (const std::string& path : sim::NewUndoFiles(before, after)) {
        std::cout << "== Undo file ==\n" << path;
        if (!outFolder.empty())
            std::cout << " (" << outFolder << "/" << machine::FolderPath(path) << ")";
        std::cout << "\n";
    }
}
}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(Arguments(argc, argv), options)) {
        std::cerr << kUsage;
        return 1;
    }
    // A folder that cannot take the machine is refused before the run, not after it.
    std::string problem;
    if (options.outFolder && options.outFolder->empty())
        problem = "--out needs a folder: the machine would not be written";
    else if (options.outFolder && !options.machineFolder.empty())
        problem = machine::OverlapProblem(options.machineFolder, *options.outFolder);
    std::vector<std::string> notes;
    if (options.outFolder && (!problem.empty() || !machine::ClearSaveLeftovers(*options.outFolder, notes, problem) ||
                              !machine::CanSaveInto(*options.outFolder, problem))) {
        for (const std::string& note : notes)
            std::cerr << "remendo-sim: " << note << "\n";
        std::cerr << "remendo-sim: " << problem << "\n";
        return 2;
    }
    for (const std::string& note : notes)
        std::cerr << "remendo-sim: " << note << "\n";
    std::string outFolder = options.outFolder.value_or(std::string());
    machine::FolderContents contents;
    machine::LoadError error;
    if (options.machineFolder.empty()) {
        contents = EmbeddedSampleMachine();
    } else if (!machine::ReadFolderContents(options.machineFolder, contents, error)) {
        std::cerr << "remendo-sim: " << error.Describe() << "\n";
        return 2;
    }
    machine::Machine machine;
    if (!machine::LoadMachine(contents, machine, error)) {
        std::string folder = options.machineFolder.empty() ? "(embedded sample)" : options.machineFolder;
        std::cerr << "remendo-sim: " << folder << "/" << error.Describe() << "\n";
        return 2;
    }
    machine::Machine before;
    machine::LoadMachine(contents, before, error);

    std::cout << "Machine: " << (options.machineFolder.empty() ? "embedded sample (networked family B all-in-one)"
                                                              : options.machineFolder)
              << "\n";
    sim::SimApi api(machine);
    if (isatty(STDIN_FILENO)) {
        api.onUnscriptedMessageBox = AskOnTerminal;
        api.onUnscriptedDialog = TerminalDialogAsker(api);
    }
    if (options.undo)
        sim::RunUndo(api);
    else
        sim::RunUtility(api);
    PrintTranscript(api);
    if (options.reboot) {
        std::cout << "== Restart ==\n";
        for (const machine::PendingRename& rename : machine.pendingRenames)
            std::cout << rename.from << " -> " << (rename.to.empty() ? std::string("(deleted)") : rename.to) << "\n";
        sim::Restart(machine);
    }

    std::cout << "== Changes ==\n";
    std::vector<std::string> changes = machine::DescribeChanges(before, machine);
    if (changes.empty())
        std::cout << "(none)\n";
    for (const std::string& change : changes)
        std::cout << change << "\n";
    PrintUndoFiles(before, machine, outFolder);

    if (!outFolder.empty()) {
        if (!machine::SaveMachine(machine, outFolder, problem)) {
            std::cerr << "remendo-sim: " << problem << "\n";
            return 2;
        }
        std::cout << "Machine written to " << outFolder << "\n";
    }
    return 0;
}
