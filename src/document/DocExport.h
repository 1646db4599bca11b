#pragma once

#include "document/DocumentTypes.h"
#include "format/DefNode.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Prompts;
}

namespace document {

class CVarnholtMapEditorDoc;

// Messages of the exports, as the user sees them.
inline constexpr const char* kNotInResourceDir =
    "The file must be into the resource directory to be exported.\nSee File/Options";
inline constexpr const char* kOverwriteMemberQuestion =
    "The file already exists in the .pak file.\nShell we overwrite?";
inline constexpr const char* kExportError = "Error while exporting file.";
inline constexpr const char* kNoGamesReg = "Could not find 'games.reg' in the resource directory.";
inline constexpr const char* kNoMissionLng =
    "Could not find 'mission.lng' in the resource directory.";
inline constexpr const char* kExportSuccess = "File successfully exported.";
inline constexpr const char* kSaveBeforeExport =
    "The document must be saved before it can be exported.";

// Where the exports read and write: the game, the unpacked resources, the
// editor's own folder and the user's data folder (the custom environment.set
// is the user's, else the one beside the program; see CustomPresetLocation).
struct ExportPaths {
    std::string gamePath;
    std::string resourceDir;
    std::string editorDir;
    std::string userDataDir = {};
};

// An installed mod as its info.mod describes it.
struct ExistingMod {
    std::string folder;
    std::string title, description, version; // quotes removed
};

// The fields of the Mod Info dialog.
struct ModInfo {
    std::string name; // the folder name
    std::string title;
    std::string version;
    std::string description;
    int side = 0; // 0 USSR, 1 USA, 2 GER, 3 GBR
    bool exportMap = true;
    bool minimap = true;
    bool customEnvironment = false;
    bool customEnvironmentAvailable = false; // the editor's folder holds environment.set
};

// The mods below <game>/mods that have an info.mod, in folder name order.
std::vector<ExistingMod> ListExistingMods(const std::string& gamePath);
// Empty fields take the defaults a mod is exported with.
void ApplyModDefaults(ModInfo& info);
// Whether name can be a folder directly below the game's mods folder: no
// path separators, no "." or "..", no characters a file system refuses.
// Spaces are fine.
bool ValidModName(std::string_view name);
// Why the fields of the Mod Info dialog cannot be exported as they are: a
// mod name that cannot be a folder, or a name, title, version or
// description that would not read back from info.mod, games.reg or
// mission.lng. Empty fields pass (the export gives them defaults). Empty
// when everything can be written.
std::string CheckModInfo(const ModInfo& info);

// The additions an export makes to the game's mission registry and mission
// texts; entries already present are left as they are.
void AddModToGamesReg(DefNodeList& roots, const std::string& modName, const std::string& fileStem,
                      int side);
void AddModToMissionLng(DefNodeList& roots, const std::string& title);

// The part of the bounds picture a minimap shows, with its 3-pixel white
// frame; the crop always stays inside the picture.
BoundsPicture MinimapPicture(const BoundsPicture& picture, const GroundExtent& extent,
                             const BoundsRect& world);
// An uncompressed 24-bit TGA, rows bottom to top.
std::string TgaBytes(const BoundsPicture& picture);
// Writes <modFolder>/resource/interface/minimap/<modName>.ebm and .tga.
bool CreateMinimap(const std::filesystem::path& modFolder, const std::string& modName,
                   const BoundsPicture& picture, const GroundExtent& extent,
                   const BoundsRect& world, platform::Prompts* prompts);

// "Export into 'game.pak'": the saved document replaces or joins its member
// of the game's main archive. True on success.
bool ExportToPak(CVarnholtMapEditorDoc& doc, const ExportPaths& paths);
// "Export as MOD". With info the Mod Info dialog is not shown and info is
// used as entered there; otherwise the document's dialogs are asked. Fields
// that CheckModInfo refuses, or anything else the mod's files could not
// read back, stop the export with that message before anything is written.
bool ExportMod(CVarnholtMapEditorDoc& doc, const ExportPaths& paths, const ModInfo* info = nullptr);

} // namespace document
