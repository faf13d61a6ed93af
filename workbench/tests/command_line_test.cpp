#include "command_line.h"
#include "preview/compositor.h"
#include "skin_fixture.h"
#include "workbench_sandbox.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvamo;

using namespace sample_skin;

namespace {

// Writes the sample skin's pictures (every slot) into folder.
void writeSkin(const QString& folder) {
    QDir().mkpath(folder);
    for (int slot = 0; slot < 7; ++slot)
        ASSERT_TRUE(MainPicture(slot).save(folder + "/" + MainNames()[slot] + ".bmp", "BMP"));
    for (int slot = 0; slot < 31; ++slot)
        ASSERT_TRUE(ExtraPicture(slot).save(folder + "/" + ExtraNames()[slot], "BMP"));
}

class ExportPreviewsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        previous = QDir::currentPath();
        QDir().mkpath(root.filePath("dist"));
        QDir::setCurrent(root.filePath("dist"));
    }
    void TearDown() override { QDir::setCurrent(previous); }

    int run(const QStringList& skins) {
        output.clear();
        errors.clear();
        QTextStream out(&output), err(&errors);
        return ExportPreviews(skins, QDir::currentPath(), CacheFolders::Under(root.filePath("cache/Corvamo")), out,
                              err);
    }

    QTemporaryDir root;
    QString previous, output, errors;
};

QColor colourAt(const QString& jpeg, int x, int y) { return QImage(jpeg).pixelColor(x, y); }

void expectNear(const QColor& got, QRgb want) {
    const QColor w = QColor::fromRgb(want);
    EXPECT_NEAR(got.red(), w.red(), 8);
    EXPECT_NEAR(got.green(), w.green(), 8);
    EXPECT_NEAR(got.blue(), w.blue(), 8);
}

TEST_F(ExportPreviewsTest, ArchiveAndFolderSkinsGetBothPreviewsBesideThem) {
    const QString folder = root.filePath("skins/Red"), zip = root.filePath("skins/Blue.zip");
    writeSkin(folder);
    writeSkin(root.filePath("zipped"));
    testing_sandbox::ZipFolder(root.filePath("zipped"), zip);

    ASSERT_EQ(run({zip, folder}), 0) << errors.toStdString();
    const QString skins = root.filePath("skins");
    const QStringList expected{skins + "/Blue-DS-Preview.jpg", skins + "/Blue-GBA-Preview.jpg",
                               folder + "/DS-preview.jpg", folder + "/GBA-preview.jpg"};
    QStringList lines;
    for (const QString& path : expected) lines << path + " saved.";
    EXPECT_EQ(output.trimmed().split('\n'), lines);
    EXPECT_TRUE(errors.isEmpty());

    for (const QString& dir : {skins + "/Blue-", folder + "/"}) {
        const QString ds = dir + (dir.endsWith("-") ? "DS-Preview.jpg" : "DS-preview.jpg");
        const QString gba = dir + (dir.endsWith("-") ? "GBA-Preview.jpg" : "GBA-preview.jpg");
        EXPECT_EQ(QImage(ds).size(), QSize(256, 384));
        EXPECT_EQ(QImage(gba).size(), QSize(480, 320));
        expectNear(colourAt(ds, 2, 2), MainColour(0));            // upper screen
        expectNear(colourAt(ds, 100, 192 + 100), MainColour(6));  // window shown below
        expectNear(colourAt(gba, 2, 2), ExtraColour(QvPdaLogo));
        expectNear(colourAt(gba, 100, 300), ExtraColour(FileMng));
    }
    EXPECT_FALSE(QFile::exists(root.filePath("cache/Corvamo/temp.bmp")));
}

TEST_F(ExportPreviewsTest, UnreadableSkinsAreNamedAndTheOthersStillExported) {
    const QString good = root.filePath("skins/Good"), empty = root.filePath("skins/Empty");
    writeSkin(good);
    QDir().mkpath(empty);
    QFile broken(root.filePath("skins/Broken.zip"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("PK\x03\x04 this is not really an archive");
    broken.close();

    const QString missing = root.filePath("skins/Missing.zip");
    EXPECT_EQ(run({missing, broken.fileName(), empty, good}), 1);
    EXPECT_TRUE(errors.contains(missing + ": no such skin folder or archive")) << errors.toStdString();
    EXPECT_TRUE(errors.contains(broken.fileName() + ": ")) << errors.toStdString();
    EXPECT_TRUE(errors.contains(empty + ": no skin pictures found")) << errors.toStdString();
    EXPECT_EQ(output, good + "/DS-preview.jpg saved.\n" + good + "/GBA-preview.jpg saved.\n");
}

TEST_F(ExportPreviewsTest, APreviewThatCannotBeSavedFailsTheRun) {
    const QString folder = root.filePath("skins/Red");
    writeSkin(folder);
    QDir().mkpath(folder + "/DS-preview.jpg/taken");  // a folder where the picture should go
    EXPECT_EQ(run({folder}), 1);
    EXPECT_TRUE(errors.contains(folder + ": " + folder + "/DS-preview.jpg could not be replaced."))
        << errors.toStdString();
    EXPECT_EQ(output, folder + "/GBA-preview.jpg saved.\n");
}

TEST_F(ExportPreviewsTest, NoSkinIsAUsageError) {
    EXPECT_EQ(run({}), 2);
    EXPECT_TRUE(errors.startsWith("usage: Corvamo --export-previews [--console] [--png] SKIN..."));
}

}  // namespace

// The real program, copied into a temporary program folder, on the sample archive: no display,
// no platform chosen, standard input from /dev/null.
TEST(ExportPreviewsProgram, RealBinaryExportsTheSampleSkinAndNamesAFailingOne) {
    QTemporaryDir root;
    const QString program = root.filePath("dist/Corvamo");
    QDir().mkpath(root.filePath("dist"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(CORVAMO_DIST_DIR) + "/Corvamo", program));
    const QString zip = root.filePath("skins/SampleSkin.zip");
    QDir().mkpath(root.filePath("skins"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(CORVAMO_SAMPLE_SKIN_ZIP), zip));
    const QString missing = root.filePath("skins/Gone");

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.insert("XDG_CACHE_HOME", root.filePath("cache"));
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(root.filePath("dist"));
    child.setStandardInputFile(QProcess::nullDevice());
    child.start(program, {"--export-previews", zip, missing});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(child.readAllStandardError());
    EXPECT_EQ(child.exitCode(), 1) << err.toStdString();
    const QString skins = root.filePath("skins");
    EXPECT_EQ(out, skins + "/SampleSkin-DS-Preview.jpg saved.\n" + skins + "/SampleSkin-GBA-Preview.jpg saved.\n");
    EXPECT_TRUE(err.contains("Corvamo: " + missing + ": no such skin folder or archive")) << err.toStdString();
    EXPECT_EQ(QImage(skins + "/SampleSkin-GBA-Preview.jpg").size(), QSize(480, 320));
    EXPECT_EQ(QImage(skins + "/SampleSkin-DS-Preview.jpg").size(), QSize(256, 384));
}
