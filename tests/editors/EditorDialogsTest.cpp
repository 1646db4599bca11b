#include "document/DocTestSupport.h"
#include "support/QtTestSupport.h"

#include "editors/EnvironmentDialog.h"
#include "editors/ModInfoDialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

#include <gtest/gtest.h>

using namespace doc_testing;
using namespace document;

namespace {

// The dialog with its own dialogs answered by the test.
class ScriptedEnvironmentDialog : public CEnvironmentDialog {
  public:
    using CEnvironmentDialog::CEnvironmentDialog;
    QString file;
    std::optional<QColor> colour;
    std::optional<QString> customName;
    QString askedFolder, askedTitle;

  protected:
    QString AskFile(const QString& title, const QString& folder, const QString&) override {
        askedTitle = title;
        askedFolder = folder;
        return file;
    }
    std::optional<QColor> AskColour(const QColor&) override { return colour; }
    std::optional<QString> AskCustomName(const QString&) override { return customName; }
};

const char* kPresets = R"({Environment
	{Preset "day" {"light/ambient" 10 20 30 255} {"wind/amplitude" 7}}
	{Preset "storm" {"weather/enable"} {"weather/density" 400} {"thunder/enable"} {"thunder/interval" 2 8}}
})";

class EnvironmentDialogTest : public ::testing::Test, protected DocFixture {
  protected:
    void SetUp() override {
        testing_support::TestApp();
        ASSERT_TRUE(ParseDefinitionText(kPresets, game));
    }
    DefNodeList game;
};

TEST_F(EnvironmentDialogTest, ChoosingPresetsLoadsTheirValuesAndEditsOfferUseCustom) {
    CEnvironmentPresets presets(game, dir.path() / "environment.set");
    ScriptedEnvironmentDialog dialog(presets, "/res", "storm");
    EXPECT_EQ(dialog.SelectedName(), "storm");
    EXPECT_TRUE(dialog.Values().weather);
    EXPECT_EQ(dialog.Values().thunderInterval[1], 8u);
    EXPECT_FALSE(dialog.UseCustomEnabled());
    dialog.SelectPreset("day");
    EXPECT_EQ(dialog.Values().ambient, (Rgb{10, 20, 30}));
    EXPECT_FALSE(dialog.UseCustomEnabled());

    dialog.colour = QColor(1, 2, 3);
    dialog.OnPickColour(0);
    EXPECT_EQ(dialog.Values().ambient, (Rgb{1, 2, 3}));
    EXPECT_TRUE(dialog.UseCustomEnabled());

    dialog.file = "/res/texture/background/sky7.ebm";
    dialog.OnPickFile(0);
    EXPECT_EQ(dialog.askedTitle, "Open a sky texture");
    EXPECT_EQ(dialog.askedFolder, "/res/texture/background");
    EXPECT_EQ(dialog.Values().skyTexture, "/texture/background/sky7.ebm");
}

TEST_F(EnvironmentDialogTest, UseCustomSavesThePresetAndNamesTheMission) {
    auto doc = OpenMission("{mission {Camera} {Tags}}");
    ASSERT_TRUE(doc);
    CEnvironmentPresets presets(game, dir.path() / "environment.set");
    {
        ScriptedEnvironmentDialog dialog(presets, "/res", MissionPresetName(*doc));
        EXPECT_EQ(dialog.SelectedName(), "day"); // no preset yet: the first entry
        dialog.customName = "mine";
        dialog.OnUseCustom();
        EXPECT_EQ(dialog.Result(), CEnvironmentDialog::UseCustom);
        ASSERT_TRUE(ApplyEnvironment(*doc, dialog.ChosenName(), dialog.AddSky()));
    }
    EXPECT_EQ(MissionPresetName(*doc), "mine");
    EXPECT_EQ(ChildNames(doc->WorkingRoot()), "Environment Camera Tags");
    EXPECT_EQ(presets.PresetNames().back(), "mine");

    // A preset found only in the custom file offers "Use Custom" at once.
    ScriptedEnvironmentDialog again(presets, "/res", "mine");
    EXPECT_EQ(again.SelectedName(), "mine");
    EXPECT_TRUE(again.UseCustomEnabled());
    again.OnUsePreset();
    EXPECT_EQ(again.Result(), CEnvironmentDialog::UsePreset);
    EXPECT_EQ(again.ChosenName(), "mine");
}

TEST(ModInfoDialogTest, DefaultsAndExistingModsFillTheFields) {
    testing_support::TestApp();
    ModInfo info;
    info.side = 2;
    info.customEnvironmentAvailable = false;
    CModInfoDialog dialog(info, {{"old_mod", "Old title", "Old desc", "1.2"}});
    ModInfo entered = dialog.Info();
    EXPECT_EQ(entered.side, 2);
    EXPECT_TRUE(entered.exportMap);
    EXPECT_TRUE(entered.minimap);
    EXPECT_FALSE(entered.customEnvironment);
    EXPECT_EQ(entered.name, "");
    dialog.ChooseExisting(0);
    entered = dialog.Info();
    EXPECT_EQ(entered.name, "old_mod");
    EXPECT_EQ(entered.title, "Old title");
    EXPECT_EQ(entered.description, "Old desc");
    EXPECT_EQ(entered.version, "1.2");
    dialog.NameBox()->setEditText("my new mod");
    EXPECT_EQ(dialog.Info().name, "my new mod");
}

} // namespace
