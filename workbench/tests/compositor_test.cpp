#include "preview/compositor.h"
#include "preview/builtin_pictures.h"
#include "skin_fixture.h"

#include <gtest/gtest.h>

#include <set>

using namespace corvamo;

using namespace sample_skin;

namespace {

constexpr QRgb White = 0xFFFFFF, Black = 0x000000;

struct Probe {
    int x, y;
    QRgb colour;
    const char* what;
};

class Compositor : public ::testing::Test {
protected:
    void SetUp() override { LoadSampleSkin(p); }

    void compose(int gbascreen, int dswindow = 0, bool showselectbug = false) {
        state.gbascreen = gbascreen;
        state.dswindow = dswindow;
        redrawsub(p, state, showselectbug);
    }

    void expectProbes(const Picture& canvas, const std::vector<Probe>& probes) {
        for (const Probe& probe : probes)
            EXPECT_EQ(canvas.pixel(probe.x, probe.y), Rgb(probe.colour))
                << probe.what << " at " << probe.x << "," << probe.y;
    }

    FormPictures p;
    ModuleState state;
};

QRgb extra(int slot) { return ExtraColour(slot); }
QRgb tile(int n) { return TileColour(n); }

TEST_F(Compositor, Screen0IsTheLogoAlone) {
    compose(0);
    EXPECT_TRUE(ShowsAt(p.Picture4, 0, 0, ExtraPicture(QvPdaLogo)));
}

TEST_F(Compositor, Screen1DrawsTheItemDialogOverTheLogo) {
    compose(1);
    const QPoint ink = FirstInk(LanguageLabel());
    expectProbes(p.Picture4, {
                                 {59, 49, extra(QvPdaLogo), "logo left of the dialog"},
                                 {60, 49, extra(ItemDisc), "dialog top left"},
                                 {187, 128, extra(ItemDisc), "dialog bottom right"},
                                 {188, 128, extra(QvPdaLogo), "logo right of the dialog"},
                                 {73, 66, tile(6), "tile 6 top left"},
                                 {96, 89, tile(6), "tile 6 bottom right"},
                                 {112, 66, extra(ArrowR), "right arrow top left"},
                                 {123, 77, extra(ArrowR), "right arrow bottom right"},
                                 {100, 85, extra(QvPdaLogo), "white of the dialog shows the logo"},
                                 {124, 100, NearWhite, "near-white of the dialog is drawn"},
                                 {126, 67, extra(ItemDisc), "white of the label shows the dialog"},
                                 {126 + ink.x(), 67 + ink.y(), Black, "label ink"},
                             });
}

TEST_F(Compositor, DesktopColumnUsesTiles01874From6Down29Apart) {
    for (int screen : {2, 3}) {
        compose(screen);
        const int tiles[5] = {0, 1, 8, 7, 4};
        for (int i = 0; i < 5; ++i) {
            const int top = 6 + 29 * i;
            expectProbes(p.Picture4, {
                                         {8, top, tile(tiles[i]), "tile top left"},
                                         {31, top + 23, tile(tiles[i]), "tile bottom right"},
                                         {8, top - 1, extra(Desktop), "desktop above the tile"},
                                         {14, top + 6, extra(Desktop), "white of the tile shows the desktop"},
                                         {20, top + 12, NearWhite, "near-white of the tile"},
                                     });
        }
    }
}

TEST_F(Compositor, Screen2AddsTheLeftArrowBesideTheTopIcon) {
    compose(2);
    expectProbes(p.Picture4, {
                                 {31, 11, extra(ArrowL), "left arrow top left"},
                                 {42, 22, extra(ArrowL), "left arrow bottom right"},
                                 {43, 22, extra(Desktop), "desktop right of the arrow"},
                             });
}

TEST_F(Compositor, Screen3ShowsTheFileManagerMessage) {
    compose(3);
    const QPoint ink = FirstInk(FileManagerLabel());
    expectProbes(p.Picture4, {
                                 {31, 11, extra(ArrowR), "right arrow"},
                                 {48, 8, extra(ItemDisc), "dialog top left"},
                                 {175, 87, extra(ItemDisc), "dialog bottom right"},
                                 {61, 34, tile(0), "tile 0 top left"},
                                 {84, 57, tile(0), "tile 0 bottom right"},
                                 {102 + ink.x(), 26 + ink.y(), Black, "label ink"},
                             });
}

TEST_F(Compositor, Screen4CoversTheDesktopCompletely) {
    compose(4);
    std::set<QRgb> hidden{Rgb(extra(Desktop))};
    for (int n = 0; n < 10; ++n) hidden.insert(Rgb(tile(n)));
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 240; ++x) ASSERT_EQ(hidden.count(p.Picture4.pixel(x, y)), 0u) << x << "," << y;
    expectProbes(p.Picture4, {
                                 {0, 0, extra(FileMngHead), "head top left"},
                                 {239, 23, extra(FileMngHead), "head bottom right"},
                                 {0, 24, extra(FileMng), "file list top left"},
                                 {239, 159, extra(FileMng), "file list bottom right"},
                                 {3, 26, extra(Icons), "icons top left"},
                                 {18, 38, extra(Icons), "icons bottom right"},
                             });
    EXPECT_TRUE(ShowsAt(p.Picture4, 20, 25, NameLabel()));
}

TEST_F(Compositor, NoLabelsWithoutDeskicon) {
    ClearDeskicon(p);
    compose(1);
    const QPoint lang = FirstInk(LanguageLabel());
    EXPECT_EQ(p.Picture4.pixel(126 + lang.x(), 67 + lang.y()), Rgb(extra(ItemDisc)));
    EXPECT_EQ(p.Picture4.pixel(112, 66), Rgb(extra(ArrowR)));  // the other copies are still made
    compose(3);
    const QPoint msg = FirstInk(FileManagerLabel());
    EXPECT_NE(p.Picture4.pixel(102 + msg.x(), 26 + msg.y()), Black);
    EXPECT_EQ(p.Picture4.pixel(48, 8), Rgb(extra(ItemDisc)));
    compose(4);
    EXPECT_EQ(p.Picture4.pixel(20, 25), Rgb(extra(FileMng)));
    EXPECT_EQ(p.Picture4.pixel(3, 26), Rgb(extra(Icons)));
}

QRgb mainColour(int slot) { return MainColour(slot); }

TEST_F(Compositor, DsLowerScreenWithoutTheWindow) {
    compose(0, 0);
    const QPoint ink = FirstInk(SampleEntryLabel());
    std::vector<Probe> probes{
        {0, 0, mainColour(1), "subBG"},
        {12, 22, mainColour(2), "disk top left"},
        {51, 61, mainColour(2), "disk bottom right"},
        {12, 66, mainColour(3), "nor top left"},
        {51, 105, mainColour(3), "nor bottom right"},
        {12, 110, mainColour(4), "setting top left"},
        {51, 149, mainColour(4), "setting bottom right"},
        {69, 30, mainColour(5), "select bar top left"},
        {244, 47, mainColour(5), "select bar bottom right"},
        {40, 30, mainColour(2), "no window over the disk button"},
        {96 + ink.x(), 34 + ink.y(), Black, "entry on the select bar"},
        {49 + ink.x(), 43 + ink.y(), mainColour(1), "no entry where the window would be"},
    };
    for (int j = 1; j <= 7; ++j) probes.push_back({72 + ink.x(), 34 + 18 * j + ink.y(), Black, "sample row"});
    expectProbes(p.Picture2, probes);
}

TEST_F(Compositor, DsWindowCoversRowsButtonsAndBarButNotTheEntry) {
    compose(0, 1);
    const QPoint ink = FirstInk(SampleEntryLabel());
    expectProbes(p.Picture2, {
                                 {40, 30, mainColour(6), "window top left"},
                                 {199, 149, mainColour(6), "window bottom right"},
                                 {45, 40, mainColour(6), "window over the disk button's right edge"},
                                 {100, 35, mainColour(6), "window over the select bar"},
                                 {220, 35, mainColour(5), "select bar's right end"},
                                 {72 + ink.x(), 52 + ink.y(), mainColour(6), "sample row 1 under the window"},
                                 {72 + ink.x(), 160 + ink.y(), Black, "sample row 7 below the window"},
                                 {49 + ink.x(), 43 + ink.y(), Black, "entry on the window"},
                                 {96 + ink.x(), 34 + ink.y(), mainColour(6), "no entry on the select bar"},
                             });
}

TEST_F(Compositor, NoSampleEntriesWithoutSubBG) {
    ClearSubBG(p);
    for (int window : {0, 1}) {
        compose(0, window);
        for (int y = 0; y < 192; ++y)
            for (int x = 0; x < 256; ++x) ASSERT_NE(p.Picture2.pixel(x, y), Black) << x << "," << y;
        EXPECT_EQ(p.Picture2.pixel(12, 22), Rgb(mainColour(2)));
        EXPECT_EQ(p.Picture2.pixel(244, 47), Rgb(mainColour(5)));
    }
}

// mainBG whose every pixel tells its position, so the strip's rows can be traced back.
QImage numberedMainBG() {
    QImage image(256, 192, QImage::Format_RGB32);
    for (int y = 0; y < 192; ++y)
        for (int x = 0; x < 256; ++x) image.setPixel(x, y, qRgb(x, y, 77));
    return image;
}

TEST_F(Compositor, SelectBugStripHoldsMainBGPixelsFrom0_11InReadingOrder) {
    p.Picture1[0].setPicture(numberedMainBG());
    compose(0, 0, false);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 176; ++c) {
            const int n = 2816 + 176 * r + c;
            ASSERT_EQ(p.Picture10.pixel(c, r), Rgb(qRgb(n % 256, n / 256, 77))) << c << "," << r;
        }
    // Not pasted while the option is off.
    EXPECT_EQ(p.Picture2.pixel(69, 46), Rgb(mainColour(5)));
    EXPECT_EQ(p.Picture2.pixel(244, 47), Rgb(mainColour(5)));
}

TEST_F(Compositor, SelectBugStripSitsOnTheBarsBottomRowsUnderTheWindow) {
    p.Picture1[0].setPicture(numberedMainBG());
    compose(0, 0, true);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 176; ++c)
            ASSERT_EQ(p.Picture2.pixel(69 + c, 46 + r), p.Picture10.pixel(c, r)) << c << "," << r;
    EXPECT_EQ(p.Picture2.pixel(69, 45), Rgb(mainColour(5)));

    compose(0, 1, true);
    EXPECT_EQ(p.Picture2.pixel(100, 46), Rgb(mainColour(6)));
    EXPECT_EQ(p.Picture2.pixel(220, 47), p.Picture10.pixel(151, 1));
}

TEST_F(Compositor, StripFollowsTheCurrentMainBG) {
    compose(0);
    EXPECT_EQ(p.Picture10.pixel(0, 0), Rgb(mainColour(0)));
    p.Picture1[0].setPicture(numberedMainBG());
    compose(0);
    EXPECT_EQ(p.Picture10.pixel(0, 0), Rgb(qRgb(0, 11, 77)));
}

TEST_F(Compositor, RepeatedCallsGiveTheSamePreviews) {
    for (int screen = 0; screen < 5; ++screen) {
        compose(screen, screen % 2, true);
        const QImage gba = p.Picture4.image(), ds = p.Picture2.image();
        compose(screen, screen % 2, true);
        EXPECT_EQ(p.Picture4.image(), gba) << screen;
        EXPECT_EQ(p.Picture2.image(), ds) << screen;
    }
}

TEST_F(Compositor, ShowsTheGbaPreviewBeforeTheStrip) {
    p.Picture1[0].setPicture(numberedMainBG());
    state.gbascreen = 2;
    QRgb stripAtShow = 1, gbaAtShow = 1;
    p.Picture10.copy(0, 0, 176, 2, p.Picture9, 0, 0);  // strip blank before the call
    redrawsub(p, state, false, [&] {
        stripAtShow = p.Picture10.pixel(0, 0);
        gbaAtShow = p.Picture4.pixel(31, 11);
    });
    EXPECT_EQ(gbaAtShow, Rgb(extra(ArrowL)));
    EXPECT_EQ(stripAtShow, White);
}

TEST_F(Compositor, WithNoSkinTheCanvasesAreBlank) {
    FormPictures empty;
    for (int screen = 0; screen < 5; ++screen) {
        redrawsub(empty, ModuleState{{}, {}, 0, 0, screen}, true);
        EXPECT_EQ(empty.Picture4.pixel(120, 80), White) << screen;
    }
    EXPECT_EQ(empty.Picture2.pixel(128, 96), White);
}

}  // namespace
