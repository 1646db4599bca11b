#pragma once

#include "document/DocumentTypes.h"

#include <cstdint>
#include <functional>

namespace app {

// A bar that receives application messages from the main frame.
class RelayTarget {
  public:
    virtual ~RelayTarget() = default;
    virtual void OnRelayed(document::AppMessage message, intptr_t first, intptr_t second) = 0;
};

// The main frame's relay table: which bar an application message goes on
// to, and which update hint it becomes for the views of the active
// document. Bars, views and documents only ever talk through it.
class CMessageRelayer {
  public:
    using UpdateViews = std::function<void(document::UpdateHint hint, intptr_t param)>;

    // Any target may be null; updateViews reaches the active document's views.
    CMessageRelayer(RelayTarget* entityBar, RelayTarget* propBar, UpdateViews updateViews)
        : m_entityBar(entityBar), m_propBar(propBar), m_updateViews(std::move(updateViews)) {}

    void Relay(document::AppMessage message, intptr_t first, intptr_t second);

    // The document of the last activation passed on; 0 before the first one.
    intptr_t LastActivation() const { return m_lastActivation; }

  private:
    void ToEntityBar(document::AppMessage message, intptr_t first, intptr_t second);
    void ToPropBar(document::AppMessage message, intptr_t first, intptr_t second);
    void Update(document::UpdateHint hint, intptr_t param);

    RelayTarget* m_entityBar;
    RelayTarget* m_propBar;
    UpdateViews m_updateViews;
    intptr_t m_lastActivation = 0;
};

} // namespace app
