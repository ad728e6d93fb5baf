#include "sim/Restart.h"

namespace sim {

void Restart(machine::Machine& machine)
{
    for (const machine::PendingRename& rename : machine.pendingRenames) {
        if (machine.files.Find(rename.from) == nullptr)
            continue;
        if (rename.to.empty())
            machine.files.Remove(rename.from);
        else if ((rename.replaceExisting || machine.files.Find(rename.to) == nullptr) &&
                 (machine.files.Find(rename.to) != nullptr || machine.files.FileClash(rename.to).empty()))
            machine.files.Rename(rename.from, rename.to);
    }
    machine.pendingRenames.clear();
}

}  // namespace sim
