#pragma once

#include "view3d/RenderDevice.h"

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace view3d {

class GlFixedFunctionProgram;

// The render device over OpenGL 3.3 core. It draws into whatever OpenGL
// context is current when it is made and used: the 3D widget's, or an
// offscreen one in tests. One shader program stands in for the fixed
// lighting and texture stages the scene relies on (GlFixedFunctionProgram).
//
// Loss and reset: OpenGL keeps its objects as long as the context lives, so
// a reset only drops the states and applies the new back-buffer size. When
// the context itself goes away (the widget is re-parented or closed), the
// owner calls ContextLost while the old context is still current, and
// ContextRestored once a new one is current: the device then reports
// DeviceNotReset, and Reset makes the program and every managed buffer and
// texture again from the copies it keeps. Default-pool resources are the
// scene's to release and remake, as with any device.
class GlRenderDevice : public RenderDevice {
  public:
    // A device for the current context, or null (with the reason in error)
    // when the context is not OpenGL 3.3 core or the program does not build.
    static std::unique_ptr<GlRenderDevice> Create(const PresentParameters& parameters,
                                                  std::string* error = nullptr);
    ~GlRenderDevice() override;
    GlRenderDevice(const GlRenderDevice&) = delete;
    GlRenderDevice& operator=(const GlRenderDevice&) = delete;

    // The framebuffer that stands for the back buffer: 0 for a window, the
    // widget's own framebuffer object, or a test's offscreen one.
    void SetBackBufferFramebuffer(uint32_t framebuffer) { m_backBufferFbo = framebuffer; }
    // The back buffer's pixels as rows of R, G, B, A bytes, top row first.
    DeviceResult ReadBackBuffer(std::vector<uint8_t>& rgba);
    // Whether compressed textures go to the driver as they are; without the
    // extension (or when told not to, for tests) they are decoded first.
    bool UploadsCompressed() const { return m_compressedUpload; }
    void SetUploadCompressed(bool on) { m_compressedUpload = on && m_hasS3tc; }
    // Where the device stands when the context goes and comes back.
    void ContextLost();
    void ContextRestored();
    std::string RendererName() const { return m_rendererName; }

    // --- RenderDevice --------------------------------------------------------
    DeviceResult CreateVertexBuffer(uint32_t bytes, uint32_t usage, uint32_t format, Pool pool,
                                    VertexBufferHandle& out) override;
    DeviceResult CreateIndexBuffer(uint32_t bytes, uint32_t usage, IndexFormat format, Pool pool,
                                   IndexBufferHandle& out) override;
    DeviceResult CreateTexture(const TextureDesc& desc, std::span<const uint8_t> data, Pool pool,
                               TextureHandle& out) override;
    DeviceResult CreateRenderTarget(uint32_t width, uint32_t height, TextureHandle& out) override;
    void Release(VertexBufferHandle buffer) override;
    void Release(IndexBufferHandle buffer) override;
    void Release(TextureHandle texture) override;
    DeviceResult Lock(VertexBufferHandle buffer, LockMode mode, std::span<uint8_t>& out) override;
    DeviceResult Lock(IndexBufferHandle buffer, LockMode mode, std::span<uint8_t>& out) override;
    DeviceResult Unlock(VertexBufferHandle buffer) override;
    DeviceResult Unlock(IndexBufferHandle buffer) override;
    bool GetTextureDesc(TextureHandle texture, TextureDesc& out) const override;
    DeviceResult ReadRenderTarget(TextureHandle target, std::vector<uint8_t>& rgba) override;

    void SetRenderState(RenderState state, uint32_t value) override;
    void SetTextureStageState(uint32_t stage, TextureStageState state, uint32_t value) override;
    void SetSamplerState(uint32_t sampler, SamplerState state, uint32_t value) override;
    void SetTexture(uint32_t stage, TextureHandle texture) override;
    void SetMaterial(const Material& material) override;
    void SetLight(uint32_t index, const Light& light) override;
    void LightEnable(uint32_t index, bool enable) override;
    void SetTransform(TransformType type, const glm::mat4& matrix) override;
    glm::mat4 GetTransform(TransformType type) const override;
    void SetViewport(const Viewport& viewport) override;
    DeviceResult SetRenderTarget(TextureHandle target) override;

    void SetFVF(uint32_t format) override;
    void SetStreamSource(uint32_t stream, VertexBufferHandle buffer, uint32_t offset,
                         uint32_t stride) override;
    void SetIndices(IndexBufferHandle buffer) override;
    DeviceResult DrawIndexedPrimitive(PrimitiveType type, int32_t baseVertex, uint32_t minIndex,
                                      uint32_t vertexCount, uint32_t startIndex,
                                      uint32_t primitiveCount) override;
    DeviceResult DrawPrimitive(PrimitiveType type, uint32_t startVertex,
                               uint32_t primitiveCount) override;
    DeviceResult DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount,
                                 std::span<const uint8_t> vertices, uint32_t stride) override;
    // Text is left to the widget, which paints it over the frame.
    void DrawText(int x, int y, uint32_t argb, std::string_view text) override;
    DeviceResult ValidateDevice() override;

    DeviceResult Clear(uint32_t flags, uint32_t argb, float z) override;
    DeviceResult BeginScene() override;
    DeviceResult EndScene() override;
    DeviceResult Present() override;
    DeviceResult TestCooperativeLevel() override;
    DeviceResult Reset(const PresentParameters& parameters) override;
    PresentParameters BackBuffer() const override { return m_present; }
    uint32_t TextureFilterCaps() const override;

  private:
    struct Buffer {
        uint32_t name = 0; // the OpenGL buffer; 0 while the context is lost
        std::vector<uint8_t> bytes;
        Pool pool = Pool::Default;
        uint32_t format = 0; // vertex format, or the index size in bytes
        bool locked = false;
        bool lockedReadOnly = false;
    };
    struct Texture {
        uint32_t name = 0;
        TextureDesc desc;
        Pool pool = Pool::Managed;
        std::vector<uint8_t> data; // what it was made from, to make it again
        uint32_t framebuffer = 0;  // render targets only
        uint32_t depthBuffer = 0;
        bool renderTarget = false;
    };
    // One texture stage's operations, as the stage states set them.
    struct Stage {
        std::array<uint32_t, 7> colour{}; // indexed by ColorOp..AlphaArg2
        uint32_t texCoordIndex = 0;
        TextureHandle texture;
        std::array<uint32_t, 3> sampler{}; // mag, min, mip filter
    };
    struct Stream {
        VertexBufferHandle buffer;
        uint32_t offset = 0;
        uint32_t stride = 0;
    };

    GlRenderDevice();
    bool MakeContextObjects(std::string* error);
    void DeleteContextObjects();
    void ResetStates();
    void ApplyFixedStates();
    void ApplyViewport();
    uint32_t TargetHeight() const;

    DeviceResult UploadBuffer(Buffer& buffer);
    DeviceResult UploadTexture(Texture& texture);
    DeviceResult MakeRenderTargetObjects(Texture& texture);
    DeviceResult LockBuffer(Buffer* buffer, LockMode mode, std::span<uint8_t>& out);
    DeviceResult UnlockBuffer(Buffer* buffer);
    Buffer* FindVertexBuffer(VertexBufferHandle handle);
    Buffer* FindIndexBuffer(IndexBufferHandle handle);
    Texture* FindTexture(TextureHandle handle);
    void ApplySampler(uint32_t stage);

    // Drawing: binds the vertex layout of format at the given buffer offset,
    // sends the fixed-function state to the program and draws.
    DeviceResult PrepareDraw(uint32_t vertexBuffer, size_t offset, uint32_t stride);
    // Binds the stages' textures and sends the fixed-function state.
    DeviceResult ApplyStages(bool hasNormal, bool hasColour);

    std::unique_ptr<GlFixedFunctionProgram> m_program;
    uint32_t m_vertexArray = 0;
    uint32_t m_streamBuffer = 0; // vertices drawn from memory
    std::array<uint32_t, 2> m_samplers{};
    uint32_t m_backBufferFbo = 0;
    std::string m_rendererName;
    bool m_hasS3tc = false;
    bool m_compressedUpload = false;
    float m_maxAnisotropy = 1.0f;

    std::unordered_map<uint32_t, Buffer> m_vertexBuffers;
    std::unordered_map<uint32_t, Buffer> m_indexBuffers;
    std::unordered_map<uint32_t, Texture> m_textures;
    uint32_t m_nextHandle = 1;

    PresentParameters m_present;
    Viewport m_viewport;
    TextureHandle m_renderTarget;
    bool m_inScene = false;
    bool m_contextLost = false;
    bool m_contextRestored = false;

    // Fixed-function state, as the scene last set it.
    std::unordered_map<uint32_t, uint32_t> m_renderStates;
    std::array<Stage, 2> m_stages{};
    Material m_material;
    std::array<Light, 2> m_lights{};
    std::array<bool, 2> m_lightOn{};
    glm::mat4 m_world{1.0f}, m_view{1.0f}, m_projection{1.0f};
    uint32_t m_format = 0;
    Stream m_stream;

    // What OpenGL was last told of the target and of the fixed states, so a
    // draw with the same ones sends nothing. Forgotten at every scene start:
    // the window draws its own things between frames.
    struct AppliedStates {
        bool valid = false;
        uint32_t framebuffer = 0;
        Viewport viewport;
        std::array<uint32_t, 7> fixed{};
        // The vertex layout the vertex array holds, the textures bound to
        // the two units and the index buffer.
        bool layoutValid = false;
        uint32_t layoutBuffer = 0, layoutStride = 0, layoutFormat = 0;
        size_t layoutOffset = 0;
        std::array<uint32_t, 2> layoutTexCoord{};
        bool unitsValid = false;
        std::array<uint32_t, 2> textures{};
        bool indicesValid = false;
        uint32_t indices = 0;
    } m_applied;
    void ForgetAppliedStates();
    IndexBufferHandle m_indices;
};

} // namespace view3d
