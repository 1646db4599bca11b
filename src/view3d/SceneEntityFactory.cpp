#include "view3d/SceneEntityFactory.h"

#include "format/DefParser.h"
#include "platform/Text.h"
#include "resources/ResourceCatalogue.h"
#include "view3d/ModelCache.h"
#include "view3d/StandardMeshes.h"

#include <glm/geometric.hpp>

#include <cstdlib>

namespace view3d {

namespace {

bool ReadsTraits(int kind) {
    switch (kind) {
    case KindMarine:
    case KindWeapons:
    case KindAnimals:
    case KindBuildings:
    case KindFences:
    case KindLandscape:
    case KindWater:
    case KindBridges:
    case KindRailway:
    case KindVegetation:
    case KindTrash:
        return true;
    default:
        return false;
    }
}

bool IsMarkerKind(int kind) {
    return kind == KindSounds || kind == KindCompleteBuildings ||
           (kind >= KindZones && kind <= KindCameraPath);
}

std::unique_ptr<SceneEntity> MakeEntity(CDefNode& element, int kind, const glm::vec3& position,
                                        const glm::vec4* colour) {
    if (kind == KindLink)
        return std::make_unique<LinkSceneEntity>(&element, kind, position, colour);
    if (IsMarkerKind(kind) || kind == KindSky)
        return std::make_unique<SceneEntity>(&element, kind, position, colour);
    return std::make_unique<PlayerSceneEntity>(&element, kind, position, colour);
}

std::unique_ptr<SceneObject> MakeObject(const ModelData& model, int kind) {
    if (model.PartCount() > 1) return std::make_unique<ModelObject>();
    if (model.IsSprite() || (model.Part(0) && model.Part(0)->IsSprite()))
        return std::make_unique<SpriteObject>();
    if (kind == KindLink) return std::make_unique<LinkedMeshObject>();
    return std::make_unique<MeshObject>();
}

} // namespace

bool KindHasFlag(int kind) {
    switch (kind) {
    case KindTanks:
    case KindGuns:
    case KindTransport:
    case KindAirborne:
    case KindHumansEquipped:
    case KindHumans:
        return true;
    default:
        return false;
    }
}

int CSceneEntityFactory::KindOf(const CDefNode& element) const {
    auto [type, variant] = resources::CResourceCatalogue::ReferenceFileAndParameter(&element);
    const resources::CEntityEntry* entry = m_context.catalogue.FindEntity(type);
    return entry ? entry->category : -1;
}

const CSceneEntityFactory::TypeTraits&
CSceneEntityFactory::TraitsOf(const resources::CEntityEntry& entry) {
    auto found = m_traits.find(&entry);
    if (found != m_traits.end()) return found->second;
    TypeTraits traits;
    CDefFile definition(entry.path);
    for (const auto& top : definition.Nodes()) {
        if (CDefNode* props = top->Find("props")) {
            for (std::string_view v : props->Values()) {
                if (platform::EqualsNoCase(v, "\"vehicle\"")) traits.vehicle = true;
                if (platform::EqualsNoCase(v, "\"train_part\"")) traits.trainPart = true;
            }
        }
        if (traits.inventory) continue;
        if (CDefNode* extender = top->Find("extender", "\"inventory\"")) {
            const CDefNode* size = extender->Find("size");
            const char* w = size ? size->GetValue(0) : nullptr;
            const char* h = size ? size->GetValue(1) : nullptr;
            if (w && h) {
                traits.inventory = true;
                traits.inventoryWidth = static_cast<int>(std::strtol(w, nullptr, 10));
                traits.inventoryHeight = static_cast<int>(std::strtol(h, nullptr, 10));
            }
        }
    }
    return m_traits.emplace(&entry, traits).first->second;
}

const ModelData* CSceneEntityFactory::ModelOf(CDefNode& element, int kind,
                                              const ModelData* mapModel, std::string* reason) {
    if (kind == KindMap || kind == KindMapNoTemplate) {
        if (!mapModel && reason) *reason = "the map has no ground model";
        return mapModel;
    }
    if (kind == KindLink) return &m_context.meshes.sphere;
    if (IsMarkerKind(kind)) return &m_context.meshes.cube;
    if (kind == KindSky) {
        auto [type, variant] = resources::CResourceCatalogue::ReferenceFileAndParameter(&element);
        const resources::CEntityEntry* entry = m_context.catalogue.FindEntity(type);
        if (!entry) {
            if (reason) *reason = "unknown sky \"" + type + "\"";
            return nullptr;
        }
        return m_context.models.ModelForObject(*entry, reason);
    }
    return m_context.models.ModelForElement(element, reason);
}

std::unique_ptr<SceneEntity> CSceneEntityFactory::Create(CDefNode& element, int kind,
                                                         const glm::vec3& position,
                                                         const glm::vec4* colour,
                                                         const ModelData* mapModel,
                                                         std::string* reason) {
    const ModelData* model = ModelOf(element, kind, mapModel, reason);
    if (!model || (model->PartCount() == 0 && !model->Part(0))) {
        if (reason && reason->empty()) *reason = "the element has nothing to show";
        return nullptr;
    }

    TypeTraits traits;
    if (ReadsTraits(kind)) {
        auto [type, variant] = resources::CResourceCatalogue::ReferenceFileAndParameter(&element);
        if (const resources::CEntityEntry* entry = m_context.catalogue.FindEntity(type))
            traits = TraitsOf(*entry);
        if ((kind == KindWeapons || kind == KindFences) && traits.inventory) kind = KindInventory;
    }
    const glm::vec4* tint = kind == KindSounds ? &kSoundColour : colour;
    std::unique_ptr<SceneEntity> entity = MakeEntity(element, kind, position, tint);
    entity->isVehicle = traits.vehicle;
    entity->isTrainPart = traits.trainPart;
    entity->inventoryWidth = traits.inventoryWidth;
    entity->inventoryHeight = traits.inventoryHeight;

    std::unique_ptr<SceneObject> object = MakeObject(*model, kind);
    object->InitFromModel(*model);
    if (kind == KindVegetation)
        for (size_t i = 0; i < object->PartCount(); ++i)
            object->Part(i)->SetNoDepth(true);
    if (kind == KindSky) object->ClearMipMapFlags();
    object->LoadTextures(m_context.device, *model, m_context.textures, m_context.resolver,
                         TexModificationName(*model, element));
    entity->SetObject(std::move(object));
    if (KindHasFlag(kind))
        entity->CreateFlag(m_context.device, m_context.meshes.flagBox, m_context.textures,
                           m_context.resolver);
    return entity;
}

// --- RenderLists ----------------------------------------------------------------------

void RenderLists::Build(const std::vector<SceneEntity*>& entities,
                        const std::vector<SceneEntity*>& waypoints) {
    ground.clear();
    objects.clear();
    decals.clear();
    links.clear();
    for (SceneEntity* entity : entities) {
        SceneObject* object = entity ? entity->Object() : nullptr;
        if (!object) continue;
        const bool map = entity->Kind() == KindMap || entity->Kind() == KindMapNoTemplate;
        for (size_t i = 0; i < object->PartCount(); ++i) {
            SceneObject* part = object->Part(i);
            if (!part) continue;
            if (map)
                ground.push_back(part);
            else if (part->IsSprite())
                decals.push_back(part);
            else
                objects.push_back(part);
        }
        if (!map)
            if (SceneObject* flag = entity->Flag()) objects.push_back(flag);
    }
    for (SceneEntity* waypoint : waypoints)
        if (waypoint && waypoint->Object()) links.push_back(waypoint->Object());
}

void RenderLists::SortObjects(const glm::vec3& eye) {
    for (SceneObject* object : objects)
        object->SetCameraDistance(glm::distance(eye, object->Centre()));
    SortForFrame(objects);
}

} // namespace view3d
