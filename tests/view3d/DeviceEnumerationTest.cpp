// What the device enumeration keeps of what the platform offers, and which
// windowed and fullscreen settings it chooses from that.

#include "view3d/DeviceEnumeration.h"

#include <gtest/gtest.h>

using namespace view3d;
using CF = ColourFormat;
using DF = DepthFormat;
using PI = PresentInterval;
using VP = VertexProcessing;

namespace {

SurfaceOffer Surface(CF adapter, CF backBuffer, bool windowed,
                     std::vector<DepthOffer> depth = {{DF::D24S8, {}}}) {
    SurfaceOffer s;
    s.adapterFormat = adapter;
    s.backBufferFormat = backBuffer;
    s.windowed = windowed;
    s.depthFormats = std::move(depth);
    s.multisamples = {{0, 1}};
    return s;
}

DeviceOffer Device(DeviceType type, std::vector<SurfaceOffer> surfaces) {
    DeviceOffer d;
    d.type = type;
    d.caps.hardwareTransformAndLighting = true;
    d.caps.presentIntervals = {PI::Immediate, PI::One};
    d.surfaces = std::move(surfaces);
    return d;
}

AdapterOffer Adapter(uint32_t ordinal, std::vector<DeviceOffer> devices) {
    AdapterOffer a;
    a.ordinal = ordinal;
    a.description = "Screen " + std::to_string(ordinal);
    a.desktop = {1920, 1080, CF::X8R8G8B8, 60};
    a.modes = {{1920, 1080, CF::X8R8G8B8, 75},
               {1920, 1080, CF::X8R8G8B8, 60},
               {1280, 1024, CF::X8R8G8B8, 60},
               {1920, 1080, CF::R5G6B5, 60}};
    a.devices = std::move(devices);
    return a;
}

class DeviceEnumerationTest : public ::testing::Test {
  protected:
    PlatformDescription m_platform;
    DeviceEnumeration m_enumeration;

    const DeviceCombination& Only() {
        EXPECT_TRUE(m_enumeration.Enumerate(m_platform));
        const auto& adapters = m_enumeration.Adapters();
        EXPECT_EQ(adapters.size(), 1u);
        EXPECT_EQ(adapters[0].devices.size(), 1u);
        EXPECT_EQ(adapters[0].devices[0].combinations.size(), 1u);
        return adapters[0].devices[0].combinations[0];
    }
};

TEST_F(DeviceEnumerationTest, FormatTablesGiveTheChannelBits) {
    EXPECT_EQ(ColourChannelBits(CF::R3G3B2), 2);
    EXPECT_EQ(AlphaChannelBits(CF::A8R3G3B2), 8);
    EXPECT_EQ(AlphaChannelBits(CF::A2R10G10B10), 2);
    EXPECT_EQ(AlphaChannelBits(CF::X4R4G4B4), 0);
    EXPECT_EQ(DepthBits(DF::D15S1), 15);
    EXPECT_EQ(StencilBits(DF::D24X4S4), 4);

    EXPECT_EQ(ColourFormatFromBits(8, 8, 8, 8), CF::A8R8G8B8);
    EXPECT_EQ(ColourFormatFromBits(8, 8, 8, 0, 8), CF::X8R8G8B8);
    EXPECT_EQ(ColourFormatFromBits(16, 16, 16, 16), CF::Unknown);
    EXPECT_EQ(DepthFormatFromBits(24, 0), DF::D24X8);
    EXPECT_EQ(DepthFormatFromBits(0, 0), DF::Unknown);
}

TEST_F(DeviceEnumerationTest, DisplayModesAreFilteredAndSorted) {
    AdapterOffer a =
        Adapter(0, {Device(DeviceType::Hal, {Surface(CF::X8R8G8B8, CF::X8R8G8B8, true)})});
    a.modes = {
        {1920, 1080, CF::X8R8G8B8, 75}, {640, 480, CF::R5G6B5, 60},
        {1920, 1080, CF::X8R8G8B8, 60}, {800, 600, CF::A8R8G8B8, 60}, // not an adapter format
        {639, 480, CF::X8R8G8B8, 60},   {640, 479, CF::X8R8G8B8, 60},
        {640, 480, CF::X8R8G8B8, 60},   {1280, 1024, CF::X1R5G5B5, 60}};
    m_platform.adapters = {a};
    ASSERT_TRUE(m_enumeration.Enumerate(m_platform));
    const std::vector<DisplayMode> expected = {{640, 480, CF::X8R8G8B8, 60},
                                               {640, 480, CF::R5G6B5, 60},
                                               {1280, 1024, CF::X1R5G5B5, 60},
                                               {1920, 1080, CF::X8R8G8B8, 60},
                                               {1920, 1080, CF::X8R8G8B8, 75}};
    EXPECT_EQ(m_enumeration.Adapters()[0].modes, expected);
}

TEST_F(DeviceEnumerationTest, CombinationsFollowTheFormatTablesInOrder) {
    // Offered in a scrambled order; kept in the order of the tables, and a
    // display format without a mode gives no combination.
    m_platform.adapters = {
        Adapter(0, {Device(DeviceType::Hal, {Surface(CF::R5G6B5, CF::R5G6B5, true),
                                             Surface(CF::X8R8G8B8, CF::X8R8G8B8, true),
                                             Surface(CF::X8R8G8B8, CF::A8R8G8B8, false),
                                             Surface(CF::X8R8G8B8, CF::A8R8G8B8, true),
                                             Surface(CF::A2R10G10B10, CF::A2R10G10B10, true),
                                             Surface(CF::X8R8G8B8, CF::A4R4G4B4, true)})})};
    ASSERT_TRUE(m_enumeration.Enumerate(m_platform));
    const auto& combos = m_enumeration.Adapters()[0].devices[0].combinations;
    ASSERT_EQ(combos.size(), 4u);
    EXPECT_EQ(combos[0].backBufferFormat, CF::A8R8G8B8);
    EXPECT_FALSE(combos[0].windowed); // fullscreen first
    EXPECT_EQ(combos[1].backBufferFormat, CF::A8R8G8B8);
    EXPECT_TRUE(combos[1].windowed);
    EXPECT_EQ(combos[2].backBufferFormat, CF::X8R8G8B8);
    EXPECT_EQ(combos[3].adapterFormat, CF::R5G6B5);
}

TEST_F(DeviceEnumerationTest, AlphaRequirementDropsBackBuffersWithoutEnoughAlpha) {
    m_platform.adapters = {
        Adapter(0, {Device(DeviceType::Hal, {Surface(CF::X8R8G8B8, CF::X8R8G8B8, true),
                                             Surface(CF::X8R8G8B8, CF::A8R8G8B8, true)})})};
    EnumerationRequirements req;
    req.minAlphaChannelBits = 1;
    DeviceEnumeration enumeration(req);
    ASSERT_TRUE(enumeration.Enumerate(m_platform));
    const auto& combos = enumeration.Adapters()[0].devices[0].combinations;
    ASSERT_EQ(combos.size(), 1u);
    EXPECT_EQ(combos[0].backBufferFormat, CF::A8R8G8B8);
}

TEST_F(DeviceEnumerationTest, DepthFormatsMeetTheMinimumInTableOrder) {
    m_platform.adapters = {Adapter(
        0, {Device(DeviceType::Hal,
                   {Surface(CF::X8R8G8B8, CF::X8R8G8B8, true,
                            {{DF::D32, {}}, {DF::D24S8, {}}, {DF::D16, {}}, {DF::D15S1, {}}})})})};
    EXPECT_EQ(Only().depthFormats, (std::vector<DF>{DF::D16, DF::D15S1, DF::D24S8, DF::D32}));

    // Nothing of 15 bits: the combination is dropped, and with it the
    // device and the screen.
    m_platform.adapters[0].devices[0].surfaces[0].depthFormats = {{DF::Unknown, {}}};
    ASSERT_TRUE(m_enumeration.Enumerate(m_platform));
    EXPECT_TRUE(m_enumeration.Adapters().empty());
    EXPECT_EQ(m_enumeration.ChooseInitialSettings().error, kNoCompatibleDevice);

    // Without a required depth buffer the combination stays.
    EnumerationRequirements req;
    req.depthBufferRequired = false;
    DeviceEnumeration noDepth(req);
    ASSERT_TRUE(noDepth.Enumerate(m_platform));
    ASSERT_EQ(noDepth.Adapters().size(), 1u);
}

TEST_F(DeviceEnumerationTest, MultisamplesAndDepthConflictsAreListed) {
    SurfaceOffer s = Surface(CF::X8R8G8B8, CF::X8R8G8B8, true,
                             {{DF::D16, {4}}, {DF::D24S8, {}}, {DF::D32, {2, 4}}});
    s.multisamples = {{4, 2}, {0, 1}, {17, 1}, {2, 1}};
    m_platform.adapters = {Adapter(0, {Device(DeviceType::Hal, {s})})};
    const DeviceCombination& c = Only();
    ASSERT_EQ(c.multisamples.size(), 3u); // 17 is beyond the 0 to 16 tried
    EXPECT_EQ(c.multisamples[0].type, 0u);
    EXPECT_EQ(c.multisamples[1].type, 2u);
    EXPECT_EQ(c.multisamples[2].type, 4u);
    EXPECT_EQ(c.multisamples[2].qualityLevels, 2u);
    ASSERT_EQ(c.conflicts.size(), 3u);
    EXPECT_EQ(c.conflicts[0].depthFormat, DF::D16);
    EXPECT_EQ(c.conflicts[0].multisampleType, 4u);
    EXPECT_EQ(c.conflicts[2].depthFormat, DF::D32);
    EXPECT_EQ(c.conflicts[2].multisampleType, 4u);
}

TEST_F(DeviceEnumerationTest, VertexProcessingFollowsTheCapsInOrder) {
    m_platform.adapters = {
        Adapter(0, {Device(DeviceType::Hal, {Surface(CF::X8R8G8B8, CF::X8R8G8B8, true)})})};
    DeviceCaps& caps = m_platform.adapters[0].devices[0].caps;
    caps.pureDevice = true;
    EXPECT_EQ(Only().vertexProcessing,
              (std::vector<VP>{VP::PureHardware, VP::Hardware, VP::Software}));
    ASSERT_TRUE(m_enumeration.ChooseInitialSettings().windowed);
    EXPECT_EQ(m_enumeration.ChooseInitialSettings().windowed->vertexProcessing, VP::PureHardware);

    caps.rtPatches = true; // refused for pure hardware without N-patches
    EXPECT_EQ(Only().vertexProcessing, (std::vector<VP>{VP::Hardware, VP::Software}));
    caps.nPatches = true;
    EXPECT_EQ(Only().vertexProcessing.front(), VP::PureHardware);

    EnumerationRequirements req;
    req.mixedVertexProcessing = true;
    DeviceEnumeration mixed(req);
    ASSERT_TRUE(mixed.Enumerate(m_platform));
    EXPECT_EQ(mixed.Adapters()[0].devices[0].combinations[0].vertexProcessing,
              (std::vector<VP>{VP::PureHardware, VP::Hardware, VP::Mixed, VP::Software}));

    caps.hardwareTransformAndLighting = false;
    ASSERT_TRUE(mixed.Enumerate(m_platform));
    EXPECT_EQ(mixed.Adapters()[0].devices[0].combinations[0].vertexProcessing,
              (std::vector<VP>{VP::Software}));
}

TEST_F(DeviceEnumerationTest, WindowedCombinationsNeverOfferSlowPresentIntervals) {
    DeviceOffer d = Device(DeviceType::Hal, {Surface(CF::X8R8G8B8, CF::X8R8G8B8, false),
                                             Surface(CF::X8R8G8B8, CF::X8R8G8B8, true)});
    d.caps.presentIntervals = {PI::Four, PI::Two, PI::One, PI::Three, PI::Immediate};
    m_platform.adapters = {Adapter(0, {d})};
    ASSERT_TRUE(m_enumeration.Enumerate(m_platform));
    const auto& combos = m_enumeration.Adapters()[0].devices[0].combinations;
    ASSERT_EQ(combos.size(), 2u);
    EXPECT_EQ(combos[0].presentIntervals,
              (std::vector<PI>{PI::Immediate, PI::Default, PI::One, PI::Two, PI::Three, PI::Four}));
    EXPECT_EQ(combos[1].presentIntervals, (std::vector<PI>{PI::Immediate, PI::Default, PI::One}));

    d.caps.presentIntervals.clear(); // Default is always there
    m_platform.adapters = {Adapter(0, {d})};
    ASSERT_TRUE(m_enumeration.Enumerate(m_platform));
    EXPECT_EQ(m_enumeration.Adapters()[0].devices[0].combinations[1].presentIntervals,
              (std::vector<PI>{PI::Default}));
}

TEST_F(DeviceEnumerationTest, DevicesWhoseCapsCannotBeReadAreSkipped) {
    DeviceOffer hal = Device(DeviceType::Hal, {Surface(CF::X8R8G8B8, CF::X8R8G8B8, true)});
    hal.capsReadable = false;
    DeviceOffer sw = Device(DeviceType::Software, {Surface(CF::X8R8G8B8, CF::X8R8G8B8, true)});
    DeviceOffer ref = Device(DeviceType::Reference, {Surface(CF::X8R8G8B8, CF::X8R8G8B8, true)});
    m_platform.adapters = {Adapter(0, {sw, hal, ref})};
    ASSERT_TRUE(m_enumeration.Enumerate(m_platform));
    const auto& devices = m_enumeration.Adapters()[0].devices;
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].type, DeviceType::Reference); // HAL, reference, software
    EXPECT_EQ(devices[1].type, DeviceType::Software);
}

TEST_F(DeviceEnumerationTest, WindowedChoicePrefersHalThenMatchingFormats) {
    DeviceOffer ref = Device(DeviceType::Reference, {Surface(CF::X8R8G8B8, CF::X8R8G8B8, true)});
    DeviceOffer hal = Device(DeviceType::Hal, {Surface(CF::X8R8G8B8, CF::A8R8G8B8, true),
                                               Surface(CF::R5G6B5, CF::R5G6B5, true)});
    m_platform.adapters = {Adapter(0, {ref, hal})};
    ASSERT_TRUE(m_enumeration.Enumerate(m_platform));
    InitialSettings s = m_enumeration.ChooseInitialSettings();
    ASSERT_TRUE(s.windowed);
    // HAL outranks equal formats; the R5G6B5 desktop format does not match.
    EXPECT_EQ(s.windowed->deviceType, DeviceType::Hal);
    EXPECT_EQ(s.windowed->backBufferFormat, CF::A8R8G8B8);
    EXPECT_EQ(s.windowed->displayMode, (DisplayMode{1920, 1080, CF::X8R8G8B8, 60}));
    EXPECT_EQ(s.windowed->depthFormat, DF::D24S8);
    EXPECT_EQ(s.windowed->presentInterval, PI::Immediate);
    EXPECT_FALSE(s.fullscreen);
    EXPECT_TRUE(s.startWindowed);

    // A HAL combination with equal formats on a second screen wins.
    AdapterOffer second =
        Adapter(1, {Device(DeviceType::Hal, {Surface(CF::X8R8G8B8, CF::X8R8G8B8, true)})});
    m_platform.adapters.push_back(second);
    ASSERT_TRUE(m_enumeration.Enumerate(m_platform));
    s = m_enumeration.ChooseInitialSettings();
    EXPECT_EQ(s.windowed->adapterOrdinal, 1u);
    EXPECT_EQ(s.windowed->backBufferFormat, CF::X8R8G8B8);

    // Without HAL, equal formats outrank different ones.
    m_platform.adapters = {
        Adapter(0, {Device(DeviceType::Reference, {Surface(CF::X8R8G8B8, CF::A8R8G8B8, true),
                                                   Surface(CF::X8R8G8B8, CF::X8R8G8B8, true)})})};
    ASSERT_TRUE(m_enumeration.Enumerate(m_platform));
    EXPECT_EQ(m_enumeration.ChooseInitialSettings().windowed->backBufferFormat, CF::X8R8G8B8);
}

TEST_F(DeviceEnumerationTest, FullscreenChoiceUsesTheDesktopSizeInTheCombinationsFormat) {
    m_platform.adapters = {
        Adapter(0, {Device(DeviceType::Hal, {Surface(CF::R5G6B5, CF::R5G6B5, false),
                                             Surface(CF::X8R8G8B8, CF::A8R8G8B8, false),
                                             Surface(CF::X8R8G8B8, CF::X8R8G8B8, false)})})};
    ASSERT_TRUE(m_enumeration.Enumerate(m_platform));
    const InitialSettings s = m_enumeration.ChooseInitialSettings();
    EXPECT_FALSE(s.windowed);
    EXPECT_FALSE(s.startWindowed); // only fullscreen: start there
    EXPECT_EQ(s.error, 0u);
    ASSERT_TRUE(s.fullscreen);
    EXPECT_EQ(s.fullscreen->backBufferFormat, CF::X8R8G8B8);
    // The desktop's refresh rate among the desktop-sized modes.
    EXPECT_EQ(s.fullscreen->displayMode, (DisplayMode{1920, 1080, CF::X8R8G8B8, 60}));

    // A format with no mode at the desktop's size cannot be shown.
    m_platform.adapters[0].modes = {{1920, 1080, CF::R5G6B5, 60}, {1280, 1024, CF::X8R8G8B8, 60}};
    ASSERT_TRUE(m_enumeration.Enumerate(m_platform));
    const InitialSettings other = m_enumeration.ChooseInitialSettings();
    ASSERT_TRUE(other.fullscreen);
    EXPECT_EQ(other.fullscreen->displayMode, (DisplayMode{1920, 1080, CF::R5G6B5, 60}));
}

TEST_F(DeviceEnumerationTest, PresentParametersAndBehaviourFlagsFollowTheSetting) {
    DeviceSettings s;
    s.displayMode = {1280, 1024, CF::X8R8G8B8, 75};
    s.backBufferFormat = CF::A8R8G8B8;
    const PresentationSettings w = BuildPresentParameters(s, true, 640, 400);
    EXPECT_EQ(w.width, 640u);
    EXPECT_EQ(w.height, 400u);
    EXPECT_EQ(w.backBufferFormat, CF::A8R8G8B8);
    EXPECT_EQ(w.refreshRate, 0u);
    EXPECT_EQ(w.flags, 3u);
    const PresentationSettings f = BuildPresentParameters(s, false, 640, 400);
    EXPECT_EQ(f.width, 1280u);
    EXPECT_EQ(f.height, 1024u);
    EXPECT_EQ(f.backBufferFormat, CF::X8R8G8B8);
    EXPECT_EQ(f.refreshRate, 75u);

    EXPECT_EQ(BehaviourFlags(VP::Software), 0x20u);
    EXPECT_EQ(BehaviourFlags(VP::Mixed), 0x80u);
    EXPECT_EQ(BehaviourFlags(VP::Hardware), 0x40u);
    EXPECT_EQ(BehaviourFlags(VP::PureHardware), 0x50u);
}

TEST_F(DeviceEnumerationTest, StatsTextNamesTheDeviceAndItsProcessing) {
    DeviceSettings s;
    s.vertexProcessing = VP::PureHardware;
    EXPECT_EQ(DeviceStatsText(s, "Mesa llvmpipe"), "HAL (pure hw vp): Mesa llvmpipe");
    s.deviceType = DeviceType::Reference;
    EXPECT_EQ(DeviceStatsText(s, "x"), "REF (simulated pure hw vp)");
    s.deviceType = DeviceType::Software;
    s.vertexProcessing = VP::Mixed;
    EXPECT_EQ(DeviceStatsText(s, "x"), "SW (simulated mixed vp)");
    s.vertexProcessing = VP::Software;
    EXPECT_EQ(DeviceStatsText(s, "x"), "SW (sw vp)");
}

} // namespace
