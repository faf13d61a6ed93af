// --pack-skin and --new-skin through the real binary: packed zips read back with libarchive, the
// template's pictures read back and checked.
#include "author/skin_layout.h"
#include "broken_skin.h"
#include "program.h"
#include "skin/lindquay_bmp.h"

#include <QImageReader>

#include <sys/stat.h>
#include <unistd.h>

using namespace corvamo;

using namespace testing_sandbox;

namespace {

QStringList Names(const std::vector<std::pair<QString, QByteArray>>& entries) {
    QStringList names;
    for (const auto& entry : entries) names << entry.first;
    return names;
}

}  // namespace

TEST(SkinPackProgram, TheZipHoldsExactlyTheCatalogueFilesFlatAndIsNeverReplaced) {
    WorkbenchSandbox box;
    const QString broken = box.skins + "/Broken";
    ASSERT_TRUE(broken_skin::Make(broken));
    std::vector<Entry> nested{{"My Skin/", {}, Entry::Folder}, {"My Skin/stray.txt", "x"}};
    for (const QString& file : WorkbenchSandbox::tree(broken))
        nested.push_back({"My Skin" + file, WorkbenchSandbox::read(broken + file)});
    MakeZip(box.skins + "/Nested.zip", nested);
    // In catalogue order and spelling: Window.BMP goes in as window.bmp; no stray, no folder.
    const QStringList packed{
        "subBG.jpg",       "nor.jpg",    "mainBG.bmp",   "subBG.bmp",    "disk.bmp",    "setting.bmp",   "select.bmp",
        "window.bmp",      "arrowL.bmp", "arrowR.bmp",   "deskicon.bmp", "desktop.bmp", "qvpdalogo.bmp", "filemng.bmp",
        "filemnghead.bmp", "icons.bmp",  "itemdisc.bmp", "x.bmp",        "text.txt",    "asc.dat",       "hzk.dat"};
    for (const char* skin : {"Broken", "Nested.zip"}) {
        const QString out = box.root + "/out/" + QFileInfo(skin).baseName() + ".zip";
        QDir().mkpath(box.root + "/out");
        const ProgramRun run = RunCorvamo(box, {"--pack-skin", box.skins + "/" + skin, out});
        ASSERT_EQ(run.code, 0) << skin << run.err.toStdString();
        EXPECT_EQ(run.out, out + " saved (21 skin files).\n");
        const auto entries = ReadZip(out);
        EXPECT_EQ(Names(entries), packed) << skin;
        for (const auto& [name, bytes] : entries) {
            const QString source = name == "window.bmp" ? "Window.BMP" : name;
            EXPECT_EQ(bytes, WorkbenchSandbox::read(broken + "/" + source)) << skin << ": " << name.toStdString();
        }
        // A second run never replaces the first zip.
        const QByteArray first = WorkbenchSandbox::read(out);
        const ProgramRun again = RunCorvamo(box, {"--pack-skin", broken, out});
        EXPECT_EQ(again.code, 1);
        EXPECT_TRUE(again.err.contains("Corvamo: " + out + " already exists; it was not replaced.\n"));
        EXPECT_EQ(WorkbenchSandbox::read(out), first);
    }
    EXPECT_EQ(WorkbenchSandbox::tree(box.root + "/out"), (QStringList{"/Broken.zip", "/Nested.zip"}));  // no part left

    QDir().mkpath(box.skins + "/Empty");
    const struct {
        QString skin, out, error;
    } failures[] = {
        {box.skins + "/Gone", box.root + "/a.zip", "Gone was not packed: no such skin folder or archive"},
        {box.skins + "/Empty", box.root + "/a.zip", "Empty was not packed: it has no skin file."},
        {broken, box.root + "/missing/a.zip",
         box.root + "/missing/a.zip could not be written: its folder does not exist."},
        {broken, box.skins, box.skins + " is not a file; the skin was not packed."},
    };
    for (const auto& row : failures) {
        const ProgramRun run = RunCorvamo(box, {"--pack-skin", row.skin, row.out});
        EXPECT_EQ(run.code, 1) << row.error.toStdString();
        EXPECT_TRUE(run.err.contains("Corvamo: " + row.error + "\n")) << run.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(box.root + "/a.zip"));
}

TEST(SkinTemplateProgram, TheNewSkinHasEveryFixedPictureAndChecksWithoutError) {
    WorkbenchSandbox box;
    const QString skin = box.skins + "/New";
    const ProgramRun run = RunCorvamo(box, {"--new-skin", skin});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, skin + ": new skin written (16 pictures and README.txt).\n");

    QStringList expected{"/README.txt"};
    const QString readme = QString::fromUtf8(WorkbenchSandbox::read(skin + "/README.txt"));
    for (const SkinFileRole& role : SkinLayout()) {
        // Each catalogue file has its line: its name, where it shows, its size or that it has none.
        const QString size = role.fixed() ? SizeText(role.size) : "size not fixed by the previews";
        EXPECT_TRUE(QRegularExpression("\\n" + QRegularExpression::escape(role.name) + " +" +
                                       QRegularExpression::escape(role.shows + "; " + size))
                        .match(readme)
                        .hasMatch())
            << role.name.toStdString();
        if (!role.fixed() || role.name.endsWith(".jpg")) continue;
        expected << "/" + role.name;
        const QString path = skin + "/" + role.name;
        const QByteArray bytes = WorkbenchSandbox::read(path);
        EXPECT_EQ(quint8(bytes[28]), 24) << role.name.toStdString();  // bits per pixel
        EXPECT_EQ(LindquayBmpProblem(path), "") << role.name.toStdString();
        const QImage picture(path);
        EXPECT_EQ(picture.size(), role.size) << role.name.toStdString();
        // Nothing of the template is see-through by accident.
        int white = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) white += (picture.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
        EXPECT_EQ(white, 0) << role.name.toStdString();
    }
    expected.sort();
    EXPECT_EQ(WorkbenchSandbox::tree(skin), expected);
    EXPECT_EQ(RunCorvamo(box, {"--check", skin}).code, 0);

    // Only a new or empty folder takes a new skin; nothing in the way is touched.
    WorkbenchSandbox::write(box.skins + "/Taken/mine.bmp", "mine");
    WorkbenchSandbox::write(box.skins + "/file", "a file");
    QDir().mkpath(box.skins + "/Hollow");
    const struct {
        QString folder, error;
        int code;
    } rows[] = {
        {box.skins + "/Taken", box.skins + "/Taken is not empty; a new skin needs a new or empty folder.", 1},
        {box.skins + "/file", box.skins + "/file is a file, not a folder; no skin was written.", 1},
        {skin, skin + " is not empty; a new skin needs a new or empty folder.", 1},
        {box.skins + "/Hollow", "", 0},
    };
    for (const auto& row : rows) {
        const ProgramRun again = RunCorvamo(box, {"--new-skin", row.folder});
        EXPECT_EQ(again.code, row.code) << row.folder.toStdString();
        if (row.code != 0) {
            EXPECT_TRUE(again.err.contains("Corvamo: " + row.error + "\n")) << again.err.toStdString();
        }
    }
    EXPECT_EQ(WorkbenchSandbox::read(box.skins + "/Taken/mine.bmp"), "mine");
    EXPECT_EQ(WorkbenchSandbox::tree(box.skins + "/Taken"), QStringList{"/mine.bmp"});
    EXPECT_EQ(WorkbenchSandbox::read(box.skins + "/file"), "a file");
    EXPECT_EQ(WorkbenchSandbox::tree(box.skins + "/Hollow").size(), 17);
}

// What an unlucky folder holds, under skin names: a pipe, a link loop, a folder, a device and a
// sparse picture of 10 GB. The check and the pack end at once, take none of them and say what
// each is.
TEST(SkinModesProgram, FilesThatAreNoPicturesEndCleanly) {
    WorkbenchSandbox box;
    const QString skin = box.skins + "/Hostile";
    QDir().mkpath(skin + "/subBG.bmp");
    ASSERT_EQ(mkfifo(QFile::encodeName(skin + "/mainBG.bmp").constData(), 0644), 0);
    ASSERT_EQ(symlink("disk.bmp", QFile::encodeName(skin + "/disk.bmp").constData()), 0);
    ASSERT_EQ(symlink("/dev/zero", QFile::encodeName(skin + "/nor.bmp").constData()), 0);
    {
        QFile sparse(skin + "/desktop.bmp");
        ASSERT_TRUE(sparse.open(QIODevice::WriteOnly));
        sparse.write(broken_skin::BmpBytes(1, 1, 24).left(54));
        ASSERT_TRUE(sparse.resize(qint64(10) << 30));
    }
    const ProgramRun check = RunCorvamo(box, {"--check", skin});
    EXPECT_EQ(check.code, 1);
    for (const char* line :
         {"error: Hostile: desktop.bmp: larger than 64 MiB, more than the workbench accepts: it is left out",
          "error: Hostile: mainBG.bmp: is a FIFO; a skin file must be a regular file in the skin",
          "error: Hostile: disk.bmp: is a link; a skin file must be a regular file in the skin",
          "error: Hostile: nor.bmp: is a link; a skin file must be a regular file in the skin",
          "warning: Hostile: subBG.jpg: missing", "Hostile: 4 errors, 15 warnings, 0 notes"})
        EXPECT_TRUE(check.out.contains(line)) << line << "\n" << check.out.toStdString();

    const ProgramRun pack = RunCorvamo(box, {"--pack-skin", skin, box.root + "/Hostile.zip"});
    EXPECT_EQ(pack.code, 1);
    EXPECT_TRUE(pack.err.contains("Hostile was not packed: desktop.bmp is larger than 64 MiB"))
        << pack.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(box.root + "/Hostile.zip"));
    ASSERT_TRUE(WriteSkinTemplate(box.skins + "/Plain").ok);
    const ProgramRun full = RunCorvamo(box, {"--pack-skin", box.skins + "/Plain", "/dev/full"});
    EXPECT_EQ(full.code, 1);
    EXPECT_TRUE(full.err.contains("/dev/full is not a file; the skin was not packed.")) << full.err.toStdString();
    const ProgramRun proc = RunCorvamo(box, {"--new-skin", "/proc/corvamo-skin"});
    EXPECT_EQ(proc.code, 1);
    EXPECT_TRUE(proc.err.contains("The folder /proc/corvamo-skin could not be created.")) << proc.err.toStdString();
}
