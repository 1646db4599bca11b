#include "resources/EditorStartup.h"

#include "platform/Prompts.h"
#include "resources/NoCasePaths.h"

#include <filesystem>

namespace resources {

std::string CheckGameFolder(const std::string& folder) {
    CNoCasePaths paths;
    std::optional<std::filesystem::path> archive = paths.Find(folder + "/game.pak");
    std::error_code ec;
    if (archive && std::filesystem::is_regular_file(*archive, ec)) return {};
    // Without its archives the catalogue would load empty, and every later
    // start with it too, with nothing to tell the user why.
    return "The folder '" + folder +
           "' is not the game folder of \"Varnholt\": it holds no 'game.pak'.";
}

std::string CEditorStartup::AcceptGameFolder(const std::string& folder) const {
    std::string problem = CheckGameFolder(folder);
    if (problem.empty()) return folder;
    if (m_prompts) m_prompts->Message(problem, platform::Icon::Warning);
    return {};
}

std::string CEditorStartup::ProgramDirectory(const std::string& programPath) {
    size_t cut = programPath.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : programPath.substr(0, cut);
}

bool CEditorStartup::StartUp(const platform::SettingsStore& store) {
    m_settings.Read(store);
    m_view.showWaypoints = m_settings.viewWaypoints;
    m_view.showMapElements = m_settings.viewMapElements;
    std::string gamePath =
        m_settings.gamePath.empty() ? std::string() : AcceptGameFolder(m_settings.gamePath);
    while (gamePath.empty() && m_dialogs) {
        std::string chosen = m_dialogs->BrowseFolder(kGamePathQuestion);
        if (chosen.empty()) break;
        gamePath = AcceptGameFolder(chosen);
    }
    m_catalogue.SetGamePath(gamePath);
    m_catalogue.SetResourceDir(m_settings.resourceDir);
    if (gamePath.empty() || !m_catalogue.LoadResources()) {
        if (m_prompts) m_prompts->Message("Failed to load entities", platform::Icon::Error);
        return false;
    }
    // The load may have asked for the folders; those answers are kept.
    m_settings.gamePath = m_catalogue.GamePath();
    m_settings.resourceDir = m_catalogue.ResourceDir();
    m_started = true;
    return true;
}

int CEditorStartup::ShutDown(platform::SettingsStore& store) {
    m_catalogue.Entries().clear();
    if (!m_started) return 0;
    m_settings.viewWaypoints = m_view.showWaypoints;
    m_settings.viewMapElements = m_view.showMapElements;
    m_settings.Write(store);
    m_started = false;
    return 0;
}

} // namespace resources
