#include "preview/picture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvamo;

namespace {

QImage solid(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

constexpr QRgb Red = 0xFF0000, Blue = 0x0000FF, White = 0xFFFFFF, NearWhite = 0xFEFFFF;

}  // namespace

TEST(Picture, SlotTakesPictureSizeAndKeepsItWhenCleared) {
    Picture slot(9, 9, true);
    slot.setPicture(solid(24, 240, Red));
    EXPECT_EQ(slot.width(), 24);
    EXPECT_EQ(slot.height(), 240);
    slot.clear();
    EXPECT_FALSE(slot.hasPicture());
    EXPECT_EQ(slot.height(), 240);
    EXPECT_EQ(slot.pixel(0, 0), White);
    slot.setHeight(1);
    EXPECT_EQ(slot.height(), 1);
    EXPECT_EQ(slot.width(), 24);
}

TEST(Picture, CanvasKeepsItsSizeUnderASmallerOrLargerBackground) {
    Picture canvas(240, 160);
    Picture small(0, 0, true);
    small.setPicture(solid(10, 10, Red));
    canvas.setBackground(small);
    EXPECT_EQ(canvas.width(), 240);
    EXPECT_EQ(canvas.pixel(9, 9), Red);
    EXPECT_EQ(canvas.pixel(10, 10), White);

    Picture large(0, 0, true);
    large.setPicture(solid(300, 200, Blue));
    canvas.setBackground(large);
    EXPECT_EQ(canvas.height(), 160);
    EXPECT_EQ(canvas.pixel(239, 159), Blue);
}

TEST(Picture, OpaqueCopyIsClippedToBothSurfaces) {
    Picture canvas(20, 20);
    Picture source(0, 0, true);
    source.setPicture(solid(8, 8, Red));
    // Runs past the destination's right edge and past the source's bottom edge.
    canvas.copy(15, 2, 10, 10, source, 0, 0);
    EXPECT_EQ(canvas.pixel(15, 2), Red);
    EXPECT_EQ(canvas.pixel(19, 9), Red);
    EXPECT_EQ(canvas.pixel(19, 10), White) << "beyond the source nothing is copied";
    EXPECT_EQ(canvas.pixel(14, 2), White);
    // Negative destination corner: the visible part lines up with the source.
    canvas.copy(-4, -4, 8, 8, source, 0, 0);
    EXPECT_EQ(canvas.pixel(3, 3), Red);
    EXPECT_EQ(canvas.pixel(4, 4), White);
}

TEST(Picture, TransparentCopyLeavesOutExactWhiteOnly) {
    QImage pattern = solid(3, 1, White);
    pattern.setPixel(1, 0, 0xFF000000u | NearWhite);
    pattern.setPixel(2, 0, 0xFF000000u | Red);
    Picture source(0, 0, true);
    source.setPicture(pattern);
    Picture canvas(3, 1);
    canvas.setBackColor(QColor(Blue));
    canvas.copyTransparent(0, 0, 3, 1, source, 0, 0);
    EXPECT_EQ(canvas.pixel(0, 0), Blue);
    EXPECT_EQ(canvas.pixel(1, 0), NearWhite);
    EXPECT_EQ(canvas.pixel(2, 0), Red);
}

TEST(Picture, CopyWithinOneCanvasReadsTheAreaAsItWas) {
    Picture canvas(8, 1);
    QImage row = solid(8, 1, White);
    for (int x = 0; x < 4; ++x) row.setPixel(x, 0, 0xFF000000u | static_cast<QRgb>(x + 1));
    canvas.setPicture(row);
    canvas.copy(2, 0, 4, 1, canvas, 0, 0);  // overlapping
    const QRgb expected[8] = {1, 2, 1, 2, 3, 4, White, White};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(canvas.pixel(x, 0), expected[x]) << x;
}

TEST(Picture, GrowingFillsWithBackColourAndBmpRoundTrips) {
    Picture canvas(2, 2);
    canvas.setBackColor(QColor(Red));
    canvas.setSize(4, 3);
    EXPECT_EQ(canvas.pixel(3, 2), Red);

    QTemporaryDir dir;
    const QString path = dir.filePath("canvas.bmp");
    ASSERT_TRUE(canvas.saveBmp(path));
    Picture back(0, 0, true);
    ASSERT_TRUE(back.load(path));
    EXPECT_EQ(back.width(), 4);
    EXPECT_EQ(back.height(), 3);
    EXPECT_EQ(back.pixel(0, 0), Red);
    EXPECT_FALSE(back.load(dir.filePath("missing.bmp")));
    EXPECT_EQ(back.width(), 4) << "a failed load leaves the holder as it was";
}
