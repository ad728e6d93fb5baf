// One process of the utility on a simulated machine (tools/sim/RunUtility.h runs it).
#pragma once

#include "app/Remendo.h"
#include "sim/SimApi.h"

namespace sim {

// Makes a simulated machine the backend of this process while it lives, as a
// fresh process of the utility would see it: the log's process-wide state
// starts anew, and ends with it.
class ScopedBackend {
public:
    explicit ScopedBackend(SimApi& api);
    ~ScopedBackend();
    ScopedBackend(const ScopedBackend&) = delete;
    ScopedBackend& operator=(const ScopedBackend&) = delete;
};

// A simulated machine with its backend installed and the utility's hub on it,
// for calling the run's steps one by one. The members are built in this order:
// the backend is installed before the hub exists and removed only after it is
// gone. The machine must outlive it; as the simulator reads the machine call
// by call, the machine may still be set up after this is built on it.
struct InstalledMachine {
    explicit InstalledMachine(machine::Machine& machine) : api(machine), backend(api) {}

    SimApi api;
    ScopedBackend backend;
    CRemendoApp app;
};

}  // namespace sim
