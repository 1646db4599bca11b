#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CDefNode;

namespace document {

// What a document holds: a mission on top of its base map, a map made from a
// template, or a map whose ground is created from nothing.
enum DocumentKind : int32_t {
    Mission = 0,
    Map = 1,
    CreateMap = 2,
};

// Application messages sent to the main frame, which relays them to the bars
// and turns some of them into view updates.
enum class AppMessage : int {
    DocumentActivated = 1125,
    EditModeChanged = 1126,
    ElementEdit = 1127,
    PlayerChanged = 1128,
    EntitiesLoaded = 1129,
    ElementPlaced = 1130,
    DocumentClosing = 1131,
    ElementDeleted = 1132,
    TurnChanged = 1133,
    ZoneCreated = 1137,
    HelpersChanged = 1138,
    LeaveChanged = 1139,
    GlobalZoneDeleted = 1140,
};

// Hints that go with an update of all views of a document.
enum class UpdateHint : int {
    PlaceEntity = 2, // parameter: the type name to place
    GoToElement = 3, // parameter: the element node
    Refresh = 4,     // lists, modes or the active document changed
    PlayerChanged = 5,
    AboutToSave = 6,    // views store pending edits into the nodes
    ElementDeleted = 7, // parameter: the node about to be deleted
    TurnChanged = 8,
    LeaveChanged = 9,
    EditModeChanged = 10, // parameter: the category or mode
    WaypointDeleted = 11,
    BoundsChanged = 12,
    PlacePrepared = 13, // parameter: a prepared Entity node
};

// A bounds rectangle as the map root stores it.
struct BoundsRect {
    float left = 0.0f, top = 0.0f, right = 0.0f, bottom = 0.0f;
    bool operator==(const BoundsRect&) const = default;
};

struct Box3 {
    float minX = 0.0f, minY = 0.0f, minZ = 0.0f;
    float maxX = 0.0f, maxY = 0.0f, maxZ = 0.0f;
};

// Where the 3D view put the map's ground: its box, the area the bounds picture
// shows and the offset between ground and world coordinates.
struct GroundExtent {
    Box3 ground;
    Box3 picture;
    float offsetX = 0.0f, offsetY = 0.0f;
};

// The top view of the map that the 3D view renders for the bounds dialog and
// the minimap: 32-bit pixels, 0xAARRGGBB, row by row from the top.
struct BoundsPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

struct ZonePoint {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

// A zone of a mission, mirrored from its zone node. The node belongs to the tree.
struct ZoneRecord {
    enum Shape { Circle = 0, Poly = 1 };
    std::string name;
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float radius = 0.0f;
    std::array<ZonePoint, 4> corners{};
    int cornerCount = 0;
    CDefNode* globalWP = nullptr;
    int shape = Circle;
    CDefNode* node = nullptr;
};

struct EventRecord {
    std::string name; // without the surrounding quotes
    int32_t id = -1;
    int32_t state = 0;
    CDefNode* node = nullptr;
};

struct TriggerRecord {
    std::string name; // value 0 as stored, quotes included
    std::vector<std::string> conditions;
    std::vector<std::string> actions;
    CDefNode* node = nullptr;
};

// One key of a camera path: the time in milliseconds, two recorded points and
// an angle, three integers, and the Key node that stores them.
struct CameraKey {
    int32_t time = 0;
    std::array<float, 7> values{0, 0, 0, 0, 0, 0, 0.785398f};
    std::array<int32_t, 3> flags{0, 0, 1};
    CDefNode* node = nullptr;
};

struct CameraPathRecord {
    std::string name; // value 0 as stored
    std::vector<std::unique_ptr<CameraKey>> keys;
    CDefNode* node = nullptr;
    int32_t startEvent = -1;
    int32_t cancelEvent = -1;
};

// How a recorded camera path starts: at the mission's begin, or when a
// trigger fires (the trigger's name as stored, quotes included).
struct CameraPathStart {
    bool withTrigger = false;
    std::string trigger;
};

} // namespace document
