#pragma once

#include <span>
#include <string_view>

// The editor's command table: every command has a fixed number, a menu text
// and a status-bar text whose part after the line break is the tool tip.
// Menus, tool bar, context menus and the command handlers all refer to the
// numbers, so a command keeps one identity wherever it appears.
namespace commands {

enum CommandId : int {
    // The editor's own commands.
    CmdEdit = 32771,
    CmdInsert = 32772,
    CmdRunGame = 32773,
    CmdShowWaypoints = 32775,
    CmdSetProperties = 32776,
    CmdTreeview = 32777,
    CmdShowMapElements = 32778,
    CmdGeneralSettings = 32779,
    CmdExportGamePak = 32780,
    CmdExportMod = 32781,
    CmdPlayerSide = 32782,
    CmdEntityBar = 32783,
    CmdFullscreen = 32784,
    CmdShowBuildings = 32785,
    CmdShowVegetation = 32786,
    CmdShowLandscape = 32787,
    CmdShowFences = 32788,
    CmdShowWater = 32789,
    CmdShowTrash = 32790,
    CmdEditUnits = 32791,
    CmdEditZones = 32792,
    CmdEditEvents = 32794,
    CmdEditTriggers = 32795,
    CmdDirectEditing = 32797,
    CmdSetMarker = 32798,
    CmdGoToMarker = 32799,
    CmdMapBounds = 32800,
    CmdNoFiltering = 32801,
    CmdBilinear = 32802,
    CmdAnisotropic = 32803,
    CmdEnvironment = 32804,
    CmdRecordCameraPath = 32805,
    CmdEndCameraPath = 32806,
    CmdEditCameraPaths = 32808,
    CmdCheckMission = 32809,

    // The standard document commands (files, editing, windows, help), with
    // the numbers Windows document applications conventionally give them.
    CmdFileNew = 57600,
    CmdFileOpen = 57601,
    CmdFileClose = 57602,
    CmdFileSave = 57603,
    CmdFileSaveAs = 57604,
    CmdFilePrintSetup = 57606,
    CmdFilePrint = 57607,
    CmdFilePrintPreview = 57609,
    CmdFileMruFirst = 57616, // the recent files take 57616 onwards, one each
    CmdEditDelete = 57632,
    CmdEditClearAll = 57633,
    CmdEditCopy = 57634,
    CmdEditCut = 57635,
    CmdEditFind = 57636,
    CmdEditPaste = 57637,
    CmdEditSelectAll = 57642,
    CmdEditUndo = 57643,
    CmdEditRedo = 57644,
    CmdWindowNew = 57648,
    CmdWindowCascade = 57650,
    CmdWindowTile = 57651,
    CmdAppAbout = 57664,
    CmdAppExit = 57665,
    CmdHelpTopics = 57667,
    CmdWindowNext = 57680,
    CmdViewToolbar = 59392,
    CmdViewStatusBar = 59393,
};

// One row of the command table.
struct CommandInfo {
    int id;
    const char* menuText;   // "\t" separates the shortcut shown in menus
    const char* statusText; // "\n" separates the tool tip
    // The command belongs to a view that does not exist yet (the 3D view, the
    // text view) or to work still to come; it is listed but stays disabled.
    bool later;
};

std::span<const CommandInfo> CommandTable();
// The row of a command; nullptr for numbers outside the table.
const CommandInfo* FindCommand(int id);

// The status-bar part of a status text (before the line break) and the tool
// tip (after it; the whole text when there is none).
std::string_view StatusPart(std::string_view statusText);
std::string_view ToolTipPart(std::string_view statusText);

// Menu resources: the three menu bars and the two context menus.
enum MenuResource : int {
    MenuNoDocument = 128,
    MenuTreeContext = 130,
    MenuMissionMap = 131,
    MenuDefinitionFile = 134,
    MenuEntityBarContext = 135,
};

// Entries of a menu besides command numbers.
inline constexpr int kMenuSeparator = 0;
inline constexpr int kMenuRecentFiles = -1; // the recent-file entries or their placeholder
inline constexpr int kMenuWindowList = -2;  // the list of open windows

struct MenuEntry {
    int id;                     // a command, or one of the markers above
    const char* text = nullptr; // overrides the command's menu text
};

struct MenuDefinition {
    const char* title;
    std::span<const MenuEntry> entries;
};

// The pull-down menus of a menu bar resource, in order; empty for unknown numbers.
std::span<const MenuDefinition> MenuBar(int resource);
// The entries of a context menu resource.
std::span<const MenuEntry> ContextMenu(int resource);
// The text of the recent-file placeholder in that menu bar.
const char* RecentFilePlaceholder(int resource);

} // namespace commands
