// remendo-capture: writes the machine folder of the PC it runs on, as the run
// of the remendo.exe beside it would see that PC, changing nothing.
//
//   remendo-capture [FOLDER]
//
// FOLDER defaults to Remendo-machine beside this program.
#include <filesystem>
#include <iostream>
#include <string>

#include "Capture.h"
#include "ConsoleWait.h"
#include "platform/sim/MachineFolder.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32Api.h"

namespace {
const char kUsage[] = "usage: remendo-capture [FOLDER]\n";
const char kDefaultFolder[] = "Remendo-machine";
const char kRemendoExe[] = "remendo.exe";
}  // namespace

int main(int argc, char** argv)
{
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::cerr << kUsage;
        return 1;
    }
    // Run beside remendo.exe, often from a Downloads folder, and elevated.
    NarrowDllSearch();
    Win32Api api;
    SetWin(&api);
    char self[MAX_PATH + 1] = {};
    DWORD length = Win().GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string ownFolder(self, length);
    std::string::size_type slash = ownFolder.rfind('\\');
    ownFolder = slash == std::string::npos ? std::string(".") : ownFolder.substr(0, slash);
    std::string folder = argc == 2 ? argv[1] : ownFolder + "\\" + kDefaultFolder;

    sim::Machine machine = capture::CaptureMachine(ownFolder + "\\" + kRemendoExe,
                                                   [](const std::string& line) { std::cout << line << "\n"; });
    std::cout << "Writing the machine folder" << std::endl;
    std::string problem;
    if (!sim::SaveMachine(machine, folder, problem)) {
        std::cerr << "remendo-capture: " << problem << "\n";
        PauseIfAloneInConsole();
        return 2;
    }
    std::error_code ignored;
    std::cout << std::filesystem::absolute(folder, ignored).string() << "\n";
    PauseIfAloneInConsole();
    return 0;
}
