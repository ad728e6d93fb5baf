#include "platform/sim/FaultOperations.h"

#include <algorithm>
#include <iterator>

namespace sim {

namespace {
// The list's faultable calls, each name taken before a macro of the same name
// (the runtime's _stat) can replace it.
#define FAULTABLE(name) name,
#define FAULTABLE_RELEASE(name) name,
#define NOT_FAULTABLE(name)
#define PLATFORM_CALL(Result, Name, Parameters, Faults) Faults(#Name)
const char* const kFaultable[] = {
#include "platform/WinCalls.h"
};
#undef PLATFORM_CALL
#undef NOT_FAULTABLE
#undef FAULTABLE_RELEASE
#undef FAULTABLE
}  // namespace

bool IsFaultableOperation(const std::string& name)
{
    return std::find(std::begin(kFaultable), std::end(kFaultable), name) != std::end(kFaultable);
}

}  // namespace sim
