#include "sim/SystemCalls.h"

#include <string_view>
#include <unordered_map>

namespace sim {

const SystemCall* FindSystemCall(std::string_view name)
{
    // Every call of a run asks: by name, once indexed.
    static const std::unordered_map<std::string_view, const SystemCall*> byName = [] {
        std::unordered_map<std::string_view, const SystemCall*> index;
        for (std::size_t i = 0; i < kSystemCallCount; ++i)
            index.emplace(kSystemCalls[i].name, &kSystemCalls[i]);
        return index;
    }();
    auto found = byName.find(name);
    return found != byName.end() ? found->second : nullptr;
}

bool AnswersNotImplemented(const SystemCall* call, DWORD major, DWORD minor, DWORD platform)
{
    if (call == nullptr || !call->lookedAtBefore2000)
        return false;
    const unsigned version = (major << 8) | (minor & 0xFF);
    if (platform == VER_PLATFORM_WIN32_WINDOWS)
        return call->nineX == 0 || call->nineX > version || call->stubOn9x;
    if (platform == VER_PLATFORM_WIN32_NT)
        return call->nt > version;
    return false;
}

}  // namespace sim
