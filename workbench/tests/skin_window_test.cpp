// The Skin menu's pack and template entries, skin drops and live reload, through the real Form1
// with the offscreen platform.
#include "program.h"
#include "skin_watch.h"

#include <QAction>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>

using namespace corvamo;

using namespace testing_sandbox;

namespace {

using SkinWindowTest = WindowTest;

bool Near(QRgb a, QRgb b) {  // pictures go through JPEG
    return std::abs(qRed(a) - qRed(b)) < 24 && std::abs(qGreen(a) - qGreen(b)) < 24 &&
           std::abs(qBlue(a) - qBlue(b)) < 24;
}

// A drag carrying urls, entered and dropped onto the window; whether each was accepted.
std::pair<bool, bool> DragAndDrop(Form1& form, const QList<QUrl>& urls, const QString& text = {}) {
    QMimeData mime;
    if (!urls.isEmpty()) mime.setUrls(urls);
    if (!text.isEmpty()) mime.setText(text);
    const QPoint at(300, 100);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(&form, &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(&form, &drop);
    return {enter.isAccepted(), drop.isAccepted()};
}

}  // namespace

TEST_F(SkinWindowTest, DroppingAZipOrAFolderLoadsItAsTheListsWould) {
    QDir().mkpath(box.skins + "/far");
    MakeZip(box.skins + "/far/Blue.zip", {{"qvpdalogo.bmp", WorkbenchSandbox::picture(240, 160, 0x0000FF, "BMP")}});
    WorkbenchSandbox::write(box.skins + "/Red/qvpdalogo.bmp", WorkbenchSandbox::picture(240, 160, 0xFF0000, "BMP"));
    WorkbenchSandbox::write(box.skins + "/note.txt", "x");
    WorkbenchSandbox::write(box.skins + "/far/.Hidden.zip", "x");
    start();
    setView(1, 1);

    // Refused: nothing is accepted, nothing changes.
    const struct {
        const char* what;
        QList<QUrl> urls;
        QString text;
    } refused[] = {
        {"two archives",
         {QUrl::fromLocalFile(box.skins + "/far/Blue.zip"), QUrl::fromLocalFile(box.skins + "/Red")},
         {}},
        {"a text file", {QUrl::fromLocalFile(box.skins + "/note.txt")}, {}},
        {"a hidden archive", {QUrl::fromLocalFile(box.skins + "/far/.Hidden.zip")}, {}},
        {"a missing file", {QUrl::fromLocalFile(box.skins + "/Gone.zip")}, {}},
        {"a web address", {QUrl("https://www.example.com/Skin.zip")}, {}},
        {"plain text", {}, box.skins + "/Red"},
    };
    const int redraws = wb().redrawCount();
    for (const auto& row : refused) {
        EXPECT_EQ(DragAndDrop(*form, row.urls, row.text), std::make_pair(false, false)) << row.what;
        QCoreApplication::processEvents();
        EXPECT_EQ(wb().dirPath(), box.app) << row.what;
        EXPECT_EQ(wb().redrawCount(), redraws) << row.what;
    }

    // An archive: the folder list moves to its folder, the file list selects it, the click loads it.
    EXPECT_EQ(DragAndDrop(*form, {QUrl::fromLocalFile(box.skins + "/far/Blue.zip")}), std::make_pair(true, true));
    ASSERT_TRUE(WaitUntil([&] { return wb().loadedSkin().kind == Workbench::LoadedSkin::Archive; }));
    EXPECT_EQ(wb().dirPath(), box.skins + "/far");
    EXPECT_EQ(wb().selectedFile(), "Blue.zip");
    ASSERT_NE(form->File1->currentItem(), nullptr);
    EXPECT_EQ(form->File1->currentItem()->text(), "Blue.zip");
    EXPECT_EQ(wb().state().skinfromzip, 1);
    EXPECT_EQ(wb().state().gbascreen, 0);  // as after a click
    EXPECT_TRUE(Near(pics().Picture4.pixel(200, 150), 0x0000FF));

    // An archive made after the file list was filled is found all the same.
    MakeZip(box.skins + "/far/Green.zip", {{"qvpdalogo.bmp", WorkbenchSandbox::picture(240, 160, 0x00FF00, "BMP")}});
    EXPECT_EQ(DragAndDrop(*form, {QUrl::fromLocalFile(box.skins + "/far/Green.zip")}), std::make_pair(true, true));
    ASSERT_TRUE(WaitUntil([&] { return wb().selectedFile() == "Green.zip"; }));
    EXPECT_TRUE(Near(pics().Picture4.pixel(200, 150), 0x00FF00));

    // A folder: opened as the folder list opens it.
    EXPECT_EQ(DragAndDrop(*form, {QUrl::fromLocalFile(box.skins + "/Red")}), std::make_pair(true, true));
    ASSERT_TRUE(WaitUntil([&] { return wb().loadedSkin().kind == Workbench::LoadedSkin::Folder; }));
    EXPECT_EQ(wb().dirPath(), box.skins + "/Red");
    EXPECT_EQ(wb().state().skinfromzip, 0);
    EXPECT_TRUE(Near(pics().Picture4.pixel(200, 150), 0xFF0000));
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('\n').toStdString();
}

TEST_F(SkinWindowTest, NewSkinFromTemplateThenSaveItAsZipAskingBeforeReplacing) {
    WorkbenchSandbox::write(box.skins + "/Taken/mine.txt", "mine");
    start();
    form->saveskinaszip->trigger();
    EXPECT_EQ(messages.texts.takeLast(), "No skin is loaded: open a skin folder or click a skin archive first.");
    QString folder = box.skins + "/Taken";
    form->chooseNewSkinFolder = [&](const QString&) { return folder; };
    form->newskinfromtemplate->trigger();
    EXPECT_EQ(messages.texts.takeLast(), folder + " is not empty; a new skin needs a new or empty folder.");
    EXPECT_EQ(wb().dirPath(), box.app);
    folder = box.skins + "/Fresh";
    form->newskinfromtemplate->trigger();
    EXPECT_EQ(wb().dirPath(), folder);
    EXPECT_EQ(wb().loadedSkin().kind, Workbench::LoadedSkin::Folder);
    EXPECT_EQ(pics().Picture5[2].height(), 240);  // the template's deskicon, loaded

    const QString out = box.root + "/Fresh.zip";
    QString suggested;
    form->chooseZip = [&](const QString& suggestion) {
        suggested = suggestion;
        return out;
    };
    WorkbenchSandbox::write(out, "the author's own file");
    messages.answers = {false, true};
    form->saveskinaszip->trigger();  // No
    EXPECT_EQ(WorkbenchSandbox::read(out), "the author's own file");
    form->saveskinaszip->trigger();  // Yes
    const QString question = out + " already exists. Do you want to replace it?";
    EXPECT_EQ(messages.texts, (QStringList{question, question, out + " saved (16 skin files)."}));
    EXPECT_EQ(suggested, folder + ".zip");  // beside the folder
    EXPECT_EQ(ReadZip(out).size(), 16u);
}

// Live reload: each way an image editor saves reloads the folder skin, keeping the view.
TEST_F(SkinWindowTest, SavingASkinFileReloadsTheFolderSkinKeepingTheView) {
    const QString subBG = box.skins + "/Live/subBG.bmp";
    WorkbenchSandbox::write(subBG, WorkbenchSandbox::picture(256, 192, 0x808080, "BMP"));
    start();
    form->setDir1Path(box.skins + "/Live");
    setView(1, 3);
    wb().setOption(&ViewOptions::showselectbug, true);
    wb().pickDividerColourFromPalette(1, 10, 2);
    const QColor divider = pics().Picture6;
    const struct {
        const char* how;
        QRgb colour;
        std::function<void(const QByteArray&)> save;
    } saves[] = {
        {"written beside and renamed", 0xFF0000,
         [&](const QByteArray& bytes) {
             WorkbenchSandbox::write(subBG + ".tmp", bytes);
             ASSERT_TRUE(QFile::remove(subBG) && QFile::rename(subBG + ".tmp", subBG));
         }},
        {"rewritten in place", 0x00FF00, [&](const QByteArray& bytes) { WorkbenchSandbox::write(subBG, bytes); }},
        {"deleted and written anew", 0x0000FF,
         [&](const QByteArray& bytes) {
             QFile::remove(subBG);
             WorkbenchSandbox::write(subBG, bytes);
         }},
    };
    for (const auto& row : saves) {
        QSignalSpy reloaded(&form->skinWatch(), &SkinWatch::reloaded);
        row.save(WorkbenchSandbox::picture(256, 192, row.colour, "BMP"));
        ASSERT_TRUE(reloaded.wait(3000)) << row.how;
        EXPECT_TRUE(Near(pics().Picture2.pixel(230, 180), row.colour)) << row.how;
        EXPECT_EQ(wb().state().dswindow, 1) << row.how;
        EXPECT_EQ(wb().state().gbascreen, 3) << row.how;
        EXPECT_TRUE(wb().options().showselectbug) << row.how;
        EXPECT_EQ(pics().Picture6, divider) << row.how;
    }

    // A burst of writes gives one reload. The writes' events are all queued before the loop
    // reads them, so once the reload is done none is left.
    const int before = form->skinWatch().reloads();
    for (const char* name : {"disk.bmp", "nor.bmp", "setting.bmp", "select.bmp", "window.bmp"})
        WorkbenchSandbox::write(box.skins + "/Live/" + name, WorkbenchSandbox::picture(40, 40, 0x00FFFF, "BMP"));
    WorkbenchSandbox::write(subBG, WorkbenchSandbox::picture(256, 192, 0xFFFF00, "BMP"));
    QCoreApplication::processEvents();
    ASSERT_TRUE(WaitUntil([&] { return !form->skinWatch().pending(); }));
    EXPECT_EQ(form->skinWatch().reloads(), before + 1);
    EXPECT_TRUE(Near(pics().Picture2.pixel(230, 180), 0xFFFF00));
    EXPECT_TRUE(Near(pics().Picture1[2].pixel(5, 5), 0x00FFFF));
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('\n').toStdString();
}

TEST_F(SkinWindowTest, ARewrittenArchiveReloadsAndAFailureIsToldOnce) {
    const QString zip = box.skins + "/Live.zip";
    const auto writeZip = [&](QRgb colour) {
        MakeZip(zip + ".new", {{"qvpdalogo.bmp", WorkbenchSandbox::picture(240, 160, colour, "BMP")}});
        std::rename(QFile::encodeName(zip + ".new"), QFile::encodeName(zip));
    };
    writeZip(0xFF0000);
    start();
    form->setDir1Path(box.skins);
    ASSERT_TRUE(form->clickFile1("Live.zip"));
    setView(1, 1);
    QSignalSpy reloaded(&form->skinWatch(), &SkinWatch::reloaded);
    writeZip(0x0000FF);
    ASSERT_TRUE(reloaded.wait(3000));
    EXPECT_TRUE(Near(pics().Picture4.pixel(200, 150), 0x0000FF));
    EXPECT_EQ(wb().state().gbascreen, 1);  // a click would have reset both
    EXPECT_EQ(wb().state().dswindow, 1);

    // Broken twice, then mended: the failure is told once.
    const QString told = "The archive " + zip + " is not a zip archive.";
    for (const char* bytes : {"not a zip", "still not a zip"}) {
        WorkbenchSandbox::write(zip, bytes);
        ASSERT_TRUE(reloaded.wait(3000)) << bytes;
    }
    EXPECT_EQ(messages.texts, QStringList{told});
    writeZip(0x00FF00);
    ASSERT_TRUE(reloaded.wait(3000));
    EXPECT_TRUE(Near(pics().Picture4.pixel(200, 150), 0x00FF00));
    EXPECT_EQ(messages.texts, QStringList{told});
}

// While a build script runs the reload waits, and comes when the script has ended.
TEST_F(SkinWindowTest, AReloadDuringABuildScriptWaitsForItsEnd) {
    const QString subBG = box.skins + "/Live/subBG.bmp";
    WorkbenchSandbox::write(subBG, WorkbenchSandbox::picture(256, 192, 0x808080, "BMP"));
    WorkbenchSandbox::write(box.app + "/di3gba.bat", "while [ ! -f release ]; do sleep 0.02; done\n");
    start();
    form->setDir1Path(box.skins + "/Live");
    SkinWatch& watch = form->skinWatch();
    const int before = watch.reloads();
    int reloadsDuringScript = -1;
    bool waited = false;
    QTimer::singleShot(0, form.get(), [&] {  // runs inside the script's wait
        WorkbenchSandbox::write(subBG, WorkbenchSandbox::picture(256, 192, 0xFF0000, "BMP"));
        waited = WaitUntil([&] { return watch.waited() > 0; });
        reloadsDuringScript = watch.reloads();
        WorkbenchSandbox::write(box.app + "/release", "");
    });
    form->Command4->click();
    EXPECT_TRUE(waited);
    EXPECT_EQ(reloadsDuringScript, before);
    ASSERT_TRUE(WaitUntil([&] { return watch.reloads() == before + 1; }));
    EXPECT_TRUE(Near(pics().Picture2.pixel(230, 180), 0xFF0000));
}

// An archive that holds its skin in one folder loads that folder's files; every other archive
// loads as it always did.
TEST_F(SkinWindowTest, AnArchiveOfOneSkinFolderLoadsThatFoldersFiles) {
    const QByteArray blue = WorkbenchSandbox::picture(240, 160, 0x0000FF, "BMP");
    const struct {
        const char* zip;
        std::vector<Entry> entries;
        bool lifted;
    } rows[] = {
        {"Folder.zip", {{"My Skin/qvpdalogo.bmp", blue}, {"__MACOSX/My Skin/._qvpdalogo.bmp", "fork"}}, true},
        {"Backslash.zip", {{"My Skin\\qvpdalogo.bmp", blue}}, true},
        {"Two.zip", {{"A/qvpdalogo.bmp", blue}, {"B/disk.bmp", blue}}, false},
        {"Top.zip", {{"help.txt", "help"}, {"A/qvpdalogo.bmp", blue}}, false},
        {"Deep.zip", {{"A/B/qvpdalogo.bmp", blue}}, false},
    };
    for (const auto& row : rows) MakeZip(box.skins + "/" + row.zip, row.entries);
    start();
    form->setDir1Path(box.skins);
    for (const auto& row : rows) {
        ASSERT_TRUE(form->clickFile1(row.zip));
        EXPECT_EQ(Near(pics().Picture4.pixel(200, 150), 0x0000FF), row.lifted) << row.zip;
        EXPECT_EQ(QFileInfo::exists(temp() + "qvpdalogo.bmp"), row.lifted) << row.zip;
    }
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('\n').toStdString();
}

// An open message box makes the workbench busy, so a reload waits for it.
TEST(WorkbenchBusy, WhileAMessageBoxIsOpen) {
    struct Boxes : MessageBoxes {
        Workbench* workbench = nullptr;
        QList<bool> busy;
        void ok(const QString&) override { busy << workbench->busy(); }
        bool yesNo(const QString&) override {
            busy << workbench->busy();
            return false;
        }
    } boxes;
    WorkbenchSandbox box;
    Workbench workbench(boxes, box.cache(), box.host());
    boxes.workbench = &workbench;
    workbench.startUp(box.app);
    EXPECT_FALSE(workbench.busy());
    workbench.folderChange(box.root + "/missing");  // "The folder ... cannot be read."
    workbench.skinVu4Loaders();                     // the scripts are missing, and so is qvkit_up.bin
    EXPECT_EQ(boxes.busy, (QList<bool>{true, true, true}));
    EXPECT_FALSE(workbench.busy());
}
