#pragma once

// Small meshes, a texture cache and a texture resolver for scene tests that
// run on the recording device.

#include "view3d/RecordingDevice.h"
#include "view3d/SceneObject.h"
#include "view3d/TextureResolver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace scene_test {

using view3d::MeshData;

// Fills mesh (format 338, 36-byte vertices) from positions and triangles.
inline void FillMesh(MeshData& mesh, const std::vector<glm::vec3>& positions,
                     const std::vector<uint16_t>& indices, std::vector<std::string> textures = {}) {
    mesh.format = view3d::kFormatMesh;
    mesh.stride = 36;
    mesh.vertexCount = static_cast<uint32_t>(positions.size());
    mesh.faceCount = static_cast<uint32_t>(indices.size() / 3);
    mesh.vertices.assign(positions.size() * 36, 0);
    glm::vec3 lo(1e9f), hi(-1e9f);
    for (size_t i = 0; i < positions.size(); ++i) {
        mesh.SetPosition(i, positions[i]);
        lo = glm::min(lo, positions[i]);
        hi = glm::max(hi, positions[i]);
    }
    mesh.box = {lo, hi};
    mesh.indices = indices;
    mesh.textures.clear();
    for (auto& name : textures)
        mesh.textures.push_back({name, 0, 1});
    mesh.fileName = "/res/model/thing.msh";
}

template <class T = MeshData>
std::unique_ptr<T> Mesh(const std::vector<glm::vec3>& positions,
                        const std::vector<uint16_t>& indices,
                        std::vector<std::string> textures = {}) {
    auto mesh = std::make_unique<T>();
    FillMesh(*mesh, positions, indices, std::move(textures));
    return mesh;
}

// A square of side size in the plane z = height, as two triangles.
template <class T = MeshData> std::unique_ptr<T> Square(float height, float size = 1.0f) {
    return Mesh<T>({{0, 0, height}, {size, 0, height}, {0, size, height}, {size, size, height}},
                   {0, 1, 2, 2, 1, 3});
}

// A triangle with the given texture names.
inline std::unique_ptr<MeshData> Textured(std::vector<std::string> textures) {
    return Mesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2}, std::move(textures));
}

// The positions held in a vertex buffer of stride bytes per vertex.
inline std::vector<glm::vec3> Positions(const std::vector<uint8_t>& bytes, size_t stride) {
    std::vector<glm::vec3> out;
    for (size_t offset = 0; offset + 12 <= bytes.size(); offset += stride) {
        glm::vec3 p;
        std::memcpy(&p[0], &bytes[offset], 12);
        out.push_back(p);
    }
    return out;
}

// A texture cache that makes a texture on the device for every file it is
// asked for (except those listed as missing) and counts the loads.
class FakeTextures : public view3d::TextureSource {
  public:
    std::map<std::string, view3d::TextureHandle> cached;
    std::vector<std::string> loads; // "path mip" or "path nomip", in order
    std::vector<std::string> missing;
    std::vector<std::string> withAlpha; // files whose pictures have alpha

    view3d::TextureHandle Find(const std::string& key) override {
        auto it = cached.find(key);
        return it == cached.end() ? view3d::TextureHandle{} : it->second;
    }
    view3d::TextureHandle LoadFile(view3d::RenderDevice& device, const std::string& path,
                                   bool mipMaps) override {
        loads.push_back(path + (mipMaps ? " mip" : " nomip"));
        for (auto& m : missing)
            if (m == path) return {};
        bool alpha = false;
        for (auto& a : withAlpha)
            alpha = alpha || a == path;
        view3d::TextureDesc desc{
            alpha ? view3d::TextureFormat::Rgba8 : view3d::TextureFormat::Rgbx8, 2, 2, 1, mipMaps};
        std::vector<uint8_t> pixels(16, 0);
        return Create(device, path, desc, pixels);
    }
    view3d::TextureHandle Create(view3d::RenderDevice& device, const std::string& key,
                                 const view3d::TextureDesc& desc,
                                 std::span<const uint8_t> data) override {
        view3d::TextureHandle texture;
        if (!view3d::Succeeded(device.CreateTexture(desc, data, view3d::Pool::Managed, texture)))
            return {};
        cached[key] = texture;
        return texture;
    }
};

// Resolves a reference "name" to "/tex/name.dds" through the description
// "/tex/name.tex", or "/tex/name#variant.dds" with a variant; descriptions
// listed in alpha/mipmaps say so.
class FakeResolver : public view3d::TextureResolver {
  public:
    std::vector<std::string> alpha;
    std::vector<std::string> mipmaps;
    std::vector<std::string> unknown; // references that resolve to nothing

    view3d::ResolvedTexture Resolve(std::string_view, std::string_view reference,
                                    std::string_view variant) const override {
        for (auto& u : unknown)
            if (u == reference) return {};
        std::string name(reference);
        if (!variant.empty()) name += "#" + std::string(variant);
        return {"/tex/" + name + ".dds", "/tex/" + name + ".tex"};
    }
    bool IsAlphaBlended(const std::string& description) const override {
        for (auto& a : alpha)
            if ("/tex/" + a + ".tex" == description) return true;
        return false;
    }
    bool HasMipmaps(const std::string& description) const override {
        for (auto& m : mipmaps)
            if ("/tex/" + m + ".tex" == description) return true;
        return false;
    }
};

} // namespace scene_test
