// A simulated machine installed as the backend for one fuzzer input, so core
// operations that reach the platform can be called directly.
#pragma once

#include "log/DebugLog.h"
#include "platform/sim/SimApi.h"

namespace fuzz {

class Backend {
public:
    explicit Backend(sim::Machine& machine) : m_api(machine)
    {
        SetWin(&m_api);
        DebugLog::ResetProcessState();
    }
    ~Backend()
    {
        DebugLog::ResetProcessState();
        SetWin(nullptr);
    }
    Backend(const Backend&) = delete;
    Backend& operator=(const Backend&) = delete;

private:
    sim::SimApi m_api;
};

}  // namespace fuzz
