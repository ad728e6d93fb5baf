#include "sim/SimProcess.h"

#include "log/DebugLog.h"

namespace sim {

ScopedBackend::ScopedBackend(SimApi& api)
{
    SetWin(&api);
    DebugLog::ResetProcessState();
}

ScopedBackend::~ScopedBackend()
{
    // The process ends: what it held open goes with it.
    DebugLog::ResetProcessState();
    SetWin(nullptr);
}

}  // namespace sim
