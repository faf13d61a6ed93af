// The real Corvamo program on what a hostile or unlucky user does from outside: a full disk under
// the previews, two runs at once, a second window, and command lines that are not what it takes.
// The test process lives in a mount namespace of its own, so that it can give a row a small
// volume of its own (tmpfs) without touching the machine's.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "../../samples/sample_skin.h"
#include "testsupport/mounts.h"
#include "testsupport/on_open.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Corvamo() { return QStringLiteral(CORVAMO_DIST_DIR "/Corvamo"); }

struct Outcome {
    int exitCode = -1;
    QString out, err;
};

// Runs Corvamo in folder with XDG_CACHE_HOME at cache, standard input from /dev/null; with
// unprivileged, without the root's power to read every file (as a user would run it).
QProcess* Start(const QStringList& arguments, const QString& folder, const QString& cache, bool unprivileged = false) {
    auto* child = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CACHE_HOME", cache);
    child->setProcessEnvironment(env);
    child->setWorkingDirectory(folder);
    child->setStandardInputFile(QProcess::nullDevice());
    if (unprivileged)
        child->start("setpriv",
                     QStringList{"--bounding-set=-dac_override,-dac_read_search", "--", Corvamo()} + arguments);
    else
        child->start(Corvamo(), arguments);
    return child;
}

Outcome Finish(QProcess* child, int seconds = 60) {
    Outcome outcome;
    if (!child->waitForFinished(seconds * 1000)) child->kill(), child->waitForFinished();
    if (child->exitStatus() == QProcess::NormalExit) outcome.exitCode = child->exitCode();
    outcome.out = QString::fromLocal8Bit(child->readAllStandardOutput());
    outcome.err = QString::fromLocal8Bit(child->readAllStandardError());
    delete child;
    return outcome;
}

Outcome RunCorvamo(const QStringList& arguments, const QString& folder, const QString& cache,
                   bool unprivileged = false) {
    return Finish(Start(arguments, folder, cache, unprivileged));
}

bool IsLink(const QString& path) { return QFileInfo(path).isSymLink(); }

void Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size()) << path.toStdString();
}

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A folder skin of the sample's main pictures, each in the given colour.
void WriteSkin(const QString& folder, QRgb colour) {
    for (int slot = 0; slot < 7; ++slot) {
        QImage picture(sample_skin::MainSize(slot), QImage::Format_RGB32);
        picture.fill(colour);
        QDir().mkpath(folder);
        ASSERT_TRUE(picture.save(folder + "/" + sample_skin::MainNames()[slot] + ".bmp", "BMP"));
    }
}

// Everything below folder whose name ends in .part: a save that failed must leave none.
QStringList PartFiles(const QString& folder) { return QDir(folder).entryList({"*.part"}, QDir::Files | QDir::Hidden); }

}  // namespace

TEST(CorvamoHostile, CommandLinesItDoesNotTake) {
    QTemporaryDir box;
    WriteSkin(box.filePath("B"), qRgb(200, 30, 30));
    const struct {
        const char* what;
        QStringList arguments;
        int exitCode;
        QString out, err;  // pieces of the output
    } rows[] = {
        {"--help", {"--help"}, 0, "usage: Corvamo", ""},
        {"--version", {"--version"}, 0, "Corvamo " CORVAMO_VERSION "\n", ""},
        {"an unknown option, offscreen: no window that never ends",
         {"--bogus"},
         2,
         "",
         "Corvamo: unknown option --bogus\nusage: Corvamo"},
        {"a second argument for the window (it opens one skin)",
         {box.filePath("B"), box.filePath("B")},
         2,
         "",
         "unexpected argument"},
        {"a skin that looks like a Qt option",
         {"--export-previews", "-style", box.filePath("B")},
         1,
         box.filePath("B") + "/DS-preview.jpg saved.",
         "Corvamo: -style: no such skin folder or archive"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const Outcome run = RunCorvamo(row.arguments, box.path(), box.filePath("cache"));
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(row.out)) << run.out.toStdString();
        EXPECT_TRUE(run.err.contains(row.err)) << run.err.toStdString();
    }
}

TEST(CorvamoHostile, PreviewsOnAFullDiskFailAndKeepTheOldOnes) {
    ASSERT_TRUE(testsupport::HavePrivateMounts())
        << "the test needs a mount namespace of its own (root with CAP_SYS_ADMIN)";
    QTemporaryDir box;
    const QString volume = box.filePath("volume"), skin = volume + "/Skin";
    const testsupport::TmpfsMount mount(volume.toStdString(), 1 << 20);
    WriteSkin(skin, qRgb(30, 90, 200));
    Write(skin + "/DS-preview.jpg", "the old DS preview");
    Write(skin + "/GBA-preview.jpg", "the old GBA preview");
    mount.Fill();  // no byte left on the volume
    const Outcome run = RunCorvamo({"--export-previews", skin}, box.path(), box.filePath("cache"));
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(skin + "/DS-preview.jpg could not be saved.")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(skin + "/GBA-preview.jpg could not be saved.")) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains("saved.")) << run.out.toStdString();
    EXPECT_EQ(Read(skin + "/DS-preview.jpg"), "the old DS preview");
    EXPECT_EQ(Read(skin + "/GBA-preview.jpg"), "the old GBA preview");
    EXPECT_EQ(PartFiles(skin), QStringList());
}

TEST(CorvamoHostile, TwoRunsAtOnceEachExportTheirOwnSkin) {
    QTemporaryDir box;
    const QRgb colours[] = {qRgb(220, 40, 40), qRgb(40, 40, 220), qRgb(40, 200, 40), qRgb(200, 200, 40)};
    QStringList skins;
    for (int i = 0; i < 4; ++i) {
        skins << box.filePath(QString("skin%1").arg(i));
        WriteSkin(skins.back(), colours[i]);
    }
    // Four runs on one cache folder, started together, each on its skin three times over.
    std::vector<QProcess*> runs;
    for (const QString& skin : skins)
        runs.push_back(Start({"--export-previews", skin, skin, skin}, box.path(), box.filePath("cache")));
    for (int i = 0; i < 4; ++i) {
        const Outcome run = Finish(runs[size_t(i)]);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QImage ds(skins[i] + "/DS-preview.jpg");
        ASSERT_FALSE(ds.isNull()) << i;
        for (const QPoint at : {QPoint(5, 5), QPoint(250, 380)}) {
            const QColor got = ds.pixelColor(at), want = QColor::fromRgb(colours[i]);
            EXPECT_NEAR(got.red(), want.red(), 12) << i;
            EXPECT_NEAR(got.green(), want.green(), 12) << i;
            EXPECT_NEAR(got.blue(), want.blue(), 12) << i;
        }
    }
    // Each run's temporary folder went with it.
    EXPECT_EQ(QDir(box.filePath("cache/Corvamo")).entryList({"run-*"}, QDir::Dirs), QStringList());
}

TEST(CorvamoHostile, ASecondWindowGetsATemporaryFolderOfItsOwn) {
    QTemporaryDir box;
    const QString cache = box.filePath("cache"), root = cache + "/Corvamo";
    const auto waitFor = [](const std::function<bool()>& ready) {
        for (int i = 0; i < 400 && !ready(); ++i) QThread::msleep(50);
        return ready();
    };
    QProcess* first = Start({}, box.path(), cache);
    ASSERT_TRUE(waitFor([&] { return QFileInfo(root + "/CorvamoTemp").isDir(); }));
    QProcess* second = Start({}, box.path(), cache);
    const auto privateFolders = [&] { return QDir(root).entryList({"run-*"}, QDir::Dirs); };
    EXPECT_TRUE(waitFor([&] {
        return privateFolders().size() == 1 && QFileInfo(root + "/" + privateFolders()[0] + "/CorvamoTemp").isDir();
    })) << QDir(root).entryList().join(' ').toStdString();
    second->terminate();
    first->terminate();
    EXPECT_EQ(Finish(second).exitCode, 0);
    EXPECT_EQ(Finish(first).exitCode, 0);
    EXPECT_EQ(privateFolders(), QStringList());  // removed when the second window ended
}

TEST(CorvamoHostile, NothingIsWrittenThroughANameAnotherUserSwapsMeanwhile) {
    // The skins lie in a folder shared with another user, who acts the moment Corvamo opens a
    // new file there (its open waits meanwhile, so there is no race to lose).
    const QByteArray victimWords = "the victim's own words";
    const struct {
        const char* what;
        QString watched;  // below the shared folder
        std::function<bool(const std::string&)> matches;
        bool swap;  // the new file is swapped for a link to the victim; else a link appears beside it
        QStringList arguments;
        QString err;
        std::function<void(const QString& shared)> check;
    } rows[] = {
        {"a link swapped in for the DS preview's part file",
         "Skin",
         [](const std::string& n) { return n.rfind(".DS-preview.jpg.", 0) == 0; },
         true,
         {"--export-previews", "Skin"},
         "Skin/DS-preview.jpg could not be saved.",
         [](const QString& shared) {
             EXPECT_EQ(Read(shared + "/Skin/DS-preview.jpg"), "the old DS preview");
             EXPECT_FALSE(QImage(shared + "/Skin/GBA-preview.jpg").isNull());
         }},
        {"a link swapped in for the packed zip's part file",
         "",
         [](const std::string& n) { return n.rfind(".Out.zip.", 0) == 0; },
         true,
         {"--pack-skin", "Skin", "Out.zip"},
         "Out.zip could not be written: the file being written was replaced meanwhile",
         [](const QString& shared) {
             EXPECT_FALSE(IsLink(shared + "/Out.zip"));
             EXPECT_FALSE(QFileInfo::exists(shared + "/Out.zip"));
         }},
        {"a link to the victim appears under a template file's name",
         "New",
         [](const std::string& n) { return n == "mainBG.bmp"; },
         false,
         {"--new-skin", "New"},
         "New/README.txt could not be written (it appeared meanwhile); no skin was left there.",
         [](const QString& shared) {
             EXPECT_TRUE(IsLink(shared + "/New/README.txt"));  // the other user's, left alone
             EXPECT_EQ(QDir(shared + "/New").entryList(QDir::Files | QDir::Hidden), QStringList{"README.txt"});
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir box;
        const QString shared = box.filePath("shared"), victim = box.filePath("victim.txt");
        Write(victim, victimWords);
        WriteSkin(shared + "/Skin", qRgb(30, 160, 90));
        Write(shared + "/Skin/DS-preview.jpg", "the old DS preview");
        QDir().mkpath(shared + "/New");
        const QString watched = shared + "/" + row.watched;
        Outcome run;
        {
            const testsupport::OnFirstOpen other(
                watched.toStdString(), row.matches,
                row.swap ? testsupport::OnFirstOpen::SwapForLinkTo(victim.toStdString())
                         : [&](const std::string& path) {
                               QFile::link(victim, QFileInfo(QString::fromStdString(path)).path() + "/README.txt");
                           });
            run = RunCorvamo(row.arguments, shared, box.filePath("cache"));
            EXPECT_EQ(other.actions(), 1);
        }
        EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(shared + "/" + row.err) || run.err.contains(row.err)) << run.err.toStdString();
        EXPECT_EQ(Read(victim), victimWords);
        for (const QString& name : QDir(watched).entryList(QDir::Files | QDir::System | QDir::Hidden))
            EXPECT_FALSE(name.endsWith(".part")) << name.toStdString();  // the part file's name is not left behind
        row.check(shared);
    }
}

TEST(CorvamoHostile, LinksAndSpecialFilesInASkinAreNeitherFollowedNorMissing) {
    QTemporaryDir box;
    const QString skin = box.filePath("Skin");
    WriteSkin(skin, qRgb(200, 120, 20));
    QFile::remove(skin + "/mainBG.bmp");
    Write(box.filePath("private/diary.jpg"), Read(skin + "/subBG.bmp"));
    ASSERT_TRUE(QFile::link(box.filePath("private/diary.jpg"), skin + "/mainBG.jpg"));
    ASSERT_TRUE(QFile::link("/etc/shadow", skin + "/help.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(skin + "/hzk.dat").constData(), 0644), 0);
    Write(skin + "/asc.dat", "fonts");
    Write(skin + "/text.txt", "private words");
    ASSERT_EQ(::chmod(QFile::encodeName(skin + "/text.txt").constData(), 0), 0);
    const QString link = "is a link; a skin file must be a regular file in the skin";
    const struct {
        const char* what;
        QStringList arguments;
        QStringList said;  // on standard output for --check, else on standard error
    } rows[] = {
        {"--check names each link and what the others are, and the file it cannot read",
         {"--check", skin},
         {"error: Skin: mainBG.jpg: " + link, "error: Skin: help.txt: " + link,
          "error: Skin: hzk.dat: is a FIFO; a skin file must be a regular file in the skin",
          "error: Skin: text.txt: cannot be read"}},
        {"--pack-skin packs nothing of a skin with a link", {"--pack-skin", skin, box.filePath("out.zip")}, {link}},
        {"--export-previews names the links it left out",
         {"--export-previews", skin},
         {"These skin files were left out: help.txt " + link, "mainBG.jpg " + link}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const Outcome run = RunCorvamo(row.arguments, box.path(), box.filePath("cache"), true);
        EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
        const QString& said = row.arguments[0] == "--check" ? run.out : run.err;
        for (const QString& piece : row.said) EXPECT_TRUE(said.contains(piece)) << said.toStdString();
        for (const char* name : {"mainBG.jpg", "help.txt", "hzk.dat"})
            EXPECT_FALSE(said.contains(QString(name) + ": missing")) << said.toStdString();
        EXPECT_FALSE(QFileInfo::exists(box.filePath("out.zip")));
    }
}

TEST(CorvamoHostile, FullVolumesAndDanglingLinksFailCleanly) {
    ASSERT_TRUE(testsupport::HavePrivateMounts())
        << "the test needs a mount namespace of its own (root with CAP_SYS_ADMIN)";
    QTemporaryDir box;
    const QString skin = box.filePath("Skin");
    QImage picture(256, 192, QImage::Format_RGB32);
    picture.fill(qRgb(90, 30, 160));
    QDir().mkpath(skin);
    ASSERT_TRUE(picture.save(skin + "/mainBG.jpg", "JPG"));
    Write(skin + "/DS-preview.jpg", "the old DS preview");
    ASSERT_TRUE(QFile::link(box.filePath("nowhere/x.zip"), box.filePath("dangling.zip")));
    const struct {
        const char* what;
        QStringList arguments;
        qint64 cacheBytes;  // a volume of this size as the cache folder; 0: none
        bool fillVolume;    // a full volume at box/volume
        QString err;
        std::function<void()> check;
    } rows[] = {
        {"previews with a cache volume too small for the scratch picture",
         {"--export-previews", skin},
         64 << 10,
         false,
         skin + "/DS-preview.jpg could not be saved",
         [&] { EXPECT_EQ(Read(skin + "/DS-preview.jpg"), "the old DS preview"); }},
        {"a new skin three folders deep on a full volume",
         {"--new-skin", box.filePath("volume/a/b/c")},
         0,
         true,
         "could not be written",
         [&] { EXPECT_FALSE(QFileInfo::exists(box.filePath("volume/a"))); }},
        {"a packed skin to a dangling link",
         {"--pack-skin", skin, box.filePath("dangling.zip")},
         0,
         false,
         box.filePath("dangling.zip") + " is a link to " + box.filePath("nowhere/x.zip") +
             ", which does not exist; it was not replaced.",
         [&] { EXPECT_FALSE(QFileInfo::exists(box.filePath("nowhere"))); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const QString cache = box.filePath("cache");
        std::optional<testsupport::TmpfsMount> cacheVolume, volume;
        if (row.cacheBytes) cacheVolume.emplace(cache.toStdString(), row.cacheBytes);
        if (row.fillVolume) {
            volume.emplace(box.filePath("volume").toStdString(), 1 << 20);
            volume->Fill();
        }
        const Outcome run = RunCorvamo(row.arguments, box.path(), cache);
        EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(row.err)) << run.err.toStdString();
        row.check();
        EXPECT_EQ(PartFiles(skin), QStringList());
    }
}

int main(int argc, char** argv) {
    // Before any thread starts: mounts made here stay in this process and its children.
    testsupport::EnterPrivateMounts();
    QCoreApplication app(argc, argv);  // for the JPEG reader
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
