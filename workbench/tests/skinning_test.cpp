#include "../../samples/sample_skin.h"
#include "copy_to.h"
#include "form1.h"
#include "testsupport/package.h"
#include "workbench_sandbox.h"

#include <QAction>
#include <QComboBox>
#include <QCryptographicHash>
#include <QPushButton>

using namespace corvamo;

using namespace testing_sandbox;

namespace {

const char* const Scripts[] = {"Skin_it.bat", "skin_txt.bat", "di3gba.bat", "cleanup.bat"};

class SkinningTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // Recording scripts: each appends its name to script.log.
        for (const char* script : Scripts)
            WorkbenchSandbox::write(box.app + "/" + script,
                                    QByteArray("echo ") + script + " >> \"$(dirname \"$0\")/script.log\"\n");
        WorkbenchSandbox::write(box.app + "/qvkit_up.bin", "LOADER");
    }
    // A folder skin of the given files, loaded as the user would.
    void loadSkin(const std::map<QString, QByteArray>& files) {
        const QString skin = box.skins + "/skin";
        for (const auto& [name, data] : files) WorkbenchSandbox::write(skin + "/" + name, data);
        if (!form) start();
        form->setDir1Path(skin);
    }
    QStringList log() const {
        return QString::fromUtf8(WorkbenchSandbox::read(box.app + "/script.log")).split('\n', Qt::SkipEmptyParts);
    }
    QByteArray app(const QString& name) const { return WorkbenchSandbox::read(box.app + "/" + name); }
};

const QByteArray Jpg = WorkbenchSandbox::picture(256, 192, 0x336699, "JPG");
const QByteArray Bmp = WorkbenchSandbox::picture(24, 240, 0x993366, "BMP");

}  // namespace

TEST_F(SkinningTest, SkinWithoutTextFileRunsSkinItAndCopiesTheImageToTheCurrentVolume) {
    WorkbenchSandbox::write(box.app + "/text.txt", "old text");
    loadSkin({{"mainBG.jpg", Jpg},
              {"deskicon.bmp", Bmp},
              {"textscrollback.bmp", Bmp},
              {"asc.dat", "asc"},
              {"hzk.dat", "hzk"},
              {"help.txt", "help"},
              {"mainBG.bmp", Bmp}});
    form->Command3->click();

    EXPECT_FALSE(QFileInfo::exists(box.app + "/text.txt"));
    EXPECT_EQ(log(), QStringList{"Skin_it.bat"});
    EXPECT_EQ(WorkbenchSandbox::tree(box.app + "/nds"), (QStringList{"/asc.dat", "/hzk.dat", "/mainBG.jpg"}));
    EXPECT_EQ(WorkbenchSandbox::tree(box.app + "/gba/.shell"),
              (QStringList{"/asc.dat", "/bmp/TextScrollBack.BMP", "/bmp/deskicon.bmp", "/help.txt", "/hzk.dat"}));
    EXPECT_EQ(app("gba/.shell/help.txt"), "help");
    // The JPEG made from the BMP is installed, never the BMP itself.
    EXPECT_EQ(app("nds/mainBG.jpg"), WorkbenchSandbox::read(temp() + "mainBG.jpg"));
    // Never opened: the copy-to window is created hidden, on the volume of the program folder.
    ASSERT_NE(form->copyTo(), nullptr);
    EXPECT_FALSE(form->copyTo()->isVisible());
    EXPECT_EQ(WorkbenchSandbox::read(box.root + "/qvkit_up.bin"), "LOADER");
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('\n').toStdString();

    // Shut-down unloads it and runs the clean-up script.
    form->close();
    EXPECT_EQ(form->copyTo(), nullptr);
    EXPECT_EQ(log(), (QStringList{"Skin_it.bat", "cleanup.bat"}));
}

TEST_F(SkinningTest, SkinWithTextFileReplacesTheProgramFoldersCopyAndRunsSkinTxt) {
    WorkbenchSandbox::write(box.app + "/TEXT.TXT", "old text");
    loadSkin({{"Text.txt", "new text"}});
    form->Command3->click();
    EXPECT_EQ(WorkbenchSandbox::tree(box.app).filter(
                  QRegularExpression("^/text.txt$", QRegularExpression::CaseInsensitiveOption)),
              QStringList{"/text.txt"});
    EXPECT_EQ(app("text.txt"), "new text");
    EXPECT_EQ(log(), QStringList{"skin_txt.bat"});
}

TEST_F(SkinningTest, MissingPicturesAndDataFilesKeepTheEarlierOnes) {
    WorkbenchSandbox::write(box.app + "/nds/subBG.jpg", "earlier subBG");
    WorkbenchSandbox::write(box.app + "/nds/asc.dat", "earlier asc");
    WorkbenchSandbox::write(box.app + "/gba/.shell/bmp/x.bmp", "earlier x");
    loadSkin({{"mainBG.jpg", Jpg}, {"hzk.dat", "hzk"}});
    form->Command3->click();
    EXPECT_EQ(app("nds/subBG.jpg"), "earlier subBG");
    EXPECT_EQ(app("gba/.shell/bmp/x.bmp"), "earlier x");
    EXPECT_EQ(app("gba/.shell/asc.dat"), "earlier asc");  // the asc.dat already in nds/
    EXPECT_EQ(app("gba/.shell/hzk.dat"), "hzk");
    EXPECT_TRUE(QFileInfo::exists(box.app + "/nds/mainBG.jpg"));
}

TEST_F(SkinningTest, NoSkinLoadedStillRunsTheScript) {
    WorkbenchSandbox::write(box.app + "/text.txt", "old text");
    start();
    form->Command3->click();
    EXPECT_TRUE(WorkbenchSandbox::tree(box.app + "/nds").isEmpty());
    EXPECT_FALSE(QFileInfo::exists(box.app + "/text.txt"));
    EXPECT_EQ(log(), QStringList{"Skin_it.bat"});
}

TEST_F(SkinningTest, MissingScriptIsReportedOnceAndTheImageStillCopied) {
    QFile::remove(box.app + "/Skin_it.bat");
    loadSkin({{"mainBG.jpg", Jpg}});
    form->Command3->click();
    EXPECT_EQ(messages.texts, QStringList{"Skin_it.bat is missing. Please reinstall the program."});
    EXPECT_EQ(WorkbenchSandbox::read(box.root + "/qvkit_up.bin"), "LOADER");

    messages.texts.clear();
    QFile::remove(box.app + "/di3gba.bat");
    form->Command4->click();
    EXPECT_EQ(messages.texts, QStringList{"di3gba.bat is missing. Please reinstall the program."});
}

TEST_F(SkinningTest, MissingLoaderImageAsksAndTouchesNoVolume) {
    QFile::remove(box.app + "/qvkit_up.bin");
    WorkbenchSandbox::write(box.volA + "qvkit_up.bin", "OLD LOADER ON CARD");
    loadSkin({{"mainBG.jpg", Jpg}});
    const QStringList volumeBefore = WorkbenchSandbox::tree(box.volA);
    const QString question =
        "qvkit_up.bin not found! Please download the VU4Kernel from www.example.com. Extract qvkit_up.bin to program "
        "directory to and run again. Do you want to open this site in your browser?";
    for (bool yes : {false, true}) {
        messages.texts.clear();
        messages.answers = {yes};
        form->Command3->click();
        QStringList expected{question};
        if (yes)  // no browser in the test host
            expected << "The browser could not be opened. Please visit www.example.com in your browser to download the "
                        "newest VU4Kernel.";
        EXPECT_EQ(messages.texts, expected);
        EXPECT_EQ(form->copyTo(), nullptr);
        EXPECT_EQ(WorkbenchSandbox::tree(box.volA), volumeBefore);
        EXPECT_EQ(WorkbenchSandbox::read(box.volA + "qvkit_up.bin"), "OLD LOADER ON CARD");
        EXPECT_FALSE(QFileInfo::exists(box.root + "/qvkit_up.bin"));
    }
}

TEST_F(SkinningTest, CopyToChoiceSurvivesUnticking) {
    start();
    form->copyqvkitupbintodrive->trigger();
    CopyTo* dialog = form->copyTo();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), "Copy qvkit_up.bin to...");
    EXPECT_EQ(dialog->size(), QSize(265, 42));
    EXPECT_EQ(dialog->OKButton->geometry(), QRect(176, 8, 81, 25));
    EXPECT_EQ(dialog->Drive1->geometry(), QRect(8, 8, 161, 21));
    EXPECT_EQ(dialog->Drive1->currentData().toString(), box.root + "/");  // the current volume
    const int card = dialog->Drive1->findText(box.volA + " [CARD]");
    ASSERT_GE(card, 0);
    dialog->Drive1->setCurrentIndex(card);
    dialog->OKButton->click();
    EXPECT_FALSE(dialog->isVisible());
    form->copyqvkitupbintodrive->trigger();  // unticked: not shown again
    EXPECT_FALSE(form->copyqvkitupbintodrive->isChecked());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(form->copyTo(), dialog);

    form->Command3->click();
    EXPECT_EQ(WorkbenchSandbox::read(box.volA + "qvkit_up.bin"), "LOADER");  // only the root path of the entry
    EXPECT_FALSE(QFileInfo::exists(box.root + "/qvkit_up.bin"));
}

TEST_F(SkinningTest, FailingCopyStopsDi3ButNotVu4) {
    loadSkin({{"mainBG.jpg", Jpg}, {"deskicon.bmp", Bmp}, {"x.bmp", Bmp}, {"help.txt", "help"}});
    host->failCopiesTo = {"deskicon.bmp"};
    form->Command4->click();
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].startsWith("Skin DI3 GBA stopped: ")) << messages.texts[0].toStdString();
    EXPECT_TRUE(messages.texts[0].contains("deskicon.bmp"));
    EXPECT_TRUE(log().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(box.app + "/nds/mainBG.jpg"));         // copied before the failure
    EXPECT_FALSE(QFileInfo::exists(box.app + "/gba/.shell/bmp/x.bmp"));  // not after it
    EXPECT_FALSE(QFileInfo::exists(box.app + "/gba/.shell/help.txt"));

    messages.texts.clear();
    form->Command3->click();
    EXPECT_EQ(log(), QStringList{"Skin_it.bat"});
    EXPECT_EQ(WorkbenchSandbox::read(box.root + "/qvkit_up.bin"), "LOADER");
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].contains("deskicon.bmp"));

    // With the copy working again, DI3 runs its script.
    messages.texts.clear();
    host->failCopiesTo.clear();
    form->Command4->click();
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(log().last(), "di3gba.bat");
    EXPECT_EQ(app("gba/.shell/help.txt"), "help");
}

TEST_F(SkinningTest, FailedCopyToTheVolumeIsReportedAndKeepsTheOldImage) {
    WorkbenchSandbox::write(box.root + "/qvkit_up.bin", "OLD");
    loadSkin({{"mainBG.jpg", Jpg}});
    host->failCopiesTo = {"qvkit_up.bin"};
    form->Command3->click();
    EXPECT_EQ(WorkbenchSandbox::read(box.root + "/qvkit_up.bin"), "OLD");
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].contains("qvkit_up.bin could not be copied"));
}

TEST_F(SkinningTest, WritesNothingOutsideTheProgramFolderAndTheChosenVolume) {
    const auto snapshot = [&] {
        std::map<QString, QByteArray> files;
        for (const QString& file : WorkbenchSandbox::tree(box.root))
            files[file] = QCryptographicHash::hash(WorkbenchSandbox::read(box.root + file), QCryptographicHash::Sha1);
        return files;
    };
    loadSkin({{"mainBG.jpg", Jpg}, {"asc.dat", "asc"}, {"text.txt", "t"}});
    WorkbenchSandbox::write(box.volB + "qvkit_up.bin", "B");
    const auto before = snapshot();
    form->copyqvkitupbintodrive->trigger();
    form->copyTo()->Drive1->setCurrentIndex(form->copyTo()->Drive1->findData(box.volA));
    form->copyTo()->OKButton->click();
    form->Command3->click();
    form->Command4->click();
    const auto after = snapshot();
    QStringList changed;
    for (const auto& [file, hash] : after)
        if (!before.count(file) || before.at(file) != hash) changed << file;
    for (const auto& [file, hash] : before)
        if (!after.count(file)) changed << file;
    for (const QString& file : changed)
        EXPECT_TRUE(file.startsWith("/app/") || file.startsWith("/volA/")) << file.toStdString();
    EXPECT_TRUE(changed.contains("/volA/qvkit_up.bin"));
}

namespace {
// The items of the FS package in a loader ROM, read by the one independent reader: name to data.
std::map<QString, QByteArray> PackageItems(const QString& rom) {
    const testsupport::Package package = testsupport::ReadPackage(QFile::encodeName(rom).toStdString());
    EXPECT_TRUE(package.ok()) << package.problem;
    std::map<QString, QByteArray> items;
    for (const testsupport::PackageItem& item : package.items)
        items[QString::fromStdString(item.name)] = QByteArray::fromStdString(item.data);
    return items;
}
}  // namespace

TEST_F(SkinningTest, WholeRoadWithTheShippedScripts) {
    const QString dist = CORVAMO_DIST_DIR;
    ASSERT_TRUE(QFileInfo(dist + "/gba/Lindquay").isExecutable());
    ASSERT_TRUE(QFileInfo::exists(CORVAMO_SAMPLE_SKIN_ZIP));
    for (const char* script : Scripts) QFile::remove(box.app + "/" + script);
    for (const char* script : Scripts) ASSERT_TRUE(QFile::copy(dist + "/" + script, box.app + "/" + script));
    for (const QString& file : QDir(dist + "/gba").entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(dist + "/gba/" + file, box.app + "/gba/" + file));
    QFile::copy(CORVAMO_SAMPLE_SKIN_ZIP, box.skins + "/SampleSkin.zip");
    start();
    form->setDir1Path(box.skins);
    ASSERT_TRUE(form->clickFile1("SampleSkin.zip"));
    form->Command3->click();
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('\n').toStdString();

    const auto items = PackageItems(box.app + "/gba/vu4shell.gba");
    ASSERT_FALSE(items.empty());
    EXPECT_TRUE(items.count("\\.shell\\help.txt"));
    EXPECT_EQ(WorkbenchSandbox::read(box.root + "/qvkit_up.bin"), "LOADER");
    // The clean-up script removes what the build left and keeps the ROM.
    form->close();
    EXPECT_FALSE(QFileInfo::exists(box.app + "/gba/fs"));
    EXPECT_TRUE(QFileInfo::exists(box.app + "/gba/vu4shell.gba"));
    for (int slot : {2, 5, 13}) {
        const QString name = "\\.shell\\bmp\\" + sample_skin::ExtraNames()[slot];
        ASSERT_TRUE(items.count(name)) << name.toStdString();
        const QByteArray& data = items.at(name);
        ASSERT_NE(data, WorkbenchSandbox::read(box.app + "/gba/.shell/bmp/" + sample_skin::ExtraNames()[slot]))
            << name.toStdString() << " was packed unchanged instead of as picture16";
        const QImage picture = sample_skin::ExtraPicture(slot);
        const int w4 = (picture.width() + 3) / 4 * 4;
        ASSERT_EQ(data.size(), 8 + w4 * picture.height() * 2) << name.toStdString();
        EXPECT_EQ(data.left(2), "BM");
        EXPECT_EQ(quint8(data[4]) | quint8(data[5]) << 8, w4);
        EXPECT_EQ(quint8(data[6]) | quint8(data[7]) << 8, picture.height());
        // Every pixel is the skin's pixel in 15-bit colour.
        int wrong = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb c = picture.pixel(x, y);
                const int expected = ((qBlue(c) & 0xF8) << 7) | ((qGreen(c) & 0xF8) << 2) | (qRed(c) >> 3);
                const qsizetype at = 8 + 2 * (qsizetype(y) * w4 + x);
                wrong += (quint8(data[at]) | quint8(data[at + 1]) << 8) != expected;
            }
        EXPECT_EQ(wrong, 0) << name.toStdString();
    }
}
