#pragma once

#include "platform/SettingsStore.h"
#include "resources/ResourceCatalogue.h"

#include <string>

namespace platform {
class Prompts;
}

namespace resources {

// The editor's life outside its windows: the settings read at start, the
// resource load that must succeed before any document opens, and the
// settings written back at a regular exit. The desktop application runs it
// around its window set-up; tests and tools run it on their own.
class CEditorStartup {
  public:
    CEditorStartup(CResourceCatalogue& catalogue, platform::Prompts* prompts)
        : m_catalogue(catalogue), m_prompts(prompts) {}

    // The folder of the program, taken from its full path.
    static std::string ProgramDirectory(const std::string& programPath);

    // Reads the settings (missing values take their defaults), loads the
    // resources, asking for missing folders, and shows "Failed to load
    // entities" when that fails. False ends the program.
    bool StartUp(const platform::SettingsStore& store);

    // Empties the catalogue and, after a successful start, writes the
    // settings back: the folders as chosen and the two saved view toggles.
    // A start that failed writes nothing, so a cancelled first start leaves
    // no half-made settings behind.
    int ShutDown(platform::SettingsStore& store);

    platform::EditorSettings& Settings() { return m_settings; }
    platform::ViewFlags& View() { return m_view; }
    bool Started() const { return m_started; }

  private:
    CResourceCatalogue& m_catalogue;
    platform::Prompts* m_prompts;
    platform::EditorSettings m_settings;
    platform::ViewFlags m_view;
    bool m_started = false;
};

} // namespace resources
