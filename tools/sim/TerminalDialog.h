// The connection dialog asked on the terminal, for remendo-sim runs whose
// machine scripts no answers to it.
#pragma once

#include <functional>
#include <optional>

#include "sim/SimApi.h"

// One round of answers per call: the fields, then "Fix It" or "Cancel". When a
// press leaves the dialog open, the next call first shows the boxes it brought.
// No answer (end of input) closes the dialog.
std::function<std::optional<machine::DialogAnswers>(const sim::SimWindow&)> TerminalDialogAsker(const sim::SimApi& api);
