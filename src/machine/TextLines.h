// Text cut into lines, as the machine's text files are read.
#pragma once

#include <cstddef>
#include <string_view>

namespace machine {
// The lines one after another, without their line ends, as regedit reads
// them: CR LF, LF and a lone CR each end a line, and a last line without a
// line end counts. Each line is a view into the text, which must outlive it.
class LineReader {
public:
    explicit LineReader(std::string_view text) : m_text(text) {}
    // The next line; false after the last.
    bool Next(std::string_view& line);

private:
    std::string_view m_text;
    std::size_t m_at = 0;
};
}  // namespace machine
