#include "view3d/MapGround.h"

#include "format/DefNode.h"
#include "format/DefParser.h"
#include "platform/Prompts.h"
#include "platform/Text.h"
#include "resources/ResourceCatalogue.h"
#include "view3d/ModelCache.h"
#include "view3d/SceneObject.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace view3d {

namespace {

constexpr float kFlatCellX = kFlatGroundSpan / static_cast<float>(kFlatGroundColumns - 1);
constexpr float kFlatCellY = kFlatGroundSpan / static_cast<float>(kFlatGroundRows - 1);
// The column and row that sit nearest the map's origin.
constexpr int kFlatCentreColumn = 69;
constexpr int kFlatCentreRow = 116;
constexpr float kFlatTextureSize = 512.0f;
// Without a colour of their own the flat ground's vertices would draw black
// wherever the vertex colour feeds the lighting.
constexpr uint32_t kFlatGroundColour = 0xFFFFFFFFu;

bool Is(const CDefNode& node, std::string_view name) {
    return platform::EqualsNoCase(node.Name(), name);
}

void PutFloats(uint8_t* out, std::initializer_list<float> values) {
    for (float v : values) {
        std::memcpy(out, &v, sizeof v);
        out += sizeof v;
    }
}

// The two numbers of child name of block; false unless both are there.
bool ReadPair(const CDefNode& block, std::string_view name, glm::vec2& out) {
    for (const CDefNode* child : block.Children()) {
        if (!Is(*child, name)) continue;
        double x = 0.0, y = 0.0;
        if (!child->GetFloat(0, x) || !child->GetFloat(1, y)) return false;
        out = {static_cast<float>(x), static_cast<float>(y)};
        return true;
    }
    return false;
}

std::string HeightmapFailure(const std::string& path) {
    std::string text = kHeightmapFailureFormat;
    const size_t at = text.find("%s");
    return text.replace(at, 2, path);
}

} // namespace

MapGroundDescription DescribeMapGround(const CDefNode& element) {
    MapGroundDescription out;
    const char* value = element.GetValue(0);
    const std::string_view text = value ? value : "";
    out.created = text == kCreateMapValue;
    out.kind =
        (out.created || text.find(':') != std::string_view::npos) ? KindMap : KindMapNoTemplate;
    if (!out.created) {
        auto [entity, variant] = resources::CResourceCatalogue::ReferenceFileAndParameter(&element);
        out.entity = std::move(entity);
        out.variant = std::move(variant);
    }
    return out;
}

std::unique_ptr<ModelGroupData> BuildFlatGround() {
    auto mesh = std::make_unique<MeshData>();
    mesh->format = kFormatMesh2;
    mesh->stride = StrideOfFormat(kFormatMesh2);
    mesh->vertexCount = kFlatGroundColumns * kFlatGroundRows;
    mesh->faceCount = (kFlatGroundColumns - 1) * (kFlatGroundRows - 1) * 2;
    mesh->vertices.assign(static_cast<size_t>(mesh->vertexCount) * mesh->stride, 0);
    for (uint32_t i = 0; i < kFlatGroundRows; ++i) {
        for (uint32_t k = 0; k < kFlatGroundColumns; ++k) {
            uint8_t* v =
                &mesh->vertices[(static_cast<size_t>(i) * kFlatGroundColumns + k) * mesh->stride];
            const float x =
                static_cast<float>(static_cast<int>(k) - kFlatCentreColumn) * kFlatCellX;
            const float y = static_cast<float>(static_cast<int>(i) - kFlatCentreRow) * kFlatCellY;
            PutFloats(v, {x, y, 0.0f, 0.0f, 0.0f, -1.0f});
            std::memcpy(v + 24, &kFlatGroundColour, 4);
            PutFloats(v + 28, {static_cast<float>(k) * kFlatCellX / kFlatTextureSize,
                               static_cast<float>(i) * kFlatCellY / kFlatTextureSize, 0.0f, 0.0f});
        }
    }
    mesh->indices.reserve(static_cast<size_t>(mesh->faceCount) * 3);
    for (uint32_t v = 0; v + 1 < kFlatGroundRows; ++v) {
        for (uint32_t i = 0; i + 1 < kFlatGroundColumns; ++i) {
            const auto c = static_cast<uint16_t>((v + 1) * kFlatGroundColumns + i);
            const auto d = static_cast<uint16_t>(v * kFlatGroundColumns + i);
            const uint16_t face[6] = {c,
                                      d,
                                      static_cast<uint16_t>(d + 1),
                                      static_cast<uint16_t>(c + 1),
                                      c,
                                      static_cast<uint16_t>(d + 1)};
            mesh->indices.insert(mesh->indices.end(), std::begin(face), std::end(face));
        }
    }
    // The stated box is the area a created map offers, not the grid's corners.
    mesh->box = {{-3000.0f, -5000.0f, 0.0f}, {3000.0f, 5000.0f, 0.0f}};
    mesh->textures.push_back({std::string(kFlatGroundTexture), 0, 1});
    mesh->fileName = "/";

    auto group = std::make_unique<ModelGroupData>();
    group->box = mesh->box;
    group->parts.push_back(std::move(mesh));
    return group;
}

void FillGroundExtent(const Box& box, document::GroundExtent& extent) {
    extent.picture = {box.min.x, box.min.y, box.min.z, box.max.x, box.max.y, box.max.z};
    extent.ground = {std::min(box.min.x, box.max.x), std::min(box.min.y, box.max.y),
                     std::min(box.min.z, box.max.z), std::max(box.min.x, box.max.x),
                     std::max(box.min.y, box.max.y), std::max(box.min.z, box.max.z)};
}

MapTemplateInfo ReadMapTemplate(const std::vector<std::unique_ptr<CDefNode>>& definition,
                                const std::string& definitionPath, std::string_view variant,
                                const resources::CResourceCatalogue& catalogue,
                                HeightmapLoader* loader, platform::Prompts* prompts) {
    MapTemplateInfo info;
    for (const auto& node : definition) {
        if (!node || !Is(*node, "Boundary")) continue;
        info.boundary.hasDestination = ReadPair(*node, "Destination", info.boundary.destination);
        info.boundary.hasOrigin = ReadPair(*node, "Origin", info.boundary.origin);
        break;
    }
    if (variant.empty() || !loader) return info;
    for (const auto& node : definition) {
        if (!node || !Is(*node, "Heightmap")) continue;
        const std::string path = catalogue.ResolveReference(node.get(), 0, definitionPath, variant);
        if (!path.empty() && loader->LoadHeightmap(path)) {
            info.heightmap = path;
            break;
        }
        info.messages.push_back(HeightmapFailure(path));
        if (prompts) prompts->Message(info.messages.back(), platform::Icon::Warning);
    }
    return info;
}

MapGround BuildMapGround(const CDefNode& element, resources::CResourceCatalogue& catalogue,
                         CModelCache& models, HeightmapLoader* loader, platform::Prompts* prompts) {
    MapGround out;
    out.description = DescribeMapGround(element);
    if (out.description.created) {
        out.ownedModel = BuildFlatGround();
        out.model = out.ownedModel.get();
    } else {
        const resources::CEntityEntry* entry = catalogue.FindEntity(out.description.entity);
        if (!entry) {
            out.reason = "unknown map type \"" + out.description.entity + "\"";
            return out;
        }
        DefNodeList definition;
        ParseDefinitionFile(entry->path, definition);
        const bool mapCategory = entry->category == resources::CategoryMapDefinitions;
        out.info = ReadMapTemplate(definition, entry->path,
                                   mapCategory ? std::string_view(out.description.variant) : "",
                                   catalogue, loader, prompts);
        out.model = models.ModelForObject(*entry, &out.reason);
    }
    if (out.model) {
        FillGroundExtent(out.model->BoundingBox(), out.extent);
        out.extentSet = true;
    }
    return out;
}

} // namespace view3d
