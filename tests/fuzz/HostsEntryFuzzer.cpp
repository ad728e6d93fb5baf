// Fuzzes IsSameHostsEntry with two lines (the input cut at its first line
// feed): every line is the same entry as itself and as itself with white space
// around it, and the answer does not depend on the order of the two.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sim/SimProcess.h"
#include "app/Remendo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t cut = input.find('\n');
    std::string first = input.substr(0, cut);
    std::string second = cut == std::string::npos ? std::string() : input.substr(cut + 1);

    machine::Machine machine;
    sim::InstalledMachine installed(machine);
    CRemendoApp app;
    if (!app.IsSameHostsEntry(first, first) || !app.IsSameHostsEntry(first, " \t" + first + " \r\n"))
        std::abort();
    if (app.IsSameHostsEntry(first, second) != app.IsSameHostsEntry(second, first))
        std::abort();
    return 0;
}
