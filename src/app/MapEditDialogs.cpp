#include "app/MapEditDialogs.h"

#include "document/VarnholtMapEditorDoc.h"
#include "editors/EntityPropertiesDialog.h"
#include "editors/HelperDialogs.h"

#include <QApplication>

namespace app {

void CMapEditDialogs::Beep() {
    QApplication::beep();
}

bool CMapEditDialogs::EditElement(document::CVarnholtMapEditorDoc& doc, CDefNode& node) {
    return EditElementProperties(doc, &node, m_parent);
}

bool CMapEditDialogs::EditZone(document::CVarnholtMapEditorDoc& doc, document::ZoneRecord& zone) {
    CZoneDialog dialog(doc, zone, m_parent);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<document::ZoneForm> CMapEditDialogs::NewZone(const document::ZoneRecord& draft) {
    // The dialog works on a copy that belongs to no document: what it
    // changes reaches the mission only through the form it gives back.
    document::ZoneRecord copy = draft;
    document::CVarnholtMapEditorDoc scratch;
    CZoneDialog dialog(scratch, copy, m_parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return document::ReadZoneForm(copy);
}

bool CMapEditDialogs::BoardVehicle(document::CVarnholtMapEditorDoc& doc, CDefNode& passenger,
                                   const CDefNode& vehicle) {
    return EditCrewMember(doc, passenger, vehicle, m_parent);
}

void CMapEditDialogs::ShowWaypoints() {
    if (m_showWaypoints) m_showWaypoints();
}

} // namespace app
