// Fuzzes the same-entry comparison of hosts lines with two lines (the input cut
// at its first line feed): every line is the same entry as itself and as itself
// with white space around it, and the answer does not depend on the order of
// the two.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "system/HostsLines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t cut = input.find('\n');
    std::string first = input.substr(0, cut);
    std::string second = cut == std::string::npos ? std::string() : input.substr(cut + 1);

    if (!hostsfile::IsSameEntry(first, first) || !hostsfile::IsSameEntry(first, " \t" + first + " \r\n"))
        std::abort();
    if (hostsfile::IsSameEntry(first, second) != hostsfile::IsSameEntry(second, first))
        std::abort();
    return 0;
}
