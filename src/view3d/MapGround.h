#pragma once

#include "document/DocumentTypes.h"
#include "view3d/ModelData.h"

#include <glm/vec2.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CDefNode;

namespace platform {
class Prompts;
}

namespace resources {
class CResourceCatalogue;
}

namespace view3d {

class CModelCache;

// The value of a map element whose ground the editor makes itself.
inline constexpr std::string_view kCreateMapValue = "\"$createmap$\"";
// Shown, with the path, for every "Heightmap" of a template that fails to load.
inline constexpr const char* kHeightmapFailureFormat = "Cannot load heightmap from \"%s\"";

// The created ground: a flat grid of 140 x 234 vertices over a 10000-unit
// square area, textured with the common grass.
inline constexpr uint32_t kFlatGroundColumns = 140;
inline constexpr uint32_t kFlatGroundRows = 234;
inline constexpr float kFlatGroundSpan = 10000.0f;
inline constexpr std::string_view kFlatGroundTexture = "/texture/common/ground/dgrass5.bmp.tex";

// What the map element (the first element of every map root) asks for.
struct MapGroundDescription {
    int kind = 25;        // KindMap (template or created ground) or KindMapNoTemplate
    bool created = false; // the editor's own flat ground
    std::string entity;   // the map's entity type: value 0 before its first ':'
    std::string variant;  // after the first ':'; the template's ".mod" folder
};

// Reads the map element's value: kind 24 for "name:variant" or the created
// ground, 25 for anything else (such a map has no height mesh).
MapGroundDescription DescribeMapGround(const CDefNode& element);

// The flat ground of a created map: one mesh part of format 594 (stride 44,
// white vertex colour) with box (-3000, -5000, 0)-(3000, 5000, 0) and the
// grass texture entry.
std::unique_ptr<ModelGroupData> BuildFlatGround();

// The picture box is the model's box as it is; the ground box is the same
// with min and max swapped on any axis where min is above max.
void FillGroundExtent(const Box& box, document::GroundExtent& extent);

// The "Boundary" pairs of a map template.
struct MapBoundary {
    bool hasDestination = false;
    bool hasOrigin = false;
    glm::vec2 destination{0.0f};
    glm::vec2 origin{0.0f};
};

// The document's heightmap reader: true when the file at path was loaded.
class HeightmapLoader {
  public:
    virtual ~HeightmapLoader() = default;
    virtual bool LoadHeightmap(const std::string& path) = 0;
};

// What reading a map template's definition gave.
struct MapTemplateInfo {
    MapBoundary boundary;
    std::string heightmap;             // the path that loaded; empty when none did
    std::vector<std::string> messages; // every text shown to the user, in order
};

// Reads "Boundary" and, when variant is not empty, offers each top-level
// "Heightmap" (resolved into the variant's folder) to loader in order until
// one loads; callers pass a variant only for entities of the map category. Each failure is shown
// through prompts (when given) and kept in messages. definitionPath is the file the nodes were read
// from.
MapTemplateInfo ReadMapTemplate(const std::vector<std::unique_ptr<CDefNode>>& definition,
                                const std::string& definitionPath, std::string_view variant,
                                const resources::CResourceCatalogue& catalogue,
                                HeightmapLoader* loader, platform::Prompts* prompts);

// The map's ground model and what the document keeps of it.
struct MapGround {
    MapGroundDescription description;
    // The created ground, owned here; a template's model belongs to the cache.
    std::unique_ptr<ModelGroupData> ownedModel;
    const ModelData* model = nullptr; // null when no model could be found
    bool extentSet = false;           // extent holds the model's box
    document::GroundExtent extent;
    MapTemplateInfo info;
    std::string reason; // why model is null
};

// Builds the ground of the map element: the created ground, or the map
// template's model from the cache with its "Boundary" and heightmap. The
// template's definition is read on every build, even when its model is
// cached, so each document gets its own extent and heightmap.
MapGround BuildMapGround(const CDefNode& element, resources::CResourceCatalogue& catalogue,
                         CModelCache& models, HeightmapLoader* loader, platform::Prompts* prompts);

} // namespace view3d
