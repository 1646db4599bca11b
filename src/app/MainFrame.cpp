#include "app/MainFrame.h"

#include "app/CheckMissionDialog.h"
#include "app/ChildFrame.h"
#include "app/DocManager.h"
#include "app/EntityBar.h"
#include "app/KeyIndicators.h"
#include "app/PropBar.h"
#include "app/QtPlatform.h"
#include "app/RecentFileList.h"
#include "commands/CommandTable.h"
#include "document/DocExport.h"
#include "document/EnvironmentPresets.h"
#include "editors/EntityPropertiesDialog.h"
#include "editors/EnvironmentDialog.h"
#include "platform/SettingsStore.h"
#include "resources/ResourceCatalogue.h"
#include "textedit/DirectEditView.h"
#include "tree/TreeText.h"
#include "tree/VarnholtMapEditorView.h"
#include "view3d/widget/Map3DView.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include <filesystem>

namespace app {

using namespace commands;

using document::AppMessage;

namespace {

// Commands whose keys the views handle themselves: a window-wide shortcut
// would take Del or Ctrl+C away from the bar or field that has the focus.
bool ViewHandlesKeys(int id) {
    switch (id) {
    case CmdEdit:
    case CmdEditDelete:
    case CmdEditCopy:
    case CmdEditCut:
    case CmdEditPaste:
    case CmdEditSelectAll:
        return true;
    default:
        return false;
    }
}

// The Edit menu's mode commands and the 3D view's modes they choose.
constexpr std::pair<int, view3d::EditMode> kEditModeCommands[] = {
    {CmdEditUnits, view3d::EditMode::Units},
    {CmdEditZones, view3d::EditMode::Zones},
    {CmdEditEvents, view3d::EditMode::Events},
    {CmdEditTriggers, view3d::EditMode::Triggers},
    {CmdEditCameraPaths, view3d::EditMode::CameraPaths}};

bool Checkable(int id) {
    switch (id) {
    case CmdViewToolbar:
    case CmdViewStatusBar:
    case CmdEntityBar:
    case CmdShowWaypoints:
    case CmdShowMapElements:
    case CmdShowBuildings:
    case CmdShowVegetation:
    case CmdShowLandscape:
    case CmdShowFences:
    case CmdShowWater:
    case CmdShowTrash:
    case CmdNoFiltering:
    case CmdBilinear:
    case CmdAnisotropic:
    case CmdDirectEditing:
    case CmdFullscreen:
        return true;
    default:
        return false;
    }
}

QIcon CommandIcon(int id) {
    QStyle* style = QApplication::style();
    switch (id) {
    case CmdFileNew:
        return QIcon::fromTheme(QStringLiteral("document-new"),
                                style->standardIcon(QStyle::SP_FileIcon));
    case CmdFileOpen:
        return QIcon::fromTheme(QStringLiteral("document-open"),
                                style->standardIcon(QStyle::SP_DialogOpenButton));
    case CmdFileSave:
        return QIcon::fromTheme(QStringLiteral("document-save"),
                                style->standardIcon(QStyle::SP_DialogSaveButton));
    case CmdEditCut:
        return QIcon::fromTheme(QStringLiteral("edit-cut"));
    case CmdEditCopy:
        return QIcon::fromTheme(QStringLiteral("edit-copy"));
    case CmdEditPaste:
        return QIcon::fromTheme(QStringLiteral("edit-paste"));
    case CmdFilePrint:
        return QIcon::fromTheme(QStringLiteral("document-print"));
    case CmdTreeview:
        return QIcon::fromTheme(QStringLiteral("view-list-tree"),
                                style->standardIcon(QStyle::SP_FileDialogDetailedView));
    case CmdRunGame:
        return QIcon::fromTheme(QStringLiteral("media-playback-start"),
                                style->standardIcon(QStyle::SP_MediaPlay));
    case CmdAppAbout:
        return QIcon::fromTheme(QStringLiteral("help-about"),
                                style->standardIcon(QStyle::SP_MessageBoxInformation));
    default:
        return {};
    }
}

// The mission check lives beside the document window it was opened from
// and goes with it; asked again, the open one checks anew.
void ShowMissionCheck(CVarnholtMapEditorDoc& doc, const resources::CResourceCatalogue* catalogue,
                      QWidget* frame) {
    auto* dialog =
        frame ? frame->findChild<CCheckMissionDialog*>(QString(), Qt::FindDirectChildrenOnly)
              : nullptr;
    if (dialog) {
        dialog->Recheck();
    } else {
        dialog = new CCheckMissionDialog(doc, catalogue, frame);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

// Undo or Redo with the name of the step it takes back: "&Undo Delete pz-4d\tCtrl+Z".
QString StepMenuText(int id, const std::string& step) {
    const CommandInfo* info = FindCommand(id);
    const QString text = info ? QString::fromUtf8(info->menuText) : QString();
    if (step.empty()) return text;
    QString name = tree::NodeText(step);
    // The name is shown as it is: an ampersand is no mnemonic, a tab no shortcut.
    name.replace(QLatin1Char('&'), QStringLiteral("&&"))
        .replace(QLatin1Char('\t'), QLatin1Char(' '));
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    return tab < 0 ? text + QLatin1Char(' ') + name
                   : text.left(tab) + QLatin1Char(' ') + name + text.mid(tab);
}

} // namespace

// Tells the main frame when the active document's history changes, so that
// Undo and Redo are ready for their keys however the edit was made.
class CMainFrame::HistoryWatch : public document::DocumentObserver {
  public:
    explicit HistoryWatch(CMainFrame& frame) : m_frame(frame) {}
    // Follows doc from now on (nullptr: none). live: the documents still
    // open, as the one followed so far may be gone already.
    void Follow(CVarnholtMapEditorDoc* doc, const std::vector<CDocumentHolder*>& live) {
        if (m_doc && m_doc != doc)
            for (CDocumentHolder* holder : live)
                if (&holder->Doc() == m_doc) holder->Doc().RemoveObserver(this);
        m_doc = doc;
        // Adding twice does nothing; a new document made where a closed
        // one lay is followed all the same.
        if (m_doc) m_doc->AddObserver(this);
    }
    void OnDocumentChange(const document::DocumentChange& change) override {
        if (change.kind == document::ChangeKind::HistoryChanged) m_frame.ScheduleUpdate();
        if (change.kind == document::ChangeKind::Destroyed) m_doc = nullptr;
    }

  private:
    CMainFrame& m_frame;
    CVarnholtMapEditorDoc* m_doc = nullptr;
};

CMainFrame::CMainFrame(Context context, QWidget* parent)
    : QMainWindow(parent), m_context(std::move(context)) {
    setObjectName("mainFrame");
    setWindowTitle(QStringLiteral("Varnholt Map Editor"));
    setAcceptDrops(true);

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setObjectName("mdiArea");
    setCentralWidget(m_mdiArea);

    m_historyWatch = std::make_unique<HistoryWatch>(*this);
    m_updateTimer = new QTimer(this);
    m_updateTimer->setSingleShot(true);
    m_updateTimer->setInterval(0);
    connect(m_updateTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandStates);

    // Set Properties in the tree opens the property dialogs, which live
    // above it.
    CVarnholtMapEditorView::SetPropertiesEditor(&EditElementProperties);
    CreateActions();
    CreateToolBar();
    statusBar()->addWidget(new QLabel(tr("Ready"), this), 1);
    m_keyIndicators = new CKeyIndicators(statusBar());
    CreateBars();

    m_relayer = std::make_unique<CMessageRelayer>(
        m_entityBar, m_propBar, [this](document::UpdateHint hint, intptr_t param) {
            CDocumentHolder* holder = ActiveDocument();
            if (!holder) return;
            // A new element follows the mouse in one window only: the 3D
            // window in front, or the document's first when a tree is.
            if (hint == document::UpdateHint::PlaceEntity ||
                hint == document::UpdateHint::PlacePrepared) {
                CMap3DView* view = ActiveMapView();
                const std::vector<CMap3DView*> views = holder->MapViews();
                if (!view && !views.empty()) view = views.front();
                if (view) view->OnUpdate(static_cast<int>(hint), param);
                return;
            }
            holder->UpdateAllViews(hint, param);
        });

    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::OnActiveWindowChanged);
    if (m_context.docManager) {
        m_context.docManager->SetWorkspace(m_mdiArea, this, this);
        connect(m_context.docManager, &CVarnholtDocManager::DocumentsChanged, this,
                &CMainFrame::ScheduleUpdate);
        connect(m_context.docManager, &CVarnholtDocManager::MainWindowCloseRequested, this,
                &QWidget::close);
        m_context.docManager->SetSceneOptions([this] { return SceneOptions(); });
        connect(m_context.docManager, &CVarnholtDocManager::DocumentChanged, this,
                &CMainFrame::ScheduleUpdate);
        connect(m_context.docManager, &CVarnholtDocManager::ShowWaypointsRequested, this, [this] {
            if (m_context.view && !m_context.view->showWaypoints) OnViewOption(CmdShowWaypoints);
        });
    }
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &CMainFrame::ScheduleUpdate);
    connect(qApp, &QApplication::focusChanged, this, &CMainFrame::ScheduleUpdate);

    resize(1100, 760);
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    // The documents outlive this window; their views go with it, and no
    // message may reach the bars while they are being destroyed.
    m_historyWatch->Follow(nullptr, m_context.docManager ? m_context.docManager->Documents()
                                                         : std::vector<CDocumentHolder*>());
    if (m_context.docManager) {
        m_context.docManager->disconnect(this);
        m_context.docManager->SetWorkspace(nullptr, nullptr, nullptr);
    }
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(QApplication::clipboard(), nullptr, this, nullptr);
    disconnect(m_mdiArea, nullptr, this, nullptr);
    delete m_mdiArea;
    m_relayer.reset();
}

// --- commands -----------------------------------------------------------------------------------

void CMainFrame::CreateActions() {
    for (const CommandInfo& info : CommandTable()) {
        std::string_view menuText = info.menuText;
        auto* action = new QAction(
            QString::fromUtf8(menuText.data(), static_cast<qsizetype>(menuText.size())), this);
        action->setData(info.id);
        action->setObjectName(QStringLiteral("cmd%1").arg(info.id));
        std::string_view status = StatusPart(info.statusText);
        std::string_view tip = ToolTipPart(info.statusText);
        action->setStatusTip(
            QString::fromUtf8(status.data(), static_cast<qsizetype>(status.size())));
        action->setToolTip(QString::fromUtf8(tip.data(), static_cast<qsizetype>(tip.size())));
        action->setIconText(action->toolTip());
        action->setIcon(CommandIcon(info.id));
        action->setCheckable(Checkable(info.id));
        size_t tab = menuText.find('\t');
        if (tab != std::string_view::npos && !ViewHandlesKeys(info.id) && info.id != CmdEdit) {
            std::string_view keys = menuText.substr(tab + 1);
            action->setShortcut(
                QKeySequence(QString::fromUtf8(keys.data(), static_cast<qsizetype>(keys.size()))));
        }
        action->setEnabled(!info.later);
        int id = info.id;
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        addAction(action); // shortcuts work whichever menu bar is shown
        m_actions[info.id] = action;
    }
    // Redo answers the key of both conventions; the menu names the first.
    if (QAction* redo = Action(CmdEditRedo))
        redo->setShortcuts(
            {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
}

QAction* CMainFrame::Action(int id) const {
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::CreateToolBar() {
    m_toolBar = addToolBar(tr("Toolbar"));
    m_toolBar->setObjectName("toolBar");
    const int buttons[] = {CmdFileNew,     CmdFileOpen,    CmdFileSave,  kMenuSeparator,
                           CmdEditCut,     CmdEditCopy,    CmdEditPaste, kMenuSeparator,
                           CmdFilePrint,   kMenuSeparator, CmdTreeview,  CmdRunGame,
                           kMenuSeparator, CmdAppAbout};
    for (int id : buttons) {
        if (id == kMenuSeparator)
            m_toolBar->addSeparator();
        else
            m_toolBar->addAction(Action(id));
    }
}

void CMainFrame::CreateBars() {
    m_entityBar = new CEntityBar(m_context.catalogue, this, this);
    m_entityBar->SetCommandHandler([this](int id) { OnCommand(id); });
    addDockWidget(Qt::LeftDockWidgetArea, m_entityBar);
    m_propBar = new CPropBar(this, this);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, m_propBar);
}

void CMainFrame::OnCommand(int id) {
    const CommandInfo* info = FindCommand(id);
    if (info && info->later) return;
    CVarnholtDocManager* docs = m_context.docManager;
    CDocumentHolder* holder = ActiveDocument();
    CVarnholtMapEditorView* tree = ActiveTreeView();
    if (textedit::CDirectEditView* text = ActiveTextView(); text && OnTextCommand(*text, id)) {
        ScheduleUpdate();
        return;
    }
    switch (id) {
    case CmdFileNew:
        if (docs) docs->OnFileNew();
        break;
    case CmdFileOpen:
        if (docs) docs->OnFileOpen();
        break;
    case CmdFileClose:
        if (docs && holder) docs->CloseDocument(holder);
        break;
    case CmdFileSave:
    case CmdFileSaveAs:
        if (docs && holder) docs->SaveDocument(holder, id == CmdFileSaveAs);
        break;
    case CmdFilePrint:
        OnPrint();
        break;
    case CmdFilePrintPreview:
        OnPrintPreview();
        break;
    case CmdFilePrintSetup:
        OnPrintSetup();
        break;
    case CmdAppExit:
        close();
        break;
    case CmdAppAbout: {
        CAboutDialog about(this);
        about.exec();
        break;
    }
    case CmdViewToolbar:
        m_toolBar->setVisible(!m_toolBar->isVisible());
        break;
    case CmdViewStatusBar:
        statusBar()->setVisible(!statusBar()->isVisible());
        break;
    case CmdEntityBar: {
        // The view beside the bar changes size: it pauses meanwhile.
        CMap3DView* view = ActiveMapView();
        if (view) view->EnterSizeMove();
        m_entityBar->setVisible(!m_entityBar->isVisible());
        if (view) view->ExitSizeMove();
        break;
    }
    case CmdFullscreen:
        if (CMap3DView* view = ActiveMapView()) view->ToggleFullscreen();
        break;
    case CmdShowWaypoints:
    case CmdShowMapElements:
    case CmdShowBuildings:
    case CmdShowVegetation:
    case CmdShowLandscape:
    case CmdShowFences:
    case CmdShowWater:
    case CmdShowTrash:
    case CmdNoFiltering:
    case CmdBilinear:
    case CmdAnisotropic:
        OnViewOption(id);
        break;
    case CmdGeneralSettings:
        OnOptions();
        break;
    case CmdRunGame:
        OnRunGame();
        break;
    case CmdTreeview:
        ToggleTreeView();
        break;
    case CmdDirectEditing:
        ToggleDirectEditing();
        break;
    case CmdPlayerSide:
        if (holder) holder->Doc().OnGameOptions();
        break;
    case CmdCheckMission:
        if (holder) ShowMissionCheck(holder->Doc(), m_context.catalogue, ActiveFrame());
        break;
    case CmdMapBounds:
        if (holder && holder->Doc().Kind() == document::Map) OnMapBounds(holder);
        break;
    case CmdExportGamePak:
    case CmdExportMod:
    case CmdEnvironment:
        if (holder) OnDocumentCommand(id, holder);
        break;
    case CmdEdit:
        if (tree) tree->OnEdit();
        break;
    case CmdSetProperties:
        if (tree)
            tree->OnSetProperties();
        else if (CMap3DView* view = ActiveMapView(); view && view->Started())
            view->RunEdit([](view3d::MapEditor& editor) { return editor.SetProperties(); });
        break;
    case CmdInsert:
        if (tree) tree->OnInsert();
        break;
    case CmdEditDelete:
        if (tree)
            tree->OnDelete();
        else if (CMap3DView* view = ActiveMapView(); view && view->Started())
            view->RunEdit([](view3d::MapEditor& editor) { return editor.Delete(); });
        break;
    case CmdEditUnits:
    case CmdEditZones:
    case CmdEditEvents:
    case CmdEditTriggers:
    case CmdEditCameraPaths:
    case CmdRecordCameraPath:
    case CmdEndCameraPath:
        if (CMap3DView* view = ActiveMapView(); view && view->Started())
            OnMapEditCommand(*view, id);
        break;
    case CmdEditCopy:
        if (tree) tree->OnCopy();
        break;
    case CmdEditPaste:
        if (tree) tree->OnPaste();
        break;
    case CmdEditFind:
        if (tree) tree->OnFind();
        break;
    case CmdEditUndo:
        if (holder) holder->Doc().Undo();
        break;
    case CmdEditRedo:
        if (holder) holder->Doc().Redo();
        break;
    case CmdWindowNew:
        // Another window of the same kind as the active one.
        if (docs && holder) {
            if (ActiveMapView())
                docs->CreateMapFrame(holder);
            else
                docs->CreateTreeFrame(holder);
        }
        break;
    case CmdWindowCascade:
        m_mdiArea->cascadeSubWindows();
        break;
    case CmdWindowTile:
        m_mdiArea->tileSubWindows();
        break;
    case CmdWindowNext:
        m_mdiArea->activateNextSubWindow();
        break;
    default:
        break;
    }
    ScheduleUpdate();
}

void CMainFrame::OnMapEditCommand(CMap3DView& view, int id) {
    using view3d::MapEditor;
    for (auto [command, mode] : kEditModeCommands)
        if (command == id) {
            view.RunEdit([m = mode](MapEditor& editor) {
                editor.SetEditMode(m);
                return true;
            });
            return;
        }
    switch (id) {
    case CmdRecordCameraPath:
        view.RunEdit([](MapEditor& editor) { return editor.RecordCameraPath(); });
        break;
    case CmdEndCameraPath:
        view.RunEdit([](MapEditor& editor) { return editor.EndCameraPath(); });
        break;
    default:
        break;
    }
}

void CMainFrame::OnDocumentCommand(int id, CDocumentHolder* holder) {
    CVarnholtMapEditorDoc& doc = holder->Doc();
    const std::string editorDir = QCoreApplication::applicationDirPath().toStdString();
    document::ExportPaths paths{
        m_context.settings ? m_context.settings->gamePath : std::string(),
        m_context.settings ? m_context.settings->resourceDir : std::string(), editorDir};
    paths.userDataDir = m_context.userDataDir.empty() ? UserDataFolder() : m_context.userDataDir;
    if (id == CmdEnvironment) {
        static const DefNodeList kNoPresets;
        document::CEnvironmentPresets presets(
            m_context.catalogue ? m_context.catalogue->EnvironmentPresets() : kNoPresets,
            document::CustomPresetLocation::In(paths.userDataDir, editorDir));
        OpenEnvironmentDialog(doc, presets, paths.resourceDir, this);
    } else {
        // The exports work on the saved file: a modified document is offered for saving first.
        if (m_context.docManager && !m_context.docManager->SaveModified(holder)) return;
        if (id == CmdExportGamePak)
            document::ExportToPak(doc, paths);
        else
            document::ExportMod(doc, paths);
    }
    holder->UpdateTitles();
    UpdateCommandStates();
}

void CMainFrame::OnMapBounds(CDocumentHolder* holder) {
    // The bounds are nodes of the map root; the trees follow the edit.
    if (!holder->Doc().ReadBounds()) return;
    holder->UpdateTitles();
}

void CMainFrame::UpdateCommandStates() {
    CChildFrame* frame = ActiveFrame();
    SetMenuResource(frame ? frame->Holder()->Resource() : MenuNoDocument);

    CDocumentHolder* holder = ActiveDocument();
    CVarnholtMapEditorView* tree = ActiveTreeView();
    textedit::CDirectEditView* text = ActiveTextView();
    CMap3DView* mapView = ActiveMapView();
    bool hasWindows = !m_mdiArea->subWindowList().isEmpty();
    for (auto& [id, action] : m_actions) {
        const CommandInfo* info = FindCommand(id);
        bool enabled = true;
        switch (id) {
        case CmdFileClose:
        case CmdFileSave:
        case CmdFileSaveAs:
        case CmdTreeview:
        case CmdPlayerSide:
        case CmdWindowNew:
            enabled = holder != nullptr;
            break;
        case CmdCheckMission:
        case CmdExportGamePak:
        case CmdExportMod:
        case CmdDirectEditing:
            enabled = holder && holder->Resource() == 131;
            break;
        case CmdEnvironment:
            enabled =
                holder && holder->Resource() == 131 && holder->Doc().Kind() == document::Mission;
            break;
        case CmdMapBounds:
            enabled = holder && holder->Resource() == 131 && holder->Doc().Kind() == document::Map;
            break;
        case CmdEditDelete:
            enabled = tree != nullptr || (text && !text->isReadOnly()) ||
                      (mapView && mapView->Started() && mapView->Editor().CanDelete());
            break;
        case CmdEditUnits:
        case CmdEditZones:
        case CmdEditEvents:
        case CmdEditTriggers:
        case CmdEditCameraPaths:
            enabled = mapView && mapView->Started();
            break;
        case CmdRecordCameraPath:
            enabled = mapView && mapView->Started() &&
                      mapView->Document()->Kind() == document::Mission &&
                      !mapView->Editor().RecordingCameraPath();
            break;
        case CmdEndCameraPath:
            enabled = mapView && mapView->Started() && mapView->Editor().RecordingCameraPath();
            break;
        case CmdFullscreen:
            enabled = mapView && mapView->Started();
            break;
        case CmdSetProperties:
            enabled = tree ? tree->CanSetProperties()
                           : mapView && mapView->Started() && mapView->Editor().CanSetProperties();
            break;
        case CmdBilinear:
            enabled = mapView && (mapView->TextureFilterCaps() & view3d::CapMinFilterLinear);
            break;
        case CmdAnisotropic:
            enabled = mapView && (mapView->TextureFilterCaps() & view3d::CapMinFilterAnisotropic);
            break;
        case CmdFilePrint:
        case CmdFilePrintPreview:
        case CmdEdit:
        case CmdInsert:
            enabled = tree != nullptr;
            break;
        case CmdEditCopy:
            enabled = text ? text->CanCopy() : tree && tree->CanCopy();
            break;
        case CmdEditPaste:
            enabled = text ? text->CanPaste() : tree && tree->CanPaste();
            break;
        case CmdEditFind:
            enabled = text || (tree && tree->CanFind());
            break;
        case CmdEditCut:
            enabled = text && text->CanCut();
            break;
        case CmdEditUndo:
            enabled = text ? text->CanUndo() : holder && holder->Doc().CanUndo();
            break;
        case CmdEditRedo:
            enabled = text ? text->CanRedo() : holder && holder->Doc().CanRedo();
            break;
        case CmdEditSelectAll:
        case CmdEditClearAll:
        case CmdSetMarker:
            enabled = text != nullptr;
            break;
        case CmdGoToMarker:
            enabled = text && text->CanGoToMarker();
            break;
        case CmdWindowCascade:
        case CmdWindowTile:
        case CmdWindowNext:
            enabled = hasWindows;
            break;
        default:
            break;
        }
        action->setEnabled(enabled && info && !info->later);
    }
    // The 3D view's toggles and filters show the state they will start with.
    if (const platform::ViewFlags* view = m_context.view) {
        const std::pair<int, int> toggles[] = {
            {CmdShowWaypoints, view->showWaypoints}, {CmdShowMapElements, view->showMapElements},
            {CmdShowBuildings, view->showBuildings}, {CmdShowVegetation, view->showVegetation},
            {CmdShowFences, view->showFences},       {CmdShowLandscape, view->showLandscape},
            {CmdShowWater, view->showWater},         {CmdShowTrash, view->showTrash}};
        for (auto [id, shown] : toggles)
            Action(id)->setChecked(shown != 0);
    }
    if (const platform::EditorSettings* settings = m_context.settings) {
        Action(CmdNoFiltering)->setChecked(settings->textureFilter == 1);
        Action(CmdBilinear)->setChecked(settings->textureFilter == 2);
        Action(CmdAnisotropic)->setChecked(settings->textureFilter == 3);
    }
    Action(CmdDirectEditing)->setChecked(holder && holder->Doc().TextMode());
    // The edit mode of the active 3D view.
    for (auto [id, mode] : kEditModeCommands) {
        QAction* action = Action(id);
        action->setCheckable(true);
        action->setChecked(mapView && mapView->Started() && mapView->Editor().Mode() == mode);
    }
    Action(CmdFullscreen)->setChecked(mapView && mapView->IsFullscreen());
    // The text window keeps its own undo, whose steps have no names.
    const bool named = holder && !text;
    Action(CmdEditUndo)->setText(StepMenuText(CmdEditUndo, named ? holder->Doc().UndoName() : ""));
    Action(CmdEditRedo)->setText(StepMenuText(CmdEditRedo, named ? holder->Doc().RedoName() : ""));
    m_historyWatch->Follow(holder ? &holder->Doc() : nullptr,
                           m_context.docManager ? m_context.docManager->Documents()
                                                : std::vector<CDocumentHolder*>());
    Action(CmdViewToolbar)->setChecked(m_toolBar->isVisibleTo(this));
    Action(CmdViewStatusBar)->setChecked(statusBar()->isVisibleTo(this));
    Action(CmdEntityBar)->setChecked(m_entityBar->isVisibleTo(this));
}

void CMainFrame::ScheduleUpdate() {
    if (m_updateTimer && !m_updateTimer->isActive()) m_updateTimer->start();
}

// --- menus
// --------------------------------------------------------------------------------------------

void CMainFrame::SetMenuResource(int resource) {
    if (resource == m_menuResource) return;
    m_menuResource = resource;
    QMenuBar* bar = menuBar();
    for (QAction* old : bar->actions())
        if (QMenu* menu = old->menu()) menu->deleteLater();
    bar->clear();
    std::span<const MenuDefinition> menus = MenuBar(resource);
    for (size_t i = 0; i < menus.size(); ++i) {
        QMenu* menu = bar->addMenu(QString::fromUtf8(menus[i].title));
        int index = static_cast<int>(i);
        PopulateMenu(menu, resource, index);
        // Recent files, the window list and command states change while
        // the menu is closed; it is filled anew each time it opens.
        connect(menu, &QMenu::aboutToShow, this, [this, menu, resource, index] {
            UpdateCommandStates();
            PopulateMenu(menu, resource, index);
        });
    }
}

void CMainFrame::PopulateMenu(QMenu* menu, int resource, int menuIndex) {
    menu->clear();
    std::span<const MenuDefinition> menus = MenuBar(resource);
    if (menuIndex < 0 || menuIndex >= static_cast<int>(menus.size())) return;
    for (const MenuEntry& entry : menus[static_cast<size_t>(menuIndex)].entries) {
        if (entry.id == kMenuSeparator) {
            menu->addSeparator();
        } else if (entry.id == kMenuRecentFiles) {
            AddRecentFiles(menu, resource);
        } else if (entry.id == kMenuWindowList) {
            AddWindowList(menu);
        } else if (QAction* action = Action(entry.id)) {
            if (!entry.text) {
                menu->addAction(action);
                continue;
            }
            // The same command under another text in this menu bar.
            QAction* alias = menu->addAction(QString::fromUtf8(entry.text));
            alias->setStatusTip(action->statusTip());
            alias->setEnabled(action->isEnabled());
            alias->setData(entry.id);
            int id = entry.id;
            connect(alias, &QAction::triggered, this, [this, id] { OnCommand(id); });
        }
    }
}

void CMainFrame::AddRecentFiles(QMenu* menu, int resource) {
    CRecentFileList* recent = m_context.recentFiles;
    if (!recent || recent->Files().isEmpty()) {
        menu->addAction(QString::fromUtf8(RecentFilePlaceholder(resource)))->setEnabled(false);
        return;
    }
    for (int i = 0; i < recent->Files().size(); ++i) {
        QAction* action = menu->addAction(recent->MenuText(i));
        action->setData(CmdFileMruFirst + i);
        action->setStatusTip(tr("Opens this document."));
        connect(action, &QAction::triggered, this, [this, i] { OnOpenRecentFile(i); });
    }
}

void CMainFrame::AddWindowList(QMenu* menu) {
    QList<QMdiSubWindow*> windows = m_mdiArea->subWindowList();
    for (int i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* window = windows[i];
        QAction* action =
            menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(window->windowTitle()));
        action->setCheckable(true);
        action->setChecked(window == m_mdiArea->currentSubWindow());
        action->setStatusTip(tr("Activates this window."));
        connect(action, &QAction::triggered, this,
                [this, window] { m_mdiArea->setActiveSubWindow(window); });
    }
}

void CMainFrame::OnOpenRecentFile(int index) {
    CRecentFileList* recent = m_context.recentFiles;
    if (!recent || index < 0 || index >= recent->Files().size() || !m_context.docManager) return;
    QString path = recent->Files()[index];
    // A file that cannot be opened any more leaves the list.
    if (!m_context.docManager->OpenDocumentFile(path)) {
        int now = static_cast<int>(recent->Files().indexOf(path));
        recent->Remove(now);
    }
}

// --- windows
// ----------------------------------------------------------------------------------------------

CChildFrame* CMainFrame::ActiveFrame() const {
    auto* frame = qobject_cast<CChildFrame*>(m_mdiArea->currentSubWindow());
    if (!frame || !frame->Holder() || frame->Holder()->Closing()) return nullptr;
    return frame;
}

CDocumentHolder* CMainFrame::ActiveDocument() const {
    CChildFrame* frame = ActiveFrame();
    return frame ? frame->Holder() : nullptr;
}

CVarnholtMapEditorView* CMainFrame::ActiveTreeView() const {
    CChildFrame* frame = ActiveFrame();
    return frame ? frame->TreeView() : nullptr;
}

textedit::CDirectEditView* CMainFrame::ActiveTextView() const {
    CChildFrame* frame = ActiveFrame();
    return frame ? frame->TextView() : nullptr;
}

CMap3DView* CMainFrame::ActiveMapView() const {
    CChildFrame* frame = ActiveFrame();
    return frame ? frame->MapView() : nullptr;
}

view3d::SceneOptions CMainFrame::SceneOptions() const {
    view3d::SceneOptions options;
    if (m_context.settings)
        options.textureFilter =
            static_cast<uint32_t>(std::clamp(m_context.settings->textureFilter, 1, 3));
    if (m_context.view) options.show = *m_context.view;
    return options;
}

namespace {

// The flag of a category toggle (Buildings, Vegetation, Landscape, Fences,
// Water, Trash).
int& ShownFlag(platform::ViewFlags& view, int id) {
    switch (id) {
    case CmdShowBuildings:
        return view.showBuildings;
    case CmdShowVegetation:
        return view.showVegetation;
    case CmdShowLandscape:
        return view.showLandscape;
    case CmdShowFences:
        return view.showFences;
    case CmdShowWater:
        return view.showWater;
    default:
        return view.showTrash;
    }
}

} // namespace

void CMainFrame::OnViewOption(int id) {
    platform::ViewFlags* view = m_context.view;
    platform::EditorSettings* settings = m_context.settings;
    auto flip = [](int& flag) { flag = flag ? 0 : 1; };
    switch (id) {
    case CmdShowWaypoints:
        if (view) flip(view->showWaypoints);
        // The saved toggle follows the one shown.
        if (view && settings) settings->viewWaypoints = view->showWaypoints;
        break;
    case CmdShowMapElements:
        if (view) flip(view->showMapElements);
        if (view && settings) settings->viewMapElements = view->showMapElements;
        break;
    case CmdShowBuildings:
    case CmdShowVegetation:
    case CmdShowLandscape:
    case CmdShowFences:
    case CmdShowWater:
    case CmdShowTrash:
        if (view) flip(ShownFlag(*view, id));
        break;
    case CmdNoFiltering:
    case CmdBilinear:
    case CmdAnisotropic:
        if (settings)
            settings->textureFilter = id == CmdNoFiltering ? 1 : id == CmdBilinear ? 2 : 3;
        break;
    default:
        return;
    }
    // The options are the application's: every open 3D view follows.
    const view3d::SceneOptions options = SceneOptions();
    if (m_context.docManager)
        for (CDocumentHolder* holder : m_context.docManager->Documents())
            for (CMap3DView* mapView : holder->MapViews())
                mapView->SetOptions(options);
}

void CMainFrame::OnActiveWindowChanged() {
    CChildFrame* frame = ActiveFrame();
    // A document is in text mode while its text window is the active one.
    if (m_context.docManager)
        for (CDocumentHolder* holder : m_context.docManager->Documents())
            holder->NoteActiveFrame(frame);
    if (CMap3DView* mapView = frame ? frame->MapView() : nullptr) {
        // The bars follow the document of the 3D window in front.
        CVarnholtMapEditorDoc* doc = mapView->Document();
        Relay(AppMessage::DocumentActivated, doc->Kind() == document::Mission ? 0 : 1,
              reinterpret_cast<intptr_t>(doc));
    }
    if (CVarnholtMapEditorView* tree = frame ? frame->TreeView() : nullptr) {
        if (QItemSelectionModel* selection = tree->selectionModel())
            connect(selection, &QItemSelectionModel::selectionChanged, this,
                    &CMainFrame::ScheduleUpdate, Qt::UniqueConnection);
        tree->NotifyActivated();
    }
    UpdateCommandStates();
}

void CMainFrame::ToggleTreeView() {
    CDocumentHolder* holder = ActiveDocument();
    if (!holder) return;
    CChildFrame* active = ActiveFrame();
    if (active && active->TreeView()) {
        // The tree is in front: step on to the next document window; the
        // tree stays open behind it.
        m_mdiArea->activateNextSubWindow();
        return;
    }
    for (CChildFrame* frame : holder->Frames())
        if (frame->TreeView()) {
            m_mdiArea->setActiveSubWindow(frame);
            return;
        }
    if (m_context.docManager) m_context.docManager->CreateTreeFrame(holder);
}

void CMainFrame::ToggleDirectEditing() {
    CDocumentHolder* holder = ActiveDocument();
    if (!holder || holder->Resource() != MenuMissionMap) return;
    CChildFrame* textFrame = nullptr;
    CChildFrame* other = nullptr;
    for (CChildFrame* frame : holder->Frames()) {
        if (frame->TextView())
            textFrame = textFrame ? textFrame : frame;
        else
            other = other ? other : frame;
    }
    if (!holder->Doc().TextMode() || !textFrame) {
        if (textFrame)
            m_mdiArea->setActiveSubWindow(textFrame);
        else if (m_context.docManager)
            m_context.docManager->CreateTextFrame(holder);
        return;
    }
    // Leaving text mode: the document keeps a window of its elements. The
    // text window asks about edits it holds and may stay open.
    if (!other && m_context.docManager) other = m_context.docManager->CreateTreeFrame(holder);
    if (!textFrame->close()) {
        m_mdiArea->setActiveSubWindow(textFrame);
        return;
    }
    if (other) m_mdiArea->setActiveSubWindow(other);
}

bool CMainFrame::OnTextCommand(textedit::CDirectEditView& text, int id) {
    switch (id) {
    case CmdEditCut:
        text.OnCut();
        return true;
    case CmdEditCopy:
        text.OnCopy();
        return true;
    case CmdEditPaste:
        text.OnPaste();
        return true;
    case CmdEditDelete:
        text.OnClear();
        return true;
    case CmdEditClearAll:
        text.OnClearAll();
        return true;
    case CmdEditSelectAll:
        text.OnSelectAll();
        return true;
    case CmdEditUndo:
        text.OnUndo();
        return true;
    case CmdEditRedo:
        text.OnRedo();
        return true;
    case CmdEditFind:
        text.OnFind();
        return true;
    case CmdSetMarker:
        text.OnSetMarker();
        return true;
    case CmdGoToMarker:
        text.OnGoToMarker();
        return true;
    default:
        return false;
    }
}

void CMainFrame::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) {
        // A minimised editor draws nothing; the views pause until it is back.
        const bool minimised = isMinimized();
        if (m_context.docManager)
            for (CDocumentHolder* holder : m_context.docManager->Documents())
                for (CMap3DView* view : holder->MapViews())
                    view->SetMinimised(minimised);
    }
    QMainWindow::changeEvent(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_context.docManager && !m_context.docManager->CloseAllDocuments()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        for (const QUrl& url : event->mimeData()->urls())
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
    }
    QMainWindow::dragEnterEvent(event);
}

void CMainFrame::dropEvent(QDropEvent* event) {
    if (!m_context.docManager || !event->mimeData()->hasUrls()) return;
    event->acceptProposedAction();
    activateWindow();
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) m_context.docManager->OpenDocumentFile(url.toLocalFile());
}

// --- relay
// --------------------------------------------------------------------------------------------------

void CMainFrame::Relay(AppMessage message, intptr_t first, intptr_t second) {
    if (m_relayer) m_relayer->Relay(message, first, second);
    // A selection or placement in a view changes what Delete and Set
    // Properties can act on.
    ScheduleUpdate();
}

intptr_t CMainFrame::LastActivation() const {
    return m_relayer ? m_relayer->LastActivation() : 0;
}

// --- dialogs and the game
// ------------------------------------------------------------------------------------

void CMainFrame::OnOptions() {
    platform::EditorSettings* settings = m_context.settings;
    if (!settings) return;
    FolderBrowser browser = m_context.browseFolder ? m_context.browseFolder : SystemFolderBrowser();
    COptionsDialog dialog(FromPath(settings->gamePath), FromPath(settings->resourceDir), browser,
                          this);
    if (dialog.exec() != QDialog::Accepted) return;
    // Used from the next start: the catalogue keeps the folders it loaded from.
    settings->gamePath = ToPath(dialog.GamePath());
    settings->resourceDir = ToPath(dialog.ResourcePath());
}

void CMainFrame::OnRunGame() {
    std::string scratch;
    std::string& gamePath = m_context.settings ? m_context.settings->gamePath : scratch;
    FolderBrowser browser = m_context.browseFolder ? m_context.browseFolder : SystemFolderBrowser();
    ProcessStarter starter = m_context.startProcess ? m_context.startProcess : DetachedStarter();
    RunGame(gamePath, this, browser,
            [this, &starter](const QString& program, const QString& folder) {
                showMinimized();
                return starter(program, folder);
            });
}

QPrinter& CMainFrame::Printer() {
    if (!m_printer) m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void CMainFrame::OnPrint() {
    CVarnholtMapEditorView* tree = ActiveTreeView();
    if (!tree) return;
    QPrintDialog dialog(&Printer(), this);
    if (dialog.exec() == QDialog::Accepted) tree->Print(&Printer());
}

void CMainFrame::OnPrintPreview() {
    QPointer<CVarnholtMapEditorView> tree = ActiveTreeView();
    if (!tree) return;
    QPrintPreviewDialog preview(&Printer(), this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [tree](QPrinter* printer) {
        if (tree) tree->Print(printer);
    });
    preview.exec();
}

void CMainFrame::OnPrintSetup() {
    QPageSetupDialog dialog(&Printer(), this);
    dialog.exec();
}

} // namespace app
