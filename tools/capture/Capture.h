// remendo-capture's reading of a PC: what the run of remendo.exe would read
// there, as a simulated machine that remendo-sim replays. Everything goes
// through the platform interface with read access only, so the same code
// captures a real PC (the win32 backend) and, in the tests, a simulated one.
#pragma once

#include <functional>
#include <string>

#include "machine/Machine.h"

namespace capture {

// Called once per area, before it is read ("Reading the printers and ports").
using ProgressLine = std::function<void(const std::string& line)>;

// Describes the run of the remendo.exe at `remendoExe` (a full path; it need
// not exist yet). Leaves out what no PC can tell: how long child programs
// run and how the user answers.
sim::Machine CaptureMachine(const std::string& remendoExe, const ProgressLine& progress);

}  // namespace capture
