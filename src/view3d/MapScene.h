#pragma once

#include "document/DocumentChanges.h"
#include "document/DocumentTypes.h"
#include "platform/SettingsStore.h"
#include "view3d/Camera.h"
#include "view3d/HeightmapFile.h"
#include "view3d/MapGround.h"
#include "view3d/MapPlacement.h"
#include "view3d/RenderDevice.h"
#include "view3d/SceneEntityFactory.h"
#include "view3d/StandardMeshes.h"
#include "view3d/TextureCache.h"
#include "view3d/TextureResolver.h"

#include <glm/vec3.hpp>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class CDefNode;

namespace document {
class CVarnholtMapEditorDoc;
class MessageRelay;
} // namespace document

namespace platform {
class Progress;
class Prompts;
} // namespace platform

namespace view3d {

class CModelCache;
class GroundQuadObject;
class MapEditor;
class ZoneObject;
class ZonePainter;
struct Frustum;

// The texts the view shows when it cannot go on; each closes the document's
// window, never the program.
inline constexpr const char* kDeviceFailedMessage =
    "Failed to initialize 3D device.\nThis may due to the number of opened 3D windows";
inline constexpr const char* kStandardMeshesFailedMessage = "Failed to load standard meshes.";
inline constexpr const char* kNoMapMessage =
    "Cannot load mission without a map. Did you open a second mission file?\nThe document must be "
    "closed";
inline constexpr const char* kResetFailedMessage =
    "The reset of the 3D environment failed. The document must be closed";
inline constexpr const char* kLoadingMeshFormat = "Loading Mesh \"%s\"";
inline constexpr const char* kAddWaypointFormat = "Add Waypoint %s";

// The world bound a view assumes until the map says otherwise.
inline constexpr document::BoundsRect kStartWorldBound{-8000.0f, -8000.0f, 8000.0f, 8000.0f};
// Clear colours: white for the view, black under a minimap.
inline constexpr uint32_t kViewClearColour = 0xFFFFFFFF;
inline constexpr uint32_t kMinimapClearColour = 0xFF000000;
inline constexpr uint32_t kStatusTextColour = 0xFFFF0000;
// The minimap's longer side, in pixels.
inline constexpr int kMinimapSide = 250;

// What the window around a scene does for it: make the device, the
// fullscreen window, and close the document's frame when the scene cannot
// be shown. The Qt widget implements it; tests script it.
class SceneWindow {
  public:
    // The drawing context that was current before MakeCurrent.
    struct ContextToken {
        void* context = nullptr;
        void* surface = nullptr;
    };
    virtual ~SceneWindow() = default;
    // Makes the view's drawing context current for work on the device
    // outside a frame (the document changed, an edit); RestoreCurrent puts
    // back whatever was current before.
    virtual ContextToken MakeCurrent() { return {}; }
    virtual void RestoreCurrent(const ContextToken&) {}
    // The device for the view's window, or null (with nothing made) when
    // none can be made. The window keeps it; the scene only uses it.
    virtual RenderDevice* CreateDevice() = 0;
    virtual bool CreateFullscreenWindow() = 0;
    // Makes the view's own window the device's window.
    virtual bool AttachDevice() = 0;
    // Closes the document's frame (after a message was shown).
    virtual void CloseFrame() = 0;
    virtual void SetWaitCursor(bool on) = 0;
    // The view adopts its window's size and resumes (the start-up's last step).
    virtual void AdoptWindowSize() = 0;
};

// The display options every view shares: the texture filter (1 none, 2
// bilinear, 3 anisotropic) and what is shown.
struct SceneOptions {
    uint32_t textureFilter = 1;
    platform::ViewFlags show;
};

// Whether the "Show ..." toggles let an element of this kind be drawn.
// Map Elements hides the base map's elements in a mission (the ground
// stays); the others hide their categories: Buildings also bridges,
// Landscape also railways.
bool KindShown(int kind, bool mapElement, const platform::ViewFlags& show);

// What a frame did, for the figures.
struct FrameStats {
    size_t groundParts = 0, decals = 0, objects = 0, links = 0;
};

// The 3D view of one map or mission without its window: the start-up that
// turns the document's elements into scene entities, the device objects and
// their loss and restore, the frame and its drawing order, the camera, the
// ground point, the minimap, and following the document's changes. The
// widget forwards its window events here.
class MapScene : private document::DocumentObserver {
  public:
    struct Services {
        resources::CResourceCatalogue* catalogue = nullptr;
        CModelCache* models = nullptr;
        platform::Prompts* prompts = nullptr;
        platform::Progress* progress = nullptr;
        document::MessageRelay* relay = nullptr;
        // Paints the zones' pictures; without one zones are drawn plain.
        ZonePainter* zonePainter = nullptr;
    };
    MapScene(document::CVarnholtMapEditorDoc& doc, Services services);
    ~MapScene() override;
    MapScene(const MapScene&) = delete;
    MapScene& operator=(const MapScene&) = delete;

    // The start-up, in order: the start world bound, the device, the
    // standard meshes, the fullscreen window, attaching the device, the
    // elements (with progress), then the map's origin and world bound, the
    // sky and the ground plane, the waypoints and the document's scans, the
    // render lists and the camera. Any failure shows its message, closes
    // the frame through window and returns false; nothing is left drawing.
    bool StartUp(SceneWindow& window);
    bool Started() const { return m_started; }

    // --- device objects -------------------------------------------------------
    DeviceResult RestoreDeviceObjects();
    void InvalidateDeviceObjects();
    // Releases everything made on the device, textures too; the device
    // itself is the window's. Called before the device goes.
    void DeleteDeviceObjects();
    bool DeviceObjectsValid() const { return m_objectsValid; }
    // The device is lost: frames are skipped until it can be reset.
    void MarkDeviceLost() { m_deviceLost = true; }
    bool DeviceLost() const { return m_deviceLost; }
    // Invalidates, resets the device to the back-buffer size and restores.
    DeviceResult Reset();
    // A new client size; returns false when the reset failed (the caller
    // then shows kResetFailedMessage and closes the frame).
    bool SizeChanged(uint32_t width, uint32_t height);

    // --- the frame --------------------------------------------------------------
    // Checks loss, moves the frame, renders and presents.
    DeviceResult RenderFrame();
    void FrameMove();
    DeviceResult Render();
    const FrameStats& LastFrame() const { return m_stats; }

    // --- options and modes --------------------------------------------------------
    void SetOptions(const SceneOptions& options);
    const SceneOptions& Options() const { return m_options; }
    void SetFullscreen(bool on) { m_fullscreen = on; }
    bool Fullscreen() const { return m_fullscreen; }
    // Pausing nests; a paused scene does not move its frame.
    void Pause(bool on);
    bool Paused() const { return m_pause > 0; }
    // Whether objects wholly outside the view are left out of the frame (on
    // by default; the picture is the same either way).
    void SetFrustumCulling(bool on) { m_culling = on; }
    // The entity being placed, drawn with its own rotation (may be null).
    void SetPlacing(SceneEntity* entity) { m_placing = entity; }
    // The editing tools working on this scene.
    MapEditor& Editor() { return *m_editor; }
    const MapEditor& Editor() const { return *m_editor; }

    // --- camera and ground ------------------------------------------------------------
    Camera& GetCamera() { return m_camera; }
    const Camera& GetCamera() const { return m_camera; }
    // The ground point under window pixel (x, y), stored as the status point.
    std::optional<glm::vec3> UpdateGroundPoint(float x, float y);
    const glm::vec3& StatusPoint() const { return m_statusPoint; }
    // "x=%.1f y=%.1f z=%.1f" of the status point.
    std::string StatusText() const;
    const HeightMesh* GroundMesh() const { return m_heightMesh.get(); }
    // Pans and zooms to the element (the tree's selection).
    bool FocusOn(const CDefNode* element);
    // The document's hints: about to save stores the camera, a bounds change
    // rescales, going to an element focuses on it.
    void OnUpdate(document::UpdateHint hint, intptr_t param);
    // Stores the camera into the document's "Camera" blocks as one step;
    // nothing when it has not moved since it was read.
    void SaveCamera();

    // --- minimap --------------------------------------------------------------------------
    // The map seen from above: the ground's picture box, kMinimapSide pixels
    // along its longer side. None when it cannot be drawn.
    std::optional<document::BoundsPicture> CaptureMinimap();

    // --- what the scene holds -------------------------------------------------------------
    RenderDevice* Device() const { return m_device; }
    platform::Prompts* Prompts() const { return m_services.prompts; }
    std::string DeviceStats() const { return m_deviceStats; }
    void SetDeviceStats(std::string text) { m_deviceStats = std::move(text); }
    size_t EntityCount() const { return m_entities.size(); }
    size_t WaypointCount() const { return m_waypoints.size(); }
    SceneEntity* MapEntity() const;
    SceneEntity* EntityOf(const CDefNode* node) const;
    const RenderLists& Lists() const { return m_lists; }
    SceneEntity* Sky() const { return m_sky.get(); }
    GroundQuadObject* GroundPlane() const { return m_groundPlane.get(); }
    unsigned long NextWaypointNumber() const { return m_nextWaypoint; }
    // Why elements were left out at loading (type unknown, no model).
    const std::vector<std::string>& SkippedElements() const { return m_skipped; }
    const std::vector<std::unique_ptr<SceneEntity>>& Waypoints() const { return m_waypoints; }
    const std::vector<std::unique_ptr<ZoneObject>>& ZoneObjects() const { return m_zoneObjects; }

  private:
    friend class MapEditor;
    // The view's context is current while it lives.
    class ContextScope {
      public:
        explicit ContextScope(MapScene& scene);
        ~ContextScope();
        ContextScope(const ContextScope&) = delete;
        ContextScope& operator=(const ContextScope&) = delete;

      private:
        SceneWindow* m_window;
        SceneWindow::ContextToken m_token;
    };
    void OnDocumentChange(const document::DocumentChange& change) override;
    // Zone objects for the document's circle zones, made anew.
    void SyncZones();
    void ReloadWaypoints();
    bool InWaypoints(const CDefNode* node) const;

    bool LoadElements();
    std::unique_ptr<SceneEntity> MakeElementEntity(CDefNode& element, bool first);
    void LoadWaypoints();
    void MakeBackdrop();
    void RebuildLists();
    void ForgetSubtree(const CDefNode* node);
    void AddElement(CDefNode* node);
    void ElementChanged(CDefNode* node);
    bool IsMapElement(const CDefNode* node) const;
    void ApplySamplerStates();
    void SetFixedStates();
    void DrawList(const std::vector<SceneObject*>& list);
    bool InView(const SceneObject& object) const;
    void ReloadAll();

    document::CVarnholtMapEditorDoc* m_doc;
    Services m_services;
    SceneWindow* m_window = nullptr;
    RenderDevice* m_device = nullptr;
    std::string m_deviceStats;
    std::unique_ptr<TextureCache> m_textures;
    std::unique_ptr<CatalogueTextureResolver> m_resolver;
    StandardMeshes m_meshes;
    std::unique_ptr<CSceneEntityFactory> m_factory;
    FileHeightmapLoader m_heightmaps;
    MapGround m_ground;

    // The map first, then every other element in document order.
    std::vector<std::unique_ptr<SceneEntity>> m_entities;
    std::vector<std::unique_ptr<SceneEntity>> m_waypoints;
    std::unordered_map<const CDefNode*, SceneEntity*> m_byNode;
    std::unique_ptr<CDefNode> m_skyNode;
    std::unique_ptr<SceneEntity> m_sky;
    glm::vec3 m_skyPosition{0.0f};
    float m_skyScale = 1.0f;
    std::unique_ptr<GroundQuadObject> m_groundPlane;
    std::vector<std::unique_ptr<ZoneObject>> m_zoneObjects;
    std::unique_ptr<MapEditor> m_editor;
    // A change inside the waypoints block: they are read again once the
    // edit is complete.
    bool m_waypointsDirty = false;
    std::unique_ptr<HeightMesh> m_heightMesh;
    BackdropScale m_backdropScale;
    RenderLists m_lists;
    Camera m_camera;
    SceneOptions m_options;
    std::vector<std::string> m_skipped;

    SceneEntity* m_placing = nullptr;
    glm::vec3 m_statusPoint{0.0f};
    unsigned long m_nextWaypoint = 0;
    FrameStats m_stats;
    uint32_t m_clearColour = kViewClearColour;
    // The back-buffer size the window asked for; 0 keeps the device's.
    uint32_t m_wantedWidth = 0, m_wantedHeight = 0;
    int m_pause = 0;
    bool m_started = false;
    bool m_objectsValid = false;
    bool m_deviceLost = false;
    bool m_fullscreen = false;
    bool m_capturing = false;
    // The view's frustum while a frame is drawn.
    const Frustum* m_frustum = nullptr;
    bool m_culling = true;
};

// The part of a render target that holds a map extent of w x h units,
// centred, and the minimap size it is scaled to.
struct MinimapFit {
    float halfWidth = 0.0f, halfHeight = 0.0f; // the projection's half extents
    int sourceX = 0, sourceY = 0, sourceWidth = 0, sourceHeight = 0;
    int width = 0, height = 0; // the minimap
};
MinimapFit FitMinimap(float extentWidth, float extentHeight, uint32_t targetWidth,
                      uint32_t targetHeight, int longerSide = kMinimapSide);
// Scales the source rectangle of rgba (rows top first, targetWidth wide) to
// the minimap size by averaging the covered pixels, as 0xAARRGGBB.
document::BoundsPicture StretchToMinimap(const std::vector<uint8_t>& rgba, uint32_t targetWidth,
                                         const MinimapFit& fit);

} // namespace view3d
