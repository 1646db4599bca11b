#pragma once

#include "app/DocumentHolder.h"
#include "view3d/MapScene.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QMdiArea;
class QWidget;

namespace platform {
class Prompts;
class Progress;
} // namespace platform

namespace resources {
class CResourceCatalogue;
}
namespace view3d {
class CModelCache;
}

namespace app {

class CChildFrame;
class CVarnholtDocManager;

// A document kind: how its documents are named, filtered and opened.
class CDocTemplate {
  public:
    struct Strings {
        int resource;       // 131 or 134
        QString docName;    // base of the default titles ("Mifile1", ...)
        QString filterName; // the file dialog's filter
        QString extensions; // ".mi;.pak;.*"
        QString saveSuffix; // appended by the save dialog to a bare name
    };

    CDocTemplate(CVarnholtDocManager& manager, Strings strings)
        : m_manager(manager), m_strings(std::move(strings)) {}
    virtual ~CDocTemplate() = default;

    const Strings& Text() const { return m_strings; }
    int Resource() const { return m_strings.resource; }

    // Opens the file as a new document in a new window; nullptr when the
    // document could not be opened (it then reported why).
    virtual CDocumentHolder* OpenDocumentFile(const QString& name, bool visible = true);
    // True when the file's extension is one of the kind's own (".*" is no wildcard).
    bool MatchesExtension(const QString& path) const;

  protected:
    // The default title of the next untitled document ("Mifile1", "Mifile2", ...).
    QString NextUntitledTitle() const {
        return m_strings.docName + QString::number(m_untitled + 1);
    }
    CDocumentHolder* OpenExisting(const QString& name, bool visible);

    CVarnholtDocManager& m_manager;
    Strings m_strings;
    int m_untitled = 0;
};

// The mission and map kind. Besides files it opens the three special names
// of File New: "$mission$", "$map$" and "$createmap$" make a new document of
// kind 0, 1 or 2 without touching any file.
class CVarnholtDocTemplate : public CDocTemplate {
  public:
    using CDocTemplate::CDocTemplate;
    CDocumentHolder* OpenDocumentFile(const QString& name, bool visible = true) override;
    // The kind a special name stands for, or -1.
    static int SpecialKind(const QString& name);
};

// The open documents and the two document kinds; File New, Open and Close.
class CVarnholtDocManager : public QObject {
    Q_OBJECT
  public:
    struct Services {
        platform::Prompts* prompts = nullptr;
        platform::Progress* progress = nullptr;
        resources::CResourceCatalogue* catalogue = nullptr;
    };
    // Makes the dialogs of a document of that kind; tests answer for the user here.
    using DialogsFactory =
        std::function<std::unique_ptr<document::DocumentDialogs>(const CDocTemplate&)>;
    // The question asked before a modified document closes: Yes, No or Cancel.
    enum class SaveAnswer { Yes, No, Cancel };
    using SaveQuestion = std::function<SaveAnswer(const QString& question)>;
    // File New's document type question: 0, 1 or 2, or -1 for no choice.
    using TypeQuestion = std::function<int()>;

    CVarnholtDocManager(Services services, QObject* parent = nullptr);
    ~CVarnholtDocManager() override;

    // Where documents get their windows and send their messages.
    void SetWorkspace(QMdiArea* area, document::MessageRelay* relay, QWidget* dialogParent);
    void SetRecentFileSink(std::function<void(const QString&)> sink) {
        m_recentSink = std::move(sink);
    }
    void SetDialogsFactory(DialogsFactory factory) { m_dialogsFactory = std::move(factory); }
    void SetSaveQuestion(SaveQuestion question) { m_saveQuestion = std::move(question); }
    void SetTypeQuestion(TypeQuestion question) { m_typeQuestion = std::move(question); }
    // What new 3D views show (the shared filters and toggles).
    void SetSceneOptions(std::function<view3d::SceneOptions()> options) {
        m_sceneOptions = std::move(options);
    }
    // The catalogue was read anew: the models loaded from the old one go.
    void CatalogueChanged();

    CVarnholtDocTemplate& MissionTemplate() { return *m_missionTemplate; }
    CDocTemplate& DefinitionTemplate() { return *m_definitionTemplate; }
    // The kind a file opens as: definition files by their extension, everything else as a mission
    // or map.
    CDocTemplate& TemplateFor(const QString& path);

    // File New: asks for the document type and opens the special name of
    // the choice; nothing without a choice.
    CDocumentHolder* OnFileNew();
    // File Open: the file dialog, then OpenDocumentFile.
    CDocumentHolder* OnFileOpen();
    // Opens a file, or activates the document that already has it open. A
    // missing, unreadable or folder path is reported and opens nothing.
    CDocumentHolder* OpenDocumentFile(const QString& path);

    // Asks to save a modified document; false when the user cancelled or
    // the save failed.
    bool SaveModified(CDocumentHolder* holder);
    // Closes every window of the document after SaveModified; false when it stays open.
    bool CloseDocument(CDocumentHolder* holder);
    // Asks for every modified document, then closes them all; false when one stays open.
    bool CloseAllDocuments();
    // Save: to the document's path (asks when it has none). Save As: asks.
    bool SaveDocument(CDocumentHolder* holder, bool saveAs);

    // The document's first window: its 3D view for a map or mission (when
    // the game's catalogue is there to build it from), otherwise its tree.
    CChildFrame* CreateFirstFrame(CDocumentHolder* holder, bool visible = true);
    // A new window with the 3D view of the document, shown maximised.
    CChildFrame* CreateMapFrame(CDocumentHolder* holder, bool visible = true);
    // A new window with the element tree of the document, shown maximised.
    CChildFrame* CreateTreeFrame(CDocumentHolder* holder, bool visible = true);
    // A new window with the document as text (its text window), shown maximised.
    CChildFrame* CreateTextFrame(CDocumentHolder* holder, bool visible = true);

    std::vector<CDocumentHolder*> Documents() const;
    // Creates the document of a kind before it is filled; used by the templates.
    CDocumentHolder* CreateDocument(const CDocTemplate& kind);
    // Destroys a document that never got a window.
    void DestroyDocument(CDocumentHolder* holder);
    QWidget* DialogParent() const { return m_dialogParent; }
    void AddRecentFile(const QString& path);

  signals:
    // A document was opened or closed.
    void DocumentsChanged();
    // A document's modified state or title changed.
    void DocumentChanged(app::CDocumentHolder* holder);
    // The fullscreen window of a 3D view was closed: the main window closes too.
    void MainWindowCloseRequested();
    // A waypoint was laid in a 3D view while waypoints were hidden.
    void ShowWaypointsRequested();

  private:
    // A window around view, known to the document and followed until it
    // closes; ShowFrame puts it into the workspace.
    CChildFrame* NewFrame(CDocumentHolder* holder, QWidget* view);
    CChildFrame* ShowFrame(CChildFrame* frame, bool visible);
    bool FrameMayClose(CChildFrame* frame);
    void FrameClosed(CChildFrame* frame);
    void ReleaseIfUnused(CDocumentHolder* holder);

    Services m_services;
    std::unique_ptr<CVarnholtDocTemplate> m_missionTemplate;
    std::unique_ptr<CDocTemplate> m_definitionTemplate;
    std::vector<std::unique_ptr<CDocumentHolder>> m_documents;
    QPointer<QMdiArea> m_area;
    document::MessageRelay* m_relay = nullptr;
    QPointer<QWidget> m_dialogParent;
    std::function<void(const QString&)> m_recentSink;
    DialogsFactory m_dialogsFactory;
    SaveQuestion m_saveQuestion;
    TypeQuestion m_typeQuestion;
    std::function<view3d::SceneOptions()> m_sceneOptions;
    // The models every 3D view shares, loaded once per catalogue.
    std::unique_ptr<view3d::CModelCache> m_models;
};

// Why a file cannot be opened ("Cannot open the file 'X': it is a folder."),
// or empty when it exists and can be read.
QString CannotOpenMessage(const QString& path);

// The file dialog filters of File Open, one per document kind.
QStringList OpenFileFilters();

} // namespace app
