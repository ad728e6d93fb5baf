#include "machine/WindowsNames.h"

#include <cctype>
#include <vector>

#include "machine/TextEncodings.h"

namespace machine {

std::vector<unsigned> NameCharacters(const std::string& name)
{
    std::vector<unsigned> characters;
    for (std::size_t i = 0; i < name.size();) {
        unsigned char lead = static_cast<unsigned char>(name[i]);
        int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
        unsigned character = extra <= 0 ? lead : lead & (0x3F >> extra);
        bool valid = extra >= 0 && i + extra < name.size();
        for (int k = 1; valid && k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(name[i + k]);
            valid = (next & 0xC0) == 0x80;
            character = (character << 6) | (next & 0x3F);
        }
        if (!valid) {
            const unsigned char* bytes = reinterpret_cast<const unsigned char*>(name.data());
            return std::vector<unsigned>(bytes, bytes + name.size());
        }
        characters.push_back(character);
        i += extra + 1;
    }
    return characters;
}

namespace {
std::string NameKey(std::string name)
{
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.pop_back();
    return WindowsUpper(name);
}
}  // namespace

std::string WindowsUpper(const std::string& text)
{
    std::string upper;
    for (unsigned character : NameCharacters(text))
        AppendUtf8(upper, WindowsUpperCase(character));
    return upper;
}

std::string WindowsNameKey(const std::string& path)
{
    std::string key, name;
    bool first = true;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/' && path[i] != '\\') {
            name += path[i];
            continue;
        }
        key += (first ? "" : "\\") + NameKey(name);
        first = false;
        name.clear();
    }
    return key;
}

std::string DeviceNameProblem(const std::string& name)
{
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    bool numbered = base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
                    base[3] >= '1' && base[3] <= '9';
    if (numbered || base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
        base == "CONOUT$")
        return "\"" + name + "\" names the device " + base + " on Windows, not a file";
    return std::string();
}

}  // namespace machine
