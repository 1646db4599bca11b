#include "tree/VarnholtMapEditorView.h"

#include "document/VarnholtMapEditorDoc.h"
#include "format/DefNode.h"
#include "tree/FindDialog.h"
#include "tree/TreeText.h"

#include <QGuiApplication>
#include <QMessageBox>

#include <string>
#include <vector>

namespace {

// A position in the tree in display order: a node, then its children, then
// its next sibling. The path holds, per level, the parent (nullptr for the
// root list) and the index below it, so moving never needs a parent lookup.
class DisplayWalker {
  public:
    explicit DisplayWalker(const DefNodeList& roots) : m_roots(roots) {}

    bool SeekFirst() {
        m_path.clear();
        if (m_roots.empty()) return false;
        m_path.push_back({nullptr, 0});
        return true;
    }
    bool SeekLast() {
        m_path.clear();
        if (m_roots.empty()) return false;
        m_path.push_back({nullptr, m_roots.size() - 1});
        DescendToLast();
        return true;
    }
    // Walks to target; false when it is not in the tree. The target is only
    // compared, so a pointer to a node deleted meanwhile is harmless.
    bool Seek(const CDefNode* target) {
        if (!target || !SeekFirst()) return false;
        do {
            if (Current() == target) return true;
        } while (Next());
        return false;
    }
    CDefNode* Current() const {
        const Frame& f = m_path.back();
        return f.parent ? f.parent->Child(f.index) : m_roots[f.index].get();
    }
    // False at the end of the tree.
    bool Next() {
        CDefNode* node = Current();
        if (node->ChildCount()) {
            m_path.push_back({node, 0});
            return true;
        }
        while (!m_path.empty()) {
            Frame& f = m_path.back();
            if (++f.index < CountBelow(f.parent)) return true;
            m_path.pop_back();
        }
        return false;
    }
    // False at the start of the tree.
    bool Previous() {
        Frame& f = m_path.back();
        if (f.index > 0) {
            --f.index;
            DescendToLast();
            return true;
        }
        m_path.pop_back();
        return !m_path.empty();
    }

  private:
    struct Frame {
        CDefNode* parent;
        size_t index;
    };

    size_t CountBelow(const CDefNode* parent) const {
        return parent ? parent->ChildCount() : m_roots.size();
    }
    void DescendToLast() {
        for (CDefNode* node = Current(); node->ChildCount(); node = Current())
            m_path.push_back({node, node->ChildCount() - 1});
    }

    const DefNodeList& m_roots;
    std::vector<Frame> m_path;
};

} // namespace

void CVarnholtMapEditorView::OnFind() {
    if (!CanFind()) return;
    if (!m_findDialog) {
        m_findDialog = new CFindDialog(this);
        connect(m_findDialog, &CFindDialog::FindNextRequested, this,
                [this](const QString& text, bool matchCase, bool wholeWord, bool down) {
                    FindNext(text, matchCase, wholeWord, down);
                });
        connect(m_findDialog, &CFindDialog::Closing, this, [this] {
            if (!m_findDialog) return;
            m_findDialog->deleteLater();
            m_findDialog = nullptr;
        });
    }
    m_findDialog->show();
    m_findDialog->raise();
    m_findDialog->activateWindow();
}

bool CVarnholtMapEditorView::FindNext(const QString& text, bool matchCase, bool wholeWord,
                                      bool down) {
    if (text.isEmpty() || !m_doc) return false;
    m_searchDown = down;
    m_matchCase = matchCase;
    m_wholeWord = wholeWord;
    const std::string needle = tree::NodeBytes(text);

    DisplayWalker walker(m_doc->Roots());
    bool more = false;
    if (m_lastHit && walker.Seek(m_lastHit)) {
        more = down ? walker.Next() : walker.Previous();
    } else if (CDefNode* selected = SelectedNode(); selected && walker.Seek(selected)) {
        more = true;
    } else {
        more = down ? walker.SeekFirst() : walker.SeekLast();
    }
    for (; more; more = down ? walker.Next() : walker.Previous()) {
        CDefNode* node = walker.Current();
        if (!node->MatchesSearch(needle, matchCase, wholeWord)) continue;
        m_lastHit = node;
        window()->raise();
        SelectNode(node);
        return true;
    }
    m_lastHit = nullptr;
    ShowNotFound(QStringLiteral("The string '%1' could not be found.").arg(text));
    return false;
}

void CVarnholtMapEditorView::ShowNotFound(const QString& text) {
    QMessageBox::information(this, QGuiApplication::applicationDisplayName(), text);
}
