#include "commands/CommandTable.h"

#include <algorithm>
#include <array>

namespace commands {

namespace {

constexpr CommandInfo kCommands[] = {
    {CmdEdit, "Edit...\tReturn", "Edit.", false},
    {CmdInsert, "Insert...", "Insert.", false},
    {CmdRunGame, "Run the game", "Runs the game.", false},
    {CmdShowWaypoints, "Show &Waypoints", "Show Waypoints.\nShow Waypoints", false},
    {CmdSetProperties, "Set &Properties", "Set Properties.\nSet Properties", false},
    {CmdTreeview, "Treeview", "Treeview.\nTreeview", false},
    {CmdShowMapElements, "Show Map Elements", "Show Map Elements.\nShow Map Elements", false},
    {CmdGeneralSettings, "General Settings...", "General Settings.\nGeneral Settings", false},
    {CmdExportGamePak, "Export into 'game.pak'", "Export into 'game.pak'.\nExport into 'game.pak",
     false},
    {CmdExportMod, "Export as MOD", "Export as MOD.\nExport as MOD", false},
    {CmdPlayerSide, "&Player Side", "Game Options.\nGame Options", false},
    {CmdEntityBar, "Entity bar", "Shows/hides entity bar.\nToggle entity bar", false},
    {CmdFullscreen, "Fullscreen", "View Fullscreen.\nFullscreen", false},
    {CmdShowBuildings, "Show Buildings", "Show Buildings.\nShow Buildings", false},
    {CmdShowVegetation, "Show Vegetation", "Show Vegetation.\nShow Vegetation", false},
    {CmdShowLandscape, "Show Landscape Elem.", "Show Landscape Elem.\nShow Landscape Elem.", false},
    {CmdShowFences, "Show Fences", "Show Fences.\nShow Fences", false},
    {CmdShowWater, "Show Water", "Show Water.\nShow Water", false},
    {CmdShowTrash, "Show Trash", "Show Trash.\nShow Trash", false},
    {CmdEditUnits, "Edit units/buildings", "Edit units.\nEdit units", false},
    {CmdEditZones, "Zones", "Edit zones.\nEdit zones", false},
    {CmdEditEvents, "Events", "Edit events.\nEdit events", false},
    {CmdEditTriggers, "Triggers", "Edit triggers.\nEdit triggers", false},
    {CmdDirectEditing, "Direct editing",
     "Opens the file in text mode for direct editing.\nDirect editing", false},
    {CmdSetMarker, "Set Marker", "Set Marker.\nSet Marker", false},
    {CmdGoToMarker, "Go to Marker", "Go to Marker.\nGo to Marker", false},
    {CmdMapBounds, "Map Bounds", "Set Map Bounds.\nMap Bounds", false},
    {CmdNoFiltering, "No Filtering", "No Filtering.\nNo Filtering", false},
    {CmdBilinear, "Bilinear", "Bilinear Filtering.\nBilinear Filtering", false},
    {CmdAnisotropic, "Anisotropic", "Anisotropic Filtering.\nAnisotropic Filtering", false},
    {CmdEnvironment, "Environment Settings...", "Environment Settings.\nEnvironment Settings",
     false},
    {CmdRecordCameraPath, "Record camerapath", "Record camerapath.\nRecord camerapath", false},
    {CmdEndCameraPath, "End camerapath", "End camerapath.\nEnd camerapath", false},
    {CmdEditCameraPaths, "Camera Pathes", "Edit camera pathes.\nCamera pathes", false},
    {CmdCheckMission, "Check Mission...",
     "Checks the document for broken references and values.\nCheck Mission", false},

    {CmdFileNew, "&New\tCtrl+N", "Creates a new document.\nNew", false},
    {CmdFileOpen, "&Open...\tCtrl+O", "Opens an existing document.\nOpen", false},
    {CmdFileClose, "&Close", "Closes the active document.\nClose", false},
    {CmdFileSave, "&Save\tCtrl+S", "Saves the active document.\nSave", false},
    {CmdFileSaveAs, "Save &as...", "Saves the active document under a new name.\nSave As", false},
    {CmdFilePrintSetup, "P&rint Setup...", "Changes the printer and printing options.\nPage Setup",
     false},
    {CmdFilePrint, "&Print...\tCtrl+P", "Prints the active document.\nPrint", false},
    {CmdFilePrintPreview, "Print Pre&view",
     "Shows the pages as they will be printed.\nPrint Preview", false},
    {CmdEditDelete, "&Delete\tDel", "Deletes the selection.\nDelete", false},
    {CmdEditCopy, "&Copy\tCtrl+C", "Copies the selection to the clipboard.\nCopy", false},
    {CmdEditClearAll, "Clear &All", "Erases everything.\nErase All", false},
    {CmdEditCut, "Cu&t\tCtrl+X", "Cuts the selection to the clipboard.\nCut", false},
    {CmdEditFind, "&Find...\tCtrl+F", "Finds text.\nFind", false},
    {CmdEditPaste, "&Paste\tCtrl+V", "Inserts the clipboard contents.\nPaste", false},
    {CmdEditSelectAll, "Select &All\tCtrl+A", "Selects the entire document.\nSelect All", false},
    {CmdEditUndo, "&Undo\tCtrl+Z", "Undoes the last action.\nUndo", false},
    {CmdEditRedo, "&Redo\tCtrl+Y", "Redoes the previously undone action.\nRedo", false},
    {CmdWindowNew, "&New Window", "Opens another window for the active document.\nNew Window",
     false},
    {CmdWindowCascade, "&Cascade", "Arranges the windows overlapped.\nCascade Windows", false},
    {CmdWindowTile, "&Tile", "Arranges the windows as non-overlapping tiles.\nTile Windows", false},
    {CmdWindowNext, "Ne&xt Window", "Activates the next window.\nNext Window", false},
    {CmdAppAbout, "Inf&o über VarnholtMapEditor...",
     "Shows program information and version.\nAbout", false},
    {CmdAppExit, "E&xit", "Quits the application; asks to save documents.\nExit", false},
    {CmdHelpTopics, "&Hilfethemen", "Lists the help topics.\nHelp Topics", true},
    {CmdViewToolbar, "&Toolbar", "Shows or hides the toolbar.\nToggle Toolbar", false},
    {CmdViewStatusBar, "&Status bar", "Shows or hides the status bar.\nToggle Status Bar", false},
};

using E = MenuEntry;
constexpr E kSep{kMenuSeparator};
constexpr E kRecent{kMenuRecentFiles};

// --- 128: no document open -------------------------------------------------------
constexpr E kFile128[] = {{CmdFileNew}, {CmdFileOpen}, kSep, {CmdFilePrintSetup},
                          kSep,         kRecent,       kSep, {CmdGeneralSettings, "Options"},
                          kSep,         {CmdAppExit}};
constexpr E kView128[] = {{CmdViewToolbar}, {CmdViewStatusBar}, {CmdEntityBar}};
constexpr E kHelp[] = {{CmdHelpTopics}, kSep, {CmdAppAbout}};
constexpr MenuDefinition kMenu128[] = {{"&File", kFile128}, {"&View", kView128}, {"&?", kHelp}};

// --- 131: a mission or a map -------------------------------------------------------
constexpr E kFile131[] = {{CmdFileNew},
                          {CmdFileOpen},
                          {CmdFileClose},
                          {CmdFileSave},
                          {CmdFileSaveAs},
                          kSep,
                          {CmdExportMod},
                          {CmdExportGamePak},
                          kSep,
                          {CmdFilePrint},
                          {CmdFilePrintPreview},
                          {CmdFilePrintSetup},
                          kSep,
                          kRecent,
                          kSep,
                          {CmdAppExit}};
constexpr E kEdit131[] = {{CmdEditUnits},
                          {CmdEditZones},
                          {CmdEditEvents},
                          {CmdEditTriggers},
                          {CmdEditCameraPaths},
                          kSep,
                          {CmdRecordCameraPath},
                          {CmdEndCameraPath},
                          kSep,
                          {CmdEditUndo},
                          {CmdEditRedo},
                          kSep,
                          {CmdEditCut},
                          {CmdEditCopy},
                          {CmdEditPaste},
                          {CmdEditDelete},
                          kSep,
                          {CmdSetMarker},
                          {CmdGoToMarker},
                          {CmdEditFind},
                          kSep,
                          {CmdSetProperties},
                          {CmdDirectEditing}};
constexpr E kView131[] = {{CmdViewToolbar},
                          {CmdViewStatusBar},
                          {CmdEntityBar},
                          kSep,
                          {CmdShowWaypoints},
                          {CmdShowMapElements},
                          {CmdShowBuildings},
                          {CmdShowFences},
                          {CmdShowVegetation},
                          {CmdShowLandscape},
                          {CmdShowWater},
                          {CmdShowTrash},
                          kSep,
                          {CmdTreeview},
                          {CmdFullscreen}};
constexpr E kGame131[] = {{CmdPlayerSide}, {CmdEnvironment}, {CmdMapBounds}, {CmdCheckMission}};
constexpr E kOptions131[] = {
    {CmdGeneralSettings}, kSep, {CmdNoFiltering}, {CmdBilinear}, {CmdAnisotropic}};
constexpr E kExtra131[] = {{CmdRunGame}};
constexpr E kWindow[] = {{CmdWindowNew}, {CmdWindowCascade}, {CmdWindowTile}, {CmdWindowNext},
                         kSep,           {kMenuWindowList}};
constexpr MenuDefinition kMenu131[] = {{"&File", kFile131},      {"&Edit", kEdit131},
                                       {"&View", kView131},      {"Game Settings", kGame131},
                                       {"Options", kOptions131}, {"&Extra", kExtra131},
                                       {"&Window", kWindow},     {"&?", kHelp}};

// --- 134: a definition file --------------------------------------------------------
constexpr E kFile134[] = {{CmdFileNew},
                          {CmdFileOpen},
                          {CmdFileClose},
                          {CmdFileSave},
                          {CmdFileSaveAs},
                          kSep,
                          {CmdFilePrint},
                          {CmdFilePrintPreview},
                          {CmdFilePrintSetup},
                          kSep,
                          kRecent,
                          kSep,
                          {CmdGeneralSettings, "Options"},
                          kSep,
                          {CmdAppExit}};
constexpr E kEdit134[] = {{CmdEditUndo},  {CmdEditRedo},   kSep, {CmdEditCut}, {CmdEditCopy},
                          {CmdEditPaste}, {CmdEditDelete}, kSep, {CmdEditFind}};
constexpr E kView134[] = {{CmdViewToolbar}, {CmdViewStatusBar}};
constexpr E kTools134[] = {{CmdRunGame}};
constexpr MenuDefinition kMenu134[] = {{"&File", kFile134},  {"&Edit", kEdit134},
                                       {"&View", kView134},  {"&Tools", kTools134},
                                       {"&Window", kWindow}, {"&?", kHelp}};

// --- context menus ----------------------------------------------------------------------
constexpr E kTreeContext[] = {{CmdEdit}, {CmdInsert}, {CmdEditDelete, "Delete\tDel"}};
constexpr E kEntityBarContext[] = {{CmdEdit}, {CmdEditDelete, "Delete\tDel"}};

} // namespace

std::span<const CommandInfo> CommandTable() {
    return kCommands;
}

const CommandInfo* FindCommand(int id) {
    auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                           [id](const CommandInfo& c) { return c.id == id; });
    return it == std::end(kCommands) ? nullptr : &*it;
}

std::string_view StatusPart(std::string_view statusText) {
    return statusText.substr(0, statusText.find('\n'));
}

std::string_view ToolTipPart(std::string_view statusText) {
    size_t cut = statusText.find('\n');
    return cut == std::string_view::npos ? statusText : statusText.substr(cut + 1);
}

std::span<const MenuDefinition> MenuBar(int resource) {
    switch (resource) {
    case MenuNoDocument:
        return kMenu128;
    case MenuMissionMap:
        return kMenu131;
    case MenuDefinitionFile:
        return kMenu134;
    default:
        return {};
    }
}

std::span<const MenuEntry> ContextMenu(int resource) {
    switch (resource) {
    case MenuTreeContext:
        return kTreeContext;
    case MenuEntityBarContext:
        return kEntityBarContext;
    default:
        return {};
    }
}

const char* RecentFilePlaceholder(int resource) {
    return resource == MenuNoDocument ? "Letzte Datei" : "Last File";
}

} // namespace commands
