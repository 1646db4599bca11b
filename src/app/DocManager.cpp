#include "app/DocManager.h"

#include "app/AppDialogs.h"
#include "app/ChildFrame.h"
#include "app/MapEditDialogs.h"
#include "app/QtDocumentDialogs.h"
#include "app/QtPlatform.h"
#include "platform/Prompts.h"
#include "textedit/DirectEditView.h"
#include "tree/VarnholtMapEditorView.h"
#include "view3d/ModelCache.h"
#include "view3d/widget/Map3DView.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMessageBox>

#include <algorithm>

namespace app {

namespace {

class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QString AbsolutePath(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

QString CannotOpenMessage(const QString& path) {
    QFileInfo info(path);
    QString reason;
    if (!info.exists())
        reason = QStringLiteral("it does not exist");
    else if (info.isDir())
        reason = QStringLiteral("it is a folder");
    else {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            // Opening alone proves little: some files refuse only the first read.
            char probe;
            if (file.peek(&probe, 1) >= 0) return {};
        }
        reason =
            file.errorString().isEmpty() ? QStringLiteral("it cannot be read") : file.errorString();
    }
    return QStringLiteral("Cannot open the file '%1': %2.").arg(path, reason);
}

namespace {} // namespace

QStringList OpenFileFilters() {
    return {QStringLiteral("Varnholt-File (*.mi;*.pak;*.*)"),
            QStringLiteral("Varnholt Definition File  (*.def)")};
}

// --- templates ------------------------------------------------------------------------------

bool CDocTemplate::MatchesExtension(const QString& path) const {
    QString suffix = QFileInfo(path).suffix();
    if (suffix.isEmpty()) return false;
    suffix.prepend(QLatin1Char('.'));
    for (const QString& ext : m_strings.extensions.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (ext.compare(suffix, Qt::CaseInsensitive) == 0) return true;
    return false;
}

CDocumentHolder* CDocTemplate::OpenDocumentFile(const QString& name, bool visible) {
    return OpenExisting(name, visible);
}

CDocumentHolder* CDocTemplate::OpenExisting(const QString& name, bool visible) {
    CDocumentHolder* holder = m_manager.CreateDocument(*this);
    bool opened;
    {
        WaitCursor wait;
        opened = holder->Doc().OnOpenDocument(ToPath(name));
    }
    if (!opened) {
        m_manager.DestroyDocument(holder);
        return nullptr;
    }
    CVarnholtMapEditorDoc& doc = holder->Doc();
    if (doc.PathName().empty()) doc.SetPathName(ToPath(name));
    if (doc.Title().empty()) doc.SetTitle(ToPath(QFileInfo(name).fileName()));
    m_manager.AddRecentFile(FromPath(doc.PathName()));
    m_manager.CreateFirstFrame(holder, visible);
    return holder;
}

int CVarnholtDocTemplate::SpecialKind(const QString& name) {
    if (name == QLatin1String("$mission$")) return document::Mission;
    if (name == QLatin1String("$map$")) return document::Map;
    if (name == QLatin1String("$createmap$")) return document::CreateMap;
    return -1;
}

CDocumentHolder* CVarnholtDocTemplate::OpenDocumentFile(const QString& name, bool visible) {
    int kind = SpecialKind(name);
    if (kind < 0) return OpenExisting(name, visible);
    CDocumentHolder* holder = m_manager.CreateDocument(*this);
    CVarnholtMapEditorDoc& doc = holder->Doc();
    doc.SetKind(static_cast<document::DocumentKind>(kind));
    doc.SetTitle(ToPath(NextUntitledTitle()));
    if (!doc.OnNewDocument()) {
        m_manager.DestroyDocument(holder);
        return nullptr;
    }
    ++m_untitled;
    m_manager.CreateFirstFrame(holder, visible);
    return holder;
}

// --- manager ----------------------------------------------------------------------------------

CVarnholtDocManager::CVarnholtDocManager(Services services, QObject* parent)
    : QObject(parent), m_services(services) {
    m_missionTemplate = std::make_unique<CVarnholtDocTemplate>(
        *this, CDocTemplate::Strings{131, QStringLiteral("Mifile"), OpenFileFilters()[0],
                                     QStringLiteral(".mi;.pak;.*"), QStringLiteral("mi")});
    m_definitionTemplate = std::make_unique<CDocTemplate>(
        *this, CDocTemplate::Strings{134, QStringLiteral("Deffile"), OpenFileFilters()[1],
                                     QStringLiteral(".def"), QStringLiteral("def")});
}

CVarnholtDocManager::~CVarnholtDocManager() {
    blockSignals(true);
    // Windows still open hold views of the documents: they go first.
    std::vector<std::unique_ptr<CDocumentHolder>> documents = std::move(m_documents);
    m_documents.clear();
    for (const auto& holder : documents) {
        holder->SetClosing();
        for (CChildFrame* frame : holder->Frames())
            delete frame;
    }
}

void CVarnholtDocManager::SetWorkspace(QMdiArea* area, document::MessageRelay* relay,
                                       QWidget* dialogParent) {
    m_area = area;
    m_relay = relay;
    m_dialogParent = dialogParent;
}

CDocTemplate& CVarnholtDocManager::TemplateFor(const QString& path) {
    if (m_definitionTemplate->MatchesExtension(path)) return *m_definitionTemplate;
    return *m_missionTemplate;
}

CDocumentHolder* CVarnholtDocManager::CreateDocument(const CDocTemplate& kind) {
    document::DocumentServices services;
    services.prompts = m_services.prompts;
    services.progress = m_services.progress;
    services.catalogue = m_services.catalogue;
    std::unique_ptr<document::DocumentDialogs> dialogs =
        m_dialogsFactory ? m_dialogsFactory(kind)
                         : std::make_unique<CQtDocumentDialogs>(
                               m_dialogParent, kind.Text().saveSuffix, kind.Text().filterName);
    auto holder = std::make_unique<CDocumentHolder>(
        kind.Resource(), services, std::move(dialogs), m_relay,
        [this](const std::string& path) { AddRecentFile(FromPath(path)); });
    if (auto* qtDialogs = dynamic_cast<CQtDocumentDialogs*>(holder->Dialogs())) {
        qtDialogs->SetDocument(&holder->Doc());
        if (m_services.catalogue) qtDialogs->SetResourceDir(m_services.catalogue->ResourceDir());
    }
    m_documents.push_back(std::move(holder));
    return m_documents.back().get();
}

void CVarnholtDocManager::DestroyDocument(CDocumentHolder* holder) {
    std::erase_if(m_documents, [holder](const auto& h) { return h.get() == holder; });
}

void CVarnholtDocManager::AddRecentFile(const QString& path) {
    if (m_recentSink && !path.isEmpty()) m_recentSink(path);
}

std::vector<CDocumentHolder*> CVarnholtDocManager::Documents() const {
    std::vector<CDocumentHolder*> list;
    for (const auto& h : m_documents)
        list.push_back(h.get());
    return list;
}

void CVarnholtDocManager::CatalogueChanged() {
    // Open views keep the models they copied; only later loads use the cache.
    m_models.reset();
}

CChildFrame* CVarnholtDocManager::CreateFirstFrame(CDocumentHolder* holder, bool visible) {
    if (holder->Resource() == m_missionTemplate->Resource() && m_services.catalogue)
        return CreateMapFrame(holder, visible);
    return CreateTreeFrame(holder, visible);
}

CChildFrame* CVarnholtDocManager::NewFrame(CDocumentHolder* holder, QWidget* view) {
    auto* frame =
        new CChildFrame(holder, view, [this](CChildFrame* f) { return FrameMayClose(f); });
    connect(frame, &CChildFrame::Closed, this, &CVarnholtDocManager::FrameClosed);
    connect(frame, &QObject::destroyed, this, [this, holder] { ReleaseIfUnused(holder); });
    holder->AddFrame(frame);
    return frame;
}

CChildFrame* CVarnholtDocManager::ShowFrame(CChildFrame* frame, bool visible) {
    if (m_area) m_area->addSubWindow(frame);
    if (visible) {
        frame->showMaximized();
        if (m_area) m_area->setActiveSubWindow(frame);
    }
    emit DocumentsChanged();
    return frame;
}

CChildFrame* CVarnholtDocManager::CreateMapFrame(CDocumentHolder* holder, bool visible) {
    if (!m_services.catalogue) return nullptr;
    if (!m_models) m_models = std::make_unique<view3d::CModelCache>(*m_services.catalogue);
    view3d::MapScene::Services services{m_services.catalogue, m_models.get(), m_services.prompts,
                                        m_services.progress, m_relay};
    auto* view = new CMap3DView(holder->Doc(), services,
                                m_sceneOptions ? m_sceneOptions() : view3d::SceneOptions());
    view->SetEditDialogs(
        std::make_unique<CMapEditDialogs>(view, [this] { emit ShowWaypointsRequested(); }));
    CChildFrame* frame = NewFrame(holder, view);
    // A view that cannot show its document closes its window; a document
    // left without windows goes with it.
    connect(view, &CMap3DView::CloseRequested, frame, [frame] { frame->close(); });
    connect(view, &CMap3DView::FullscreenClosed, this,
            &CVarnholtDocManager::MainWindowCloseRequested, Qt::QueuedConnection);
    return ShowFrame(frame, visible);
}

CChildFrame* CVarnholtDocManager::CreateTreeFrame(CDocumentHolder* holder, bool visible) {
    auto* view = new CVarnholtMapEditorView(&holder->Doc(), m_relay);
    CChildFrame* frame = NewFrame(holder, view);
    connect(view, &CVarnholtMapEditorView::DocumentModified, this, [this, holder] {
        holder->UpdateTitles();
        emit DocumentChanged(holder);
    });
    view->Rebuild();
    // An element chosen in the tree comes into the middle of the 3D views.
    auto focus = [view, holder] {
        const CDefNode* node = view->SelectedNode();
        if (!node || node->Name() != "Entity") return;
        for (CMap3DView* mapView : holder->MapViews())
            mapView->FocusOn(node);
    };
    connect(view, &QAbstractItemView::clicked, view, focus);
    connect(view, &QAbstractItemView::activated, view, focus);
    return ShowFrame(frame, visible);
}

CChildFrame* CVarnholtDocManager::CreateTextFrame(CDocumentHolder* holder, bool visible) {
    auto* view = new textedit::CDirectEditView(&holder->Doc());
    CChildFrame* frame = NewFrame(holder, view);
    connect(view, &textedit::CDirectEditView::DocumentModified, this, [this, holder] {
        holder->UpdateTitles();
        emit DocumentChanged(holder);
    });
    connect(view, &textedit::CMultiEditView::CommandStateChanged, this,
            [this, holder] { emit DocumentChanged(holder); });
    return ShowFrame(frame, visible);
}

bool CVarnholtDocManager::FrameMayClose(CChildFrame* frame) {
    CDocumentHolder* holder = frame->Holder();
    if (holder->Closing()) return true;
    // Edits in the text window are not lost with it while the document stays open.
    if (holder->Frames().size() > 1) return !frame->TextView() || holder->TextWindowMayClose();
    return SaveModified(holder);
}

void CVarnholtDocManager::FrameClosed(CChildFrame* frame) {
    CDocumentHolder* holder = frame->Holder();
    holder->RemoveFrame(frame);
    if (holder->Frames().empty()) {
        holder->SetClosing();
        holder->Doc().OnCloseDocument();
    }
    emit DocumentsChanged();
}

void CVarnholtDocManager::ReleaseIfUnused(CDocumentHolder* holder) {
    // The document outlives its last window until that window is gone, so
    // nothing the window still shows points into a destroyed tree.
    auto it = std::find_if(m_documents.begin(), m_documents.end(),
                           [holder](const auto& h) { return h.get() == holder; });
    if (it == m_documents.end() || !holder->Closing() || !holder->Frames().empty()) return;
    m_documents.erase(it);
    emit DocumentsChanged();
}

bool CVarnholtDocManager::SaveModified(CDocumentHolder* holder) {
    const CVarnholtMapEditorDoc& doc = holder->Doc();
    if (!doc.IsModified()) return true;
    QString name = FromPath(doc.PathName());
    if (name.isEmpty()) {
        name = FromPath(doc.Title());
        if (name.endsWith(QLatin1String(" *"))) name.chop(2);
    }
    QString question = QStringLiteral("Save changes to %1?").arg(name);
    SaveAnswer answer;
    if (m_saveQuestion) {
        answer = m_saveQuestion(question);
    } else {
        auto button =
            QMessageBox::question(m_dialogParent, QString::fromUtf8(kAppName), question,
                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        answer = button == QMessageBox::Yes  ? SaveAnswer::Yes
                 : button == QMessageBox::No ? SaveAnswer::No
                                             : SaveAnswer::Cancel;
    }
    if (answer == SaveAnswer::Cancel) return false;
    if (answer == SaveAnswer::No) return true;
    return SaveDocument(holder, false);
}

bool CVarnholtDocManager::SaveDocument(CDocumentHolder* holder, bool saveAs) {
    CVarnholtMapEditorDoc& doc = holder->Doc();
    bool saved = false;
    if (holder->PrepareSave()) {
        const bool fromTextView = holder->TextView() && doc.TextMode();
        saved = doc.DoSave(saveAs ? std::string() : doc.PathName());
        holder->FinishSave(saved, fromTextView);
    }
    holder->UpdateTitles();
    emit DocumentChanged(holder);
    return saved;
}

bool CVarnholtDocManager::CloseDocument(CDocumentHolder* holder) {
    if (!SaveModified(holder)) return false;
    holder->SetClosing();
    std::vector<CChildFrame*> frames = holder->Frames();
    if (frames.empty()) {
        holder->Doc().OnCloseDocument();
        DestroyDocument(holder);
        emit DocumentsChanged();
        return true;
    }
    for (CChildFrame* frame : frames)
        frame->close();
    return true;
}

bool CVarnholtDocManager::CloseAllDocuments() {
    for (CDocumentHolder* holder : Documents())
        if (!SaveModified(holder)) return false;
    for (CDocumentHolder* holder : Documents()) {
        holder->SetClosing();
        std::vector<CChildFrame*> frames = holder->Frames();
        if (frames.empty()) {
            holder->Doc().OnCloseDocument();
            DestroyDocument(holder);
            continue;
        }
        for (CChildFrame* frame : frames)
            frame->close();
    }
    emit DocumentsChanged();
    return true;
}

CDocumentHolder* CVarnholtDocManager::OnFileNew() {
    int choice = -1;
    if (m_typeQuestion) {
        choice = m_typeQuestion();
    } else {
        CDocumentTypeDialog dialog(m_dialogParent);
        if (dialog.exec() == QDialog::Accepted) choice = dialog.Choice();
    }
    QString name = SpecialDocumentName(choice);
    if (name.isEmpty()) return nullptr;
    return m_missionTemplate->OpenDocumentFile(name, true);
}

CDocumentHolder* CVarnholtDocManager::OnFileOpen() {
    QFileDialog dialog(m_dialogParent, tr("Open"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    SetFileFilters(dialog, OpenFileFilters());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return nullptr;
    return OpenDocumentFile(dialog.selectedFiles().first());
}

CDocumentHolder* CVarnholtDocManager::OpenDocumentFile(const QString& path) {
    if (path.isEmpty()) return nullptr;
    if (CVarnholtDocTemplate::SpecialKind(path) < 0) {
        // A file named on the command line, in the recent list or dropped on
        // the window may be gone or be no file at all: say so, and open nothing.
        QString problem = CannotOpenMessage(path);
        if (!problem.isEmpty()) {
            if (m_services.prompts)
                m_services.prompts->Message(ToPath(problem), platform::Icon::Error);
            return nullptr;
        }
        QString absolute = AbsolutePath(path);
        for (CDocumentHolder* holder : Documents()) {
            if (holder->Closing() || holder->Doc().PathName().empty()) continue;
            if (AbsolutePath(FromPath(holder->Doc().PathName())) != absolute) continue;
            std::vector<CChildFrame*> frames = holder->Frames();
            if (!frames.empty() && m_area) m_area->setActiveSubWindow(frames.front());
            return holder;
        }
    }
    return TemplateFor(path).OpenDocumentFile(path, true);
}

} // namespace app
