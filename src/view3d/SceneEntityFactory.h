#pragma once

#include "view3d/SceneEntity.h"

#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include <map>
#include <memory>
#include <string>
#include <vector>

class CDefNode;

namespace resources {
class CResourceCatalogue;
struct CEntityEntry;
} // namespace resources

namespace view3d {

class CModelCache;
class ModelData;
class TextureResolver;
struct StandardMeshes;

// What building scene entities needs: the device, the view's textures, the
// shared models and the catalogue.
struct SceneContext {
    RenderDevice& device;
    TextureSource& textures;
    const TextureResolver& resolver;
    CModelCache& models;
    const StandardMeshes& meshes;
    const resources::CResourceCatalogue& catalogue;
};

// Makes the scene entity of a document element: the entity class and the
// scene object its kind calls for, the model's textures, and the flag of a
// unit. The device buffers are built later, by RestoreDeviceObjects.
class CSceneEntityFactory {
  public:
    explicit CSceneEntityFactory(SceneContext context) : m_context(context) {}

    // The kind of an "Entity" element: the catalogue category of its type;
    // -1 when the type is unknown.
    int KindOf(const CDefNode& element) const;

    // The entity of element at position, or null (with a reason) when its
    // model cannot be found. colour tints the normal material. The map
    // (kinds 24 and 25) brings its own model, built from its ground.
    std::unique_ptr<SceneEntity> Create(CDefNode& element, int kind, const glm::vec3& position,
                                        const glm::vec4* colour = nullptr,
                                        const ModelData* mapModel = nullptr,
                                        std::string* reason = nullptr);

  private:
    // What a type's definition declares about its elements.
    struct TypeTraits {
        bool vehicle = false;
        bool trainPart = false;
        bool inventory = false;
        int inventoryWidth = 0;
        int inventoryHeight = 0;
    };
    const TypeTraits& TraitsOf(const resources::CEntityEntry& entry);
    const ModelData* ModelOf(CDefNode& element, int kind, const ModelData* mapModel,
                             std::string* reason);

    SceneContext m_context;
    // Each type's definition is read once, however many elements use it.
    std::map<const resources::CEntityEntry*, TypeTraits> m_traits;
};

// Whether elements of a kind carry a player flag.
bool KindHasFlag(int kind);

// The view's four draw lists, as plain pointers into the entities' objects.
struct RenderLists {
    std::vector<SceneObject*> ground;  // the map's parts
    std::vector<SceneObject*> objects; // other entities' meshes and their flags
    std::vector<SceneObject*> decals;  // other entities' sprites
    std::vector<SceneObject*> links;   // waypoints

    // Fills the lists from the entities (the map, when present, first) and
    // the waypoint entities.
    void Build(const std::vector<SceneEntity*>& entities, const std::vector<SceneEntity*>& links);
    // Stores every object's distance from eye (to its box centre) and sorts
    // the object list for drawing.
    void SortObjects(const glm::vec3& eye);
};

} // namespace view3d
