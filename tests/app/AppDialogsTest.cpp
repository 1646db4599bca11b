#include "AppTestSupport.h"

#include "app/AppDialogs.h"
#include "app/ProgressThread.h"
#include "app/QtDocumentDialogs.h"
#include "app/QtPlatform.h"

#include <QLabel>
#include <QLineEdit>
#include <QSettings>

namespace {

class AppDialogsTest : public app_testing::QtFixture {
  protected:
    // A folder browser that answers from a list and records its titles.
    app::FolderBrowser Browser(std::vector<QString> answers) {
        m_answers = std::move(answers);
        return [this](QWidget*, const QString& title) {
            m_titles.push_back(title);
            if (m_answers.empty()) return QString();
            QString answer = m_answers.front();
            m_answers.erase(m_answers.begin());
            return answer;
        };
    }
    std::vector<QString> m_answers;
    std::vector<QString> m_titles;
};

TEST_F(AppDialogsTest, OptionsBrowsersFillTheirFieldsAndACancelledOneEmptiesIt) {
    app::COptionsDialog dialog("/games/varnholt", "/games/res", Browser({"/other/game", ""}));
    dialog.BrowseGamePath();
    dialog.BrowseResourcePath();
    EXPECT_EQ(dialog.GamePath(), "/other/game");
    EXPECT_EQ(dialog.ResourcePath(), "");
    EXPECT_EQ(m_titles, (std::vector<QString>{"Please select the Game Path of \"Varnholt\"",
                                              "Please select a Resource Path at your discretion"}));
}

TEST_F(AppDialogsTest, TheResourceDirectoryDialogProposesAndBrowses) {
    app::CResourceDirectoryDialog dialog("/games/varnholt/resource", Browser({"", "/data/res"}));
    EXPECT_EQ(dialog.Directory(), "/games/varnholt/resource");
    ASSERT_NE(dialog.findChild<QLabel*>(), nullptr);
    EXPECT_EQ(dialog.findChild<QLabel*>()->text(),
              "The 'game.pak' needs to be unpacked. You may decide, where the files are stored.");
    dialog.Browse(); // cancelled: the proposal stays
    EXPECT_EQ(dialog.Directory(), "/games/varnholt/resource");
    dialog.Browse();
    EXPECT_EQ(dialog.Directory(), "/data/res");
    EXPECT_EQ(m_titles.front(), "Please select the Target Directory for the Resources");
}

TEST_F(AppDialogsTest, RunTheGameAsksForAMissingPathAndStartsNothingWithoutOne) {
    std::vector<std::pair<QString, QString>> started;
    auto start = [&](const QString& program, const QString& folder) {
        started.emplace_back(program, folder);
        return true;
    };
    std::string gamePath;
    EXPECT_FALSE(app::RunGame(gamePath, nullptr, Browser({""}), start));
    EXPECT_TRUE(started.empty());
    EXPECT_EQ(m_titles, std::vector<QString>{"Please select the Game Path of \"Varnholt\""});

    EXPECT_TRUE(app::RunGame(gamePath, nullptr, Browser({"/games/varnholt"}), start));
    EXPECT_EQ(gamePath, "/games/varnholt"); // kept for the next run
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].first, "/games/varnholt/Varnholt.exe");
    EXPECT_EQ(started[0].second, "/games/varnholt");
}

TEST_F(AppDialogsTest, FileNewOffersThreeKindsWithNoneChosen) {
    app::CDocumentTypeDialog dialog;
    EXPECT_EQ(dialog.Choice(), -1);
    EXPECT_EQ(app::SpecialDocumentName(dialog.Choice()), "");
    dialog.SetChoice(2);
    EXPECT_EQ(app::SpecialDocumentName(dialog.Choice()), "$createmap$");
    EXPECT_EQ(app::SpecialDocumentName(0), "$mission$");
    EXPECT_EQ(app::SpecialDocumentName(1), "$map$");
}

TEST_F(AppDialogsTest, FilterPatternsMatchAsWindowsDialogsMatchThem) {
    // "*.*" also matches a base map, whose name has no extension.
    EXPECT_EQ(app::QtFilterPatterns("Varnholt-File (*.mi;*.pak;*.*)"), "*");
    EXPECT_EQ(app::QtFilterPatterns("Varnholt Definition File  (*.def)"), "*.def");
    EXPECT_EQ(app::QtFilterPatterns("Pictures (*.bmp;*.tga)"), "*.bmp *.tga");
}

TEST_F(AppDialogsTest, ATypedBaseMapNameMayLeaveOutItsExtension) {
    testing_support::TempDir dir;
    doc_testing::WriteText(dir.path() / "map", "{map}");
    doc_testing::WriteText(dir.path() / "desert.map", "{map}");
    QString folder = QString::fromStdString(dir.path().string()) + "/";
    EXPECT_EQ(app::ResolveBaseMapAnswer(folder + "map"), folder + "map");
    EXPECT_EQ(app::ResolveBaseMapAnswer(folder + "desert"), folder + "desert.map");
    EXPECT_EQ(app::ResolveBaseMapAnswer(folder + "none"), folder + "none");
}

TEST_F(AppDialogsTest, MapTemplatesAnswerOnlyWithAChoice) {
    app::CMapTemplatesDialog dialog({"120_3m", "desert_\xe4"});
    EXPECT_EQ(dialog.Chosen(), "");
    dialog.Select(1);
    EXPECT_EQ(dialog.Chosen(), "desert_\xe4"); // the catalogue's own bytes
}

TEST(QtPlatformTest, SettingsLiveInTheirSectionAndBadValuesReadAsDefaults) {
    testing_support::TestApp();
    testing_support::TempDir dir;
    QSettings ini(QString::fromStdString((dir.path() / "s.ini").string()), QSettings::IniFormat);
    app::QtSettingsStore store(&ini);
    store.SetString("GamePath", "/games/varnholt");
    store.SetInt("TextureFilter", 3);
    ini.setValue("Settings/ViewWaypoints", "not a number");
    EXPECT_EQ(ini.value("Settings/GamePath").toString(), "/games/varnholt");
    EXPECT_EQ(store.GetString("GamePath", "x"), "/games/varnholt");
    EXPECT_EQ(store.GetString("ResourceDir", "x"), "x");
    EXPECT_EQ(store.GetInt("TextureFilter", 1), 3);
    EXPECT_EQ(store.GetInt("ViewWaypoints", 1), 1);
    EXPECT_EQ(store.GetInt("ViewMapElements", 1), 1);
}

TEST(QtPlatformTest, TheProgressWindowKeepsItsTextAndStopsAtTheEnd) {
    testing_support::TestApp();
    app::CProgressThread progress;
    std::string text = "Unpacking file: \"set/breed.set\"";
    progress.Start(2);
    progress.SetText(text);
    text.assign("reused");
    EXPECT_EQ(progress.Text(), "Unpacking file: \"set/breed.set\"");
    for (int i = 0; i < 5; ++i)
        progress.Step();
    EXPECT_EQ(progress.Value(), 2);
    progress.Close();
    EXPECT_FALSE(progress.IsShown());
    progress.Step(); // after the close: nothing left to move
}

} // namespace

namespace {

TEST(QtDocumentDialogsTest, OnlyMissionsAndDefinitionFilesGetASuffixOnSave) {
    // A map's proposal "map" must stay "map": a map file has no extension.
    CVarnholtMapEditorDoc doc;
    app::CQtDocumentDialogs dialogs(nullptr, "mi", "Varnholt-File (*.mi;*.pak;*.*)");
    dialogs.SetDocument(&doc);
    EXPECT_EQ(dialogs.SaveSuffix(), "mi");
    doc.SetKind(document::Map);
    EXPECT_EQ(dialogs.SaveSuffix(), "");
    doc.SetKind(document::CreateMap);
    EXPECT_EQ(dialogs.SaveSuffix(), "");
}

} // namespace
