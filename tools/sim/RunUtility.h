// One run of the utility, or of its undo, on a simulated machine: the program
// on top of the simulated backend, as its entry point runs it on the real one.
#pragma once

#include "sim/SimApi.h"

namespace sim {

// Runs the utility once on the backend's machine, as a fresh process would;
// it ends early where the backend stops the process (SimApi::stopAtCall).
void RunUtility(SimApi& api);
// Runs remendo-undo once on the backend's machine, as a fresh process beside
// remendo.exe would, cut off where the backend stops the process.
void RunUndo(SimApi& api);

}  // namespace sim
