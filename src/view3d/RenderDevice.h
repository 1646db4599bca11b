#pragma once

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace view3d {

// What a device call reports. The codes are the ones the view passes on and
// compares against, so a failure keeps its meaning on its way up.
enum class DeviceResult : uint32_t {
    Ok = 0,
    Fail = 0x80004005,             // anything else that went wrong
    OutOfMemory = 0x8007000E,      // system memory
    OutOfVideoMemory = 0x8876017C, // the device has no room for a resource
    DeviceLost = 0x88760868,       // lost and not yet resettable: skip frames
    DeviceNotReset = 0x88760869,   // lost, and Reset may now be called
    InvalidCall = 0x8876086C,      // bad handle or argument, or a call out of order
    NoCompatibleDevice = 0x82000003,
    FullscreenSwitchFailed = 0x8200000C,
};

inline bool Succeeded(DeviceResult result) {
    return result == DeviceResult::Ok;
}

// Handles of device resources. Zero is "none": binding a null texture clears
// the stage. A handle stays valid until it is released, or, for resources in
// the default pool, until the device is reset.
struct VertexBufferHandle {
    uint32_t id = 0;
    explicit operator bool() const { return id != 0; }
    bool operator==(const VertexBufferHandle&) const = default;
};
struct IndexBufferHandle {
    uint32_t id = 0;
    explicit operator bool() const { return id != 0; }
    bool operator==(const IndexBufferHandle&) const = default;
};
struct TextureHandle {
    uint32_t id = 0;
    explicit operator bool() const { return id != 0; }
    bool operator==(const TextureHandle&) const = default;
};

// Where a resource lives. Default-pool resources are lost with the device:
// every one of them must be released before Reset, and Reset fails with
// InvalidCall while any is alive. Managed resources survive a reset.
enum class Pool : uint32_t { Default = 0, Managed = 1, SystemMemory = 2 };

// Buffer usage bits.
enum BufferUsage : uint32_t {
    UsageNone = 0,
    UsageWriteOnly = 0x8,
    UsageDynamic = 0x200,
};

enum class IndexFormat : uint32_t { Index16 = 101, Index32 = 102 };

// Vertex formats are the FVF codes of ModelData.h (kFormatMesh, kFormatQuad,
// FvfXyz, ...); the position always comes first, then the normal, the colour
// (a 32-bit ARGB value) and the texture coordinates, as the bits say.

enum class PrimitiveType : uint32_t { LineList = 2, TriangleList = 4 };

// Render states and the values they take. Booleans are 0 or 1; Ambient is an
// ARGB colour.
enum class RenderState : uint32_t {
    ZEnable = 7,
    FillMode = 8,
    ShadeMode = 9,
    ZWriteEnable = 14,
    SrcBlend = 19,
    DestBlend = 20,
    CullMode = 22,
    AlphaBlendEnable = 27,
    Lighting = 137,
    Ambient = 139,
    ColorVertex = 141,
};
enum CullMode : uint32_t { CullNone = 1, CullClockwise = 2, CullCounterClockwise = 3 };
enum ShadeMode : uint32_t { ShadeFlat = 1, ShadeGouraud = 2 };
enum FillMode : uint32_t { FillPoint = 1, FillWireframe = 2, FillSolid = 3 };
enum Blend : uint32_t {
    BlendZero = 1,
    BlendOne = 2,
    BlendSrcAlpha = 5,
    BlendInvSrcAlpha = 6,
};

// The two texture stages combine like this: each stage computes colour and
// alpha from its two arguments with its operation; Current is the result of
// the stage before (the vertex colour for stage 0). A Disable colour op ends
// the chain at that stage. TexCoordIndex picks the vertex's texture
// coordinate set (default: the stage's own number).
enum class TextureStageState : uint32_t {
    ColorOp = 1,
    ColorArg1 = 2,
    ColorArg2 = 3,
    AlphaOp = 4,
    AlphaArg1 = 5,
    AlphaArg2 = 6,
    TexCoordIndex = 11,
};
enum TextureOp : uint32_t {
    OpDisable = 1,
    OpSelectArg1 = 2,
    OpSelectArg2 = 3,
    OpModulate = 4,
    // arg1 * diffuse alpha + arg2 * (1 - diffuse alpha)
    OpBlendDiffuseAlpha = 12,
};
enum TextureArg : uint32_t { ArgDiffuse = 0, ArgCurrent = 1, ArgTexture = 2 };

// Sampler states for stages 0 and 1; the filter values come from the
// texture filter setting (1 none, 2 bilinear, 3 anisotropic).
enum class SamplerState : uint32_t { MagFilter = 5, MinFilter = 6, MipFilter = 7 };
enum TextureFilter : uint32_t {
    FilterNone = 0,
    FilterPoint = 1,
    FilterLinear = 2,
    FilterAnisotropic = 3,
};
// Bits of TextureFilterCaps(): which minification filters the device has.
enum TextureFilterCap : uint32_t {
    CapMinFilterPoint = 0x100,
    CapMinFilterLinear = 0x200,
    CapMinFilterAnisotropic = 0x400,
};

enum class TransformType : uint32_t { View = 2, Projection = 3, World = 256 };

enum ClearFlags : uint32_t { ClearTarget = 1, ClearZBuffer = 2 };

// Colours are RGBA in 0..1.
struct Material {
    glm::vec4 diffuse{1.0f};
    glm::vec4 ambient{1.0f};
    glm::vec4 specular{0.0f, 0.0f, 0.0f, 1.0f};
    glm::vec4 emissive{0.0f, 0.0f, 0.0f, 1.0f};
    float power = 0.0f;
    bool operator==(const Material&) const = default;
};

// The view uses directional lights only; position and range are kept
// because the view sets them, but a directional light ignores both.
struct Light {
    glm::vec4 diffuse{1.0f};
    glm::vec4 specular{0.0f};
    glm::vec4 ambient{0.0f};
    glm::vec3 position{0.0f};
    glm::vec3 direction{0.0f, 0.0f, 1.0f};
    float range = 0.0f;
};

// Texture pixel formats. Rgba8 and Rgbx8 pixels are given as bytes R, G, B,
// A per pixel (Rgbx8 ignores A: the picture had no alpha channel); the
// compressed formats as their 4x4 blocks. A texture whose format is Rgba8 is
// treated as alpha-blended by the scene.
enum class TextureFormat : uint32_t { Rgba8, Rgbx8, Dxt1, Dxt3, Dxt5 };

struct TextureDesc {
    TextureFormat format = TextureFormat::Rgba8;
    uint32_t width = 0;
    uint32_t height = 0;
    // Levels present in the data, largest first, each half the size of the
    // one before (at least 1 pixel, or one block for compressed formats).
    uint32_t levels = 1;
    // The device completes the chain down to 1 x 1 from the levels given.
    bool fullMipChain = false;
};

// Bytes one level of a texture takes: width * height * 4, or the 4x4 blocks
// (8 bytes each for Dxt1, 16 for Dxt3 and Dxt5).
size_t TextureLevelBytes(TextureFormat format, uint32_t width, uint32_t height);

struct PresentParameters {
    uint32_t backBufferWidth = 0;
    uint32_t backBufferHeight = 0;
    bool windowed = true;
};

struct Viewport {
    uint32_t x = 0;
    uint32_t y = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    float minZ = 0.0f;
    float maxZ = 1.0f;
};

// Lock modes: ReadOnly promises that nothing is written, so nothing has to
// be sent to the device on Unlock.
enum class LockMode : uint32_t { ReadWrite = 0, ReadOnly = 0x10 };

// The drawing device of one 3D view: buffers, textures, the fixed lighting
// (one material, two directional lights and an ambient colour), render,
// texture-stage and sampler states, transforms, indexed and line drawing,
// and the frame calls. It is an interface so that the scene can be drawn
// through OpenGL in the editor and through a recording device in tests.
//
// Matrices follow glm's convention: a point p becomes M * (p, 1). A matrix
// written by the game's files as p * M has the same memory as that glm
// matrix (see TransformCoord), so world * view * projection is applied as
// projection * view * world.
class RenderDevice {
  public:
    virtual ~RenderDevice() = default;

    // Resources. Creation fills out only on success; Release of a null or
    // already released handle does nothing.
    virtual DeviceResult CreateVertexBuffer(uint32_t bytes, uint32_t usage, uint32_t format,
                                            Pool pool, VertexBufferHandle& out) = 0;
    virtual DeviceResult CreateIndexBuffer(uint32_t bytes, uint32_t usage, IndexFormat format,
                                           Pool pool, IndexBufferHandle& out) = 0;
    // A texture from pixels laid out as TextureDesc says (levels one after
    // the other). Fails with InvalidCall when data is shorter than the levels.
    virtual DeviceResult CreateTexture(const TextureDesc& desc, std::span<const uint8_t> data,
                                       Pool pool, TextureHandle& out) = 0;
    // A texture that can be made the render target and read back (minimap).
    virtual DeviceResult CreateRenderTarget(uint32_t width, uint32_t height,
                                            TextureHandle& out) = 0;
    virtual void Release(VertexBufferHandle buffer) = 0;
    virtual void Release(IndexBufferHandle buffer) = 0;
    virtual void Release(TextureHandle texture) = 0;

    // The whole contents of a buffer, to read and write in place until
    // Unlock; reading gives back what was last written. An empty span
    // (with a failure) for an unknown handle or a buffer already locked.
    virtual DeviceResult Lock(VertexBufferHandle buffer, LockMode mode,
                              std::span<uint8_t>& out) = 0;
    virtual DeviceResult Lock(IndexBufferHandle buffer, LockMode mode, std::span<uint8_t>& out) = 0;
    virtual DeviceResult Unlock(VertexBufferHandle buffer) = 0;
    virtual DeviceResult Unlock(IndexBufferHandle buffer) = 0;

    // The description a texture was made with; false for an unknown handle.
    virtual bool GetTextureDesc(TextureHandle texture, TextureDesc& out) const = 0;
    // The pixels of a render target as rows of R, G, B, A bytes, top row
    // first.
    virtual DeviceResult ReadRenderTarget(TextureHandle target, std::vector<uint8_t>& rgba) = 0;

    // Fixed-function state.
    virtual void SetRenderState(RenderState state, uint32_t value) = 0;
    virtual void SetTextureStageState(uint32_t stage, TextureStageState state, uint32_t value) = 0;
    virtual void SetSamplerState(uint32_t sampler, SamplerState state, uint32_t value) = 0;
    virtual void SetTexture(uint32_t stage, TextureHandle texture) = 0;
    virtual void SetMaterial(const Material& material) = 0;
    virtual void SetLight(uint32_t index, const Light& light) = 0;
    virtual void LightEnable(uint32_t index, bool enable) = 0;
    virtual void SetTransform(TransformType type, const glm::mat4& matrix) = 0;
    virtual glm::mat4 GetTransform(TransformType type) const = 0;
    virtual void SetViewport(const Viewport& viewport) = 0;
    // Null draws into the back buffer again.
    virtual DeviceResult SetRenderTarget(TextureHandle target) = 0;

    // Drawing. Counts are primitives (triangles or line segments).
    virtual void SetFVF(uint32_t format) = 0;
    virtual void SetStreamSource(uint32_t stream, VertexBufferHandle buffer, uint32_t offset,
                                 uint32_t stride) = 0;
    virtual void SetIndices(IndexBufferHandle buffer) = 0;
    virtual DeviceResult DrawIndexedPrimitive(PrimitiveType type, int32_t baseVertex,
                                              uint32_t minIndex, uint32_t vertexCount,
                                              uint32_t startIndex, uint32_t primitiveCount) = 0;
    virtual DeviceResult DrawPrimitive(PrimitiveType type, uint32_t startVertex,
                                       uint32_t primitiveCount) = 0;
    // Draws from vertices in memory (the format set by SetFVF), without a
    // buffer; the stream binding is lost afterwards.
    virtual DeviceResult DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount,
                                         std::span<const uint8_t> vertices, uint32_t stride) = 0;
    // Screen text at pixel (x, y) from the top left, colour ARGB. A device
    // may leave text to its window and do nothing here.
    virtual void DrawText(int x, int y, uint32_t argb, std::string_view text) = 0;
    // Whether the current states can be drawn in one pass.
    virtual DeviceResult ValidateDevice() = 0;

    // The frame.
    virtual DeviceResult Clear(uint32_t flags, uint32_t argb, float z) = 0;
    virtual DeviceResult BeginScene() = 0;
    virtual DeviceResult EndScene() = 0;
    // DeviceLost when the device was lost meanwhile.
    virtual DeviceResult Present() = 0;

    // Loss and reset. TestCooperativeLevel gives Ok, DeviceLost (wait) or
    // DeviceNotReset (release the default-pool resources, then Reset). A
    // successful Reset applies the parameters and sets every state back to
    // its default; the caller restores states and resources afterwards.
    virtual DeviceResult TestCooperativeLevel() = 0;
    virtual DeviceResult Reset(const PresentParameters& parameters) = 0;
    virtual PresentParameters BackBuffer() const = 0;
    virtual uint32_t TextureFilterCaps() const = 0;
};

// Where scene objects get their textures: the view's texture cache, keyed by
// resolved file path or by a name of the program's own ("$Player1$").
// Textures stay the cache's; objects only point at them.
class TextureSource {
  public:
    virtual ~TextureSource() = default;

    // The cached texture of key, or null.
    virtual TextureHandle Find(const std::string& key) = 0;
    // Reads the texture file at path, with a full mip chain or a single
    // level, and caches it under path. Null when the file cannot be read or
    // decoded, and then nothing is cached.
    virtual TextureHandle LoadFile(RenderDevice& device, const std::string& path, bool mipMaps) = 0;
    // Makes a texture from pixels and caches it under key.
    virtual TextureHandle Create(RenderDevice& device, const std::string& key,
                                 const TextureDesc& desc, std::span<const uint8_t> data) = 0;
};

} // namespace view3d
