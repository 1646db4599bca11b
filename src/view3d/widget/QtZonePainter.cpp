#include "view3d/widget/QtZonePainter.h"

#include "platform/Text.h"

#include <QFont>
#include <QPainter>
#include <QPen>

#include <algorithm>

using view3d::ZonePictureRequest;

namespace {

constexpr int kPenWidth = 10;
constexpr double kCentreMarkRadius = 30.0;
// A large zone's ring and text are laid out on 600 pixels, centred in its
// picture.
constexpr double kLargeLayoutHalf = 300.0;
// Big enough to read from the height the map is usually seen from, small
// enough that a short name fits across the smallest named zone.
constexpr int kTextPixelSize = 40;
constexpr int kTextFlags = Qt::AlignCenter | Qt::TextWordWrap;

void DrawLarge(QPainter& painter, float radius) {
    painter.drawEllipse(QRectF(QPointF(5, 5), QPointF(590, 590)));
    QString text = LargeZoneText(radius);
    // The painter breaks lines at "\n" only.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    painter.drawText(QRectF(QPointF(40, 100), QPointF(520, 520)), kTextFlags, text);
}

void DrawCircle(QPainter& painter, double r, const std::string& name) {
    const double ringEnd = 2 * r - 10;
    // A zone of a few units has no room for a ring inside its centre mark.
    if (ringEnd > 5) painter.drawEllipse(QRectF(QPointF(5, 5), QPointF(ringEnd, ringEnd)));
    if (!name.empty() && r > 115) {
        const QString text = QString::fromStdString(platform::Cp1252ToUtf8(name));
        QRectF box = QRectF(QPointF(5, r - 100), QPointF(ringEnd, 520)).normalized();
        // The box reaches down to 520 whatever the size, which would centre
        // the name of a small zone below its ring, off the picture: the
        // name is lifted until it ends at the ring's bottom.
        const QRectF used = painter.boundingRect(box, kTextFlags, text);
        if (used.bottom() > ringEnd) box.translate(0, ringEnd - used.bottom());
        painter.drawText(box, kTextFlags, text);
    }
    painter.drawEllipse(QPointF(r, r), kCentreMarkRadius, kCentreMarkRadius);
}

// Paints request into image, which is side x side ARGB32.
void PaintInto(QImage& image, const ZonePictureRequest& request) {
    const int side = image.width();
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        // Hard edges: every pixel is red or background, and the background
        // alone turns transparent.
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setPen(QPen(QBrush(Qt::red), kPenWidth));
        painter.setBrush(Qt::NoBrush);
        QFont font = painter.font();
        font.setPixelSize(kTextPixelSize);
        font.setBold(true);
        font.setStyleStrategy(QFont::NoAntialias);
        painter.setFont(font);
        // The layout puts the zone's centre at (r, r) (300, 300 for a large
        // zone); the grid's picture is a little larger than 2r, so the
        // layout is moved until that point is the picture's centre, where
        // the zone's centre lies.
        const double r = request.radius;
        const double half = request.large ? kLargeLayoutHalf : r;
        painter.translate(side / 2.0 - half, side / 2.0 - half);
        // A large zone's text takes the middle; it has no centre mark.
        if (request.large)
            DrawLarge(painter, request.radius);
        else
            DrawCircle(painter, r, request.name);
    }
    for (int y = 0; y < side; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < side; ++x)
            row[x] = (row[x] & 0x00FFFFFFu) == 0 ? 0u : (row[x] | 0xFF000000u);
    }
}

} // namespace

QString LargeZoneText(float radius) {
    return QStringLiteral("Radius\r\n") + QString::number(static_cast<double>(radius), 'f', 1);
}

QImage QtZonePainter::PaintImage(const ZonePictureRequest& request) {
    const int side = std::max(request.side, 0);
    QImage image(side, side, QImage::Format_ARGB32);
    if (side > 0) PaintInto(image, request);
    return image;
}

std::vector<uint32_t> QtZonePainter::Paint(const ZonePictureRequest& request) {
    const int side = std::max(request.side, 0);
    std::vector<uint32_t> pixels(static_cast<size_t>(side) * side);
    if (side == 0) return pixels;
    // Painted straight into the pixels handed back: the biggest pictures
    // take tens of megabytes.
    QImage image(reinterpret_cast<uchar*>(pixels.data()), side, side, side * 4,
                 QImage::Format_ARGB32);
    PaintInto(image, request);
    return pixels;
}
