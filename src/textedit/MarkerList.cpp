#include "textedit/MarkerList.h"

#include <algorithm>

namespace textedit {

bool CMarkerList::Toggle(int line) {
    auto it = std::lower_bound(m_lines.begin(), m_lines.end(), line);
    if (it != m_lines.end() && *it == line) {
        it = m_lines.erase(it);
        if (m_current == line) {
            if (m_lines.empty())
                m_current = -1;
            else
                m_current = it == m_lines.end() ? m_lines.front() : *it;
        }
        return false;
    }
    m_lines.insert(it, line);
    m_current = line;
    return true;
}

int CMarkerList::Next() {
    if (m_lines.empty()) return m_current = -1;
    auto it = std::upper_bound(m_lines.begin(), m_lines.end(), m_current);
    if (m_current < 0 || it == m_lines.end()) it = m_lines.begin();
    return m_current = *it;
}

void CMarkerList::Reset(std::vector<int> lines, int current) {
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    m_lines = std::move(lines);
    m_current = std::binary_search(m_lines.begin(), m_lines.end(), current) ? current : -1;
}

} // namespace textedit
