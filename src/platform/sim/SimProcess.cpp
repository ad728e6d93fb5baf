#include "platform/sim/SimProcess.h"

#include "app/Remendo.h"
#include "log/DebugLog.h"

namespace sim {

void RunUtility(SimApi& api)
{
    SetWin(&api);
    DebugLog::ResetProcessState();
    {
        CRemendoApp app;
        app.InitInstance();
    }
    // The process ends: what it held open goes with it.
    DebugLog::ResetProcessState();
    SetWin(nullptr);
}

}  // namespace sim
