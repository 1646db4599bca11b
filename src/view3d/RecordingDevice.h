#pragma once

#include "view3d/RenderDevice.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace view3d {

// A render device that draws nothing and writes down every call, for tests
// that check what the scene asks of the device and in which order. Buffers
// keep their bytes, so vertices moved in place can be read back; textures
// keep their description. It can be told to fail a call, and to lose the
// device, to drive the scene's failure and restore paths.
//
// Log lines name the call and its arguments in words, e.g.
//   "SetRenderState ZEnable 1", "SetTexture 0 tex3", "SetFVF 338",
//   "SetStreamSource 0 vb1 0 36", "DrawIndexedPrimitive TriangleList 0 0 24 0 12".
// Lock, Unlock and GetTextureDesc are counted but not logged, so that picks
// and moves do not bury the drawing calls; LogLocks turns them on.
class RecordingDevice : public RenderDevice {
  public:
    RecordingDevice();
    ~RecordingDevice() override;

    // --- what was recorded ---------------------------------------------------
    const std::vector<std::string>& Log() const { return m_log; }
    void ClearLog() { m_log.clear(); }
    // Stops (false) or resumes writing the log; calls still take effect.
    void SetLogging(bool on) { m_logging = on; }
    void LogLocks(bool on) { m_logLocks = on; }
    // Log lines that begin with prefix, in order.
    std::vector<std::string> LogLines(std::string_view prefix) const;
    size_t LockCount() const { return m_lockCount; }

    // --- failures --------------------------------------------------------------
    // The call named `call` (as in the log: "CreateIndexBuffer", "Lock",
    // "Reset", ...) fails with result once, after `skip` calls of that name
    // have succeeded.
    void FailCall(std::string call, DeviceResult result, int skip = 0);
    // Loses the device: TestCooperativeLevel and Present give DeviceLost.
    // SetLost(false) then lets TestCooperativeLevel give DeviceNotReset
    // until a Reset succeeds.
    void SetLost(bool lost);

    // --- inspecting resources ----------------------------------------------------
    // The bytes of a live buffer; empty for an unknown handle.
    std::vector<uint8_t> VertexBytes(VertexBufferHandle buffer) const;
    std::vector<uint8_t> IndexBytes(IndexBufferHandle buffer) const;
    size_t LiveVertexBuffers() const { return m_vertexBuffers.size(); }
    size_t LiveIndexBuffers() const { return m_indexBuffers.size(); }
    size_t LiveTextures() const { return m_textures.size(); }
    // Live resources of the default pool (these block a Reset).
    size_t LiveDefaultPoolResources() const;
    uint32_t RenderStateValue(RenderState state) const;
    uint32_t TextureStageValue(uint32_t stage, TextureStageState state) const;
    uint32_t SamplerValue(uint32_t sampler, SamplerState state) const;
    TextureHandle BoundTexture(uint32_t stage) const;
    const Material& CurrentMaterial() const { return m_material; }
    const Light& LightAt(uint32_t index) const;
    bool LightEnabled(uint32_t index) const;

    // --- RenderDevice ------------------------------------------------------------
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
    void DrawText(int x, int y, uint32_t argb, std::string_view text) override;
    DeviceResult ValidateDevice() override;

    DeviceResult Clear(uint32_t flags, uint32_t argb, float z) override;
    DeviceResult BeginScene() override;
    DeviceResult EndScene() override;
    DeviceResult Present() override;
    DeviceResult TestCooperativeLevel() override;
    DeviceResult Reset(const PresentParameters& parameters) override;
    PresentParameters BackBuffer() const override { return m_present; }
    uint32_t TextureFilterCaps() const override { return m_filterCaps; }
    void SetTextureFilterCaps(uint32_t caps) { m_filterCaps = caps; }

  private:
    struct Buffer {
        std::vector<uint8_t> bytes;
        Pool pool = Pool::Default;
        bool locked = false;
    };
    struct Texture {
        TextureDesc desc;
        Pool pool = Pool::Managed;
    };
    struct Failure {
        std::string call;
        DeviceResult result;
        int skip;
    };

    void Write(std::string line);
    // The failure planned for this call, or Ok.
    DeviceResult Planned(std::string_view call);
    DeviceResult LockBuffer(std::map<uint32_t, Buffer>& buffers, uint32_t id, const char* prefix,
                            LockMode mode, std::span<uint8_t>& out);
    DeviceResult UnlockBuffer(std::map<uint32_t, Buffer>& buffers, uint32_t id, const char* prefix);
    void ResetStates();

    std::vector<std::string> m_log;
    bool m_logging = true;
    bool m_logLocks = false;
    size_t m_lockCount = 0;
    std::vector<Failure> m_failures;
    bool m_lost = false;
    bool m_needsReset = false;
    bool m_inScene = false;
    uint32_t m_nextId = 1;
    std::map<uint32_t, Buffer> m_vertexBuffers;
    std::map<uint32_t, Buffer> m_indexBuffers;
    std::map<uint32_t, Texture> m_textures;
    std::map<uint32_t, uint32_t> m_renderStates;
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> m_stageStates;
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> m_samplerStates;
    std::map<uint32_t, TextureHandle> m_boundTextures;
    std::map<uint32_t, Light> m_lights;
    std::map<uint32_t, bool> m_lightEnabled;
    std::map<uint32_t, glm::mat4> m_transforms;
    Material m_material;
    PresentParameters m_present{640, 480, true};
    uint32_t m_filterCaps = CapMinFilterPoint | CapMinFilterLinear | CapMinFilterAnisotropic;
};

// Names used in the log, for tests that build expected lines.
const char* RenderStateName(RenderState state);
const char* TextureStageStateName(TextureStageState state);
const char* SamplerStateName(SamplerState state);
const char* PrimitiveTypeName(PrimitiveType type);
const char* TransformTypeName(TransformType type);
// "vb3", "ib4", "tex5"; "null" for a null handle.
std::string HandleName(VertexBufferHandle buffer);
std::string HandleName(IndexBufferHandle buffer);
std::string HandleName(TextureHandle texture);

} // namespace view3d
