#include "platform/host_layer.h"
#include "skin/archive_extract.h"
#include "skin/catalogue.h"
#include "workbench_sandbox.h"

#include <QCoreApplication>
#include <QTimer>

#include <unistd.h>

using namespace corvamo;

using namespace testing_sandbox;

TEST(Catalogue, ListsSplitIntoTheirSlotOrder) {
    const QStringList main = Catalogue::Split(Catalogue::MainJpgNames);
    const QStringList extra = Catalogue::Split(Catalogue::ExtraBmpNames);
    const QStringList all = Catalogue::Split(Catalogue::SkinFileNames);
    ASSERT_EQ(main.size(), 7);
    ASSERT_EQ(Catalogue::Split(Catalogue::MainBmpNames).size(), 7);
    ASSERT_EQ(extra.size(), 31);
    ASSERT_EQ(Catalogue::Split(Catalogue::NdsInstallNames).size(), 9);
    EXPECT_EQ(main[1], "subBG.jpg");
    EXPECT_EQ(extra[2], "deskicon.bmp");
    EXPECT_EQ(extra[13], "TextScrollBack.BMP");
    const QStringList others{"text.txt", "asc.dat", "help.txt", "hzk.dat"};
    EXPECT_EQ(all, main + Catalogue::Split(Catalogue::MainBmpNames) + extra + others);
}

TEST(Host, PresentFileIgnoresLetterCaseAndHiddenFiles) {
    WorkbenchSandbox box;
    Host host;
    const QString f = box.skins + "/";
    WorkbenchSandbox::write(f + "textscrollback.bmp", "lower");
    WorkbenchSandbox::write(f + "MAINBG.JPG", "upper");
    WorkbenchSandbox::write(f + "mainBG.jpg", "exact");
    WorkbenchSandbox::write(f + ".hidden.bmp", "x");
    QDir().mkpath(f + "help.txt");  // a folder is not a file
    ASSERT_EQ(symlink((f + "textscrollback.bmp").toUtf8().constData(), (f + "link.bmp").toUtf8().constData()), 0);

    EXPECT_EQ(host.findFile(f + "TextScrollBack.BMP"), f + "textscrollback.bmp");
    EXPECT_EQ(host.findFile(f + "mainBG.jpg"), f + "mainBG.jpg");  // the exact spelling first
    EXPECT_EQ(host.findFile(f + ".hidden.bmp"), "");
    EXPECT_EQ(host.findFile(f + "help.txt"), "");
    EXPECT_EQ(host.findFile(f + "absent.bmp"), "");
    EXPECT_EQ(host.findFile(box.root + "/nowhere/x.bmp"), "");
    EXPECT_EQ(host.findFile(f + "LINK.bmp"), f + "link.bmp");  // a link to a file counts
}

TEST(Host, CopyLeavesOneFileInTheCatalogueSpelling) {
    WorkbenchSandbox box;
    Host host;
    WorkbenchSandbox::write(box.skins + "/textscrollback.bmp", "new");
    WorkbenchSandbox::write(box.app + "/gba/.shell/bmp/TEXTSCROLLBACK.bmp", "old1");
    WorkbenchSandbox::write(box.app + "/gba/.shell/bmp/textScrollBack.bmp", "old2");
    ASSERT_TRUE(host.copyFile(box.skins + "/TextScrollBack.BMP", box.app + "/gba/.shell/bmp/TextScrollBack.BMP"));
    EXPECT_EQ(WorkbenchSandbox::tree(box.app + "/gba/.shell/bmp"), QStringList{"/TextScrollBack.BMP"});
    EXPECT_EQ(WorkbenchSandbox::read(box.app + "/gba/.shell/bmp/TextScrollBack.BMP"), "new");
    // A missing source fails and leaves the destination alone.
    EXPECT_FALSE(host.copyFile(box.skins + "/absent.bmp", box.app + "/gba/.shell/bmp/TextScrollBack.BMP"));
    EXPECT_EQ(WorkbenchSandbox::read(box.app + "/gba/.shell/bmp/TextScrollBack.BMP"), "new");
}

TEST(Host, DeleteRemovesEveryCaseVariantAndLinksAsLinks) {
    WorkbenchSandbox box;
    Host host;
    WorkbenchSandbox::write(box.root + "/outside.txt", "keep");
    WorkbenchSandbox::write(box.app + "/TEXT.TXT", "a");
    ASSERT_EQ(symlink((box.root + "/outside.txt").toUtf8().constData(), (box.app + "/text.txt").toUtf8().constData()),
              0);
    EXPECT_TRUE(host.deleteFile(box.app + "/text.txt"));
    EXPECT_FALSE(QFileInfo::exists(box.app + "/TEXT.TXT"));
    EXPECT_FALSE(QFileInfo(box.app + "/text.txt").isSymLink());
    EXPECT_EQ(WorkbenchSandbox::read(box.root + "/outside.txt"), "keep");
    EXPECT_TRUE(host.deleteFile(box.app + "/text.txt"));  // nothing left to delete
}

TEST(Host, VolumeOfTakesTheLongestRoot) {
    const std::vector<Volume> list{{"/", {}}, {"/media/card/", "CARD"}};
    EXPECT_EQ(VolumeOf(list, "/media/card/skins").root, "/media/card/");
    EXPECT_EQ(VolumeOf(list, "/media/card").root, "/media/card/");
    EXPECT_EQ(VolumeOf(list, "/media/cardigan").root, "/");
    EXPECT_EQ(list[1].entry(), "/media/card/ [CARD]");
    EXPECT_EQ(list[0].entry(), "/");
}

TEST(ShellAndWait, ChildThatEndsAtOnceCostsOnePass) {
    WorkbenchSandbox box;
    EXPECT_EQ(ShellAndWaitPasses("/bin/true", 3), 1);
    // A script is run by /bin/sh and waited for.
    WorkbenchSandbox::write(box.app + "/quick.bat", "echo quick >> \"$(dirname \"$0\")/log\"\n");
    EXPECT_GE(ShellAndWaitPasses(box.app + "/quick.bat", 3), 1);
    EXPECT_EQ(WorkbenchSandbox::read(box.app + "/log"), "quick\n");
}

TEST(ShellAndWait, LongerChildKeepsTheWindowResponsive) {
    WorkbenchSandbox box;
    // A program folder with a blank in its name, as users have.
    const QString folder = box.root + "/my app";
    WorkbenchSandbox::write(folder + "/slow.bat", "sleep 0.6\n");
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(50);
    const int passes = ShellAndWaitPasses(folder + "/slow.bat", 3);
    EXPECT_GE(passes, 3);
    EXPECT_GE(ticks, 2);  // events were processed during the wait
}

TEST(ShellAndWait, ProgramThatCannotStart) {
    WorkbenchSandbox box;
    EXPECT_EQ(ShellAndWaitPasses(box.root + "/no-such-program", 3), -1);
    EXPECT_EQ(ShellAndWaitPasses("", 3), -1);
}

namespace {
struct Extracted {
    ExtractReport report;
    QStringList files;
};
Extracted Extract(WorkbenchSandbox& box, const std::vector<Entry>& entries, const ExtractLimits& limits = {}) {
    const QString zip = box.skins + "/skin.zip";
    MakeZip(zip, entries);
    const QString dest = box.root + "/dest";
    QDir().mkpath(dest);
    Extracted result{ExtractArchive(zip, dest, limits), {}};
    result.files = WorkbenchSandbox::tree(dest);
    return result;
}
}  // namespace

TEST(Extract, HostileEntriesStayInsideTheFolder) {
    WorkbenchSandbox box;
    QDir().mkpath(box.root + "/outside");
    const Extracted e = Extract(box, {{"../escaped.txt", "x"},
                                      {"/tmp/absolute-corvamo.txt", "x"},
                                      {"..\\back.txt", "x"},
                                      {"out", {}, Entry::Symlink, box.root + "/outside"},
                                      {"out/through.txt", "x"},
                                      {"hard.txt", {}, Entry::Hardlink, "/etc/passwd"},
                                      {"mainBG.jpg", "good"}});
    // A zip cannot hold a hard link: the entry is an empty file of its own.
    EXPECT_EQ(e.files, (QStringList{"/hard.txt", "/mainBG.jpg", "/out/through.txt"}));
    EXPECT_EQ(WorkbenchSandbox::read(box.root + "/dest/hard.txt"), "");
    EXPECT_TRUE(QDir(box.root + "/outside").isEmpty());
    EXPECT_FALSE(QFileInfo::exists(box.root + "/escaped.txt"));
    EXPECT_FALSE(QFileInfo::exists(box.root + "/back.txt"));
    EXPECT_FALSE(QFileInfo::exists("/tmp/absolute-corvamo.txt"));
    EXPECT_FALSE(QFileInfo(box.root + "/dest/out").isSymLink());
    EXPECT_EQ(e.report.skipped.size(), 4);
    EXPECT_EQ(e.report.extracted, 3);
    EXPECT_FALSE(e.report.damaged);
}

TEST(Extract, NeverWritesThroughALinkAlreadyThere) {
    WorkbenchSandbox box;
    QDir().mkpath(box.root + "/outside");
    QDir().mkpath(box.root + "/dest");
    ASSERT_EQ(symlink((box.root + "/outside").toUtf8().constData(), (box.root + "/dest/sub").toUtf8().constData()), 0);
    const Extracted e = Extract(box, {{"sub/x.bmp", "x"}});
    EXPECT_TRUE(QDir(box.root + "/outside").isEmpty());
    // The link is replaced by a folder of its own.
    EXPECT_FALSE(QFileInfo(box.root + "/dest/sub").isSymLink());
    EXPECT_EQ(e.files, QStringList{"/sub/x.bmp"});
}

TEST(Extract, BackslashNamesUnpackIntoFolders) {
    WorkbenchSandbox box;
    const Extracted e = Extract(box, {{"skin\\sub\\x.bmp", "x"}, {"y.bmp", "y"}});
    EXPECT_EQ(e.files, (QStringList{"/skin/sub/x.bmp", "/y.bmp"}));
    EXPECT_TRUE(e.report.status("a.zip").ok);
}

TEST(Extract, SizeLimitsStopExtractingAndKeepWhatCameBefore) {
    WorkbenchSandbox box;
    const QByteArray kb(1024, 'a');
    // One entry over the limit for one entry.
    Extracted e = Extract(box, {{"a.bmp", kb}, {"big.bmp", kb + kb + kb}, {"c.bmp", kb}}, {10 * 1024, 2 * 1024});
    EXPECT_TRUE(e.report.limitHit);
    EXPECT_EQ(e.files, QStringList{"/a.bmp"});
    EXPECT_FALSE(e.report.status("a.zip").message.isEmpty());
    // Entries within the limit each, but over the limit for all together.
    QDir(box.root + "/dest").removeRecursively();
    e = Extract(box, {{"a.bmp", kb}, {"b.bmp", kb}, {"c.bmp", kb}}, {2 * 1024 + 512, 2 * 1024});
    EXPECT_TRUE(e.report.limitHit);
    EXPECT_EQ(e.files, (QStringList{"/a.bmp", "/b.bmp"}));
}

TEST(Extract, DefaultEntryLimitIs64MiB) {
    WorkbenchSandbox box;
    const Extracted e = Extract(box, {{"huge.bmp", QByteArray((64 << 20) + 1, '\0')}, {"after.bmp", "x"}});
    EXPECT_TRUE(e.report.limitHit);
    EXPECT_TRUE(e.files.isEmpty());
}

TEST(Extract, DamagedArchivesGiveWhatCouldBeRead) {
    WorkbenchSandbox box;
    const QByteArray noise = WorkbenchSandbox::noise(20000);
    const QString zip = box.skins + "/cut.zip";
    MakeZip(zip, {{"first.bmp", "first"}, {"second.bmp", noise}});
    QFile file(zip);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(file.size() / 2));  // cut inside the second entry, central directory gone
    file.close();
    QDir().mkpath(box.root + "/dest");
    const ExtractReport report = ExtractArchive(zip, box.root + "/dest");
    EXPECT_TRUE(report.damaged);
    EXPECT_EQ(WorkbenchSandbox::tree(box.root + "/dest"), QStringList{"/first.bmp"});
    EXPECT_NE(report.status(zip).message, "");

    WorkbenchSandbox::write(box.skins + "/text.zip", "this is not an archive at all");
    const ExtractReport garbage = ExtractArchive(box.skins + "/text.zip", box.root + "/dest");
    EXPECT_FALSE(garbage.opened && !garbage.damaged && garbage.extracted > 0);
    EXPECT_NE(garbage.status("text.zip").message, "");
}
