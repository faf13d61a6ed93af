// Installing a skin: the program folder, the build scripts run visibly and honestly, the loader
// image onto the card only, and the summary; through the real binary's --install modes and the
// real window.
#include "install_log_window.h"
#include "program.h"
#include "workbench_sandbox.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <csignal>

#include "testsupport/mounts.h"
#include "testsupport/program_folder.h"
#include "testsupport/run_program.h"

using namespace testing_sandbox;

namespace {

// Leaves a mark when it runs: scripts of a folder that is not the program folder must not.
const QByteArray kForeignScript = "echo ran > \"$(dirname \"$0\")/FOREIGN-$(basename \"$0\")\"\n";

class Install : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"Skin_it.bat", "skin_txt.bat", "di3gba.bat", "cleanup.bat"})
            WorkbenchSandbox::write(work + "/" + name, kForeignScript);
        WorkbenchSandbox::write(box.skins + "/Skin/mainBG.bmp", WorkbenchSandbox::picture(256, 192, 0x3366, "BMP"));
        WorkbenchSandbox::write(box.skins + "/Skin/asc.dat", "asc");
        WorkbenchSandbox::write(box.app + "/cleanup.bat", "echo cleanup >> cleanup.log\n");
    }
    // Corvamo ARGS started in `work` (a folder full of scripts), with box.app as program folder.
    testsupport::RunResult corvamo(const std::vector<std::string>& args) const {
        std::vector<std::string> argv = {CORVAMO_DIST_DIR "/Corvamo"};
        argv.insert(argv.end(), args.begin(), args.end());
        return testsupport::RunProgram(
            argv, work.toStdString(),
            {"CORVAMO_PROGRAM_DIR=" + box.app.toStdString(), "XDG_CACHE_HOME=" + (box.root + "/cache").toStdString(),
             "DISPLAY=", "QT_QPA_PLATFORM=offscreen"});
    }
    void script(const char* name, const QByteArray& body) { WorkbenchSandbox::write(box.app + "/" + name, body); }
    bool foreignRan() const { return !QDir(work).entryList({"FOREIGN-*"}).isEmpty(); }

    WorkbenchSandbox box;
    QString work = box.root + "/work";
};

struct ScriptRow {
    const char* what;
    const char* body;
    int exit;
    std::vector<const char*> logHas;
};

TEST_F(Install, BuildScriptsRunVisiblyAndTheirEndIsTold) {
    const ScriptRow rows[] = {
        {"builds",
         "echo packing; echo ROM > gba/di3shell.gba; echo 'WARNING: FSDir gba/fs does not exist'\n",
         0,
         {"packing", "Built by the scripts: gba/di3shell.gba", "Lindquay warned: WARNING: FSDir gba/fs",
          "The install is complete."}},
        {"fails",
         "echo Generate Base Rom ...; echo Error! >&2; exit 3\n",
         1,
         {"FAILED: di3gba.bat: exit status 3; its last lines:\n    Generate Base Rom ...\n    Error!",
          "The install did not complete: 1 step(s) failed."}},
        {"waits for a key", "echo press a key; read key; echo \"got [$key]\"\n", 0, {"got []", "complete"}},
        {"is killed", "kill -KILL $$\n", 1, {"FAILED: di3gba.bat: ended by signal 9"}},
        {"prints a lot", "seq 1 200000; echo last\n", 0, {"\n199999\n200000\nlast\n", "complete"}},
        {"is missing", nullptr, 1, {"di3gba.bat is missing. Please reinstall the program."}},
    };
    for (const ScriptRow& row : rows) {
        SCOPED_TRACE(row.what);
        QFile::remove(box.app + "/di3gba.bat");
        if (row.body) script("di3gba.bat", row.body);
        const auto r = corvamo({"--install-di3", "../skins/Skin"});
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, row.exit) << r.out << r.err;
        for (const char* text : row.logHas) EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
        EXPECT_EQ(WorkbenchSandbox::read(box.app + "/nds/asc.dat"), "asc");
    }
    EXPECT_FALSE(foreignRan());
}

// Lindquay that fails waits for a key; with no terminal input it ends, and the next build runs.
TEST_F(Install, FailedLindquayDoesNotHoldTheNextBuild) {
    testsupport::ProgramFolder gba((box.app + "/gba").toStdString());
    script("di3gba.bat", "cd \"$(dirname \"$0\")\"; gba/Lindquay; echo \"Lindquay ended $?\"; exit 1\n");
    const auto failed = corvamo({"--install-di3", "../skins/Skin"});
    EXPECT_EQ(failed.exitCode, 1) << failed.out;
    EXPECT_NE(failed.out.find("Lindquay ended 1"), std::string::npos) << failed.out;
    script("di3gba.bat", "cd \"$(dirname \"$0\")\"; mkdir -p gba/fs; gba/Lindquay gba/fs gba/di3shell.gba\n");
    const auto built = corvamo({"--install-di3", "../skins/Skin"});
    EXPECT_FALSE(built.timedOut);
    EXPECT_EQ(built.exitCode, 0) << built.out;
    EXPECT_NE(built.out.find("Built by the scripts: gba/di3shell.gba"), std::string::npos) << built.out;
}

TEST_F(Install, LoaderImageReachesTheCardOnly) {
    if (!testsupport::HavePrivateMounts()) GTEST_SKIP() << "needs a mount namespace of its own (root)";
    script("Skin_it.bat", "echo built\n");
    WorkbenchSandbox::write(box.app + "/qvkit_up.bin", WorkbenchSandbox::noise(300000));
    testsupport::TmpfsMount card((box.root + "/card").toStdString(), 1 << 20);
    testsupport::TmpfsMount full((box.root + "/full").toStdString(), 1 << 20);
    WorkbenchSandbox::write(box.root + "/full/qvkit_up.bin", "OLD");
    full.Fill();
    struct {
        std::vector<std::string> card;
        int exit;
        const char* logHas;
        QString copy;
    } rows[] = {
        {{"--card", "../card"},
         0,
         "(synced and read back: the card can now be removed)",
         box.root + "/card/qvkit_up.bin"},
        {{"--card", "/"}, 1, "/ is the root of this computer's own disk, not a memory card", {}},
        {{"--card", "../full"}, 1, "qvkit_up.bin was not copied: cannot write", {}},
        {{}, 0, "Loader image: not copied (no card was given)", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.logHas);
        std::vector<std::string> args = {"--install-vu4", "../skins/Skin"};
        args.insert(args.end(), row.card.begin(), row.card.end());
        const auto r = corvamo(args);
        EXPECT_EQ(r.exitCode, row.exit) << r.out << r.err;
        EXPECT_NE(r.out.find(row.logHas), std::string::npos) << r.out;
        if (!row.copy.isEmpty()) {
            EXPECT_EQ(WorkbenchSandbox::read(row.copy), WorkbenchSandbox::read(box.app + "/qvkit_up.bin"));
        }
    }
    EXPECT_FALSE(QFileInfo::exists("/qvkit_up.bin"));
    EXPECT_EQ(WorkbenchSandbox::read(box.root + "/full/qvkit_up.bin"), "OLD");
    EXPECT_EQ(QDir(box.root + "/full").entryList(QDir::Files | QDir::Hidden).size(), 2);  // no part file left
    EXPECT_FALSE(foreignRan());
}

TEST(CopyToVolumes, FirstRemovableVolumeIsTheCurrentDrive) {
    const Volume root{"/", {}}, home{"/home/", {}}, card{"/media/u/CARD/", "CARD", true, 2'000'000'000};
    EXPECT_EQ(CardOrVolumeOf({root, home, card}, "/home/u/Corvamo/").root, card.root);
    EXPECT_EQ(CardOrVolumeOf({root, home}, "/home/u/Corvamo/").root, home.root);
    EXPECT_EQ(card.entry(), QString::fromUtf8("/media/u/CARD/ [CARD] \u2014 removable, 2.0 GB"));
    EXPECT_EQ(home.entry(), "/home/");
}

// The window: a click while a build runs starts nothing; the build can be cancelled (its whole
// process group ends); closing asks first and cleanup.bat runs only after the build.
class InstallWindow : public WindowTest {
protected:
    QString log() const { return form->installLog() ? form->installLog()->text() : QString(); }
};

TEST_F(InstallWindow, ClickDuringRunStartsNothingAndCancelEndsTheGroup) {
    WorkbenchSandbox::write(box.app + "/Skin_it.bat",
                            "sleep 1000 & echo $! > child.pid; echo started; trap 'echo TERM >> order.log; exit 143' "
                            "TERM; wait\n");
    WorkbenchSandbox::write(box.app + "/cleanup.bat", "echo cleanup >> order.log\n");
    WorkbenchSandbox::write(box.skins + "/Skin/asc.dat", "asc");
    start();
    form->setDir1Path(box.skins + "/Skin");
    bool checked = false;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(WaitUntil([&] { return log().contains("started"); }, 20000)) << log().toStdString();
        QTest::mouseDClick(form->Command3, Qt::LeftButton);
        form->Command4->click();
        EXPECT_EQ(host->shellCalls, QStringList{box.app + "/Skin_it.bat"});
        // Closing asks; No keeps the build and the window.
        messages.answers = {false};
        EXPECT_FALSE(form->close());
        EXPECT_TRUE(form->workbench().scriptRunning());
        messages.answers = {true};
        form->close();  // Yes: the build is cancelled, the window closes after it
        checked = true;
    });
    form->Command3->click();
    ASSERT_TRUE(checked);
    EXPECT_TRUE(log().contains("FAILED: Skin_it.bat: cancelled")) << log().toStdString();
    const pid_t child = WorkbenchSandbox::read(box.app + "/child.pid").trimmed().toInt();
    ASSERT_GT(child, 0);
    EXPECT_TRUE(WaitUntil([&] { return ::kill(child, 0) != 0; }));
    ASSERT_TRUE(WaitUntil([&] { return !form->isVisible() && QFileInfo::exists(box.app + "/order.log"); }));
    QTest::qWait(50);
    EXPECT_EQ(WorkbenchSandbox::read(box.app + "/order.log"), "TERM\ncleanup\n");
}

}  // namespace
