#pragma once

#include "app/MessageRelayer.h"

#include <QDockWidget>

class QLabel;
class QTreeWidget;

namespace resources {
class CResourceCatalogue;
}

namespace app {

// The docked entity bar: the category chosen in the property bar and, in
// the "available elements" mode, the entity types of that category that the
// catalogue holds. Listing placed elements, placing and deleting from the
// bar come with the bar's full version; until then it only follows the
// messages the main frame relays.
class CEntityBar : public QDockWidget, public RelayTarget {
    Q_OBJECT
  public:
    CEntityBar(const resources::CResourceCatalogue* catalogue, QWidget* parent = nullptr);

    void OnRelayed(document::AppMessage message, intptr_t first, intptr_t second) override;

    int Category() const { return m_category; }
    int Mode() const { return m_mode; }
    intptr_t Document() const { return m_document; }
    QTreeWidget* Tree() const { return m_tree; }

    // Lists the bar's category anew.
    void Refill();

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    const resources::CResourceCatalogue* m_catalogue;
    QLabel* m_label;
    QTreeWidget* m_tree;
    int m_category = 17; // Vegetation
    int m_mode = 0;
    intptr_t m_document = 0;
};

} // namespace app
