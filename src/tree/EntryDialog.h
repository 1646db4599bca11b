#pragma once

#include <QDialog>
#include <QString>

#include <memory>
#include <unordered_map>

class CDefNode;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace document {
class CVarnholtMapEditorDoc;
}

// "Entry bearbeiten": edits the name and the first four values of one node
// and lists its children, each of which can be edited (or deleted) with the
// same dialog in turn. The dialog works on a copy of the node's subtree, so
// that Cancel leaves the node exactly as it was, including whatever nested
// dialogs confirmed. OK writes the copy back into the node; Delete ends the
// dialog with DeleteRequested and leaves the deleting to the caller, who
// knows where the node lives.
class CEntryDialog : public QDialog {
    Q_OBJECT
  public:
    enum Result {
        Cancelled = QDialog::Rejected,
        Confirmed = QDialog::Accepted,
        DeleteRequested = 2
    };

    // doc is the document that holds node, or nullptr for a node that is not
    // in a document yet; children deleted here go through the document so
    // that its records and identifiers stay consistent.
    CEntryDialog(CDefNode& node, document::CVarnholtMapEditorDoc* doc, QWidget* parent = nullptr);
    ~CEntryDialog() override;

    // Writes name and the four parameters into node, taken for k = 0..3 in
    // turn: a non-empty parameter replaces the value it stands for, or is
    // appended when the node has no such value; an empty one removes it, and
    // the later values move down, so the next parameters apply to the shifted
    // list (values a, b, c edited to "", b2, c give b2, c). Values beyond the
    // fourth are never changed. False, node unchanged, when name is empty.
    static bool ApplyEntry(CDefNode& node, const QString& name, const QString params[4]);
    // Why the texts cannot be stored as they are: a name or a value that the
    // file would read back differently (a brace, a space outside quotes, a
    // comment sign, an open quote). Empty when everything can be stored.
    static QString CheckEntry(const QString& name, const QString params[4]);

    // True when OK wrote changes below the node: a child edited or deleted
    // through a nested dialog. Always false after Cancel or Delete.
    bool SubentriesChanged() const { return m_changed; }

    void accept() override;

  protected:
    // Shows what CheckEntry found; the dialog stays open.
    virtual void ShowProblem(const QString& text);

  private:
    void FillSubentries();
    void EditSubentry(QListWidgetItem* item);
    bool RemoveSubentry(CDefNode* child);

    // The node the dialog was opened on, and the document whose records and
    // identifiers follow the deletions that OK writes back.
    CDefNode& m_node;
    document::CVarnholtMapEditorDoc* m_doc;
    // What the fields and the nested dialogs edit until OK, and which node
    // of the copy each node of the original subtree became.
    std::unique_ptr<CDefNode> m_copy;
    std::unordered_map<const CDefNode*, const CDefNode*> m_copyOf;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_params[4] = {};
    QListWidget* m_subentries = nullptr;
    bool m_changed = false;
};
