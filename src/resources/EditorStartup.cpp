#include "resources/EditorStartup.h"

#include "platform/Prompts.h"

namespace resources {

std::string CEditorStartup::ProgramDirectory(const std::string& programPath) {
    size_t cut = programPath.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : programPath.substr(0, cut);
}

bool CEditorStartup::StartUp(const platform::SettingsStore& store) {
    m_settings.Read(store);
    m_view.showWaypoints = m_settings.viewWaypoints;
    m_view.showMapElements = m_settings.viewMapElements;
    m_catalogue.SetGamePath(m_settings.gamePath);
    m_catalogue.SetResourceDir(m_settings.resourceDir);
    if (!m_catalogue.LoadResources()) {
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
