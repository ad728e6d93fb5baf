// Fuzzes the reading of machine.json's JSON: every text is taken or refused
// as the JSON library alone takes or refuses it, and one taken is written
// back as the library writes it (floats apart: the manifest writes none).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <nlohmann/json.hpp>

#include "machine/JsonRead.h"

namespace {
bool HoldsFloat(const nlohmann::json& value)
{
    if (value.is_number_float())
        return true;
    for (const nlohmann::json& item : value) {
        if (item.is_structured() || item.is_number_float()) {
            if (HoldsFloat(item))
                return true;
        }
    }
    return false;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    machine::JsonTree tree;
    machine::ParseError error;
    bool read = machine::ReadJson(text, tree, error);
    nlohmann::json library = nlohmann::json::parse(text, nullptr, false);
    if (read == library.is_discarded())
        std::abort();
    if (read && !HoldsFloat(library) && tree.Pretty() != library.dump(2))
        std::abort();
    return 0;
}
