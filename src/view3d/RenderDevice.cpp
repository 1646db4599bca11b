#include "view3d/RenderDevice.h"

namespace view3d {

size_t TextureLevelBytes(TextureFormat format, uint32_t width, uint32_t height) {
    const size_t w = width;
    const size_t h = height;
    switch (format) {
    case TextureFormat::Rgba8:
    case TextureFormat::Rgbx8:
        return w * h * 4;
    case TextureFormat::Dxt1:
        return ((w + 3) / 4) * ((h + 3) / 4) * 8;
    case TextureFormat::Dxt3:
    case TextureFormat::Dxt5:
        return ((w + 3) / 4) * ((h + 3) / 4) * 16;
    }
    return 0;
}

} // namespace view3d
