// Skin collections: the gallery and the comparison through the real window (offscreen), the
// contact sheet and the index through the real binary, on a folder of good, broken and mixed skins.
#include "broken_skin.h"
#include "collection/contact_sheet.h"
#include "command_line.h"
#include "compare_window.h"
#include "font_set_up.h"
#include "gallery_window.h"
#include "preview_views.h"
#include "program.h"
#include "skin/catalogue.h"
#include "skin/skin_files.h"
#include "workbench.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <functional>

using namespace corvamo;

using namespace testing_sandbox;

namespace {

// The folder of skins every test here browses: a sample archive, the sample as a folder, a skin
// broken on purpose, an archive that is no zip, and one more archive that differs from the sample
// in one picture.
struct Collection {
    explicit Collection(const WorkbenchSandbox& box) : folder(box.skins) {
        QFile::copy(CORVAMO_SAMPLE_SKIN_ZIP, folder + "/Sample.zip");
        QDir().mkpath(folder + "/SampleFolder");
        for (const QString& name : QDir(CORVAMO_SAMPLE_SKIN_DIR).entryList(QDir::Files))
            QFile::copy(QStringLiteral(CORVAMO_SAMPLE_SKIN_DIR "/") + name, folder + "/SampleFolder/" + name);
        broken_skin::Make(folder + "/Broken");
        WorkbenchSandbox::write(folder + "/NotAZip.zip", "these bytes are no zip archive");
        WorkbenchSandbox::write(folder + "/notes.txt", "not a skin");
        Red();
    }
    // The sample with a red logo.
    void Red() const {
        ZipFolder(CORVAMO_SAMPLE_SKIN_DIR, folder + "/Red.zip");
        std::vector<Entry> entries;
        for (const auto& [name, data] : ReadZip(folder + "/Red.zip"))
            entries.push_back(
                {name, name == "qvpdalogo.bmp" ? WorkbenchSandbox::picture(240, 160, 0xFF0000, "BMP") : data});
        MakeZip(folder + "/Red.zip", entries);
    }
    QString operator/(const QString& name) const { return folder + "/" + name; }
    QString folder;
};

int Count(const SkinReport& report, Finding::Level level) { return report.count(level); }

class CollectionWindow : public WindowTest {
protected:
    GalleryWindow& openGallery() {
        form->gallery->trigger();
        GalleryWindow* gallery = form->galleryWindow();
        EXPECT_NE(gallery, nullptr);
        EXPECT_TRUE(WaitUntil([&] { return !gallery->model().working() && gallery->model().readyCount() > 0; }, 60000));
        return *gallery;
    }
};

}  // namespace

TEST(CollectionArguments, OnePathOpensTheWindowWithIt) {
    const struct {
        QStringList arguments;
        Command::Mode mode;
        QStringList operands;
    } rows[] = {
        {{}, Command::Window, {}},
        {{"Skin.zip"}, Command::Window, {"Skin.zip"}},
        {{"/skins/My Skin"}, Command::Window, {"/skins/My Skin"}},
        {{"A.zip", "B.zip"}, Command::Usage, {}},
        {{"-style"}, Command::Usage, {}},
        {{"--index", "A.zip", "-x"}, Command::Index, {"A.zip", "-x"}},
        {{"--contact-sheet", "out.png", "A"}, Command::ContactSheet, {"out.png", "A"}},
    };
    for (const auto& row : rows) {
        const Command command = ParseArguments(row.arguments);
        EXPECT_EQ(command.mode, row.mode) << row.arguments.join(' ').toStdString();
        if (row.mode != Command::Usage) {
            EXPECT_EQ(command.operands, row.operands);
        }
    }
}

TEST(CollectionProgram, IndexPrintsOneObjectPerSkinAsTheCheckFindsIt) {
    WorkbenchSandbox box;
    const Collection skins(box);
    const ProgramRun run = RunCorvamo(box, {"--index", skins.folder, skins / "Gone.zip"});
    EXPECT_EQ(run.code, 1);
    // Every skin that could not be read is named; the others are still done.
    EXPECT_TRUE(run.err.contains(skins / "NotAZip.zip")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(skins / "Gone.zip: no such skin folder or archive")) << run.err.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    const QStringList expected{skins / "Broken", skins / "Red.zip", skins / "Sample.zip", skins / "SampleFolder"};
    ASSERT_EQ(lines.size(), expected.size()) << run.out.toStdString();
    const Host host;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QJsonObject object = QJsonDocument::fromJson(lines[i].toUtf8()).object();
        const QString path = expected[i];
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(object["path"].toString(), path);
        EXPECT_EQ(object["name"].toString(), QFileInfo(path).fileName());
        EXPECT_EQ(object["form"].toString(), path.endsWith(".zip") ? "archive" : "folder");
        // Read back against the check itself.
        const SkinFiles files = SkinFiles::Open(path, box.root + "/scratch", host);
        const SkinReport report = CheckSkin(files);
        EXPECT_EQ(object["errors"].toArray().size(), Count(report, Finding::Error));
        EXPECT_EQ(object["warnings"].toArray().size(), Count(report, Finding::Warning));
        EXPECT_EQ(object["notes"].toArray().size(), Count(report, Finding::Note));
        const char* const keys[] = {"errors", "warnings", "notes"};
        for (const Finding::Level level : {Finding::Error, Finding::Warning, Finding::Note}) {
            const QJsonArray listed = object[keys[level]].toArray();
            int at = 0;
            for (const Finding& finding : report.findings)
                if (finding.level == level && at < listed.size()) {
                    EXPECT_EQ(listed[at].toObject()["file"].toString(), finding.file);
                    EXPECT_EQ(listed[at++].toObject()["text"].toString(), finding.text);
                }
        }
        qint64 size = 0;
        int pictures = 0;
        for (const QString& name : Catalogue::Split(Catalogue::SkinFileNames))
            if (const QString found = files.find(name); !found.isEmpty()) {
                size += QFileInfo(found).size();
                pictures += name.endsWith(".txt") || name.endsWith(".dat") ? 0 : 1;
            }
        EXPECT_EQ(object["size"].toInteger(), path.endsWith(".zip") ? QFileInfo(path).size() : size);
        EXPECT_EQ(object["pictures"].toArray().size(), pictures);
    }
}

TEST(CollectionProgram, ContactSheetShowsEverySkinsPreviewsInAGrid) {
    WorkbenchSandbox box;
    const Collection skins(box);
    const QString sheet = box.root + "/sheet.png";
    const ProgramRun run = RunCorvamo(box, {"--contact-sheet", sheet, skins.folder});
    EXPECT_EQ(run.code, 1);  // the archive that is no zip
    EXPECT_TRUE(run.err.contains(skins / "NotAZip.zip: The archive")) << run.err.toStdString();
    EXPECT_EQ(run.out, sheet + " saved (5 skins).\n");
    const QImage read(sheet);
    ASSERT_FALSE(read.isNull());
    using L = ContactSheetLayout;
    EXPECT_EQ(read.width(), L::Margin + 4 * (L::cellWidth() + L::Margin));
    EXPECT_EQ(read.height(), L::Margin + 2 * (L::cellHeight() + L::Margin));

    // Each cell holds the skin's exported previews, scaled: the sample's cell against its JPEGs.
    ASSERT_EQ(RunCorvamo(box, {"--export-previews", skins / "Sample.zip"}).code, 0);
    const QImage expected = ThumbnailOf(QImage(skins / "Sample-DS-Preview.jpg"),
                                        QImage(skins / "Sample-GBA-Preview.jpg"), L::ThumbnailHeight);
    const QImage cell = read.copy(L::Margin + 3 * (L::cellWidth() + L::Margin), L::Margin, L::cellWidth(),
                                  L::ThumbnailHeight);  // Broken, NotAZip, Red, Sample, SampleFolder
    int far = 0;
    for (int y = 0; y < cell.height(); ++y)
        for (int x = 0; x < cell.width(); ++x) {
            const QRgb a = cell.pixel(x, y), b = expected.pixel(x, y);
            far += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) > 48;
        }
    EXPECT_LT(far, cell.width() * cell.height() / 100);
}

TEST_F(CollectionWindow, GalleryShowsTheFolderAsTheExportsAndTheCheckSeeIt) {
    const Collection skins(box);
    start();
    form->setDir1Path(skins.folder);
    GalleryWindow& gallery = openGallery();
    GalleryModel& model = gallery.model();
    ASSERT_TRUE(WaitUntil([&] { return model.readyCount() == 5; }, 60000));
    EXPECT_EQ(gallery.list()->count(), 5);
    EXPECT_EQ(gallery.progressBar()->value(), 5);
    const Host reader;
    for (const GalleryModel::Item& item : model.items()) {
        const SkinSummary& s = item.summary;
        SCOPED_TRACE(s.path.toStdString());
        const SkinReport report = CheckSkin(SkinFiles::Open(s.path, box.root + "/scratch", reader));
        EXPECT_EQ(s.errors, Count(report, Finding::Error));
        EXPECT_EQ(s.warnings, Count(report, Finding::Warning));
        if (s.name == "NotAZip.zip") {
            EXPECT_TRUE(s.status.message.contains("is not a zip archive")) << s.status.message.toStdString();
            EXPECT_EQ(GalleryWindow::BadgeText(item), "cannot be shown");
            continue;
        }
        EXPECT_TRUE(s.status.ok) << s.status.message.toStdString();
        // A click loads the skin as the lists would; its thumbnail is the window's own exports, scaled.
        QListWidgetItem* entry = gallery.list()->item(model.indexOf(s.path));
        QTest::mouseClick(gallery.list()->viewport(), Qt::LeftButton, {},
                          gallery.list()->visualItemRect(entry).center());
        ASSERT_EQ(wb().loadedSkin().path, s.path);
        const QImage ds = wb().drawPreview(PreviewKind::Ds).image();
        EXPECT_EQ(s.thumbnail, ThumbnailOf(ds, wb().drawPreview(PreviewKind::Gba).image(), 96));
    }
    // The gallery stayed on the folder while folder skins were opened.
    EXPECT_EQ(model.folder(), skins.folder);

    // A changed skin is drawn again; a warm cache gives the same thumbnails at once.
    const QImage red = model.items()[size_t(model.indexOf(skins / "Red.zip"))].summary.thumbnail;
    MakeZip(skins / "Red.zip", {{"qvpdalogo.bmp", WorkbenchSandbox::picture(240, 160, 0x00FF00, "BMP")}});
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto& item = model.items()[size_t(model.indexOf(skins / "Red.zip"))];
            return item.ready && item.summary.thumbnail != red;
        },
        60000));
    GalleryModel warm(box.cache().root, box.cache().thumbnails());
    warm.setFolder(skins.folder);
    EXPECT_EQ(warm.readyCount(), 5);
    EXPECT_FALSE(warm.working());
    // A skin that could not be shown stays so, with its reason, when its summary comes from the cache.
    for (size_t i = 0; i < warm.items().size(); ++i) {
        EXPECT_EQ(warm.items()[i].summary.thumbnail, model.items()[i].summary.thumbnail);
        EXPECT_EQ(warm.items()[i].summary.broken(), model.items()[i].summary.broken());
        EXPECT_EQ(warm.items()[i].summary.status.message, model.items()[i].summary.status.message);
    }
}

TEST_F(CollectionWindow, CompareShowsTheSameScreenOfBothAndTheirDifferences) {
    const Collection skins(box);
    start();
    form->setDir1Path(skins.folder);
    GalleryWindow& gallery = openGallery();
    ASSERT_TRUE(WaitUntil([&] { return gallery.model().readyCount() == 5; }, 60000));
    for (const char* name : {"Red.zip", "Sample.zip"})
        gallery.list()->item(gallery.model().indexOf(skins / name))->setSelected(true);
    ASSERT_TRUE(gallery.compareButton()->isEnabled());
    gallery.compareButton()->click();
    CompareWindow* compare = form->compareWindow();
    ASSERT_NE(compare, nullptr);

    const struct {
        int screen;  // row of the screen list
        bool window, differ;
    } rows[] = {
        {0, false, true},   // GBA logo: the red one differs everywhere the logo shows
        {4, false, false},  // GBA file manager covers the logo
        {6, false, false},  // DS lower screen
        {6, true, false},   // with the window element
    };
    for (const auto& row : rows) {
        compare->screenChoice()->setCurrentIndex(row.screen);
        compare->windowElement()->setChecked(row.window);
        compare->differences()->setChecked(false);
        EXPECT_EQ(compare->differingPixels() > 0, row.differ) << row.screen;
        EXPECT_EQ(compare->shown(0).size(), compare->shown(1).size());
        // The right side is what the window shows for that skin.
        wb().archiveChosen(skins.folder, "Sample.zip");
        setView(row.window ? 1 : 0, row.screen < 5 ? row.screen : 0);
        EXPECT_EQ(compare->shown(1), (row.screen < 5 ? pics().Picture4 : pics().Picture2).image()) << row.screen;
        compare->differences()->setChecked(true);
        int magenta = 0;
        for (int y = 0; y < compare->shown(0).height(); ++y)
            for (int x = 0; x < compare->shown(0).width(); ++x)
                magenta += compare->shown(0).pixel(x, y) == qRgb(255, 0, 255);
        EXPECT_EQ(magenta, compare->differingPixels()) << row.screen;
    }
}

TEST_F(CollectionWindow, CompareTwoArchivesChosenFromTheFileList) {
    const Collection skins(box);
    start();
    form->comparewith->trigger();  // nothing loaded yet
    EXPECT_EQ(messages.texts.join(""), "No skin is loaded: open a skin folder or click a skin archive first.");
    form->setDir1Path(skins.folder);
    form->views()->consolecolours->trigger();
    form->views()->zoom3x->trigger();
    QListWidget* list = form->File1;
    form->show();
    // Clicks through the window system, as a user's are: a right press there opens a context menu.
    const auto click = [&](Qt::MouseButton button, const QString& name) {
        const QPoint at = list->visualItemRect(list->findItems(name, Qt::MatchExactly).front()).center();
        QTest::mouseClick(form->windowHandle(), button, {}, list->viewport()->mapTo(form.get(), at));
    };
    click(Qt::LeftButton, "Sample.zip");
    ASSERT_EQ(wb().loadedSkin().path, skins / "Sample.zip");

    // A right click loads nothing and leaves the list's mark on the loaded archive; its menu
    // compares that archive with the loaded skin (not with itself).
    const struct {
        QString entry;
        bool enabled;
    } rows[] = {{"Sample.zip", false}, {"Red.zip", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.entry.toStdString());
        click(Qt::RightButton, row.entry);
        ASSERT_TRUE(WaitUntil([&] { return form->File1Menu->isVisible(); }));
        EXPECT_EQ(wb().loadedSkin().path, skins / "Sample.zip");
        EXPECT_EQ(list->currentItem()->text(), "Sample.zip");
        EXPECT_EQ(form->comparewithloadedskin->isEnabled(), row.enabled);
        if (!row.enabled) {
            form->File1Menu->hide();
            continue;
        }
        QTest::mouseClick(form->File1Menu, Qt::LeftButton, {},
                          form->File1Menu->actionGeometry(form->comparewithloadedskin).center());
    }
    CompareWindow* compare = form->compareWindow();
    ASSERT_NE(compare, nullptr);
    EXPECT_TRUE(compare->isVisible());
    EXPECT_EQ(compare->path(0), skins / "Sample.zip");
    EXPECT_EQ(compare->path(1), skins / "Red.zip");
    // The View menu's console colours and zoom, applied alike; the red logo differs (GBA screen 0).
    EXPECT_TRUE(compare->consoleColours()->isChecked());
    EXPECT_EQ(compare->zoomChoice()->currentIndex(), 2);
    EXPECT_TRUE(compare->pixelGrid()->isChecked());
    EXPECT_EQ(compare->shown(0).size(), QSize(240, 160) * 3);
    EXPECT_EQ(compare->shown(1).size(), QSize(240, 160) * 3);
    EXPECT_GT(compare->differingPixels(), 0);

    // Its dialog takes an archive or a folder that holds skin files; it enters any other folder
    // and takes no file that is no archive, so it stays open.
    const struct {
        QString pick;
        bool taken;
    } picks[] = {{skins / "Red.zip", true}, {skins / "Broken", true}, {skins / "notes.txt", false}, {box.root, false}};
    for (const auto& row : picks) {
        bool stayed = false;
        QTimer::singleShot(0, form.get(), [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->selectFile(row.pick);
            QMetaObject::invokeMethod(dialog, "accept");  // as its Compare button does
            stayed = dialog->isVisible();
            if (stayed) dialog->reject();
        });
        SCOPED_TRACE(row.pick.toStdString());
        EXPECT_EQ(form->chooseSkinToCompare(skins.folder).toStdString(),
                  (row.taken ? row.pick : QString()).toStdString());
        EXPECT_EQ(stayed, !row.taken);
    }

    // Skin > Compare with: the loaded skin beside a folder; the open window keeps its own zoom.
    compare->zoomChoice()->setCurrentIndex(0);
    QString asked;
    form->chooseSkinToCompare = [&](const QString& folder) {
        asked = folder;
        return skins / "SampleFolder";
    };
    form->comparewith->trigger();
    EXPECT_EQ(asked, skins.folder);
    EXPECT_EQ(compare->path(0), skins / "Sample.zip");
    EXPECT_EQ(compare->path(1), skins / "SampleFolder");
    EXPECT_EQ(compare->shown(1).size(), QSize(240, 160));
    EXPECT_EQ(compare->differingPixels(), 0);
}

TEST_F(CollectionWindow, TheWindowIsAGoodDesktopCitizen) {
    const Collection skins(box);
    // As the program starts it: the font configuration read meanwhile, and waited for by the window.
    font_set_up::Start();
    start();
    EXPECT_FALSE(font_set_up::Reader().joinable());
    EXPECT_EQ(form->hint->text(), Form1::EmptyHint);
    QCoreApplication::processEvents();  // the icon is set once the event loop runs
    EXPECT_FALSE(form->windowIcon().isNull());
    EXPECT_TRUE(form->Exit->shortcuts().contains(QKeySequence("Ctrl+Q")));
    EXPECT_TRUE(form->Exit->shortcuts().contains(QKeySequence("Ctrl+X")));
    form->about->trigger();
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].contains(CORVAMO_VERSION_TEXT)) << messages.texts[0].toStdString();
    EXPECT_TRUE(messages.texts[0].contains("README")) << messages.texts[0].toStdString();
    messages.texts.clear();

    // Opened from outside: a folder as the folder list opens it, an archive as a click in the file
    // list; what is no skin is said.
    const struct {
        QString path;
        Workbench::LoadedSkin::Kind kind;
        QString dir, message;
    } rows[] = {
        {skins / "SampleFolder", Workbench::LoadedSkin::Folder, skins / "SampleFolder", {}},
        {skins / "Sample.zip", Workbench::LoadedSkin::Archive, skins.folder, {}},
        {skins / "Gone.zip", Workbench::LoadedSkin::Archive, skins.folder,
         skins / "Gone.zip: no such skin folder or archive."},
        {skins / "notes.txt", Workbench::LoadedSkin::Archive, skins.folder,
         skins / "notes.txt is neither a skin folder nor a .zip archive."},
    };
    for (const auto& row : rows) {
        messages.texts.clear();
        form->openSkin(row.path);
        EXPECT_EQ(wb().loadedSkin().kind, row.kind) << row.path.toStdString();
        EXPECT_EQ(wb().dirPath(), row.dir) << row.path.toStdString();
        EXPECT_EQ(messages.texts.join(""), row.message);
        if (row.message.isEmpty()) {
            EXPECT_EQ(form->hint->text(), row.path);
        }
    }
}

// The summarizer's own road (one unpacking, pictures into holders of its own) against a fresh
// window that loads the same skin: the same thumbnail, pixel for pixel, or the same reason.
TEST_F(CollectionWindow, SummaryDrawsWhatAFreshWindowLoadsOfTheSkin) {
    const Collection skins(box);
    std::vector<Entry> partial;
    for (const auto& [name, data] : ReadZip(skins / "Sample.zip"))
        if (name == "mainBG.bmp" || name == "arrowL.bmp" || name == "qvpdalogo.bmp" || name == "help.txt")
            partial.push_back({name, data});
    MakeZip(skins / "Partial.zip", partial);
    QDir().mkpath(skins / "PartialFolder");
    for (const char* name : {"subBG.bmp", "deskicon.bmp", "window.bmp"})
        QFile::copy(QStringLiteral(CORVAMO_SAMPLE_SKIN_DIR "/") + name, skins / "PartialFolder/" + name);
    const struct {
        QString skin;
        bool broken;
    } rows[] = {{skins / "Sample.zip", false},    {skins / "SampleFolder", false}, {skins / "Partial.zip", false},
                {skins / "PartialFolder", false}, {skins / "Broken", false},       {skins / "NotAZip.zip", true}};
    QStringList paths;
    for (const auto& row : rows) paths << row.skin;
    // In this order on one thread: a summary must not keep anything of the skin before it.
    const std::vector<SkinSummary> summaries = SummarizeSkins(paths, box.root + "/summaries", 96, 1);
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].skin.toStdString());
        const SkinSummary& summary = summaries[i];
        form.reset();
        start();
        const Status loaded = LoadSkinAlone(wb(), rows[i].skin);
        EXPECT_EQ(summary.broken(), rows[i].broken);
        EXPECT_EQ(summary.status.message, loaded.message);
        if (summary.broken())
            EXPECT_EQ(summary.thumbnail, BrokenThumbnail(loaded.message, 96));
        else
            EXPECT_EQ(summary.thumbnail, ThumbnailOf(wb().drawPreview(PreviewKind::Ds).image(),
                                                     wb().drawPreview(PreviewKind::Gba).image(), 96));
        const SkinReport report = CheckSkin(SkinFiles::Open(rows[i].skin, box.root + "/scratch", Host()));
        EXPECT_EQ(summary.errors, Count(report, Finding::Error));
        EXPECT_EQ(summary.warnings, Count(report, Finding::Warning));
        EXPECT_EQ(summary.notes, Count(report, Finding::Note));
    }
}

// Whatever lies in the cache folder under a skin's entry is taken only when it is a complete
// entry of this user's for the skin as it is now.
TEST(ThumbnailCacheEntries, OnlyACompleteEntryForTheCurrentKeyIsTaken) {
    WorkbenchSandbox box;
    const QString skin = box.skins + "/Sample.zip";
    QFile::copy(CORVAMO_SAMPLE_SKIN_ZIP, skin);
    const ThumbnailCache cache(box.root + "/thumbnails");
    const Host host;
    SkinSummary summary = SummarizeSkins({skin}, box.root + "/summaries", 96, 1).front();
    ASSERT_TRUE(cache.store(summary));
    QFile file(cache.fileFor(skin));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray stored = file.readAll();
    file.close();
    const auto put = [&](const QByteArray& bytes) {
        QFile::remove(cache.fileFor(skin));
        WorkbenchSandbox::write(cache.fileFor(skin), bytes);
    };
    const struct {
        const char* what;
        std::function<void()> make;
        QString key;
        int height;
        bool taken;
    } rows[] = {
        {"as stored", [&] { put(stored); }, summary.key, 96, true},
        {"the skin changed since", [&] { put(stored); }, summary.key + "x", 96, false},
        {"made at another height", [&] { put(stored); }, summary.key, 144, false},
        {"cut short", [&] { put(stored.chopped(1)); }, summary.key, 96, false},
        {"with bytes after it", [&] { put(stored + "x"); }, summary.key, 96, false},
        {"no entry at all", [&] { put("not an entry"); }, summary.key, 96, false},
        {"a link to an entry",
         [&] {
             put(stored);
             QFile::rename(cache.fileFor(skin), box.root + "/elsewhere");
             QFile::link(box.root + "/elsewhere", cache.fileFor(skin));
         },
         summary.key, 96, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        row.make();
        const std::optional<SkinSummary> found = cache.find(skin, row.key, row.height);
        ASSERT_EQ(found.has_value(), row.taken);
        if (!found) continue;
        EXPECT_EQ(found->thumbnail, summary.thumbnail);
        EXPECT_EQ(found->name, summary.name);
        EXPECT_EQ(found->errors, summary.errors);
        EXPECT_EQ(found->warnings, summary.warnings);
        EXPECT_EQ(found->notes, summary.notes);
    }
    // A changed skin has a new key: the gallery draws it again rather than taking its old entry.
    QFile::remove(cache.fileFor(skin));
    ASSERT_TRUE(cache.store(summary));
    MakeZip(skin, {{"qvpdalogo.bmp", WorkbenchSandbox::picture(240, 160, 0x00FF00, "BMP")}});
    EXPECT_FALSE(cache.find(skin, SkinKey(skin, host), 96).has_value());
}
