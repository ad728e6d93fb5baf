// remendo-undo: the runs of remendo.exe put back from their undo files,
// latest first, each after the user's Yes. A value or file changed since the
// run is never written over; nothing of an undo (its file, its copies) is ever
// deleted or written over, and a run once put back is not offered again.
#pragma once

namespace undo {

// Runs the whole undo on the backend in force (Win()): finds the runs' undo
// files in the undo store (those elsewhere are named, never read), asks,
// puts back, logs
// (Remendo-undo.log beside the program, else in the temp folder), and shows
// the final box. The process's exit code.
int RunUndoProgram();

}  // namespace undo
