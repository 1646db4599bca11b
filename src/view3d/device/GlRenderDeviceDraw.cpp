#include "view3d/device/GlRenderDevice.h"

#include "view3d/ModelData.h"
#include "view3d/device/GlFixedFunctionProgram.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <array>

namespace view3d {

namespace {

constexpr uint32_t kFvfSpecular = 0x080;

// Where each part of a vertex of that format sits; -1 for parts it lacks.
struct VertexLayout {
    int normal = -1;
    int colour = -1;
    int texCoord[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    uint32_t texCoordSets = 0;
    uint32_t size = 0;
};

VertexLayout LayoutOf(uint32_t format) {
    VertexLayout layout;
    uint32_t offset = 12; // the position always comes first
    if (format & FvfNormal) {
        layout.normal = static_cast<int>(offset);
        offset += 12;
    }
    if (format & FvfDiffuse) {
        layout.colour = static_cast<int>(offset);
        offset += 4;
    }
    if (format & kFvfSpecular) offset += 4;
    layout.texCoordSets = std::min((format >> 8) & 0xF, 8u);
    for (uint32_t i = 0; i < layout.texCoordSets; ++i, offset += 8)
        layout.texCoord[i] = static_cast<int>(offset);
    layout.size = offset;
    return layout;
}

GLenum Mode(PrimitiveType type) {
    return type == PrimitiveType::LineList ? GL_LINES : GL_TRIANGLES;
}

uint64_t VerticesOf(PrimitiveType type, uint32_t primitives) {
    return uint64_t{primitives} * (type == PrimitiveType::LineList ? 2 : 3);
}

void Attribute(GLuint location, GLint size, GLenum type, GLboolean normalised, uint32_t stride,
               size_t offset) {
    glEnableVertexAttribArray(location);
    glVertexAttribPointer(location, size, type, normalised, static_cast<GLsizei>(stride),
                          reinterpret_cast<const void*>(offset));
}

// Points the program's attributes at a vertex buffer of that layout.
void SetAttributes(const VertexLayout& layout, size_t offset, uint32_t stride,
                   const std::array<uint32_t, 2>& texCoordIndex) {
    using P = GlFixedFunctionProgram;
    Attribute(P::kPosition, 3, GL_FLOAT, GL_FALSE, stride, offset);
    if (layout.normal >= 0) {
        Attribute(P::kNormal, 3, GL_FLOAT, GL_FALSE, stride, offset + layout.normal);
    } else {
        glDisableVertexAttribArray(P::kNormal);
    }
    if (layout.colour >= 0) {
        // Vertex colours are 32-bit ARGB values: in memory B, G, R, A.
        Attribute(P::kColour, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, offset + layout.colour);
    } else {
        glDisableVertexAttribArray(P::kColour);
    }

    for (uint32_t s = 0; s < 2; ++s) {
        GLuint location = s == 0 ? P::kTexCoord0 : P::kTexCoord1;
        if (layout.texCoordSets > 0) {
            uint32_t set = std::min(texCoordIndex[s], layout.texCoordSets - 1);
            Attribute(location, 2, GL_FLOAT, GL_FALSE, stride, offset + layout.texCoord[set]);
        } else {
            glDisableVertexAttribArray(location);
            glVertexAttrib2f(location, 0.0f, 0.0f);
        }
    }
}

} // namespace

DeviceResult GlRenderDevice::PrepareDraw(uint32_t vertexBuffer, size_t offset, uint32_t stride) {
    if (!(m_format & FvfXyz)) return DeviceResult::InvalidCall;
    VertexLayout layout = LayoutOf(m_format);
    if (stride == 0) stride = layout.size;

    ApplyViewport();
    ApplyFixedStates();
    // The same buffer in the same layout as the draw before needs no new
    // attribute pointers: most of a frame's draws differ only in these.
    const std::array<uint32_t, 2> texCoordIndex = {m_stages[0].texCoordIndex,
                                                   m_stages[1].texCoordIndex};
    const bool sameLayout = m_applied.layoutValid && m_applied.layoutBuffer == vertexBuffer &&
                            m_applied.layoutOffset == offset && m_applied.layoutStride == stride &&
                            m_applied.layoutFormat == m_format &&
                            m_applied.layoutTexCoord == texCoordIndex;
    if (!sameLayout) {
        if (!m_applied.layoutValid) glBindVertexArray(m_vertexArray);
        glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
        SetAttributes(layout, offset, stride, texCoordIndex);
        m_applied.layoutValid = true;
        m_applied.layoutBuffer = vertexBuffer;
        m_applied.layoutOffset = offset;
        m_applied.layoutStride = stride;
        m_applied.layoutFormat = m_format;
        m_applied.layoutTexCoord = texCoordIndex;
    }
    return ApplyStages(layout.normal >= 0, layout.colour >= 0);
}

DeviceResult GlRenderDevice::ApplyStages(bool hasNormal, bool hasColour) {
    FixedFunctionState state{};
    for (uint32_t s = 0; s < 2; ++s) {
        const Stage& stage = m_stages[s];
        const Texture* texture = FindTexture(stage.texture);
        GLuint name = texture && !texture->renderTarget ? texture->name : 0;
        if (!m_applied.unitsValid || m_applied.textures[s] != name) {
            glActiveTexture(GL_TEXTURE0 + s);
            glBindTexture(GL_TEXTURE_2D, name);
            if (!m_applied.unitsValid) glBindSampler(s, m_samplers[s]);
            m_applied.textures[s] = name;
        }

        FixedFunctionState::Stage& out = state.stages[s];
        out.colourOp = stage.colour[1];
        out.colourArg1 = stage.colour[2];
        out.colourArg2 = stage.colour[3];
        out.alphaOp = stage.colour[4];
        out.alphaArg1 = stage.colour[5];
        out.alphaArg2 = stage.colour[6];
        out.hasTexture = name != 0;
    }
    m_applied.unitsValid = true;

    auto renderState = [&](RenderState s) { return m_renderStates[static_cast<uint32_t>(s)]; };
    state.world = m_world;
    state.view = m_view;
    state.projection = m_projection;
    state.lighting = renderState(RenderState::Lighting) != 0;
    state.colourVertex = renderState(RenderState::ColorVertex) != 0;
    state.flatShading = renderState(RenderState::ShadeMode) == ShadeFlat;
    uint32_t ambient = renderState(RenderState::Ambient);
    state.globalAmbient =
        glm::vec4(static_cast<float>((ambient >> 16) & 0xFF),
                  static_cast<float>((ambient >> 8) & 0xFF), static_cast<float>(ambient & 0xFF),
                  static_cast<float>(ambient >> 24)) /
        255.0f;
    state.material = m_material;
    state.lights = m_lights;
    state.lightOn = m_lightOn;
    state.hasNormal = hasNormal;
    state.hasColour = hasColour;
    m_program->Apply(state);
    return DeviceResult::Ok;
}

void GlRenderDevice::SetFVF(uint32_t format) {
    m_format = format;
}

void GlRenderDevice::SetStreamSource(uint32_t stream, VertexBufferHandle buffer, uint32_t offset,
                                     uint32_t stride) {
    if (stream == 0) m_stream = Stream{buffer, offset, stride};
}

void GlRenderDevice::SetIndices(IndexBufferHandle buffer) {
    m_indices = buffer;
}

DeviceResult GlRenderDevice::DrawIndexedPrimitive(PrimitiveType type, int32_t baseVertex,
                                                  uint32_t minIndex, uint32_t vertexCount,
                                                  uint32_t startIndex, uint32_t primitiveCount) {
    if (m_contextLost) return DeviceResult::DeviceLost;
    Buffer* vertices = FindVertexBuffer(m_stream.buffer);
    Buffer* indices = FindIndexBuffer(m_indices);
    if (!vertices || !indices || vertices->locked || indices->locked || baseVertex < 0)
        return DeviceResult::InvalidCall;
    if (primitiveCount == 0) return DeviceResult::Ok;
    // The ranges the call names must lie inside the buffers: the driver is
    // never asked to read beyond them.
    uint64_t count = VerticesOf(type, primitiveCount);
    uint32_t stride = m_stream.stride ? m_stream.stride : LayoutOf(m_format).size;
    if ((uint64_t{startIndex} + count) * indices->format > indices->bytes.size() ||
        m_stream.offset +
                (uint64_t{static_cast<uint32_t>(baseVertex)} + minIndex + vertexCount) * stride >
            vertices->bytes.size())
        return DeviceResult::InvalidCall;
    if (DeviceResult r = PrepareDraw(vertices->name, m_stream.offset, stride); !Succeeded(r))
        return r;
    if (!m_applied.indicesValid || m_applied.indices != indices->name) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices->name);
        m_applied.indices = indices->name;
        m_applied.indicesValid = true;
    }
    glDrawElementsBaseVertex(Mode(type), static_cast<GLsizei>(count),
                             indices->format == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                             reinterpret_cast<const void*>(size_t{startIndex} * indices->format),
                             baseVertex);
    return DeviceResult::Ok;
}

DeviceResult GlRenderDevice::DrawPrimitive(PrimitiveType type, uint32_t startVertex,
                                           uint32_t primitiveCount) {
    if (m_contextLost) return DeviceResult::DeviceLost;
    Buffer* vertices = FindVertexBuffer(m_stream.buffer);
    if (!vertices || vertices->locked) return DeviceResult::InvalidCall;
    if (primitiveCount == 0) return DeviceResult::Ok;
    uint64_t count = VerticesOf(type, primitiveCount);
    uint32_t stride = m_stream.stride ? m_stream.stride : LayoutOf(m_format).size;
    if (m_stream.offset + (uint64_t{startVertex} + count) * stride > vertices->bytes.size())
        return DeviceResult::InvalidCall;
    if (DeviceResult r = PrepareDraw(vertices->name, m_stream.offset, stride); !Succeeded(r))
        return r;
    glDrawArrays(Mode(type), static_cast<GLint>(startVertex), static_cast<GLsizei>(count));
    return DeviceResult::Ok;
}

DeviceResult GlRenderDevice::DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount,
                                             std::span<const uint8_t> vertices, uint32_t stride) {
    if (m_contextLost) return DeviceResult::DeviceLost;
    m_stream = {};
    uint64_t count = VerticesOf(type, primitiveCount);
    if (stride == 0 || count * stride > vertices.size()) return DeviceResult::InvalidCall;
    if (primitiveCount == 0) return DeviceResult::Ok;
    glBindBuffer(GL_ARRAY_BUFFER, m_streamBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * stride), vertices.data(),
                 GL_STREAM_DRAW);
    if (DeviceResult r = PrepareDraw(m_streamBuffer, 0, stride); !Succeeded(r)) return r;
    glDrawArrays(Mode(type), 0, static_cast<GLsizei>(count));
    return DeviceResult::Ok;
}

} // namespace view3d
