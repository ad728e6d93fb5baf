// One process of the utility on a simulated machine (tools/sim/RunUtility.h runs it,
// tools/sim/InstalledMachine.h holds the utility's hub on it).
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

}  // namespace sim
