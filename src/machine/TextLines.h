// Text cut into lines, as the machine's text files are read.
#pragma once

#include <string>
#include <vector>

namespace machine {
// The lines without their line ends, as regedit reads them: CR LF, LF and a
// lone CR each end a line, and a last line without a line end counts.
std::vector<std::string> SplitLines(const std::string& text);
}  // namespace machine
