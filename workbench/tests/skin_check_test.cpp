// The skin check through the real binary on skins made good, broken on purpose, in mixed case,
// in both forms, with strays and zipped with their folder; the reports are kept as data files.
// Also the check dialog of the real window, and Lindquay's reasons for refusing a BMP.
#include "author/skin_layout.h"
#include "broken_skin.h"
#include "check_dialog.h"
#include "program.h"
#include "sample_skin.h"
#include "skin/lindquay_bmp.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QRegularExpression>

using namespace corvamo;

using namespace testing_sandbox;

namespace {

QString Expected(const QString& name, const WorkbenchSandbox& box) {
    return QString::fromUtf8(WorkbenchSandbox::read(QStringLiteral(CORVAMO_TEST_DATA "/check/") + name))
        .replace("@SKINS@", box.skins);
}

// The files of folder as archive entries below prefix (with the folders themselves).
std::vector<Entry> EntriesOf(const QString& folder, const QString& prefix) {
    std::vector<Entry> entries{{prefix, {}, Entry::Folder}};
    for (const QString& file : WorkbenchSandbox::tree(folder))
        entries.push_back({prefix + file.mid(1), WorkbenchSandbox::read(folder + file)});
    return entries;
}

// Makes every skin the report rows check, below box.skins.
void MakeSkins(const WorkbenchSandbox& box) {
    ASSERT_TRUE(WriteSkinTemplate(box.skins + "/Template").ok);
    ASSERT_TRUE(broken_skin::Make(box.skins + "/Broken"));
    auto nested = EntriesOf(box.skins + "/Broken", "My Skin/");
    nested.push_back({"__MACOSX/My Skin/._mainBG.bmp", "resource fork"});
    MakeZip(box.skins + "/Zipped with its folder.zip", nested);
    MakeZip(box.skins + "/Cased.zip", {{"mainBG.bmp", WorkbenchSandbox::picture(256, 192, 0x3366AA, "BMP")},
                                       {"MAINBG.BMP", WorkbenchSandbox::picture(256, 192, 0xAA6633, "BMP")},
                                       {"mainbg.jpg", WorkbenchSandbox::picture(256, 192, 0x66AA33, "JPG")},
                                       {"DESKICON.BMP", WorkbenchSandbox::picture(24, 230, 0x3366AA, "BMP")},
                                       {"qvoption.bmp", WorkbenchSandbox::picture(240, 160, 0x3366AA, "BMP")},
                                       {"extra\\readme.txt", "a stray in a folder"},
                                       {"help.txt", "help"},
                                       {"asc.dat", "a"},
                                       {"hzk.dat", "h"}});
    QDir().mkpath(box.skins + "/Empty");
    WorkbenchSandbox::write(box.skins + "/NotZip.zip", "PK but not really an archive");
}

}  // namespace

TEST(SkinCheckProgram, ReportsAreTheKeptOnes) {
    WorkbenchSandbox box;
    MakeSkins(box);
    const struct {
        const char *skin, *report;
        int code;
    } rows[] = {
        {"Template", "template.txt", 0},
        {"Broken", "broken.txt", 1},
        {"Zipped with its folder.zip", "zipped-with-its-folder.txt", 1},
        {"Cased.zip", "cased.txt", 0},
        {"Gone", "gone.txt", 1},
        {"Empty", "empty.txt", 1},
        {"NotZip.zip", "not-zip.txt", 1},
    };
    for (const auto& row : rows) {
        const ProgramRun run = RunCorvamo(box, {"--check", box.skins + "/" + row.skin});
        EXPECT_EQ(run.code, row.code) << row.skin << run.err.toStdString();
        EXPECT_EQ(run.out.toStdString(), Expected(row.report, box).toStdString()) << row.skin;
    }
    // Several skins: one report after the other; one skin with errors fails the run.
    const ProgramRun both = RunCorvamo(box, {"--check", box.skins + "/Template", box.skins + "/Broken"});
    EXPECT_EQ(both.code, 1);
    EXPECT_EQ(both.out.toStdString(),
              (Expected("template.txt", box) + "\n" + Expected("broken.txt", box)).toStdString());
    EXPECT_EQ(WorkbenchSandbox::tree(box.root + "/cache"), QStringList()) << "the check left scratch files behind";
}

TEST(SkinModesProgram, WrongOperandsAreUsageErrorsAndChangeNothing) {
    WorkbenchSandbox box;
    WorkbenchSandbox::write(box.skins + "/Skin/mainBG.jpg", WorkbenchSandbox::picture(256, 192, 0x3366AA, "JPG"));
    const struct {
        QStringList arguments;
        const char* usage;
    } rows[] = {
        {{"--check"}, "usage: Corvamo --check SKIN...\n"},
        {{"--pack-skin", box.skins + "/Skin"}, "usage: Corvamo --pack-skin SKIN OUT.zip\n"},
        {{"--new-skin"}, "usage: Corvamo --new-skin DIR\n"},
        {{"--new-skin", box.skins + "/A", box.skins + "/B"}, "usage: Corvamo --new-skin DIR\n"},
    };
    for (const auto& row : rows) {
        const ProgramRun run = RunCorvamo(box, row.arguments);
        EXPECT_EQ(run.code, 2) << row.usage;
        EXPECT_TRUE(run.err.endsWith(row.usage)) << run.err.toStdString();
        EXPECT_EQ(WorkbenchSandbox::tree(box.skins), QStringList{"/Skin/mainBG.jpg"});
    }
}

using SkinCheckWindow = WindowTest;

TEST_F(SkinCheckWindow, CheckSkinShowsTheReportOfTheLoadedSkin) {
    ASSERT_TRUE(broken_skin::Make(box.skins + "/Broken"));
    start();
    form->checkskin->trigger();  // nothing loaded yet
    EXPECT_EQ(messages.texts, QStringList{"No skin is loaded: open a skin folder or click a skin archive first."});
    EXPECT_EQ(form->checkDialog(), nullptr);

    form->setDir1Path(box.skins + "/Broken");
    form->checkskin->trigger();
    ASSERT_NE(form->checkDialog(), nullptr);
    EXPECT_TRUE(form->checkDialog()->isVisible());
    EXPECT_TRUE(form->checkDialog()->reportText->isReadOnly());
    EXPECT_EQ(form->checkDialog()->text().toStdString(), Expected("broken.txt", box).toStdString());
}

// Lindquay itself on BMPs it refuses: the check gives the very reasons of its listing.
TEST(LindquayBmp, ReasonsAreLindquaysOwn) {
    WorkbenchSandbox box;
    const QString gba = QStringLiteral(CORVAMO_DIST_DIR) + "/gba/";
    for (const char* file : {"Lindquay", "libmarlet.so", "Lindquay.rom"})
        ASSERT_TRUE(QFile::copy(gba + file, box.app + "/gba/" + file)) << file;
    using broken_skin::BmpBytes;
    const struct {
        const char* name;
        QByteArray bytes;
    } rows[] = {
        {"depth1.bmp", BmpBytes(8, 8, 1)},          {"depth4.bmp", BmpBytes(8, 8, 4)},
        {"depth16.bmp", BmpBytes(8, 8, 16)},        {"rle8.bmp", BmpBytes(8, 8, 8, 1)},
        {"short.bmp", BmpBytes(8, 8, 24).left(70)}, {"header.bmp", QByteArray("BM") + QByteArray(20, '\0')},
        {"gif.bmp", "GIF89a not a bitmap at all"},  {"wide.bmp", BmpBytes(65536, 1, 8)},
        {"empty.bmp", BmpBytes(0, 4, 24)},          {"good.bmp", BmpBytes(8, 8, 24)},
    };
    for (const auto& row : rows) WorkbenchSandbox::write(box.skins + "/" + row.name, row.bytes);
    QProcess lindquay;
    lindquay.setStandardInputFile(QProcess::nullDevice());
    lindquay.start(box.app + "/gba/Lindquay", {box.skins, box.root + "/out.rom"});
    ASSERT_TRUE(lindquay.waitForFinished(60000));
    // "      : \NAME" opens an entry; an "ERROR: " line in it gives the reason.
    std::map<QString, QString> reasons;
    QString entry;
    for (const QString& line : QString::fromLocal8Bit(lindquay.readAllStandardOutput()).split('\n')) {
        if (const auto match = QRegularExpression(R"(^\s*: \\(\S+))").match(line); match.hasMatch())
            entry = match.captured(1);
        else if (line.startsWith("ERROR: "))
            reasons[entry] = line.mid(7);
    }
    for (const auto& row : rows)
        EXPECT_EQ(LindquayBmpProblem(box.skins + "/" + row.name), reasons[row.name]) << row.name;
}

// The sample skin states the loader's sizes on its own; the sizes measured from the previews
// agree with it for every picture they fix.
TEST(SkinLayout, MeasuredSizesAreTheLoadersSizes) {
    int fixed = 0;
    for (const SkinFileRole& role : SkinLayout()) {
        if (!role.fixed()) continue;
        ++fixed;
        const QSize loader =
            role.mainSlot >= 0 ? sample_skin::MainSize(role.mainSlot) : sample_skin::ExtraSize(role.extraSlot);
        EXPECT_EQ(role.size, loader) << role.name.toStdString();
    }
    EXPECT_EQ(fixed, 14 + 9);  // both forms of the seven main pictures, and nine extra pictures
    EXPECT_EQ(FindRole("deskicon.bmp")->drawn, QSize(24, 216));  // tile 9 is never drawn
    EXPECT_TRUE(FindRole("itemdisc.bmp")->transparent);
    EXPECT_FALSE(FindRole("filemng.bmp")->transparent);
}

// The README's table of sizes is the measured one.
TEST(SkinLayout, TheReadmeListsTheMeasuredSizes) {
    const QString readme = QString::fromUtf8(WorkbenchSandbox::read(CORVAMO_README));
    for (const SkinFileRole& role : SkinLayout()) {
        if (!role.fixed() || role.name.endsWith(".jpg")) continue;
        const QString file = role.mainSlot >= 0 ? role.name + " or " + role.name.chopped(3) + "jpg" : role.name;
        const QString row = QStringLiteral("| %1 | %2 | %3 | %4 |")
                                .arg(file, SizeText(role.size), role.transparent ? "yes" : "no", role.shows);
        EXPECT_TRUE(readme.contains(row)) << row.toStdString();
    }
}
