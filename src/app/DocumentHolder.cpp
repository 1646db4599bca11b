#include "app/DocumentHolder.h"

#include "app/ChildFrame.h"
#include "app/QtPlatform.h"
#include "tree/VarnholtMapEditorView.h"

#include <algorithm>

namespace app {

CDocumentHolder::CDocumentHolder(int resource, document::DocumentServices services,
                                 std::unique_ptr<document::DocumentDialogs> dialogs,
                                 document::MessageRelay* relay,
                                 std::function<void(const std::string&)> addRecentFile)
    : m_resource(resource), m_dialogs(std::move(dialogs)), m_relay(relay),
      m_addRecentFile(std::move(addRecentFile)) {
    services.dialogs = m_dialogs.get();
    services.host = this;
    m_doc = std::make_unique<CVarnholtMapEditorDoc>(services);
}

CDocumentHolder::~CDocumentHolder() {
    // The document goes first: its destruction may still report to the host.
    m_doc.reset();
}

void CDocumentHolder::AddFrame(CChildFrame* frame) {
    m_frames.emplace_back(frame);
    UpdateTitles();
}

void CDocumentHolder::RemoveFrame(CChildFrame* frame) {
    std::erase_if(m_frames,
                  [frame](const QPointer<CChildFrame>& f) { return f.isNull() || f == frame; });
    UpdateTitles();
}

std::vector<CChildFrame*> CDocumentHolder::Frames() const {
    std::vector<CChildFrame*> frames;
    for (const auto& f : m_frames)
        if (f) frames.push_back(f);
    return frames;
}

std::vector<CVarnholtMapEditorView*> CDocumentHolder::TreeViews() const {
    std::vector<CVarnholtMapEditorView*> views;
    for (CChildFrame* f : Frames())
        if (CVarnholtMapEditorView* view = f->TreeView()) views.push_back(view);
    return views;
}

void CDocumentHolder::UpdateTitles() {
    std::vector<CChildFrame*> frames = Frames();
    QString title = FromPath(m_doc->Title());
    for (size_t i = 0; i < frames.size(); ++i)
        frames[i]->setWindowTitle(
            frames.size() == 1 ? title : QStringLiteral("%1:%2").arg(title).arg(i + 1));
}

void CDocumentHolder::UpdateAllViews(document::UpdateHint hint, intptr_t param) {
    for (CVarnholtMapEditorView* view : TreeViews())
        view->OnUpdate(static_cast<int>(hint), param);
}

void CDocumentHolder::SendToMainFrame(document::AppMessage message, intptr_t first,
                                      intptr_t second) {
    if (m_relay) m_relay->Relay(message, first, second);
}

void CDocumentHolder::AddRecentFile(const std::string& path) {
    if (m_addRecentFile) m_addRecentFile(path);
}

} // namespace app
