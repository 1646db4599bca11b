#pragma once

#include "view3d/MapEditor.h"

#include <functional>

class QWidget;

namespace app {

// The dialogs the 3D view's editing tools open: the property editors for
// elements, zones and crews, over the view's window, and the system beep.
class CMapEditDialogs : public view3d::EditDialogs {
  public:
    // showWaypoints switches "Show Waypoints" on for every view.
    CMapEditDialogs(QWidget* parent, std::function<void()> showWaypoints)
        : m_parent(parent), m_showWaypoints(std::move(showWaypoints)) {}

    void Beep() override;
    bool EditElement(document::CVarnholtMapEditorDoc& doc, CDefNode& node) override;
    bool EditZone(document::CVarnholtMapEditorDoc& doc, document::ZoneRecord& zone) override;
    std::optional<document::ZoneForm> NewZone(const document::ZoneRecord& draft) override;
    bool BoardVehicle(document::CVarnholtMapEditorDoc& doc, CDefNode& passenger,
                      const CDefNode& vehicle) override;
    void ShowWaypoints() override;

  private:
    QWidget* m_parent;
    std::function<void()> m_showWaypoints;
};

} // namespace app
