// A restart of the simulated machine.
#pragma once

#include "machine/Machine.h"

namespace sim {

// The machine starts again: the file moves scheduled for its next start are
// carried out in the order they were scheduled, as the session manager does,
// and the schedule is emptied. A move whose file is gone, whose target exists
// without leave to replace it, or whose target is a directory or lies beneath
// a file (no file can go there), is dropped.
void Restart(machine::Machine& machine);

}  // namespace sim
