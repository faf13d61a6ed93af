// The real Corvamo binary, started from a temporary program folder as a user starts it.
#include "testsupport/run_program.h"
#include "workbench_sandbox.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

using namespace corvamo;

using namespace testing_sandbox;

TEST(CorvamoProgram, StartsFromItsFolderAndShutsDownOnTerminate) {
    WorkbenchSandbox box;
    const QString binary = QString(CORVAMO_DIST_DIR) + "/Corvamo";
    ASSERT_TRUE(QFileInfo(binary).isExecutable());
    ASSERT_TRUE(QFile::copy(binary, box.app + "/Corvamo"));
    WorkbenchSandbox::write(box.app + "/cleanup.bat", "echo cleanup > \"$(dirname \"$0\")/script.log\"\n");

    QProcess corvamo;
    corvamo.setWorkingDirectory(box.app);
    corvamo.setStandardInputFile(QProcess::nullDevice());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CACHE_HOME", box.root + "/cache");
    corvamo.setProcessEnvironment(env);
    corvamo.start(box.app + "/Corvamo", {});
    ASSERT_TRUE(corvamo.waitForStarted());

    // Start-up creates the temporary folder in the cache folder given.
    QElapsedTimer waited;
    waited.start();
    while (!QFileInfo(box.root + "/cache/Corvamo/CorvamoTemp").isDir() && waited.elapsed() < 20000) QThread::msleep(20);
    EXPECT_TRUE(QFileInfo(box.root + "/cache/Corvamo/CorvamoTemp").isDir());
    EXPECT_EQ(corvamo.state(), QProcess::Running);

    corvamo.terminate();
    ASSERT_TRUE(corvamo.waitForFinished(20000));
    EXPECT_EQ(corvamo.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(corvamo.exitCode(), 0);
    EXPECT_EQ(WorkbenchSandbox::read(box.app + "/script.log"), "cleanup\n");
}

// What the window does not need before it maps is not loaded when the program starts: the picture
// library opens on the first conversion. The dynamic loader lists what the program links
// (LD_TRACE_LOADED_OBJECTS) without running it.
TEST(CorvamoProgram, StartsWithoutThePictureLibrary) {
    const std::string binary = std::string(CORVAMO_DIST_DIR) + "/Corvamo";
    const testsupport::RunResult listed = testsupport::RunProgram({binary}, {}, {"LD_TRACE_LOADED_OBJECTS=1"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const struct {
        const char* library;
        bool loaded;
    } rows[] = {{"libQt6Widgets.so", true}, {"libarchive.so", true}, {"libfreeimage", false},
                {"libOpenEXR", false},      {"libraw.so", false},    {"libtiff.so", false}};
    for (const auto& row : rows)
        EXPECT_EQ(listed.out.find(row.library) != std::string::npos, row.loaded) << row.library << '\n' << listed.out;
}
