// Shows the real Corvamo window on the display it is given (Xvfb for the README), opens a skin
// broken on purpose (made in a temporary folder) from the folder list, runs Skin > Check skin and
// grabs the check dialog from the screen. Prints the dialog's text.
// Usage: check_screenshot OUT.png
#include "broken_skin.h"
#include "check_dialog.h"
#include "form1.h"
#include "platform/messages.h"

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace corvamo;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: check_screenshot OUT.png\n");
        return 2;
    }
    QTemporaryDir root;
    const QString skin = root.filePath("MySkin");
    if (!broken_skin::Make(skin)) {
        std::fprintf(stderr, "check_screenshot: cannot write the skin into %s\n", qPrintable(skin));
        return 2;
    }
    QDir().mkpath(root.filePath("app"));
    RecordedMessages messages;
    Form1 window(CacheFolders::Under(root.filePath("cache")), &messages, nullptr, root.filePath("app"));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "check_screenshot: the window was not shown\n");
        return 2;
    }
    window.setDir1Path(skin);
    window.checkskin->trigger();
    CheckDialog* dialog = window.checkDialog();
    if (!dialog || !QTest::qWaitForWindowExposed(dialog)) {
        std::fprintf(stderr, "check_screenshot: the check dialog was not shown\n");
        return 2;
    }
    QTest::qWait(300);  // let the X server show it
    const QImage shot = dialog->screen()->grabWindow(dialog->winId()).toImage();
    if (!shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "check_screenshot: cannot write %s\n", argv[1]);
        return 2;
    }
    std::printf("%s", qPrintable(dialog->text()));
    return 0;
}
