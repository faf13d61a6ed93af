// The real window on a real X server (Xvfb): the sample skin archive, loaded as a user loads it,
// must show on screen exactly as the workbench composes it offscreen.
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(Screenshot, WindowOnXvfbShowsTheOffscreenComposition) {
    // The tool and the sample skin are built beside the tests: <build>/samples/.
    const QString samples = QCoreApplication::applicationDirPath() + "/../../samples";
    const QString tool = samples + "/window_screenshot";
    ASSERT_TRUE(QFileInfo(tool).isExecutable()) << "not built: " << tool.toStdString();
    ASSERT_TRUE(QFileInfo::exists(samples + "/SampleSkin.zip"));
    const QString xvfbRun = QStandardPaths::findExecutable("xvfb-run");
    ASSERT_FALSE(xvfbRun.isEmpty()) << "xvfb-run is missing (Debian package xvfb)";

    QTemporaryDir dir;
    const QString png = dir.filePath("window.png");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("XDG_CACHE_HOME", dir.filePath("cache"));
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(dir.path());
    child.setStandardInputFile(QProcess::nullDevice());
    child.start(xvfbRun, {"-a", "-s", "-screen 0 1024x768x24", tool, samples, "SampleSkin.zip", png});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString report = QString::fromLocal8Bit(child.readAllStandardOutput());
    EXPECT_EQ(child.exitCode(), 0) << report.toStdString() << child.readAllStandardError().toStdString();
    for (const char* preview : {"Picture1(0)", "Picture2", "Picture4"})
        EXPECT_TRUE(report.contains(QString(preview) + " at ") &&
                    report.contains(": 0 pixels differ on screen, 0 in the widget grab"))
            << report.toStdString();

    const QImage shot(png);
    EXPECT_EQ(shot.width(), 618);
    EXPECT_GE(shot.height(), 413);  // the client area and the menu bar
}
