// Fuzzes the dialog's cutting of a preset IP address: any text is cut without
// undefined behaviour, and the address it gives, written out as dotted text,
// cuts to the same address again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ui/IpAddressText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DWORD address = AddressFromText(std::string(reinterpret_cast<const char*>(data), size));
    std::string dotted = std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
                         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
    if (AddressFromText(dotted) != address)
        std::abort();
    return 0;
}
