#pragma once

#include <QCursor>

// The cursor the 3D view shows in an editing cursor mode (0 to 8): the
// standard arrow for 0 and for unknown modes, a cursor of the editor's own
// for each tool. The linked and waypoint-to-unit modes (5, 6) show the
// waypoint tool's cursor (3). The cursors are drawn once and reused.
QCursor EditCursor(int cursorMode);
