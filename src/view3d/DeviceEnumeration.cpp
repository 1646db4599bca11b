#include "view3d/DeviceEnumeration.h"

#include <algorithm>
#include <new>
#include <tuple>

namespace view3d {

namespace {

using CF = ColourFormat;

constexpr CF kAdapterFormats[] = {CF::X8R8G8B8, CF::X1R5G5B5, CF::R5G6B5, CF::A2R10G10B10};
constexpr CF kBackBufferFormats[] = {CF::A8R8G8B8, CF::X8R8G8B8, CF::A2R10G10B10,
                                     CF::R5G6B5,   CF::A1R5G5B5, CF::X1R5G5B5};
constexpr DepthFormat kDepthFormats[] = {DepthFormat::D16,     DepthFormat::D15S1,
                                         DepthFormat::D24X8,   DepthFormat::D24S8,
                                         DepthFormat::D24X4S4, DepthFormat::D32};
constexpr uint32_t kMultisampleTypes = 17;
constexpr PresentInterval kIntervals[] = {PresentInterval::Immediate, PresentInterval::Default,
                                          PresentInterval::One,       PresentInterval::Two,
                                          PresentInterval::Three,     PresentInterval::Four};

struct FormatBits {
    CF format;
    int red, green, blue, alpha, unused;
};

constexpr FormatBits kFormatBits[] = {
    {CF::R8G8B8, 8, 8, 8, 0, 0},         {CF::A8R8G8B8, 8, 8, 8, 8, 0},
    {CF::X8R8G8B8, 8, 8, 8, 0, 8},       {CF::R5G6B5, 5, 6, 5, 0, 0},
    {CF::X1R5G5B5, 5, 5, 5, 0, 1},       {CF::A1R5G5B5, 5, 5, 5, 1, 0},
    {CF::A4R4G4B4, 4, 4, 4, 4, 0},       {CF::X4R4G4B4, 4, 4, 4, 0, 4},
    {CF::R3G3B2, 3, 3, 2, 0, 0},         {CF::A8R3G3B2, 3, 3, 2, 8, 0},
    {CF::A2R10G10B10, 10, 10, 10, 2, 0},
};

bool Contains(const auto& list, const auto& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

const SurfaceOffer* FindSurface(const DeviceOffer& device, CF adapterFormat, CF backBufferFormat,
                                bool windowed) {
    for (const SurfaceOffer& s : device.surfaces)
        if (s.adapterFormat == adapterFormat && s.backBufferFormat == backBufferFormat &&
            s.windowed == windowed)
            return &s;
    return nullptr;
}

} // namespace

int ColourChannelBits(ColourFormat format) {
    switch (format) {
    case CF::R8G8B8:
    case CF::A8R8G8B8:
    case CF::X8R8G8B8:
        return 8;
    case CF::R5G6B5:
    case CF::X1R5G5B5:
    case CF::A1R5G5B5:
        return 5;
    case CF::A4R4G4B4:
    case CF::X4R4G4B4:
        return 4;
    case CF::R3G3B2:
    case CF::A8R3G3B2:
        return 2;
    case CF::A2B10G10R10:
    case CF::A2R10G10B10:
        return 10;
    case CF::Unknown:
        break;
    }
    return 0;
}

int AlphaChannelBits(ColourFormat format) {
    switch (format) {
    case CF::A8R8G8B8:
    case CF::A8R3G3B2:
        return 8;
    case CF::A1R5G5B5:
        return 1;
    case CF::A4R4G4B4:
        return 4;
    case CF::A2B10G10R10:
    case CF::A2R10G10B10:
        return 2;
    default:
        return 0;
    }
}

int DepthBits(DepthFormat format) {
    switch (format) {
    case DepthFormat::D32:
        return 32;
    case DepthFormat::D15S1:
        return 15;
    case DepthFormat::D24S8:
    case DepthFormat::D24X8:
    case DepthFormat::D24X4S4:
        return 24;
    case DepthFormat::D16:
        return 16;
    case DepthFormat::Unknown:
        break;
    }
    return 0;
}

int StencilBits(DepthFormat format) {
    switch (format) {
    case DepthFormat::D15S1:
        return 1;
    case DepthFormat::D24S8:
        return 8;
    case DepthFormat::D24X4S4:
        return 4;
    default:
        return 0;
    }
}

ColourFormat ColourFormatFromBits(int red, int green, int blue, int alpha, int unused) {
    for (const FormatBits& f : kFormatBits)
        if (f.red == red && f.green == green && f.blue == blue && f.alpha == alpha &&
            f.unused == unused)
            return f.format;
    return CF::Unknown;
}

DepthFormat DepthFormatFromBits(int depth, int stencil) {
    for (DepthFormat f : kDepthFormats)
        if (DepthBits(f) == depth && StencilBits(f) == stencil) return f;
    return DepthFormat::Unknown;
}

bool AcceptsVertexProcessing(const DeviceCaps& caps, VertexProcessing processing) {
    return !(processing == VertexProcessing::PureHardware && caps.rtPatches && !caps.nPatches);
}

bool DeviceEnumeration::Enumerate(const PlatformDescription& platform) {
    m_adapters.clear();
    try {
        for (const AdapterOffer& adapter : platform.adapters) {
            AdapterEntry entry;
            entry.ordinal = adapter.ordinal;
            entry.description = adapter.description;
            entry.desktop = adapter.desktop;
            // The display formats the device combinations are tried with:
            // the allowed ones, in their order, that have a usable mode.
            std::vector<CF> adapterFormats;
            for (CF format : kAdapterFormats) {
                if (ColourChannelBits(format) < m_requirements.minColourChannelBits) continue;
                for (const DisplayMode& mode : adapter.modes) {
                    if (mode.format != format || mode.width < m_requirements.minFullscreenWidth ||
                        mode.height < m_requirements.minFullscreenHeight)
                        continue;
                    entry.modes.push_back(mode);
                    if (!Contains(adapterFormats, format)) adapterFormats.push_back(format);
                }
            }
            std::sort(entry.modes.begin(), entry.modes.end(),
                      [](const DisplayMode& a, const DisplayMode& b) {
                          return std::tie(a.width, a.height, a.format, a.refreshRate) <
                                 std::tie(b.width, b.height, b.format, b.refreshRate);
                      });
            for (DeviceType type : {DeviceType::Hal, DeviceType::Reference, DeviceType::Software}) {
                for (const DeviceOffer& device : adapter.devices) {
                    if (device.type != type || !device.capsReadable) continue;
                    DeviceEntry deviceEntry;
                    deviceEntry.type = type;
                    deviceEntry.caps = device.caps;
                    EnumerateDevice(adapter, device, adapterFormats, deviceEntry);
                    // A device type that fits no way has nothing to offer.
                    if (!deviceEntry.combinations.empty())
                        entry.devices.push_back(std::move(deviceEntry));
                }
            }
            if (!entry.devices.empty()) m_adapters.push_back(std::move(entry));
        }
    } catch (const std::bad_alloc&) {
        m_adapters.clear();
        return false;
    }
    return true;
}

void DeviceEnumeration::EnumerateDevice(const AdapterOffer& adapter, const DeviceOffer& device,
                                        const std::vector<ColourFormat>& adapterFormats,
                                        DeviceEntry& entry) const {
    for (CF adapterFormat : adapterFormats) {
        for (CF backBufferFormat : kBackBufferFormats) {
            if (AlphaChannelBits(backBufferFormat) < m_requirements.minAlphaChannelBits) continue;
            for (bool windowed : {false, true}) {
                if (!windowed && m_requirements.requiresWindowed) continue;
                if (windowed && m_requirements.requiresFullscreen) continue;
                const SurfaceOffer* surface =
                    FindSurface(device, adapterFormat, backBufferFormat, windowed);
                if (!surface) continue;
                DeviceCombination combination;
                combination.adapterOrdinal = adapter.ordinal;
                combination.deviceType = device.type;
                combination.adapterFormat = adapterFormat;
                combination.backBufferFormat = backBufferFormat;
                combination.windowed = windowed;
                if (BuildCombination(*surface, device, combination))
                    entry.combinations.push_back(std::move(combination));
            }
        }
    }
}

bool DeviceEnumeration::BuildCombination(const SurfaceOffer& surface, const DeviceOffer& device,
                                         DeviceCombination& combination) const {
    const EnumerationRequirements& req = m_requirements;
    for (DepthFormat format : kDepthFormats) {
        if (DepthBits(format) < req.minDepthBits || StencilBits(format) < req.minStencilBits)
            continue;
        for (const DepthOffer& offer : surface.depthFormats)
            if (offer.format == format) {
                combination.depthFormats.push_back(format);
                break;
            }
    }
    if (req.depthBufferRequired && combination.depthFormats.empty()) return false;

    for (uint32_t type = 0; type < kMultisampleTypes; ++type)
        for (const MultisampleOffer& offer : surface.multisamples)
            if (offer.type == type) {
                combination.multisamples.push_back(offer);
                break;
            }
    for (const DepthOffer& offer : surface.depthFormats) {
        if (!Contains(combination.depthFormats, offer.format)) continue;
        for (const MultisampleOffer& ms : combination.multisamples)
            if (Contains(offer.conflictingMultisamples, ms.type))
                combination.conflicts.push_back({offer.format, ms.type});
    }

    const DeviceCaps& caps = device.caps;
    std::vector<VertexProcessing> candidates;
    if (caps.hardwareTransformAndLighting) {
        if (caps.pureDevice) candidates.push_back(VertexProcessing::PureHardware);
        candidates.push_back(VertexProcessing::Hardware);
        if (req.mixedVertexProcessing) candidates.push_back(VertexProcessing::Mixed);
    }
    candidates.push_back(VertexProcessing::Software);
    for (VertexProcessing vp : candidates)
        if (AcceptsVertexProcessing(caps, vp)) combination.vertexProcessing.push_back(vp);
    if (combination.vertexProcessing.empty()) return false;

    for (PresentInterval interval : kIntervals) {
        const bool slow = interval == PresentInterval::Two || interval == PresentInterval::Three ||
                          interval == PresentInterval::Four;
        if (combination.windowed && slow) continue;
        if (interval == PresentInterval::Default || Contains(caps.presentIntervals, interval))
            combination.presentIntervals.push_back(interval);
    }
    return true;
}

const AdapterEntry* DeviceEnumeration::FindAdapter(uint32_t ordinal) const {
    for (const AdapterEntry& a : m_adapters)
        if (a.ordinal == ordinal) return &a;
    return nullptr;
}

} // namespace view3d
