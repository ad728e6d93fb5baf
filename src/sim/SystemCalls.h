// Which calls a Windows older than 2000 lacks or only stubs, as the import
// table (win32/imports.table) records them: the simulated machine answers
// those with ERROR_CALL_NOT_IMPLEMENTED, as such a system does.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/WinTypes.h"

namespace sim {

struct SystemCall {
    const char* name;
    // The oldest Windows of each family that has it, as 0x0400; 0 for none of the 9x family.
    unsigned nt;
    unsigned nineX;
    // The 9x family exports it only as a stub; and remendo.exe calls it there
    // (and falls back from it).
    bool stubOn9x;
    bool calledOn9x;
    // Its row was looked at for the systems before 2000 (else it says
    // nothing about them, and the call is answered there as anywhere).
    bool lookedAtBefore2000;
};

extern const SystemCall kSystemCalls[];
extern const std::size_t kSystemCallCount;

// True when a Windows of this version and platform (the machine's
// GetVersionExA answer) lacks the call (its row, or nullptr for none) or only stubs it.
bool AnswersNotImplemented(const SystemCall* call, DWORD major, DWORD minor, DWORD platform);

// The row of a call; nullptr when the table has none.
const SystemCall* FindSystemCall(std::string_view name);

}  // namespace sim
