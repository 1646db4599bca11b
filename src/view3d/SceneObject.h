#pragma once

#include "view3d/ModelData.h"
#include "view3d/RenderDevice.h"

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CDefNode;

namespace view3d {

class TextureResolver;

// What an element is in the 3D view: its catalogue category, or one of the
// view's own kinds.
enum ElementKind : int {
    KindTanks = 0,
    KindGuns = 1,
    KindTransport = 2,
    KindMarine = 3,
    KindAirborne = 4,
    KindWeapons = 5,
    KindHumansEquipped = 6,
    KindHumans = 7,
    KindAnimals = 8,
    KindBuildings = 9,
    KindCompleteBuildings = 10,
    KindFences = 11,
    KindLandscape = 12,
    KindSounds = 13,
    KindWater = 14,
    KindBridges = 15,
    KindRailway = 16,
    KindVegetation = 17,
    KindTrash = 18,
    KindInventory = 19, // a Weapons or Fences element whose type has an inventory
    KindZones = 20,
    KindEvents = 21,
    KindTriggers = 22,
    KindCameraPath = 23,
    KindMap = 24,           // the map ground of a template (or a created map)
    KindMapNoTemplate = 25, // a map ground without a template: no height mesh
    KindLink = 26,          // waypoints
    KindSky = 27,
};

// A link's target z at or above this means "no target": no line is drawn.
constexpr float kNoTarget = 10000.0f;

// One texture of a scene object. The texture belongs to the texture cache.
struct TextureSlot {
    TextureHandle texture;
    uint32_t hasAlpha = 0;
    uint32_t mipMap = 0;
};

// The base of everything the 3D view draws and picks. A scene object copies
// its geometry from model data, builds its device buffers from that copy,
// and moves the vertices of the device buffer in place, so its box is in
// world coordinates. The device buffers are lost with the device and built
// again by CreateDeviceObjects; the copy stays.
//
// The base does nothing for most operations; the derived classes say what
// they do.
class SceneObject {
  public:
    SceneObject();
    virtual ~SceneObject();
    SceneObject(const SceneObject&) = delete;
    SceneObject& operator=(const SceneObject&) = delete;

    // The material the object draws with; the owning entity keeps it.
    virtual void SetMaterial(Material* material) { m_material = material; }
    virtual void InitFromModel(const ModelData& model);
    virtual void Render(RenderDevice& device);
    // Builds the device buffers from the copy; the first failing device code.
    virtual DeviceResult CreateDeviceObjects(RenderDevice& device);
    // Releases the device vertex and index buffers.
    virtual void ReleaseDeviceObjects();
    // Moves the vertices: each position is transformed by matrix (when
    // given) and then moved by move. kind is the owning element's kind.
    virtual void Transform(const glm::vec3& move, const glm::mat4* matrix, int kind);
    // Puts the vertices back as the model gave them, so that a move to an
    // absolute place does not start from where the last one left them.
    virtual void ResetVertices();
    virtual void SetTarget(const glm::vec3& point);
    // Whether the ray hits the object; distance along the ray (in units of
    // direction's length) of the nearest hit.
    virtual bool Pick(const glm::vec3& origin, const glm::vec3& direction, float& distance);
    // Looks up the textures of the model's texture names; modification is
    // the element's texture variant. Ok, or the failure of the last texture
    // that could not be loaded (that slot stays empty and draws untextured).
    virtual DeviceResult LoadTextures(RenderDevice& device, const ModelData& model,
                                      TextureSource& cache, const TextureResolver& resolver,
                                      std::string_view modification);
    virtual void SetPosition(const glm::vec3& position) { m_position = position; }
    // The highest z of the object.
    virtual float GetTop();
    virtual void Scale(float factor);
    virtual size_t PartCount() const { return 1; }
    virtual SceneObject* Part(size_t index) { return index == 0 ? this : nullptr; }
    virtual void AddPart(std::unique_ptr<SceneObject> part);
    virtual bool HasAlpha() const { return false; }
    virtual void ClearMipMapFlags();
    virtual bool IsSprite() const { return false; }

    uint32_t Format() const { return m_format; }
    uint32_t VertexCount() const { return m_vertexCount; }
    uint32_t Stride() const { return m_stride; }
    uint32_t FaceCount() const { return m_faceCount; }
    Material* GetMaterial() const { return m_material; }
    const glm::vec3& Position() const { return m_position; }
    const glm::vec3& Centre() const { return m_centre; }
    const Box& GetBox() const { return m_box; }
    // Parts of Vegetation are drawn without depth test.
    bool NoDepth() const { return m_noDepth; }
    void SetNoDepth(bool noDepth) { m_noDepth = noDepth; }
    // Written by the view every frame, for sorting.
    float CameraDistance() const { return m_cameraDistance; }
    void SetCameraDistance(float distance) { m_cameraDistance = distance; }
    const CDefNode* TexMods() const { return m_texMods; }
    VertexBufferHandle VertexBuffer() const { return m_vertexBuffer; }
    IndexBufferHandle IndexBuffer() const { return m_indexBuffer; }
    // The geometry as copied from the model (model coordinates).
    std::span<const uint8_t> SourceVertices() const { return m_sourceVertices; }
    std::span<const uint16_t> SourceIndices() const { return m_sourceIndices; }
    std::span<const TextureSlot> Textures() const { return m_textures; }

  protected:
    // Copies format, counts, box, texture table and geometry of a mesh part.
    void CopyMesh(const MeshData& mesh);
    // Creates the device buffers (vertex buffer dynamic, both in the default
    // pool) and fills them from the copy; on failure nothing is kept.
    DeviceResult BuildBuffers(RenderDevice& device);
    // Sets box and centre to those of the positions in vertices.
    void UpdateBox(std::span<const uint8_t> vertices);
    // The nearest triangle of the device buffers that the ray hits, after a
    // box test; false without buffers.
    bool PickTriangles(const glm::vec3& origin, const glm::vec3& direction, float& distance);
    // LoadTextures for a mesh part: names resolved as texture references.
    DeviceResult LoadMeshTextures(RenderDevice& device, const MeshData& mesh, TextureSource& cache,
                                  const TextureResolver& resolver, std::string_view modification);
    // Sets the slot's alpha flag when the texture has an alpha channel.
    void NoteAlphaChannel(RenderDevice& device, TextureSlot& slot) const;
    // Binds the stream and the indices and draws the triangle list.
    void DrawMesh(RenderDevice& device);

    uint32_t m_format = 0;
    uint32_t m_vertexCount = 0;
    uint32_t m_stride = 0;
    uint32_t m_faceCount = 0;
    Material* m_material = nullptr;
    glm::vec3 m_position{0.0f};
    glm::vec3 m_centre{0.0f};
    bool m_noDepth = false;
    float m_cameraDistance = 0.0f;
    Box m_box;
    const CDefNode* m_texMods = nullptr;
    // The device the buffers were made on: moves and picks lock them.
    RenderDevice* m_device = nullptr;
    VertexBufferHandle m_vertexBuffer;
    IndexBufferHandle m_indexBuffer;
    std::vector<uint8_t> m_sourceVertices;
    std::vector<uint16_t> m_sourceIndices;
    std::vector<TextureSlot> m_textures;
};

// One indexed mesh with up to two texture stages.
class MeshObject : public SceneObject {
  public:
    void InitFromModel(const ModelData& model) override;
    void Render(RenderDevice& device) override;
    DeviceResult CreateDeviceObjects(RenderDevice& device) override;
    void Transform(const glm::vec3& move, const glm::mat4* matrix, int kind) override;
    bool Pick(const glm::vec3& origin, const glm::vec3& direction, float& distance) override;
    DeviceResult LoadTextures(RenderDevice& device, const ModelData& model, TextureSource& cache,
                              const TextureResolver& resolver,
                              std::string_view modification) override;
    void Scale(float factor) override;
    bool HasAlpha() const override { return !m_textures.empty() && m_textures[0].hasAlpha; }
};

// A waypoint: a mesh with a line from itself to the waypoint it leads to.
class LinkedMeshObject : public MeshObject {
  public:
    ~LinkedMeshObject() override;
    void Render(RenderDevice& device) override;
    DeviceResult CreateDeviceObjects(RenderDevice& device) override;
    void Transform(const glm::vec3& move, const glm::mat4* matrix, int kind) override;
    // The line starts at the waypoint's own origin again, with its mesh.
    void ResetVertices() override;
    void SetTarget(const glm::vec3& point) override;

    const glm::vec3& Target() const { return m_target; }
    VertexBufferHandle LineBuffer() const { return m_lineBuffer; }

  private:
    glm::vec3 m_target{0.0f, 0.0f, kNoTarget};
    // Two positions: the waypoint (10 above its origin) and the target.
    VertexBufferHandle m_lineBuffer;
    RenderDevice* m_lineDevice = nullptr;
};

// The small flag above a player's unit, in the player's colour.
class PlayerFlagObject : public MeshObject {
  public:
    // Reads the element's "Player" value (-1 without one).
    explicit PlayerFlagObject(const CDefNode* element);
    // Copies the flag box and gives it its one texture slot.
    void InitFromModel(const ModelData& model) override;
    DeviceResult CreateDeviceObjects(RenderDevice& device) override;
    // The player's flag picture, made once per player and cached as
    // "$Player<n>$".
    DeviceResult LoadTextures(RenderDevice& device, const ModelData& model, TextureSource& cache,
                              const TextureResolver& resolver,
                              std::string_view modification) override;

    int Player() const { return m_player; }

  private:
    int m_player = -1;
};

// The picture a player's flag shows, from the program's own bitmaps: the
// bitmap number, and its pixels (Rgbx8).
int PlayerFlagBitmap(int player);
TextureDesc PlayerFlagPicture(int bitmap, std::vector<uint8_t>& pixels);

// A flat picture (from sprite data) drawn with its opacity.
class SpriteObject : public SceneObject {
  public:
    void InitFromModel(const ModelData& model) override;
    void Render(RenderDevice& device) override;
    DeviceResult CreateDeviceObjects(RenderDevice& device) override;
    void Transform(const glm::vec3& move, const glm::mat4* matrix, int kind) override;
    bool Pick(const glm::vec3& origin, const glm::vec3& direction, float& distance) override;
    // The sprite's picture is named by its file path; no description.
    DeviceResult LoadTextures(RenderDevice& device, const ModelData& model, TextureSource& cache,
                              const TextureResolver& resolver,
                              std::string_view modification) override;
    bool IsSprite() const override { return true; }

    const glm::vec2& PreScale() const { return m_preScale; }
    float Opacity() const { return m_opacity; }

  private:
    glm::vec2 m_preScale{0.0f};
    float m_scale = 1.0f;
    float m_opacity = 1.0f;
};

// A model of several parts (meshes and sprites) and the box around them.
class ModelObject : public SceneObject {
  public:
    void SetMaterial(Material* material) override;
    void InitFromModel(const ModelData& model) override;
    void Render(RenderDevice& device) override;
    DeviceResult CreateDeviceObjects(RenderDevice& device) override;
    void ReleaseDeviceObjects() override;
    void Transform(const glm::vec3& move, const glm::mat4* matrix, int kind) override;
    void ResetVertices() override;
    bool Pick(const glm::vec3& origin, const glm::vec3& direction, float& distance) override;
    DeviceResult LoadTextures(RenderDevice& device, const ModelData& model, TextureSource& cache,
                              const TextureResolver& resolver,
                              std::string_view modification) override;
    void SetPosition(const glm::vec3& position) override;
    // Recomputes the box from the parts and gives its highest z.
    float GetTop() override;
    void Scale(float factor) override;
    size_t PartCount() const override { return m_parts.size(); }
    SceneObject* Part(size_t index) override;
    void AddPart(std::unique_ptr<SceneObject> part) override;
    void ClearMipMapFlags() override;

  private:
    std::vector<std::unique_ptr<SceneObject>> m_parts;
};

// The square under the map in fullscreen: one texture (or none) and its own
// sand-coloured material.
class GroundQuadObject : public SceneObject {
  public:
    GroundQuadObject(const glm::vec3& centre, float halfSide, TextureHandle texture = {});
    void Render(RenderDevice& device) override;
    DeviceResult CreateDeviceObjects(RenderDevice& device) override;
    // Grows the square about its centre; a later restore keeps the size.
    void Scale(float factor) override;

    float HalfSide() const { return m_halfSide; }
    const Material& QuadMaterial() const { return m_quadMaterial; }

  private:
    void FillVertices(std::span<uint8_t> vertices) const;

    TextureHandle m_texture;
    glm::vec3 m_quadCentre{0.0f};
    float m_halfSide = 0.0f;
    Material m_quadMaterial;
};

// Ray tests used by picking. Distances are in units of direction's length;
// only hits at or beyond the origin count.
bool RayHitsBox(const glm::vec3& origin, const glm::vec3& direction, const Box& box);
// Both faces of the triangle count. u and v weigh p1 and p2.
bool RayHitsTriangle(const glm::vec3& origin, const glm::vec3& direction, const glm::vec3& p0,
                     const glm::vec3& p1, const glm::vec3& p2, float& distance, float& u, float& v);

// Orders the object list for a frame: farther objects first; objects whose
// camera distances differ by less than 1.0 count as level, and then one with
// alpha textures comes before one without. Stable, so level objects of the
// same alpha keep their order.
void SortForFrame(std::vector<SceneObject*>& objects);

} // namespace view3d
