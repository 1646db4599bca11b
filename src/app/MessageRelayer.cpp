#include "app/MessageRelayer.h"

namespace app {

using document::AppMessage;
using document::UpdateHint;

void CMessageRelayer::ToEntityBar(AppMessage message, intptr_t first, intptr_t second) {
    if (m_entityBar) m_entityBar->OnRelayed(message, first, second);
}

void CMessageRelayer::ToPropBar(AppMessage message, intptr_t first, intptr_t second) {
    if (m_propBar) m_propBar->OnRelayed(message, first, second);
}

void CMessageRelayer::Update(UpdateHint hint, intptr_t param) {
    if (m_updateViews) m_updateViews(hint, param);
}

void CMessageRelayer::Relay(AppMessage message, intptr_t first, intptr_t second) {
    switch (message) {
    case AppMessage::DocumentActivated:
        // Every focus change of a view reports its document; the bars refill
        // their lists only when the document really changes.
        if (second == m_lastActivation) return;
        m_lastActivation = second;
        ToEntityBar(message, first, second);
        ToPropBar(message, first, second);
        break;
    case AppMessage::EditModeChanged:
        ToEntityBar(message, first, second);
        ToPropBar(message, first, second);
        Update(UpdateHint::EditModeChanged, first);
        break;
    case AppMessage::ElementEdit:
        if (first == 3 || first == 4) {
            ToPropBar(message, first, second);
            ToEntityBar(message, first, second);
        } else if (first == 0) {
            Update(UpdateHint::PlaceEntity, second);
        } else if (first == 1 && second != 0) {
            Update(UpdateHint::PlacePrepared, second);
        } else {
            Update(UpdateHint::GoToElement, second);
        }
        break;
    case AppMessage::PlayerChanged:
        if (first == -5) {
            ToPropBar(message, first, second);
        } else {
            ToEntityBar(message, first, second);
            Update(UpdateHint::PlayerChanged, first);
        }
        break;
    case AppMessage::EntitiesLoaded:
        ToEntityBar(message, first, second);
        Update(UpdateHint::Refresh, first);
        break;
    case AppMessage::ElementPlaced:
        ToEntityBar(message, first, second);
        break;
    case AppMessage::DocumentClosing:
        // A closed document's address may be reused by the next one opened;
        // forgetting it makes sure that document's activation reaches the bars.
        if (second != 0 && second == m_lastActivation) m_lastActivation = 0;
        Update(UpdateHint::Refresh, 0);
        ToEntityBar(message, first, second);
        break;
    case AppMessage::ElementDeleted:
        ToEntityBar(message, first, second);
        Update(first == 26 ? UpdateHint::WaypointDeleted : UpdateHint::ElementDeleted, second);
        break;
    case AppMessage::TurnChanged:
        Update(UpdateHint::TurnChanged, second);
        break;
    case AppMessage::ZoneCreated:
    case AppMessage::HelpersChanged:
    case AppMessage::GlobalZoneDeleted:
        ToEntityBar(message, first, second);
        break;
    case AppMessage::LeaveChanged:
        Update(UpdateHint::LeaveChanged, first);
        break;
    }
}

} // namespace app
