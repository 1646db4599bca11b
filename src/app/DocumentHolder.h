#pragma once

#include "document/DocumentHost.h"
#include "document/VarnholtMapEditorDoc.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class CVarnholtMapEditorView;

namespace app {

class CChildFrame;

// One open document with everything around it: its windows, the dialogs it
// opens, the way to the main frame and to the recent-file list. The
// document reaches all of these only through the DocumentHost interface.
class CDocumentHolder : public document::DocumentHost {
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
    // Shows the document's title on its windows ("title", or "title:n" when it has several).
    void UpdateTitles();
    // The document is being closed: its windows close without asking.
    bool Closing() const { return m_closing; }
    void SetClosing() { m_closing = true; }

    // DocumentHost
    void UpdateAllViews(document::UpdateHint hint, intptr_t param) override;
    void SendToMainFrame(document::AppMessage message, intptr_t first, intptr_t second) override;
    void AddRecentFile(const std::string& path) override;

  private:
    int m_resource;
    std::unique_ptr<document::DocumentDialogs> m_dialogs;
    std::unique_ptr<CVarnholtMapEditorDoc> m_doc;
    document::MessageRelay* m_relay;
    std::function<void(const std::string&)> m_addRecentFile;
    std::vector<QPointer<CChildFrame>> m_frames;
    bool m_closing = false;
};

} // namespace app
