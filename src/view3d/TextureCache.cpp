#include "view3d/TextureCache.h"

namespace view3d {

namespace {

TextureFormat DeviceFormat(const TextureImage& image) {
    switch (image.format) {
    case TexelFormat::Dxt1:
        return TextureFormat::Dxt1;
    case TexelFormat::Dxt3:
        return TextureFormat::Dxt3;
    case TexelFormat::Dxt5:
        return TextureFormat::Dxt5;
    case TexelFormat::Rgba8:
        break;
    }
    return image.alphaChannel ? TextureFormat::Rgba8 : TextureFormat::Rgbx8;
}

} // namespace

void DescribeTextureImage(const TextureImage& image, bool mipMaps, TextureDesc& desc,
                          std::vector<uint8_t>& data) {
    desc = TextureDesc{};
    desc.format = DeviceFormat(image);
    desc.width = image.Width();
    desc.height = image.Height();
    desc.levels = static_cast<uint32_t>(image.levels.size());
    desc.fullMipChain = mipMaps;
    data.clear();
    for (const TextureLevel& level : image.levels)
        data.insert(data.end(), level.data.begin(), level.data.end());
}

TextureCache::~TextureCache() = default;

TextureHandle TextureCache::Find(const std::string& key) {
    auto found = m_textures.find(key);
    return found == m_textures.end() ? TextureHandle{} : found->second;
}

TextureHandle TextureCache::LoadFile(RenderDevice& device, const std::string& path, bool mipMaps) {
    if (path.empty()) return {};
    if (TextureHandle cached = Find(path)) return cached;
    TextureImage image;
    if (!LoadTextureFile(path, image)) return {};
    PrepareMipLevels(image, mipMaps);
    TextureDesc desc;
    std::vector<uint8_t> data;
    DescribeTextureImage(image, mipMaps, desc, data);
    return Create(device, path, desc, data);
}

TextureHandle TextureCache::Create(RenderDevice& device, const std::string& key,
                                   const TextureDesc& desc, std::span<const uint8_t> data) {
    TextureHandle texture;
    if (!Succeeded(device.CreateTexture(desc, data, Pool::Managed, texture))) return {};
    TextureHandle& slot = m_textures[key];
    device.Release(slot); // a key made again replaces its old texture
    slot = texture;
    return texture;
}

void TextureCache::Clear(RenderDevice& device) {
    for (auto& [key, texture] : m_textures)
        device.Release(texture);
    m_textures.clear();
}

} // namespace view3d
