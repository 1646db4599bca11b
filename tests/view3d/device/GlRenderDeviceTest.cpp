#include "view3d/device/GlRenderDevice.h"
#include "OffscreenGl.h"
#include "view3d/ModelData.h"

#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

using namespace view3d;

namespace {

constexpr uint32_t kWidth = 160, kHeight = 120;
constexpr uint32_t kBackdropArgb = 0xFF4080C0;
using Rgb = glm::vec3; // 0..255

// The lights and ambient colour the 3D view sets after every restore.
const glm::vec3 kLightDirections[2] = {glm::vec3(-300, 300, -100), glm::vec3(-300, -318, 340)};
const glm::vec3 kLightDiffuse(0.8f, 0.7f, 0.55f);
const float kAmbient = 150.0f / 255.0f;

// What the lit colour of a white surface with that normal should be: the
// ambient colour plus each light's diffuse colour by the angle it falls in.
glm::vec3 LitWhite(const glm::vec3& normal) {
    glm::vec3 lit(kAmbient);
    for (const glm::vec3& direction : kLightDirections)
        lit += kLightDiffuse * std::max(0.0f, glm::dot(normal, -glm::normalize(direction)));
    return glm::min(lit, glm::vec3(1.0f));
}

struct MeshVertex { // format 338
    glm::vec3 position;
    glm::vec3 normal;
    uint32_t colour;
    glm::vec2 uv;
};
static_assert(sizeof(MeshVertex) == 36);

struct ColouredVertex { // XYZ | DIFFUSE
    glm::vec3 position;
    uint32_t colour;
};

struct QuadVertex { // format 274
    glm::vec3 position;
    glm::vec3 normal;
    glm::vec2 uv;
};

// A cube's face: its centre, outward normal and the two half-edges along
// which u grows and v falls. Front faces wind clockwise as seen from
// outside, as the scene's meshes do.
struct Face {
    glm::vec3 normal, a, b;
    glm::vec3 Point(float u, float v, float half) const {
        return (normal + (2 * u - 1) * a + (1 - 2 * v) * b) * half;
    }
};
const Face kFaces[6] = {
    {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
    {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
    {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
};
constexpr float kCubeHalf = 50.0f;

std::vector<uint8_t> Bytes(const void* data, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(p, p + size);
}

class GlRenderDeviceTest : public ::testing::Test {
  protected:
    std::unique_ptr<device_test::OffscreenGl> m_gl;
    std::unique_ptr<GlRenderDevice> m_device;
    VertexBufferHandle m_cubeVertices, m_spriteVertices;
    IndexBufferHandle m_cubeIndices;
    TextureHandle m_cubeTexture, m_spriteTexture;
    glm::mat4 m_cubeWorld;
    glm::mat4 m_projection;

    void SetUp() override {
        m_gl = std::make_unique<device_test::OffscreenGl>(kWidth, kHeight);
        if (!m_gl->Ready()) GTEST_SKIP() << "no OpenGL context: " << m_gl->Why();
        std::string error;
        m_device = GlRenderDevice::Create(PresentParameters{kWidth, kHeight, true}, &error);
        if (!m_device) GTEST_SKIP() << "no OpenGL 3.3 device: " << error;
        m_device->SetBackBufferFramebuffer(m_gl->Framebuffer());
        m_cubeWorld = glm::translate(glm::mat4(1.0f), glm::vec3(-100, 30, 300)) *
                      glm::rotate(glm::mat4(1.0f), glm::radians(35.0f), glm::vec3(0, 1, 0)) *
                      glm::rotate(glm::mat4(1.0f), glm::radians(-30.0f), glm::vec3(1, 0, 0));
        m_projection =
            glm::perspectiveLH_ZO(glm::radians(60.0f), float(kWidth) / kHeight, 10.0f, 1000.0f);
    }

    void TearDown() override {
        if (m_device) {
            // Every call the device made on the way was a valid one.
            EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
            ReleaseMeshBuffers();
            m_device->Release(m_spriteVertices);
            m_device->Release(m_cubeTexture);
            m_device->Release(m_spriteTexture);
        }
        m_device.reset();
        m_gl.reset();
    }

    // A 2x2 texture: red, green over blue, yellow; alpha 255.
    TextureHandle QuadrantTexture() {
        const uint8_t pixels[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 0, 255};
        TextureHandle texture;
        EXPECT_EQ(m_device->CreateTexture(TextureDesc{TextureFormat::Rgbx8, 2, 2, 1, false}, pixels,
                                          Pool::Managed, texture),
                  DeviceResult::Ok);
        return texture;
    }

    // The mesh buffers live in the default pool, as the scene's do, so a
    // reset needs them released first.
    void MakeMeshBuffers() {
        std::vector<MeshVertex> vertices;
        std::vector<uint16_t> indices;
        const glm::vec2 corners[4] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
        for (const Face& face : kFaces) {
            uint16_t first = static_cast<uint16_t>(vertices.size());
            for (const glm::vec2& uv : corners)
                vertices.push_back(
                    {face.Point(uv.x, uv.y, kCubeHalf), face.normal, 0xFFFFFFFF, uv});
            for (uint16_t i : {0, 2, 3, 0, 1, 2})
                indices.push_back(static_cast<uint16_t>(first + i));
        }
        std::span<uint8_t> out;
        ASSERT_EQ(m_device->CreateVertexBuffer(uint32_t(vertices.size() * 36),
                                               UsageWriteOnly | UsageDynamic, kFormatMesh,
                                               Pool::Default, m_cubeVertices),
                  DeviceResult::Ok);
        ASSERT_EQ(m_device->Lock(m_cubeVertices, LockMode::ReadWrite, out), DeviceResult::Ok);
        std::memcpy(out.data(), vertices.data(), out.size());
        m_device->Unlock(m_cubeVertices);
        ASSERT_EQ(m_device->CreateIndexBuffer(uint32_t(indices.size() * 2), UsageWriteOnly,
                                              IndexFormat::Index16, Pool::Default, m_cubeIndices),
                  DeviceResult::Ok);
        ASSERT_EQ(m_device->Lock(m_cubeIndices, LockMode::ReadWrite, out), DeviceResult::Ok);
        std::memcpy(out.data(), indices.data(), out.size());
        m_device->Unlock(m_cubeIndices);
    }

    void ReleaseMeshBuffers() {
        m_device->Release(m_cubeVertices);
        m_device->Release(m_cubeIndices);
        m_cubeVertices = {};
        m_cubeIndices = {};
    }

    // A sprite quad behind the backdrop, in a see-through blue.
    void MakeSprite() {
        const QuadVertex quad[6] = {
            {{100, -150, 600}, {0, 0, -1}, {0, 1}}, {{100, 150, 600}, {0, 0, -1}, {0, 0}},
            {{400, 150, 600}, {0, 0, -1}, {1, 0}},  {{100, -150, 600}, {0, 0, -1}, {0, 1}},
            {{400, 150, 600}, {0, 0, -1}, {1, 0}},  {{400, -150, 600}, {0, 0, -1}, {1, 1}},
        };
        std::span<uint8_t> out;
        ASSERT_EQ(m_device->CreateVertexBuffer(sizeof quad, UsageWriteOnly, kFormatQuad,
                                               Pool::Managed, m_spriteVertices),
                  DeviceResult::Ok);
        m_device->Lock(m_spriteVertices, LockMode::ReadWrite, out);
        std::memcpy(out.data(), quad, sizeof quad);
        m_device->Unlock(m_spriteVertices);
        // Two levels, 2x2 and 1x1, all the same see-through blue.
        std::vector<uint8_t> pixels;
        for (int i = 0; i < 5; ++i)
            pixels.insert(pixels.end(), {0, 0, 255, 128});
        ASSERT_EQ(m_device->CreateTexture(TextureDesc{TextureFormat::Rgba8, 2, 2, 2, true}, pixels,
                                          Pool::Managed, m_spriteTexture),
                  DeviceResult::Ok);
    }

    // The states the view sets after a restore, then one frame: the cube,
    // an unlit backdrop drawn after it but farther away, a red line, and
    // the sprite drawn last without depth test, as decals are.
    std::vector<uint8_t> DrawFrame(TextureHandle target = {}) {
        RenderDevice& d = *m_device;
        for (uint32_t stage = 0; stage < 2; ++stage) {
            d.SetSamplerState(stage, SamplerState::MinFilter, FilterNone);
            d.SetSamplerState(stage, SamplerState::MagFilter, FilterPoint);
            d.SetSamplerState(stage, SamplerState::MipFilter, FilterPoint);
        }
        d.SetRenderState(RenderState::Lighting, 1);
        d.SetRenderState(RenderState::Ambient, 0xFF969696);
        d.SetRenderState(RenderState::ColorVertex, 1);
        d.SetRenderState(RenderState::ZEnable, 1);
        d.SetRenderState(RenderState::AlphaBlendEnable, 1);
        d.SetRenderState(RenderState::SrcBlend, BlendSrcAlpha);
        d.SetRenderState(RenderState::DestBlend, BlendInvSrcAlpha);
        d.SetRenderState(RenderState::ShadeMode, ShadeGouraud);
        for (uint32_t i = 0; i < 2; ++i) {
            Light light;
            light.diffuse = glm::vec4(kLightDiffuse, 1.0f);
            light.position = kLightDirections[i];
            light.direction = glm::normalize(kLightDirections[i]);
            light.range = 16000.0f;
            d.SetLight(i, light);
            d.LightEnable(i, true);
        }
        d.SetTransform(TransformType::View, glm::mat4(1.0f));
        d.SetTransform(TransformType::Projection, m_projection);
        if (target) {
            EXPECT_EQ(d.SetRenderTarget(target), DeviceResult::Ok);
        }

        EXPECT_EQ(d.Clear(ClearTarget | ClearZBuffer, target ? 0xFF000000 : 0xFFFFFFFF, 1.0f),
                  DeviceResult::Ok);
        EXPECT_EQ(d.BeginScene(), DeviceResult::Ok);
        d.SetTextureStageState(0, TextureStageState::ColorOp, OpModulate);
        d.SetTextureStageState(0, TextureStageState::ColorArg1, ArgTexture);
        d.SetTextureStageState(0, TextureStageState::ColorArg2, ArgDiffuse);
        d.SetTextureStageState(0, TextureStageState::AlphaOp, OpSelectArg1);
        d.SetTextureStageState(0, TextureStageState::AlphaArg1, ArgTexture);
        d.SetTextureStageState(1, TextureStageState::ColorOp, OpDisable);
        d.SetTextureStageState(1, TextureStageState::AlphaOp, OpDisable);

        d.SetMaterial(Material{});
        d.SetTransform(TransformType::World, m_cubeWorld);
        d.SetTexture(0, m_cubeTexture);
        d.SetFVF(kFormatMesh);
        d.SetStreamSource(0, m_cubeVertices, 0, 36);
        d.SetIndices(m_cubeIndices);
        EXPECT_EQ(d.DrawIndexedPrimitive(PrimitiveType::TriangleList, 0, 0, 24, 0, 12),
                  DeviceResult::Ok);

        d.SetTransform(TransformType::World, glm::mat4(1.0f));
        d.SetTexture(0, {});
        d.SetRenderState(RenderState::Lighting, 0);
        d.SetFVF(FvfXyz | FvfDiffuse);
        const ColouredVertex backdrop[6] = {
            {{-600, -400, 500}, kBackdropArgb}, {{-600, 0, 500}, kBackdropArgb},
            {{600, 0, 500}, kBackdropArgb},     {{-600, -400, 500}, kBackdropArgb},
            {{600, 0, 500}, kBackdropArgb},     {{600, -400, 500}, kBackdropArgb}};
        EXPECT_EQ(d.DrawPrimitiveUP(PrimitiveType::TriangleList, 2,
                                    Bytes(backdrop, sizeof backdrop), sizeof(ColouredVertex)),
                  DeviceResult::Ok);
        const ColouredVertex line[2] = {{{-150, 49.5f, 100}, 0xFFFF0000},
                                        {{150, 49.5f, 100}, 0xFFFF0000}};
        EXPECT_EQ(d.DrawPrimitiveUP(PrimitiveType::LineList, 1, Bytes(line, sizeof line),
                                    sizeof(ColouredVertex)),
                  DeviceResult::Ok);
        d.SetRenderState(RenderState::Lighting, 1);

        d.SetRenderState(RenderState::ZEnable, 0);
        d.SetRenderState(RenderState::ZWriteEnable, 0);
        d.SetTexture(0, m_spriteTexture);
        d.SetFVF(kFormatQuad);
        d.SetStreamSource(0, m_spriteVertices, 0, 32);
        EXPECT_EQ(d.DrawPrimitive(PrimitiveType::TriangleList, 0, 2), DeviceResult::Ok);
        d.SetRenderState(RenderState::ZEnable, 1);
        d.SetRenderState(RenderState::ZWriteEnable, 1);
        EXPECT_EQ(d.EndScene(), DeviceResult::Ok);
        EXPECT_EQ(d.Present(), DeviceResult::Ok);

        std::vector<uint8_t> pixels;
        if (target) {
            EXPECT_EQ(d.ReadRenderTarget(target, pixels), DeviceResult::Ok);
        } else {
            EXPECT_EQ(m_device->ReadBackBuffer(pixels), DeviceResult::Ok);
        }
        return pixels;
    }

    // Pixel of a point in the world, as the projection puts it on screen.
    glm::ivec2 Project(const glm::vec3& world, uint32_t width = kWidth,
                       uint32_t height = kHeight) const {
        glm::vec4 clip = m_projection * glm::vec4(world, 1.0f);
        glm::vec2 ndc = glm::vec2(clip) / clip.w;
        return glm::ivec2(int(std::floor((ndc.x + 1) / 2 * width)),
                          int(std::floor((1 - ndc.y) / 2 * height)));
    }

    static Rgb At(const std::vector<uint8_t>& pixels, glm::ivec2 p, uint32_t width = kWidth) {
        const uint8_t* q = &pixels[(size_t(p.y) * width + size_t(p.x)) * 4];
        return Rgb(q[0], q[1], q[2]);
    }

    // Every pixel of the 3x3 square around p is within 6 of expected.
    static ::testing::AssertionResult Near(const std::vector<uint8_t>& pixels, glm::ivec2 p,
                                           Rgb expected) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                Rgb got = At(pixels, p + glm::ivec2(dx, dy));
                glm::vec3 diff = glm::abs(got - expected);
                if (std::max({diff.x, diff.y, diff.z}) > 6.0f)
                    return ::testing::AssertionFailure()
                           << "pixel (" << p.x + dx << ", " << p.y + dy << ") is (" << got.x << ", "
                           << got.y << ", " << got.z << "), expected (" << expected.x << ", "
                           << expected.y << ", " << expected.z << ")";
            }
        return ::testing::AssertionSuccess();
    }

    static void WritePicture(const std::vector<uint8_t>& pixels, const char* name,
                             uint32_t width = kWidth, uint32_t height = kHeight) {
        std::filesystem::create_directories(VM_PIXEL_OUTPUT);
        std::string path = std::string(VM_PIXEL_OUTPUT) + "/" + name;
        EXPECT_TRUE(
            stbi_write_png(path.c_str(), int(width), int(height), 4, pixels.data(), int(width * 4)))
            << path;
    }

    // Checks the cube's visible faces: each quadrant of the texture,
    // modulated by the light that falls on that face.
    void ExpectCube(const std::vector<uint8_t>& pixels, const Rgb quadrants[4]) {
        int visible = 0;
        for (const Face& face : kFaces) {
            glm::vec3 normal = glm::normalize(glm::mat3(m_cubeWorld) * face.normal);
            glm::vec3 centre =
                glm::vec3(m_cubeWorld * glm::vec4(face.Point(0.5f, 0.5f, kCubeHalf), 1));
            if (glm::dot(normal, centre) >= -0.3f * glm::length(centre))
                continue; // edge-on or away
            ++visible;
            glm::vec3 lit = LitWhite(normal);
            for (int q = 0; q < 4; ++q) {
                float u = q % 2 ? 0.75f : 0.25f, v = q / 2 ? 0.75f : 0.25f;
                glm::vec3 point =
                    glm::vec3(m_cubeWorld * glm::vec4(face.Point(u, v, kCubeHalf), 1));
                EXPECT_TRUE(Near(pixels, Project(point), glm::round(quadrants[q] * lit)))
                    << "face normal (" << face.normal.x << ", " << face.normal.y << ", "
                    << face.normal.z << ") quadrant " << q;
            }
        }
        EXPECT_GE(visible, 2);
    }
};

const Rgb kQuadrants[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};

} // namespace

TEST_F(GlRenderDeviceTest, DrawsALitTexturedModelWithDepthAndABlendedSprite) {
    MakeMeshBuffers();
    MakeSprite();
    m_cubeTexture = QuadrantTexture();
    std::vector<uint8_t> pixels = DrawFrame();
    ASSERT_EQ(pixels.size(), size_t{kWidth} * kHeight * 4);
    WritePicture(pixels, "gl-device-scene.png");

    // The clear colour above everything, the unlit backdrop below, in its
    // own colour (a 32-bit ARGB vertex colour).
    EXPECT_TRUE(Near(pixels, {3, 3}, Rgb(255)));
    EXPECT_TRUE(Near(pixels, {3, kHeight - 4}, Rgb(0x40, 0x80, 0xC0)));
    // The line, one pixel wide, crosses the picture at row 8.
    for (int x : {20, 80, 150}) {
        EXPECT_EQ(At(pixels, {x, 8}), Rgb(255, 0, 0)) << "column " << x;
        EXPECT_EQ(At(pixels, {x, 7}), Rgb(255)) << "column " << x;
    }

    ExpectCube(pixels, kQuadrants);

    // The sprite lies behind the backdrop but is drawn without depth test:
    // half its blue (lit from below) over white and over the backdrop.
    glm::vec3 blue = glm::vec3(0, 0, 255) * LitWhite(glm::vec3(0, 0, -1));
    float alpha = 128.0f / 255.0f;
    glm::ivec2 overWhite = Project({250, 100, 600});
    glm::ivec2 overBackdrop = Project({250, -100, 600});
    EXPECT_TRUE(Near(pixels, overWhite, glm::round(blue * alpha + Rgb(255) * (1 - alpha))));
    EXPECT_TRUE(
        Near(pixels, overBackdrop, glm::round(blue * alpha + Rgb(0x40, 0x80, 0xC0) * (1 - alpha))));
}

TEST_F(GlRenderDeviceTest, CompressedTexturesLookTheSameUploadedOrDecoded) {
    // One DXT1 block: four 2x2 quadrants using the four palette entries.
    uint8_t block[8] = {0x00, 0xF8, 0x1F, 0x00}; // red, then blue
    uint32_t indices = 0;
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 4; ++x)
            indices |= ((y / 2) * 2 + x / 2) << (2 * (y * 4 + x));
    std::memcpy(block + 4, &indices, 4);
    const Rgb quadrants[4] = {{255, 0, 0}, {0, 0, 255}, {170, 0, 85}, {85, 0, 170}};

    MakeMeshBuffers();
    MakeSprite();
    std::vector<std::vector<uint8_t>> pictures;
    for (bool upload : {true, false}) {
        m_device->SetUploadCompressed(upload);
        m_device->Release(m_cubeTexture);
        ASSERT_EQ(m_device->CreateTexture(TextureDesc{TextureFormat::Dxt1, 4, 4, 1, false}, block,
                                          Pool::Managed, m_cubeTexture),
                  DeviceResult::Ok);
        pictures.push_back(DrawFrame());
        ExpectCube(pictures.back(), quadrants);
    }
    WritePicture(pictures[1], "gl-device-dxt1-decoded.png");
    size_t differing = 0;
    for (size_t i = 0; i < pictures[0].size(); ++i)
        differing += std::abs(int(pictures[0][i]) - int(pictures[1][i])) > 2;
    EXPECT_EQ(differing, 0u);
}

TEST_F(GlRenderDeviceTest, AfterTheContextIsLostAResetMakesTheSamePictureAgain) {
    MakeMeshBuffers();
    MakeSprite();
    m_cubeTexture = QuadrantTexture();
    std::vector<uint8_t> before = DrawFrame();

    m_device->ContextLost();
    EXPECT_EQ(m_device->TestCooperativeLevel(), DeviceResult::DeviceLost);
    EXPECT_EQ(m_device->BeginScene(), DeviceResult::DeviceLost);
    EXPECT_EQ(m_device->Present(), DeviceResult::DeviceLost);
    EXPECT_EQ(m_device->Reset(PresentParameters{kWidth, kHeight, true}), DeviceResult::DeviceLost);
    m_device->ContextRestored();
    EXPECT_EQ(m_device->TestCooperativeLevel(), DeviceResult::DeviceNotReset);
    // Default-pool buffers are the scene's to release before the reset.
    EXPECT_EQ(m_device->Reset(PresentParameters{kWidth, kHeight, true}), DeviceResult::InvalidCall);
    ReleaseMeshBuffers();
    ASSERT_EQ(m_device->Reset(PresentParameters{kWidth, kHeight, true}), DeviceResult::Ok);
    EXPECT_EQ(m_device->TestCooperativeLevel(), DeviceResult::Ok);
    MakeMeshBuffers();

    // The managed texture and sprite buffer came back from the device's copies.
    std::vector<uint8_t> after = DrawFrame();
    EXPECT_EQ(before, after);
}

TEST_F(GlRenderDeviceTest, ARenderTargetIsDrawnApartAndReadBackTopRowFirst) {
    MakeMeshBuffers();
    MakeSprite();
    m_cubeTexture = QuadrantTexture();
    DrawFrame();
    TextureHandle target;
    ASSERT_EQ(m_device->CreateRenderTarget(kWidth, kHeight, target), DeviceResult::Ok);
    std::vector<uint8_t> pixels = DrawFrame(target);
    EXPECT_TRUE(Near(pixels, {3, 3}, Rgb(0)));
    EXPECT_TRUE(Near(pixels, {3, kHeight - 4}, Rgb(0x40, 0x80, 0xC0)));
    ExpectCube(pixels, kQuadrants);

    // The back buffer keeps its own frame.
    ASSERT_EQ(m_device->SetRenderTarget({}), DeviceResult::Ok);
    std::vector<uint8_t> back;
    ASSERT_EQ(m_device->ReadBackBuffer(back), DeviceResult::Ok);
    EXPECT_TRUE(Near(back, {3, 3}, Rgb(255)));
    m_device->Release(target);
}

TEST_F(GlRenderDeviceTest, DrawsThatReachBeyondTheirBuffersAreRefused) {
    MakeMeshBuffers();
    RenderDevice& d = *m_device;
    d.SetFVF(kFormatMesh);
    d.SetStreamSource(0, m_cubeVertices, 0, 36);
    d.SetIndices(m_cubeIndices);
    ASSERT_EQ(d.BeginScene(), DeviceResult::Ok);
    EXPECT_EQ(d.DrawIndexedPrimitive(PrimitiveType::TriangleList, 0, 0, 24, 0, 13),
              DeviceResult::InvalidCall);
    EXPECT_EQ(d.DrawIndexedPrimitive(PrimitiveType::TriangleList, 0, 0, 25, 0, 12),
              DeviceResult::InvalidCall);
    EXPECT_EQ(d.DrawPrimitive(PrimitiveType::TriangleList, 20, 2), DeviceResult::InvalidCall);
    std::vector<uint8_t> few(36 * 2);
    EXPECT_EQ(d.DrawPrimitiveUP(PrimitiveType::TriangleList, 1, few, 36),
              DeviceResult::InvalidCall);
    d.SetFVF(FvfNormal); // no position
    EXPECT_EQ(d.DrawPrimitive(PrimitiveType::TriangleList, 0, 1), DeviceResult::InvalidCall);
    EXPECT_EQ(d.EndScene(), DeviceResult::Ok);
    TextureHandle texture;
    EXPECT_EQ(d.CreateTexture(TextureDesc{TextureFormat::Dxt5, 8, 8, 1, false},
                              std::vector<uint8_t>(63), Pool::Managed, texture),
              DeviceResult::InvalidCall);
}
