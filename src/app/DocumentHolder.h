#pragma once

#include "document/DocumentHost.h"
#include "document/VarnholtMapEditorDoc.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CVarnholtMapEditorView;
class CMap3DView;

namespace textedit {
class CDirectEditView;
}

namespace app {

class CChildFrame;

// One open document with everything around it: its windows, the dialogs it
// opens, the way to the main frame and to the recent-file list. The
// document reaches all of these only through the DocumentHost interface.
class CDocumentHolder : public document::DocumentHost, private document::DocumentObserver {
  public:
    // resource: the document kind's resource (131 missions and maps, 134
    // definition files), which also picks the menu bar.
    CDocumentHolder(int resource, document::DocumentServices services,
                    std::unique_ptr<document::DocumentDialogs> dialogs,
                    document::MessageRelay* relay,
                    std::function<void(const std::string&)> addRecentFile);
    ~CDocumentHolder() override;
    CDocumentHolder(const CDocumentHolder&) = delete;
    CDocumentHolder& operator=(const CDocumentHolder&) = delete;

    CVarnholtMapEditorDoc& Doc() { return *m_doc; }
    const CVarnholtMapEditorDoc& Doc() const { return *m_doc; }
    int Resource() const { return m_resource; }
    document::DocumentDialogs* Dialogs() const { return m_dialogs.get(); }

    void AddFrame(CChildFrame* frame);
    void RemoveFrame(CChildFrame* frame);
    // The document's windows, in the order they were opened.
    std::vector<CChildFrame*> Frames() const;
    std::vector<CVarnholtMapEditorView*> TreeViews() const;
    std::vector<CMap3DView*> MapViews() const;
    // The text window's view, or nullptr.
    textedit::CDirectEditView* TextView() const;
    // Shows the document's title on its windows ("title", or "title:n" when it has several).
    void UpdateTitles();
    // The document is being closed: its windows close without asking.
    bool Closing() const { return m_closing; }
    void SetClosing() { m_closing = true; }

    // DocumentObserver: the windows' titles carry the modified mark, which
    // undo and redo change as much as edits do.
    void OnDocumentChange(const document::DocumentChange& change) override;

    // DocumentHost
    void UpdateAllViews(document::UpdateHint hint, intptr_t param) override;
    const document::BoundsPicture* GetBoundsPicture() override;
    void SendToMainFrame(document::AppMessage message, intptr_t first, intptr_t second) override;
    void AddRecentFile(const std::string& path) override;
    std::optional<std::string> ActiveTextViewText() override;
    bool HasTextView() override;
    void ReloadTextView() override;
    void TextViewSaved() override;

    // Text mode around a save. PrepareSave runs before any save of the
    // document: when the text window holds edits and another view is
    // active, it asks whether to take them into the document; false means
    // nothing may be saved. FinishSave reads a text saved from the text
    // window back into the elements.
    bool PrepareSave();
    void FinishSave(bool saved, bool fromTextView);
    // Whether the text window may close while other windows of the document
    // stay open: edits it holds are taken into the document or dropped as
    // the user says.
    bool TextWindowMayClose();
    // The text mode follows whether the active window is the text window.
    void NoteActiveFrame(const CChildFrame* active);

  private:
    // Runs a change that replaces the document's elements while the tree
    // views let go of them; they show the document anew afterwards.
    template <typename Change> auto ReplacingElements(Change change);

    int m_resource;
    std::unique_ptr<document::DocumentDialogs> m_dialogs;
    std::unique_ptr<CVarnholtMapEditorDoc> m_doc;
    document::MessageRelay* m_relay;
    std::function<void(const std::string&)> m_addRecentFile;
    std::vector<QPointer<CChildFrame>> m_frames;
    bool m_closing = false;
    // The top view of the map the 3D view drew last, for the bounds dialog
    // and the minimap.
    std::optional<document::BoundsPicture> m_boundsPicture;
};

} // namespace app
