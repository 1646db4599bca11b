// Editing in the 3D view as a designer does it, in the real main window on a
// real OpenGL context: a tank placed from the entity bar, dragged, turned
// with the property bar's dial, deleted and brought back step by step with
// Undo; waypoints laid with 'W' held. Every step is checked in the mission
// and in a picture of the view, saved under the build folder for a person
// to look at. Runs under a virtual X server; skipped without OpenGL.

#include "app/AppTestSupport.h"

#include "app/EditorApplication.h"
#include "app/EntityBar.h"
#include "app/MainFrame.h"
#include "app/PropBar.h"
#include "commands/CommandTable.h"
#include "document/VarnholtMapEditorDoc.h"
#include "format/DefNode.h"
#include "pak/PakArchive.h"
#include "view3d/MapEditor.h"
#include "view3d/SceneEntity.h"
#include "view3d/widget/Map3DView.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPointer>
#include <QSettings>
#include <QTest>
#include <QTreeWidget>

#include <glm/mat4x4.hpp>
#include <glm/vec4.hpp>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace commands;

namespace {

constexpr const char* kMission = "map/single/crossroads/crossroads.mi";
constexpr const char* kTankType = "m4a2";
// The status text over the top of the view follows the pointer; pictures
// are compared below it.
constexpr int kStatusStrip = 20;
// Half the side of the square around a changed spot that must show the change.
constexpr int kSpot = 40;

// Whether this platform gives an OpenGL context the 3D view can draw with.
std::optional<std::string> NoOpenGLReason() {
    QOpenGLContext context;
    if (!context.create())
        return "no OpenGL context on the '" + QGuiApplication::platformName().toStdString() +
               "' platform (run under xvfb-run with QT_QPA_PLATFORM=xcb)";
    QOffscreenSurface surface;
    surface.create();
    if (!context.makeCurrent(&surface)) return "the OpenGL context cannot be made current";
    context.doneCurrent();
    const QSurfaceFormat format = context.format();
    if (format.version() < qMakePair(3, 3) || context.isOpenGLES())
        return "OpenGL " + std::to_string(format.majorVersion()) + "." +
               std::to_string(format.minorVersion()) + " is below desktop OpenGL 3.3";
    return std::nullopt;
}

bool Differs(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
               std::abs(qBlue(a) - qBlue(b)) >
           24;
}

// Pixels that differ between two pictures of the view below the status
// strip, inside the spots given (inside) or outside all of them.
int Changed(const QImage& before, const QImage& after, const std::vector<QPoint>& spots,
            bool inside) {
    if (before.size() != after.size()) return -1;
    int count = 0;
    for (int y = kStatusStrip; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x) {
            bool inSpot = false;
            for (const QPoint& s : spots)
                inSpot |= std::abs(x - s.x()) <= kSpot && std::abs(y - s.y()) <= kSpot;
            if (inSpot == inside && Differs(before.pixel(x, y), after.pixel(x, y))) ++count;
        }
    return count;
}

// Notes where the view last saw the pointer move.
class MoveWatch : public QObject {
  public:
    std::optional<QPoint> last;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseMove)
            last = static_cast<QMouseEvent*>(event)->position().toPoint();
        return false;
    }
};

class Map3DEditingTest : public app_testing::QtFixture {
  protected:
    void SetUp() override {
        VM_REQUIRE_DEMO_GAME();
        if (const auto reason = NoOpenGLReason()) GTEST_SKIP() << *reason;
        pak::CPakArchive pak;
        ASSERT_TRUE(pak.Open(app_testing::DemoGame() / "game.pak"));
        ASSERT_TRUE(pak.Extract({}, {kMission, "map/single/crossroads/map"}, m_dir.path()));
        fs::create_directories(VM_GUI3D_SHOTS);

        m_ini = std::make_unique<QSettings>(
            QString::fromStdString((m_dir.path() / "settings.ini").string()), QSettings::IniFormat);
        app::CVarnholtApp::Services services;
        services.settings = m_ini.get();
        services.prompts = &m_prompts;
        services.browseFolder = [](QWidget*, const QString&) { return QString(); };
        m_app = std::make_unique<app::CVarnholtApp>(services);
        app::StartOptions options;
        options.gamePath = QString::fromStdString(app_testing::DemoGame().string());
        options.resourceDir = QString::fromStdString((m_dir.path() / "res").string());
        options.file = QString::fromStdString((m_dir.path() / kMission).string());
        ASSERT_TRUE(m_app->InitInstance(options));
        // Whatever a failed test leaves modified closes without a question.
        m_app->DocManager().SetSaveQuestion(
            [](const QString&) { return app::CVarnholtDocManager::SaveAnswer::No; });
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame()));
        m_view = Frame()->ActiveMapView();
        ASSERT_NE(m_view, nullptr) << "the mission did not open in its 3D view";
        // The view starts from the event loop once its context exists; a
        // view that cannot start closes its window.
        const bool settled =
            QTest::qWaitFor([this] { return !m_view || m_view->Started(); }, 60000);
        ASSERT_TRUE(settled && m_view) << Messages();
        m_view->installEventFilter(&m_moves);
        m_canceller = std::make_unique<app_testing::ModalCanceller>();
        m_original = Text();
    }
    void TearDown() override {
        if (m_canceller) {
            EXPECT_TRUE(m_canceller->titles.isEmpty()) << "a dialog opened";
        }
        EXPECT_TRUE(m_prompts.messages.empty()) << Messages();
        m_canceller.reset();
        if (m_view) m_view->removeEventFilter(&m_moves);
        if (m_app) m_app->ExitInstance();
        m_app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    app::CMainFrame* Frame() const { return m_app->MainFrame(); }
    CVarnholtMapEditorDoc& Doc() const { return *m_view->Document(); }
    view3d::MapEditor& Editor() const { return m_view->Editor(); }
    std::string Text() const {
        format::StringSink sink;
        Doc().Serialize(sink);
        return sink.text;
    }
    std::string Messages() const {
        std::string all;
        for (const std::string& m : m_prompts.messages)
            all += m + "\n";
        return all;
    }
    int Steps() const { return static_cast<int>(Doc().UndoSteps()); }
    void Command(int id) {
        Frame()->OnCommand(id);
        QCoreApplication::processEvents();
    }

    // --- the view's pixels -----------------------------------------------------------
    QPointF DevicePoint(const QPoint& p) const { return QPointF(p) * m_view->devicePixelRatio(); }
    view3d::PointerState Pointer(const QPoint& p) const {
        const QPointF d = DevicePoint(p);
        view3d::PointerState pointer;
        pointer.x = float(d.x());
        pointer.y = float(d.y());
        return pointer;
    }
    // Where a point of the map is seen, in the view's own coordinates.
    QPoint ScreenOf(const glm::vec3& at) const {
        const view3d::Camera& camera = m_view->Scene().GetCamera();
        const glm::vec4 clip = camera.ProjectionMatrix() * camera.ViewMatrix() *
                               camera.WorldMatrix() * glm::vec4(at, 1.0f);
        const double ratio = m_view->devicePixelRatio();
        const double x = (clip.x / clip.w + 1.0) * 0.5 * m_view->width() * ratio;
        const double y = (1.0 - clip.y / clip.w) * 0.5 * m_view->height() * ratio;
        return QPointF(x / ratio, y / ratio).toPoint();
    }
    std::optional<glm::vec3> GroundAt(const QPoint& p) const {
        const QPointF d = DevicePoint(p);
        return m_view->Scene().UpdateGroundPoint(float(d.x()), float(d.y()));
    }
    // A row of n points over bare ground, step pixels apart, with room
    // around them for the spots compared in the pictures.
    std::vector<QPoint> BarePoints(int n, QPoint step) const {
        const int margin = kSpot + kStatusStrip;
        for (int y = margin; y < m_view->height() - margin; y += 20)
            for (int x = margin; x < m_view->width() - margin; x += 20) {
                std::vector<QPoint> points;
                for (int i = 0; i < n; ++i) {
                    const QPoint p(x + step.x() * i, y + step.y() * i);
                    if (!m_view->rect().adjusted(margin, margin, -margin, -margin).contains(p) ||
                        !GroundAt(p) || Editor().PickAt(Pointer(p)))
                        break;
                    points.push_back(p);
                }
                if (static_cast<int>(points.size()) == n) return points;
            }
        ADD_FAILURE() << "no bare ground in view";
        return std::vector<QPoint>(size_t(n), m_view->rect().center());
    }
    QPoint ImagePoint(const QPoint& p) const { return DevicePoint(p).toPoint(); }
    QImage Shot(const char* name) {
        QCoreApplication::processEvents();
        QImage image = m_view->grabFramebuffer();
        EXPECT_FALSE(image.isNull()) << name;
        EXPECT_TRUE(image.save(QString(VM_GUI3D_SHOTS "/%1.png").arg(name), "PNG")) << name;
        return image;
    }
    // The step's picture differs from the last one at the spots and hardly
    // anywhere else: the camera stayed, and so did the rest of the mission.
    // A unit's flag reaches past its spot when the unit turns.
    void ExpectChangedAt(const QImage& before, const QImage& after,
                         const std::vector<QPoint>& spots, const char* step) const {
        std::vector<QPoint> pixels;
        for (const QPoint& s : spots)
            pixels.push_back(ImagePoint(s));
        for (const QPoint& s : pixels)
            EXPECT_GT(Changed(before, after, {s}, true), 20)
                << step << " at " << s.x() << "," << s.y();
        EXPECT_LT(Changed(before, after, pixels, false), after.width() * after.height() / 50)
            << step;
    }

    // --- the mouse ---------------------------------------------------------------------
    // Moves the pointer over the view. The move goes through the X server
    // and comes back as an event; a pointer already there makes none.
    void Hover(const QPoint& p) {
        m_moves.last.reset();
        QTest::mouseMove(m_view, p);
        if (!QTest::qWaitFor([&] { return m_moves.last == p; }, 1000)) {
            QMouseEvent move(QEvent::MouseMove, QPointF(p), m_view->mapToGlobal(QPointF(p)),
                             Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(m_view, &move);
        }
    }
    // Presses the left button at from, moves in steps with it held, and lets go at to.
    void Drag(const QPoint& from, const QPoint& to) {
        QTest::mousePress(m_view, Qt::LeftButton, {}, from);
        constexpr int kSteps = 6;
        for (int i = 1; i <= kSteps; ++i) {
            const QPointF at = QPointF(from) + QPointF(to - from) * i / kSteps;
            QMouseEvent move(QEvent::MouseMove, at, m_view->mapToGlobal(at), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_view, &move);
        }
        QTest::mouseRelease(m_view, Qt::LeftButton, {}, to);
    }

    // --- the mission -------------------------------------------------------------------
    std::vector<CDefNode*> Tanks() const {
        const std::string quoted = std::string("\"") + kTankType + "\"";
        std::vector<CDefNode*> tanks;
        for (CDefNode* c : Doc().WorkingRoot()->Children())
            if (c->Name() == "Entity" && c->GetValue(0) && quoted == c->GetValue(0))
                tanks.push_back(c);
        return tanks;
    }
    static glm::vec3 PositionOf(const CDefNode* node, const char* name = "Position") {
        double p[3] = {0, 0, 0};
        EXPECT_TRUE(node->ReadDoubles(name, p, 3)) << name;
        return glm::vec3(float(p[0]), float(p[1]), float(p[2]));
    }
    static double TurnOf(const CDefNode* node) {
        double turn = -1.0;
        EXPECT_TRUE(node->ReadDoubles("Turn", &turn, 1));
        return turn;
    }
    bool InMission(const CDefNode* node) const {
        return Doc().WorkingRoot()->IndexOfChild(node) >= 0;
    }
    // Clicks the turn dial of the property bar at the rim, in a direction.
    void ClickDial(QPoint towards) {
        app::CTurnIndicator* dial = Frame()->PropBar()->TurnIndicator();
        QTest::mouseClick(dial, Qt::LeftButton, {},
                          QRectF(dial->rect()).center().toPoint() + towards * 10);
    }

    testing_support::TempDir m_dir;
    testing_support::RecordingPrompts m_prompts;
    std::unique_ptr<QSettings> m_ini;
    std::unique_ptr<app::CVarnholtApp> m_app;
    std::unique_ptr<app_testing::ModalCanceller> m_canceller;
    QPointer<CMap3DView> m_view;
    MoveWatch m_moves;
    std::string m_original;
};

void ExpectNear(const glm::vec3& a, const glm::vec3& b, float tolerance, const char* what) {
    EXPECT_NEAR(a.x, b.x, tolerance) << what;
    EXPECT_NEAR(a.y, b.y, tolerance) << what;
    EXPECT_NEAR(a.z, b.z, tolerance) << what;
}

TEST_F(Map3DEditingTest, ATankPlacedDraggedTurnedAndDeletedComesBackStepByStepWithUndo) {
    const QImage opened = Shot("01-opened");
    const size_t tanksBefore = Tanks().size();
    const std::vector<QPoint> spots = BarePoints(2, {60, 30});
    const QPoint placeAt = spots[0], dragTo = spots[1];

    // The entity bar lists the tanks; clicking a type starts placing it.
    app::CPropBar* propBar = Frame()->PropBar();
    propBar->ChooseType(propBar->TypeBox()->findText("Tanks"));
    QTreeWidget* tree = Frame()->EntityBar()->Tree();
    const auto items = tree->findItems(kTankType, Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(items.size(), 1);
    tree->scrollToItem(items[0]);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualItemRect(items[0]).center());
    ASSERT_NE(Editor().Placing(), nullptr);
    EXPECT_EQ(Steps(), 0);

    // The new tank follows the pointer and stays where it is clicked down.
    Hover(placeAt);
    const std::optional<glm::vec3> ground = GroundAt(placeAt);
    ASSERT_TRUE(ground);
    ExpectNear(Editor().Placing()->RequestedPosition(), *ground, 0.01f, "following");
    QTest::mouseClick(m_view, Qt::LeftButton, {}, placeAt);
    ASSERT_EQ(Editor().Placing(), nullptr);
    const std::vector<CDefNode*> tanks = Tanks();
    ASSERT_EQ(tanks.size(), tanksBefore + 1);
    CDefNode* tank = tanks.back();
    ExpectNear(PositionOf(tank), *ground, 0.01f, "placed");
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(Steps(), 1);
    const std::string placedText = Text();
    const QImage placed = Shot("02-placed");
    ExpectChangedAt(opened, placed, {placeAt}, "placed");

    // A click without a move selects and changes nothing.
    const QPoint tankAt = ScreenOf(PositionOf(tank));
    ASSERT_EQ(Editor().PickAt(Pointer(tankAt)), m_view->Scene().EntityOf(tank));
    QTest::mouseClick(m_view, Qt::LeftButton, {}, tankAt);
    EXPECT_EQ(Steps(), 1);
    EXPECT_EQ(Text(), placedText);

    // Dragged with the left button, the tank keeps where it was grabbed
    // under the pointer; the move is one step.
    const std::optional<glm::vec3> grabGround = GroundAt(tankAt), dropGround = GroundAt(dragTo);
    ASSERT_TRUE(grabGround && dropGround);
    const glm::vec3 grabOffset = PositionOf(tank) - *grabGround;
    Drag(tankAt, dragTo);
    EXPECT_FALSE(Editor().Dragging());
    ExpectNear(PositionOf(tank), *dropGround + grabOffset, 0.01f, "dragged");
    EXPECT_EQ(Steps(), 2);
    const std::string draggedText = Text();
    const QImage dragged = Shot("03-dragged");
    ExpectChangedAt(placed, dragged, {placeAt, dragTo}, "dragged");

    // The dial turns the selected tank; turning on and on is one step.
    EXPECT_EQ(TurnOf(tank), 0.0);
    ClickDial({0, -1});
    EXPECT_EQ(TurnOf(tank), 90.0);
    ClickDial({-1, 0});
    EXPECT_EQ(TurnOf(tank), 180.0);
    EXPECT_EQ(Steps(), 3);
    const std::string turnedText = Text();
    const QImage turned = Shot("04-turned");
    ExpectChangedAt(dragged, turned, {ScreenOf(PositionOf(tank))}, "turned");

    // Edit > Delete with the view in front takes the selected tank away.
    EXPECT_TRUE(Frame()->Action(CmdEditDelete)->isEnabled());
    Command(CmdEditDelete);
    EXPECT_FALSE(InMission(tank));
    EXPECT_EQ(Tanks().size(), tanksBefore);
    EXPECT_EQ(Steps(), 4);
    const std::string deletedText = Text();
    const QImage deleted = Shot("05-deleted");
    ExpectChangedAt(turned, deleted, {dragTo}, "deleted");

    // Each undo gives the state before its step back, the very node included.
    const std::vector<std::string> before = {m_original, placedText, draggedText, turnedText};
    for (int i = 3; i >= 0; --i) {
        Command(CmdEditUndo);
        EXPECT_EQ(Text(), before[size_t(i)]) << "undo to state " << i;
        EXPECT_EQ(Steps(), i);
        EXPECT_EQ(InMission(tank), i > 0) << "undo to state " << i;
        if (i == 3) {
            EXPECT_EQ(TurnOf(tank), 180.0);
        } else if (i == 2) {
            EXPECT_EQ(TurnOf(tank), 0.0);
        }
    }
    EXPECT_FALSE(Doc().IsModified());
    const QImage undone = Shot("06-undone");
    EXPECT_EQ(Changed(opened, undone, {}, false), 0) << "the view is not back as it opened";

    // Redo walks the same way forward.
    const std::vector<std::string> after = {placedText, draggedText, turnedText, deletedText};
    for (size_t i = 0; i < after.size(); ++i) {
        Command(CmdEditRedo);
        EXPECT_EQ(Text(), after[i]) << "redo to state " << i + 1;
    }
    EXPECT_EQ(Changed(deleted, Shot("07-redone"), {}, false), 0);
}

TEST_F(Map3DEditingTest, WaypointsLaidWithWHeldAreLinkedAndUndoTakesThemBack) {
    const QImage opened = Shot("10-opened");
    const CDefNode* helpers = Doc().Helpers();
    const CDefNode* block = helpers ? helpers->FindChild("waypoints") : nullptr;
    const size_t before = block ? block->Children().size() : 0;
    const std::vector<QPoint> spots = BarePoints(2, {100, 0});
    const std::optional<glm::vec3> ground0 = GroundAt(spots[0]), ground1 = GroundAt(spots[1]);
    ASSERT_TRUE(ground0 && ground1);

    // 'W' held: each click on the ground lays a waypoint, linked from the last.
    Hover(spots[0]);
    QTest::keyPress(m_view, Qt::Key_W);
    EXPECT_EQ(Editor().Cursor(), view3d::CursorMode::Waypoint);
    QTest::mouseClick(m_view, Qt::LeftButton, {}, spots[0]);
    const QImage first = Shot("11-first-waypoint");
    Hover(spots[1]);
    QTest::mouseClick(m_view, Qt::LeftButton, {}, spots[1]);
    QTest::keyRelease(m_view, Qt::Key_W);
    EXPECT_EQ(Editor().Cursor(), view3d::CursorMode::Normal);

    helpers = Doc().Helpers();
    block = helpers ? helpers->FindChild("waypoints") : nullptr;
    ASSERT_NE(block, nullptr);
    ASSERT_EQ(block->Children().size(), before + 2);
    const CDefNode* from = block->Children()[before];
    const CDefNode* to = block->Children()[before + 1];
    ASSERT_NE(from->FindValue("transition"), nullptr);
    EXPECT_EQ(std::string(from->FindValue("transition")), std::string(to->Name()));
    EXPECT_EQ(to->FindValue("transition"), nullptr);
    ExpectNear(PositionOf(from, "position"), *ground0, 0.01f, "first waypoint");
    ExpectNear(PositionOf(to, "position"), *ground1, 0.01f, "second waypoint");
    EXPECT_EQ(Steps(), 2);
    const QImage linked = Shot("12-waypoints-linked");
    ExpectChangedAt(opened, first, {spots[0]}, "first waypoint");
    ExpectChangedAt(first, linked, {spots[0], spots[1]}, "second waypoint");

    // One step each: two undos take both away, in the view as well.
    Command(CmdEditUndo);
    Command(CmdEditUndo);
    EXPECT_EQ(Text(), m_original);
    EXPECT_FALSE(Doc().CanUndo());
    EXPECT_EQ(Changed(opened, Shot("13-waypoints-undone"), {}, false), 0);
}

} // namespace
