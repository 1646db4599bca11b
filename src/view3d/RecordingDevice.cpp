#include "view3d/RecordingDevice.h"

#include <algorithm>
#include <cstdio>

namespace view3d {

namespace {

std::string Number(float x) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(x));
    return text;
}

std::string Colour(const glm::vec4& c) {
    return Number(c.r) + "," + Number(c.g) + "," + Number(c.b) + "," + Number(c.a);
}

std::string Vector(const glm::vec3& v) {
    return Number(v.x) + "," + Number(v.y) + "," + Number(v.z);
}

const char* PoolName(Pool pool) {
    switch (pool) {
    case Pool::Default:
        return "default";
    case Pool::Managed:
        return "managed";
    case Pool::SystemMemory:
        return "system";
    }
    return "?";
}

std::string Result(DeviceResult result) {
    if (result == DeviceResult::Ok) return "";
    char text[32];
    std::snprintf(text, sizeof text, " failed 0x%08X", static_cast<unsigned>(result));
    return text;
}

} // namespace

const char* RenderStateName(RenderState state) {
    switch (state) {
    case RenderState::ZEnable:
        return "ZEnable";
    case RenderState::FillMode:
        return "FillMode";
    case RenderState::ShadeMode:
        return "ShadeMode";
    case RenderState::ZWriteEnable:
        return "ZWriteEnable";
    case RenderState::SrcBlend:
        return "SrcBlend";
    case RenderState::DestBlend:
        return "DestBlend";
    case RenderState::CullMode:
        return "CullMode";
    case RenderState::AlphaBlendEnable:
        return "AlphaBlendEnable";
    case RenderState::Lighting:
        return "Lighting";
    case RenderState::Ambient:
        return "Ambient";
    case RenderState::ColorVertex:
        return "ColorVertex";
    }
    return "?";
}

const char* TextureStageStateName(TextureStageState state) {
    switch (state) {
    case TextureStageState::ColorOp:
        return "ColorOp";
    case TextureStageState::ColorArg1:
        return "ColorArg1";
    case TextureStageState::ColorArg2:
        return "ColorArg2";
    case TextureStageState::AlphaOp:
        return "AlphaOp";
    case TextureStageState::AlphaArg1:
        return "AlphaArg1";
    case TextureStageState::AlphaArg2:
        return "AlphaArg2";
    case TextureStageState::TexCoordIndex:
        return "TexCoordIndex";
    }
    return "?";
}

const char* SamplerStateName(SamplerState state) {
    switch (state) {
    case SamplerState::MagFilter:
        return "MagFilter";
    case SamplerState::MinFilter:
        return "MinFilter";
    case SamplerState::MipFilter:
        return "MipFilter";
    }
    return "?";
}

const char* PrimitiveTypeName(PrimitiveType type) {
    switch (type) {
    case PrimitiveType::LineList:
        return "LineList";
    case PrimitiveType::TriangleList:
        return "TriangleList";
    }
    return "?";
}

const char* TransformTypeName(TransformType type) {
    switch (type) {
    case TransformType::View:
        return "View";
    case TransformType::Projection:
        return "Projection";
    case TransformType::World:
        return "World";
    }
    return "?";
}

std::string HandleName(VertexBufferHandle buffer) {
    return buffer ? "vb" + std::to_string(buffer.id) : "null";
}
std::string HandleName(IndexBufferHandle buffer) {
    return buffer ? "ib" + std::to_string(buffer.id) : "null";
}
std::string HandleName(TextureHandle texture) {
    return texture ? "tex" + std::to_string(texture.id) : "null";
}

RecordingDevice::RecordingDevice() {
    ResetStates();
}

RecordingDevice::~RecordingDevice() = default;

std::vector<std::string> RecordingDevice::LogLines(std::string_view prefix) const {
    std::vector<std::string> lines;
    for (const auto& line : m_log)
        if (std::string_view(line).substr(0, prefix.size()) == prefix) lines.push_back(line);
    return lines;
}

void RecordingDevice::FailCall(std::string call, DeviceResult result, int skip) {
    m_failures.push_back({std::move(call), result, skip});
}

void RecordingDevice::SetLost(bool lost) {
    if (lost) {
        m_lost = true;
        m_needsReset = true;
    } else {
        m_lost = false;
    }
}

void RecordingDevice::Write(std::string line) {
    if (m_logging) m_log.push_back(std::move(line));
}

DeviceResult RecordingDevice::Planned(std::string_view call) {
    for (auto it = m_failures.begin(); it != m_failures.end(); ++it) {
        if (it->call != call) continue;
        if (it->skip > 0) {
            --it->skip;
            return DeviceResult::Ok;
        }
        DeviceResult result = it->result;
        m_failures.erase(it);
        return result;
    }
    return DeviceResult::Ok;
}

void RecordingDevice::ResetStates() {
    // The states a fresh or freshly reset device starts with.
    m_renderStates = {
        {static_cast<uint32_t>(RenderState::ZEnable), 1},
        {static_cast<uint32_t>(RenderState::FillMode), FillSolid},
        {static_cast<uint32_t>(RenderState::ShadeMode), ShadeGouraud},
        {static_cast<uint32_t>(RenderState::ZWriteEnable), 1},
        {static_cast<uint32_t>(RenderState::SrcBlend), BlendOne},
        {static_cast<uint32_t>(RenderState::DestBlend), BlendZero},
        {static_cast<uint32_t>(RenderState::CullMode), CullCounterClockwise},
        {static_cast<uint32_t>(RenderState::AlphaBlendEnable), 0},
        {static_cast<uint32_t>(RenderState::Lighting), 1},
        {static_cast<uint32_t>(RenderState::Ambient), 0},
        {static_cast<uint32_t>(RenderState::ColorVertex), 1},
    };
    m_stageStates.clear();
    for (uint32_t stage = 0; stage < 2; ++stage) {
        auto set = [&](TextureStageState s, uint32_t v) {
            m_stageStates[{stage, static_cast<uint32_t>(s)}] = v;
        };
        set(TextureStageState::ColorOp, stage == 0 ? OpModulate : OpDisable);
        set(TextureStageState::ColorArg1, ArgTexture);
        set(TextureStageState::ColorArg2, ArgCurrent);
        set(TextureStageState::AlphaOp, stage == 0 ? OpSelectArg1 : OpDisable);
        set(TextureStageState::AlphaArg1, ArgTexture);
        set(TextureStageState::AlphaArg2, ArgCurrent);
        set(TextureStageState::TexCoordIndex, stage);
    }
    m_samplerStates.clear();
    for (uint32_t sampler = 0; sampler < 2; ++sampler) {
        m_samplerStates[{sampler, static_cast<uint32_t>(SamplerState::MagFilter)}] = FilterPoint;
        m_samplerStates[{sampler, static_cast<uint32_t>(SamplerState::MinFilter)}] = FilterPoint;
        m_samplerStates[{sampler, static_cast<uint32_t>(SamplerState::MipFilter)}] = FilterNone;
    }
    m_boundTextures.clear();
    m_lights.clear();
    m_lightEnabled.clear();
    m_transforms.clear();
    m_material = Material{};
}

// --- resources -----------------------------------------------------------------

DeviceResult RecordingDevice::CreateVertexBuffer(uint32_t bytes, uint32_t usage, uint32_t format,
                                                 Pool pool, VertexBufferHandle& out) {
    DeviceResult result = Planned("CreateVertexBuffer");
    if (Succeeded(result) && bytes == 0) result = DeviceResult::InvalidCall;
    std::string line = "CreateVertexBuffer " + std::to_string(bytes) + " " + std::to_string(usage) +
                       " " + std::to_string(format) + " " + PoolName(pool);
    if (Succeeded(result)) {
        out = {m_nextId++};
        m_vertexBuffers[out.id] = {std::vector<uint8_t>(bytes), pool, false};
        line += " -> " + HandleName(out);
    }
    Write(line + Result(result));
    return result;
}

DeviceResult RecordingDevice::CreateIndexBuffer(uint32_t bytes, uint32_t usage, IndexFormat format,
                                                Pool pool, IndexBufferHandle& out) {
    DeviceResult result = Planned("CreateIndexBuffer");
    if (Succeeded(result) && bytes == 0) result = DeviceResult::InvalidCall;
    std::string line = "CreateIndexBuffer " + std::to_string(bytes) + " " + std::to_string(usage) +
                       " " + (format == IndexFormat::Index16 ? "Index16" : "Index32") + " " +
                       PoolName(pool);
    if (Succeeded(result)) {
        out = {m_nextId++};
        m_indexBuffers[out.id] = {std::vector<uint8_t>(bytes), pool, false};
        line += " -> " + HandleName(out);
    }
    Write(line + Result(result));
    return result;
}

DeviceResult RecordingDevice::CreateTexture(const TextureDesc& desc, std::span<const uint8_t> data,
                                            Pool pool, TextureHandle& out) {
    DeviceResult result = Planned("CreateTexture");
    size_t needed = 0;
    uint32_t w = desc.width, h = desc.height;
    for (uint32_t level = 0; level < desc.levels; ++level) {
        needed += TextureLevelBytes(desc.format, w, h);
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
    if (Succeeded(result) &&
        (desc.width == 0 || desc.height == 0 || desc.levels == 0 || data.size() < needed))
        result = DeviceResult::InvalidCall;
    std::string line =
        "CreateTexture " + std::to_string(desc.width) + "x" + std::to_string(desc.height) +
        " format " + std::to_string(static_cast<uint32_t>(desc.format)) + " levels " +
        std::to_string(desc.levels) + (desc.fullMipChain ? " full" : "") + " " + PoolName(pool);
    if (Succeeded(result)) {
        out = {m_nextId++};
        m_textures[out.id] = {desc, pool};
        line += " -> " + HandleName(out);
    }
    Write(line + Result(result));
    return result;
}

DeviceResult RecordingDevice::CreateRenderTarget(uint32_t width, uint32_t height,
                                                 TextureHandle& out) {
    DeviceResult result = Planned("CreateRenderTarget");
    std::string line = "CreateRenderTarget " + std::to_string(width) + "x" + std::to_string(height);
    if (Succeeded(result)) {
        out = {m_nextId++};
        m_textures[out.id] = {TextureDesc{TextureFormat::Rgbx8, width, height, 1, false},
                              Pool::Default};
        line += " -> " + HandleName(out);
    }
    Write(line + Result(result));
    return result;
}

void RecordingDevice::Release(VertexBufferHandle buffer) {
    if (m_vertexBuffers.erase(buffer.id)) Write("Release " + HandleName(buffer));
}
void RecordingDevice::Release(IndexBufferHandle buffer) {
    if (m_indexBuffers.erase(buffer.id)) Write("Release " + HandleName(buffer));
}
void RecordingDevice::Release(TextureHandle texture) {
    if (m_textures.erase(texture.id)) Write("Release " + HandleName(texture));
}

DeviceResult RecordingDevice::LockBuffer(std::map<uint32_t, Buffer>& buffers, uint32_t id,
                                         const char* prefix, LockMode mode,
                                         std::span<uint8_t>& out) {
    ++m_lockCount;
    out = {};
    DeviceResult result = Planned("Lock");
    auto it = buffers.find(id);
    if (Succeeded(result) && (it == buffers.end() || it->second.locked))
        result = DeviceResult::InvalidCall;
    if (Succeeded(result)) {
        it->second.locked = true;
        out = it->second.bytes;
    }
    if (m_logLocks)
        Write(std::string("Lock ") + prefix + std::to_string(id) +
              (mode == LockMode::ReadOnly ? " read" : "") + Result(result));
    return result;
}

DeviceResult RecordingDevice::UnlockBuffer(std::map<uint32_t, Buffer>& buffers, uint32_t id,
                                           const char* prefix) {
    auto it = buffers.find(id);
    DeviceResult result =
        it == buffers.end() || !it->second.locked ? DeviceResult::InvalidCall : DeviceResult::Ok;
    if (Succeeded(result)) it->second.locked = false;
    if (m_logLocks) Write(std::string("Unlock ") + prefix + std::to_string(id) + Result(result));
    return result;
}

DeviceResult RecordingDevice::Lock(VertexBufferHandle buffer, LockMode mode,
                                   std::span<uint8_t>& out) {
    return LockBuffer(m_vertexBuffers, buffer.id, "vb", mode, out);
}
DeviceResult RecordingDevice::Lock(IndexBufferHandle buffer, LockMode mode,
                                   std::span<uint8_t>& out) {
    return LockBuffer(m_indexBuffers, buffer.id, "ib", mode, out);
}
DeviceResult RecordingDevice::Unlock(VertexBufferHandle buffer) {
    return UnlockBuffer(m_vertexBuffers, buffer.id, "vb");
}
DeviceResult RecordingDevice::Unlock(IndexBufferHandle buffer) {
    return UnlockBuffer(m_indexBuffers, buffer.id, "ib");
}

bool RecordingDevice::GetTextureDesc(TextureHandle texture, TextureDesc& out) const {
    auto it = m_textures.find(texture.id);
    if (it == m_textures.end()) return false;
    out = it->second.desc;
    return true;
}

DeviceResult RecordingDevice::ReadRenderTarget(TextureHandle target, std::vector<uint8_t>& rgba) {
    DeviceResult result = Planned("ReadRenderTarget");
    auto it = m_textures.find(target.id);
    if (Succeeded(result) && it == m_textures.end()) result = DeviceResult::InvalidCall;
    if (Succeeded(result))
        rgba.assign(static_cast<size_t>(it->second.desc.width) * it->second.desc.height * 4, 0);
    Write("ReadRenderTarget " + HandleName(target) + Result(result));
    return result;
}

std::vector<uint8_t> RecordingDevice::VertexBytes(VertexBufferHandle buffer) const {
    auto it = m_vertexBuffers.find(buffer.id);
    return it == m_vertexBuffers.end() ? std::vector<uint8_t>() : it->second.bytes;
}

std::vector<uint8_t> RecordingDevice::IndexBytes(IndexBufferHandle buffer) const {
    auto it = m_indexBuffers.find(buffer.id);
    return it == m_indexBuffers.end() ? std::vector<uint8_t>() : it->second.bytes;
}

size_t RecordingDevice::LiveDefaultPoolResources() const {
    size_t count = 0;
    for (const auto& [id, b] : m_vertexBuffers)
        count += b.pool == Pool::Default;
    for (const auto& [id, b] : m_indexBuffers)
        count += b.pool == Pool::Default;
    for (const auto& [id, t] : m_textures)
        count += t.pool == Pool::Default;
    return count;
}

// --- states ---------------------------------------------------------------------

uint32_t RecordingDevice::RenderStateValue(RenderState state) const {
    auto it = m_renderStates.find(static_cast<uint32_t>(state));
    return it == m_renderStates.end() ? 0 : it->second;
}

uint32_t RecordingDevice::TextureStageValue(uint32_t stage, TextureStageState state) const {
    auto it = m_stageStates.find({stage, static_cast<uint32_t>(state)});
    return it == m_stageStates.end() ? 0 : it->second;
}

uint32_t RecordingDevice::SamplerValue(uint32_t sampler, SamplerState state) const {
    auto it = m_samplerStates.find({sampler, static_cast<uint32_t>(state)});
    return it == m_samplerStates.end() ? 0 : it->second;
}

TextureHandle RecordingDevice::BoundTexture(uint32_t stage) const {
    auto it = m_boundTextures.find(stage);
    return it == m_boundTextures.end() ? TextureHandle{} : it->second;
}

const Light& RecordingDevice::LightAt(uint32_t index) const {
    static const Light none;
    auto it = m_lights.find(index);
    return it == m_lights.end() ? none : it->second;
}

bool RecordingDevice::LightEnabled(uint32_t index) const {
    auto it = m_lightEnabled.find(index);
    return it != m_lightEnabled.end() && it->second;
}

void RecordingDevice::SetRenderState(RenderState state, uint32_t value) {
    m_renderStates[static_cast<uint32_t>(state)] = value;
    Write(std::string("SetRenderState ") + RenderStateName(state) + " " + std::to_string(value));
}

void RecordingDevice::SetTextureStageState(uint32_t stage, TextureStageState state,
                                           uint32_t value) {
    m_stageStates[{stage, static_cast<uint32_t>(state)}] = value;
    Write("SetTextureStageState " + std::to_string(stage) + " " + TextureStageStateName(state) +
          " " + std::to_string(value));
}

void RecordingDevice::SetSamplerState(uint32_t sampler, SamplerState state, uint32_t value) {
    m_samplerStates[{sampler, static_cast<uint32_t>(state)}] = value;
    Write("SetSamplerState " + std::to_string(sampler) + " " + SamplerStateName(state) + " " +
          std::to_string(value));
}

void RecordingDevice::SetTexture(uint32_t stage, TextureHandle texture) {
    m_boundTextures[stage] = texture;
    Write("SetTexture " + std::to_string(stage) + " " + HandleName(texture));
}

void RecordingDevice::SetMaterial(const Material& material) {
    m_material = material;
    Write("SetMaterial d=" + Colour(material.diffuse) + " a=" + Colour(material.ambient) +
          " s=" + Colour(material.specular) + " e=" + Colour(material.emissive) +
          " p=" + Number(material.power));
}

void RecordingDevice::SetLight(uint32_t index, const Light& light) {
    m_lights[index] = light;
    Write("SetLight " + std::to_string(index) + " d=" + Colour(light.diffuse) +
          " dir=" + Vector(light.direction) + " range=" + Number(light.range));
}

void RecordingDevice::LightEnable(uint32_t index, bool enable) {
    m_lightEnabled[index] = enable;
    Write("LightEnable " + std::to_string(index) + " " + (enable ? "1" : "0"));
}

void RecordingDevice::SetTransform(TransformType type, const glm::mat4& matrix) {
    m_transforms[static_cast<uint32_t>(type)] = matrix;
    Write(std::string("SetTransform ") + TransformTypeName(type) + " t=" + Vector(matrix[3]));
}

glm::mat4 RecordingDevice::GetTransform(TransformType type) const {
    auto it = m_transforms.find(static_cast<uint32_t>(type));
    return it == m_transforms.end() ? glm::mat4(1.0f) : it->second;
}

void RecordingDevice::SetViewport(const Viewport& v) {
    Write("SetViewport " + std::to_string(v.x) + " " + std::to_string(v.y) + " " +
          std::to_string(v.width) + " " + std::to_string(v.height));
}

DeviceResult RecordingDevice::SetRenderTarget(TextureHandle target) {
    DeviceResult result = Planned("SetRenderTarget");
    if (Succeeded(result) && target && !m_textures.count(target.id))
        result = DeviceResult::InvalidCall;
    Write("SetRenderTarget " + HandleName(target) + Result(result));
    return result;
}

// --- drawing --------------------------------------------------------------------

void RecordingDevice::SetFVF(uint32_t format) {
    Write("SetFVF " + std::to_string(format));
}

void RecordingDevice::SetStreamSource(uint32_t stream, VertexBufferHandle buffer, uint32_t offset,
                                      uint32_t stride) {
    Write("SetStreamSource " + std::to_string(stream) + " " + HandleName(buffer) + " " +
          std::to_string(offset) + " " + std::to_string(stride));
}

void RecordingDevice::SetIndices(IndexBufferHandle buffer) {
    Write("SetIndices " + HandleName(buffer));
}

DeviceResult RecordingDevice::DrawIndexedPrimitive(PrimitiveType type, int32_t baseVertex,
                                                   uint32_t minIndex, uint32_t vertexCount,
                                                   uint32_t startIndex, uint32_t primitiveCount) {
    DeviceResult result = Planned("DrawIndexedPrimitive");
    Write(std::string("DrawIndexedPrimitive ") + PrimitiveTypeName(type) + " " +
          std::to_string(baseVertex) + " " + std::to_string(minIndex) + " " +
          std::to_string(vertexCount) + " " + std::to_string(startIndex) + " " +
          std::to_string(primitiveCount) + Result(result));
    return result;
}

DeviceResult RecordingDevice::DrawPrimitive(PrimitiveType type, uint32_t startVertex,
                                            uint32_t primitiveCount) {
    DeviceResult result = Planned("DrawPrimitive");
    Write(std::string("DrawPrimitive ") + PrimitiveTypeName(type) + " " +
          std::to_string(startVertex) + " " + std::to_string(primitiveCount) + Result(result));
    return result;
}

DeviceResult RecordingDevice::DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount,
                                              std::span<const uint8_t> vertices, uint32_t stride) {
    DeviceResult result = Planned("DrawPrimitiveUP");
    Write(std::string("DrawPrimitiveUP ") + PrimitiveTypeName(type) + " " +
          std::to_string(primitiveCount) + " " + std::to_string(vertices.size()) + " " +
          std::to_string(stride) + Result(result));
    return result;
}

void RecordingDevice::DrawText(int x, int y, uint32_t argb, std::string_view text) {
    char colour[16];
    std::snprintf(colour, sizeof colour, "%08X", argb);
    Write("DrawText " + std::to_string(x) + " " + std::to_string(y) + " " + colour + " " +
          std::string(text));
}

DeviceResult RecordingDevice::ValidateDevice() {
    DeviceResult result = Planned("ValidateDevice");
    Write("ValidateDevice" + Result(result));
    return result;
}

// --- frame ----------------------------------------------------------------------

DeviceResult RecordingDevice::Clear(uint32_t flags, uint32_t argb, float z) {
    DeviceResult result = Planned("Clear");
    char text[64];
    std::snprintf(text, sizeof text, "Clear %u %08X %g", flags, argb, static_cast<double>(z));
    Write(text + Result(result));
    return result;
}

DeviceResult RecordingDevice::BeginScene() {
    DeviceResult result = Planned("BeginScene");
    if (Succeeded(result) && m_inScene) result = DeviceResult::InvalidCall;
    if (Succeeded(result)) m_inScene = true;
    Write("BeginScene" + Result(result));
    return result;
}

DeviceResult RecordingDevice::EndScene() {
    DeviceResult result = Planned("EndScene");
    if (Succeeded(result) && !m_inScene) result = DeviceResult::InvalidCall;
    if (Succeeded(result)) m_inScene = false;
    Write("EndScene" + Result(result));
    return result;
}

DeviceResult RecordingDevice::Present() {
    DeviceResult result = Planned("Present");
    if (Succeeded(result) && m_needsReset) result = DeviceResult::DeviceLost;
    Write("Present" + Result(result));
    return result;
}

DeviceResult RecordingDevice::TestCooperativeLevel() {
    DeviceResult result = Planned("TestCooperativeLevel");
    if (Succeeded(result) && m_needsReset)
        result = m_lost ? DeviceResult::DeviceLost : DeviceResult::DeviceNotReset;
    Write("TestCooperativeLevel" + Result(result));
    return result;
}

DeviceResult RecordingDevice::Reset(const PresentParameters& parameters) {
    DeviceResult result = Planned("Reset");
    // As with the real thing, a reset is refused while the device is still
    // lost or while anything of the default pool is alive.
    if (Succeeded(result) && (m_lost || LiveDefaultPoolResources() > 0))
        result = DeviceResult::InvalidCall;
    if (Succeeded(result)) {
        m_present = parameters;
        m_needsReset = false;
        m_inScene = false;
        ResetStates();
    }
    Write("Reset " + std::to_string(parameters.backBufferWidth) + "x" +
          std::to_string(parameters.backBufferHeight) + (parameters.windowed ? " windowed" : "") +
          Result(result));
    return result;
}

} // namespace view3d
