#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace view3d {

// The note of the new-map page: the editor cannot make ground of its own
// from nothing but the flat grid, so a new map starts from a template.
inline constexpr const char* kMapTemplateNote =
    "Currently the editor cannot create mapground\r\nstructures.\r\nPlease select an existing "
    "template for your new map.";
// The program icon each template entry is shown with, and the size of the
// list's images.
inline constexpr int kMapTemplateIcon = 252;
inline constexpr int kMapTemplateImageSize = 48;

// The templates a new map can start from. For each map name (the catalogue's
// map list), the folder <resourceDir>/entity/landscape/map/<name> is searched
// (names matched ignoring case); every ".ply" file directly inside a ".mod"
// folder gives the entry "<name>:<mod folder without .mod>". Folders below a
// ".mod" folder are not entered, nor symbolic links to folders, nor folders
// more than 32 levels down.
// Within a folder, names are visited in the order the game's file system
// lists them.
std::vector<std::string> ListMapTemplates(const std::filesystem::path& resourceDir,
                                          const std::vector<std::string>& mapNames);

} // namespace view3d
