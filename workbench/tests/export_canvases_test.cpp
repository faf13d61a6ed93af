#include "preview/export_canvases.h"
#include "preview/compositor.h"
#include "skin/image_io.h"
#include "skin_fixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvamo;

using namespace sample_skin;

namespace {

class PreviewExport : public ::testing::Test {
protected:
    void SetUp() override { LoadSampleSkin(p); }

    // What redrawsub shows for one GBA screen.
    QImage gbaScreen(int screen) {
        ModuleState s;
        s.gbascreen = screen;
        redrawsub(p, s, false);
        return p.Picture4.image();
    }

    FormPictures p;
    ModuleState state;
    ViewOptions options;
};

TEST_F(PreviewExport, DsExportWithoutDividerStacksTheScreens) {
    p.Picture6 = QColor(1, 200, 3);
    DrawDsExport(p, state, options);
    EXPECT_EQ(state.dswindow, 1);
    EXPECT_EQ(p.Picture2.pixel(40, 30), Rgb(MainColour(6)));  // the window is shown
    ASSERT_EQ(p.Picture3.width(), 256);
    ASSERT_EQ(p.Picture3.height(), 384);
    EXPECT_TRUE(ShowsAt(p.Picture3, 0, 0, MainPicture(0)));
    EXPECT_TRUE(ShowsAt(p.Picture3, 0, 192, p.Picture2.image()));
}

TEST_F(PreviewExport, DsExportWithDividerHasA50PixelBand) {
    const QColor divider(1, 200, 3);
    p.Picture6 = divider;
    options.dividerindspreview = true;
    DrawDsExport(p, state, options);
    ASSERT_EQ(p.Picture3.height(), 434);
    EXPECT_TRUE(ShowsAt(p.Picture3, 0, 0, MainPicture(0)));
    for (int y = 192; y < 242; ++y)
        for (int x = 0; x < 256; ++x) ASSERT_EQ(p.Picture3.pixel(x, y), Rgb(divider.rgb())) << x << "," << y;
    EXPECT_TRUE(ShowsAt(p.Picture3, 0, 242, p.Picture2.image()));

    options.dividerindspreview = false;
    DrawDsExport(p, state, options);
    EXPECT_EQ(p.Picture3.height(), 384);
    EXPECT_TRUE(ShowsAt(p.Picture3, 0, 192, p.Picture2.image()));
}

TEST_F(PreviewExport, GbaCellsAreScreens1To4Clockwise) {
    const QImage screens[5] = {{}, gbaScreen(1), gbaScreen(2), gbaScreen(3), gbaScreen(4)};
    ModuleState shown;
    shown.gbascreen = 2;
    redrawsub(p, shown, false);
    const QImage before = p.Picture4.image();

    DrawGbaExport(p);
    ASSERT_EQ(p.Picture15.width(), 480);
    ASSERT_EQ(p.Picture15.height(), 320);
    EXPECT_TRUE(ShowsAt(p.Picture15, 0, 0, screens[1]));
    EXPECT_TRUE(ShowsAt(p.Picture15, 240, 0, screens[2]));
    EXPECT_TRUE(ShowsAt(p.Picture15, 240, 160, screens[3]));
    EXPECT_TRUE(ShowsAt(p.Picture15, 0, 160, screens[4]));
    EXPECT_EQ(p.Picture4.image(), before);  // the preview on screen is left alone
}

TEST_F(PreviewExport, GbaBottomRightIsCopiedBeforeTheLeftArrow) {
    // An arrowR that is white but for one corner pixel lets the cell below it show through.
    QImage arrowR(12, 12, QImage::Format_RGB32);
    arrowR.fill(Qt::white);
    arrowR.setPixel(0, 0, qRgb(9, 9, 9));
    p.Picture5[ArrowR].setPicture(arrowR);
    DrawGbaExport(p);
    EXPECT_EQ(p.Picture15.pixel(271 + 11, 11 + 11), Rgb(ExtraColour(ArrowL)));  // top right has it
    EXPECT_EQ(p.Picture15.pixel(271 + 11, 171 + 11), Rgb(ExtraColour(Desktop)));
    EXPECT_EQ(p.Picture15.pixel(271, 171), Rgb(qRgb(9, 9, 9)));
    // The icon column came along with the copy.
    EXPECT_EQ(p.Picture15.pixel(248, 160 + 122), Rgb(TileColour(4)));
}

TEST_F(PreviewExport, GbaExportDrawsTheLabelsEvenWithoutDeskicon) {
    ClearDeskicon(p);
    DrawGbaExport(p);
    const QPoint lang = FirstInk(LanguageLabel()), msg = FirstInk(FileManagerLabel());
    EXPECT_EQ(p.Picture15.pixel(126 + lang.x(), 67 + lang.y()), 0u);
    EXPECT_EQ(p.Picture15.pixel(342 + msg.x(), 186 + msg.y()), 0u);
    EXPECT_TRUE(ShowsAt(p.Picture15, 20, 185, NameLabel()));
}

TEST_F(PreviewExport, GbaExportShowsNothingOfThePreviousSkin) {
    DrawGbaExport(p);
    QImage small(10, 10, QImage::Format_RGB32);
    small.fill(qRgb(5, 6, 7));
    p.Picture5[QvPdaLogo].setPicture(small);
    DrawGbaExport(p);
    EXPECT_EQ(p.Picture15.pixel(5, 5), Rgb(qRgb(5, 6, 7)));
    EXPECT_EQ(p.Picture15.pixel(30, 30), 0xFFFFFFu);  // not the old logo
}

struct NamingCase {
    PreviewKind kind;
    int skinfromzip;
    bool sameDirAsZip, skinDir;
    const char *dirPath, *selectedFile, *expected;
};

TEST(PreviewOutputPath, NamingRules) {
    const NamingCase cases[] = {
        // A: beside the archive, capital P.
        {PreviewKind::Ds, 1, true, false, "/data/skins", "Blue.zip", "/data/skins/Blue-DS-Preview.jpg"},
        {PreviewKind::Gba, 1, true, true, "/data/skins", "Blue.zip", "/data/skins/Blue-GBA-Preview.jpg"},
        {PreviewKind::Ds, 1, true, false, "/", "Blue.ZIP", "/Blue-DS-Preview.jpg"},
        // B: in the program folder.
        {PreviewKind::Ds, 1, false, true, "/data/skins", "Blue.zip", "/opt/dist/Blue-DS-preview.jpg"},
        {PreviewKind::Gba, 1, false, false, "/data/skins", "Blue.zip", "/opt/dist/Blue-GBA-preview.jpg"},
        // C: in the skin folder, no dash; a selection left from an archive does not matter.
        {PreviewKind::Ds, 0, true, true, "/data/skins/Red", "Blue.zip", "/data/skins/Red/DS-preview.jpg"},
        {PreviewKind::Gba, 0, false, true, "/", "", "/GBA-preview.jpg"},
        // D: the folder's name in the program folder; a volume root lands beside it.
        {PreviewKind::Ds, 0, true, false, "/data/skins/Red", "", "/opt/dist/Red-DS-preview.jpg"},
        {PreviewKind::Gba, 0, false, false, "/data/skins/Red", "Blue.zip", "/opt/dist/Red-GBA-preview.jpg"},
        {PreviewKind::Ds, 0, false, false, "/", "", "/opt/dist-DS-preview.jpg"},
        {PreviewKind::Gba, 0, false, false, "/media/usb/", "", "/opt/dist-GBA-preview.jpg"},
    };
    for (const NamingCase& c : cases) {
        ModuleState state;
        state.appfolder = "/opt/dist/";
        state.skinfromzip = c.skinfromzip;
        ViewOptions options;
        options.savepreviewinsamedirectoryaszip = c.sameDirAsZip;
        options.savepreviewinskindirectory = c.skinDir;
        EXPECT_EQ(PreviewOutputPath(c.kind, state, options, c.dirPath, c.selectedFile).toStdString(), c.expected);
    }
}

class SavePreviewTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

Picture solidCanvas(int w, int h, QRgb colour) {
    Picture canvas(w, h);
    canvas.setBackColor(QColor::fromRgb(colour));
    return canvas;
}

void expectJpeg(const QString& file, int w, int h, QRgb colour) {
    const QImage saved(file);
    ASSERT_FALSE(saved.isNull()) << file.toStdString();
    EXPECT_EQ(saved.width(), w);
    EXPECT_EQ(saved.height(), h);
    const QColor got = saved.pixelColor(w / 2, h / 2), want = QColor::fromRgb(colour);
    EXPECT_NEAR(got.red(), want.red(), 6);
    EXPECT_NEAR(got.green(), want.green(), 6);
    EXPECT_NEAR(got.blue(), want.blue(), 6);
}

TEST_F(SavePreviewTest, SavesTheCanvasAsJpegAndRemovesTheScratchFile) {
    const QString out = path("Blue-DS-Preview.jpg"), scratch = path("cache/temp.bmp");
    const Status result = SavePreview(solidCanvas(256, 434, qRgb(200, 40, 90)), out, scratch);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.message, out + " saved.");
    expectJpeg(out, 256, 434, qRgb(200, 40, 90));
    EXPECT_FALSE(QFile::exists(scratch));
}

TEST_F(SavePreviewTest, SavingTwiceReplacesTheFirstFile) {
    const QString out = path("GBA-preview.jpg"), scratch = path("temp.bmp");
    QFile stale(scratch);  // a scratch file left over from an earlier crash
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("junk");
    stale.close();
    const Status first = SavePreview(solidCanvas(480, 320, qRgb(10, 200, 10)), out, scratch);
    const Status second = SavePreview(solidCanvas(480, 320, qRgb(10, 10, 200)), out, scratch);
    EXPECT_TRUE(second.ok);
    EXPECT_EQ(second.message, first.message);
    expectJpeg(out, 480, 320, qRgb(10, 10, 200));
}

TEST_F(SavePreviewTest, FailuresAreReportedAndLeaveNoScratchFile) {
    const QString scratch = path("temp.bmp");
    const Picture canvas = solidCanvas(16, 16, qRgb(1, 2, 3));

    const QString missingFolder = path("no/such/folder/DS-preview.jpg");
    Status result = SavePreview(canvas, missingFolder, scratch);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, missingFolder + " could not be saved.");
    EXPECT_FALSE(QFile::exists(scratch));

    // A folder where the preview should go is not deleted.
    const QString folder = path("taken-DS-preview.jpg");
    ASSERT_TRUE(QDir().mkpath(folder + "/inside"));
    result = SavePreview(canvas, folder, scratch);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, folder + " could not be replaced.");
    EXPECT_TRUE(QFileInfo(folder + "/inside").isDir());
    EXPECT_FALSE(QFile::exists(scratch));

    // A scratch path that cannot be written stops before the old preview is touched.
    const QString out = path("kept.jpg");
    ASSERT_TRUE(SavePreview(canvas, out, scratch).ok);
    result = SavePreview(canvas, out, path("kept.jpg/temp.bmp"));
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.message.contains("could not be written")) << result.message.toStdString();
    EXPECT_TRUE(QFile::exists(out));
}

}  // namespace

// The export cells are drawn one after another, so each must stay inside its own cell: a step
// reaching into a neighbour would depend on the order of the cells.
TEST(ExportCells, EveryStepStaysInsideItsCellAndCellsDoNotOverlap) {
    const struct {
        const char* what;
        std::span<const ExportCell> cells;
        QSize screen;
    } exports[] = {{"DS", kDsExportCells, kDsScreen}, {"GBA", kGbaExportCells, kGbaScreen}};
    for (const auto& row : exports) {
        std::vector<QRect> cells;
        for (const ExportCell& cell : row.cells) {
            const QRect area(cell.origin, row.screen);
            for (const QRect& other : cells) EXPECT_FALSE(area.intersects(other)) << row.what;
            cells.push_back(area);
            for (const auto& group : cell.groups)
                for (const DrawStep& step : group)
                    EXPECT_TRUE(QRect(QPoint(0, 0), row.screen).contains(QRect(step.at, step.size)))
                        << row.what << " step at " << step.at.x() << "," << step.at.y();
        }
    }
    EXPECT_EQ(std::size(kGbaScreenSteps), size_t(kGbaScreens));
}
