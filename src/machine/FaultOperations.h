// The platform operations of the simulated machine that a fault can name.
#pragma once

#include <string>
#include <vector>

#include "platform/WinTypes.h"

namespace machine {

// True for the name of an operation the simulated machine counts and can make
// fail ("CreateFileA", "fopen", ...); a misspelt name would fail nothing.
bool IsFaultableOperation(const std::string& name);

// True for a faultable operation that releases what another call opened
// ("fclose", "CloseServiceHandle", "WSACleanup"): destructors make these calls.
bool IsReleaseOperation(const char* name);

// The errors Windows really gives for a faultable operation, in the order the
// fault sweep injects them; none for any other name.
std::vector<DWORD> RealisticErrors(const std::string& name);

}  // namespace machine
