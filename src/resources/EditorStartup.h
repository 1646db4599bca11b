#pragma once

#include "platform/SettingsStore.h"
#include "resources/ResourceCatalogue.h"

#include <string>

namespace platform {
class Prompts;
}

namespace resources {

class ResourcePathDialogs;

// The question for the game folder at a start that has none (or a wrong one).
inline constexpr const char* kGamePathQuestion = "Please select the Game Path of \"Varnholt\"";

// Whether folder is the game's installation, which is known by its main
// archive 'game.pak' (in any case of letters). Empty when it is; otherwise
// the message that tells the user what is missing.
std::string CheckGameFolder(const std::string& folder);

// The editor's life outside its windows: the settings read at start, the
// resource load that must succeed before any document opens, and the
// settings written back at a regular exit. The desktop application runs it
// around its window set-up; tests and tools run it on their own.
class CEditorStartup {
  public:
    // dialogs asks for the game folder when the settings have none or a
    // wrong one; without it such a start fails.
    CEditorStartup(CResourceCatalogue& catalogue, platform::Prompts* prompts,
                   ResourcePathDialogs* dialogs = nullptr)
        : m_catalogue(catalogue), m_prompts(prompts), m_dialogs(dialogs) {}

    // The folder of the program, taken from its full path.
    static std::string ProgramDirectory(const std::string& programPath);

    // Reads the settings (missing values take their defaults), loads the
    // resources, asking for missing folders, and shows "Failed to load
    // entities" when that fails. False ends the program.
    //
    // The game folder is checked before it is taken: a folder without the
    // game's archive is refused with a message and the folder question is
    // asked instead, until the user gives a game folder or cancels. A
    // refused folder is never kept in the settings.
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
    // The folder if it is the game's; otherwise tells the user and gives "".
    std::string AcceptGameFolder(const std::string& folder) const;

    CResourceCatalogue& m_catalogue;
    platform::Prompts* m_prompts;
    ResourcePathDialogs* m_dialogs;
    platform::EditorSettings m_settings;
    platform::ViewFlags m_view;
    bool m_started = false;
};

} // namespace resources
