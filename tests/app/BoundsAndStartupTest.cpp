#include "AppTestSupport.h"

#include "app/AppDialogs.h"
#include "app/BoundsDialog.h"
#include "app/DocManager.h"
#include "app/EditorApplication.h"
#include "app/MainFrame.h"
#include "commands/CommandTable.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

using app::CBoundsDialog;
using app::CMainFrame;

namespace {

QPushButton* OkButton(QDialog& dialog) {
    return dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}

class BoundsDialogTest : public app_testing::QtFixture {};

TEST_F(BoundsDialogTest, FieldsShowTheRectanglesAndOkHandsBackWhatWasTyped) {
    document::BoundsDialogData data;
    data.world = {-100.5f, -200, 300, 400};
    data.camera = {1, 2, 3, 4};
    data.pather = {0.1f, 5, 6, 7};
    CBoundsDialog dialog(data);
    EXPECT_EQ(dialog.windowTitle(), "Bounds and Camera");
    EXPECT_EQ(dialog.Field(CBoundsDialog::World, CBoundsDialog::Left)->text(), "-100.5");
    EXPECT_EQ(dialog.Field(CBoundsDialog::Pather, CBoundsDialog::Left)->text(), "0.100000001");
    EXPECT_EQ(dialog.Field(CBoundsDialog::Camera, CBoundsDialog::Bottom)->text(), "4");
    // Without a picture of the map the dialog works on the numbers alone.
    EXPECT_FALSE(dialog.HasPicture());
    EXPECT_EQ(dialog.findChild<QLabel*>("boundsPicture")->text(), "No picture of the map");

    dialog.Field(CBoundsDialog::Camera, CBoundsDialog::Right)->setText("1234.25");
    document::BoundsDialogData out = data;
    ASSERT_TRUE(dialog.Rectangles(out));
    EXPECT_EQ(out.camera, (document::BoundsRect{1, 2, 1234.25f, 4}));
    // Untouched fields give back exactly what they were given.
    EXPECT_EQ(out.world, data.world);
    EXPECT_EQ(out.pather, data.pather);

    // A field without a number holds OK back and hands nothing out.
    dialog.Field(CBoundsDialog::World, CBoundsDialog::Top)->setText("-");
    EXPECT_FALSE(OkButton(dialog)->isEnabled());
    document::BoundsDialogData untouched = data;
    EXPECT_FALSE(dialog.Rectangles(untouched));
    EXPECT_EQ(untouched.world, data.world);
    dialog.Field(CBoundsDialog::World, CBoundsDialog::Top)->setText("-7");
    EXPECT_TRUE(OkButton(dialog)->isEnabled());
}

TEST_F(BoundsDialogTest, APictureOfTheMapIsShownWhenThereIsOne) {
    document::BoundsPicture picture{2, 2, {0xffff0000u, 0xff00ff00u, 0xff0000ffu, 0xffffffffu}};
    document::BoundsDialogData data;
    data.picture = &picture;
    CBoundsDialog dialog(data);
    EXPECT_TRUE(dialog.HasPicture());
    EXPECT_FALSE(dialog.findChild<QLabel*>("boundsPicture")->pixmap().isNull());
}

// Map Bounds on an open map runs the real dialog through the document.
class MapBoundsCommandTest : public app_testing::QtFixture {
  protected:
    MapBoundsCommandTest() {
        CMainFrame::Context context;
        context.docManager = &m_docs;
        m_frame = std::make_unique<CMainFrame>(context);
        m_frame->show();
        doc_testing::WriteText(m_dir.path() / "map", doc_testing::kBaseMap);
        doc_testing::WriteText(m_dir.path() / "m.mi", "{mission}\n");
    }
    ~MapBoundsCommandTest() override {
        m_frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    app::CDocumentHolder* Open(const char* name) {
        auto* holder =
            m_docs.OpenDocumentFile(QString::fromStdString((m_dir.path() / name).string()));
        QCoreApplication::processEvents();
        m_frame->UpdateCommandStates();
        return holder;
    }

    testing_support::RecordingPrompts m_prompts;
    testing_support::TempDir m_dir;
    app::CVarnholtDocManager m_docs{
        app::CVarnholtDocManager::Services{&m_prompts, nullptr, nullptr}};
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(MapBoundsCommandTest, MapBoundsEditsTheBoundsOfAMapOnly) {
    ASSERT_NE(Open("m.mi"), nullptr);
    EXPECT_FALSE(m_frame->Action(commands::CmdMapBounds)->isEnabled());
    app::CDocumentHolder* map = Open("map");
    ASSERT_NE(map, nullptr);
    ASSERT_TRUE(m_frame->Action(commands::CmdMapBounds)->isEnabled());

    app_testing::OnModal<CBoundsDialog>([](CBoundsDialog& dialog) {
        dialog.Field(CBoundsDialog::Camera, CBoundsDialog::Left)->setText("-80.5");
        dialog.accept();
    });
    m_frame->OnCommand(commands::CmdMapBounds);
    const CDefNode* camera = map->Doc().MapRoot()->FindChild("CameraBound");
    ASSERT_NE(camera, nullptr);
    double left = 0;
    ASSERT_TRUE(camera->GetFloat(0, left));
    EXPECT_EQ(left, -80.5);
    EXPECT_TRUE(map->Doc().IsModified());

    app_testing::OnModal<CBoundsDialog>([](CBoundsDialog& dialog) { dialog.reject(); });
    m_frame->OnCommand(commands::CmdMapBounds);
    ASSERT_TRUE(camera->GetFloat(0, left));
    EXPECT_EQ(left, -80.5);
    EXPECT_TRUE(m_prompts.messages.empty());
}

TEST_F(MapBoundsCommandTest, FilesThatCannotBeOpenedAreReportedWithTheirReason) {
    const QString folder = QString::fromStdString(m_dir.path().string());
    const QString missing = QString::fromStdString((m_dir.path() / "gone.mi").string());
    EXPECT_EQ(m_docs.OpenDocumentFile(folder), nullptr);
    EXPECT_EQ(m_docs.OpenDocumentFile(missing), nullptr);
    EXPECT_EQ(m_prompts.messages,
              (std::vector<std::string>{
                  "Cannot open the file '" + folder.toStdString() + "': it is a folder.",
                  "Cannot open the file '" + missing.toStdString() + "': it does not exist."}));
    EXPECT_TRUE(m_docs.Documents().empty());
    // A file that opens but cannot be read is no file to open either.
    EXPECT_FALSE(app::CannotOpenMessage(QStringLiteral("/proc/self/mem")).isEmpty());
    EXPECT_TRUE(
        app::CannotOpenMessage(QString::fromStdString((m_dir.path() / "map").string())).isEmpty());
}

TEST_F(MapBoundsCommandTest, OptionsRefuseAChangedFolderWithoutTheGame) {
    testing_support::TempDir game;
    const std::string wrong = m_dir.path().string();
    app::COptionsDialog dialog("/games/varnholt", "/res", {});
    dialog.SetPrompts(&m_prompts);
    dialog.show();
    auto* field = dialog.findChild<QLineEdit*>("gamePath");
    field->setText(QString::fromStdString(wrong));
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible()); // refused: the dialog stays open
    EXPECT_EQ(m_prompts.messages,
              std::vector<std::string>{"The folder '" + wrong +
                                       "' is not the game folder of \"Varnholt\": it holds no "
                                       "'game.pak'."});
    doc_testing::WriteText(game.path() / "game.pak", "PK\x05\x06");
    field->setText(QString::fromStdString(game.path().string()));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    // Emptied, the game path is asked for at the next start; unchanged, it is
    // not checked again.
    for (const char* answer : {"", "/games/varnholt"}) {
        app::COptionsDialog other("/games/varnholt", "/res", {});
        other.SetPrompts(&m_prompts);
        other.findChild<QLineEdit*>("gamePath")->setText(answer);
        other.accept();
        EXPECT_EQ(other.result(), QDialog::Accepted) << answer;
    }
    EXPECT_EQ(m_prompts.messages.size(), 1u);
}

// The whole start with a bad file or a wrong game folder on the command line.
class StartFailureTest : public app_testing::QtFixture {
  protected:
    QString Ini() const { return QString::fromStdString((m_dir.path() / "settings.ini").string()); }
    app::CVarnholtApp::Services Services(QSettings& settings) {
        app::CVarnholtApp::Services services;
        settings.setValue("Settings/ResourceDir",
                          QString::fromStdString((m_dir.path() / "res").string()));
        services.settings = &settings;
        services.prompts = &m_prompts;
        services.browseFolder = [this](QWidget*, const QString& title) {
            m_titles << title;
            if (m_answers.isEmpty()) return QString();
            return m_answers.takeFirst();
        };
        return services;
    }
    static QString Game() { return QString::fromStdString(app_testing::DemoGame().string()); }

    testing_support::TempDir m_dir;
    testing_support::RecordingPrompts m_prompts;
    QStringList m_titles;
    QStringList m_answers;
};

TEST_F(StartFailureTest, AFolderOrAMissingFileOnTheCommandLineLeavesTheEditorOpen) {
    VM_REQUIRE_DEMO_GAME();
    for (const std::filesystem::path& file : {m_dir.path(), m_dir.path() / "missing.mi"}) {
        m_prompts.messages.clear();
        QSettings ini(Ini(), QSettings::IniFormat);
        app::StartOptions options;
        options.gamePath = Game();
        options.file = QString::fromStdString(file.string());
        app::CVarnholtApp editor(Services(ini));
        app_testing::ModalCanceller cancel;
        ASSERT_TRUE(editor.InitInstance(options)) << file;
        EXPECT_TRUE(editor.MainFrame()->isVisible());
        EXPECT_TRUE(editor.DocManager().Documents().empty());
        ASSERT_EQ(m_prompts.messages.size(), 1u);
        EXPECT_EQ(m_prompts.messages[0].rfind("Cannot open the file '" + file.string() + "': ", 0),
                  0u);
        EXPECT_TRUE(cancel.titles.isEmpty()); // no base map is asked for a file that is not there
        editor.ExitInstance();
    }
}

TEST_F(StartFailureTest, AWrongGameFolderGivenForTheRunIsRefusedAndNeverStored) {
    VM_REQUIRE_DEMO_GAME();
    QSettings ini(Ini(), QSettings::IniFormat);
    app::StartOptions options;
    options.gamePath = QString::fromStdString(m_dir.path().string());
    m_answers = {Game()};
    {
        app::CVarnholtApp editor(Services(ini));
        ASSERT_TRUE(editor.InitInstance(options));
        EXPECT_EQ(m_titles, QStringList{"Please select the Game Path of \"Varnholt\""});
        ASSERT_EQ(m_prompts.messages.size(), 1u);
        EXPECT_NE(m_prompts.messages[0].find("it holds no 'game.pak'"), std::string::npos);
        EXPECT_EQ(editor.Catalogue().GamePath(), Game().toStdString());
        editor.ExitInstance();
    }
    // The folder the user chose is kept; the wrong one never was.
    EXPECT_EQ(ini.value("Settings/GamePath").toString(), Game());
}

} // namespace
