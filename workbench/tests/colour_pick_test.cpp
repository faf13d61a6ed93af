#include "preview/colour_pick.h"
#include "preview/builtin_pictures.h"
#include "skin_fixture.h"

#include <gtest/gtest.h>

using namespace corvamo;

namespace {

const QColor Before(10, 20, 30);

Picture palette() {
    const QImage picture = PalettePicture();
    Picture holder(picture.width(), picture.height());
    holder.setPicture(picture);
    return holder;
}

TEST(ColourPick, PaletteButtonRules) {
    const Picture strip = palette();
    const struct {
        int button, x, y;
        QColor expected;
        const char* what;
    } cases[] = {
        {1, 0, 0, QColor(253, 17, 17), "left takes the pixel"},
        {2, 0, 0, QColor(2, 238, 238), "right takes its inverse"},
        {3, 0, 0, Before, "both buttons change nothing"},
        {0, 0, 0, Before, "a move without a button changes nothing"},
        {1, -1, 0, Before, "left of the palette"},
        {1, 0, -1, Before, "above the palette"},
        {1, 190, 0, Before, "right of the palette"},
        {1, 0, 15, Before, "below the palette"},
        {1, 189, 14, QColor(strip.pixel(189, 14)), "bottom right pixel is inside"},
    };
    for (const auto& c : cases) EXPECT_EQ(PickFromPalette(strip, c.button, c.x, c.y, Before), c.expected) << c.what;
}

TEST(ColourPick, SwatchButtonRules) {
    EXPECT_EQ(PickFromSwatch(Qt::white, 2, Before), QColor(Qt::black));
    EXPECT_EQ(PickFromSwatch(Qt::white, 1, Before), QColor(Qt::white));
    EXPECT_EQ(PickFromSwatch(QColor(1, 2, 3), 2, Before), QColor(254, 253, 252));
    EXPECT_EQ(PickFromSwatch(Qt::black, 3, Before), Before);
    // A colour with alpha (as a system colour may come) is taken by its RGB only.
    EXPECT_EQ(PickFromSwatch(QColor(0, 0, 0, 10), 1, Before), QColor(0, 0, 0));
}

TEST(BuiltinPictures, SizesFormatsAndColours) {
    const struct {
        QImage image;
        int w, h, depth;
    } pictures[] = {
        {LanguageLabel(), 39, 32, 1},   {FileManagerLabel(), 59, 53, 1}, {NameLabel(), 43, 15, 24},
        {SampleEntryLabel(), 49, 9, 1}, {PalettePicture(), 190, 15, 32},
    };
    for (const auto& p : pictures) {
        EXPECT_EQ(p.image.width(), p.w);
        EXPECT_EQ(p.image.height(), p.h);
        EXPECT_EQ(p.image.depth(), p.depth) << p.w;
    }
    for (const QImage& label : {LanguageLabel(), FileManagerLabel(), SampleEntryLabel()}) {
        int ink = 0;
        for (int y = 0; y < label.height(); ++y)
            for (int x = 0; x < label.width(); ++x) {
                const QRgb c = Rgb(label.pixel(x, y));
                ASSERT_TRUE(c == 0 || c == 0xFFFFFF);
                ink += c == 0;
            }
        EXPECT_GT(ink, 20);
    }
    const QImage name = NameLabel();
    int light = 0;
    for (int y = 0; y < name.height(); ++y)
        for (int x = 0; x < name.width(); ++x) {
            const QRgb c = Rgb(name.pixel(x, y));
            ASSERT_TRUE(c == 0x18A0A0 || c == 0xF8F8F8 || c == 0xFFFFFF) << x << "," << y;
            light += c != 0x18A0A0;
        }
    EXPECT_GT(light, 40);
}

TEST(BuiltinPictures, PaletteRunsThroughTheHuesAndFadesToGrey) {
    const QImage strip = PalettePicture();
    EXPECT_EQ(Rgb(strip.pixel(0, 0)), Rgb(qRgb(253, 17, 17)));
    const QColor bottomLeft = strip.pixelColor(0, 14);
    EXPECT_NEAR(bottomLeft.red(), 137, 2);
    EXPECT_NEAR(bottomLeft.green(), 118, 2);
    EXPECT_NEAR(bottomLeft.blue(), 118, 2);
    // Hue at a sixth of the way is yellow, at a third green, half cyan, two thirds blue.
    const struct {
        int x;
        int hue;
    } hues[] = {{32, 60}, {63, 120}, {95, 180}, {127, 240}, {158, 300}, {189, 358}};
    for (const auto& h : hues) EXPECT_NEAR(strip.pixelColor(h.x, 0).hue(), h.hue, 4) << h.x;
}

TEST(BuiltinPictures, SeatedHoldersTakeThePictureSizes) {
    // A new set of holders already shows the built-in pictures at their sizes.
    const FormPictures p;
    EXPECT_EQ(p.Picture7.width(), 190);
    EXPECT_EQ(p.Picture11.height(), 32);
    EXPECT_EQ(p.Picture12.width(), 59);
    EXPECT_TRUE(ShowsAt(p.Picture13, 0, 0, NameLabel()));
    EXPECT_TRUE(ShowsAt(p.Picture14, 0, 0, SampleEntryLabel()));
}

}  // namespace
