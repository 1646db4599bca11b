#pragma once

#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CDefNode;

namespace view3d {

// Vertex format codes, as the scene objects and the render device know them.
enum VertexFormatBits : uint32_t {
    FvfXyz = 0x002,
    FvfNormal = 0x010,
    FvfDiffuse = 0x040,
    FvfTex1 = 0x100,
    FvfTex2 = 0x200,
};
// Position, normal, colour, one texture coordinate: every mesh part once read.
constexpr uint32_t kFormatMesh = FvfXyz | FvfNormal | FvfDiffuse | FvfTex1; // 338, stride 36
// The same with a second texture coordinate (44-byte vertices kept as they are).
constexpr uint32_t kFormatMesh2 = FvfXyz | FvfNormal | FvfDiffuse | FvfTex2; // 594, stride 44
// Position, normal, one texture coordinate: sprite and ground quads.
constexpr uint32_t kFormatQuad = FvfXyz | FvfNormal | FvfTex1; // 274, stride 32
// Position, colour, one texture coordinate: 24-byte vertices before they get
// their normal; no model data keeps it.
constexpr uint32_t kFormatColoured = FvfXyz | FvfDiffuse | FvfTex1; // 322, stride 24

// The stride in bytes of the formats above; 0 for any other code.
uint32_t StrideOfFormat(uint32_t format);

// An axis-aligned box. Boxes of simple models are the file's corners moved
// by the placement matrix, so a rotated placement may leave min above max on
// an axis: the map ground reports that box as it is.
struct Box {
    glm::vec3 min{0.0f};
    glm::vec3 max{0.0f};
};

// One texture a mesh part names. Entries read from mesh files start with
// hasAlpha 0 and mipMap 1; the scene sets both from the texture description.
struct TextureEntry {
    std::string name;
    uint32_t hasAlpha = 0;
    uint32_t mipMap = 1;
};

// What a sprite part tells its scene object besides geometry.
struct SpriteParameters {
    glm::vec2 preScale{1.0f, 1.0f};
    float scale = 1.0f;
    float opacity = 1.0f;
};

// Geometry and texture names of one entity type, in system memory. Model
// data never touches the render device: scene objects copy what they need
// and build their own buffers. A model is a MeshData or SpriteData of one
// part, or a ModelGroupData of several.
class ModelData {
  public:
    ModelData();
    virtual ~ModelData();
    ModelData(const ModelData&) = delete;
    ModelData& operator=(const ModelData&) = delete;

    virtual bool IsSprite() const { return false; }
    virtual size_t PartCount() const { return 1; }
    // Part i (a MeshData or SpriteData); a single part is the model itself.
    virtual const ModelData* Part(size_t index) const { return index == 0 ? this : nullptr; }
    // False for anything but a sprite.
    virtual bool GetSpriteParameters(SpriteParameters& out) const;
    virtual Box BoundingBox() const = 0;

    // The entity definition's "TexMods" block (a copy owned here), or null.
    const CDefNode* TexMods() const { return m_texMods.get(); }
    void SetTexMods(std::unique_ptr<CDefNode> texMods);

  private:
    std::unique_ptr<CDefNode> m_texMods;
};

// One material group: an indexed triangle list with its texture names.
// vertices holds vertexCount * stride bytes laid out as the format says
// (position first, then normal, colour and texture coordinates where the
// format has them); indices holds faceCount * 3 slot numbers.
class MeshData : public ModelData {
  public:
    uint32_t format = kFormatMesh;
    uint32_t vertexCount = 0;
    uint32_t stride = 36;
    uint32_t faceCount = 0;
    std::vector<uint8_t> vertices;
    std::vector<uint16_t> indices;
    Box box;
    std::vector<TextureEntry> textures;
    std::string fileName; // the file the geometry came from

    Box BoundingBox() const override { return box; }

    glm::vec3 Position(size_t vertex) const;
    void SetPosition(size_t vertex, const glm::vec3& position);
    // Byte offset of the normal (0 when the format has none), the colour and
    // the first texture coordinate within a vertex.
    size_t NormalOffset() const { return (format & FvfNormal) ? 12 : 0; }
    size_t ColourOffset() const { return (format & FvfNormal) ? 24 : 12; }
    size_t TexCoordOffset() const;
};

// A flat textured quad in the z = 0 plane, from a sprite description. Its
// single texture entry names the frame image by its full path.
class SpriteData : public MeshData {
  public:
    glm::vec2 axis{0.0f}; // the anchor point of the image
    float preScaleX = 1.0f;
    float preScaleY = 1.0f;
    float visibility = 1.0f;

    bool IsSprite() const override { return true; }
    bool GetSpriteParameters(SpriteParameters& out) const override;
};

// A model of several parts with the box around all of them.
class ModelGroupData : public ModelData {
  public:
    std::vector<std::unique_ptr<ModelData>> parts;
    Box box;

    size_t PartCount() const override { return parts.size(); }
    const ModelData* Part(size_t index) const override {
        return index < parts.size() ? parts[index].get() : nullptr;
    }
    Box BoundingBox() const override { return box; }
    // Sets box to the smallest box holding both corners of every part's box.
    void UpdateBox();
};

// One bone of a skeleton model. The rotation is stored the way the game's
// files write matrices: rotation[r] is row r, and a point p becomes p * M
// (see TransformCoord).
struct BoneRecord {
    glm::mat4 rotation{1.0f};
    glm::vec3 offset{0.0f};   // "Position"
    std::string geometryPath; // resolved "VolumeView"; empty when the bone has none
    std::string name;         // the bone node's value, quotes removed
    std::vector<std::unique_ptr<BoneRecord>> children;
    BoneRecord* parent = nullptr;
};

// p * M with the homogeneous divide, for a matrix stored row by row as above.
glm::vec3 TransformCoord(const glm::mat4& matrix, const glm::vec3& p);

// The texture-modification name an element asks for: its "TexMod" value
// picks a child of the model's TexMods block by name, and that child's value
// (quotes removed) is the name. Empty when either is missing.
std::string TexModificationName(const ModelData& model, const CDefNode& element);

} // namespace view3d
