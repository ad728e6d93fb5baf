// One process of the utility on a simulated machine.
#pragma once

#include "platform/sim/SimApi.h"

namespace sim {

// Runs the utility once on the backend's machine, as a fresh process would:
// the backend is installed for the run and the log's process-wide state starts anew.
void RunUtility(SimApi& api);

}  // namespace sim
