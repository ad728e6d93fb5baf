// One run of the utility on a simulated machine: the application on top of the
// simulated backend, as remendo.exe's entry point runs it on the real one.
#pragma once

#include "sim/SimApi.h"

namespace sim {

// Runs the utility once on the backend's machine, as a fresh process would;
// it ends early where the backend stops the process (SimApi::stopAtCall).
void RunUtility(SimApi& api);

}  // namespace sim
