// The 3D view's frame: what is drawn in which order and with which states,
// the camera and the ground point around it, the minimap, and how the scene
// follows the document.

#include "view3d/MapScene.h"

#include "document/VarnholtMapEditorDoc.h"
#include "format/DefNode.h"
#include "platform/Progress.h"
#include "view3d/MapEditor.h"
#include "view3d/ModelCache.h"
#include "view3d/SceneObject.h"
#include "view3d/ZoneObject.h"

#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/gtc/quaternion.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace view3d {

using document::CVarnholtMapEditorDoc;

namespace {

void SetStage(RenderDevice& d, uint32_t stage, uint32_t colourOp, uint32_t colour1,
              uint32_t colour2, uint32_t alphaOp, uint32_t alpha1) {
    d.SetTextureStageState(stage, TextureStageState::ColorOp, colourOp);
    d.SetTextureStageState(stage, TextureStageState::ColorArg1, colour1);
    d.SetTextureStageState(stage, TextureStageState::ColorArg2, colour2);
    d.SetTextureStageState(stage, TextureStageState::AlphaOp, alphaOp);
    d.SetTextureStageState(stage, TextureStageState::AlphaArg1, alpha1);
}

bool IsDescendant(const CDefNode* node, const CDefNode* ancestor) {
    if (node == ancestor) return true;
    for (const CDefNode* child : ancestor->Children())
        if (IsDescendant(node, child)) return true;
    return false;
}

} // namespace

// The planes of the view's frustum, taken from the rows of its whole
// transform: a point p is inside when dot(plane, (p, 1)) >= 0 for all.
struct Frustum {
    std::array<glm::vec4, 6> planes;
    explicit Frustum(const glm::mat4& m) {
        const glm::mat4 t = glm::transpose(m);
        planes = {t[3] + t[0], t[3] - t[0], t[3] + t[1], t[3] - t[1], t[2], t[3] - t[2]};
    }
    // False only when the box lies wholly outside one plane.
    bool MayShow(const Box& box) const {
        for (const glm::vec4& p : planes) {
            const glm::vec3 far(p.x >= 0 ? box.max.x : box.min.x, p.y >= 0 ? box.max.y : box.min.y,
                                p.z >= 0 ? box.max.z : box.min.z);
            if (glm::dot(glm::vec3(p), far) + p.w < 0.0f) return false;
        }
        return true;
    }
};

// --- the frame ---------------------------------------------------------------------------

DeviceResult MapScene::RenderFrame() {
    if (!m_device || !m_started) return DeviceResult::InvalidCall;
    if (m_deviceLost) {
        DeviceResult r = m_device->TestCooperativeLevel();
        if (r == DeviceResult::DeviceLost) return DeviceResult::Ok;
        if (r == DeviceResult::DeviceNotReset) {
            r = Reset();
            if (!Succeeded(r)) return r;
        } else if (!Succeeded(r)) {
            return r;
        }
        m_deviceLost = false;
    }
    // Objects that a failed reset left invalid are made again before they
    // are drawn; a scene never draws released buffers.
    if (!m_objectsValid) {
        const DeviceResult r = Reset();
        if (!Succeeded(r)) return r;
    }
    if (!Paused()) FrameMove();
    DeviceResult r = Render();
    if (!Succeeded(r)) return r;
    r = m_device->Present();
    if (r == DeviceResult::DeviceLost) {
        m_deviceLost = true;
        return DeviceResult::Ok;
    }
    return r;
}

void MapScene::FrameMove() {
    if (!m_device) return;
    m_device->SetTransform(TransformType::World, m_camera.WorldMatrix());
    m_device->SetTransform(TransformType::View, m_camera.ViewMatrix());
    m_device->SetTransform(TransformType::Projection, m_camera.ProjectionMatrix());
    m_lists.SortObjects(m_camera.EyePoint());
}

void MapScene::DrawList(const std::vector<SceneObject*>& list) {
    for (SceneObject* object : list)
        object->Render(*m_device);
}

bool MapScene::InView(const SceneObject& object) const {
    // Objects wholly outside the view draw nothing: leaving them out keeps
    // the picture and saves their draws on a big map seen up close.
    return !m_culling || !m_frustum || m_frustum->MayShow(object.GetBox());
}

DeviceResult MapScene::Render() {
    if (!m_device || !m_objectsValid) return DeviceResult::InvalidCall;
    RenderDevice& d = *m_device;
    m_stats = FrameStats();
    DeviceResult r = d.Clear(ClearTarget | ClearZBuffer, m_clearColour, 1.0f);
    if (!Succeeded(r)) return r;
    r = d.BeginScene();
    if (!Succeeded(r)) return r;
    const glm::mat4 world = d.GetTransform(TransformType::World);
    Frustum frustum(d.GetTransform(TransformType::Projection) *
                    d.GetTransform(TransformType::View) * world);
    m_frustum = &frustum;
    struct ForgetFrustum {
        const Frustum*& frustum;
        ~ForgetFrustum() { frustum = nullptr; }
    } forget{m_frustum};

    if (m_fullscreen && !m_capturing) {
        if (m_groundPlane) m_groundPlane->Render(d);
        if (m_sky && m_sky->Object()) {
            const glm::mat4 view = d.GetTransform(TransformType::View);
            glm::mat4 skyView = view;
            skyView[3] = glm::vec4(0.0f, -0.3f, 0.0f, 1.0f);
            d.SetTransform(TransformType::View, skyView);
            // The sky stands around the eye, turned with the map: placed at
            // the map's centre it showed as a small cap above the ground.
            glm::mat4 turn = world;
            turn[3] = glm::vec4(0.0f, 0.0f, 0.0f, 1.0f);
            d.SetTransform(TransformType::World, glm::scale(turn, glm::vec3(m_skyScale)));
            d.SetRenderState(RenderState::ZEnable, 0);
            d.SetRenderState(RenderState::ZWriteEnable, 0);
            m_sky->Object()->Render(d);
            d.SetRenderState(RenderState::ZEnable, 1);
            d.SetRenderState(RenderState::ZWriteEnable, 1);
            d.SetTransform(TransformType::View, view);
            d.SetTransform(TransformType::World, world);
        }
    }

    // The ground blends its second texture by the vertex alpha.
    SetStage(d, 0, OpModulate, ArgTexture, ArgDiffuse, OpSelectArg1, ArgDiffuse);
    SetStage(d, 1, OpBlendDiffuseAlpha, ArgTexture, ArgCurrent, OpSelectArg1, ArgTexture);
    d.ValidateDevice();
    for (SceneObject* part : m_lists.ground)
        if (InView(*part)) part->Render(d);
    m_stats.groundParts = m_lists.ground.size();

    SetStage(d, 0, OpModulate, ArgTexture, ArgDiffuse, OpSelectArg1, ArgTexture);
    d.SetTextureStageState(1, TextureStageState::ColorOp, OpDisable);
    d.SetTextureStageState(1, TextureStageState::AlphaOp, OpDisable);

    d.SetRenderState(RenderState::ZEnable, 0);
    d.SetRenderState(RenderState::ZWriteEnable, 0);
    DrawList(m_lists.decals);
    d.SetRenderState(RenderState::ZEnable, 1);
    d.SetRenderState(RenderState::ZWriteEnable, 1);
    m_stats.decals = m_lists.decals.size();

    for (SceneObject* object : m_lists.objects) {
        if (!InView(*object)) continue;
        if (object->NoDepth()) {
            d.SetRenderState(RenderState::ZEnable, 0);
            d.SetRenderState(RenderState::ZWriteEnable, 0);
            d.SetRenderState(RenderState::CullMode, CullNone);
            object->Render(d);
            d.SetRenderState(RenderState::CullMode, CullCounterClockwise);
            d.SetRenderState(RenderState::ZEnable, 1);
            d.SetRenderState(RenderState::ZWriteEnable, 1);
        } else {
            object->Render(d);
        }
    }
    m_stats.objects = m_lists.objects.size();

    if (m_options.show.showWaypoints && !m_capturing) {
        d.SetRenderState(RenderState::CullMode, CullCounterClockwise);
        d.SetRenderState(RenderState::ZEnable, 1);
        DrawList(m_lists.links);
        m_stats.links = m_lists.links.size();
    }

    if (m_editor->Mode() == EditMode::Zones && !m_capturing) {
        d.SetRenderState(RenderState::CullMode, CullNone);
        d.SetRenderState(RenderState::ZEnable, 0);
        d.SetRenderState(RenderState::ZWriteEnable, 0);
        for (const auto& zone : m_zoneObjects)
            zone->Render(d);
        if (const ZoneObject* draft = m_editor->DraftObject()) draft->Render(d);
        d.SetRenderState(RenderState::ZEnable, 1);
        d.SetRenderState(RenderState::ZWriteEnable, 1);
        d.SetRenderState(RenderState::CullMode, CullCounterClockwise);
    }

    if (m_placing && m_placing->Object()) {
        d.SetTransform(TransformType::World, world * m_placing->Rotation());
        m_placing->Object()->Render(d);
        if (SceneObject* flag = m_placing->Flag()) flag->Render(d);
        d.SetTransform(TransformType::World, world);
    }

    if (!m_capturing) {
        const std::string text = StatusText();
        d.DrawText(2, 0, kStatusTextColour, text);
    }
    return d.EndScene();
}

// --- camera and ground ----------------------------------------------------------------------

std::optional<glm::vec3> MapScene::UpdateGroundPoint(float x, float y) {
    std::optional<glm::vec3> point = GroundPointUnder(m_heightMesh.get(), m_camera, x, y);
    if (point) m_statusPoint = *point;
    return point;
}

std::string MapScene::StatusText() const {
    char text[128];
    std::snprintf(text, sizeof text, "x=%.1f y=%.1f z=%.1f", double(m_statusPoint.x),
                  double(m_statusPoint.y), double(m_statusPoint.z));
    return text;
}

bool MapScene::FocusOn(const CDefNode* element) {
    if (!element) return false;
    glm::vec3 target;
    if (const SceneEntity* entity = EntityOf(element)) {
        target = entity->RequestedPosition();
    } else {
        double p[3];
        if (!element->ReadDoubles("Position", p, 3) && !element->ReadDoublesHere("position", p, 3))
            return false;
        target = {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
    }
    const PresentParameters back = m_device ? m_device->BackBuffer() : PresentParameters{};
    const float cx = static_cast<float>(back.backBufferWidth) / 2.0f;
    const float cy = static_cast<float>(back.backBufferHeight) / 2.0f;
    std::optional<glm::vec3> ground = GroundPointUnder(m_heightMesh.get(), m_camera, cx, cy);
    if (!ground) {
        // A map without a height mesh still has its plane at z = 0: focusing
        // there keeps the tree's selection reachable on any map.
        glm::vec3 origin, direction;
        m_camera.PickRay(cx, cy, origin, direction);
        if (std::fabs(direction.z) < 1e-6f) return false;
        const float t = -origin.z / direction.z;
        ground = origin + t * direction;
    }
    m_camera.Focus(*ground, target);
    return true;
}

void MapScene::SaveCamera() {
    if (!m_doc || !m_started) return;
    const auto& roots = m_doc->Roots();
    const std::vector<CameraBlockWrite> writes = m_camera.SaveToDocument(roots);
    if (writes.empty()) return;
    CVarnholtMapEditorDoc::Edit edit(*m_doc, "Camera");
    for (const CameraBlockWrite& write : writes) {
        if (write.rootIndex >= roots.size()) continue;
        CDefNode* root = roots[write.rootIndex].get();
        CDefNode* block = root->FindChild("Camera");
        if (!block) {
            auto created = std::make_unique<CDefNode>();
            created->Assign("Camera", {});
            block = m_doc->InsertSubtree(root, std::min(write.insertIndex, root->ChildCount()),
                                         std::move(created), "Camera");
            if (!block) continue;
        }
        for (const CameraBlockEntry& entry : write.entries) {
            CDefNode* child = block->FindChild(entry.name);
            if (!child) child = block->AddChild(entry.name);
            for (size_t i = 0; i < entry.values.size(); ++i)
                if (!child->GetValue(i) || entry.values[i] != child->GetValue(i))
                    child->SetValue(i, entry.values[i]);
        }
    }
}

void MapScene::OnUpdate(document::UpdateHint hint, intptr_t param) {
    ContextScope current(*this);
    switch (hint) {
    case document::UpdateHint::AboutToSave:
        SaveCamera();
        break;
    case document::UpdateHint::BoundsChanged: {
        if (!m_doc) break;
        m_camera.SetWorldBound(m_doc->WorldRect());
        const MapGeometry geometry = MapGeometryOf(m_doc->WorldRect());
        const float factor = m_backdropScale.Rescale(geometry.size);
        if (factor != 1.0f) {
            m_skyScale *= factor;
            if (m_groundPlane) {
                m_groundPlane->Scale(factor);
                if (m_objectsValid && m_device) {
                    m_groundPlane->ReleaseDeviceObjects();
                    m_groundPlane->CreateDeviceObjects(*m_device);
                }
            }
        }
        break;
    }
    case document::UpdateHint::GoToElement: {
        const auto* node = reinterpret_cast<const CDefNode*>(param);
        if (!m_editor->SelectNode(node)) FocusOn(node);
        break;
    }
    case document::UpdateHint::PlaceEntity:
        if (param) m_editor->PlaceEntity(reinterpret_cast<const char*>(param));
        break;
    case document::UpdateHint::PlacePrepared:
        if (param) m_editor->PlacePrepared(*reinterpret_cast<const CDefNode*>(param));
        break;
    case document::UpdateHint::PlayerChanged:
        m_editor->SetPlayerSide(static_cast<int>(param));
        break;
    case document::UpdateHint::TurnChanged:
        m_editor->SetTurn(static_cast<double>(param));
        break;
    case document::UpdateHint::LeaveChanged:
        m_editor->SetApplyTurn(param != 0);
        break;
    case document::UpdateHint::EditModeChanged:
        // The mode chosen in the bars: no announcement back, the bars
        // already show it.
        if (EditModeOfCategory(param) != m_editor->Mode())
            m_editor->SetEditMode(EditModeOfCategory(param), false);
        break;
    case document::UpdateHint::ElementDeleted:
    case document::UpdateHint::WaypointDeleted:
        m_editor->ElementDeleted(reinterpret_cast<const CDefNode*>(param));
        break;
    default:
        break;
    }
}

// --- following the document ---------------------------------------------------------------

void MapScene::OnDocumentChange(const document::DocumentChange& change) {
    using document::ChangeKind;
    if (!m_started) {
        if (change.kind == ChangeKind::Destroyed) m_doc = nullptr;
        return;
    }
    // Any view may have changed the document: this view's buffers are made
    // and released in its own context.
    ContextScope current(*this);
    switch (change.kind) {
    case ChangeKind::AboutToRemove:
        if (change.node) ForgetSubtree(change.node);
        if (change.node && InWaypoints(change.parent)) m_waypointsDirty = true;
        break;
    case ChangeKind::Inserted:
        if (change.node) AddElement(change.node);
        break;
    case ChangeKind::Changed:
        if (change.node) ElementChanged(change.node);
        break;
    case ChangeKind::RecordsChanged:
        SyncZones();
        break;
    case ChangeKind::HistoryChanged:
        if (m_waypointsDirty) ReloadWaypoints();
        break;
    case ChangeKind::Reset:
        ReloadAll();
        break;
    case ChangeKind::Destroyed:
        // The scene keeps drawing what it has; nothing refers to nodes again.
        m_doc = nullptr;
        m_byNode.clear();
        break;
    default:
        break;
    }
}

void MapScene::ForgetSubtree(const CDefNode* node) {
    bool waypointsChanged = false;
    auto drop = [&](std::vector<std::unique_ptr<SceneEntity>>& list, bool waypoints) {
        for (auto it = list.begin(); it != list.end();) {
            SceneEntity* entity = it->get();
            if (!IsDescendant(entity->Node(), node)) {
                ++it;
                continue;
            }
            if (m_placing == entity) m_placing = nullptr;
            m_editor->ForgetEntity(entity);
            m_byNode.erase(entity->Node());
            entity->ReleaseDeviceObjects();
            if (!waypoints && entity == MapEntity()) m_heightMesh.reset();
            it = list.erase(it);
            waypointsChanged |= waypoints;
        }
    };
    const size_t before = m_entities.size() + m_waypoints.size();
    drop(m_entities, false);
    drop(m_waypoints, true);
    if (m_entities.size() + m_waypoints.size() != before) RebuildLists();
    (void)waypointsChanged;
}

void MapScene::AddElement(CDefNode* node) {
    if (!m_doc || !m_factory) return;
    CDefNode* parent = m_doc->FindParent(node);
    const bool underRoot = [&] {
        for (const auto& root : m_doc->Roots())
            if (root.get() == parent) return true;
        return false;
    }();
    CDefNode* waypoints = m_doc->Roots().size() >= 2 ? m_doc->Helpers() : nullptr;
    waypoints = waypoints ? waypoints->FindChild("waypoints") : nullptr;
    if (waypoints && (InWaypoints(node) || IsDescendant(waypoints, node))) {
        // Waypoints refer to each other by number; they are read again as a
        // whole, once the edit is complete, so that every line finds its target.
        m_waypointsDirty = true;
        if (!m_doc->InEdit()) ReloadWaypoints();
        return;
    }
    if (!underRoot || m_byNode.count(node)) return;
    std::unique_ptr<SceneEntity> entity = MakeElementEntity(*node, false);
    if (!entity) return;
    if (m_objectsValid && m_device) entity->RestoreDeviceObjects(*m_device);
    m_byNode[node] = entity.get();
    m_entities.push_back(std::move(entity));
    RebuildLists();
}

bool MapScene::InWaypoints(const CDefNode* node) const {
    if (!node || !m_doc || m_doc->Roots().size() < 2) return false;
    const CDefNode* helpers = m_doc->Helpers();
    const CDefNode* block = helpers ? helpers->FindChild("waypoints") : nullptr;
    return block && IsDescendant(node, block);
}

void MapScene::ElementChanged(CDefNode* node) {
    if (!m_doc) return;
    if (InWaypoints(node)) {
        // Links and colours are read again once, when the step is complete
        // (its history notice follows its change notices).
        m_waypointsDirty = true;
        return;
    }
    CDefNode* element = node;
    SceneEntity* entity = EntityOf(element);
    if (!entity) {
        element = m_doc->FindParent(node);
        entity = element ? EntityOf(element) : nullptr;
    }
    if (!entity || entity == MapEntity()) return;
    double p[3];
    if (entity->Kind() == KindLink) {
        if (!element->ReadDoublesHere("position", p, 3) &&
            !element->ReadDoublesHere("Position", p, 3))
            return;
    } else if (!element->ReadDoubles("Position", p, 3)) {
        return;
    }
    const glm::vec3 at(static_cast<float>(p[0]), static_cast<float>(p[1]),
                       static_cast<float>(p[2]));
    double turn = 0.0;
    if (const CDefNode* t = element->FindChild("Turn"); t && t->GetFloat(0, turn))
        entity->SetTurnOnly(turn);
    entity->SetRequestedPosition(at);
    if (m_objectsValid) entity->MoveTo(at, false);
}

void MapScene::ReloadAll() {
    // Text mode replaced the elements: the scene is built again from them.
    const bool valid = m_objectsValid;
    InvalidateDeviceObjects();
    m_editor->ForgetAll();
    m_zoneObjects.clear();
    m_lists = RenderLists();
    m_byNode.clear();
    m_placing = nullptr;
    m_entities.clear();
    m_waypoints.clear();
    m_heightMesh.reset();
    m_skipped.clear();
    if (!LoadElements()) {
        // No map any more: nothing but the backdrop is drawn until it comes back.
        m_entities.clear();
        m_byNode.clear();
    } else {
        ApplyMapOrigin(m_doc->Extent(), *MapEntity(), m_heightMesh.get());
    }
    if (m_services.progress) m_services.progress->Close();
    if (m_doc->Roots().size() >= 2) LoadWaypoints();
    RebuildLists();
    if (valid && m_device) {
        for (auto& entity : m_entities)
            entity->RestoreDeviceObjects(*m_device);
        for (auto& waypoint : m_waypoints)
            waypoint->RestoreDeviceObjects(*m_device);
        if (m_sky) m_sky->RestoreDeviceObjects(*m_device);
        if (m_groundPlane) m_groundPlane->CreateDeviceObjects(*m_device);
        m_objectsValid = true;
    }
    SyncZones();
}

// --- minimap ------------------------------------------------------------------------------

MinimapFit FitMinimap(float extentWidth, float extentHeight, uint32_t targetWidth,
                      uint32_t targetHeight, int longerSide) {
    MinimapFit fit;
    const float w = std::fabs(extentWidth), h = std::fabs(extentHeight);
    const float B = static_cast<float>(targetWidth), H = static_cast<float>(targetHeight);
    if (!(w > 0.0f) || !(h > 0.0f) || B <= 0.0f || H <= 0.0f) return fit;
    if (w / h > B / H) {
        fit.halfWidth = w / 2.0f;
        fit.halfHeight = (w / 2.0f) * H / B;
        fit.sourceWidth = static_cast<int>(targetWidth);
        fit.sourceHeight = std::max(1, static_cast<int>(std::lround(B * h / w)));
    } else {
        fit.halfHeight = h / 2.0f;
        fit.halfWidth = (h / 2.0f) * B / H;
        fit.sourceHeight = static_cast<int>(targetHeight);
        fit.sourceWidth = std::max(1, static_cast<int>(std::lround(H * w / h)));
    }
    fit.sourceX = (static_cast<int>(targetWidth) - fit.sourceWidth) / 2;
    fit.sourceY = (static_cast<int>(targetHeight) - fit.sourceHeight) / 2;
    if (w >= h) {
        fit.width = longerSide;
        fit.height = std::max(1, static_cast<int>(std::lround(longerSide * h / w)));
    } else {
        fit.height = longerSide;
        fit.width = std::max(1, static_cast<int>(std::lround(longerSide * w / h)));
    }
    return fit;
}

document::BoundsPicture StretchToMinimap(const std::vector<uint8_t>& rgba, uint32_t targetWidth,
                                         const MinimapFit& fit) {
    document::BoundsPicture out;
    if (fit.width <= 0 || fit.height <= 0 || fit.sourceWidth <= 0 || fit.sourceHeight <= 0 ||
        targetWidth == 0)
        return out;
    const size_t rows = rgba.size() / (size_t(targetWidth) * 4);
    if (size_t(fit.sourceY + fit.sourceHeight) > rows ||
        uint32_t(fit.sourceX + fit.sourceWidth) > targetWidth)
        return out;
    out.width = fit.width;
    out.height = fit.height;
    out.pixels.resize(size_t(fit.width) * size_t(fit.height));
    const double sx = double(fit.sourceWidth) / fit.width;
    const double sy = double(fit.sourceHeight) / fit.height;
    for (int y = 0; y < fit.height; ++y) {
        const int y0 = fit.sourceY + static_cast<int>(y * sy);
        const int y1 = std::max(y0 + 1, fit.sourceY + static_cast<int>((y + 1) * sy));
        for (int x = 0; x < fit.width; ++x) {
            const int x0 = fit.sourceX + static_cast<int>(x * sx);
            const int x1 = std::max(x0 + 1, fit.sourceX + static_cast<int>((x + 1) * sx));
            // The average of the covered source pixels, as a halftone
            // stretch gives it.
            uint64_t sum[3] = {0, 0, 0};
            uint64_t count = 0;
            for (int v = y0; v < y1; ++v)
                for (int u = x0; u < x1; ++u) {
                    const uint8_t* p = &rgba[(size_t(v) * targetWidth + size_t(u)) * 4];
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                    ++count;
                }
            const uint32_t r = static_cast<uint32_t>(sum[0] / count);
            const uint32_t g = static_cast<uint32_t>(sum[1] / count);
            const uint32_t b = static_cast<uint32_t>(sum[2] / count);
            out.pixels[size_t(y) * size_t(fit.width) + size_t(x)] =
                0xFF000000u | (r << 16) | (g << 8) | b;
        }
    }
    return out;
}

std::optional<document::BoundsPicture> MapScene::CaptureMinimap() {
    if (!m_device || !m_started || !m_doc) return std::nullopt;
    if (!m_objectsValid && !Succeeded(Reset())) return std::nullopt;
    RenderDevice& d = *m_device;
    // The picture covers the ground's picture box, where the ground is drawn
    // (moved by the map origin), so that the bounds dialog and the minimap
    // crop find the world's rectangle at the right pixels.
    const document::GroundExtent& extent = m_doc->Extent();
    float minX = extent.picture.minX - extent.offsetX, maxX = extent.picture.maxX - extent.offsetX;
    float minY = extent.picture.minY - extent.offsetY, maxY = extent.picture.maxY - extent.offsetY;
    if (!(std::fabs(maxX - minX) > 0.0f) || !(std::fabs(maxY - minY) > 0.0f)) {
        const document::BoundsRect& world = m_doc->WorldRect();
        minX = world.left, maxX = world.right, minY = world.top, maxY = world.bottom;
    }
    const PresentParameters back = d.BackBuffer();
    const MinimapFit fit =
        FitMinimap(maxX - minX, maxY - minY, back.backBufferWidth, back.backBufferHeight);
    if (fit.width <= 0) return std::nullopt;

    Pause(true);
    d.SetViewport(Viewport{0, 0, back.backBufferWidth, back.backBufferHeight, 0.0f, 1.0f});
    const glm::mat4 view = d.GetTransform(TransformType::View);
    const glm::mat4 projection = d.GetTransform(TransformType::Projection);
    const glm::mat4 world = d.GetTransform(TransformType::World);
    const float s = std::max(m_camera.MapSize(), 1.0f);
    d.SetTransform(TransformType::View, glm::mat4(1.0f));
    // The map from straight above, as the unturned 3D view shows it: east
    // to the right and north at the bottom, so the picture's rows run with
    // y from its top, as the bounds dialog and the minimap crop count them.
    // Higher is nearer.
    d.SetTransform(TransformType::Projection,
                   glm::orthoRH_ZO(-fit.halfWidth, fit.halfWidth, -fit.halfHeight, fit.halfHeight,
                                   -200.0f * s, 200.0f * s));
    const glm::vec3 centre((minX + maxX) / 2.0f, (minY + maxY) / 2.0f, 0.0f);
    const glm::mat4 lookDown =
        glm::mat4_cast(glm::angleAxis(glm::half_pi<float>(), glm::vec3(1.0f, 0.0f, 0.0f)));
    d.SetTransform(TransformType::World,
                   lookDown * Camera::MapAxes() * glm::translate(glm::mat4(1.0f), -centre));

    std::optional<document::BoundsPicture> picture;
    TextureHandle target;
    if (Succeeded(d.CreateRenderTarget(back.backBufferWidth, back.backBufferHeight, target)) &&
        Succeeded(d.SetRenderTarget(target))) {
        m_capturing = true;
        m_clearColour = kMinimapClearColour;
        const DeviceResult r = Render();
        m_capturing = false;
        m_clearColour = kViewClearColour;
        d.SetRenderTarget(TextureHandle{});
        std::vector<uint8_t> rgba;
        if (Succeeded(r) && Succeeded(d.ReadRenderTarget(target, rgba)))
            picture = StretchToMinimap(rgba, back.backBufferWidth, fit);
    }
    d.Release(target);
    d.SetTransform(TransformType::View, view);
    d.SetTransform(TransformType::Projection, projection);
    d.SetTransform(TransformType::World, world);
    Pause(false);
    if (picture && picture->pixels.empty()) picture.reset();
    return picture;
}

} // namespace view3d
