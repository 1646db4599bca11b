#include "view3d/widget/EditCursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr int kSide = 32;
constexpr int kModes = 9;

// White strokes and shapes edged in black, so that a cursor shows on light
// sand and dark forest alike.
void Lines(QPainter& p, const QPainterPath& path) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 4.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

void Shape(QPainter& p, const QPainterPath& path) {
    p.setBrush(Qt::white);
    p.setPen(QPen(Qt::black, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

QPainterPath Polygon(std::initializer_list<QPointF> points) {
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

// The ordinary pointer, small, its tip at (1, 1): the tools that act on
// the element under the tip.
void Pointer(QPainter& p) {
    Shape(p,
          Polygon({{1, 1}, {1, 16}, {5, 12.5}, {8, 18.5}, {10.5, 17.5}, {7.5, 11.5}, {12, 11.5}}));
}

// A circle with a cross through it: where the new zone's centre goes.
void DrawZone(QPainter& p) {
    QPainterPath path;
    path.addEllipse(QPointF(16, 16), 9, 9);
    path.moveTo(16, 2);
    path.lineTo(16, 30);
    path.moveTo(2, 16);
    path.lineTo(30, 16);
    Lines(p, path);
}

// The pointer and a vehicle with an arrow into its open door.
void DrawBoard(QPainter& p) {
    Pointer(p);
    Shape(p, Polygon({{13, 19}, {27, 19}, {30, 23}, {30, 28}, {13, 28}}));
    QPainterPath wheels;
    wheels.addEllipse(QPointF(17, 28.5), 2.5, 2.5);
    wheels.addEllipse(QPointF(26, 28.5), 2.5, 2.5);
    Shape(p, wheels);
    p.setBrush(Qt::black);
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(20, 21, 4, 6));
    QPainterPath arrow;
    arrow.moveTo(22, 11);
    arrow.lineTo(22, 19);
    arrow.moveTo(19.5, 16.5);
    arrow.lineTo(22, 19);
    arrow.lineTo(24.5, 16.5);
    Lines(p, arrow);
}

// A flag on a pole; the pole's foot is the waypoint's place.
void DrawWaypoint(QPainter& p) {
    QPainterPath pole;
    pole.moveTo(7, 30);
    pole.lineTo(7, 3);
    Lines(p, pole);
    Shape(p, Polygon({{8, 3}, {26, 8}, {8, 14}}));
}

// An arc over the top with a head at either end: the camera turns.
void DrawTurning(QPainter& p) {
    const QRectF circle(5, 7, 22, 22);
    QPainterPath arc;
    arc.arcMoveTo(circle, 200);
    arc.arcTo(circle, 200, -220);
    Lines(p, arc);
    // Heads pointing on along the arc, down at both ends; turn is the
    // direction of travel (-1 against the clock).
    auto head = [&](double degrees, double turn) {
        const double a = degrees * std::numbers::pi / 180.0;
        const QPointF end(16 + 11 * std::cos(a), 18 - 11 * std::sin(a));
        const QPointF along(turn * std::sin(a), turn * std::cos(a));
        const QPointF across(std::cos(a), -std::sin(a));
        Shape(p, Polygon({end + along * 5, end - across * 4.5, end + across * 4.5}));
    };
    head(200, -1);
    head(-20, 1);
}

// A film camera: the key records where the camera stands.
void DrawCamera(QPainter& p) {
    QPainterPath body;
    body.addRoundedRect(QRectF(3, 12, 19, 13), 2, 2);
    Shape(p, body);
    QPainterPath reels;
    reels.addEllipse(QPointF(8, 8), 4, 4);
    reels.addEllipse(QPointF(17, 8), 4, 4);
    Shape(p, reels);
    Shape(p, Polygon({{22, 16}, {29, 12}, {29, 25}, {22, 21}}));
    p.setBrush(Qt::black);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(12.5, 18.5), 2.5, 2.5);
}

// Two rings through each other: one train part coupled to the next.
void DrawCoupling(QPainter& p) {
    QPainterPath rings;
    rings.addEllipse(QPointF(11, 16), 7, 5);
    Lines(p, rings);
    QPainterPath second;
    second.addEllipse(QPointF(21, 16), 7, 5);
    Lines(p, second);
    // The first ring crosses over the second on top, so they read as linked.
    const QRectF first(4, 11, 14, 10);
    QPainterPath over;
    over.arcMoveTo(first, 25);
    over.arcTo(first, 25, 40);
    Lines(p, over);
}

QCursor Build(int mode) {
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    QPoint hotSpot(16, 16);
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing, true);
        switch (mode) {
        case 1:
            DrawZone(p);
            break;
        case 2:
            DrawBoard(p);
            hotSpot = {1, 1};
            break;
        case 3:
            DrawWaypoint(p);
            hotSpot = {7, 30};
            break;
        case 4:
            DrawTurning(p);
            break;
        case 7:
            DrawCamera(p);
            break;
        case 8:
            DrawCoupling(p);
            break;
        default:
            break;
        }
    }
    return QCursor(pixmap, hotSpot.x(), hotSpot.y());
}

} // namespace

QCursor EditCursor(int cursorMode) {
    if (cursorMode == 5 || cursorMode == 6) cursorMode = 3;
    if (cursorMode <= 0 || cursorMode >= kModes) return QCursor(Qt::ArrowCursor);
    // Kept for the program's life, and never destroyed: pixmaps must not
    // outlive the application object, and statics would.
    static auto* cursors = [] {
        auto* made = new std::array<QCursor, kModes>();
        for (int mode = 1; mode < kModes; ++mode)
            if (mode != 5 && mode != 6) (*made)[static_cast<size_t>(mode)] = Build(mode);
        return made;
    }();
    return (*cursors)[static_cast<size_t>(cursorMode)];
}
