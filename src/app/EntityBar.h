#pragma once

#include "app/MessageRelayer.h"
#include "document/DocumentChanges.h"

#include <QDockWidget>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

class CDefNode;
class QLabel;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace document {
class CVarnholtMapEditorDoc;
class MessageRelay;
} // namespace document

namespace resources {
class CResourceCatalogue;
}

namespace app {

class CEntityTree;

// The docked entity bar: one tree that lists, for the category chosen in
// the property bar, either the entity types that can be placed (mode 0) or
// the elements the active document holds (mode 1). Choosing a type starts
// placing it in the 3D view, choosing an element brings the view to it, and
// Del deletes the chosen element. The bar talks to the rest of the program
// only through messages to the main frame and the document's operations.
//
// While a document is active the bar follows its changes, so that no item
// ever refers to a node that left the document (undo and redo change it
// behind the bar's back): items let go of their nodes at once, and the list
// is filled anew once the event loop runs again.
class CEntityBar : public QDockWidget, public RelayTarget, private document::DocumentObserver {
    Q_OBJECT
  public:
    // The main frame that turns the bar's messages into view updates; may be
    // null (then the bar sends nothing).
    CEntityBar(const resources::CResourceCatalogue* catalogue, QWidget* parent = nullptr,
               document::MessageRelay* relay = nullptr);
    ~CEntityBar() override;

    // Runs a command of the main window (the context menu's "Edit..." asks
    // for Set Properties).
    using CommandHandler = std::function<void(int commandId)>;
    void SetCommandHandler(CommandHandler handler) { m_commandHandler = std::move(handler); }

    void OnRelayed(document::AppMessage message, intptr_t first, intptr_t second) override;

    int Category() const { return m_category; }
    int Mode() const { return m_mode; }
    // The player last chosen in the property bar, kept for the main frame.
    int Player() const { return m_player; }
    // The active document as the activation message carried it; 0 for none.
    intptr_t Document() const { return reinterpret_cast<intptr_t>(m_doc); }
    QTreeWidget* Tree() const;
    QMenu* ContextMenu() const { return m_menu; }

    // Lists the bar's category anew.
    void Refill();
    // The element node an item stands for; nullptr for the root, type items
    // and items whose node has left the document.
    CDefNode* NodeOf(const QTreeWidgetItem* item) const;
    // The item that lists node, or nullptr.
    QTreeWidgetItem* ItemOf(const CDefNode* node) const;
    // The placed entity the selected item stands for, or nullptr.
    CDefNode* SelectedElement() const;

    // Del: deletes the selected entity from the document (one undoable
    // step), telling the main frame first. A locked entity (the base map's
    // part of a mission) is refused with a beep.
    void DeleteSelected();
    // "Edit...": asks the main window for the selected element's properties.
    void EditSelected();

    // The text sent with the last PlaceEntity message: the type name as the
    // catalogue spells it, NUL-terminated, valid until the next one is sent.
    const std::string& PlacingType() const { return m_placingType; }
    // The equipped human sent with the last PlacePreparedEntity message. The
    // bar owns it until the next one; receivers copy it.
    const CDefNode* PreparedEntity() const { return m_prepared.get(); }

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    virtual void Beep();

  private:
    friend class CEntityTree;
    enum class Cause { Mouse, Keyboard, Activation };

    void OnDocumentChange(const document::DocumentChange& change) override;
    void SetDocument(document::CVarnholtMapEditorDoc* doc);
    void Send(document::AppMessage message, intptr_t first, intptr_t second);
    void OnCurrentItemChanged(QTreeWidgetItem* current);
    void Choose(QTreeWidgetItem* item, Cause cause);
    void PlaceType(const std::string& typeName);
    void PlaceBreed(const std::string& breedName);
    void UpdateMenu();
    // Selects item (nullptr: clears the selection) without telling anyone.
    void SelectSilently(QTreeWidgetItem* item);

    bool ListsElements() const;
    bool ListsRecords() const;
    void FillTypes(QTreeWidgetItem* root);
    void FillEntities(QTreeWidgetItem* root);
    void FillRecords(QTreeWidgetItem* root);
    QTreeWidgetItem* AddElementItem(QTreeWidgetItem* root, const std::string& text, CDefNode* node);
    // Lets go of node (or of every element when node is nullptr).
    void DropNode(const CDefNode* node);
    void DropAll();
    // Fills the list anew once the event loop runs; many changes, one refill.
    void ScheduleRefill();
    bool IsRoot(const CDefNode* node) const;

    const resources::CResourceCatalogue* m_catalogue;
    document::MessageRelay* m_relay;
    CommandHandler m_commandHandler;
    QLabel* m_label;
    CEntityTree* m_tree;
    QMenu* m_menu;
    QAction* m_editAction;
    QAction* m_deleteAction;
    document::CVarnholtMapEditorDoc* m_doc = nullptr;
    int m_category = 17; // Vegetation
    int m_mode = 0;
    int m_player = 0;
    // Set while the bar selects an item itself (for the 3D view, after a
    // refill): that selection change is not sent back.
    bool m_synchronising = false;
    bool m_refillPending = false;
    std::unordered_map<const CDefNode*, QTreeWidgetItem*> m_itemOf;
    std::string m_placingType;
    std::unique_ptr<CDefNode> m_prepared;
};

} // namespace app
