// The loaded skin read once: loading lists a skin folder once and unpacks an archive once, and
// Skin > Check, Save as zip and the problems view read what loading read, with the very reports
// and zips that opening the skin anew (--check, --pack-skin) gives. Through the real window.
#include "author/skin_pack.h"
#include "check_dialog.h"
#include "platform/paths.h"
#include "preview_views.h"
#include "program.h"

#include <QAction>

using namespace corvamo;

using namespace testing_sandbox;

namespace {

using LoadedSkinWindow = WindowTest;

QByteArray Bmp(QRgb colour) { return WorkbenchSandbox::picture(256, 192, colour, "BMP"); }
QByteArray Jpg(QRgb colour) { return WorkbenchSandbox::picture(256, 192, colour, "JPG"); }

// How many times the folder was listed.
int Listings(const QStringList& listed, const QString& folder) {
    return int(std::count_if(listed.begin(), listed.end(),
                             [&](const QString& f) { return FolderPath(f) == FolderPath(folder); }));
}

}  // namespace

TEST_F(LoadedSkinWindow, CheckAndSaveAsZipReadWhatLoadingReadAndSayWhatAFreshOpenSays) {
    const QString folderSkin = box.skins + "/Folder Skin";
    WorkbenchSandbox::write(folderSkin + "/mainBG.bmp", Bmp(0xFF0000));
    WorkbenchSandbox::write(folderSkin + "/MAINBG.JPG", Jpg(0x00FF00));
    WorkbenchSandbox::write(folderSkin + "/subBG.jpg", Jpg(0x0000FF));
    WorkbenchSandbox::write(folderSkin + "/readme.txt", "a stray");
    // The BMP of a slot beats its JPEGs, which loading converts over in the temporary folder.
    MakeZip(box.skins + "/Both.zip", {{"mainBG.jpg", Jpg(0x00FF00)},
                                      {"mainbg.JPG", Jpg(0x00FFFF)},
                                      {"mainBG.bmp", Bmp(0xFF0000)},
                                      {"SUBBG.jpg", Jpg(0x0000FF)},
                                      {"extra/", {}, Entry::Folder},
                                      {"extra\\deep\\note.txt", "x"},
                                      {"help.txt", "help"}});
    MakeZip(box.skins + "/Zipped with its folder.zip", {{"My Skin/", {}, Entry::Folder},
                                                        {"My Skin/mainBG.bmp", Bmp(0x3366AA)},
                                                        {"My Skin/mainBG.jpg", Jpg(0xAA6633)},
                                                        {"My Skin/readme.txt", "a stray"},
                                                        {"__MACOSX/My Skin/._mainBG.bmp", "resource fork"}});
    QFile::copy(CORVAMO_SAMPLE_SKIN_ZIP, box.skins + "/SampleSkin.zip");
    WorkbenchSandbox::write(box.skins + "/NotZip.zip", "PK but not really an archive");
    const struct {
        const char* skin;  // in box.skins; a folder, or an archive clicked in the file list
        QStringList temp;  // what the temporary folder holds after loading; empty: the sample's files
    } rows[] = {
        {"Folder Skin", {"/mainBG.bmp", "/mainBG.jpg", "/subBG.jpg"}},
        {"Both.zip", {"/SUBBG.jpg", "/extra/deep/note.txt", "/help.txt", "/mainBG.bmp", "/mainBG.jpg"}},
        {"Zipped with its folder.zip", {"/__MACOSX/My Skin/._mainBG.bmp", "/mainBG.bmp", "/mainBG.jpg", "/readme.txt"}},
        {"SampleSkin.zip", {}},
        {"NotZip.zip", {}},
    };
    start();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.skin);
        const QString path = box.skins + "/" + row.skin;
        const bool archive = path.endsWith(".zip");
        host->listed.clear();
        if (archive) {
            form->setDir1Path(box.skins);
            ASSERT_TRUE(form->clickFile1(row.skin));
        } else {
            form->setDir1Path(path);
            // Once each for the folder list, the skin and the live reload's watch.
            EXPECT_EQ(Listings(host->listed, path), 3);
        }
        const QStringList wanted =
            QString(row.skin) == "SampleSkin.zip" ? WorkbenchSandbox::tree(CORVAMO_SAMPLE_SKIN_DIR) : row.temp;
        EXPECT_EQ(WorkbenchSandbox::tree(temp()).join('\n').toStdString(), wanted.join('\n').toStdString());
        messages.texts.clear();

        // What a fresh open of the skin says, as --check and --pack-skin do.
        const QString freshScratch = box.root + "/fresh";
        const SkinReport fresh = CheckSkin(path, freshScratch);
        const Status freshPack = PackSkin(path, freshScratch, box.root + "/fresh.zip", true);
        EXPECT_EQ(form->views()->report().text().toStdString(), fresh.text().toStdString());

        host->listed.clear();
        form->checkskin->trigger();
        ASSERT_NE(form->checkDialog(), nullptr);
        EXPECT_EQ(form->checkDialog()->text().toStdString(), fresh.text().toStdString());
        const QString out = box.root + "/out.zip";
        QFile::remove(out);
        form->chooseZip = [&](const QString&) { return out; };
        form->saveskinaszip->trigger();
        ASSERT_EQ(messages.texts.size(), 1);
        EXPECT_EQ(messages.texts.takeLast(), QString(freshPack.message).replace(box.root + "/fresh.zip", out));
        if (freshPack.ok)
            EXPECT_EQ(ReadZip(out), ReadZip(box.root + "/fresh.zip"));
        else
            EXPECT_FALSE(QFileInfo::exists(out));
        EXPECT_EQ(host->listed.join('\n').toStdString(), "") << "the check or the pack read the skin again";
    }
}

TEST_F(LoadedSkinWindow, NothingStaleIsKeptAndAReloadReadsTheSkinAnew) {
    MakeZip(box.skins + "/Skin.zip", {{"mainBG.bmp", Bmp(0xFF0000)}, {"mainBG.jpg", Jpg(0x00FF00)}});
    WorkbenchSandbox::write(box.skins + "/NotZip.zip", "PK but not really an archive");
    QDir().mkpath(box.root + "/empty");
    start();
    form->setDir1Path(box.skins);
    ASSERT_TRUE(form->clickFile1("Skin.zip"));
    const QString loaded = wb().checkSkin()->text();
    EXPECT_TRUE(loaded.contains("mainBG.bmp: also given as mainBG.jpg")) << loaded.toStdString();

    // The archive went away: what was loaded is still what the check reads, not unpacked again.
    ASSERT_TRUE(QFile::rename(box.skins + "/Skin.zip", box.root + "/Skin.zip"));
    EXPECT_EQ(wb().checkSkin()->text(), loaded);

    // Back, with a stray: a reload reads the new archive.
    MakeZip(box.skins + "/Skin.zip",
            {{"mainBG.bmp", Bmp(0xFF0000)}, {"mainBG.jpg", Jpg(0x00FF00)}, {"new.txt", "a stray"}});
    const Workbench::LoadedSkin skin = wb().loadedSkin();
    EXPECT_TRUE(wb().reloadSkin(skin).ok);
    EXPECT_TRUE(wb().checkSkin()->text().contains("new.txt: not a skin file"))
        << wb().checkSkin()->text().toStdString();

    // A load that fails keeps nothing of the skin before it.
    ASSERT_TRUE(form->clickFile1("NotZip.zip"));
    messages.texts.clear();
    EXPECT_EQ(wb().checkSkin()->text().toStdString(), ("error: NotZip.zip: The archive " + box.skins +
                                                       "/NotZip.zip is not a zip archive.\n"
                                                       "NotZip.zip: 1 error, 0 warnings, 0 notes\n")
                                                          .toStdString());
    form->setDir1Path(box.root + "/empty");
    EXPECT_FALSE(wb().checkSkin().has_value());
    EXPECT_EQ(messages.texts, QStringList{"No skin is loaded: open a skin folder or click a skin archive first."});
}
