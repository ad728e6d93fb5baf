// remendo-capture's reading of a PC: what the run of remendo.exe would read
// there, as a simulated machine that remendo-sim replays. Everything goes
// through the platform interface with read access only, so the same code
// captures a real PC (the win32 backend) and, in the tests, a simulated one.
#pragma once

#include <functional>
#include <string>

#include "MachineNames.h"
#include "machine/Machine.h"

namespace capture {

// A line for the person running the capture.
using ProgressLine = std::function<void(const std::string& line)>;

// Describes the run of the remendo.exe at `remendoExe` (a full path; it need
// not exist yet). Leaves out what no PC can tell: how long child programs
// run and how the user answers. `progress` is called once per area, before it
// is read ("Reading the printers and ports"); `leftOut` once for each thing
// read that the machine folder cannot hold (see MachineNames.h), which the
// machine then lacks ("Left out: ...").
machine::Machine CaptureMachine(const WideText& remendoExe, const ProgressLine& progress, const ProgressLine& leftOut);

}  // namespace capture
