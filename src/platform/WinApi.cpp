#include "platform/WinApi.h"

namespace {
WinApi* s_pApi = nullptr;
}

WinApi& Win()
{
    return *s_pApi;
}

void SetWin(WinApi* api)
{
    s_pApi = api;
}

std::basic_string<WCHAR> AnsiToWide(const std::string& text)
{
    if (text.empty())
        return {};
    int length = static_cast<int>(text.size());
    int units = Win().MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::basic_string<WCHAR> wide(units > 0 ? static_cast<std::size_t>(units) : 0, WCHAR{});
    if (units > 0)
        Win().MultiByteToWideChar(CP_ACP, 0, text.data(), length, &wide[0], units);
    return wide;
}

std::string AnsiToUtf16(const std::string& text)
{
    std::string bytes;
    for (WCHAR unit : AnsiToWide(text)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>((unit >> 8) & 0xFF);
    }
    return bytes;
}
