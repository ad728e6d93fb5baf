#include "RunUtility.h"

#include "app/Remendo.h"
#include "sim/SimProcess.h"
#include "UndoProgram.h"

namespace sim {

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

void RunUndo(SimApi& api)
{
    ScopedBackend process(api);
    try {
        undo::RunUndoProgram();
    } catch (const ProcessStopped&) {
        // Cut off half-way: the machine stays as the undo left it.
    }
}

}  // namespace sim
