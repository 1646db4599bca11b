// The pictures circle zones carry in the 3D view, and the editing cursors.

#include "support/QtTestSupport.h"
#include "view3d/widget/EditCursors.h"
#include "view3d/widget/QtZonePainter.h"

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <cmath>

using view3d::ZonePictureRequest;

namespace {

constexpr QRgb kRed = 0xFFFF0000u;

class ZonePainterTest : public ::testing::Test {
  protected:
    ZonePainterTest() { testing_support::TestApp(); }

    // The picture of a circle zone as the view asks for it.
    static QImage Circle(float radius, std::string name = {}) {
        const int cells = static_cast<int>(radius) / 20 * 2 + 2;
        return QtZonePainter::PaintImage({cells * 20, false, radius, std::move(name)});
    }

    static int RedPixels(const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixel(x, y) == kRed;
        return count;
    }
};

TEST_F(ZonePainterTest, APictureIsRedOnTransparentWithItsRingAndMarkOnTheZonesCentre) {
    const float r = 130.5f;
    const QImage image = Circle(r);
    ASSERT_EQ(image.width(), 280);
    ASSERT_EQ(image.height(), 280);
    // Nothing but the red lines and a background that lets the ground through.
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_TRUE(image.pixel(x, y) == kRed || image.pixel(x, y) == 0u) << x << "," << y;
    EXPECT_EQ(image.pixel(0, 0), 0u);
    EXPECT_EQ(image.pixel(279, 279), 0u);

    // The grid's centre is the zone's centre; one pixel is one world unit.
    const double centre = 140.0;
    for (double angle = 0; angle < 360; angle += 45) {
        SCOPED_TRACE(angle);
        const double a = angle * 3.14159265358979 / 180.0;
        auto at = [&](double distance) {
            return image.pixel(static_cast<int>(std::lround(centre + distance * std::cos(a))),
                               static_cast<int>(std::lround(centre + distance * std::sin(a))));
        };
        EXPECT_EQ(at(r - 8), kRed);
        EXPECT_EQ(at(r + 4), 0u);
        EXPECT_EQ(at(r - 25), 0u);
        EXPECT_EQ(at(30), kRed);
        EXPECT_EQ(at(10), 0u);
    }

    // The picture handed to the texture is the same, row by row from the top.
    QtZonePainter painter;
    const std::vector<uint32_t> pixels = painter.Paint({280, false, r, {}});
    ASSERT_EQ(pixels.size(), 280u * 280u);
    EXPECT_EQ(pixels[140 * 280 + 140 + 30], kRed);
    EXPECT_EQ(pixels[0], 0u);
}

TEST_F(ZonePainterTest, TheNameIsWrittenAcrossZonesLargerThan115) {
    EXPECT_EQ(RedPixels(Circle(115.0f, "Bridgehead")), RedPixels(Circle(115.0f)));
    // Just above the limit the name's box reaches far below the ring; the
    // name must still land inside the picture.
    for (float r : {116.0f, 125.0f, 300.0f, 900.0f}) {
        SCOPED_TRACE(r);
        const QImage named = Circle(r, "Bridgehead");
        EXPECT_GT(RedPixels(named), RedPixels(Circle(r)) + 100);
    }
}

TEST_F(ZonePainterTest, ALargeZoneShowsAFixedRingAndItsRadiusWritten) {
    EXPECT_EQ(LargeZoneText(2500.04f), QStringLiteral("Radius\r\n2500.0"));
    const QImage image = QtZonePainter::PaintImage({640, true, 2500.0f, "Bridgehead"});
    ASSERT_EQ(image.width(), 640);
    EXPECT_EQ(image.pixel(0, 0), 0u);
    // The ring of 600 pixels sits in the middle of the picture.
    EXPECT_EQ(image.pixel(25, 318), kRed);
    EXPECT_EQ(image.pixel(610, 318), kRed);
    EXPECT_EQ(image.pixel(318, 25), kRed);
    EXPECT_EQ(image.pixel(12, 318), 0u);
    // The text is the only thing that differs between two radii, and it lies
    // in the middle, not the name.
    const QImage other = QtZonePainter::PaintImage({640, true, 3100.0f, "Bridgehead"});
    EXPECT_NE(image, other);
    EXPECT_EQ(image, QtZonePainter::PaintImage({640, true, 2500.0f, {}}));
    int inText = 0;
    for (int y = 120; y < 540; ++y)
        for (int x = 60; x < 540; ++x)
            inText += image.pixel(x, y) == kRed;
    EXPECT_GT(inText, 200);
}

TEST(EditCursorTest, EveryEditModeHasItsOwnVisibleCursor) {
    testing_support::TestApp();
    EXPECT_EQ(EditCursor(0).shape(), Qt::ArrowCursor);
    EXPECT_EQ(EditCursor(9).shape(), Qt::ArrowCursor);
    EXPECT_EQ(EditCursor(-1).shape(), Qt::ArrowCursor);
    for (int mode : {1, 2, 3, 4, 7, 8}) {
        SCOPED_TRACE(mode);
        const QCursor cursor = EditCursor(mode);
        ASSERT_EQ(cursor.shape(), Qt::BitmapCursor);
        const QImage image = cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(32, 32));
        // Transparent around, white edged in black on it.
        EXPECT_EQ(qAlpha(image.pixel(0, 31)) + qAlpha(image.pixel(31, 0)), 0);
        int white = 0, black = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QRgb p = image.pixel(x, y);
                if (qAlpha(p) < 255) continue;
                white += qGray(p) > 192;
                black += qGray(p) < 64;
            }
        EXPECT_GT(white, 10);
        EXPECT_GT(black, 10);
        // Built once: the same pixmap every time.
        EXPECT_EQ(EditCursor(mode).pixmap().cacheKey(), cursor.pixmap().cacheKey());
    }
    for (int mode : {5, 6}) {
        EXPECT_EQ(EditCursor(mode).pixmap().cacheKey(), EditCursor(3).pixmap().cacheKey());
        EXPECT_EQ(EditCursor(mode).hotSpot(), EditCursor(3).hotSpot());
    }
}

} // namespace
