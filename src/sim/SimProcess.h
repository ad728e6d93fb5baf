// One process of the utility on a simulated machine (tools/sim/RunUtility.h runs it).
#pragma once

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

// A simulated machine with its backend installed, for calling core operations directly.
class InstalledMachine {
public:
    explicit InstalledMachine(machine::Machine& machine) : m_api(machine), m_backend(m_api) {}
    SimApi& api() { return m_api; }

private:
    SimApi m_api;
    ScopedBackend m_backend;
};

}  // namespace sim
