// Choosing the windowed and fullscreen settings from the enumeration, and
// what the device is created with for a setting.

#include "view3d/DeviceEnumeration.h"

namespace view3d {

namespace {

DeviceSettings FirstOfEach(const DeviceCombination& c, const DisplayMode& mode) {
    DeviceSettings s;
    s.adapterOrdinal = c.adapterOrdinal;
    s.deviceType = c.deviceType;
    s.displayMode = mode;
    s.backBufferFormat = c.backBufferFormat;
    s.depthFormat = c.depthFormats.empty() ? DepthFormat::Unknown : c.depthFormats.front();
    s.multisampleType = c.multisamples.empty() ? 0 : c.multisamples.front().type;
    s.vertexProcessing = c.vertexProcessing.front();
    s.presentInterval =
        c.presentIntervals.empty() ? PresentInterval::Default : c.presentIntervals.front();
    return s;
}

// The adapter's mode in format at the desktop's size, preferring the
// desktop's refresh rate; nullptr when the screen has no such mode.
const DisplayMode* FullscreenMode(const AdapterEntry& adapter, ColourFormat format) {
    const DisplayMode* found = nullptr;
    for (const DisplayMode& m : adapter.modes) {
        if (m.format != format || m.width != adapter.desktop.width ||
            m.height != adapter.desktop.height)
            continue;
        if (m.refreshRate == adapter.desktop.refreshRate) return &m;
        if (!found) found = &m;
    }
    return found;
}

} // namespace

InitialSettings DeviceEnumeration::ChooseInitialSettings() const {
    InitialSettings result;

    // Windowed: the combination must show on the primary screen's desktop
    // format. A HAL device outranks the others, and equal display and
    // back-buffer formats outrank different ones; the first of the best
    // rank wins, and the best possible one ends the search.
    const DeviceCombination* bestWindowed = nullptr;
    const AdapterEntry* windowedAdapter = nullptr;
    int bestRank = -1;
    const ColourFormat desktopFormat =
        m_adapters.empty() ? ColourFormat::Unknown : m_adapters.front().desktop.format;
    for (const AdapterEntry& adapter : m_adapters) {
        for (const DeviceEntry& device : adapter.devices)
            for (const DeviceCombination& c : device.combinations) {
                if (!c.windowed || c.adapterFormat != desktopFormat) continue;
                const int rank = (c.deviceType == DeviceType::Hal ? 2 : 0) +
                                 (c.backBufferFormat == c.adapterFormat ? 1 : 0);
                if (rank > bestRank) {
                    bestRank = rank;
                    bestWindowed = &c;
                    windowedAdapter = &adapter;
                }
                if (rank == 3) break;
            }
        if (bestRank == 3) break;
    }
    if (bestWindowed) result.windowed = FirstOfEach(*bestWindowed, windowedAdapter->desktop);

    // Fullscreen: each screen's own desktop format; a combination needs a
    // mode at the desktop's size in its format, or it could not be shown.
    const DeviceCombination* bestFullscreen = nullptr;
    const DisplayMode* fullscreenMode = nullptr;
    bestRank = -1;
    for (const AdapterEntry& adapter : m_adapters) {
        for (const DeviceEntry& device : adapter.devices)
            for (const DeviceCombination& c : device.combinations) {
                if (c.windowed) continue;
                const DisplayMode* mode = FullscreenMode(adapter, c.adapterFormat);
                if (!mode) continue;
                const int rank = (c.deviceType == DeviceType::Hal ? 4 : 0) +
                                 (c.adapterFormat == adapter.desktop.format ? 2 : 0) +
                                 (c.backBufferFormat == c.adapterFormat ? 1 : 0);
                if (rank > bestRank) {
                    bestRank = rank;
                    bestFullscreen = &c;
                    fullscreenMode = mode;
                }
                if (rank == 7) break;
            }
        if (bestRank == 7) break;
    }
    if (bestFullscreen) result.fullscreen = FirstOfEach(*bestFullscreen, *fullscreenMode);

    if (!result.windowed && !result.fullscreen) result.error = kNoCompatibleDevice;
    result.startWindowed = result.windowed.has_value() || !result.fullscreen;
    return result;
}

PresentationSettings BuildPresentParameters(const DeviceSettings& settings, bool windowed,
                                            uint32_t clientWidth, uint32_t clientHeight) {
    PresentationSettings p;
    p.windowed = windowed;
    p.multisampleType = settings.multisampleType;
    p.multisampleQuality = settings.multisampleQuality;
    p.depthFormat = settings.depthFormat;
    p.presentInterval = settings.presentInterval;
    if (windowed) {
        p.width = clientWidth;
        p.height = clientHeight;
        p.backBufferFormat = settings.backBufferFormat;
        p.refreshRate = 0;
    } else {
        p.width = settings.displayMode.width;
        p.height = settings.displayMode.height;
        p.backBufferFormat = settings.displayMode.format;
        p.refreshRate = settings.displayMode.refreshRate;
    }
    return p;
}

uint32_t BehaviourFlags(VertexProcessing processing) {
    switch (processing) {
    case VertexProcessing::Software:
        return 0x20;
    case VertexProcessing::Mixed:
        return 0x80;
    case VertexProcessing::Hardware:
        return 0x40;
    case VertexProcessing::PureHardware:
        return 0x40 | 0x10;
    }
    return 0x20;
}

std::string DeviceStatsText(const DeviceSettings& settings, const std::string& adapterDescription) {
    const bool hal = settings.deviceType == DeviceType::Hal;
    std::string text = hal ? "HAL" : settings.deviceType == DeviceType::Reference ? "REF" : "SW";
    const char* simulated = hal ? "" : "simulated ";
    switch (settings.vertexProcessing) {
    case VertexProcessing::PureHardware:
        text += std::string(" (") + simulated + "pure hw vp)";
        break;
    case VertexProcessing::Hardware:
        text += std::string(" (") + simulated + "hw vp)";
        break;
    case VertexProcessing::Mixed:
        text += std::string(" (") + simulated + "mixed vp)";
        break;
    case VertexProcessing::Software:
        text += " (sw vp)";
        break;
    }
    if (hal) text += ": " + adapterDescription;
    return text;
}

} // namespace view3d
