// The comparison's core: both sides with the same options (console colours, zoom and grid), and
// Differences counted on what is shown, against the console view and the zoom on their own.
#include "collection/compare_view.h"
#include "preview/console_view.h"
#include "program.h"

using namespace corvamo;
using namespace testing_sandbox;

namespace {

// The sample skin as an archive whose GBA logo (the whole of GBA screen 0) is one colour.
QString LogoSkin(const WorkbenchSandbox& box, const QString& name, QRgb colour) {
    const QString zip = box.skins + "/" + name + ".zip";
    std::vector<Entry> entries;
    for (const auto& [file, data] : ReadZip(CORVAMO_SAMPLE_SKIN_ZIP))
        entries.push_back({file, file == "qvpdalogo.bmp" ? WorkbenchSandbox::picture(240, 160, colour, "BMP") : data});
    MakeZip(zip, entries);
    return zip;
}

// How many pixels of two pictures of one size differ.
int Mismatched(const QImage& a, const QImage& b) {
    EXPECT_EQ(a.size(), b.size());
    int n = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

}  // namespace

TEST(CompareView, BothSidesTakeTheConsoleViewAndZoomAndDifferencesCountWhatIsShown) {
    WorkbenchSandbox box;
    CompareSide grey(CacheFolders::Under(box.root + "/a")), other(CacheFolders::Under(box.root + "/b"));
    ASSERT_TRUE(grey.load(LogoSkin(box, "Grey", qRgb(128, 128, 128))));
    // Near: each channel differs only in its 3 low bits, which the console drops; Far: it keeps them.
    const QString near = LogoSkin(box, "Near", qRgb(135, 129, 133)), far = LogoSkin(box, "Far", qRgb(136, 128, 128));
    constexpr int Logo = 240 * 160;
    using O = CompareOptions;
    const struct {
        const QString& skin;
        O::Screen screen;
        int gbascreen;
        bool console;
        int zoom;
        bool grid, differences;
        int differing;
        int padded;  // console pixels that are no ConsoleColours of the source: Lindquay's padding columns
    } rows[] = {
        {near, O::Gba, 0, false, 1, true, false, Logo, 0},  // the source tells them apart
        {near, O::Gba, 0, true, 1, true, true, 0, 0},       // the console does not
        {near, O::Gba, 0, true, 3, true, true, 0, 0},
        {far, O::Gba, 0, false, 1, true, true, Logo, 0},
        {far, O::Gba, 0, true, 3, true, true, Logo, 0},  // counted in screen pixels, not zoomed ones
        {far, O::Gba, 0, true, 4, false, false, Logo, 0},
        {far, O::Gba, 4, true, 2, true, true, 0, 12},  // the file manager covers the logo
        {far, O::DsLower, 0, true, 3, true, true, 0, 0},
        {far, O::DsUpper, 0, true, 3, false, false, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(QString("%1 screen %2/%3 console %4 zoom %5 grid %6 differences %7")
                         .arg(QFileInfo(row.skin).baseName())
                         .arg(row.screen)
                         .arg(row.gbascreen)
                         .arg(row.console)
                         .arg(row.zoom)
                         .arg(row.grid)
                         .arg(row.differences)
                         .toStdString());
        ASSERT_TRUE(other.load(row.skin));
        O options;
        options.screen = row.screen;
        options.gbascreen = row.gbascreen;
        const O plain = options;
        O console = plain;
        console.console = row.console;
        options = console;
        options.zoom = row.zoom;
        options.grid = row.grid;
        options.differences = row.differences;

        // Each side: the source screen in console colours when asked (Lindquay's padding aside), zoomed.
        CompareSide* sides[2] = {&grey, &other};
        QImage shown[2];
        for (int side = 0; side < 2; ++side) {
            const QImage source = sides[side]->screen(plain);
            shown[side] = sides[side]->screen(console);
            EXPECT_EQ(Mismatched(shown[side], row.console ? ConsoleColours(source) : source), row.padded) << side;
            EXPECT_EQ(sides[side]->screen(options), Zoomed(shown[side], row.zoom, row.grid)) << side;
        }
        const Comparison seen = Compare(grey, other, options);
        EXPECT_EQ(seen.differing, row.differing);
        EXPECT_EQ(Mismatched(shown[0], shown[1]), row.differing);
        for (int side = 0; side < 2; ++side) {
            const QImage unzoomed = row.differences ? Differences(shown[side], shown[1 - side]) : shown[side];
            EXPECT_EQ(seen.shown[side], Zoomed(unzoomed, row.zoom, row.grid)) << side;
        }
    }
}
