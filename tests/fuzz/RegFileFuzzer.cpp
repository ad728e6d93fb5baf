// Fuzzes the simulated machine's .reg reader and writer: any input is read
// without a crash, and a registry that was read is written out and read back
// unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "machine/RegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    machine::Registry registry;
    machine::ParseError error;
    if (!machine::ReadRegFile(bytes, registry, error))
        return 0;
    std::string written = machine::WriteRegFile(registry);
    machine::Registry again;
    if (!machine::ReadRegFile(written, again, error) || !(again == registry))
        std::abort();
    return 0;
}
