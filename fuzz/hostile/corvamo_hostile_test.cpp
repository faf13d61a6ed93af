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

#include "../../samples/sample_skin.h"
#include "testsupport/mounts.h"

namespace {

QString Corvamo() { return QStringLiteral(CORVAMO_DIST_DIR "/Corvamo"); }

struct Outcome {
    int exitCode = -1;
    QString out, err;
};

// Runs Corvamo in folder with XDG_CACHE_HOME at cache, standard input from /dev/null.
QProcess* Start(const QStringList& arguments, const QString& folder, const QString& cache) {
    auto* child = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CACHE_HOME", cache);
    child->setProcessEnvironment(env);
    child->setWorkingDirectory(folder);
    child->setStandardInputFile(QProcess::nullDevice());
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

Outcome RunCorvamo(const QStringList& arguments, const QString& folder, const QString& cache) {
    return Finish(Start(arguments, folder, cache));
}

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

int main(int argc, char** argv) {
    // Before any thread starts: mounts made here stay in this process and its children.
    testsupport::EnterPrivateMounts();
    QCoreApplication app(argc, argv);  // for the JPEG reader
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
