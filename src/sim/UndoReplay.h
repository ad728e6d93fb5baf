// A run's undo files on a simulated machine, and their replay as an
// administrator carries them out.
#pragma once

#include <string>
#include <vector>

#include "machine/Machine.h"

namespace sim {
// The undo files the run wrote (Windows paths), those the machine held before left out.
std::vector<std::string> NewUndoFiles(const machine::Machine& before, const machine::Machine& after);

// Undoes a run as an administrator would with its undo file: its values through
// the .reg reader, as "regedit /s"; the start types it puts back given to their
// services (the service manager keeps a service's start type in its key's
// "Start" value, which this machine holds apart from its registry); then its
// copy lines, in order, on the disks. False, with the problem, when the file
// cannot be read or a copy cannot be made.
bool ApplyUndoFile(machine::Machine& machine, const std::string& undoPath, std::string& problem);

// An undo file's lines (without CR LF) as the machine's text: UTF-16LE after
// its byte-order mark, or the REGEDIT4 form in the machine's code page.
std::vector<std::string> UndoFileLines(const std::string& bytes, unsigned codePage);
}
