#include "machine/TextLines.h"

namespace machine {

bool LineReader::Next(std::string_view& line)
{
    if (m_at >= m_text.size())
        return false;
    std::size_t end = m_at;
    while (end < m_text.size() && m_text[end] != '\r' && m_text[end] != '\n')
        ++end;
    if (end == m_text.size()) {
        line = m_text.substr(m_at);
        m_at = m_text.size();
        return true;
    }
    line = m_text.substr(m_at, end - m_at);
    m_at = end + (m_text[end] == '\r' && end + 1 < m_text.size() && m_text[end + 1] == '\n' ? 2 : 1);
    return true;
}

}  // namespace machine
