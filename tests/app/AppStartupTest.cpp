#include "AppTestSupport.h"

#include "app/EditorApplication.h"
#include "commands/CommandTable.h"
#include "pak/PakArchive.h"

#include <QSettings>

using app::CVarnholtApp;

namespace {

class AppStartupTest : public app_testing::QtFixture {
  protected:
    QString Ini() const { return QString::fromStdString((m_dir.path() / "settings.ini").string()); }
    QString Resources() const { return QString::fromStdString((m_dir.path() / "res").string()); }
    static QString Game() { return QString::fromStdString(app_testing::DemoGame().string()); }

    CVarnholtApp::Services Services(QSettings& settings) {
        CVarnholtApp::Services services;
        services.settings = &settings;
        services.prompts = &m_prompts;
        services.browseFolder = [this](QWidget*, const QString& title) {
            m_titles << title;
            return QString();
        };
        return services;
    }

    testing_support::TempDir m_dir;
    testing_support::RecordingPrompts m_prompts;
    QStringList m_titles;
};

TEST_F(AppStartupTest, SettingsWrittenAtExitComeBackAtTheNextStart) {
    VM_REQUIRE_DEMO_GAME();
    {
        QSettings ini(Ini(), QSettings::IniFormat);
        ini.setValue("Settings/GamePath", Game());
        ini.setValue("Settings/ResourceDir", Resources());
        CVarnholtApp editor(Services(ini));
        ASSERT_TRUE(editor.InitInstance({}));
        EXPECT_TRUE(editor.MainFrame()->isVisible());
        EXPECT_FALSE(editor.Catalogue().Entries().empty());
        EXPECT_TRUE(editor.DocManager().Documents().empty());
        editor.Startup().View().showMapElements = 0;
        editor.Startup().Settings().textureFilter = 3;
        editor.RecentFiles().Add("/missions/a.mi");
        EXPECT_EQ(editor.ExitInstance(), 0);
    }
    {
        QSettings ini(Ini(), QSettings::IniFormat);
        EXPECT_EQ(ini.value("Settings/ViewMapElements").toInt(), 0);
        EXPECT_EQ(ini.value("Settings/TextureFilter").toInt(), 3);
        EXPECT_EQ(ini.value("Recent File List/File1").toString(), "/missions/a.mi");
        CVarnholtApp editor(Services(ini));
        ASSERT_TRUE(editor.InitInstance({}));
        EXPECT_EQ(editor.Startup().View().showMapElements, 0);
        EXPECT_EQ(editor.Startup().View().showWaypoints, 1);
        EXPECT_FALSE(editor.MainFrame()->Action(commands::CmdShowMapElements)->isChecked());
        EXPECT_TRUE(editor.MainFrame()->Action(commands::CmdShowWaypoints)->isChecked());
        EXPECT_TRUE(editor.MainFrame()->Action(commands::CmdAnisotropic)->isChecked());
        EXPECT_EQ(editor.Startup().Settings().textureFilter, 3);
        EXPECT_EQ(editor.RecentFiles().Files(), QStringList{"/missions/a.mi"});
        editor.ExitInstance();
    }
    EXPECT_TRUE(m_titles.isEmpty());
    EXPECT_TRUE(m_prompts.messages.empty());
}

TEST_F(AppStartupTest, FoldersGivenForOneRunAskNothingAndAreNotStored) {
    VM_REQUIRE_DEMO_GAME();
    QSettings ini(Ini(), QSettings::IniFormat);
    ini.setValue("Settings/GamePath", "/stored/game");
    app::StartOptions options;
    options.gamePath = Game();
    options.resourceDir = Resources();
    {
        CVarnholtApp editor(Services(ini));
        ASSERT_TRUE(editor.InitInstance(options));
        EXPECT_EQ(editor.Catalogue().GamePath(), options.gamePath.toStdString());
        // A folder chosen in Options during the run is kept.
        editor.Startup().Settings().resourceDir = "/chosen/res";
        editor.ExitInstance();
    }
    EXPECT_TRUE(m_titles.isEmpty());
    EXPECT_EQ(ini.value("Settings/GamePath").toString(), "/stored/game");
    EXPECT_EQ(ini.value("Settings/ResourceDir").toString(), "/chosen/res");
}

TEST_F(AppStartupTest, ACancelledFirstStartFailsAndWritesNothing) {
    QSettings ini(Ini(), QSettings::IniFormat);
    app_testing::ModalCanceller cancel; // the Resource Directory dialog that follows
    {
        CVarnholtApp editor(Services(ini));
        EXPECT_FALSE(editor.InitInstance({}));
        EXPECT_FALSE(editor.MainFrame()->isVisible());
        editor.ExitInstance();
    }
    EXPECT_EQ(m_titles, QStringList{"Please select the Game Path of \"Varnholt\""});
    EXPECT_EQ(m_prompts.messages, std::vector<std::string>{"Failed to load entities"});
    ini.sync();
    EXPECT_TRUE(ini.allKeys().isEmpty());
}

TEST_F(AppStartupTest, AFileOnTheCommandLineOpensOnceTheResourcesAreLoaded) {
    VM_REQUIRE_DEMO_GAME();
    pak::CPakArchive pak;
    ASSERT_TRUE(pak.Open(app_testing::DemoGame() / "game.pak"));
    ASSERT_TRUE(pak.Extract(
        {}, {"map/single/crossroads/crossroads.mi", "map/single/crossroads/map"}, m_dir.path()));
    QSettings ini(Ini(), QSettings::IniFormat);
    app::StartOptions options;
    options.gamePath = Game();
    options.resourceDir = Resources();
    options.file =
        QString::fromStdString((m_dir.path() / "map/single/crossroads/crossroads.mi").string());
    CVarnholtApp editor(Services(ini));
    ASSERT_TRUE(editor.InitInstance(options));
    ASSERT_EQ(editor.DocManager().Documents().size(), 1u);
    EXPECT_EQ(editor.DocManager().Documents()[0]->Doc().Kind(), document::Mission);
    EXPECT_EQ(editor.MainFrame()->MenuResource(), 131);
    EXPECT_EQ(editor.RecentFiles().Files(), QStringList{options.file});
    editor.ExitInstance();
}

TEST_F(AppStartupTest, AMissionWhoseBaseMapIsNotChosenOpensNothingAndTheEditorStays) {
    VM_REQUIRE_DEMO_GAME();
    QSettings ini(Ini(), QSettings::IniFormat);
    app::StartOptions options;
    options.gamePath = Game();
    options.resourceDir = Resources();
    options.file = QString::fromStdString((m_dir.path() / "lonely.mi").string());
    doc_testing::WriteText(m_dir.path() / "lonely.mi", "{mission}\n");
    CVarnholtApp editor(Services(ini));
    app_testing::ModalCanceller cancel;
    EXPECT_TRUE(editor.InitInstance(options));
    // Without a map beside it the mission asks for its base map; cancelled, nothing opens.
    EXPECT_EQ(cancel.titles, QStringList{"Open the map to be the base of the mission"});
    EXPECT_TRUE(editor.DocManager().Documents().empty());
    EXPECT_TRUE(editor.MainFrame()->isVisible());
    editor.ExitInstance();
}

TEST(CommandLineTest, OptionsWinOverTheEnvironment) {
    auto parsed = app::ParseCommandLine({"--game-path", "/g", "--resource-dir=/r", "m.mi"},
                                        "/env/g", "/env/r");
    EXPECT_TRUE(parsed.error.isEmpty());
    EXPECT_EQ(parsed.options.gamePath, "/g");
    EXPECT_EQ(parsed.options.resourceDir, "/r");
    EXPECT_EQ(parsed.options.file, "m.mi");

    parsed = app::ParseCommandLine({"--screenshot", "/tmp/s.png"}, "/env/g", "/env/r");
    EXPECT_EQ(parsed.options.gamePath, "/env/g");
    EXPECT_EQ(parsed.options.resourceDir, "/env/r");
    EXPECT_EQ(parsed.options.screenshot, "/tmp/s.png");
    EXPECT_TRUE(parsed.options.file.isEmpty());

    EXPECT_TRUE(app::ParseCommandLine({"--help"}, {}, {}).options.help);
    EXPECT_FALSE(app::ParseCommandLine({"--game-path"}, {}, {}).error.isEmpty());
    EXPECT_FALSE(app::ParseCommandLine({"--fast"}, {}, {}).error.isEmpty());
    EXPECT_FALSE(app::ParseCommandLine({"a.mi", "b.mi"}, {}, {}).error.isEmpty());
    EXPECT_EQ(app::ParseCommandLine({"--", "-odd.mi"}, {}, {}).options.file, "-odd.mi");
}

} // namespace
