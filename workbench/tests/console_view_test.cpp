// The console view against an independent model of picture16 (the test support's own picture16
// writer and the expansion written out), zoom and grid, and the View menu through the real
// window offscreen: console colours, padded columns, zoom, source beside console, clicks.
#include "preview/console_view.h"
#include "author/skin_template.h"
#include "picture_box.h"
#include "preview_views.h"
#include "program.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>

#include "testsupport/pictures.h"

using namespace corvamo;
using namespace testing_sandbox;

namespace {

// The model: the picture16 value testsupport makes of a colour, each 5-bit field widened again.
QRgb Model(QRgb c) {
    const std::uint16_t v =
        testsupport::Pixel16({std::uint8_t(qRed(c)), std::uint8_t(qGreen(c)), std::uint8_t(qBlue(c))});
    const auto widen = [](int five) { return five * 8 + five / 4; };
    return qRgb(widen(v & 31), widen(v >> 5 & 31), widen(v >> 10 & 31));
}

QImage ModelOf(const QImage& image) {
    QImage out = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) out.setPixel(x, y, Model(out.pixel(x, y)));
    return out;
}

std::vector<testsupport::Rgb> Gradient(int w, int h) {
    std::vector<testsupport::Rgb> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px.push_back({std::uint8_t(x * 25), std::uint8_t(y * 21), std::uint8_t(255 - x * 3)});
    return px;
}

}  // namespace

TEST(ConsoleColours, EveryChannelValueAgainstTheModel) {
    for (int v = 0; v < 256; ++v)
        for (QRgb c : {qRgb(v, 0, 0), qRgb(0, v, 0), qRgb(0, 0, v), qRgb(v, 255 - v, v / 2)})
            ASSERT_EQ(ConsoleColour(c), Model(c)) << v;
    const struct {
        QRgb in, out;
    } rows[] = {
        {qRgb(255, 255, 255), qRgb(255, 255, 255)},
        {qRgb(248, 250, 254), qRgb(255, 255, 255)},  // near-white is white
        {qRgb(7, 7, 7), qRgb(0, 0, 0)},
        {qRgb(8, 16, 24), qRgb(8, 16, 24)},
        {qRgb(128, 64, 32), qRgb(132, 66, 33)},
    };
    for (const auto& row : rows) EXPECT_EQ(ConsoleColour(row.in), row.out) << std::hex << row.in;
}

TEST(ConsoleColours, StoredPicturesAreLindquaysPicture16Widened) {
    WorkbenchSandbox box;
    const struct {
        const char* name;
        int width, depth;
    } rows[] = {{"w10.bmp", 10, 24}, {"w8.bmp", 8, 32}, {"w5.bmp", 5, 8}};
    for (const auto& row : rows) {
        const int h = 6;
        std::vector<testsupport::Rgb> px = Gradient(row.width, h), palette;
        if (row.depth == 8) {
            palette = px;
            for (std::size_t i = 0; i < px.size(); ++i) px[i] = {std::uint8_t(i), 0, 0};
        }
        const QString path = box.skins + "/" + row.name;
        WorkbenchSandbox::write(
            path, QByteArray::fromStdString(testsupport::MakeBmp(row.width, h, row.depth, px, false, palette)));
        const std::string p16 = testsupport::Picture16(row.width, h, row.depth == 8 ? palette : px);
        const StoredPicture stored = LindquayStored(path);
        ASSERT_TRUE(stored.refusal.isEmpty()) << row.name;
        const int w4 = testsupport::Le16(p16, 4);
        ASSERT_EQ(stored.image.size(), QSize(w4, h)) << row.name;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w4; ++x) {
                const std::uint16_t v = testsupport::Le16(p16, 8 + 2 * std::size_t(y * w4 + x));
                const auto widen = [](int five) { return five * 8 + five / 4; };
                ASSERT_EQ(stored.image.pixel(x, y) & 0xFFFFFFu,
                          qRgb(widen(v & 31), widen(v >> 5 & 31), widen(v >> 10 & 31)) & 0xFFFFFFu)
                    << row.name << " " << x << "," << y;
            }
    }
    WorkbenchSandbox::write(box.skins + "/masks.bmp", QByteArray("BM") + QByteArray(60, '\0'));
    EXPECT_FALSE(LindquayStored(box.skins + "/masks.bmp").refusal.isEmpty());
}

TEST(ConsoleColours, ZoomAndGrid) {
    QImage image(2, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(250, 250, 250));
    image.setPixel(1, 0, qRgb(10, 20, 30));
    const struct {
        int factor;
        bool grid;
        QPoint at;
        QRgb want;
    } rows[] = {
        {1, true, {1, 0}, qRgb(10, 20, 30)},
        {2, true, {1, 1}, qRgb(250, 250, 250)},  // no grid under 3x
        {3, false, {2, 2}, qRgb(250, 250, 250)},
        {3, true, {1, 1}, qRgb(250, 250, 250)},
        {3, true, {2, 1}, qRgb(125, 125, 125)},
        {3, true, {5, 0}, qRgb(132, 137, 142)},  // light darkened, dark lightened
        {4, true, {7, 3}, qRgb(132, 137, 142)},
        {4, true, {6, 2}, qRgb(10, 20, 30)},
    };
    for (const auto& row : rows) {
        const QImage zoomed = Zoomed(image, row.factor, row.grid);
        EXPECT_EQ(zoomed.size(), QSize(2 * row.factor, row.factor));
        EXPECT_EQ(zoomed.pixel(row.at) & 0xFFFFFFu, row.want & 0xFFFFFFu) << row.factor << " " << row.at.x();
    }
    const QImage both = SideBySide(image, image, 3, 0x404040);
    EXPECT_EQ(both.size(), QSize(7, 1));
    EXPECT_EQ(both.pixel(3, 0) & 0xFFFFFFu, 0x404040u);
    EXPECT_EQ(both.pixel(6, 0), image.pixel(1, 0));
}

using ViewMenu = WindowTest;

TEST_F(ViewMenu, ConsoleColoursZoomAndSourceBesideConsole) {
    const QString skin = box.skins + "/Skin";
    ASSERT_TRUE(WriteSkinTemplate(skin).ok);
    // An arrow 10 pixels wide: picture16 pads it to 12 with black, which the screen shows.
    WorkbenchSandbox::write(skin + "/arrowL.bmp",
                            QByteArray::fromStdString(testsupport::MakeBmp(10, 12, 24, Gradient(10, 12))));
    start();
    form->setDir1Path(skin);
    setView(0, 2);
    PreviewViews& views = *form->views();
    const QImage source = pics().Picture4.image();
    EXPECT_EQ(Shown(form->Picture4), source) << "off by default: the described preview";

    views.consolecolours->trigger();
    const QImage console = Shown(form->Picture4);
    // The arrow's padded columns 10 and 11, drawn at (31, 11): black on the console.
    for (int y = 11; y < 23; ++y)
        for (int x : {41, 42}) {
            EXPECT_EQ(console.pixel(x, y) & 0xFFFFFFu, 0u) << x << "," << y;
            EXPECT_NE(source.pixel(x, y) & 0xFFFFFFu, 0u);
        }
    // Everywhere else, the source in the console's colours (the template draws no near-white).
    QImage model = ModelOf(source);
    for (int y = 11; y < 23; ++y)
        for (int x : {41, 42}) model.setPixel(x, y, 0);
    EXPECT_EQ(console, model);
    EXPECT_EQ(Shown(form->Picture2), ModelOf(pics().Picture2.image()));
    EXPECT_EQ(Shown(form->Picture1[0]), ModelOf(pics().Picture1[0].image()));

    // 3x with the grid; the click still steps the screens.
    views.zoom3x->trigger();
    EXPECT_EQ(form->Picture4->size(), QSize(720 + 4, 480 + 4));
    EXPECT_EQ(Shown(form->Picture4), Zoomed(model, 3, true));
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QTest::mouseClick(form->Picture4, Qt::LeftButton, {}, QPoint(700, 470));
    EXPECT_EQ(wb().state().gbascreen, 3);
    QTest::mouseClick(form->Picture2, Qt::LeftButton, {}, QPoint(700, 500));
    EXPECT_EQ(wb().state().dswindow, 1);

    views.sourcebesideconsole->trigger();
    EXPECT_EQ(form->Picture4->size(), QSize(2 * 720 + 8 + 4, 480 + 4));
    const QImage both = Shown(form->Picture4);
    EXPECT_EQ(both.copy(0, 0, 720, 480), Zoomed(pics().Picture4.image(), 3, true));
    EXPECT_EQ(both.copy(728, 0, 720, 480), Zoomed(ModelOf(pics().Picture4.image()), 3, true));
    // The previews no longer overlap the lists and buttons; the window fits them or scrolls.
    for (QWidget* preview : {static_cast<QWidget*>(form->Picture1[0]), static_cast<QWidget*>(form->Picture2),
                             static_cast<QWidget*>(form->Picture4)}) {
        EXPECT_GE(preview->x(), 352);
        EXPECT_FALSE(preview->geometry().intersects(form->Command1->geometry()));
    }
    EXPECT_FALSE(form->Picture4->geometry().intersects(form->Picture2->geometry()));

    views.zoom1x->trigger();
    views.sourcebesideconsole->trigger();
    views.consolecolours->trigger();
    EXPECT_EQ(form->Picture4->geometry(), QRect(8, 227, 244, 164)) << "back to the described window";
    EXPECT_EQ(form->centralWidget()->size(), QSize(618, 413));
}
