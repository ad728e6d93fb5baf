#include "platform/sim/SimProcess.h"

#include "app/Remendo.h"
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

void RunUtility(SimApi& api)
{
    ScopedBackend process(api);
    try {
        CRemendoApp app;
        app.InitInstance();
    } catch (const ProcessStopped&) {
        // Cut off half-way: the machine stays as the run left it.
    }
}

}  // namespace sim
