#include "view3d/device/GlRenderDevice.h"

#include "view3d/TextureImage.h"

#include <epoxy/gl.h>

#include <algorithm>

namespace view3d {

namespace {

// Any error left over means the driver could not take the resource; running
// out of memory is told apart because the view reacts to it differently.
DeviceResult TakeGlError() {
    GLenum error = glGetError();
    DeviceResult result = DeviceResult::Ok;
    while (error != GL_NO_ERROR) {
        if (result == DeviceResult::Ok)
            result =
                error == GL_OUT_OF_MEMORY ? DeviceResult::OutOfVideoMemory : DeviceResult::Fail;
        error = glGetError();
    }
    return result;
}

TexelFormat TexelFormatOf(TextureFormat format) {
    switch (format) {
    case TextureFormat::Dxt1:
        return TexelFormat::Dxt1;
    case TextureFormat::Dxt3:
        return TexelFormat::Dxt3;
    case TextureFormat::Dxt5:
        return TexelFormat::Dxt5;
    default:
        return TexelFormat::Rgba8;
    }
}

GLenum CompressedFormat(TexelFormat format) {
    switch (format) {
    case TexelFormat::Dxt1:
        return GL_COMPRESSED_RGBA_S3TC_DXT1_EXT;
    case TexelFormat::Dxt3:
        return GL_COMPRESSED_RGBA_S3TC_DXT3_EXT;
    default:
        return GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
    }
}

// Splits the bytes a texture was made from into its levels.
TextureImage LevelsOf(const TextureDesc& desc, const std::vector<uint8_t>& data) {
    TextureImage image;
    image.format = TexelFormatOf(desc.format);
    image.alphaChannel = desc.format != TextureFormat::Rgbx8;
    size_t offset = 0;
    uint32_t w = desc.width, h = desc.height;
    for (uint32_t level = 0; level < desc.levels; ++level) {
        size_t size = TextureLevelBytes(desc.format, w, h);
        TextureLevel l;
        l.width = w;
        l.height = h;
        l.data.assign(data.begin() + static_cast<ptrdiff_t>(offset),
                      data.begin() + static_cast<ptrdiff_t>(offset + size));
        image.levels.push_back(std::move(l));
        offset += size;
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
    return image;
}

} // namespace

// --- buffers -------------------------------------------------------------------

DeviceResult GlRenderDevice::UploadBuffer(Buffer& buffer) {
    if (!buffer.name) glGenBuffers(1, &buffer.name);
    // Uploads go through a target that no vertex array remembers, so an
    // index buffer can be filled without touching the drawing state.
    glBindBuffer(GL_COPY_WRITE_BUFFER, buffer.name);
    glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(buffer.bytes.size()),
                 buffer.bytes.data(), GL_DYNAMIC_DRAW);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    return TakeGlError();
}

DeviceResult GlRenderDevice::CreateVertexBuffer(uint32_t bytes, uint32_t, uint32_t format,
                                                Pool pool, VertexBufferHandle& out) {
    if (m_contextLost) return DeviceResult::DeviceLost;
    if (bytes == 0) return DeviceResult::InvalidCall;
    Buffer buffer;
    buffer.bytes.assign(bytes, 0);
    buffer.pool = pool;
    buffer.format = format;
    if (DeviceResult r = UploadBuffer(buffer); !Succeeded(r)) {
        glDeleteBuffers(1, &buffer.name);
        return r;
    }
    uint32_t id = m_nextHandle++;
    m_vertexBuffers.emplace(id, std::move(buffer));
    out = VertexBufferHandle{id};
    return DeviceResult::Ok;
}

DeviceResult GlRenderDevice::CreateIndexBuffer(uint32_t bytes, uint32_t, IndexFormat format,
                                               Pool pool, IndexBufferHandle& out) {
    if (m_contextLost) return DeviceResult::DeviceLost;
    if (bytes == 0) return DeviceResult::InvalidCall;
    Buffer buffer;
    buffer.bytes.assign(bytes, 0);
    buffer.pool = pool;
    buffer.format = format == IndexFormat::Index32 ? 4 : 2;
    if (DeviceResult r = UploadBuffer(buffer); !Succeeded(r)) {
        glDeleteBuffers(1, &buffer.name);
        return r;
    }
    uint32_t id = m_nextHandle++;
    m_indexBuffers.emplace(id, std::move(buffer));
    out = IndexBufferHandle{id};
    return DeviceResult::Ok;
}

GlRenderDevice::Buffer* GlRenderDevice::FindVertexBuffer(VertexBufferHandle handle) {
    auto found = m_vertexBuffers.find(handle.id);
    return found == m_vertexBuffers.end() ? nullptr : &found->second;
}

GlRenderDevice::Buffer* GlRenderDevice::FindIndexBuffer(IndexBufferHandle handle) {
    auto found = m_indexBuffers.find(handle.id);
    return found == m_indexBuffers.end() ? nullptr : &found->second;
}

GlRenderDevice::Texture* GlRenderDevice::FindTexture(TextureHandle handle) {
    auto found = m_textures.find(handle.id);
    return found == m_textures.end() ? nullptr : &found->second;
}

void GlRenderDevice::Release(VertexBufferHandle handle) {
    // A name deleted now may come back for another buffer.
    m_applied.layoutValid = false;
    auto found = m_vertexBuffers.find(handle.id);
    if (found == m_vertexBuffers.end()) return;
    if (found->second.name) glDeleteBuffers(1, &found->second.name);
    m_vertexBuffers.erase(found);
    if (m_stream.buffer == handle) m_stream = {};
}

void GlRenderDevice::Release(IndexBufferHandle handle) {
    m_applied.indicesValid = false;
    auto found = m_indexBuffers.find(handle.id);
    if (found == m_indexBuffers.end()) return;
    if (found->second.name) glDeleteBuffers(1, &found->second.name);
    m_indexBuffers.erase(found);
    if (m_indices == handle) m_indices = {};
}

DeviceResult GlRenderDevice::LockBuffer(Buffer* buffer, LockMode mode, std::span<uint8_t>& out) {
    out = {};
    if (!buffer || buffer->locked) return DeviceResult::InvalidCall;
    buffer->locked = true;
    buffer->lockedReadOnly = mode == LockMode::ReadOnly;
    out = std::span<uint8_t>(buffer->bytes);
    return DeviceResult::Ok;
}

DeviceResult GlRenderDevice::UnlockBuffer(Buffer* buffer) {
    if (!buffer || !buffer->locked) return DeviceResult::InvalidCall;
    buffer->locked = false;
    // The kept copy is the truth; the driver's copy follows it on unlock
    // (or when the context comes back).
    if (buffer->lockedReadOnly || !buffer->name) return DeviceResult::Ok;
    glBindBuffer(GL_COPY_WRITE_BUFFER, buffer->name);
    glBufferSubData(GL_COPY_WRITE_BUFFER, 0, static_cast<GLsizeiptr>(buffer->bytes.size()),
                    buffer->bytes.data());
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    return TakeGlError();
}

DeviceResult GlRenderDevice::Lock(VertexBufferHandle buffer, LockMode mode,
                                  std::span<uint8_t>& out) {
    return LockBuffer(FindVertexBuffer(buffer), mode, out);
}

DeviceResult GlRenderDevice::Lock(IndexBufferHandle buffer, LockMode mode,
                                  std::span<uint8_t>& out) {
    return LockBuffer(FindIndexBuffer(buffer), mode, out);
}

DeviceResult GlRenderDevice::Unlock(VertexBufferHandle buffer) {
    return UnlockBuffer(FindVertexBuffer(buffer));
}

DeviceResult GlRenderDevice::Unlock(IndexBufferHandle buffer) {
    return UnlockBuffer(FindIndexBuffer(buffer));
}

// --- textures ------------------------------------------------------------------

DeviceResult GlRenderDevice::UploadTexture(Texture& texture) {
    m_applied.unitsValid = false;
    if (texture.renderTarget) return MakeRenderTargetObjects(texture);
    TextureImage image = LevelsOf(texture.desc, texture.data);
    if (image.Compressed() && !m_compressedUpload) DecompressImage(image);
    if (texture.desc.fullMipChain) PrepareMipLevels(image, true);

    if (!texture.name) glGenTextures(1, &texture.name);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture.name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // Without this, a texture of one level sampled with a mip filter would
    // count as incomplete and draw black.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL,
                    static_cast<GLint>(image.levels.size()) - 1);
    if (texture.desc.format == TextureFormat::Rgbx8)
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
    for (size_t i = 0; i < image.levels.size(); ++i) {
        const TextureLevel& level = image.levels[i];
        if (image.Compressed()) {
            glCompressedTexImage2D(
                GL_TEXTURE_2D, static_cast<GLint>(i), CompressedFormat(image.format),
                static_cast<GLsizei>(level.width), static_cast<GLsizei>(level.height), 0,
                static_cast<GLsizei>(level.data.size()), level.data.data());
        } else {
            glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), GL_RGBA8,
                         static_cast<GLsizei>(level.width), static_cast<GLsizei>(level.height), 0,
                         GL_RGBA, GL_UNSIGNED_BYTE, level.data.data());
        }
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    // Others drawing in the same context (the window's own text) expect the
    // default row alignment.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    return TakeGlError();
}

DeviceResult GlRenderDevice::CreateTexture(const TextureDesc& desc, std::span<const uint8_t> data,
                                           Pool pool, TextureHandle& out) {
    if (m_contextLost) return DeviceResult::DeviceLost;
    if (desc.width == 0 || desc.height == 0 || desc.width > kMaxTextureSide ||
        desc.height > kMaxTextureSide || desc.levels == 0 ||
        desc.levels > FullMipCount(desc.width, desc.height))
        return DeviceResult::InvalidCall;
    size_t needed = 0;
    for (uint32_t level = 0, w = desc.width, h = desc.height; level < desc.levels; ++level) {
        needed += TextureLevelBytes(desc.format, w, h);
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
    if (data.size() < needed) return DeviceResult::InvalidCall;

    Texture texture;
    texture.desc = desc;
    texture.pool = pool;
    texture.data.assign(data.begin(), data.begin() + static_cast<ptrdiff_t>(needed));
    if (DeviceResult r = UploadTexture(texture); !Succeeded(r)) {
        glDeleteTextures(1, &texture.name);
        return r;
    }
    uint32_t id = m_nextHandle++;
    m_textures.emplace(id, std::move(texture));
    out = TextureHandle{id};
    return DeviceResult::Ok;
}

DeviceResult GlRenderDevice::MakeRenderTargetObjects(Texture& texture) {
    m_applied.unitsValid = false;
    GLsizei w = static_cast<GLsizei>(texture.desc.width);
    GLsizei h = static_cast<GLsizei>(texture.desc.height);
    glGenTextures(1, &texture.name);
    glBindTexture(GL_TEXTURE_2D, texture.name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenRenderbuffers(1, &texture.depthBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, texture.depthBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, w, h);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glGenFramebuffers(1, &texture.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, texture.framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture.name, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              texture.depthBuffer);
    bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, m_backBufferFbo);
    ForgetAppliedStates();
    DeviceResult result = TakeGlError();
    return Succeeded(result) && !complete ? DeviceResult::Fail : result;
}

DeviceResult GlRenderDevice::CreateRenderTarget(uint32_t width, uint32_t height,
                                                TextureHandle& out) {
    if (m_contextLost) return DeviceResult::DeviceLost;
    if (width == 0 || height == 0 || width > kMaxTextureSide || height > kMaxTextureSide)
        return DeviceResult::InvalidCall;
    Texture texture;
    texture.desc = TextureDesc{TextureFormat::Rgba8, width, height, 1, false};
    texture.pool = Pool::Default;
    texture.renderTarget = true;
    if (DeviceResult r = MakeRenderTargetObjects(texture); !Succeeded(r)) {
        glDeleteFramebuffers(1, &texture.framebuffer);
        glDeleteRenderbuffers(1, &texture.depthBuffer);
        glDeleteTextures(1, &texture.name);
        return r;
    }
    uint32_t id = m_nextHandle++;
    m_textures.emplace(id, std::move(texture));
    out = TextureHandle{id};
    return DeviceResult::Ok;
}

void GlRenderDevice::Release(TextureHandle handle) {
    m_applied.unitsValid = false;
    auto found = m_textures.find(handle.id);
    if (found == m_textures.end()) return;
    Texture& texture = found->second;
    if (texture.framebuffer) glDeleteFramebuffers(1, &texture.framebuffer);
    if (texture.depthBuffer) glDeleteRenderbuffers(1, &texture.depthBuffer);
    if (texture.name) glDeleteTextures(1, &texture.name);
    m_textures.erase(found);
    if (m_renderTarget == handle) m_renderTarget = {};
    for (Stage& stage : m_stages)
        if (stage.texture == handle) stage.texture = {};
}

bool GlRenderDevice::GetTextureDesc(TextureHandle texture, TextureDesc& out) const {
    auto found = m_textures.find(texture.id);
    if (found == m_textures.end()) return false;
    out = found->second.desc;
    return true;
}

DeviceResult GlRenderDevice::SetRenderTarget(TextureHandle target) {
    ForgetAppliedStates();
    if (target) {
        Texture* texture = FindTexture(target);
        if (!texture || !texture->renderTarget) return DeviceResult::InvalidCall;
    }
    m_renderTarget = target;
    // Like a new back buffer, a new target gets a viewport over all of it.
    TextureDesc desc;
    uint32_t w = m_present.backBufferWidth, h = m_present.backBufferHeight;
    if (target && GetTextureDesc(target, desc)) {
        w = desc.width;
        h = desc.height;
    }
    m_viewport = Viewport{0, 0, w, h, 0.0f, 1.0f};
    if (!m_contextLost) ApplyViewport();
    return DeviceResult::Ok;
}

namespace {

// Reads the framebuffer's pixels and turns the rows so the top row comes
// first, as the scene counts them.
DeviceResult ReadFramebuffer(GLuint framebuffer, uint32_t width, uint32_t height,
                             std::vector<uint8_t>& rgba) {
    rgba.assign(size_t{width} * height * 4, 0);
    if (width == 0 || height == 0) return DeviceResult::InvalidCall;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    std::vector<uint8_t> bottomUp(rgba.size());
    glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_RGBA,
                 GL_UNSIGNED_BYTE, bottomUp.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    size_t row = size_t{width} * 4;
    for (uint32_t y = 0; y < height; ++y)
        std::copy_n(bottomUp.begin() + static_cast<ptrdiff_t>((height - 1 - y) * row), row,
                    rgba.begin() + static_cast<ptrdiff_t>(y * row));
    return TakeGlError();
}

} // namespace

DeviceResult GlRenderDevice::ReadRenderTarget(TextureHandle target, std::vector<uint8_t>& rgba) {
    if (m_contextLost) return DeviceResult::DeviceLost;
    Texture* texture = FindTexture(target);
    if (!texture || !texture->renderTarget) return DeviceResult::InvalidCall;
    return ReadFramebuffer(texture->framebuffer, texture->desc.width, texture->desc.height, rgba);
}

DeviceResult GlRenderDevice::ReadBackBuffer(std::vector<uint8_t>& rgba) {
    if (m_contextLost) return DeviceResult::DeviceLost;
    glFinish();
    return ReadFramebuffer(m_backBufferFbo, m_present.backBufferWidth, m_present.backBufferHeight,
                           rgba);
}

} // namespace view3d
