#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace view3d {

// Colour surface formats, named by their channels from the high bits down
// (X: unused bits).
enum class ColourFormat : uint8_t {
    Unknown,
    R8G8B8,
    A8R8G8B8,
    X8R8G8B8,
    R5G6B5,
    X1R5G5B5,
    A1R5G5B5,
    A4R4G4B4,
    X4R4G4B4,
    R3G3B2,
    A8R3G3B2,
    A2B10G10R10,
    A2R10G10B10,
};

enum class DepthFormat : uint8_t { Unknown, D16, D15S1, D24X8, D24S8, D24X4S4, D32 };

enum class DeviceType : uint8_t { Hal = 1, Reference = 2, Software = 3 };

enum class VertexProcessing : uint8_t { Software = 0, Mixed = 1, Hardware = 2, PureHardware = 3 };

// Swap intervals: Immediate never waits for the display, Default is the
// platform's choice, One to Four wait for that many refreshes.
enum class PresentInterval : uint8_t { Immediate, Default, One, Two, Three, Four };

// Bits per colour channel (the smallest when they differ) and alpha bits;
// 0 for Unknown.
int ColourChannelBits(ColourFormat format);
int AlphaChannelBits(ColourFormat format);
int DepthBits(DepthFormat format);
int StencilBits(DepthFormat format);
// The format with exactly these channel sizes, or Unknown. The OpenGL side
// uses these to name what a framebuffer configuration offers.
ColourFormat ColourFormatFromBits(int red, int green, int blue, int alpha, int unused = 0);
DepthFormat DepthFormatFromBits(int depth, int stencil);

struct DisplayMode {
    uint32_t width = 0, height = 0;
    ColourFormat format = ColourFormat::Unknown;
    uint32_t refreshRate = 0;
    bool operator==(const DisplayMode&) const = default;
};

// --- what the platform offers, filled in by the rendering side ----------------

struct MultisampleOffer {
    uint32_t type = 0; // samples; 0 is none
    uint32_t qualityLevels = 1;
};

struct DepthOffer {
    DepthFormat format = DepthFormat::Unknown;
    // Multisample types this depth format cannot be used with.
    std::vector<uint32_t> conflictingMultisamples;
};

// One pairing of display format and back-buffer format, windowed or
// fullscreen, that a device accepts, with the depth/stencil formats that
// match it as a render target and the multisample types it supports.
struct SurfaceOffer {
    ColourFormat adapterFormat = ColourFormat::Unknown;
    ColourFormat backBufferFormat = ColourFormat::Unknown;
    bool windowed = true;
    std::vector<DepthOffer> depthFormats;
    std::vector<MultisampleOffer> multisamples;
};

struct DeviceCaps {
    bool hardwareTransformAndLighting = false;
    bool pureDevice = false;
    bool rtPatches = false;
    bool nPatches = false;
    // The swap intervals the device can honour; Default needs no entry.
    std::vector<PresentInterval> presentIntervals;
};

struct DeviceOffer {
    DeviceType type = DeviceType::Hal;
    bool capsReadable = true;
    DeviceCaps caps;
    std::vector<SurfaceOffer> surfaces;
};

// One screen: its description (the renderer's name), its current desktop
// mode, every display mode it can show, and the device types behind it.
struct AdapterOffer {
    uint32_t ordinal = 0;
    std::string description;
    DisplayMode desktop;
    std::vector<DisplayMode> modes;
    std::vector<DeviceOffer> devices;
};

struct PlatformDescription {
    std::vector<AdapterOffer> adapters; // the first is the primary screen
};

// --- the enumeration --------------------------------------------------------------

struct EnumerationRequirements {
    uint32_t minFullscreenWidth = 640, minFullscreenHeight = 480;
    int minColourChannelBits = 5, minAlphaChannelBits = 0;
    int minDepthBits = 15, minStencilBits = 0;
    bool depthBufferRequired = true;
    bool mixedVertexProcessing = false;
    bool requiresWindowed = false, requiresFullscreen = false;
};

struct DepthMultisampleConflict {
    DepthFormat depthFormat = DepthFormat::Unknown;
    uint32_t multisampleType = 0;
};

struct DeviceCombination {
    uint32_t adapterOrdinal = 0;
    DeviceType deviceType = DeviceType::Hal;
    ColourFormat adapterFormat = ColourFormat::Unknown;
    ColourFormat backBufferFormat = ColourFormat::Unknown;
    bool windowed = true;
    std::vector<DepthFormat> depthFormats;
    std::vector<MultisampleOffer> multisamples;
    std::vector<DepthMultisampleConflict> conflicts;
    std::vector<VertexProcessing> vertexProcessing;
    std::vector<PresentInterval> presentIntervals;
};

struct DeviceEntry {
    DeviceType type = DeviceType::Hal;
    DeviceCaps caps;
    std::vector<DeviceCombination> combinations;
};

struct AdapterEntry {
    uint32_t ordinal = 0;
    std::string description;
    DisplayMode desktop;
    std::vector<DisplayMode> modes; // sorted by width, height, format, refresh
    std::vector<DeviceEntry> devices;
};

// One way to run the device.
struct DeviceSettings {
    uint32_t adapterOrdinal = 0;
    DeviceType deviceType = DeviceType::Hal;
    DisplayMode displayMode;
    ColourFormat backBufferFormat = ColourFormat::Unknown;
    DepthFormat depthFormat = DepthFormat::Unknown;
    uint32_t multisampleType = 0, multisampleQuality = 0;
    VertexProcessing vertexProcessing = VertexProcessing::Software;
    PresentInterval presentInterval = PresentInterval::Immediate;
};

// The code a view reports when no device fits either way.
inline constexpr uint32_t kNoCompatibleDevice = 0x82000003;

struct InitialSettings {
    std::optional<DeviceSettings> windowed, fullscreen;
    bool startWindowed = true;
    uint32_t error = 0; // kNoCompatibleDevice when neither exists
};

// What the device is created with.
struct PresentationSettings {
    bool windowed = true;
    uint32_t backBufferCount = 1;
    uint32_t width = 0, height = 0;
    ColourFormat backBufferFormat = ColourFormat::Unknown;
    uint32_t refreshRate = 0;
    uint32_t multisampleType = 0, multisampleQuality = 0;
    bool discardSwap = true;
    bool autoDepthStencil = true;
    DepthFormat depthFormat = DepthFormat::Unknown;
    uint32_t flags = 3; // lockable back buffer, discard depth/stencil
    PresentInterval presentInterval = PresentInterval::Immediate;
};

// Lists what every adapter can do under the requirements, and chooses from
// that list. Each 3D view owns one.
class DeviceEnumeration {
  public:
    explicit DeviceEnumeration(EnumerationRequirements requirements = {})
        : m_requirements(requirements) {}

    // Replaces the list with what the platform offers. A device type with no
    // usable combination, and a screen with no such device, are left out.
    // False when memory ran out; the list is then empty.
    bool Enumerate(const PlatformDescription& platform);
    const std::vector<AdapterEntry>& Adapters() const { return m_adapters; }
    const AdapterEntry* FindAdapter(uint32_t ordinal) const;

    // One setting for windowed and one for fullscreen use. Windowed needs
    // the primary screen's desktop format; fullscreen needs a mode at the
    // screen's desktop size in the combination's format and takes the
    // desktop's refresh rate when that mode has it.
    InitialSettings ChooseInitialSettings() const;

  private:
    EnumerationRequirements m_requirements;
    std::vector<AdapterEntry> m_adapters;

    void EnumerateDevice(const AdapterOffer& adapter, const DeviceOffer& device,
                         const std::vector<ColourFormat>& adapterFormats, DeviceEntry& entry) const;
    bool BuildCombination(const SurfaceOffer& surface, const DeviceOffer& device,
                          DeviceCombination& combination) const;
};

// The device-acceptance rule: pure hardware processing is refused on a
// device that has RT patches without N-patches.
bool AcceptsVertexProcessing(const DeviceCaps& caps, VertexProcessing processing);

// The presentation parameters for a setting; clientWidth and clientHeight
// are the window's client area, used when windowed.
PresentationSettings BuildPresentParameters(const DeviceSettings& settings, bool windowed,
                                            uint32_t clientWidth, uint32_t clientHeight);
// The device's behaviour flags for a processing type.
uint32_t BehaviourFlags(VertexProcessing processing);
// The device-stats text: "HAL", "REF" or "SW", the processing suffix, and
// for HAL ": " and the adapter's description.
std::string DeviceStatsText(const DeviceSettings& settings, const std::string& adapterDescription);

} // namespace view3d
