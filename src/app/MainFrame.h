#pragma once

#include "app/AppDialogs.h"
#include "app/MessageRelayer.h"
#include "document/DocumentHost.h"
#include "view3d/MapScene.h"

#include <QMainWindow>
#include <QPointer>

#include <map>
#include <memory>
#include <string>

class CVarnholtMapEditorView;
class CMap3DView;

namespace textedit {
class CDirectEditView;
}
class QMdiArea;
class QMenu;
class QPrinter;
class QTimer;
class QToolBar;

namespace platform {
struct EditorSettings;
struct ViewFlags;
} // namespace platform

namespace resources {
class CResourceCatalogue;
}

namespace app {

class CChildFrame;
class CDocumentHolder;
class CEntityBar;
class CPropBar;
class CRecentFileList;
class CVarnholtDocManager;

// The main window: menus and tool bar, the status bar, the entity bar and
// the property bar, and the document windows. It runs the commands of the
// command table and relays the application messages between bars, views
// and documents.
class CMainFrame : public QMainWindow, public document::MessageRelay {
    Q_OBJECT
  public:
    struct Context {
        CVarnholtDocManager* docManager = nullptr;
        const resources::CResourceCatalogue* catalogue = nullptr;
        platform::EditorSettings* settings = nullptr; // changed by Options and Run the game
        platform::ViewFlags* view = nullptr;          // what the show toggles show
        CRecentFileList* recentFiles = nullptr;
        FolderBrowser browseFolder;  // empty: the platform's folder picker
        ProcessStarter startProcess; // empty: a detached process
        std::string userDataDir;     // empty: the platform's per-user data folder
    };

    explicit CMainFrame(Context context, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // MessageRelay: the relay table.
    void Relay(document::AppMessage message, intptr_t first, intptr_t second) override;
    intptr_t LastActivation() const;

    // Runs a command of the command table as its menu entry would.
    void OnCommand(int id);
    QAction* Action(int id) const;
    // Brings every command's enabled and checked state up to date.
    void UpdateCommandStates();

    // The menu bar shown: 128 without a document, 131 for a mission or map,
    // 134 for a definition file.
    int MenuResource() const { return m_menuResource; }

    CDocumentHolder* ActiveDocument() const;
    CChildFrame* ActiveFrame() const;
    CVarnholtMapEditorView* ActiveTreeView() const;
    textedit::CDirectEditView* ActiveTextView() const;
    CMap3DView* ActiveMapView() const;
    // What the 3D views show and how they filter textures, from the settings.
    view3d::SceneOptions SceneOptions() const;
    // The document commands of the Game Settings and File menus: the two
    // exports and the environment settings.
    void OnDocumentCommand(int id, CDocumentHolder* holder);
    // The 3D view's edit modes and camera path commands.
    void OnMapEditCommand(CMap3DView& view, int id);
    // Opens, activates or steps past the tree window of the active document.
    void ToggleTreeView();
    // Direct editing: opens or activates the text window of the active
    // document, or, from the text window, closes it and goes to another window.
    void ToggleDirectEditing();
    // Map Bounds: the Bounds and Camera dialog on the active map's bounds.
    void OnMapBounds(CDocumentHolder* holder);
    // The show toggles and texture filters: the application's options, which
    // every open 3D view follows.
    void OnViewOption(int id);

    CPropBar* PropBar() const { return m_propBar; }
    CEntityBar* EntityBar() const { return m_entityBar; }
    QMdiArea* MdiArea() const { return m_mdiArea; }
    CVarnholtDocManager* DocManager() const { return m_context.docManager; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void CreateActions();
    void CreateToolBar();
    void CreateBars();
    void SetMenuResource(int resource);
    void PopulateMenu(QMenu* menu, int resource, int menuIndex);
    void AddRecentFiles(QMenu* menu, int resource);
    void AddWindowList(QMenu* menu);
    void OnActiveWindowChanged();
    // A command the active text window runs; false when it is not one of its own.
    bool OnTextCommand(textedit::CDirectEditView& text, int id);
    void ScheduleUpdate();
    class HistoryWatch;

    void OnOpenRecentFile(int index);
    void OnOptions();
    void OnRunGame();
    void OnPrint();
    void OnPrintPreview();
    void OnPrintSetup();
    QPrinter& Printer();

    Context m_context;
    QMdiArea* m_mdiArea;
    QToolBar* m_toolBar = nullptr;
    CEntityBar* m_entityBar = nullptr;
    class CKeyIndicators* m_keyIndicators = nullptr;
    CPropBar* m_propBar = nullptr;
    std::unique_ptr<CMessageRelayer> m_relayer;
    std::map<int, QAction*> m_actions;
    int m_menuResource = 0;
    QTimer* m_updateTimer;
    std::unique_ptr<HistoryWatch> m_historyWatch;
    std::unique_ptr<QPrinter> m_printer;
};

} // namespace app
