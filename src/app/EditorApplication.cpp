#include "app/EditorApplication.h"

#include <QCoreApplication>
#include <QSettings>

namespace app {

namespace {

constexpr const char* kGamePathKey = "GamePath";
constexpr const char* kResourceDirKey = "ResourceDir";

} // namespace

// --- command line
// -----------------------------------------------------------------------------------

ParsedCommandLine ParseCommandLine(const QStringList& arguments, const QString& envGamePath,
                                   const QString& envResourceDir) {
    ParsedCommandLine parsed;
    StartOptions& options = parsed.options;
    options.gamePath = envGamePath;
    options.resourceDir = envResourceDir;
    bool fileGiven = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        auto value = [&](const QString& name, QString& target) {
            if (arg.startsWith(name + QLatin1Char('='))) {
                target = arg.mid(name.size() + 1);
                return true;
            }
            if (arg != name) return false;
            if (i + 1 >= arguments.size()) {
                parsed.error = QStringLiteral("%1 needs a value").arg(name);
                return true;
            }
            target = arguments[++i];
            return true;
        };
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            options.help = true;
        } else if (value(QStringLiteral("--game-path"), options.gamePath) ||
                   value(QStringLiteral("--resource-dir"), options.resourceDir) ||
                   value(QStringLiteral("--screenshot"), options.screenshot)) {
            if (!parsed.error.isEmpty()) return parsed;
        } else if (arg == QLatin1String("--")) {
            if (i + 1 < arguments.size()) {
                if (fileGiven || i + 2 < arguments.size()) {
                    parsed.error = QStringLiteral("only one file can be opened at start");
                    return parsed;
                }
                options.file = arguments[i + 1];
                fileGiven = true;
            }
            break;
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            parsed.error = QStringLiteral("unknown option %1").arg(arg);
            return parsed;
        } else {
            if (fileGiven) {
                parsed.error = QStringLiteral("only one file can be opened at start");
                return parsed;
            }
            options.file = arg;
            fileGiven = true;
        }
    }
    return parsed;
}

QString CommandLineHelp(const QString& program) {
    return QStringLiteral(
               "Usage: %1 [--game-path G] [--resource-dir R] [--screenshot PATH] [FILE]\n"
               "\n"
               "The map and mission editor for Varnholt.\n"
               "\n"
               "  FILE                 a mission, map, pak archive or definition file to open\n"
               "                       once the game's resources are loaded\n"
               "  --game-path G        the folder of the installed game for this run\n"
               "                       (environment: VM_GAME_PATH)\n"
               "  --resource-dir R     the folder the game's resources are unpacked into, for\n"
               "                       this run (environment: VM_RESOURCE_DIR)\n"
               "  --screenshot PATH    once the window is shown and FILE is open, save a picture\n"
               "                       of the main window to PATH (PNG) and exit\n"
               "  -h, --help           show this text\n"
               "\n"
               "Folders given on the command line win over the environment, and both win\n"
               "over the stored settings; with both folders given a first start asks nothing.\n"
               "They are not stored, unless they are chosen again in Options.\n"
               "\n"
               "The editor needs a display. Without one, run it under a virtual X server:\n"
               "  xvfb-run -a %1 --game-path G --resource-dir R [FILE]\n")
        .arg(program);
}

// --- settings
// ------------------------------------------------------------------------------------------

std::string OverriddenSettingsStore::GetString(std::string_view key,
                                               std::string_view defaultValue) const {
    auto it = m_strings.find(key);
    if (it != m_strings.end() && !it->second.empty()) return it->second;
    return m_base.GetString(key, defaultValue);
}

// --- the application
// -----------------------------------------------------------------------------------

CVarnholtApp::CVarnholtApp() : CVarnholtApp(Services{}) {}

CVarnholtApp::CVarnholtApp(Services services)
    : m_store(services.settings ? std::make_unique<QtSettingsStore>(services.settings)
                                : std::make_unique<QtSettingsStore>()),
      m_settings(&m_store->Settings()),
      m_prompts(services.prompts ? services.prompts : &m_qtPrompts),
      m_browseFolder(services.browseFolder ? services.browseFolder : SystemFolderBrowser()),
      m_pathDialogs(m_browseFolder), m_catalogue(m_prompts, &m_progress, &m_pathDialogs),
      m_startup(m_catalogue, m_prompts, &m_pathDialogs) {}

CVarnholtApp::~CVarnholtApp() {
    // Windows first: the views point into the documents the manager owns.
    m_mainFrame.reset();
    m_docManager.reset();
}

bool CVarnholtApp::InitInstance(const StartOptions& options) {
    m_programDirectory = resources::CEditorStartup::ProgramDirectory(
        ToPath(QCoreApplication::applicationFilePath()));
    m_recentFiles.Read(*m_settings);

    m_docManager = std::make_unique<CVarnholtDocManager>(
        CVarnholtDocManager::Services{m_prompts, &m_progress, &m_catalogue});
    m_docManager->SetRecentFileSink([this](const QString& path) { m_recentFiles.Add(path); });

    CMainFrame::Context context;
    context.docManager = m_docManager.get();
    context.catalogue = &m_catalogue;
    context.settings = &m_startup.Settings();
    context.view = &m_startup.View();
    context.recentFiles = &m_recentFiles;
    context.browseFolder = m_browseFolder;
    m_mainFrame = std::make_unique<CMainFrame>(context);
    m_qtPrompts.SetParent(m_mainFrame.get());
    m_progress.SetParent(m_mainFrame.get());
    m_pathDialogs.SetParent(m_mainFrame.get());

    std::map<std::string, std::string, std::less<>> given;
    m_runOnly.clear();
    auto giveFolder = [&](const char* key, const QString& folder) {
        if (folder.isEmpty()) return;
        std::string value = ToPath(folder);
        given[key] = value;
        m_runOnly[key] = {value, m_store->GetString(key, "")};
    };
    giveFolder(kGamePathKey, options.gamePath);
    giveFolder(kResourceDirKey, options.resourceDir);
    OverriddenSettingsStore store(*m_store, std::move(given));
    if (!m_startup.StartUp(store)) return false;
    m_mainFrame->Relay(document::AppMessage::EntitiesLoaded, 0, 0);

    // A file that cannot be opened has been reported by the document
    // manager; the editor stays open without it.
    if (!options.file.isEmpty()) m_docManager->OpenDocumentFile(options.file);
    m_mainFrame->show();
    m_mainFrame->UpdateCommandStates();
    return true;
}

int CVarnholtApp::ExitInstance() {
    if (!m_startup.Started()) {
        m_startup.ShutDown(*m_store);
        return 0;
    }
    platform::EditorSettings& settings = m_startup.Settings();
    auto restore = [&](const char* key, std::string& current) {
        auto it = m_runOnly.find(key);
        if (it != m_runOnly.end() && current == it->second.first) current = it->second.second;
    };
    restore(kGamePathKey, settings.gamePath);
    restore(kResourceDirKey, settings.resourceDir);
    int code = m_startup.ShutDown(*m_store);
    m_recentFiles.Write(*m_settings);
    m_settings->sync();
    return code;
}

} // namespace app
