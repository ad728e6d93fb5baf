// Calendar arithmetic for the simulated clock.
#pragma once

#include "platform/WinTypes.h"

namespace sim {
// The time a number of milliseconds after `start` (day of the week included).
SYSTEMTIME AddMilliseconds(const SYSTEMTIME& start, unsigned long long milliseconds);
}
