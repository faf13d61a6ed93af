#include "workbench.h"

#include "author/skin_pack.h"
#include "author/skin_template.h"

#include "platform/paths.h"
#include "preview/colour_pick.h"
#include "preview/compositor.h"
#include "preview/console_view.h"
#include "skin/archive_extract.h"
#include "skin/catalogue.h"
#include "skin/skin_files.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <utility>

namespace corvamo {

Workbench::Workbench(MessageBoxes& messages, const CacheFolders& cache, std::unique_ptr<Host> host,
                     FormPictures pictures)
    : messages_(messages),
      cache_{WithSlash(cache.temp), cache.scratchBmp, cache.root},
      host_(host ? std::move(host) : std::make_unique<Host>()),
      pictures_(std::move(pictures)) {}

Workbench::~Workbench() = default;

namespace {

// Removes everything below folder (the folder itself stays), never what a link points to: a
// folder an archive made under a skin file's name must not block later skins. What could not be
// removed is added to left; false when folder cannot be listed. Each listing is complete before
// anything in it is deleted.
bool EmptyFolder(Host& host, const QString& folder, QStringList& left) {
    const auto entries = host.listFolder(folder);
    if (!entries) return false;
    for (const FolderEntry& entry : *entries) {
        const QString path = folder + QLatin1Char('/') + entry.name;
        if (entry.kind != FolderEntry::Folder) {
            if (!host.removeEntry(path)) left.append(path);
        } else if (const qsizetype before = left.size(); !EmptyFolder(host, path, left)) {
            left.append(path);
        } else if (left.size() == before && !host.removeEntry(path)) {
            left.append(path);
        }
    }
    return true;
}

// The main JPEGs of an unpacked skin that LoadPics converts the BMPs of its slots over.
QStringList JpegsLoadPicsReplaces(const SkinFiles& skin) {
    const QStringList bmplist = Catalogue::Split(Catalogue::MainBmpNames);
    const QStringList namelist = Catalogue::Split(Catalogue::MainJpgNames);
    QStringList replaced;
    for (qsizetype i = 0; i < namelist.size(); ++i)
        if (!skin.find(bmplist[i]).isEmpty()) replaced << namelist[i];
    return replaced;
}

struct BusyWhile {
    explicit BusyWhile(int& depth) : depth_(depth) { ++depth_; }
    ~BusyWhile() { --depth_; }
    int& depth_;
};

}  // namespace

ScriptResult Workbench::runScript(const QString& script) {
    const BusyWhile busy(busy_);
    ScriptRunner runner;
    runner.output = [this](const QString& text) { log_.output(text); };
    runner_ = &runner;
    // The scripts were written for the program folder as their current folder.
    const ScriptResult result = host_->runScript(script, FolderPath(state_.appfolder), runner);
    runner_ = nullptr;
    return result;
}

void Workbench::cancelScript() {
    if (runner_) runner_->cancel();
}

Status Workbench::openSkin(const QString& path) {
    const SkinPathKind kind = KindOfSkinPath(path);
    if (kind != SkinPathKind::Folder && kind != SkinPathKind::Archive) return Status::Failure(NoSkinText(kind));
    const QString full = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return load({kind == SkinPathKind::Folder ? LoadedSkin::Folder : LoadedSkin::Archive, full});
}

Status Workbench::load(const LoadedSkin& skin) {
    QStringList said;
    if (skin.kind == LoadedSkin::Folder) {
        messages_.recordInto(&said);
        folderChange(skin.path);
    } else if (skin.kind == LoadedSkin::Archive) {
        const QFileInfo archive(skin.path);
        if (dirPath_ != archive.path() || !fileEntries_.contains(archive.fileName())) folderChange(archive.path());
        messages_.recordInto(&said);
        archiveChosen(archive.path(), archive.fileName());
    }
    messages_.recordInto(nullptr);
    return Status::FromTexts(said);
}

Status Workbench::reloadSkin(const LoadedSkin& skin) {
    const int dswindow = state_.dswindow, gbascreen = state_.gbascreen;
    QStringList said;
    messages_.collectInto(&said);
    load(skin);
    messages_.collectInto(nullptr);
    if (state_.dswindow != dswindow || state_.gbascreen != gbascreen) {
        state_.dswindow = dswindow;
        state_.gbascreen = gbascreen;
        redraw();
    }
    return Status::FromTexts(said);
}

void Workbench::notifyChanged() {
    if (changed) changed();
}

void Workbench::ensureTempFolder() {
    // Clearing must stay inside the folder: a link in its place is replaced by a real folder.
    const QString folder = FolderPath(cache_.temp);
    if (QFileInfo(folder).isSymLink()) host_->removeEntry(folder);
    if (!host_->makeFolder(folder))
        messages_.ok(QStringLiteral("The temporary folder %1 could not be created.").arg(cache_.temp));
}

void Workbench::startUp(const QString& currentFolder, const QString& programFolder) {
    ensureTempFolder();
    state_.appfolder = WithSlash(programFolder.isEmpty() ? ProgramFolder() : programFolder);
    driveRoot_ = VolumeOf(host_->volumes(), currentFolder).root;
    dirPath_ = FolderPath(currentFolder);
    volumeFolders_[driveRoot_] = dirPath_;
    fillFileLists(dirPath_);
}

void Workbench::shutDown() {
    if (copyTo_.created) {
        copyTo_ = CopyToState();
        if (copyToUnloaded) copyToUnloaded();
    }
    // The clean-up script would pull the scratch folder from under a running build.
    if (runner_) return;
    const QString cleanup = state_.appfolder + QStringLiteral("cleanup.bat");
    if (host_->exists(cleanup)) runScript(cleanup);
}

void Workbench::fillFileLists(const QString& path) {
    subFolders_.clear();
    fileEntries_.clear();
    selectedFile_.clear();
    fileFolder_ = path;
    const auto entries = host_->listFolder(path);
    if (!entries) {
        messages_.ok(QStringLiteral("The folder %1 cannot be read.").arg(path));
        return;
    }
    for (const FolderEntry& entry : *entries) {
        if (entry.name.startsWith(QLatin1Char('.'))) continue;
        const QString full = WithSlash(path) + entry.name;
        if (entry.kind == FolderEntry::Folder || (entry.kind == FolderEntry::Link && QFileInfo(full).isDir()))
            subFolders_.append(entry.name);
        else if (IsZipName(entry.name) && !QFileInfo(full).isDir())
            fileEntries_.append(entry.name);
    }
    subFolders_.sort(Qt::CaseInsensitive);
    fileEntries_.sort(Qt::CaseInsensitive);
}

void Workbench::driveChange(const QString& volumeRoot) {
    driveRoot_ = volumeRoot;
    const auto remembered = volumeFolders_.find(volumeRoot);
    folderChange(remembered != volumeFolders_.end() ? remembered->second : volumeRoot);
}

void Workbench::folderChange(const QString& path) {
    const BusyWhile busy(busy_);
    WipePics();
    forgetLoadedFiles();
    dirPath_ = FolderPath(path);
    if (WithSlash(dirPath_).startsWith(driveRoot_)) volumeFolders_[driveRoot_] = dirPath_;
    fillFileLists(dirPath_);
    state_.skinfromzip = 0;
    const QString folder = WithSlash(dirPath_);
    ensureTempFolder();
    DeleteDirectory(FolderPath(cache_.temp));

    int found = 0;
    QStringList failed, tooLarge;
    // The folder's one listing finds the skin's files here and serves the check and the pack later.
    SkinFiles skin = SkinFiles::Open(dirPath_, ScratchRootOf(cache_), *host_);
    for (const QString& name : Catalogue::Split(Catalogue::SkinFileNames)) {
        // A link under the name is looked past to a regular file of the skin. A folder that cannot
        // be listed may still let its files be opened by name.
        const QString source = skin.readable ? skin.find(name) : FindSkinFile(folder + name, *host_);
        if (source.isEmpty()) continue;
        ++found;
        // An archive may not unpack a file this large either; copying it would only fill the disk.
        if (QFileInfo(source).size() > kMaxSkinFileBytes)
            tooLarge.append(name);
        else if (!host_->copyFile(source, cache_.temp + name))
            failed.append(name);
    }
    QStringList problems, refused;
    for (const RefusedEntry& entry : skin.refused) refused << entry.name + ' ' + entry.what;
    if (!refused.isEmpty())
        problems << QStringLiteral("These skin files were left out: %1.").arg(refused.join(QStringLiteral("; ")));
    if (!failed.isEmpty())
        problems << QStringLiteral("These skin files could not be copied into the temporary folder %1: %2")
                        .arg(cache_.temp, failed.join(QStringLiteral(", ")));
    if (!tooLarge.isEmpty())
        problems << QStringLiteral(
                        "These skin files are larger than %1, more than the workbench accepts, and were "
                        "left out: %2")
                        .arg(MiBText(kMaxSkinFileBytes), tooLarge.join(QStringLiteral(", ")));
    if (!problems.isEmpty()) messages_.ok(problems.join(QLatin1Char('\n')));
    loaded_ = found != 0 ? LoadedSkin{LoadedSkin::Folder, dirPath_} : LoadedSkin{};
    if (found != 0) {
        files_ = std::move(skin);
        state_.skinsource.clear();
        LoadPics();
    }
    notifyChanged();
}

void Workbench::archiveChosen(const QString& folder, const QString& fileName) {
    const BusyWhile busy(busy_);
    WipePics();
    forgetLoadedFiles();
    ensureTempFolder();
    DeleteDirectory(FolderPath(cache_.temp));
    fileFolder_ = folder;
    selectedFile_ = fileName;
    state_.skinsource = WithSlash(folder) + fileName;
    state_.dswindow = 0;
    state_.gbascreen = 0;
    const ExtractReport report = ExtractArchive(state_.skinsource, FolderPath(cache_.temp), {}, working);
    state_.skinfromzip = fileName.right(3).toLower() == QLatin1String("zip") ? 1 : 0;
    // This one unpack serves the check and the pack too: the author's JPEGs that LoadPics is about
    // to convert over are kept aside for them first. When they cannot be, those open the archive anew.
    SkinFiles skin = SkinFiles::Unpacked(state_.skinsource, FolderPath(cache_.temp), report, *host_);
    const QStringList replaced = JpegsLoadPicsReplaces(skin);
    if (skin.keep(replaced, replaced.isEmpty() ? QString() : keptFolder())) files_ = std::move(skin);
    loaded_ = {LoadedSkin::Archive, state_.skinsource};
    LoadPics();
    if (const Status unpacked = report.status(state_.skinsource); !unpacked) messages_.ok(unpacked.message);
}

void Workbench::WipePics() {
    for (Picture& slot : pictures_.Picture1) slot.setPicture(pictures_.Picture9.picture());
    for (Picture& slot : pictures_.Picture5) slot.setPicture(pictures_.Picture9.picture());
    pictures_.Picture2.setPicture(pictures_.Picture9.picture());
    pictures_.Picture3.setPicture(pictures_.Picture9.picture());
    pictures_.Picture4.setPicture(pictures_.Picture9.picture());
    pictures_.Picture5[2].setHeight(1);
    pictures_.Picture1[1].setWidth(1);
    notifyChanged();
}

void Workbench::LoadPics() {
    const QString& temp = cache_.temp;
    const QStringList bmplist = Catalogue::Split(Catalogue::MainBmpNames);
    const QStringList namelist = Catalogue::Split(Catalogue::MainJpgNames);
    // One listing serves every name: a conversion leaves exactly its JPEG under the catalogue's
    // spelling, or (failed) none of that name, and touches no other name.
    const FolderNames listed(*host_, temp);
    for (qsizetype i = 0; i < namelist.size(); ++i) {
        const QString bmp = listed.find(bmplist[i]);
        QString jpg = listed.find(namelist[i]);
        if (!bmp.isEmpty()) {
            bool deleted = listed.listed();
            if (!deleted)
                deleted = host_->deleteFile(temp + namelist[i]);
            else
                for (const QString& old : listed.namedLike(namelist[i])) deleted = host_->removeEntry(old) && deleted;
            // a BMP that cannot be converted leaves its slot blank
            const bool saved = BmpToJpeg(bmp, temp + namelist[i]) == JpegResult::Saved;
            jpg = saved ? temp + namelist[i] : deleted ? QString() : host_->findFile(temp + namelist[i]);
        }
        if (!jpg.isEmpty()) pictures_.Picture1[size_t(i)].load(jpg);
    }
    const QStringList extralist = Catalogue::Split(Catalogue::ExtraBmpNames);
    for (qsizetype i = 0; i < extralist.size(); ++i) {
        const QString bmp = listed.find(extralist[i]);
        if (!bmp.isEmpty()) pictures_.Picture5[size_t(i)].load(bmp);
    }
    redraw();
}

void Workbench::DeleteDirectory(const QString& folder) {
    QStringList left;
    if (!EmptyFolder(*host_, folder, left)) {
        messages_.ok(QStringLiteral("The folder %1 could not be emptied.").arg(folder));
        return;
    }
    if (!left.isEmpty())
        messages_.ok(QStringLiteral("These files could not be deleted: %1").arg(left.join(QStringLiteral(", "))));
}

void Workbench::redraw() {
    redrawsub(pictures_, state_, options_.showselectbug, showPicture4);
    ++redrawCount_;
    notifyChanged();
}

void Workbench::nextGbaScreen() {
    state_.gbascreen = state_.gbascreen + 1 >= kGbaScreens ? 0 : state_.gbascreen + 1;
    redraw();
}

void Workbench::toggleWindow() {
    state_.dswindow ^= 1;
    redraw();
}

void Workbench::setOption(bool ViewOptions::*option, bool checked) {
    options_.*option = checked;
    if (option == &ViewOptions::showselectbug) redraw();
}

void Workbench::pickDividerColourFromPalette(int button, int x, int y) {
    pictures_.Picture6 = PickFromPalette(pictures_.Picture7, button, x, y, pictures_.Picture6);
    notifyChanged();
}

void Workbench::pickDividerColourFromSwatch(int swatch, int button) {
    pictures_.Picture6 = PickFromSwatch(pictures_.Picture8[size_t(swatch)], button, pictures_.Picture6);
    notifyChanged();
}

const Picture& Workbench::drawPreview(PreviewKind kind) {
    if (kind == PreviewKind::Ds) {
        DrawDsExport(pictures_, state_, options_);
        return pictures_.Picture3;
    }
    DrawGbaExport(pictures_);
    return pictures_.Picture15;
}

QString Workbench::loadedFile(const QString& catalogueName) const {
    return host_->findFile(cache_.temp + catalogueName);
}

FormPictures Workbench::consolePictures() const {
    const QStringList extras = Catalogue::Split(Catalogue::ExtraBmpNames);
    FormPictures console = ConsolePictures(pictures_, [&](int slot) { return loadedFile(extras[slot]); });
    redrawsub(console, state_, options_.showselectbug);
    for (Picture* shown : {&console.Picture1[0], &console.Picture2, &console.Picture4})
        shown->setPicture(ConsoleColours(shown->image()));
    return console;
}

Status Workbench::savePreview(PreviewKind kind, bool console, bool png) {
    FormPictures consoleCopy;
    FormPictures& drawn = console ? (consoleCopy = consolePictures()) : pictures_;
    if (kind == PreviewKind::Ds)
        DrawDsExport(drawn, state_, options_);
    else
        DrawGbaExport(drawn);
    Picture& canvas = kind == PreviewKind::Ds ? drawn.Picture3 : drawn.Picture15;
    QString path = PreviewOutputPath(kind, state_, options_, dirPath_, selectedFile_);
    if (console) {
        canvas.setPicture(ConsoleColours(canvas.image()));
        path.insert(path.size() - 4, QStringLiteral("-console"));
        redraw();  // the DS export has shown the window element
    }
    Status result = SavePreview(canvas, path, cache_.scratchBmp);
    if (png && result) {
        // Both files are named, whichever way the PNG went.
        const Status lossless = SavePng(canvas.image(), path.chopped(4) + QStringLiteral(".png"));
        result = {lossless.ok, result.message + QLatin1Char('\n') + lossless.message, {}};
    }
    notifyChanged();
    return result;
}

bool Workbench::skinLoadedOrSay() {
    if (loaded_.kind != LoadedSkin::None) return true;
    messages_.ok(QStringLiteral("No skin is loaded: open a skin folder or click a skin archive first."));
    return false;
}

QString Workbench::keptFolder() {
    if (!keptFolder_ || !keptFolder_->isValid())
        keptFolder_ = std::make_unique<QTemporaryDir>(WithSlash(ScratchRootOf(cache_)) + QStringLiteral("kept-XXXXXX"));
    keptFolderFilled_ = keptFolder_->isValid();
    return keptFolderFilled_ ? keptFolder_->path() : QString();
}

void Workbench::forgetLoadedFiles() {
    files_.reset();
    QStringList left;
    if (std::exchange(keptFolderFilled_, false)) EmptyFolder(*host_, keptFolder_->path(), left);
}

SkinFiles Workbench::loadedFiles() const {
    return files_ ? *files_ : SkinFiles::Open(loaded_.path, ScratchRootOf(cache_), *host_);
}

SkinReport Workbench::loadedSkinReport() const { return CheckSkin(loadedFiles()); }

std::optional<SkinReport> Workbench::checkSkin() {
    if (!skinLoadedOrSay()) return std::nullopt;
    return loadedSkinReport();
}

QString Workbench::zipSuggestion() const {
    return loaded_.kind == LoadedSkin::Archive ? loaded_.path : loaded_.path + QStringLiteral(".zip");
}

void Workbench::saveSkinAsZip(const QString& out) {
    if (!skinLoadedOrSay()) return;
    const bool replace = QFileInfo::exists(out);
    if (replace && !messages_.yesNo(QStringLiteral("%1 already exists. Do you want to replace it?").arg(out))) return;
    messages_.ok(PackSkin(loadedFiles(), out, replace).message);
}

bool Workbench::newSkinFromTemplate(const QString& folder) {
    const Status written = WriteSkinTemplate(folder);
    if (!written) {
        messages_.ok(written.message);
        return false;
    }
    folderChange(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    return true;
}

void Workbench::ensureCopyTo() {
    if (copyTo_.created) return;
    copyTo_.created = true;
    // The host's current drive: the first memory card or stick, else the program folder's volume.
    copyTo_.drive = CardOrVolumeOf(host_->volumes(), state_.appfolder).root;
    if (copyToCreated) copyToCreated();
}

void Workbench::chooseCopyToDrive(const QString& root) { copyTo_.drive = root; }

const QString Workbench::DownloadSite = QStringLiteral("www.example.com");
const QString Workbench::DownloadPage = QStringLiteral("https://www.example.com/vu4kernel/");

Status Workbench::copyStep(const QString& from, const QString& to) {
    if (host_->copyFile(from, to)) return Status::Success();
    return Status::Failure(QStringLiteral("%1 could not be copied to %2.").arg(from, to));
}

Status Workbench::CopyCrap() {
    const QString& temp = cache_.temp;
    const QString nds = state_.appfolder + QStringLiteral("nds/");
    const QString shell = state_.appfolder + QStringLiteral("gba/.shell/");
    // A file that is not there is skipped; the first copy that fails ends the routine.
    copiedFiles_ = 0;
    const auto copy = [&](const QString& from, const QString& to) {
        if (!host_->exists(from)) return Status::Success();
        const Status copied = copyStep(from, to);
        if (copied) ++copiedFiles_;
        return copied;
    };
    for (const QString& name : Catalogue::Split(Catalogue::NdsInstallNames))
        if (Status copied = copy(temp + name, nds + name); !copied) return copied;
    for (const QString& name : Catalogue::Split(Catalogue::ExtraBmpNames))
        if (Status copied = copy(temp + name, shell + QStringLiteral("bmp/") + name); !copied) return copied;
    for (const char* name : {"asc.dat", "hzk.dat"})
        if (Status copied = copy(nds + name, shell + name); !copied) return copied;
    return copy(temp + QStringLiteral("help.txt"), shell + QStringLiteral("help.txt"));
}

void Workbench::beginInstall(InstallReport& report) {
    installing_ = true;
    log_.clear();
    if (installStarted) installStarted();
    log_.line(QStringLiteral("=== %1: %2 into the program folder %3 ===")
                  .arg(report.title, loaded_.path.isEmpty() ? QStringLiteral("no skin loaded") : loaded_.path,
                       state_.appfolder));
}

Status Workbench::endInstall(const InstallReport& report) {
    for (const QString& line : report.summary()) log_.line(line);
    installing_ = false;
    if (installEnded) installEnded();
    return Status::FromTexts(report.failed);
}

Status Workbench::installScript(const QString& name, InstallReport& report) {
    const QString script = state_.appfolder + name;
    log_.line(QStringLiteral("Running %1 ...").arg(script));
    const FolderStamps before = StampFolder(state_.appfolder);
    const qsizetype from = log_.text().size();
    const ScriptResult result = runScript(script);
    for (const QString& built : ChangedFiles(before, StampFolder(state_.appfolder)))
        if (!report.built.contains(built)) report.built << built;
    report.warnings << LindquayWarnings(log_.text().mid(from));
    if (result.status) {
        log_.line(QStringLiteral("%1 ended (exit status 0).").arg(name));
        return Status::Success();
    }
    QString failure = QStringLiteral("%1: %2").arg(name, result.status.message);
    if (!result.lastLines.isEmpty())
        failure += QStringLiteral("; its last lines:\n    ") + result.lastLines.join(QStringLiteral("\n    "));
    log_.line(QStringLiteral("%1 failed: %2").arg(name, result.status.message));
    report.failed << failure;
    return Status::Failure(QStringLiteral("%1: %2").arg(name, result.status.message));
}

Status Workbench::skinVu4Loaders() {
    if (installing_) return Status::Failure(QStringLiteral("An install already runs."));
    const QString& temp = cache_.temp;
    const QString& app = state_.appfolder;
    InstallReport report;
    report.title = QStringLiteral("Skin VU4 loaders");
    beginInstall(report);
    // Each failing step is skipped; the user hears of them together at the end (a box lists the
    // copies that failed, the log every failed step).
    QStringList failed;
    const auto step = [&](const Status& done) {
        if (done) return;
        failed << done.message;
        report.failed << done.message;
        log_.line(QStringLiteral("Failed: ") + done.message);
    };
    step(CopyCrap());
    report.copied << QStringLiteral("%1 skin file(s) into %2nds/ and %2gba/.shell/").arg(copiedFiles_).arg(app);
    const QString text = app + QStringLiteral("text.txt");
    if (host_->exists(text) && !host_->deleteFile(text))
        step(Status::Failure(QStringLiteral("%1 could not be deleted.").arg(text)));
    if (host_->exists(temp + QStringLiteral("text.txt"))) {
        const Status copied = copyStep(temp + QStringLiteral("text.txt"), text);
        step(copied);
        if (copied) report.copied << QStringLiteral("the skin's text.txt to %1").arg(text);
    }
    const QString script = host_->exists(text) ? QStringLiteral("skin_txt.bat") : QStringLiteral("Skin_it.bat");
    if (!host_->exists(app + script)) {
        const QString missing = script + QStringLiteral(" is missing. Please reinstall the program.");
        log_.line(missing);
        report.failed << missing;
        messages_.ok(missing);
    } else {
        if (const Status ran = installScript(script, report); !ran)
            failed << ran.message + QStringLiteral(" (see the install log)");
    }

    const QString image = app + QStringLiteral("qvkit_up.bin");
    if (loaderTarget_.kind == LoaderTarget::Nowhere) {
        report.loaderImage = QStringLiteral("not copied (no card was given)");
    } else if (!host_->exists(image)) {
        report.loaderImage = QStringLiteral("not copied: %1 is missing").arg(image);
        report.failed << QStringLiteral("qvkit_up.bin is missing from the program folder %1").arg(app);
        log_.line(QStringLiteral("qvkit_up.bin not found in %1.").arg(app));
        const bool yes = messages_.yesNo(
            QStringLiteral("qvkit_up.bin not found! Please download the VU4Kernel from") + QLatin1Char(' ') +
            DownloadSite +
            QStringLiteral(". Extract qvkit_up.bin to program directory to and run again. Do you want to open this "
                           "site in your browser?"));
        if (yes && !host_->openUrl(QUrl(DownloadPage)))
            messages_.ok(QStringLiteral("The browser could not be opened. Please visit") + QLatin1Char(' ') +
                         DownloadSite + QLatin1Char(' ') +
                         QStringLiteral("in your browser to download the newest VU4Kernel."));
    } else {
        QString folder = loaderTarget_.folder;
        if (loaderTarget_.kind == LoaderTarget::CopyToWindow) {
            ensureCopyTo();
            folder = copyTo_.drive;
        }
        log_.line(QStringLiteral("Copying %1 to %2 ...").arg(image, folder));
        const CardCopy copy = host_->copyLoaderImage(image, folder);
        if (copy.status) {
            report.loaderImage =
                QStringLiteral("%1 (synced and read back: the card can now be removed)").arg(copy.path);
            report.copied << QStringLiteral("%1 to %2").arg(image, copy.path);
        } else {
            report.loaderImage = QStringLiteral("not copied");
            step(copy.status);
        }
    }
    const Status ended = endInstall(report);
    if (!failed.isEmpty())
        messages_.ok(QStringLiteral("Skin VU4 loaders: these steps failed and were skipped:\n") +
                     failed.join(QLatin1Char('\n')));
    return ended;
}

Status Workbench::skinDi3Gba() {
    if (installing_) return Status::Failure(QStringLiteral("An install already runs."));
    InstallReport report;
    report.title = QStringLiteral("Skin DI3 GBA");
    beginInstall(report);
    if (const Status copied = CopyCrap(); !copied) {
        report.failed << copied.message + QStringLiteral(" di3gba.bat was not run.");
        log_.line(QStringLiteral("Failed: ") + report.failed.back());
        const Status ended = endInstall(report);
        messages_.ok(QStringLiteral("Skin DI3 GBA stopped: ") + copied.message +
                     QStringLiteral(" di3gba.bat was not run."));
        return ended;
    }
    report.copied
        << QStringLiteral("%1 skin file(s) into %2nds/ and %2gba/.shell/").arg(copiedFiles_).arg(state_.appfolder);
    const QString script = state_.appfolder + QStringLiteral("di3gba.bat");
    if (!host_->exists(script)) {
        const QString missing = QStringLiteral("di3gba.bat is missing. Please reinstall the program.");
        log_.line(missing);
        report.failed << missing;
        const Status ended = endInstall(report);
        messages_.ok(missing);
        return ended;
    }
    const Status ran = installScript(QStringLiteral("di3gba.bat"), report);
    const Status ended = endInstall(report);
    if (!ended)
        messages_.ok(QStringLiteral("Skin DI3 GBA: ") + ran.message + QStringLiteral(" (see the install log)."));
    return ended;
}

}  // namespace corvamo
