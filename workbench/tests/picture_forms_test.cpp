// Every broken form of picture an editor saves, in one skin, through the check, Lindquay itself,
// the loader-safe fix-up and its undo, all with the real programs: each must name the same cause,
// and after the fix-up the check finds no error of form and Lindquay packs every picture.
#include "author/skin_template.h"
#include "program.h"
#include "skin/picture_account.h"

#include <QBuffer>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>

#include <map>

#include "testsupport/picture_forms.h"

using namespace corvamo;
using namespace testing_sandbox;
using testsupport::PictureFormKind;
using testsupport::Rgba;

namespace {

// A gradient with a few see-through pixels, or two colours for the palette forms.
std::vector<Rgba> Pixels(int w, int h, bool fewColours) {
    std::vector<Rgba> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px.push_back(fewColours ? ((x + y) % 3 ? Rgba{200, 40, 40} : Rgba{255, 255, 255})
                                    : Rgba{std::uint8_t(x * 9), std::uint8_t(y * 11), std::uint8_t(90 + x),
                                           std::uint8_t((x + y) % 5 == 0 ? 0 : 255)});
    return px;
}

QByteArray Form(PictureFormKind kind, int w, int h) {
    const bool palette = kind == PictureFormKind::Bmp8Rle || kind == PictureFormKind::Bmp4 ||
                         kind == PictureFormKind::Bmp1 || kind == PictureFormKind::Bmp8;
    return QByteArray::fromStdString(testsupport::MakePictureForm(kind, w, h, Pixels(w, h, palette)));
}

struct Row {
    const char* file;      // as it lies in the skin
    QByteArray bytes;      //
    const char* check;     // what the check says of it (after "FILE: ")
    const char* lindquay;  // Lindquay's ERROR line for it; null when Lindquay does not pack it
    const char* becomes;   // the catalogue file the fix-up makes of it
};

std::vector<Row> Rows() {
    return {
        {"qvoption.bmp", Form(PictureFormKind::Bmp32BitfieldsAlpha, 24, 16),
         "32-bit BMP with bit-field masks (as ImageMagick saves by default): Lindquay reads only uncompressed BMPs, "
         "so the GBA shell ROM is built without it (Lindquay: compressed BMP not supported (32 bits per pixel with "
         "bit-field masks)); save it as a 24-bit BMP, or use Make loader-safe",
         "compressed BMP not supported (32 bits per pixel with bit-field masks)", "qvoption.bmp"},
        {"QVWordBG.bmp", Form(PictureFormKind::Bmp16Bitfields565, 20, 10),
         "16-bit BMP with bit-field masks: Lindquay reads only uncompressed BMPs, so the GBA shell ROM is built "
         "without it (Lindquay: compressed BMP not supported (16 bits per pixel with bit-field masks)); save it as "
         "a 24-bit BMP, or use Make loader-safe",
         "compressed BMP not supported (16 bits per pixel with bit-field masks)", "QVWordBG.bmp"},
        {"mineBG.bmp", Form(PictureFormKind::Bmp16, 20, 10),
         "16-bit BMP: Lindquay reads only BMPs of 8, 24 or 32 bits, so the GBA shell ROM is built without it "
         "(Lindquay: BMP of 16 bits per pixel not supported); save it as a 24-bit BMP, or use Make loader-safe",
         "BMP of 16 bits per pixel not supported", "mineBG.bmp"},
        {"ok.bmp", Form(PictureFormKind::Bmp8Rle, 20, 10),
         "8-bit BMP compressed with RLE: Lindquay reads only uncompressed BMPs, so the GBA shell ROM is built "
         "without it (Lindquay: compressed BMP not supported (8 bits per pixel, RLE)); save it as a 24-bit BMP, or "
         "use Make loader-safe",
         "compressed BMP not supported (8 bits per pixel, RLE)", "ok.bmp"},
        {"worddict.bmp", Form(PictureFormKind::Bmp4, 20, 10),
         "4-bit BMP: Lindquay reads only BMPs of 8, 24 or 32 bits, so the GBA shell ROM is built without it "
         "(Lindquay: BMP of 4 bits per pixel not supported); save it as a 24-bit BMP, or use Make loader-safe",
         "BMP of 4 bits per pixel not supported", "worddict.bmp"},
        {"wordmenu.bmp", Form(PictureFormKind::Bmp1, 20, 10),
         "1-bit BMP: Lindquay reads only BMPs of 8, 24 or 32 bits, so the GBA shell ROM is built without it "
         "(Lindquay: BMP of 1 bits per pixel not supported); save it as a 24-bit BMP, or use Make loader-safe",
         "BMP of 1 bits per pixel not supported", "wordmenu.bmp"},
        {"wordpre.bmp", Form(PictureFormKind::Png, 20, 10),
         "PNG picture under a .bmp name: Lindquay reads only BMP files, so the GBA shell ROM is built without it "
         "(Lindquay: not a BMP file (a PNG picture)); save it as a 24-bit BMP, or use Make loader-safe",
         "not a BMP file (a PNG picture)", "wordpre.bmp"},
        {"wordvip.bmp", Form(PictureFormKind::PngAlpha, 20, 10),
         "PNG picture with transparency under a .bmp name: Lindquay reads only BMP files, so the GBA shell ROM is "
         "built without it (Lindquay: not a BMP file (a PNG picture with transparency)); save it as a 24-bit BMP, "
         "or use Make loader-safe",
         "not a BMP file (a PNG picture with transparency)", "wordvip.bmp"},
        {"wordstudy_client.bmp", WorkbenchSandbox::picture(20, 10, 0x3366AA, "JPG"),
         "JPEG picture under a .bmp name: Lindquay reads only BMP files, so the GBA shell ROM is built without it "
         "(Lindquay: not a BMP file (a JPEG picture)); save it as a 24-bit BMP, or use Make loader-safe",
         "not a BMP file (a JPEG picture)", "wordstudy_client.bmp"},
        {"arrowL.bmp", Form(PictureFormKind::Bmp32BitfieldsAlpha, 12, 12),
         "32-bit BMP with bit-field masks (as ImageMagick saves by default): Lindquay reads only uncompressed BMPs, "
         "so the GBA shell ROM is built without it (Lindquay: compressed BMP not supported (32 bits per pixel with "
         "bit-field masks)); save it as a 24-bit BMP, or use Make loader-safe",
         "compressed BMP not supported (32 bits per pixel with bit-field masks)", "arrowL.bmp"},
        {"mainBG.bmp", Form(PictureFormKind::Bmp32BitfieldsAlpha, 256, 192),
         "32-bit BMP with bit-field masks (as ImageMagick saves by default): the workbench's image library cannot "
         "read this form, so no mainBG.jpg is made from it: the previews draw nothing for the DS upper screen; save "
         "it as a 24-bit BMP, or use Make loader-safe",
         nullptr, "mainBG.bmp"},
        {"subBG.jpg", Form(PictureFormKind::Png, 256, 192),
         "PNG picture under a .jpg name: the DS loader reads a .jpg main picture only as a JPEG; installing copies "
         "it to the DS loader as it is; save it as a 24-bit BMP, or use Make loader-safe",
         nullptr, "subBG.bmp"},
        // Forms everything takes: no finding, nothing changed.
        {"x.bmp", Form(PictureFormKind::Bmp8, 20, 10), nullptr, nullptr, nullptr},
        {"wordstudy.bmp", Form(PictureFormKind::Bmp32, 20, 10), nullptr, nullptr, nullptr},
    };
}

// The skin of every row: the template, the rows' files in place of its own.
QString MakeSkin(const WorkbenchSandbox& box, const std::vector<Row>& rows) {
    const QString skin = box.skins + "/Forms";
    EXPECT_TRUE(WriteSkinTemplate(skin).ok);
    for (const char* gone : {"subBG.bmp", "desktop.bmp"}) QFile::remove(skin + "/" + gone);
    for (const Row& row : rows) WorkbenchSandbox::write(skin + "/" + row.file, row.bytes);
    // Saved under the base name in another format.
    WorkbenchSandbox::write(skin + "/desktop.png", Form(PictureFormKind::Png, 240, 160));
    return skin;
}

// Lindquay's ERROR line for each entry of its listing of folder.
std::map<QString, QString> LindquayErrors(const WorkbenchSandbox& box, const QString& folder) {
    QProcess lindquay;
    lindquay.setStandardInputFile(QProcess::nullDevice());
    lindquay.start(box.app + "/gba/Lindquay", {folder, box.root + "/out.rom"});
    EXPECT_TRUE(lindquay.waitForFinished(60000));
    std::map<QString, QString> reasons;
    QString entry;
    for (const QString& line : QString::fromLocal8Bit(lindquay.readAllStandardOutput()).split('\n')) {
        if (const auto match = QRegularExpression(R"(^\s*: \\(\S+))").match(line); match.hasMatch())
            entry = match.captured(1);
        else if (line.startsWith("ERROR: "))
            reasons[entry] = line.mid(7);
    }
    return reasons;
}

// The skin's files as installing copies them: the visible ones, without the backup folder.
QString Installed(const WorkbenchSandbox& box, const QString& skin) {
    const QString copy = box.root + "/installed";
    QDir(copy).removeRecursively();
    QDir().mkpath(copy);
    for (const QString& name : QDir(skin).entryList(QDir::Files)) QFile::copy(skin + "/" + name, copy + "/" + name);
    return copy;
}

std::map<QString, QByteArray> Files(const QString& folder) {
    std::map<QString, QByteArray> files;
    for (const QString& name : WorkbenchSandbox::tree(folder)) files[name] = WorkbenchSandbox::read(folder + name);
    return files;
}

class PictureForms : public ::testing::Test {
protected:
    void SetUp() override {
        const QString gba = QStringLiteral(CORVAMO_DIST_DIR) + "/gba/";
        for (const char* file : {"Lindquay", "libmarlet.so", "Lindquay.rom", "glimmet"})
            ASSERT_TRUE(QFile::copy(gba + file, box.app + "/gba/" + file)) << file;
    }
    WorkbenchSandbox box;
};

}  // namespace

TEST_F(PictureForms, CheckLindquayAndFixUpTellOneCauseAndTheFixUpIsUndone) {
    const std::vector<Row> rows = Rows();
    const QString skin = MakeSkin(box, rows);

    const ProgramRun check = RunCorvamo(box, {"--check", skin});
    EXPECT_EQ(check.code, 1);
    const auto lindquay = LindquayErrors(box, Installed(box, skin));
    for (const Row& row : rows) {
        const QString prefix = QStringLiteral("Forms: %1: ").arg(row.file);
        if (row.check) {
            EXPECT_TRUE(check.out.contains("error: " + prefix + row.check + "\n")) << row.file << "\n"
                                                                                   << check.out.toStdString();
        } else {
            EXPECT_FALSE(check.out.contains("error: " + prefix)) << row.file;
        }
        const auto said = lindquay.find(row.file);
        if (row.lindquay) {
            EXPECT_EQ(said != lindquay.end() ? said->second.toStdString() : "(packed)", row.lindquay) << row.file;
        } else if (QString(row.file).endsWith(".bmp") && !QString(row.file).startsWith("main")) {
            EXPECT_TRUE(said == lindquay.end()) << row.file;
        }
    }

    const auto before = Files(skin);
    const ProgramRun fix = RunCorvamo(box, {"--fix-skin", skin});
    EXPECT_EQ(fix.code, 0) << fix.err.toStdString();
    for (const Row& row : rows) {
        if (!row.becomes) continue;
        EXPECT_TRUE(fix.out.contains(QStringLiteral("%1: ").arg(row.file)) &&
                    QFileInfo::exists(skin + "/" + row.becomes))
            << row.file << "\n"
            << fix.out.toStdString();
    }
    EXPECT_TRUE(
        fix.out.contains("desktop.png: PNG picture under the base name of desktop.bmp, which the skin lacks; "
                         "made desktop.bmp, a 24-bit BMP"))
        << fix.out.toStdString();

    // Every picture now in the catalogue's form: no error of form, and Lindquay packs each one.
    const ProgramRun after = RunCorvamo(box, {"--check", skin});
    EXPECT_FALSE(after.out.contains("Make loader-safe")) << after.out.toStdString();
    EXPECT_FALSE(after.out.contains(".corvamo-backup")) << "the backup is not part of the skin";
    EXPECT_EQ(LindquayErrors(box, Installed(box, skin)), (std::map<QString, QString>{}));
    for (const Row& row : rows) {
        if (!row.becomes) continue;
        const QString made = skin + "/" + row.becomes;
        const lindquay::PictureForm form = AccountOf(made, PictureRoad::Extra).form;
        EXPECT_EQ(form.name, "24-bit BMP") << row.becomes;
        // Never resized; transparency flattened onto the key colour.
        QImageReader fixed(made);
        QBuffer source;
        source.setData(row.bytes);
        source.open(QIODevice::ReadOnly);
        QImageReader reader(&source);
        const QImage want = reader.read().convertToFormat(QImage::Format_ARGB32);
        const QImage got = fixed.read().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(got.size(), want.size()) << row.becomes;
        for (int y = 0; y < want.height(); ++y)
            for (int x = 0; x < want.width(); ++x) {
                const QRgb w = want.pixel(x, y);
                ASSERT_EQ(got.pixel(x, y) & 0xFFFFFFu, qAlpha(w) == 0 ? 0xFFFFFFu : (w & 0xFFFFFFu))
                    << row.becomes << " at " << x << "," << y;
            }
    }

    // A second run has nothing left to change.
    const ProgramRun again = RunCorvamo(box, {"--fix-skin", skin});
    EXPECT_EQ(again.code, 0);
    EXPECT_EQ(again.out, "Forms: nothing to change: every picture is in a form the loader and Lindquay take\n");

    const ProgramRun undo = RunCorvamo(box, {"--fix-skin", "--undo", skin});
    EXPECT_EQ(undo.code, 0) << undo.err.toStdString();
    EXPECT_EQ(Files(skin), before) << "the originals come back byte for byte, and nothing the fix-up made stays";
    const ProgramRun nothing = RunCorvamo(box, {"--fix-skin", "--undo", skin});
    EXPECT_EQ(nothing.code, 1);
    EXPECT_TRUE(nothing.err.contains("nothing to undo")) << nothing.err.toStdString();
}

TEST_F(PictureForms, AnArchiveGetsAFixedCopyBesideItAndStaysAsItIs) {
    const QString skin = MakeSkin(box, Rows());
    ZipFolder(skin, box.skins + "/Forms.zip");
    const QByteArray zip = WorkbenchSandbox::read(box.skins + "/Forms.zip");

    const ProgramRun fix = RunCorvamo(box, {"--fix-skin", box.skins + "/Forms.zip"});
    EXPECT_EQ(fix.code, 0) << fix.err.toStdString();
    EXPECT_TRUE(fix.out.contains(box.skins + "/Forms-fixed.zip saved (")) << fix.out.toStdString();
    EXPECT_EQ(WorkbenchSandbox::read(box.skins + "/Forms.zip"), zip);
    const ProgramRun check = RunCorvamo(box, {"--check", box.skins + "/Forms-fixed.zip"});
    EXPECT_FALSE(check.out.contains("Make loader-safe")) << check.out.toStdString();
    EXPECT_TRUE(check.out.contains("Forms-fixed.zip: 0 errors")) << check.out.toStdString();

    // Never over a file: the fixed copy of a second run is refused.
    const ProgramRun twice = RunCorvamo(box, {"--fix-skin", box.skins + "/Forms.zip"});
    EXPECT_EQ(twice.code, 1);
    EXPECT_TRUE(twice.err.contains("already exists; it was not replaced.")) << twice.err.toStdString();
    EXPECT_EQ(RunCorvamo(box, {"--fix-skin", "--undo", box.skins + "/Forms.zip"}).code, 1);
}

TEST_F(PictureForms, UndoChangesNothingWhenAMadeFileWasEditedSince) {
    const QString skin = MakeSkin(box, Rows());
    ASSERT_EQ(RunCorvamo(box, {"--fix-skin", skin}).code, 0);
    WorkbenchSandbox::write(skin + "/arrowL.bmp", Form(PictureFormKind::Bmp24, 12, 12));
    const auto edited = Files(skin);
    const ProgramRun undo = RunCorvamo(box, {"--fix-skin", "--undo", skin});
    EXPECT_EQ(undo.code, 1);
    EXPECT_TRUE(undo.err.contains("arrowL.bmp was changed after Make loader-safe")) << undo.err.toStdString();
    EXPECT_EQ(Files(skin), edited);
}

TEST_F(PictureForms, APictureNothingCanReadIsNamedAndFailsTheRun) {
    const QString skin = box.skins + "/Damaged";
    ASSERT_TRUE(WriteSkinTemplate(skin).ok);
    WorkbenchSandbox::write(skin + "/arrowR.bmp", "\x89PNG\r\n\x1a\n but nothing after");
    const ProgramRun fix = RunCorvamo(box, {"--fix-skin", skin});
    EXPECT_EQ(fix.code, 1);
    EXPECT_TRUE(
        fix.err.contains("Corvamo: not changed: arrowR.bmp: PNG picture under a .bmp name: Lindquay reads "
                         "only BMP files; it could not be converted"))
        << fix.err.toStdString();
    EXPECT_EQ(WorkbenchSandbox::read(skin + "/arrowR.bmp"), QByteArray("\x89PNG\r\n\x1a\n but nothing after"));
}
