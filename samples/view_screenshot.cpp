// Shows the real Corvamo window on the display it is given (Xvfb for the README) with two skins
// made in a temporary folder, and grabs from the screen: the template skin with a gradient desktop
// and a narrow arrow, its GBA desktop at 3x, source beside console colours, with the pixel grid;
// and a skin broken on purpose with View > Show problems at 2x.
// Usage: view_screenshot CONSOLE.png PROBLEMS.png (a screen of 2400 x 1900 shows the 3x views whole)
#include "author/skin_template.h"
#include "broken_skin.h"
#include "form1.h"
#include "picture_box.h"
#include "platform/messages.h"
#include "preview_views.h"

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace corvamo;

namespace {

bool Grab(QWidget& window, QWidget* part, const char* path) {
    QTest::qWait(400);  // let the X server show it
    const QImage whole = window.screen()->grabWindow(window.winId()).toImage();
    const QRect area = part ? QRect(part->mapTo(&window, QPoint()), part->size()) : whole.rect();
    if (whole.copy(area).save(QString::fromLocal8Bit(path), "PNG")) return true;
    std::fprintf(stderr, "view_screenshot: cannot write %s\n", path);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: view_screenshot CONSOLE.png PROBLEMS.png\n");
        return 2;
    }
    QTemporaryDir root;
    const QString skin = root.filePath("MySkin"), broken = root.filePath("Broken");
    if (!WriteSkinTemplate(skin).ok || !broken_skin::Make(broken)) {
        std::fprintf(stderr, "view_screenshot: cannot write the skins into %s\n", qPrintable(root.path()));
        return 2;
    }
    // A smooth gradient behind the desktop, which the console's 5 bits a channel band, and an arrow
    // 10 pixels wide, which Lindquay pads to 12 with black.
    QImage desktop(240, 160, QImage::Format_RGB888), arrow(10, 12, QImage::Format_RGB888);
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 240; ++x) desktop.setPixel(x, y, qRgb(x * 255 / 239, 96 + y / 4, 255 - y * 255 / 159));
    arrow.fill(qRgb(230, 60, 40));
    if (!desktop.save(skin + "/desktop.bmp", "BMP") || !arrow.save(skin + "/arrowL.bmp", "BMP")) return 2;
    QDir().mkpath(root.filePath("app"));
    RecordedMessages messages;
    Form1 window(CacheFolders::Under(root.filePath("cache")), &messages, nullptr, root.filePath("app"));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "view_screenshot: the window was not shown\n");
        return 2;
    }
    window.setDir1Path(skin);
    for (int click = 0; click < 2; ++click) window.Picture4_Click();
    PreviewViews& views = *window.views();
    views.zoom3x->trigger();
    views.sourcebesideconsole->trigger();
    views.consolecolours->trigger();
    if (!Grab(window, window.Picture4, argv[1])) return 2;

    views.zoom2x->trigger();
    views.sourcebesideconsole->trigger();
    views.consolecolours->trigger();
    views.showproblems->trigger();
    window.setDir1Path(broken);
    window.Picture2_Click();
    if (!Grab(window, nullptr, argv[2])) return 2;
    std::printf("%s\n", qPrintable(window.windowTitle()));
    return 0;
}
