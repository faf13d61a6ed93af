#include "form1.h"
#include "picture_box.h"
#include "skin/catalogue.h"
#include "workbench_sandbox.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <unistd.h>

using namespace corvamo;

using namespace testing_sandbox;

namespace {

constexpr QRgb Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF;

bool Near(QRgb a, QRgb b)  // JPEG is lossy
{
    return std::abs(qRed(a) - qRed(b)) < 24 && std::abs(qGreen(a) - qGreen(b)) < 24 &&
           std::abs(qBlue(a) - qBlue(b)) < 24;
}

using Form1Test = WindowTest;

}  // namespace

TEST_F(Form1Test, FolderSkinIsCopiedUnderCatalogueNamesAndLoaded) {
    const QString skin = box.skins + "/blue";
    WorkbenchSandbox::write(skin + "/mainBG.bmp", WorkbenchSandbox::picture(256, 192, Red, "BMP"));
    WorkbenchSandbox::write(skin + "/subBG.jpg", WorkbenchSandbox::picture(256, 192, Blue, "JPG"));
    WorkbenchSandbox::write(skin + "/deskicon.bmp", WorkbenchSandbox::picture(24, 240, Green, "BMP"));
    WorkbenchSandbox::write(skin + "/textscrollback.bmp", WorkbenchSandbox::picture(8, 8, Green, "BMP"));
    WorkbenchSandbox::write(skin + "/readme.txt", "not a skin file");
    WorkbenchSandbox::write(skin + "/other.zip", "x");
    start();
    setView(1, 3);
    const int redraws = wb().redrawCount();
    form->setDir1Path(skin);

    EXPECT_EQ(WorkbenchSandbox::tree(temp()),
              (QStringList{"/TextScrollBack.BMP", "/deskicon.bmp", "/mainBG.bmp", "/mainBG.jpg", "/subBG.jpg"}));
    EXPECT_TRUE(Near(pics().Picture1[0].pixel(10, 10), Red));
    EXPECT_EQ(form->Picture1[0]->size(), QSize(260, 196));
    EXPECT_EQ(pics().Picture1[1].width(), 256);
    EXPECT_EQ(pics().Picture5[2].height(), 240);
    EXPECT_TRUE(pics().Picture5[13].hasPicture());
    EXPECT_FALSE(pics().Picture1[2].hasPicture());
    EXPECT_EQ(wb().redrawCount(), redraws + 1);
    EXPECT_EQ(wb().state().skinsource, "");
    EXPECT_EQ(wb().state().skinfromzip, 0);
    EXPECT_EQ(wb().state().dswindow, 1);  // a folder skin keeps the view
    EXPECT_EQ(wb().state().gbascreen, 3);
    ASSERT_EQ(form->File1->count(), 1);
    EXPECT_EQ(form->File1->item(0)->text(), "other.zip");
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('\n').toStdString();
}

TEST_F(Form1Test, ArchiveSkinBmpBeatsJpegAndResetsTheView) {
    MakeZip(box.skins + "/Skin.ZIP", {{"mainBG.jpg", WorkbenchSandbox::picture(256, 192, Green, "JPG")},
                                      {"mainBG.bmp", WorkbenchSandbox::picture(256, 192, Red, "BMP")},
                                      {"extra/", {}, Entry::Folder},
                                      {"extra\\deep\\note.txt", "x"},
                                      {"qvpdalogo.bmp", WorkbenchSandbox::picture(240, 160, Blue, "BMP")}});
    start();
    form->setDir1Path(box.skins);
    setView(1, 3);
    ASSERT_TRUE(form->clickFile1("Skin.ZIP"));

    EXPECT_EQ(wb().state().skinsource, box.skins + "/Skin.ZIP");
    EXPECT_EQ(wb().state().skinfromzip, 1);
    EXPECT_EQ(wb().state().dswindow, 0);
    EXPECT_EQ(wb().state().gbascreen, 0);
    EXPECT_EQ(wb().selectedFile(), "Skin.ZIP");
    EXPECT_TRUE(Near(pics().Picture1[0].pixel(5, 5), Red));
    QImage converted(temp() + "mainBG.jpg");
    ASSERT_FALSE(converted.isNull());
    EXPECT_TRUE(Near(converted.pixel(5, 5), Red));
    EXPECT_TRUE(Near(pics().Picture5[5].pixel(0, 0), Blue));
    EXPECT_TRUE(QFileInfo::exists(temp() + "extra/deep/note.txt"));

    // Away to a folder without skin files: the skin is gone, and the sub-folders with it.
    QDir().mkpath(box.root + "/empty");
    setView(1, 2);
    const int redraws = wb().redrawCount();
    form->setDir1Path(box.root + "/empty");
    EXPECT_EQ(wb().state().skinfromzip, 0);
    EXPECT_EQ(wb().state().skinsource, box.skins + "/Skin.ZIP");  // nothing found: kept
    EXPECT_EQ(wb().state().dswindow, 1);
    EXPECT_EQ(wb().state().gbascreen, 2);
    EXPECT_EQ(wb().redrawCount(), redraws);
    EXPECT_TRUE(WorkbenchSandbox::tree(temp()).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(temp() + "extra"));  // every load starts from an empty folder
    EXPECT_FALSE(pics().Picture1[0].hasPicture());
    EXPECT_EQ(pics().Picture1[1].width(), 1);
    EXPECT_EQ(pics().Picture5[2].height(), 1);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('\n').toStdString();
}

TEST_F(Form1Test, FolderWithOnlyTextFileCountsAsSkin) {
    WorkbenchSandbox::write(box.skins + "/text.txt", "hello");
    MakeZip(box.skins + "/a.zip", {{"mainBG.jpg", WorkbenchSandbox::picture(256, 192, Green, "JPG")}});
    start();
    form->setDir1Path(box.skins);
    ASSERT_TRUE(form->clickFile1("a.zip"));
    const int redraws = wb().redrawCount();
    form->setDir1Path(box.skins);
    EXPECT_EQ(wb().redrawCount(), redraws + 1);  // LoadPics ran
    EXPECT_EQ(wb().state().skinsource, "");
    EXPECT_FALSE(pics().Picture1[0].hasPicture());
    EXPECT_EQ(WorkbenchSandbox::tree(temp()), QStringList{"/text.txt"});
}

TEST_F(Form1Test, DriveChangeRunsOneFolderChangeAndRootArchivesHaveOneSeparator) {
    WorkbenchSandbox::write(box.volA + "mainBG.jpg", WorkbenchSandbox::picture(256, 192, Green, "JPG"));
    MakeZip(box.volA + "card.zip", {{"subBG.jpg", WorkbenchSandbox::picture(256, 192, Blue, "JPG")}});
    start();
    EXPECT_EQ(form->Drive1->currentData().toString(), box.root + "/");  // the volume of the start folder
    form->setDrive1(box.volA);
    EXPECT_EQ(wb().redrawCount(), 1);
    EXPECT_EQ(wb().dirPath(), box.volA.chopped(1));
    EXPECT_TRUE(pics().Picture1[0].hasPicture());
    ASSERT_TRUE(form->clickFile1("card.zip"));
    EXPECT_EQ(wb().state().skinsource, box.volA + "card.zip");

    // A drive remembers its folder: back to the first volume lands in the program folder.
    form->setDrive1(box.root + "/");
    EXPECT_EQ(wb().dirPath(), box.app);
}

TEST_F(Form1Test, TemporaryFolderRemovedWhileRunningComesBack) {
    WorkbenchSandbox::write(box.skins + "/mainBG.jpg", WorkbenchSandbox::picture(256, 192, Green, "JPG"));
    start();
    ASSERT_TRUE(QDir(temp()).removeRecursively());
    form->setDir1Path(box.skins);
    EXPECT_TRUE(pics().Picture1[0].hasPicture());
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('\n').toStdString();
}

TEST_F(Form1Test, StartUpDrawsNothingAndKeepsAnEarlierRunsFiles) {
    WorkbenchSandbox::write(temp() + "mainBG.jpg", WorkbenchSandbox::picture(256, 192, Green, "JPG"));
    start();
    EXPECT_EQ(wb().redrawCount(), 0);
    EXPECT_FALSE(pics().Picture1[0].hasPicture());
    EXPECT_EQ(WorkbenchSandbox::tree(temp()), QStringList{"/mainBG.jpg"});
    EXPECT_EQ(wb().state().appfolder, box.app + "/");
    EXPECT_EQ(wb().dirPath(), box.app);
    EXPECT_EQ(form->Picture1[0]->size(), QSize(260, 188));
}

TEST_F(Form1Test, WindowLayoutAndMenu) {
    start();
    EXPECT_EQ(form->windowTitle(), "Corvamo");
    EXPECT_EQ(form->centralWidget()->size(), QSize(618, 413));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    const struct {
        QWidget* control;
        QRect geometry;
    } layout[] = {
        {form->Drive1, {8, 8, 169, 21}},        {form->Dir1, {8, 32, 169, 171}},
        {form->File1, {184, 16, 161, 188}},     {form->Picture1[0], {352, 8, 260, 188}},
        {form->Picture6, {352, 200, 256, 9}},   {form->Picture2, {352, 208, 260, 196}},
        {form->Picture8[1], {21, 208, 17, 17}}, {form->Picture8[0], {40, 208, 17, 17}},
        {form->Picture7, {58, 207, 194, 19}},   {form->Picture4, {8, 227, 244, 164}},
        {form->Command1, {255, 207, 89, 30}},   {form->Command2, {256, 256, 89, 30}},
        {form->Command3, {256, 308, 89, 30}},   {form->Command4, {256, 360, 89, 30}},
    };
    for (const auto& item : layout)
        EXPECT_EQ(item.control->geometry(), item.geometry) << item.control->objectName().toStdString();
    EXPECT_EQ(form->Command1->text(), "Save DS Preview");
    EXPECT_EQ(form->Command2->text(), "Save GBA Preview");
    EXPECT_EQ(form->Command3->text(), "Skin VU4 loaders");
    EXPECT_EQ(form->Command4->text(), "Skin DI3 GBA");
    EXPECT_EQ(form->Picture2->toolTip(), "Click to show/hide window");

    const QList<QAction*> menus = form->menuBar()->actions();
    ASSERT_EQ(menus.size(), 4);
    EXPECT_EQ(menus[0]->text(), "&File");
    EXPECT_EQ(menus[1]->text(), "&Skin");
    EXPECT_EQ(menus[2]->text(), "&View");
    EXPECT_EQ(menus[3]->text(), "&Help");
    const QList<QAction*> entries = menus[0]->menu()->actions();
    const struct {
        const char *name, *caption, *shortcut;
        bool checkable;
    } expected[] = {
        {"dummy3", "", "", false},
        {"copyqvkitupbintodrive", "&Copy qvkit_up.bin to drive", "Ctrl+C", true},
        {"dummy4", "", "", false},
        {"showselectbug", "Show select &bug", "Ctrl+B", true},
        {"dummy2", "", "", false},
        {"dividerindspreview", "&Divider in DS preview", "Ctrl+D", true},
        {"savepreviewinskindirectory", "&Save preview in skin directory", "Ctrl+S", true},
        {"savepreviewinsamedirectoryaszip", "Save preview in same directory as &zip", "Ctrl+Z", true},
        {"dummy", "", "", false},
        {"Exit", "E&xit", "Ctrl+X", false},
    };
    ASSERT_EQ(entries.size(), int(std::size(expected)));
    for (int i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i]->objectName(), expected[i].name);
        EXPECT_EQ(entries[i]->isSeparator(), QString(expected[i].caption).isEmpty());
        EXPECT_EQ(entries[i]->text(), expected[i].caption);
        EXPECT_EQ(entries[i]->shortcut().toString(), expected[i].shortcut);
        EXPECT_EQ(entries[i]->isCheckable(), expected[i].checkable);
        EXPECT_FALSE(entries[i]->isChecked());
    }
    const QList<QAction*> skin = menus[1]->menu()->actions();
    const QStringList skinEntries{"checkskin:&Check skin:F7",
                                  "saveskinaszip:&Save skin as zip\u2026:",
                                  "newskinfromtemplate:&New skin from template\u2026:",
                                  "comparewith:Com&pare with\u2026:",
                                  "::",
                                  "makeloadersafe:&Make loader-safe\u2026:",
                                  "undomakeloadersafe:&Undo make loader-safe:"};
    ASSERT_EQ(skin.size(), skinEntries.size());
    for (int i = 0; i < skin.size(); ++i)
        EXPECT_EQ(skin[i]->objectName() + ":" + skin[i]->text() + ":" + skin[i]->shortcut().toString(), skinEntries[i]);
    const QList<QAction*> view = menus[2]->menu()->actions();
    const QStringList viewEntries{"gallery:&Gallery:Ctrl+Shift+G",
                                  "::",
                                  "consolecolours:&Console colours:Ctrl+K",
                                  "::",
                                  "zoom1x:Zoom &1\u00D7:Ctrl+1",
                                  "zoom2x:Zoom &2\u00D7:Ctrl+2",
                                  "zoom3x:Zoom &3\u00D7:Ctrl+3",
                                  "zoom4x:Zoom &4\u00D7:Ctrl+4",
                                  "pixelgrid:Pixel &grid:Ctrl+G",
                                  "sourcebesideconsole:Source &beside console:Ctrl+E",
                                  "::",
                                  "showproblems:Show &problems:Ctrl+P"};
    ASSERT_EQ(view.size(), viewEntries.size());
    for (int i = 0; i < view.size(); ++i)
        EXPECT_EQ(view[i]->objectName() + ":" + view[i]->text() + ":" + view[i]->shortcut().toString(), viewEntries[i]);
    // Off by default, but for the grid that the zoom draws from 3x on, and 1x.
    for (QAction* entry : view)
        EXPECT_EQ(entry->isChecked(), entry->objectName() == "zoom1x" || entry->objectName() == "pixelgrid");
}

TEST_F(Form1Test, PreviewClicksAndOptionsRedrawWhereTheyShould) {
    start();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    int redraws = wb().redrawCount();
    for (int expected : {1, 2, 3, 4, 0}) {
        QTest::mouseClick(form->Picture4, Qt::LeftButton, {}, QPoint(20, 20));
        EXPECT_EQ(wb().state().gbascreen, expected);
        EXPECT_EQ(wb().redrawCount(), ++redraws);
    }
    QTest::mouseClick(form->Picture2, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(wb().state().dswindow, 1);
    form->Picture2_Click();
    EXPECT_EQ(wb().state().dswindow, 0);
    redraws = wb().redrawCount();
    form->showselectbug->trigger();
    EXPECT_TRUE(wb().options().showselectbug);
    EXPECT_EQ(wb().redrawCount(), ++redraws);
    for (QAction* option :
         {form->dividerindspreview, form->savepreviewinskindirectory, form->savepreviewinsamedirectoryaszip})
        option->trigger();
    EXPECT_TRUE(wb().options().dividerindspreview && wb().options().savepreviewinskindirectory &&
                wb().options().savepreviewinsamedirectoryaszip);
    EXPECT_EQ(wb().redrawCount(), redraws);
    form->dividerindspreview->trigger();
    EXPECT_FALSE(wb().options().dividerindspreview);
}

TEST_F(Form1Test, MouseOverPaletteAndSwatchesPicksTheDividerColour) {
    start();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const QColor start = pics().Picture6;
    const QRgb topLeft = pics().Picture7.pixel(0, 0);
    // The palette's drawing area begins inside the 2-pixel border.
    QTest::mousePress(form->Picture7, Qt::RightButton, {}, QPoint(2, 2));
    QTest::mouseRelease(form->Picture7, Qt::RightButton, {}, QPoint(2, 2));
    EXPECT_EQ(pics().Picture6.rgb() & 0xFFFFFF, topLeft ^ 0xFFFFFF);
    QTest::mouseMove(form->Picture7, QPoint(60, 8));  // no button held: the colour stays
    EXPECT_EQ(pics().Picture6.rgb() & 0xFFFFFF, topLeft ^ 0xFFFFFF);
    QTest::mousePress(form->Picture7, Qt::LeftButton, {}, QPoint(1, 1));  // on the border: outside
    EXPECT_EQ(pics().Picture6.rgb() & 0xFFFFFF, topLeft ^ 0xFFFFFF);
    QTest::mouseRelease(form->Picture7, Qt::LeftButton, {}, QPoint(1, 1));

    // Right on the caption-text swatch gives its inverse, left on the menu-text swatch its colour.
    QTest::mousePress(form->Picture8[0], Qt::RightButton, {}, QPoint(8, 8));
    EXPECT_EQ(pics().Picture6.rgb() & 0xFFFFFF, (pics().Picture8[0].rgb() & 0xFFFFFF) ^ 0xFFFFFF);
    QTest::mouseRelease(form->Picture8[0], Qt::RightButton, {}, QPoint(8, 8));
    QTest::mousePress(form->Picture8[1], Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(pics().Picture6, pics().Picture8[1]);
    EXPECT_NE(start, QColor());
}

TEST_F(Form1Test, SaveButtonsWriteThePreviewsAndSayWhere) {
    MakeZip(box.skins + "/a.zip", {{"mainBG.jpg", WorkbenchSandbox::picture(256, 192, Green, "JPG")},
                                   {"subBG.jpg", WorkbenchSandbox::picture(256, 192, Blue, "JPG")}});
    start();
    form->setDir1Path(box.skins);
    ASSERT_TRUE(form->clickFile1("a.zip"));
    for (QPushButton* button : {form->Command1, form->Command2}) {
        messages.texts.clear();
        button->click();
        ASSERT_EQ(messages.texts.size(), 1) << button->text().toStdString();
        const QString text = messages.texts[0];
        ASSERT_TRUE(text.endsWith(" saved.")) << text.toStdString();
        EXPECT_FALSE(QImage(text.chopped(int(qstrlen(" saved.")))).isNull()) << text.toStdString();
    }
    EXPECT_EQ(wb().state().dswindow, 1);  // the DS export shows the window element
}

TEST_F(Form1Test, CloseAndExitRunTheCleanUpScriptOnce) {
    WorkbenchSandbox::write(box.app + "/cleanup.bat", "echo cleanup >> \"$(dirname \"$0\")/log\"\n");
    start();
    form->show();
    form->Exit->trigger();
    EXPECT_FALSE(form->isVisible());
    form->close();
    EXPECT_EQ(WorkbenchSandbox::read(box.app + "/log"), "cleanup\n");
    EXPECT_EQ(host->shellCalls, QStringList{box.app + "/cleanup.bat"});
}

TEST_F(Form1Test, HostFailuresAreReportedAndTheRestLoads) {
    const QString skin = box.skins + "/s";
    WorkbenchSandbox::write(skin + "/mainBG.jpg", WorkbenchSandbox::picture(256, 192, Green, "JPG"));
    WorkbenchSandbox::write(skin + "/subBG.jpg", WorkbenchSandbox::picture(256, 192, Blue, "JPG"));
    start();
    host->failCopiesTo = {"subBG.jpg"};
    form->setDir1Path(skin);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].contains("subBG.jpg"));
    EXPECT_TRUE(pics().Picture1[0].hasPicture());
    EXPECT_FALSE(pics().Picture1[1].hasPicture());

    messages.texts.clear();
    host->unlistableFolders = {box.root + "/locked"};
    QDir().mkpath(box.root + "/locked");
    form->setDir1Path(box.root + "/locked");
    ASSERT_FALSE(messages.texts.isEmpty());
    EXPECT_TRUE(messages.texts[0].contains("cannot be read"));
    EXPECT_EQ(form->File1->count(), 0);
}

TEST_F(Form1Test, DamagedArchiveLoadsWhatCouldBeExtracted) {
    const QByteArray noise = WorkbenchSandbox::noise(40000);
    MakeZip(box.skins + "/cut.zip",
            {{"mainBG.jpg", WorkbenchSandbox::picture(256, 192, Green, "JPG")}, {"subBG.bmp", noise}});
    QFile file(box.skins + "/cut.zip");
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(file.size() - 30000));
    file.close();
    start();
    form->setDir1Path(box.skins);
    ASSERT_TRUE(form->clickFile1("cut.zip"));
    EXPECT_TRUE(pics().Picture1[0].hasPicture());
    EXPECT_FALSE(pics().Picture1[1].hasPicture());
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].contains("damaged"));
    EXPECT_EQ(wb().redrawCount(), 1);
}

TEST_F(Form1Test, ClearingNeverFollowsALinkOutOfTheTemporaryFolder) {
    WorkbenchSandbox::write(box.root + "/precious/keep.txt", "keep");
    start();
    QDir().mkpath(temp() + "sub");
    WorkbenchSandbox::write(temp() + "sub/.hidden", "x");
    ASSERT_EQ(symlink((box.root + "/precious").toUtf8().constData(), (temp() + "link").toUtf8().constData()), 0);
    wb().DeleteDirectory(temp().chopped(1));
    EXPECT_EQ(WorkbenchSandbox::read(box.root + "/precious/keep.txt"), "keep");
    EXPECT_FALSE(QFileInfo(temp() + "link").isSymLink());
    EXPECT_FALSE(QFileInfo::exists(temp() + "sub"));  // folders go too: every load starts from an empty folder
    EXPECT_TRUE(QFileInfo(temp()).isDir());

    // The temporary folder itself made a link: it is replaced, never emptied through the link.
    ASSERT_TRUE(QDir(temp()).removeRecursively());
    ASSERT_EQ(symlink((box.root + "/precious").toUtf8().constData(), temp().chopped(1).toUtf8().constData()), 0);
    WorkbenchSandbox::write(box.skins + "/mainBG.jpg", WorkbenchSandbox::picture(256, 192, Green, "JPG"));
    form->setDir1Path(box.skins);
    EXPECT_EQ(WorkbenchSandbox::read(box.root + "/precious/keep.txt"), "keep");
    EXPECT_FALSE(QFileInfo(temp().chopped(1)).isSymLink());
    EXPECT_TRUE(pics().Picture1[0].hasPicture());
}

TEST_F(Form1Test, SampleSkinArchiveFillsEverySlot) {
    ASSERT_TRUE(QFileInfo::exists(CORVAMO_SAMPLE_SKIN_ZIP));
    QFile::copy(CORVAMO_SAMPLE_SKIN_ZIP, box.skins + "/SampleSkin.zip");
    start();
    form->setDir1Path(box.skins);
    ASSERT_TRUE(form->clickFile1("SampleSkin.zip"));
    for (const Picture& slot : pics().Picture1) EXPECT_TRUE(slot.hasPicture());
    for (const Picture& slot : pics().Picture5) EXPECT_TRUE(slot.hasPicture());
    EXPECT_EQ(pics().Picture1[0].width(), 256);
    EXPECT_EQ(pics().Picture5[2].height(), 240);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('\n').toStdString();
}

TEST_F(Form1Test, OpenSkinLoadsAsTheListsWouldAndReturnsOnlyWhatTheSkinItselfSaid) {
    const QString far = box.skins + "/far";
    WorkbenchSandbox::write(far + "/subBG.jpg", WorkbenchSandbox::picture(256, 192, Blue, "JPG"));
    MakeZip(far + "/Green.zip", {{"mainBG.jpg", WorkbenchSandbox::picture(256, 192, Green, "JPG")}});
    WorkbenchSandbox::write(far + "/cut.zip", "PK\x03\x04 not really");
    WorkbenchSandbox::write(far + "/notes.txt", "text");
    start();
    host->failCopiesTo = {"subBG.jpg"};

    // The folder list moves to the archive's folder first, which says its own skin file failed;
    // that is shown but is not the archive's problem.
    const Status opened = wb().openSkin(far + "/Green.zip");
    EXPECT_TRUE(opened.ok) << opened.message.toStdString();
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].contains("subBG.jpg"));
    EXPECT_EQ(wb().dirPath(), far);
    EXPECT_EQ(wb().selectedFile(), "Green.zip");
    EXPECT_EQ(wb().loadedSkin(), (Workbench::LoadedSkin{Workbench::LoadedSkin::Archive, far + "/Green.zip"}));
    EXPECT_TRUE(pics().Picture1[0].hasPicture());

    const struct {
        QString path;
        const char* says;
    } failures[] = {
        {far, "subBG.jpg"},  // the folder's own copy failure is the folder skin's problem
        {far + "/cut.zip", "cut.zip"},
        {far + "/notes.txt", "neither a skin folder nor a .zip archive"},
        {far + "/gone.zip", "no such skin folder or archive"},
    };
    for (const auto& row : failures) {
        const Status status = wb().openSkin(row.path);
        EXPECT_FALSE(status.ok) << row.path.toStdString();
        EXPECT_TRUE(status.message.contains(row.says)) << status.message.toStdString();
    }
}
