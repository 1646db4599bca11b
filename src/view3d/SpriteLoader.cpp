// Sprite descriptions: a picture shown as a flat quad, anchored at its axis.

#include "view3d/ImageSize.h"
#include "view3d/ModelLoader.h"

#include "format/DefParser.h"
#include "platform/Text.h"
#include "resources/ResourceCatalogue.h"

#include <algorithm>
#include <cstring>

namespace view3d {

namespace {

// The first node of that name in the description, searched depth first.
const CDefNode* FindInFile(const CDefFile& file, std::string_view name) {
    for (const auto& node : file.Nodes())
        if (const CDefNode* hit = node->Find(name)) return hit;
    return nullptr;
}

void ReadFloatChild(const CDefNode* node, std::string_view name, float& out) {
    const CDefNode* child = node ? node->FindChild(name) : nullptr;
    double value = 0.0;
    if (child && child->GetFloat(0, value)) out = static_cast<float>(value);
}

// The name below the resource directory that the archives store the file
// under; empty when the file lies elsewhere.
std::string ArchiveName(const std::string& path, const std::string& resourceDir) {
    if (resourceDir.empty() || path.size() <= resourceDir.size() + 1) return {};
    std::string folder = resourceDir, file = path;
    std::replace(folder.begin(), folder.end(), '\\', '/');
    std::replace(file.begin(), file.end(), '\\', '/');
    if (folder.back() != '/') folder += '/';
    if (!platform::EqualsNoCase(std::string_view(file).substr(0, folder.size()), folder)) return {};
    return file.substr(folder.size());
}

void PutVertex(uint8_t* out, float x, float y, float u, float v) {
    const float values[8] = {x, y, 0.0f, 0.0f, 0.0f, -1.0f, u, v};
    std::memcpy(out, values, sizeof values);
}

} // namespace

std::unique_ptr<SpriteData> CModelLoader::LoadSprite(const std::string& ebmPath,
                                                     const CDefNode* spriteNode,
                                                     std::string& error) const {
    error.clear();
    CDefFile ebm(ebmPath);
    const CDefNode* frame = FindInFile(ebm, "Frame");
    if (!frame) return nullptr; // nothing to show, which is no failure
    if (frame->GetValueUnquoted(0).empty()) {
        error = ebmPath + ": the sprite names no frame";
        return nullptr;
    }
    // The picture may not have been unpacked yet: the patch archive wins
    // over game.pak.
    std::string framePath = m_catalogue.ResolveReference(frame, 0, ebmPath);
    std::string member = ArchiveName(framePath, m_catalogue.ResourceDir());
    if (!member.empty() && !m_catalogue.UnpackFile("resource/Patch/2.pat", member))
        m_catalogue.UnpackFile("game.pak", member);
    framePath = m_catalogue.ResolveReference(frame, 0, ebmPath);

    uint32_t width = 0, height = 0;
    if (!ReadImageSize(std::filesystem::path(framePath), width, height)) {
        error = framePath + ": cannot read the picture";
        return nullptr;
    }

    auto sprite = std::make_unique<SpriteData>();
    TextureEntry texture{framePath, 0, 1};
    if (const CDefNode* blend = FindInFile(ebm, "Blend"))
        texture.hasAlpha = platform::EqualsNoCase(blend->GetValueUnquoted(0), "alpha") ? 1 : 0;
    if (const CDefNode* mipmap = FindInFile(ebm, "Mipmap"))
        if (mipmap->GetValueUnquoted(0) == "0") texture.mipMap = 0;
    if (const CDefNode* axis = FindInFile(ebm, "Axis")) {
        double ax = 0.0, ay = 0.0;
        if (axis->GetFloat(0, ax) && axis->GetFloat(1, ay))
            sprite->axis = {static_cast<float>(ax), static_cast<float>(ay)};
    }
    float scale = 1.0f;
    ReadFloatChild(spriteNode, "Scale", scale);
    sprite->preScaleX = sprite->preScaleY = scale;
    ReadFloatChild(spriteNode, "PreScaleX", sprite->preScaleX);
    ReadFloatChild(spriteNode, "PreScaleY", sprite->preScaleY);
    ReadFloatChild(spriteNode, "Visibility", sprite->visibility);

    const float w = static_cast<float>(width), h = static_cast<float>(height);
    const float ax = sprite->axis.x, ay = sprite->axis.y;
    sprite->format = kFormatQuad;
    sprite->stride = 32;
    sprite->vertexCount = 4;
    sprite->faceCount = 2;
    sprite->vertices.resize(4 * 32);
    PutVertex(&sprite->vertices[0], -ax, h - ay, 0.0f, 1.0f);
    PutVertex(&sprite->vertices[32], -ax, -ay, 0.0f, 0.0f);
    PutVertex(&sprite->vertices[64], w - ax, -ay, 1.0f, 0.0f);
    PutVertex(&sprite->vertices[96], w - ax, h - ay, 1.0f, 1.0f);
    sprite->indices = {1, 2, 0, 2, 3, 0};
    sprite->box = {{-ax, -ay, 0.0f}, {w - ax, h - ay, 0.0f}};
    sprite->textures.push_back(std::move(texture));
    sprite->fileName = ebmPath;
    return sprite;
}

} // namespace view3d
