#include "machine/FaultOperations.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace sim {

namespace {
// The list's calls by what a fault can do with them, each name taken before a
// macro of the same name (the runtime's _stat) can replace it.
#define PLATFORM_CALL(Result, Name, Parameters, Faults) Faults(#Name)
#define NOT_FAULTABLE(name)

#define FAULTABLE(name) name,
#define FAULTABLE_RELEASE(name) name,
const char* const kFaultable[] = {
#include "platform/WinCalls.h"
};
#undef FAULTABLE
#undef FAULTABLE_RELEASE

#define FAULTABLE(name)
#define FAULTABLE_RELEASE(name) name,
const char* const kReleases[] = {
#include "platform/WinCalls.h"
};
#undef FAULTABLE
#undef FAULTABLE_RELEASE

#undef NOT_FAULTABLE
#undef PLATFORM_CALL
}  // namespace

bool IsFaultableOperation(const std::string& name)
{
    return std::find(std::begin(kFaultable), std::end(kFaultable), name) != std::end(kFaultable);
}

bool IsReleaseOperation(const char* name)
{
    return std::any_of(std::begin(kReleases), std::end(kReleases),
                       [name](const char* release) { return std::strcmp(release, name) == 0; });
}

}  // namespace sim
