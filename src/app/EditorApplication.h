#pragma once

#include "app/AppDialogs.h"
#include "app/DocManager.h"
#include "app/MainFrame.h"
#include "app/ProgressThread.h"
#include "app/QtPlatform.h"
#include "app/RecentFileList.h"
#include "resources/EditorStartup.h"
#include "resources/ResourceCatalogue.h"

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <string>

class QSettings;

namespace app {

// What the command line and the environment ask of a start.
struct StartOptions {
    QString gamePath;    // --game-path, else VM_GAME_PATH: the game folder for this run
    QString resourceDir; // --resource-dir, else VM_RESOURCE_DIR
    QString file;        // a document to open once the resources are loaded
    QString screenshot;  // --screenshot: save a picture of the window there, then exit
    bool help = false;
};

struct ParsedCommandLine {
    StartOptions options;
    QString error; // non-empty when the arguments are not understood
};

// Reads the arguments after the program name; the command line wins over
// the environment.
ParsedCommandLine ParseCommandLine(const QStringList& arguments, const QString& envGamePath,
                                   const QString& envResourceDir);
QString CommandLineHelp(const QString& program);

// The settings as read at start, with folders given for this run put over
// the stored ones. Writing goes to the store unchanged.
class OverriddenSettingsStore : public platform::SettingsStore {
  public:
    OverriddenSettingsStore(platform::SettingsStore& base,
                            std::map<std::string, std::string, std::less<>> strings)
        : m_base(base), m_strings(std::move(strings)) {}
    std::string GetString(std::string_view key, std::string_view defaultValue) const override;
    int GetInt(std::string_view key, int defaultValue) const override {
        return m_base.GetInt(key, defaultValue);
    }
    void SetString(std::string_view key, std::string_view value) override {
        m_base.SetString(key, value);
    }
    void SetInt(std::string_view key, int value) override { m_base.SetInt(key, value); }

  private:
    platform::SettingsStore& m_base;
    std::map<std::string, std::string, std::less<>> m_strings;
};

// The editor's application object: it owns the settings, the resource
// catalogue, the recent files, the document manager and the main frame, and
// runs the start-up and the shut-down around them.
class CVarnholtApp {
  public:
    struct Services {
        QSettings* settings = nullptr;        // null: the user's own settings
        platform::Prompts* prompts = nullptr; // null: message boxes
        FolderBrowser browseFolder;           // empty: the platform's folder picker
    };

    CVarnholtApp();
    explicit CVarnholtApp(Services services);
    ~CVarnholtApp();
    CVarnholtApp(const CVarnholtApp&) = delete;
    CVarnholtApp& operator=(const CVarnholtApp&) = delete;

    // The start: settings, recent files, document kinds, main frame, the
    // resource load, then the file to open. False ends the program (the
    // user has been told why); the main window is shown on success. A file
    // that cannot be opened is reported and does not end the start.
    bool InitInstance(const StartOptions& options);
    // The regular exit: writes the settings and the recent files back. A
    // folder given for this run only is not written, unless the user chose
    // it in the Options dialog.
    int ExitInstance();

    CMainFrame* MainFrame() const { return m_mainFrame.get(); }
    CVarnholtDocManager& DocManager() { return *m_docManager; }
    resources::CEditorStartup& Startup() { return m_startup; }
    resources::CResourceCatalogue& Catalogue() { return m_catalogue; }
    CRecentFileList& RecentFiles() { return m_recentFiles; }
    const std::string& ProgramDirectory() const { return m_programDirectory; }

  private:
    std::unique_ptr<QtSettingsStore> m_store;
    QSettings* m_settings;
    QtPrompts m_qtPrompts;
    platform::Prompts* m_prompts;
    CProgressThread m_progress;
    FolderBrowser m_browseFolder;
    QtResourcePathDialogs m_pathDialogs;
    resources::CResourceCatalogue m_catalogue;
    resources::CEditorStartup m_startup;
    CRecentFileList m_recentFiles{15};
    std::unique_ptr<CVarnholtDocManager> m_docManager;
    std::unique_ptr<CMainFrame> m_mainFrame;
    std::string m_programDirectory;
    // Folders given for this run, and what the store held for them.
    std::map<std::string, std::pair<std::string, std::string>> m_runOnly;
};

} // namespace app
