#pragma once

#include <QString>
#include <QTreeView>

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

class CDefNode;
class QPrinter;

namespace document {
class CVarnholtMapEditorDoc;
class MessageRelay;
} // namespace document

class CDefTreeModel;
class CFindDialog;
class QMenu;

// The element tree: every node of a document as one item, top-level nodes
// first, children below their parents in node order. A generic view of the
// definition nodes: it edits names and the first four values of any node,
// inserts and deletes nodes, copies and pastes whole subtrees through the
// "VARNHOLT" clipboard format and finds text in names and values.
//
// Items are made only when their parent is expanded, so a mission with tens
// of thousands of entities shows at once. The rows follow the document's
// change notices, so edits, undo and redo keep the selection and the
// expanded items; the expanded state also lives in the nodes and survives
// every rebuild.
class CVarnholtMapEditorView : public QTreeView {
    Q_OBJECT
  public:
    CVarnholtMapEditorView(document::CVarnholtMapEditorDoc* doc, document::MessageRelay* relay,
                           QWidget* parent = nullptr);
    ~CVarnholtMapEditorView() override;

    document::CVarnholtMapEditorDoc* Document() const { return m_doc; }

    // The label of a node: its name, then " (" values joined by " ;" ")".
    static QString ItemLabel(const CDefNode& node);

    // Throws the items away and shows the document's nodes anew, expanding
    // what the nodes say is expanded.
    void Rebuild();
    CDefNode* SelectedNode() const;
    void SelectNode(CDefNode* node);

    // What opens the property dialogs (an entity's, a waypoint's, a zone's,
    // a trigger's) for Set Properties: the dialogs live above the tree, so
    // the application hands them in once at start. True when the document
    // was changed.
    using PropertiesEditor =
        std::function<bool(document::CVarnholtMapEditorDoc&, CDefNode*, QWidget*)>;
    static void SetPropertiesEditor(PropertiesEditor editor);
    // Set Properties on the selected node; the tree's Edit keeps opening the
    // raw entry dialog.
    void OnSetProperties();
    // True when the selected node is an element with a property dialog and
    // an editor was handed in.
    bool CanSetProperties() const;

    // Commands of the view (Edit, Insert, Delete, Copy, Paste, Find).
    void OnEdit();
    void OnInsert();
    void OnDelete();
    void OnCopy();
    void OnPaste();
    void OnFind();
    bool CanCopy() const;
    bool CanPaste() const;
    bool CanFind() const;
    // One find-next request as the find dialog sends it; true when a node was
    // found and selected, false after "The string '%s' could not be found.".
    bool FindNext(const QString& text, bool matchCase, bool wholeWord, bool down = true);
    // Prints the visible tree text.
    void Print(QPrinter* printer);

    // Tells the main frame that this view's document is active (DocumentActivated).
    void NotifyActivated();
    // A document broadcast; the tree only repaints (deletions reach it as
    // change notices), except for ElementDeleted or WaypointDeleted without a
    // node, which announce that the elements are replaced outside the edit
    // history: then it lets go of every node at once and rebuilds itself
    // afterwards. GoToElement selects the element node passed with it.
    void OnUpdate(int hint, intptr_t param);

  signals:
    // The document was changed through this view (its title shows " *").
    void DocumentModified();

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    // Shows "The string '...' could not be found." (an information box).
    virtual void ShowNotFound(const QString& text);

  private:
    // Expands the children of an expanded item whose nodes say they were
    // expanded, so that reopening a parent restores what lay below it.
    void ExpandMarkedChildren(const QModelIndex& parent);
    // After an edit of this view: select, tell the frame.
    void FinishEdit(CDefNode* select);
    // Appends node below parent, or to the end of the root list without one,
    // through the document as one step; nullptr when the document refuses.
    CDefNode* Adopt(CDefNode* parent, std::unique_ptr<CDefNode> node, std::string_view stepName);
    // 0 for a mission, 1 for a map, as the main frame relays it.
    int DocumentType() const;

    document::CVarnholtMapEditorDoc* m_doc;
    document::MessageRelay* m_relay;
    std::unique_ptr<CDefTreeModel> m_model;
    CFindDialog* m_findDialog = nullptr;
    bool m_searchDown = true;
    bool m_matchCase = false;
    bool m_wholeWord = false;
    CDefNode* m_lastHit = nullptr;
    QMenu* m_contextMenu = nullptr;
    bool m_rebuildPending = false;
};
