#pragma once

// The real Corvamo binary run as a user runs a command-line mode, and bounded waits for the
// window tests.

#include "picture_box.h"
#include "workbench_sandbox.h"

#include <QDeadlineTimer>
#include <QImage>
#include <QProcess>
#include <QTest>

#include <functional>
#include <utility>
#include <vector>

using namespace corvamo;

namespace testing_sandbox {

struct ProgramRun {
    int code = -1;  // -1: did not end normally
    QString out, err;
};

// Corvamo ARGUMENTS... started from the sandbox's program folder, with its cache below the
// sandbox, no display and standard input from /dev/null.
inline ProgramRun RunCorvamo(const WorkbenchSandbox& box, const QStringList& arguments) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.insert("XDG_CACHE_HOME", box.root + "/cache");
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(box.app);
    child.setStandardInputFile(QProcess::nullDevice());
    child.start(QStringLiteral(CORVAMO_DIST_DIR) + "/Corvamo", arguments);
    ProgramRun run;
    if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit) return run;
    run.code = child.exitCode();
    run.out = QString::fromLocal8Bit(child.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(child.readAllStandardError());
    return run;
}

// Processes events until done() or the time is up; whether done() came true.
inline bool WaitUntil(const std::function<bool()>& done, int milliseconds = 5000) {
    const QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QTest::qWait(10);
    }
    return true;
}

// What a picture box of the window paints inside its border.
inline QImage Shown(QWidget* box) {
    return box->grab()
        .toImage()
        .convertToFormat(QImage::Format_RGB32)
        .copy(PictureBox::Border, PictureBox::Border, box->width() - 2 * PictureBox::Border,
              box->height() - 2 * PictureBox::Border);
}

}  // namespace testing_sandbox
