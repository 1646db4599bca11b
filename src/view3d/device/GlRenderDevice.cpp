#include "view3d/device/GlRenderDevice.h"

#include "view3d/device/GlFixedFunctionProgram.h"

#include <epoxy/gl.h>

#include <algorithm>

namespace view3d {

namespace {

GLenum BlendFactor(uint32_t blend) {
    switch (blend) {
    case BlendZero:
        return GL_ZERO;
    case BlendSrcAlpha:
        return GL_SRC_ALPHA;
    case BlendInvSrcAlpha:
        return GL_ONE_MINUS_SRC_ALPHA;
    default:
        return GL_ONE;
    }
}

glm::vec4 ArgbToVec4(uint32_t argb) {
    return glm::vec4(static_cast<float>((argb >> 16) & 0xFF),
                     static_cast<float>((argb >> 8) & 0xFF), static_cast<float>(argb & 0xFF),
                     static_cast<float>(argb >> 24)) /
           255.0f;
}

} // namespace

GlRenderDevice::GlRenderDevice() = default;

std::unique_ptr<GlRenderDevice> GlRenderDevice::Create(const PresentParameters& parameters,
                                                       std::string* error) {
    const GLubyte* version = glGetString(GL_VERSION);
    if (!version) {
        if (error) *error = "no OpenGL context is current";
        return nullptr;
    }
    if (epoxy_gl_version() < 33 || !epoxy_is_desktop_gl()) {
        if (error)
            *error = std::string("OpenGL 3.3 is needed, the context offers ") +
                     reinterpret_cast<const char*>(version);
        return nullptr;
    }
    std::unique_ptr<GlRenderDevice> device(new GlRenderDevice());
    if (!device->MakeContextObjects(error)) return nullptr;
    const GLubyte* renderer = glGetString(GL_RENDERER);
    device->m_rendererName = renderer ? reinterpret_cast<const char*>(renderer) : "";
    device->m_present = parameters;
    device->ResetStates();
    return device;
}

GlRenderDevice::~GlRenderDevice() {
    if (!m_contextLost) DeleteContextObjects();
}

bool GlRenderDevice::MakeContextObjects(std::string* error) {
    m_program = std::make_unique<GlFixedFunctionProgram>();
    if (!m_program->Build(error)) {
        m_program.reset();
        return false;
    }
    glGenVertexArrays(1, &m_vertexArray);
    glGenBuffers(1, &m_streamBuffer);
    glGenSamplers(2, m_samplers.data());
    m_hasS3tc = epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc");
    m_compressedUpload = m_hasS3tc;
    m_maxAnisotropy = 1.0f;
    if (epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic")) {
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &m_maxAnisotropy);
        // Eight samples already make the ground sharp at a grazing angle;
        // more costs software renderers dearly for little gain.
        m_maxAnisotropy = std::min(m_maxAnisotropy, 8.0f);
    }
    // Flat shading takes the colour of a triangle's first vertex.
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    return true;
}

void GlRenderDevice::DeleteContextObjects() {
    for (auto* buffers : {&m_vertexBuffers, &m_indexBuffers}) {
        for (auto& [id, buffer] : *buffers) {
            if (buffer.name) glDeleteBuffers(1, &buffer.name);
            buffer.name = 0;
        }
    }
    for (auto& [id, texture] : m_textures) {
        if (texture.framebuffer) glDeleteFramebuffers(1, &texture.framebuffer);
        if (texture.depthBuffer) glDeleteRenderbuffers(1, &texture.depthBuffer);
        if (texture.name) glDeleteTextures(1, &texture.name);
        texture.framebuffer = texture.depthBuffer = texture.name = 0;
    }
    if (m_vertexArray) glDeleteVertexArrays(1, &m_vertexArray);
    if (m_streamBuffer) glDeleteBuffers(1, &m_streamBuffer);
    if (m_samplers[0]) glDeleteSamplers(2, m_samplers.data());
    m_vertexArray = m_streamBuffer = 0;
    m_samplers = {};
    m_program.reset();
}

void GlRenderDevice::ContextLost() {
    if (m_contextLost) return;
    DeleteContextObjects();
    m_contextLost = true;
    m_contextRestored = false;
    m_inScene = false;
}

void GlRenderDevice::ContextRestored() {
    if (m_contextLost) m_contextRestored = true;
}

void GlRenderDevice::ResetStates() {
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
    for (uint32_t s = 0; s < 2; ++s) {
        Stage& stage = m_stages[s];
        stage = Stage{};
        stage.colour = {0,          s == 0 ? OpModulate : OpDisable,   ArgTexture,
                        ArgCurrent, s == 0 ? OpSelectArg1 : OpDisable, ArgTexture,
                        ArgCurrent};
        stage.texCoordIndex = s;
        stage.sampler = {FilterPoint, FilterPoint, FilterNone};
        if (m_samplers[s]) ApplySampler(s);
    }
    m_material = Material{};
    m_lights = {};
    m_lightOn = {};
    m_world = m_view = m_projection = glm::mat4(1.0f);
    m_format = 0;
    m_stream = {};
    m_indices = {};
    m_renderTarget = {};
    m_viewport = Viewport{0, 0, m_present.backBufferWidth, m_present.backBufferHeight, 0.0f, 1.0f};
}

uint32_t GlRenderDevice::TextureFilterCaps() const {
    uint32_t caps = CapMinFilterPoint | CapMinFilterLinear;
    if (m_maxAnisotropy > 1.0f) caps |= CapMinFilterAnisotropic;
    return caps;
}

// --- states ----------------------------------------------------------------

void GlRenderDevice::SetRenderState(RenderState state, uint32_t value) {
    m_renderStates[static_cast<uint32_t>(state)] = value;
}

void GlRenderDevice::SetTextureStageState(uint32_t stage, TextureStageState state, uint32_t value) {
    if (stage >= m_stages.size()) return;
    uint32_t index = static_cast<uint32_t>(state);
    if (state == TextureStageState::TexCoordIndex)
        m_stages[stage].texCoordIndex = value;
    else if (index >= 1 && index <= 6)
        m_stages[stage].colour[index] = value;
}

void GlRenderDevice::SetSamplerState(uint32_t sampler, SamplerState state, uint32_t value) {
    if (sampler >= m_stages.size()) return;
    uint32_t index = static_cast<uint32_t>(state) - static_cast<uint32_t>(SamplerState::MagFilter);
    if (index >= 3) return;
    m_stages[sampler].sampler[index] = value;
    if (m_samplers[sampler]) ApplySampler(sampler);
}

void GlRenderDevice::ApplySampler(uint32_t stage) {
    uint32_t mag = m_stages[stage].sampler[0];
    uint32_t min = m_stages[stage].sampler[1];
    uint32_t mip = m_stages[stage].sampler[2];
    bool linear = min >= FilterLinear;
    GLint minFilter;
    if (mip == FilterNone)
        minFilter = linear ? GL_LINEAR : GL_NEAREST;
    else if (mip == FilterPoint)
        minFilter = linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    else
        minFilter = linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    GLuint sampler = m_samplers[stage];
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, minFilter);
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER,
                        mag >= FilterLinear ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_REPEAT);
    if (TextureFilterCaps() & CapMinFilterAnisotropic) {
        bool anisotropic = min == FilterAnisotropic || mag == FilterAnisotropic;
        glSamplerParameterf(sampler, GL_TEXTURE_MAX_ANISOTROPY_EXT,
                            anisotropic ? m_maxAnisotropy : 1.0f);
    }
}

void GlRenderDevice::SetTexture(uint32_t stage, TextureHandle texture) {
    if (stage < m_stages.size()) m_stages[stage].texture = texture;
}

void GlRenderDevice::SetMaterial(const Material& material) {
    m_material = material;
}

void GlRenderDevice::SetLight(uint32_t index, const Light& light) {
    if (index < m_lights.size()) m_lights[index] = light;
}

void GlRenderDevice::LightEnable(uint32_t index, bool enable) {
    if (index < m_lightOn.size()) m_lightOn[index] = enable;
}

void GlRenderDevice::SetTransform(TransformType type, const glm::mat4& matrix) {
    switch (type) {
    case TransformType::World:
        m_world = matrix;
        break;
    case TransformType::View:
        m_view = matrix;
        break;
    case TransformType::Projection:
        m_projection = matrix;
        break;
    }
}

glm::mat4 GlRenderDevice::GetTransform(TransformType type) const {
    switch (type) {
    case TransformType::World:
        return m_world;
    case TransformType::View:
        return m_view;
    case TransformType::Projection:
        return m_projection;
    }
    return glm::mat4(1.0f);
}

void GlRenderDevice::SetViewport(const Viewport& viewport) {
    m_viewport = viewport;
}

uint32_t GlRenderDevice::TargetHeight() const {
    auto found = m_textures.find(m_renderTarget.id);
    if (m_renderTarget && found != m_textures.end()) return found->second.desc.height;
    return m_present.backBufferHeight;
}

void GlRenderDevice::ForgetAppliedStates() {
    m_applied.valid = false;
    m_applied.layoutValid = false;
    m_applied.unitsValid = false;
    m_applied.indicesValid = false;
    if (m_program) m_program->Forget();
}

void GlRenderDevice::ApplyViewport() {
    GLuint framebuffer = m_backBufferFbo;
    auto found = m_textures.find(m_renderTarget.id);
    if (m_renderTarget && found != m_textures.end()) framebuffer = found->second.framebuffer;
    if (m_applied.valid && m_applied.framebuffer == framebuffer &&
        m_applied.viewport.x == m_viewport.x && m_applied.viewport.y == m_viewport.y &&
        m_applied.viewport.width == m_viewport.width &&
        m_applied.viewport.height == m_viewport.height &&
        m_applied.viewport.minZ == m_viewport.minZ && m_applied.viewport.maxZ == m_viewport.maxZ)
        return;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    // The scene counts rows from the top, OpenGL from the bottom.
    int64_t y = int64_t{TargetHeight()} - m_viewport.y - m_viewport.height;
    glViewport(static_cast<GLint>(m_viewport.x), static_cast<GLint>(y),
               static_cast<GLsizei>(m_viewport.width), static_cast<GLsizei>(m_viewport.height));
    glDepthRange(m_viewport.minZ, m_viewport.maxZ);
    m_applied.framebuffer = framebuffer;
    m_applied.viewport = m_viewport;
}

void GlRenderDevice::ApplyFixedStates() {
    auto state = [&](RenderState s) { return m_renderStates[static_cast<uint32_t>(s)]; };
    const std::array<uint32_t, 7> fixed = {
        state(RenderState::ZEnable),          state(RenderState::ZWriteEnable),
        state(RenderState::AlphaBlendEnable), state(RenderState::SrcBlend),
        state(RenderState::DestBlend),        state(RenderState::CullMode),
        state(RenderState::FillMode)};
    if (m_applied.valid && m_applied.fixed == fixed) return;
    if (state(RenderState::ZEnable)) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthMask(state(RenderState::ZWriteEnable) ? GL_TRUE : GL_FALSE);
    if (state(RenderState::AlphaBlendEnable)) {
        glEnable(GL_BLEND);
        glBlendFunc(BlendFactor(state(RenderState::SrcBlend)),
                    BlendFactor(state(RenderState::DestBlend)));
    } else {
        glDisable(GL_BLEND);
    }
    // The scene names the winding it removes as seen on the screen;
    // OpenGL names the winding it keeps.
    switch (state(RenderState::CullMode)) {
    case CullClockwise:
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        glCullFace(GL_BACK);
        break;
    case CullCounterClockwise:
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CW);
        glCullFace(GL_BACK);
        break;
    default:
        glDisable(GL_CULL_FACE);
        break;
    }
    uint32_t fill = state(RenderState::FillMode);
    glPolygonMode(GL_FRONT_AND_BACK, fill == FillPoint       ? GL_POINT
                                     : fill == FillWireframe ? GL_LINE
                                                             : GL_FILL);
    m_applied.fixed = fixed;
    m_applied.valid = true;
}

// --- the frame ---------------------------------------------------------------

DeviceResult GlRenderDevice::Clear(uint32_t flags, uint32_t argb, float z) {
    if (m_contextLost) return DeviceResult::DeviceLost;
    // A frame starts here: whatever drew since the last one set its own states.
    ForgetAppliedStates();
    ApplyViewport();
    // A clear covers the viewport only, and always reaches the depth
    // buffer, whatever the depth-write state says.
    glEnable(GL_SCISSOR_TEST);
    int64_t y = int64_t{TargetHeight()} - m_viewport.y - m_viewport.height;
    glScissor(static_cast<GLint>(m_viewport.x), static_cast<GLint>(y),
              static_cast<GLsizei>(m_viewport.width), static_cast<GLsizei>(m_viewport.height));
    GLbitfield mask = 0;
    if (flags & ClearTarget) {
        glm::vec4 c = ArgbToVec4(argb);
        glClearColor(c.r, c.g, c.b, c.a);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & ClearZBuffer) {
        glDepthMask(GL_TRUE);
        glClearDepth(z);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    glClear(mask);
    glDisable(GL_SCISSOR_TEST);
    return DeviceResult::Ok;
}

DeviceResult GlRenderDevice::BeginScene() {
    if (m_contextLost) return DeviceResult::DeviceLost;
    if (m_inScene) return DeviceResult::InvalidCall;
    m_inScene = true;
    ForgetAppliedStates();
    ApplyViewport();
    return DeviceResult::Ok;
}

DeviceResult GlRenderDevice::EndScene() {
    if (!m_inScene) return DeviceResult::InvalidCall;
    m_inScene = false;
    return DeviceResult::Ok;
}

DeviceResult GlRenderDevice::Present() {
    if (m_contextLost) return DeviceResult::DeviceLost;
    // The window system shows the frame (the widget swaps its buffers);
    // here the commands are only sent on their way.
    glFlush();
    return DeviceResult::Ok;
}

DeviceResult GlRenderDevice::TestCooperativeLevel() {
    if (!m_contextLost) return DeviceResult::Ok;
    return m_contextRestored ? DeviceResult::DeviceNotReset : DeviceResult::DeviceLost;
}

DeviceResult GlRenderDevice::Reset(const PresentParameters& parameters) {
    ForgetAppliedStates();
    if (m_contextLost && !m_contextRestored) return DeviceResult::DeviceLost;
    if (m_inScene) return DeviceResult::InvalidCall;
    for (auto* buffers : {&m_vertexBuffers, &m_indexBuffers})
        for (auto& [id, buffer] : *buffers)
            if (buffer.pool == Pool::Default) return DeviceResult::InvalidCall;
    for (auto& [id, texture] : m_textures)
        if (texture.pool == Pool::Default) return DeviceResult::InvalidCall;

    if (m_contextLost) {
        if (!MakeContextObjects(nullptr)) return DeviceResult::Fail;
        for (auto& [id, buffer] : m_vertexBuffers)
            if (DeviceResult r = UploadBuffer(buffer); !Succeeded(r)) return r;
        for (auto& [id, buffer] : m_indexBuffers)
            if (DeviceResult r = UploadBuffer(buffer); !Succeeded(r)) return r;
        for (auto& [id, texture] : m_textures)
            if (DeviceResult r = UploadTexture(texture); !Succeeded(r)) return r;
        m_contextLost = m_contextRestored = false;
    }
    m_present = parameters;
    ResetStates();
    return DeviceResult::Ok;
}

void GlRenderDevice::DrawText(int, int, uint32_t, std::string_view) {}

DeviceResult GlRenderDevice::ValidateDevice() {
    return m_contextLost ? DeviceResult::DeviceLost : DeviceResult::Ok;
}

} // namespace view3d
