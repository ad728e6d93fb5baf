// Puts the Wine machine into a state the utility finds healthy, through the
// same Windows calls an installer would use: one directly connected family B
// printer, an imaging device that is not the maker's, the spooler running and
// the maker's management service set to start automatically. A run then
// confirms the printer, changes nothing and ends with "The utility has completed.".
#pragma once

#include <string>

// False, with the reason in `error`, when a step fails.
bool PrepareHealthyDirectMachine(std::string* error);
