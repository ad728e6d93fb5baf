// Text cut into lines, as the machine's text files are read.
#pragma once

#include <string>
#include <vector>

namespace sim {
// The lines without their line ends; CR LF and LF end a line alike, and a last
// line without a line end counts.
std::vector<std::string> SplitLines(const std::string& text);
}  // namespace sim
