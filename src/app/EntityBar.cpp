#include "app/EntityBar.h"

#include "app/QtPlatform.h"
#include "commands/CommandTable.h"
#include "resources/ResourceCatalogue.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace app {

using namespace commands;

using document::AppMessage;

CEntityBar::CEntityBar(const resources::CResourceCatalogue* catalogue, QWidget* parent)
    : QDockWidget(QStringLiteral("entity bar"), parent), m_catalogue(catalogue) {
    setObjectName("entityBar");
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    auto* panel = new QWidget(this);
    m_label = new QLabel(panel);
    m_label->setObjectName("category");
    m_tree = new QTreeWidget(panel);
    m_tree->setObjectName("entities");
    m_tree->setHeaderHidden(true);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_label);
    layout->addWidget(m_tree);
    setWidget(panel);
    Refill();
}

void CEntityBar::OnRelayed(AppMessage message, intptr_t first, intptr_t second) {
    switch (message) {
    case AppMessage::DocumentActivated:
        m_document = second;
        Refill();
        break;
    case AppMessage::EditModeChanged:
        m_category = static_cast<int>(first);
        Refill();
        break;
    case AppMessage::EntitiesLoaded:
        m_mode = first == 1 ? 1 : 0;
        Refill();
        break;
    case AppMessage::DocumentClosing:
        if (second == m_document) m_document = 0;
        Refill();
        break;
    default:
        break;
    }
}

void CEntityBar::Refill() {
    const char* label = resources::CategoryLabel(m_category);
    m_label->setText(label ? QString::fromUtf8(label) : QString());
    m_tree->clear();
    if (!label) return;
    auto* root = new QTreeWidgetItem(m_tree, {QString::fromUtf8(label)});
    if (m_mode == 0 && m_catalogue) {
        for (const auto& entry : m_catalogue->Entries())
            if (entry.category == m_category) new QTreeWidgetItem(root, {FromGameText(entry.name)});
        root->sortChildren(0, Qt::AscendingOrder);
    }
    root->setExpanded(true);
}

void CEntityBar::contextMenuEvent(QContextMenuEvent* event) {
    // The bar's menu; its commands act on placed elements, which the bar
    // does not list yet.
    QMenu menu(this);
    for (const MenuEntry& entry : ContextMenu(MenuEntityBarContext)) {
        const CommandInfo* info = FindCommand(entry.id);
        QAction* action =
            menu.addAction(QString::fromUtf8(entry.text ? entry.text : info->menuText));
        action->setEnabled(false);
    }
    menu.exec(event->globalPos());
}

} // namespace app
