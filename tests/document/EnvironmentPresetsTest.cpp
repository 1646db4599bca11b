#include "DocTestSupport.h"

#include "document/EnvironmentPresets.h"
#include "format/DefGuard.h"

#include <gtest/gtest.h>

using namespace doc_testing;
using namespace document;
namespace fs = std::filesystem;

namespace {

const char* kGamePresets = R"({Environment
	{Preset "day" {"light/direction" 0.1 0.2 -0.9} {"light/ambient" 10 20 30 255} {"wind/amplitude" 7}
		{"haze/enable"} {"haze/color" 1 2 3 255} {"haze/start" 100} {"haze/end" 900}}
	{Preset "night" {"light/night"} {"light/night_vision" 0.5} {"thunder/enable"} {"thunder/interval" 3 9}}
	{Preset "shared" {"wind/amplitude" 1}}
})";

class EnvironmentPresetsTest : public ::testing::Test, protected DocFixture {
  protected:
    void SetUp() override { ASSERT_TRUE(ParseDefinitionText(kGamePresets, game)); }
    DefNodeList game;
};

TEST_F(EnvironmentPresetsTest, CustomPresetRoundTripsEveryField) {
    CEnvironmentPresets presets(game, dir.path() / "environment.set");
    EnvironmentValues v;
    v.direction = {0.25f, -0.5f, -0.75f};
    v.ambient = {1, 2, 3};
    v.diffuse = {4, 5, 6};
    v.night = true;
    v.nightVision = 0.25;
    v.intensity = 1.5;
    v.mtlAmbient = {7, 8, 9};
    v.mtlDiffuse = {10, 11, 12};
    v.shadowAlpha = 0.75;
    v.shadowColor = {13, 14, 15};
    v.windAmplitude = 42;
    v.haze = true;
    v.hazeColor = {16, 17, 18};
    v.hazeStart = 150;
    v.hazeEnd = 1500;
    v.skyTexture = "/texture/background/sky1.ebm";
    v.cloudsTexture = "/texture/background/clouds.ebm";
    v.weather = true;
    v.weatherDensity = 300;
    v.weatherFx = "/fx/weather/rain.fx";
    v.weatherSound = "rain";
    v.thunder = true;
    v.thunderInterval = {5, 20};
    v.thunderColor = {200, 210, 220};
    v.thunderSound = "thunder";
    ASSERT_TRUE(presets.SaveCustomPreset("mine", v));

    EnvironmentValues back;
    bool fromCustom = false;
    ASSERT_TRUE(presets.LoadPresetValues("mine", back, &fromCustom));
    EXPECT_TRUE(fromCustom);
    EXPECT_EQ(back, v);

    // Saving again replaces every earlier custom preset.
    ASSERT_TRUE(presets.SaveCustomPreset("second", EnvironmentValues{}));
    std::string last;
    EXPECT_EQ(presets.PresetNames(&last),
              (std::vector<std::string>{"day", "night", "shared", "second"}));
    EXPECT_EQ(last, "second");
}

TEST_F(EnvironmentPresetsTest, DisabledGroupsWriteNoneOfTheirKeys) {
    std::string text = WriteToText(BuildPreset("plain", EnvironmentValues{}).get());
    for (const char* key :
         {"haze/", "weather/", "thunder/", "light/night", "sky/texture", "cloudsonwater/texture"})
        EXPECT_EQ(text.find(key), std::string::npos) << key;
    EXPECT_NE(text.find("{\"sky/size\" 1 1}"), std::string::npos);
    EXPECT_NE(text.find("{\"light/direction\" -0.780000 0.000000 -0.620000}"), std::string::npos);
    EXPECT_NE(text.find("{\"cloudsonwater/windSpeed\" 0.000100 0.000100}"), std::string::npos);
}

TEST_F(EnvironmentPresetsTest, GamePresetsWinAndMissingKeysKeepFields) {
    CEnvironmentPresets presets(game, dir.path() / "environment.set");
    EnvironmentValues custom;
    custom.windAmplitude = 99;
    ASSERT_TRUE(presets.SaveCustomPreset("shared", custom));
    EnvironmentValues v;
    v.shadowAlpha = 0.5;
    bool fromCustom = true;
    ASSERT_TRUE(presets.LoadPresetValues("shared", v, &fromCustom));
    EXPECT_FALSE(fromCustom);
    EXPECT_EQ(v.windAmplitude, 1u);
    EXPECT_DOUBLE_EQ(v.shadowAlpha, 0.5); // not in the preset: unchanged
    ASSERT_TRUE(presets.LoadPresetValues("day", v));
    EXPECT_EQ(v.ambient, (Rgb{10, 20, 30}));
    EXPECT_TRUE(v.haze);
    EXPECT_EQ(v.hazeEnd, 900);
    ASSERT_TRUE(presets.LoadPresetValues("night", v));
    EXPECT_TRUE(v.night);
    EXPECT_EQ(v.thunderInterval, (std::array<unsigned long, 2>{3, 9}));
    EnvironmentValues untouched = v;
    EXPECT_FALSE(presets.LoadPresetValues("nowhere", v));
    EXPECT_EQ(v, untouched);
    // No custom file at all.
    CEnvironmentPresets bare(game, dir.path() / "missing" / "environment.set");
    EXPECT_EQ(bare.PresetNames().size(), 3u);
}

TEST_F(EnvironmentPresetsTest, ApplyingANameWritesTheMissionAndItsSky) {
    auto doc = OpenMission("{mission {Camera} {Entity \"sky\" {Position 0 0 0}} {Tags}}");
    ASSERT_TRUE(doc);
    EXPECT_EQ(MissionPresetName(*doc), "");
    ASSERT_TRUE(ApplyEnvironment(*doc, "night", true));
    EXPECT_EQ(ChildNames(doc->WorkingRoot()), "Environment Camera Entity Tags");
    EXPECT_EQ(MissionPresetName(*doc), "night");
    EXPECT_TRUE(doc->IsModified());
    CDefNode* sky = doc->WorkingRoot()->Child(2);
    // The base map's world bound is -100 -100 100 100: centre 0 0, radius 100.
    EXPECT_EQ(WriteToText(sky),
              "\t{Entity sky\r\n\t\t{Position 0.000000 0.000000 -100.000000}\r\n"
              "\t\t{Turn 46.637100}\r\n\t\t{Constrain zero}\r\n\t\t{OffsetZ -100.000000}\r\n"
              "\t\t{Scale 0.289157}\r\n\t}\r\n");
    ASSERT_TRUE(ApplyEnvironment(*doc, "day", false));
    EXPECT_EQ(ChildNames(doc->WorkingRoot()), "Environment Camera Entity Tags");
    EXPECT_EQ(MissionPresetName(*doc), "day");

    auto map = OpenMap(kBaseMap);
    EXPECT_FALSE(ApplyEnvironment(*map, "day", true));
}

TEST_F(EnvironmentPresetsTest, TextsAPresetFileWouldNotReadBackAreRefusedAndNothingIsWritten) {
    fs::path file = dir.path() / "environment.set";
    CEnvironmentPresets presets(game, file);
    ASSERT_TRUE(presets.SaveCustomPreset("earlier", EnvironmentValues{}));
    const std::string earlier = ReadText(file);

    PresetResult refused = presets.SaveCustomPreset("my dusk\"}", EnvironmentValues{});
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.refusal, format::CheckQuotedText("my dusk\"}"));
    EXPECT_NE(refused.refusal.find("'\"' (double quote)"), std::string::npos);

    EnvironmentValues v;
    v.weather = true;
    v.weatherSound = "rain\" {x";
    refused = presets.SaveCustomPreset("fine", v);
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.refusal, format::CheckQuotedText(v.weatherSound));
    v.skyTexture = std::string("/sky\0.ebm", 9);
    EXPECT_EQ(CheckPresetValues(v), format::CheckQuotedText(v.skyTexture));
    EXPECT_EQ(ReadText(file), earlier);

    // A sound of a switched-off group is not written, so it does not matter.
    v = EnvironmentValues{};
    v.thunderSound = "bang\"";
    EXPECT_TRUE(presets.SaveCustomPreset("quiet", v));
    EXPECT_EQ(presets.PresetNames().back(), "quiet");
}

TEST_F(EnvironmentPresetsTest, ARefusedPresetNameLeavesTheMissionAndItsEntitiesAlone) {
    auto doc =
        OpenMission("{mission {Camera} {Environment \"day\"} {Entity \"sky\" {Position 0 0 0}}"
                    " {Entity \"m4a2\" 0x8001 {MID 5}} {Tags}}");
    ASSERT_TRUE(doc);
    const std::string before = WriteToText(doc->WorkingRoot());
    PresetResult refused = ApplyEnvironment(*doc, "my dusk\"}", true);
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.refusal, format::CheckQuotedText("my dusk\"}"));
    EXPECT_EQ(WriteToText(doc->WorkingRoot()), before);
    EXPECT_FALSE(doc->IsModified());

    // Saved and opened again, the mission keeps every block.
    fs::path saved = dir.path() / "again.mi";
    ASSERT_TRUE(doc->OnSaveDocument(saved.string()));
    CVarnholtMapEditorDoc reopened(Services());
    ASSERT_TRUE(reopened.OnOpenDocument(saved.string()));
    EXPECT_EQ(ChildNames(reopened.WorkingRoot()), "Camera Environment Entity Entity Tags");
    EXPECT_EQ(MissionPresetName(reopened), "day");
    EXPECT_TRUE(reopened.IdInUse(0x8001));
}

TEST(ResourceRelativePathTest, KeepsThePartAfterTheResourceDirectory) {
    EXPECT_EQ(ResourceRelativePath("/games/res", "/games/res/texture/background/sky.ebm"),
              "/texture/background/sky.ebm");
    EXPECT_EQ(ResourceRelativePath("C:\\res\\", "C:\\res\\fx\\weather\\rain.fx"),
              "/fx/weather/rain.fx");
    EXPECT_EQ(ResourceRelativePath("/games/res", "/games/res2/a.ebm"), "/games/res2/a.ebm");
}

} // namespace
