// One run put back from its undo record: each value, file and start type as
// it was before the run, unless it changed since; what was put back, left,
// missed or failed tallied for the final box.
#pragma once

#include <string>
#include <vector>

#include "log/UndoFileReader.h"

namespace undo {

// Things of one kind of outcome, as the final box names them: registry
// values by their number, the rest each by its words.
struct Tally {
    std::size_t values = 0;
    std::vector<std::string> others;

    void Add(const std::string& words, bool isValue);
    bool Empty() const { return values == 0 && others.empty(); }
    std::string Text() const;
};

// What the undo put back, left, and could not put back, for the final box.
struct Outcome {
    Tally putBack;
    Tally left;       // changed since the run: left on purpose
    Tally missing;    // the undo's copy is gone
    Tally failed;     // could not be put back (the log says why)
    Tally atRestart;  // finished at the next restart
    std::vector<std::string> copiesRefused;  // "PATH: why"
};

// What putting the run back would change now, in the order the question
// names it: each thing not as before the run already. Empty when there is
// nothing left to put back.
Tally WhatIsLeft(const UndoRecord& record);

// Puts the run back; true when everything it changed is back, goes back at
// the next restart, or was left because it changed since.
bool PutBackRun(const UndoRecord& record, Outcome& outcome);

// "a", "a and b", "a, b and c".
std::string Listed(const std::vector<std::string>& items);

}  // namespace undo
