#include "tree/VarnholtMapEditorView.h"

#include "document/PropertyForms.h"
#include "document/VarnholtMapEditorDoc.h"
#include "format/DefArchive.h"
#include "format/DefNode.h"
#include "tree/EntryDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include <string_view>
#include <utility>

namespace {

// The clipboard format of copied subtrees: the nodes' archive form.
const QString kClipboardFormat = QStringLiteral("VARNHOLT");

CVarnholtMapEditorView::PropertiesEditor& PropertiesEditorSlot() {
    static CVarnholtMapEditorView::PropertiesEditor editor;
    return editor;
}

const QMimeData* ClipboardData() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->mimeData() : nullptr;
}

} // namespace

void CVarnholtMapEditorView::OnEdit() {
    CDefNode* node = SelectedNode();
    if (!node || !m_doc) return;
    CEntryDialog dialog(*node, m_doc, this);
    const int result = dialog.exec();
    bool changed = dialog.SubentriesChanged() || result == CEntryDialog::Confirmed;
    CDefNode* select = node;
    if (result == CEntryDialog::DeleteRequested) {
        // Top-level nodes have no parent and stay; the document refuses
        // locked nodes and removes the records of what it deletes.
        if (CDefNode* parent = m_doc->FindParent(node); parent && m_doc->DeleteNode(node)) {
            changed = true;
            select = parent;
        }
    }
    if (changed) FinishEdit(select);
}

void CVarnholtMapEditorView::SetPropertiesEditor(PropertiesEditor editor) {
    PropertiesEditorSlot() = std::move(editor);
}

bool CVarnholtMapEditorView::CanSetProperties() const {
    CDefNode* node = SelectedNode();
    return m_doc && node && PropertiesEditorSlot() && document::HasPropertyDialog(*m_doc, node);
}

void CVarnholtMapEditorView::OnSetProperties() {
    if (!CanSetProperties()) return;
    CDefNode* node = SelectedNode();
    if (PropertiesEditorSlot()(*m_doc, node, this)) FinishEdit(node);
}

void CVarnholtMapEditorView::OnInsert() {
    if (!m_doc) return;
    CDefNode* parent = SelectedNode();
    auto node = std::make_unique<CDefNode>("NewEntry");
    CEntryDialog dialog(*node, nullptr, this);
    if (dialog.exec() != CEntryDialog::Confirmed) return;
    const std::string step = "Insert " + std::string(node->Name());
    if (CDefNode* inserted = Adopt(parent, std::move(node), step)) FinishEdit(inserted);
}

void CVarnholtMapEditorView::OnDelete() {
    CDefNode* node = SelectedNode();
    if (!node || !m_doc) return;
    CDefNode* parent = m_doc->FindParent(node);
    if (!parent) return;
    const int index = parent->IndexOfChild(node);
    if (!m_doc->DeleteNode(node)) return;
    // Keep the place in the list: the node that moved up, else the one above.
    CDefNode* select = parent->Child(static_cast<size_t>(index));
    if (!select && index > 0) select = parent->Child(static_cast<size_t>(index - 1));
    FinishEdit(select ? select : parent);
}

void CVarnholtMapEditorView::OnCopy() {
    CDefNode* node = SelectedNode();
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!node || !clipboard) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    CDefArchive archive;
    node->Serialize(archive);
    const std::string& bytes = archive.Bytes();
    auto* data = new QMimeData;
    data->setData(kClipboardFormat, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    clipboard->setMimeData(data);
    QApplication::restoreOverrideCursor();
}

void CVarnholtMapEditorView::OnPaste() {
    const QMimeData* data = ClipboardData();
    if (!m_doc || !data || !data->hasFormat(kClipboardFormat)) return;
    const QByteArray bytes = data->data(kClipboardFormat);
    CDefArchive archive(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    auto node = std::make_unique<CDefNode>();
    // Bytes that end early leave a partial node: it is dropped, not pasted.
    if (!node->Serialize(archive) || node->Name().empty()) return;
    const std::string step = "Paste " + std::string(node->Name());
    if (CDefNode* pasted = Adopt(SelectedNode(), std::move(node), step)) FinishEdit(pasted);
}

bool CVarnholtMapEditorView::CanCopy() const {
    return SelectedNode() != nullptr;
}

bool CVarnholtMapEditorView::CanPaste() const {
    const QMimeData* data = ClipboardData();
    return SelectedNode() && data && data->hasFormat(kClipboardFormat);
}

bool CVarnholtMapEditorView::CanFind() const {
    return m_doc && !m_doc->Roots().empty();
}
