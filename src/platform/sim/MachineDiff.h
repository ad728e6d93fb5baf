// What a run changed on a simulated machine, one readable line per change.
#pragma once

#include <string>
#include <vector>

#include "platform/sim/Machine.h"

namespace sim {
std::vector<std::string> DescribeChanges(const Machine& before, const Machine& after);
// The undo files the run wrote (Windows paths), those the machine held before left out.
std::vector<std::string> NewUndoFiles(const Machine& before, const Machine& after);
}
