// The 3D view's start-up and the life of its device objects: the document's
// elements become scene entities, the map ground comes first, and every
// device resource is released before a reset and made again after it.

#include "view3d/MapScene.h"

#include "document/VarnholtMapEditorDoc.h"
#include "format/DefNode.h"
#include "platform/Progress.h"
#include "platform/Prompts.h"
#include "platform/Text.h"
#include "resources/ResourceCatalogue.h"
#include "view3d/MapEditor.h"
#include "view3d/ModelCache.h"
#include "view3d/SceneObject.h"
#include "view3d/ZoneObject.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_set>

namespace view3d {

using document::CVarnholtMapEditorDoc;

namespace {

void Tell(platform::Prompts* prompts, const char* text) {
    if (prompts) prompts->Message(text, platform::Icon::Error);
}

// The element's "Position" of three numbers, when it has one.
std::optional<glm::vec3> PositionOf(const CDefNode& element) {
    double p[3];
    if (element.Name() != "Entity" || !element.ReadDoubles("Position", p, 3)) return std::nullopt;
    return glm::vec3(static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]));
}

std::string Formatted(const char* format, const std::string& value) {
    std::string out(format);
    const size_t at = out.find("%s");
    if (at != std::string::npos) out.replace(at, 2, value);
    return out;
}

// The waypoints block of a mission: Helpers, waypoints.
CDefNode* WaypointsBlock(const CVarnholtMapEditorDoc& doc) {
    CDefNode* helpers = doc.Roots().size() >= 2 ? doc.Helpers() : nullptr;
    return helpers ? helpers->FindChild("waypoints") : nullptr;
}

std::optional<glm::vec3> WaypointPosition(const CDefNode& waypoint) {
    double p[3];
    if (waypoint.ReadDoublesHere("position", p, 3) || waypoint.ReadDoublesHere("Position", p, 3))
        return glm::vec3(static_cast<float>(p[0]), static_cast<float>(p[1]),
                         static_cast<float>(p[2]));
    return std::nullopt;
}

} // namespace

bool KindShown(int kind, bool mapElement, const platform::ViewFlags& show) {
    if (kind == KindMap || kind == KindMapNoTemplate) return true;
    if (mapElement && !show.showMapElements) return false;
    switch (kind) {
    case KindBuildings:
    case KindCompleteBuildings:
    case KindBridges:
        return show.showBuildings != 0;
    case KindVegetation:
        return show.showVegetation != 0;
    case KindFences:
        return show.showFences != 0;
    case KindLandscape:
    case KindRailway:
        return show.showLandscape != 0;
    case KindWater:
        return show.showWater != 0;
    case KindTrash:
        return show.showTrash != 0;
    default:
        return true;
    }
}

MapScene::MapScene(CVarnholtMapEditorDoc& doc, Services services)
    : m_doc(&doc), m_services(services), m_editor(std::make_unique<MapEditor>(*this, doc)) {
    m_doc->AddObserver(this);
}

MapScene::~MapScene() {
    DeleteDeviceObjects();
    if (m_doc) m_doc->RemoveObserver(this);
}

SceneEntity* MapScene::MapEntity() const {
    if (m_entities.empty()) return nullptr;
    SceneEntity* first = m_entities.front().get();
    return first->Kind() == KindMap || first->Kind() == KindMapNoTemplate ? first : nullptr;
}

SceneEntity* MapScene::EntityOf(const CDefNode* node) const {
    auto found = m_byNode.find(node);
    return found == m_byNode.end() ? nullptr : found->second;
}

// --- start-up ---------------------------------------------------------------------------

MapScene::ContextScope::ContextScope(MapScene& scene)
    : m_window(scene.m_device ? scene.m_window : nullptr) {
    if (m_window) m_token = m_window->MakeCurrent();
}

MapScene::ContextScope::~ContextScope() {
    if (m_window) m_window->RestoreCurrent(m_token);
}

bool MapScene::StartUp(SceneWindow& window) {
    m_window = &window;
    m_camera.SetWorldBound(kStartWorldBound);
    window.SetWaitCursor(true);
    auto fail = [&](const char* message) {
        Tell(m_services.prompts, message);
        // Nothing half made stays behind to be drawn.
        DeleteDeviceObjects();
        m_device = nullptr;
        window.SetWaitCursor(false);
        window.CloseFrame();
        return false;
    };
    if (!m_doc || !m_services.catalogue || !m_services.models) return fail(kDeviceFailedMessage);
    m_device = window.CreateDevice();
    if (!m_device) return fail(kDeviceFailedMessage);
    if (!BuildStandardMeshes(m_meshes)) return fail(kStandardMeshesFailedMessage);
    m_textures = std::make_unique<TextureCache>();
    m_resolver = std::make_unique<CatalogueTextureResolver>(*m_services.catalogue);
    m_factory = std::make_unique<CSceneEntityFactory>(SceneContext{
        *m_device, *m_textures, *m_resolver, *m_services.models, m_meshes, *m_services.catalogue});
    // The fullscreen window is only a convenience: without it the view still
    // works in its own window.
    if (window.CreateFullscreenWindow()) window.AttachDevice();

    if (!LoadElements()) {
        if (m_services.progress) m_services.progress->Close();
        return fail(kNoMapMessage);
    }
    SceneEntity* map = MapEntity();
    ApplyMapOrigin(m_doc->Extent(), *map, m_heightMesh.get());
    document::BoundsRect world = kStartWorldBound;
    if (m_doc->ReadWorldBound())
        world = m_doc->WorldRect();
    else
        m_doc->SetWorldRect(world);
    m_camera.SetWorldBound(world);
    MakeBackdrop();
    if (m_doc->Roots().size() >= 2) LoadWaypoints();
    RebuildLists();
    SyncZones();
    if (m_services.progress) m_services.progress->Close();
    m_camera.ResetFromDocument(m_doc->Roots());
    m_started = true;
    window.SetWaitCursor(false);
    window.AdoptWindowSize();
    return true;
}

std::unique_ptr<SceneEntity> MapScene::MakeElementEntity(CDefNode& element, bool first) {
    const std::optional<glm::vec3> position = PositionOf(element);
    if (!position) return nullptr;
    int kind = m_factory->KindOf(element);
    const MapGroundDescription ground = DescribeMapGround(element);
    const bool isMap = first && (ground.created || kind == KindMap);
    std::string reason;
    if (isMap) {
        m_ground = BuildMapGround(element, *m_services.catalogue, *m_services.models, &m_heightmaps,
                                  m_services.prompts);
        if (m_ground.extentSet) {
            // The offset is the document's: the template's "Origin" was
            // read into it while the ground was built.
            document::GroundExtent& extent = m_doc->Extent();
            extent.ground = m_ground.extent.ground;
            extent.picture = m_ground.extent.picture;
        }
        if (m_ground.info.boundary.hasOrigin) {
            m_doc->Extent().offsetX = m_ground.info.boundary.origin.x;
            m_doc->Extent().offsetY = m_ground.info.boundary.origin.y;
        }
        kind = ground.kind;
        std::unique_ptr<SceneEntity> map =
            m_factory->Create(element, kind, *position, nullptr, m_ground.model, &reason);
        // A map whose definition gives no model still stands first, without
        // ground: the elements on it can be shown and edited.
        if (!map) map = std::make_unique<PlayerSceneEntity>(&element, kind, *position);
        if (map->Object()) m_heightMesh = BuildMapHeightMesh(*map);
        return map;
    }
    if (kind < 0) {
        m_skipped.push_back(element.GetValueUnquoted(0) + ": unknown type");
        return nullptr;
    }
    if (kind == KindMap || kind == KindMapNoTemplate) {
        m_skipped.push_back(element.GetValueUnquoted(0) + ": a second map");
        return nullptr;
    }
    // A mission's sky is the game's business; the view draws its own, and
    // only in fullscreen.
    if (kind == KindSky) return nullptr;
    std::unique_ptr<SceneEntity> entity =
        m_factory->Create(element, kind, *position, nullptr, nullptr, &reason);
    if (!entity) m_skipped.push_back(element.GetValueUnquoted(0) + ": " + reason);
    return entity;
}

bool MapScene::LoadElements() {
    platform::Progress* progress = m_services.progress;
    const auto& roots = m_doc->Roots();
    if (progress) progress->Start(static_cast<int>(roots.size()));
    bool first = true;
    for (const auto& root : roots) {
        for (CDefNode* element : root->Children()) {
            if (element->Name() == "Entity" && PositionOf(*element)) {
                if (progress)
                    progress->SetText(Formatted(kLoadingMeshFormat,
                                                element->GetValue(0) ? element->GetValue(0) : ""));
                std::unique_ptr<SceneEntity> entity = MakeElementEntity(*element, first);
                if (first &&
                    (!entity || (entity->Kind() != KindMap && entity->Kind() != KindMapNoTemplate)))
                    return false;
                first = false;
                if (entity) {
                    m_byNode[element] = entity.get();
                    m_entities.push_back(std::move(entity));
                }
            }
            if (progress) progress->Step();
        }
    }
    return !m_entities.empty() && MapEntity();
}

void MapScene::LoadWaypoints() {
    m_waypoints.clear();
    m_nextWaypoint = 0;
    CDefNode* block = WaypointsBlock(*m_doc);
    if (!block) return;
    std::unordered_map<std::string, glm::vec3> positions;
    for (CDefNode* waypoint : block->Children())
        if (std::optional<glm::vec3> p = WaypointPosition(*waypoint))
            positions.emplace(std::string(waypoint->Name()), *p);
    const glm::vec4 plain = kLinkColour;
    const glm::vec4 commanded(0.0f, 0.0f, 1.0f, 1.0f);
    for (CDefNode* waypoint : block->Children()) {
        const std::optional<glm::vec3> p = WaypointPosition(*waypoint);
        if (!p) continue;
        if (m_services.progress)
            m_services.progress->SetText(
                Formatted(kAddWaypointFormat, std::string(waypoint->Name())));
        const bool hasCommands = waypoint->FindChild("commands") != nullptr;
        auto entity = std::unique_ptr<SceneEntity>(
            m_factory->Create(*waypoint, KindLink, *p, hasCommands ? &commanded : &plain)
                .release());
        if (!entity) continue;
        if (const CDefNode* transition = waypoint->FindChild("transition")) {
            const char* next = transition->GetValue(0);
            auto target = next ? positions.find(transition->GetValueUnquoted(0)) : positions.end();
            if (target != positions.end()) entity->SetTarget(target->second);
        }
        const unsigned long number =
            std::strtoul(std::string(waypoint->Name()).c_str(), nullptr, 10);
        m_nextWaypoint = std::max(m_nextWaypoint, number + 1);
        m_byNode[waypoint] = entity.get();
        m_waypoints.push_back(std::move(entity));
    }
}

void MapScene::SyncZones() {
    // Zones whose records stay keep their objects: any change of events,
    // triggers or paths lands here, and a zone's picture can be large.
    std::vector<std::unique_ptr<ZoneObject>> kept;
    if (m_doc)
        for (const auto& zone : m_doc->Zones()) {
            if (zone->shape != document::ZoneRecord::Circle) continue;
            auto same = std::find_if(m_zoneObjects.begin(), m_zoneObjects.end(),
                                     [&](const auto& o) { return o && &o->Zone() == zone.get(); });
            std::unique_ptr<ZoneObject> object = same != m_zoneObjects.end()
                                                     ? std::move(*same)
                                                     : std::make_unique<ZoneObject>(*zone);
            if (m_objectsValid && m_device) object->Refresh(*m_device, m_services.zonePainter);
            kept.push_back(std::move(object));
        }
    // Zone objects of records that went are released before the records may go.
    m_zoneObjects = std::move(kept);
    m_editor->ZonesChanged();
}

void MapScene::ReloadWaypoints() {
    m_waypointsDirty = false;
    const CDefNode* selected = nullptr;
    if (SceneEntity* entity = m_editor->Selected(); entity && entity->Kind() == KindLink)
        selected = entity->Node();
    for (auto& waypoint : m_waypoints) {
        m_editor->ForgetEntity(waypoint.get(), false);
        m_byNode.erase(waypoint->Node());
        waypoint->ReleaseDeviceObjects();
    }
    LoadWaypoints();
    if (m_objectsValid && m_device)
        for (auto& waypoint : m_waypoints)
            waypoint->RestoreDeviceObjects(*m_device);
    RebuildLists();
    // The waypoint selected before is selected again, as the same node.
    if (selected)
        if (SceneEntity* again = EntityOf(selected)) m_editor->Reselect(again);
}

void MapScene::MakeBackdrop() {
    const MapGeometry geometry = MapGeometryOf(m_doc->WorldRect());
    const BackdropPlacement placement = PlaceBackdrop(geometry, m_doc->Extent());
    m_backdropScale = BackdropScale(geometry.size);
    m_skyNode = std::make_unique<CDefNode>();
    m_skyNode->Assign("Entity", {"sky"});
    std::unique_ptr<SceneEntity> sky =
        m_factory->Create(*m_skyNode, KindSky, glm::vec3(0.0f), nullptr, nullptr, nullptr);
    m_sky = std::move(sky);
    m_skyPosition = placement.skyPosition;
    m_skyScale = placement.skyScale;
    m_groundPlane =
        std::make_unique<GroundQuadObject>(placement.planeCentre, placement.planeHalfSide);
}

bool MapScene::IsMapElement(const CDefNode* node) const {
    // In a mission the base map's elements are the first root's.
    const auto& roots = m_doc->Roots();
    if (roots.size() < 2) return false;
    for (CDefNode* child : roots[0]->Children())
        if (child == node) return true;
    return false;
}

void MapScene::RebuildLists() {
    std::vector<SceneEntity*> shown;
    shown.reserve(m_entities.size());
    std::unordered_set<const CDefNode*> mapElements;
    if (m_doc->Roots().size() >= 2)
        for (CDefNode* child : m_doc->Roots()[0]->Children())
            mapElements.insert(child);
    for (auto& entity : m_entities)
        if (KindShown(entity->Kind(), mapElements.count(entity->Node()) != 0, m_options.show))
            shown.push_back(entity.get());
    std::vector<SceneEntity*> links;
    for (auto& waypoint : m_waypoints)
        links.push_back(waypoint.get());
    m_lists.Build(shown, links);
}

// --- device objects ------------------------------------------------------------------------

DeviceResult MapScene::RestoreDeviceObjects() {
    if (!m_device) return DeviceResult::InvalidCall;
    RenderDevice& d = *m_device;
    for (auto& entity : m_entities) {
        const DeviceResult r = entity->RestoreDeviceObjects(d);
        if (!Succeeded(r)) return r;
    }
    for (auto& waypoint : m_waypoints)
        waypoint->RestoreDeviceObjects(d);
    for (auto& zone : m_zoneObjects)
        zone->Rebuild(d, m_services.zonePainter);
    m_editor->RestoreDeviceObjects(d);
    ApplySamplerStates();
    SetFixedStates();
    const PresentParameters back = d.BackBuffer();
    m_camera.SetWindow(static_cast<float>(back.backBufferWidth),
                       static_cast<float>(back.backBufferHeight), Camera::kArcRadius,
                       Camera::kPanFactor);
    d.SetTransform(TransformType::View, m_camera.ViewMatrix());
    d.SetTransform(TransformType::Projection, m_camera.ProjectionMatrix());
    if (m_sky) m_sky->RestoreDeviceObjects(d);
    if (m_groundPlane) m_groundPlane->CreateDeviceObjects(d);
    return DeviceResult::Ok;
}

void MapScene::ApplySamplerStates() {
    const uint32_t filter = std::clamp<uint32_t>(m_options.textureFilter, 1, 3);
    for (uint32_t stage = 0; stage < 2; ++stage) {
        m_device->SetSamplerState(stage, SamplerState::MinFilter, filter == 1 ? 0 : filter);
        m_device->SetSamplerState(stage, SamplerState::MagFilter, filter);
        m_device->SetSamplerState(stage, SamplerState::MipFilter, filter);
    }
}

void MapScene::SetFixedStates() {
    RenderDevice& d = *m_device;
    d.SetRenderState(RenderState::Lighting, 1);
    d.SetRenderState(RenderState::Ambient, 0xFF969696);
    d.SetRenderState(RenderState::ColorVertex, 1);
    d.SetRenderState(RenderState::ZEnable, 1);
    d.SetRenderState(RenderState::AlphaBlendEnable, 1);
    d.SetRenderState(RenderState::SrcBlend, BlendSrcAlpha);
    d.SetRenderState(RenderState::DestBlend, BlendInvSrcAlpha);
    d.SetRenderState(RenderState::ShadeMode, ShadeGouraud);
    const glm::vec3 positions[2] = {{-300.0f, 300.0f, -100.0f}, {-300.0f, -318.0f, 340.0f}};
    for (uint32_t i = 0; i < 2; ++i) {
        Light light;
        light.diffuse = {0.8f, 0.7f, 0.55f, 1.0f};
        light.range = 16000.0f;
        light.position = positions[i];
        light.direction = glm::normalize(positions[i]);
        d.SetLight(i, light);
        d.LightEnable(i, true);
    }
}

void MapScene::InvalidateDeviceObjects() {
    for (auto& entity : m_entities)
        entity->ReleaseDeviceObjects();
    for (auto& waypoint : m_waypoints)
        waypoint->ReleaseDeviceObjects();
    for (auto& zone : m_zoneObjects)
        zone->ReleaseDeviceObjects();
    if (m_editor) m_editor->ReleaseDeviceObjects();
    if (m_sky) m_sky->ReleaseDeviceObjects();
    if (m_groundPlane) m_groundPlane->ReleaseDeviceObjects();
    m_objectsValid = false;
}

void MapScene::DeleteDeviceObjects() {
    InvalidateDeviceObjects();
    if (m_editor) m_editor->ForgetAll();
    m_lists = RenderLists();
    m_byNode.clear();
    m_placing = nullptr;
    m_entities.clear();
    m_waypoints.clear();
    m_zoneObjects.clear();
    m_sky.reset();
    m_groundPlane.reset();
    m_heightMesh.reset();
    if (m_textures && m_device) m_textures->Clear(*m_device);
    m_factory.reset();
}

DeviceResult MapScene::Reset() {
    if (!m_device) return DeviceResult::InvalidCall;
    if (m_objectsValid) InvalidateDeviceObjects();
    PresentParameters parameters = m_device->BackBuffer();
    parameters.windowed = !m_fullscreen;
    if (m_wantedWidth && m_wantedHeight) {
        parameters.backBufferWidth = m_wantedWidth;
        parameters.backBufferHeight = m_wantedHeight;
    }
    DeviceResult r = m_device->Reset(parameters);
    if (!Succeeded(r)) return r;
    r = RestoreDeviceObjects();
    if (!Succeeded(r)) {
        InvalidateDeviceObjects();
        return r;
    }
    m_objectsValid = true;
    return DeviceResult::Ok;
}

bool MapScene::SizeChanged(uint32_t width, uint32_t height) {
    if (!m_device || width == 0 || height == 0) return true;
    const PresentParameters back = m_device->BackBuffer();
    if (m_objectsValid && back.backBufferWidth == width && back.backBufferHeight == height)
        return true;
    Pause(true);
    m_wantedWidth = width;
    m_wantedHeight = height;
    const DeviceResult r = Reset();
    Pause(false);
    return Succeeded(r) || r == DeviceResult::OutOfVideoMemory;
}

void MapScene::Pause(bool on) {
    m_pause = std::max(0, m_pause + (on ? 1 : -1));
}

void MapScene::SetOptions(const SceneOptions& options) {
    const bool filterChanged = options.textureFilter != m_options.textureFilter;
    const bool shownChanged = std::memcmp(&options.show, &m_options.show, sizeof options.show) != 0;
    m_options = options;
    if (shownChanged && m_started) RebuildLists();
    // A new filter takes a reset, as the states are made on restore.
    if (filterChanged && m_device && m_objectsValid) Reset();
}

} // namespace view3d
