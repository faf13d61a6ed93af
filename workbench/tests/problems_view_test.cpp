// Problems on the previews, the window title and status line, Make loader-safe from the Skin menu,
// the keyboard and accessible names, through the real window offscreen; and the exports of the
// new views through the real binary.
#include "author/skin_fix.h"
#include "broken_skin.h"
#include "picture_box.h"
#include "preview_views.h"
#include "program.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>

#include "testsupport/picture_forms.h"

using namespace corvamo;
using namespace testing_sandbox;

namespace {

QByteArray ImageMagickBmp(int w, int h) {
    std::vector<testsupport::Rgba> px(std::size_t(w * h), testsupport::Rgba{40, 120, 200});
    return QByteArray::fromStdString(
        testsupport::MakePictureForm(testsupport::PictureFormKind::Bmp32BitfieldsAlpha, w, h, px));
}

bool OnFiveBitGrid(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            for (int c : {qRed(image.pixel(x, y)), qGreen(image.pixel(x, y)), qBlue(image.pixel(x, y))})
                if (c != ((c >> 3) << 3 | (c >> 3) >> 2)) return false;
    return true;
}

}  // namespace

using ProblemsView = WindowTest;

TEST_F(ProblemsView, OutlinedWithTheCheckFindingAndCountedInTheTitle) {
    ASSERT_TRUE(broken_skin::Make(box.skins + "/Broken"));
    start();
    EXPECT_EQ(form->windowTitle(), "Corvamo");
    form->setDir1Path(box.skins + "/Broken");
    EXPECT_EQ(form->windowTitle(), "Corvamo \u2014 Broken (6 errors, 2 warnings)");
    PreviewViews& views = *form->views();
    const QImage plain = Shown(form->Picture2);
    views.showproblems->trigger();
    const QImage outlined = Shown(form->Picture2);
    // disk.bmp is 32 x 32 where 40 x 40 is drawn at (12, 22): its area's edge is red, inside it not.
    const struct {
        QPoint at;
        bool red;
    } rows[] = {{{12, 22}, true}, {{20, 22}, true}, {{12, 40}, true}, {{51, 40}, true}, {{30, 40}, false}};
    for (const auto& row : rows)
        EXPECT_EQ(outlined.pixel(row.at) == qRgb(255, 0, 0), row.red) << row.at.x() << "," << row.at.y();
    EXPECT_NE(plain, outlined);
    EXPECT_TRUE(views.problemAt(form->Picture2, QPoint(30, 40))
                    .startsWith("error: disk.bmp: is 32 x 32, expected 40 x 40: smaller than"))
        << views.problemAt(form->Picture2, QPoint(30, 40)).toStdString();
    EXPECT_EQ(views.problemAt(form->Picture2, QPoint(150, 150)), "");  // subBG is fine
    // The GBA file manager's icons.bmp is RLE: outlined on screen 4, with the check's words.
    setView(0, 4);
    EXPECT_TRUE(views.problemAt(form->Picture4, QPoint(5, 28)).contains("icons.bmp: 8-bit BMP compressed with RLE"))
        << views.problemAt(form->Picture4, QPoint(5, 28)).toStdString();
    // Zoomed, the tooltip is found at the zoomed position.
    views.zoom2x->trigger();
    EXPECT_TRUE(views.problemAt(form->Picture4, QPoint(10, 56)).contains("icons.bmp"));
}

TEST_F(ProblemsView, AMainPictureThatCannotLoadIsNamedAndMadeLoaderSafeFromTheMenu) {
    const QString skin = box.skins + "/Magick";
    ASSERT_TRUE(WriteSkinTemplate(skin).ok);
    const QByteArray original = ImageMagickBmp(256, 192);
    WorkbenchSandbox::write(skin + "/mainBG.bmp", original);
    start();
    form->setDir1Path(skin);
    EXPECT_FALSE(pics().Picture1[0].hasPicture());
    EXPECT_TRUE(form->statusBar()->currentMessage().startsWith(
        "Not loaded: mainBG.bmp: 32-bit BMP with bit-field masks (as ImageMagick saves by default): the workbench's "
        "image library cannot read this form"))
        << form->statusBar()->currentMessage().toStdString();

    messages.answers = {true};
    form->makeloadersafe->trigger();
    ASSERT_EQ(messages.texts.size(), 2);
    EXPECT_TRUE(messages.texts[0].contains("mainBG.bmp (32-bit BMP with bit-field masks"))
        << messages.texts[0].toStdString();
    EXPECT_TRUE(messages.texts[1].startsWith("mainBG.bmp: ")) << messages.texts[1].toStdString();
    EXPECT_TRUE(pics().Picture1[0].hasPicture()) << "loaded again at once";
    EXPECT_TRUE(form->statusBar()->currentMessage().startsWith("The check found 0 errors"))
        << form->statusBar()->currentMessage().toStdString();
    EXPECT_TRUE(form->windowTitle().startsWith("Corvamo \u2014 Magick (0 errors"));

    form->undomakeloadersafe->trigger();
    EXPECT_EQ(WorkbenchSandbox::read(skin + "/mainBG.bmp"), original);
    EXPECT_FALSE(QFileInfo::exists(skin + "/" + kBackupFolder));
    EXPECT_FALSE(pics().Picture1[0].hasPicture());
}

TEST_F(ProblemsView, KeyboardReachesAndUsesThePreviewsPaletteAndSwatches) {
    ASSERT_TRUE(WriteSkinTemplate(box.skins + "/Skin").ok);
    start();
    form->setDir1Path(box.skins + "/Skin");
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    for (QWidget* control : form->findChildren<QWidget*>()) {
        if (!control->isVisible() || control->focusPolicy() == Qt::NoFocus || qobject_cast<QScrollBar*>(control))
            continue;
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
        EXPECT_FALSE(control->toolTip().isEmpty()) << control->objectName().toStdString();
    }
    for (QWidget* preview : {static_cast<QWidget*>(form->Picture2), static_cast<QWidget*>(form->Picture4),
                             static_cast<QWidget*>(form->Picture7), static_cast<QWidget*>(form->Picture8[0])})
        EXPECT_EQ(preview->focusPolicy(), Qt::StrongFocus);

    form->Picture4->setFocus();
    QTest::keyClick(form->Picture4, Qt::Key_Return);
    QTest::keyClick(form->Picture4, Qt::Key_Space);
    EXPECT_EQ(wb().state().gbascreen, 2);
    QTest::keyClick(form->Picture2, Qt::Key_Enter);
    EXPECT_EQ(wb().state().dswindow, 1);

    const Picture& palette = pics().Picture7;
    QTest::keyClick(form->Picture7, Qt::Key_Right);
    QTest::keyClick(form->Picture7, Qt::Key_Right);
    QTest::keyClick(form->Picture7, Qt::Key_Down);
    QTest::keyClick(form->Picture7, Qt::Key_Return);
    EXPECT_EQ(pics().Picture6.rgb() & 0xFFFFFFu, palette.pixel(2, 1));
    QTest::keyClick(form->Picture7, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(pics().Picture6.rgb() & 0xFFFFFFu, palette.pixel(2, 1) ^ 0xFFFFFFu);
    QTest::keyClick(form->Picture8[1], Qt::Key_Return);
    EXPECT_EQ(pics().Picture6, pics().Picture8[1]);
    QTest::keyClick(form->Picture8[1], Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(pics().Picture6.rgb() & 0xFFFFFFu, (pics().Picture8[1].rgb() & 0xFFFFFFu) ^ 0xFFFFFFu);

    // The View menu's shortcuts clash with none of the File menu's.
    QStringList shortcuts;
    for (QAction* menu : form->menuBar()->actions())
        for (QAction* action : menu->menu()->actions())
            if (!action->shortcut().isEmpty()) shortcuts << action->shortcut().toString();
    EXPECT_EQ(shortcuts.removeDuplicates(), 0) << shortcuts.join(' ').toStdString();
}

TEST(ExportPreviewsProgram, ConsoleAndPngExports) {
    WorkbenchSandbox box;
    const QString skin = box.skins + "/Skin";
    ASSERT_TRUE(WriteSkinTemplate(skin).ok);
    const ProgramRun run = RunCorvamo(box, {"--export-previews", "--console", "--png", skin});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    const QStringList names = {"DS-preview-console.jpg", "DS-preview-console.png", "GBA-preview-console.jpg",
                               "GBA-preview-console.png"};
    for (const QString& name : names)
        EXPECT_TRUE(run.out.contains(skin + "/" + name + " saved.")) << name.toStdString();
    const QImage ds(skin + "/DS-preview-console.png"), gba(skin + "/GBA-preview-console.png");
    EXPECT_EQ(ds.size(), QSize(256, 384));
    EXPECT_EQ(gba.size(), QSize(480, 320));
    EXPECT_TRUE(OnFiveBitGrid(ds) && OnFiveBitGrid(gba)) << "every pixel in the console's colours";

    const ProgramRun plain = RunCorvamo(box, {"--export-previews", "--png", skin});
    EXPECT_EQ(plain.code, 0) << plain.err.toStdString();
    EXPECT_FALSE(OnFiveBitGrid(QImage(skin + "/DS-preview.png"))) << "the JPEG-loaded source has 8 bits a channel";
    EXPECT_TRUE(QFileInfo::exists(skin + "/GBA-preview.jpg"));
    EXPECT_EQ(RunCorvamo(box, {"--export-previews", "--console"}).code, 2);

    // A PNG that cannot be written fails the run and is named, though its JPEG was saved.
    QFile::remove(skin + "/GBA-preview.png");
    ASSERT_TRUE(QDir().mkpath(skin + "/GBA-preview.png/inside"));
    const ProgramRun taken = RunCorvamo(box, {"--export-previews", "--png", skin});
    EXPECT_EQ(taken.code, 1);
    EXPECT_TRUE(taken.out.contains(skin + "/DS-preview.png saved.")) << taken.out.toStdString();
    EXPECT_TRUE(
        taken.err.contains(skin + "/GBA-preview.jpg saved.\n" + skin + "/GBA-preview.png could not be replaced."))
        << taken.err.toStdString();
}
