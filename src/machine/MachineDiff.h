// What a run changed on a simulated machine, one readable line per change.
#pragma once

#include <string>
#include <vector>

#include "machine/Machine.h"

namespace machine {
std::vector<std::string> DescribeChanges(const Machine& before, const Machine& after);
}
