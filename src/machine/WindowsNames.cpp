#include "machine/WindowsNames.h"

#include <algorithm>
#include <vector>

#include "machine/TextEncodings.h"

namespace machine {

std::vector<unsigned> NameCharacters(std::string_view name)
{
    std::vector<unsigned> characters;
    characters.reserve(name.size());
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
// A name without its trailing dots and spaces, appended in upper case.
void AppendNameKey(std::string& key, std::string_view name)
{
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.remove_suffix(1);
    key += WindowsUpper(name);
}
}  // namespace

std::string WindowsUpper(std::string_view text)
{
    // ASCII, by far the most names, letter by letter without decoding.
    std::string upper(text);
    bool ascii = true;
    for (char& c : upper) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
        c = AsciiUpper(c);
    }
    if (ascii)
        return upper;
    upper.clear();
    for (unsigned character : NameCharacters(text))
        AppendUtf8(upper, WindowsUpperCase(character));
    return upper;
}

std::string WindowsNameKey(std::string_view path)
{
    std::string key;
    key.reserve(path.size());
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/' && path[i] != '\\')
            continue;
        if (start != 0)
            key += '\\';
        AppendNameKey(key, path.substr(start, i - start));
        start = i + 1;
    }
    return key;
}

std::string DeviceNameProblem(std::string_view name)
{
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    // Every device name is 3, 4, 6 or 7 letters long: any other name is passed at once.
    if (base.size() < 3 || base.size() > 7 || base.size() == 5)
        return std::string();
    std::string upper(base);
    std::transform(upper.begin(), upper.end(), upper.begin(), AsciiUpper);
    bool numbered = upper.size() == 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) &&
                    upper[3] >= '1' && upper[3] <= '9';
    if (numbered || upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" || upper == "CONIN$" ||
        upper == "CONOUT$")
        return "\"" + std::string(name) + "\" names the device " + upper + " on Windows, not a file";
    return std::string();
}

}  // namespace machine
