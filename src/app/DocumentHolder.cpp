#include "app/DocumentHolder.h"

#include "app/ChildFrame.h"
#include "app/QtPlatform.h"
#include "textedit/DirectEditView.h"
#include "tree/VarnholtMapEditorView.h"
#include "view3d/widget/Map3DView.h"

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
    m_doc->AddObserver(this);
}

CDocumentHolder::~CDocumentHolder() {
    // The document goes first: its destruction may still report to the host.
    m_doc->RemoveObserver(this);
    m_doc.reset();
}

void CDocumentHolder::OnDocumentChange(const document::DocumentChange& change) {
    if (change.kind == document::ChangeKind::HistoryChanged) UpdateTitles();
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

textedit::CDirectEditView* CDocumentHolder::TextView() const {
    for (CChildFrame* f : Frames())
        if (textedit::CDirectEditView* view = f->TextView()) return view;
    return nullptr;
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
    for (CMap3DView* view : MapViews())
        view->OnUpdate(static_cast<int>(hint), param);
    // A new bound or ground needs a new picture.
    if (hint == document::UpdateHint::BoundsChanged) m_boundsPicture.reset();
}

std::vector<CMap3DView*> CDocumentHolder::MapViews() const {
    std::vector<CMap3DView*> views;
    for (CChildFrame* f : Frames())
        if (CMap3DView* view = f->MapView()) views.push_back(view);
    return views;
}

const document::BoundsPicture* CDocumentHolder::GetBoundsPicture() {
    if (!m_boundsPicture)
        for (CMap3DView* view : MapViews())
            if (view->Started())
                if ((m_boundsPicture = view->CaptureMinimap())) break;
    return m_boundsPicture ? &*m_boundsPicture : nullptr;
}

void CDocumentHolder::SendToMainFrame(document::AppMessage message, intptr_t first,
                                      intptr_t second) {
    if (m_relay) m_relay->Relay(message, first, second);
}

void CDocumentHolder::AddRecentFile(const std::string& path) {
    if (m_addRecentFile) m_addRecentFile(path);
}

std::optional<std::string> CDocumentHolder::ActiveTextViewText() {
    textedit::CDirectEditView* view = TextView();
    if (!view || !m_doc->TextMode()) return std::nullopt;
    return view->TextBytes();
}

bool CDocumentHolder::HasTextView() {
    return TextView() != nullptr;
}

void CDocumentHolder::ReloadTextView() {
    if (textedit::CDirectEditView* view = TextView()) view->LoadFromDocument();
}

void CDocumentHolder::TextViewSaved() {
    if (textedit::CDirectEditView* view = TextView()) view->MarkSaved();
}

template <typename Change> auto CDocumentHolder::ReplacingElements(Change change) {
    const std::vector<CVarnholtMapEditorView*> trees = TreeViews();
    for (CVarnholtMapEditorView* tree : trees)
        tree->OnUpdate(static_cast<int>(document::UpdateHint::ElementDeleted), 0);
    auto outcome = change();
    for (CVarnholtMapEditorView* tree : trees)
        tree->Rebuild();
    return outcome;
}

bool CDocumentHolder::PrepareSave() {
    textedit::CDirectEditView* view = TextView();
    if (!view || m_doc->TextMode()) return true;
    using Outcome = textedit::CTextModeSession::Outcome;
    const std::string text = view->TextBytes();
    if (!view->Session().HoldsEdits(text)) return true;
    return ReplacingElements([&] { return view->Session().BeforeSaveElsewhere(text); }) !=
           Outcome::Refused;
}

void CDocumentHolder::FinishSave(bool saved, bool fromTextView) {
    textedit::CDirectEditView* view = TextView();
    if (!saved || !fromTextView || !view) return;
    const std::string text = view->TextBytes();
    if (!view->Session().HoldsEdits(text)) return;
    ReplacingElements([&] { return view->Session().AfterTextSaved(text); });
}

bool CDocumentHolder::TextWindowMayClose() {
    textedit::CDirectEditView* view = TextView();
    if (!view) return true;
    const std::string text = view->TextBytes();
    if (!view->Session().HoldsEdits(text)) return true;
    return ReplacingElements([&] { return view->Session().BeforeClose(text); }) !=
           textedit::CTextModeSession::Outcome::Refused;
}

void CDocumentHolder::NoteActiveFrame(const CChildFrame* active) {
    for (CChildFrame* frame : Frames())
        if (textedit::CDirectEditView* view = frame->TextView())
            view->NotifyActivated(frame == active);
}

} // namespace app
