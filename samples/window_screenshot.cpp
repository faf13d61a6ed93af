// Shows the real Corvamo window on the display it is given (Xvfb in the tests), loads the sample
// skin archive the way a user does (folder list, then a click in the file list), clicks both
// previews once, and grabs the window from the screen. The previews on screen must equal, pixel
// for pixel, what a windowless workbench composes from the same archive.
// Usage: window_screenshot SAMPLES_FOLDER ARCHIVE_NAME OUT.png
#include "form1.h"
#include "picture_box.h"
#include "platform/messages.h"
#include "workbench.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace corvamo;

namespace {

// Pixels of the area at `at` in grab that differ from the first `rows` rows of expected.
int differences(const QImage& grab, const QPoint& at, const QImage& expected, int rows) {
    int count = 0;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < expected.width(); ++x)
            if ((grab.pixel(at.x() + x, at.y() + y) & 0xFFFFFFu) != (expected.pixel(x, y) & 0xFFFFFFu)) ++count;
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: window_screenshot SAMPLES_FOLDER ARCHIVE_NAME OUT.png\n");
        return 2;
    }
    const QString samples = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString archive = QString::fromLocal8Bit(argv[2]);
    const QString outPng = QString::fromLocal8Bit(argv[3]);
    QTemporaryDir programFolder;

    const CacheFolders cache = CacheFolders::Under(
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Corvamo"));
    RecordedMessages messages;
    Form1 window(cache, &messages, nullptr, programFolder.path());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "window_screenshot: the window was not shown\n");
        return 2;
    }
    window.setDir1Path(samples);
    if (!window.clickFile1(archive)) {
        std::fprintf(stderr, "window_screenshot: %s is not in the file list of %s\n", argv[2], argv[1]);
        return 2;
    }
    window.Picture4_Click();
    window.Picture2_Click();
    QTest::qWait(300);  // let the X server show the repainted window
    const QImage screen = window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage widget = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (!screen.save(outPng, "PNG")) {
        std::fprintf(stderr, "window_screenshot: cannot write %s\n", argv[3]);
        return 2;
    }

    // The same archive through a workbench without any window.
    RecordedMessages quiet;
    Workbench offscreen(quiet, cache);
    offscreen.startUp(programFolder.path());
    offscreen.folderChange(samples);
    offscreen.archiveChosen(samples, archive);
    offscreen.nextGbaScreen();
    offscreen.toggleWindow();

    const QPoint inside(PictureBox::Border, PictureBox::Border);
    const struct {
        const char* name;
        const PictureBox* box;
        const Picture& picture;
        int rows;
    } previews[] = {
        // The divider swatch lies over the upper screen's bottom rows.
        {"Picture1(0)", window.Picture1[0], offscreen.pictures().Picture1[0],
         window.Picture6->mapTo(&window, QPoint()).y() - window.Picture1[0]->mapTo(&window, inside).y()},
        {"Picture2", window.Picture2, offscreen.pictures().Picture2, 192},
        {"Picture4", window.Picture4, offscreen.pictures().Picture4, 160},
    };
    int failures = 0;
    for (const auto& preview : previews) {
        const QPoint at = preview.box->mapTo(&window, inside);
        const int onScreen = differences(screen, at, preview.picture.image(), preview.rows);
        const int inWidget = differences(widget, at, preview.picture.image(), preview.rows);
        std::printf("%s at %d,%d: %d pixels differ on screen, %d in the widget grab\n", preview.name, at.x(), at.y(),
                    onScreen, inWidget);
        failures += onScreen + inWidget;
    }
    int whole = 0;
    for (int y = 0; y < screen.height() && y < widget.height(); ++y)
        for (int x = 0; x < screen.width() && x < widget.width(); ++x)
            whole += screen.pixel(x, y) != widget.pixel(x, y);
    std::printf("window %dx%d saved to %s; %d pixels differ between the screen and the widget grab\n", screen.width(),
                screen.height(), argv[3], whole);
    return failures == 0 ? 0 : 1;
}
