// A simulated machine with its backend installed and the utility's hub on it,
// for calling the run's steps one by one (the tests, the fuzzers, the bench).
#pragma once

#include "app/Remendo.h"
#include "sim/SimProcess.h"

namespace sim {

// The members are built in this order: the backend is installed before the
// hub exists and removed only after it is gone. The machine must outlive it;
// as the simulator reads the machine call by call, the machine may still be
// set up after this is built on it.
struct InstalledMachine {
    explicit InstalledMachine(machine::Machine& machine) : api(machine), backend(api) {}

    SimApi api;
    ScopedBackend backend;
    CRemendoApp app;
};

}  // namespace sim
