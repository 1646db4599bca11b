#pragma once

#include "view3d/RenderDevice.h"
#include "view3d/TextureImage.h"

#include <map>
#include <string>
#include <vector>

namespace view3d {

// The device's description of a decoded image and its levels one after the
// other, as CreateTexture takes them; mipMaps asks the device for a full
// chain. An RGBA image without an alpha channel in its file becomes Rgbx8,
// so the scene does not sort it as see-through.
void DescribeTextureImage(const TextureImage& image, bool mipMaps, TextureDesc& desc,
                          std::vector<uint8_t>& data);

// The texture cache of one 3D view: every texture the view's objects use,
// made once and keyed by its resolved file path (or by a name of the
// program's own, such as a player flag). Textures live in the managed pool,
// so they survive a device reset; the cache releases them all in Clear, when
// the view goes away (the view calls it before its device goes). A path that failed to load is not
// remembered: the next object that names it tries again.
class TextureCache : public TextureSource {
  public:
    TextureCache() = default;
    ~TextureCache() override;
    TextureCache(const TextureCache&) = delete;
    TextureCache& operator=(const TextureCache&) = delete;

    TextureHandle Find(const std::string& key) override;
    TextureHandle LoadFile(RenderDevice& device, const std::string& path, bool mipMaps) override;
    TextureHandle Create(RenderDevice& device, const std::string& key, const TextureDesc& desc,
                         std::span<const uint8_t> data) override;

    // Releases every texture through device and empties the cache.
    void Clear(RenderDevice& device);
    size_t Size() const { return m_textures.size(); }

  private:
    std::map<std::string, TextureHandle> m_textures;
};

} // namespace view3d
