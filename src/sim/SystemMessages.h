// The system's texts for error codes, as FormatMessageA gives them (with their
// trailing line break); nullptr for a code the system has no text for.
#pragma once

#include "platform/WinTypes.h"

namespace sim {
const char* SystemMessageText(DWORD code);
}
