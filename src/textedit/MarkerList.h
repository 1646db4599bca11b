#pragma once

#include <vector>

namespace textedit {

// The line markers of the text window and the order Go to Marker visits
// them in: ascending lines, wrapping from the last to the first, starting
// after the current marker. The window moves markers with the text it edits
// and hands their lines back through Reset before each use.
class CMarkerList {
  public:
    // Sets a marker on line, or removes the one there. A new marker becomes
    // the current one; when the current one is removed, the marker after it
    // (or the first, when it was the last) becomes current. True when set.
    bool Toggle(int line);
    // Moves to the marker after the current one, wrapping; its line, or -1
    // when there is no marker.
    int Next();
    // The line of the current marker, or -1.
    int Current() const { return m_current; }
    const std::vector<int>& Lines() const { return m_lines; }
    bool Empty() const { return m_lines.empty(); }
    // Takes the markers' lines as they are now; current is the current
    // marker's line (-1 when it is gone). Duplicates are dropped.
    void Reset(std::vector<int> lines, int current);

  private:
    std::vector<int> m_lines; // ascending
    int m_current = -1;
};

} // namespace textedit
