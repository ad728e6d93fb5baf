#include "machine/FaultOperations.h"

#include <algorithm>
#include <string_view>

namespace machine {

namespace {
enum class FaultKind { kNone, kFails, kReleases };

struct Operation {
    std::string_view name;
    FaultKind kind;
    std::vector<DWORD> errors;
};

// Every call of the list with what a fault can do with it, each name taken
// before a macro of the same name (the runtime's _stat) can replace it.
const std::vector<Operation>& Operations()
{
#define PLATFORM_CALL(Result, Name, Parameters, Faults) {#Name, Faults},
#define NOT_FAULTABLE FaultKind::kNone, {}
#define FAULTABLE(...) FaultKind::kFails, {__VA_ARGS__}
#define FAULTABLE_RELEASE(...) FaultKind::kReleases, {__VA_ARGS__}
    static const std::vector<Operation> operations = {
#include "platform/WinCalls.h"
    };
#undef FAULTABLE_RELEASE
#undef FAULTABLE
#undef NOT_FAULTABLE
#undef PLATFORM_CALL
    return operations;
}

// The faultable operation of that name, compared whole (a name from a machine
// folder may hold a NUL), or null.
const Operation* FindFaultable(std::string_view name)
{
    const std::vector<Operation>& operations = Operations();
    auto found = std::find_if(operations.begin(), operations.end(), [name](const Operation& operation) {
        return operation.kind != FaultKind::kNone && name == operation.name;
    });
    return found == operations.end() ? nullptr : &*found;
}
}  // namespace

bool IsFaultableOperation(const std::string& name)
{
    return FindFaultable(name) != nullptr;
}

bool IsReleaseOperation(const char* name)
{
    const Operation* operation = FindFaultable(name);
    return operation != nullptr && operation->kind == FaultKind::kReleases;
}

std::vector<DWORD> RealisticErrors(const std::string& name)
{
    const Operation* operation = FindFaultable(name);
    return operation == nullptr ? std::vector<DWORD>() : operation->errors;
}

}  // namespace machine
