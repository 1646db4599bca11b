#include "document/DocTestSupport.h"
#include "support/QtTestSupport.h"

#include "editors/EnvironmentDialog.h"
#include "editors/ModInfoDialog.h"
#include "format/DefGuard.h"
#include "support/MessageBoxCatcher.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <deque>

#include <gtest/gtest.h>

using namespace doc_testing;
using namespace document;
namespace fs = std::filesystem;

namespace {

// The dialog with its own dialogs answered by the test.
class ScriptedEnvironmentDialog : public CEnvironmentDialog {
  public:
    using CEnvironmentDialog::CEnvironmentDialog;
    QString file;
    std::optional<QColor> colour;
    std::deque<QString> customNames; // answers in turn; then Cancel
    std::vector<QString> proposals;
    QString askedFolder, askedTitle;

  protected:
    QString AskFile(const QString& title, const QString& folder, const QString&) override {
        askedTitle = title;
        askedFolder = folder;
        return file;
    }
    std::optional<QColor> AskColour(const QColor&) override { return colour; }
    std::optional<QString> AskCustomName(const QString& proposal) override {
        proposals.push_back(proposal);
        if (customNames.empty()) return std::nullopt;
        QString answer = customNames.front();
        customNames.pop_front();
        return answer;
    }
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
        dialog.customNames = {"mine"};
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

TEST_F(EnvironmentDialogTest, TextsAPresetCannotHoldAreRefusedWithTheDialogKeptAsTyped) {
    fs::path file = dir.path() / "environment.set";
    CEnvironmentPresets presets(game, file);
    ScriptedEnvironmentDialog dialog(presets, "/res", "day");
    testing_support::MessageBoxCatcher boxes;

    // A quote in a sound: refused before a name is asked for.
    EnvironmentValues v = dialog.Values();
    v.weather = true;
    v.weatherSound = "rain\"";
    dialog.SetValues(v);
    dialog.customNames = {"wet"};
    dialog.OnUseCustom();
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_EQ(boxes.texts[0].toStdString(), format::CheckQuotedText("rain\""));
    EXPECT_EQ(boxes.parents[0], &dialog);
    EXPECT_TRUE(dialog.proposals.empty());
    EXPECT_EQ(dialog.Result(), CEnvironmentDialog::Cancelled);
    EXPECT_EQ(dialog.Values().weatherSound, "rain\"");
    EXPECT_FALSE(fs::exists(file));

    // A quote in the name: refused, and asked again with what was typed.
    v.weatherSound = "rain";
    dialog.SetValues(v);
    dialog.customNames = {"my dusk\"}", "dusk"};
    dialog.OnUseCustom();
    ASSERT_EQ(boxes.texts.size(), 2);
    EXPECT_EQ(boxes.texts[1].toStdString(), format::CheckQuotedText("my dusk\"}"));
    ASSERT_EQ(dialog.proposals.size(), 2u);
    EXPECT_EQ(dialog.proposals[1], "my dusk\"}");
    EXPECT_EQ(dialog.Result(), CEnvironmentDialog::UseCustom);
    EXPECT_EQ(dialog.ChosenName(), "dusk");
    EXPECT_EQ(presets.PresetNames().back(), "dusk");
}

TEST_F(EnvironmentDialogTest, CancelLeavesTheMissionUntouched) {
    auto doc = OpenMission("{mission {Camera} {Environment \"storm\"} {Tags}}");
    ASSERT_TRUE(doc);
    const std::string before = WriteToText(doc->WorkingRoot());
    CEnvironmentPresets presets(game, dir.path() / "environment.set");
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<CEnvironmentDialog*>(QApplication::activeModalWidget())) {
            dialog->SelectPreset("day");
            dialog->reject();
        }
    });
    EXPECT_FALSE(OpenEnvironmentDialog(*doc, presets, "/res", nullptr));
    EXPECT_EQ(WriteToText(doc->WorkingRoot()), before);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_FALSE(fs::exists(dir.path() / "environment.set"));
}

TEST(ModInfoDialogTest, OkRefusesAQuoteAndKeepsWhatWasTyped) {
    testing_support::TestApp();
    CModInfoDialog dialog(ModInfo{}, {});
    dialog.show();
    auto* title = dialog.findChild<QLineEdit*>("title");
    title->setText("Bad\"} {evil");
    QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    testing_support::MessageBoxCatcher boxes;
    ok->click();
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_EQ(boxes.texts[0].toStdString(), format::CheckQuotedText("Bad\"} {evil"));
    EXPECT_EQ(boxes.parents[0], &dialog);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.Info().title, "Bad\"} {evil");

    title->setText("Good");
    ok->click();
    EXPECT_EQ(boxes.texts.size(), 1);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
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
