#include "workbench.h"

#include "catalogue.h"
#include "compositor.h"
#include "extract.h"
#include "host_paths.h"
#include "mfreeimage.h"

#include <QFile>
#include <QFileInfo>

#include <FreeImage.h>

namespace {

QString WithSlash(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// Dir1 shows a folder without its trailing "/", except the root.
QString FolderPath(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
    return path;
}

QString TempFolderPath() { return FolderPath(TempFolder()); }

// Turns one BMP into a JPEG of best quality; pictures that are not 24-bit are converted first,
// since the JPEG writer takes only 24-bit and grey pictures.
void BmpToJpeg(const QString& bmp, const QString& jpg) {
    // A 54-byte header may claim 40,000 x 40,000 pixels: loading it would take gigabytes and
    // half a minute for a picture the window refuses to show (over Qt's 128 MB image limit), so
    // such a picture is left out like an unreadable one.
    constexpr qint64 MaxPixels = qint64(32) << 20;
    FIBITMAP* header = FreeImage_Load(FIF_BMP, QFile::encodeName(bmp).constData(), FIF_LOAD_NOPIXELS);
    if (!header) return;
    const qint64 pixels = qint64(FreeImage_GetWidth(header)) * qint64(FreeImage_GetHeight(header));
    FreeImage_Unload(header);
    if (pixels > MaxPixels) return;
    FIBITMAP* bitmap = FreeImage_Load(FIF_BMP, QFile::encodeName(bmp).constData(), 0);
    if (!bitmap) return;
    if (FreeImage_GetBPP(bitmap) != 24 &&
        !(FreeImage_GetBPP(bitmap) == 8 && FreeImage_GetColorType(bitmap) == FIC_MINISBLACK)) {
        FIBITMAP* converted = FreeImage_ConvertTo24Bits(bitmap);
        FreeImage_Unload(bitmap);
        bitmap = converted;
        if (!bitmap) return;
    }
    SaveImageFile(FIF_JPEG, bitmap, jpg, JPEG_QUALITYSUPERB);
    FreeImage_Unload(bitmap);
}

}  // namespace

Workbench::Workbench(MessageBoxes& messages, std::unique_ptr<Host> host, FormPictures pictures)
    : messages_(messages), host_(host ? std::move(host) : std::make_unique<Host>()), pictures_(std::move(pictures)) {}

Workbench::~Workbench() = default;

void Workbench::notifyChanged() {
    if (changed) changed();
}

void Workbench::ensureTempFolder() {
    // Clearing must stay inside the folder: a link in its place is replaced by a real folder.
    if (QFileInfo(TempFolderPath()).isSymLink()) host_->removeEntry(TempFolderPath());
    if (!host_->makeFolder(TempFolderPath()))
        messages_.ok(QStringLiteral("The temporary folder %1 could not be created.").arg(TempFolder()));
}

void Workbench::startUp(const QString& currentFolder) {
    ensureTempFolder();
    state_.appfolder = WithSlash(currentFolder);
    driveRoot_ = VolumeOf(host_->volumes(), currentFolder).root;
    dirPath_ = FolderPath(currentFolder);
    volumeFolders_[driveRoot_] = dirPath_;
    listFolder(dirPath_);
}

void Workbench::shutDown() {
    if (copyTo_.created) {
        copyTo_ = CopyToState();
        if (copyToUnloaded) copyToUnloaded();
    }
    const QString cleanup = state_.appfolder + QStringLiteral("cleanup.bat");
    if (host_->exists(cleanup)) host_->shellAndWait(cleanup, 3);
}

void Workbench::listFolder(const QString& path) {
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
        else if (entry.name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive) && !QFileInfo(full).isDir())
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
    WipePics();
    dirPath_ = FolderPath(path);
    if (WithSlash(dirPath_).startsWith(driveRoot_)) volumeFolders_[driveRoot_] = dirPath_;
    listFolder(dirPath_);
    state_.skinfromzip = 0;
    const QString folder = WithSlash(dirPath_);
    ensureTempFolder();
    DeleteDirectory(TempFolderPath());

    int found = 0;
    QStringList failed;
    state_.namelist = Catalogue::Split(Catalogue::SkinFileNames);
    for (const QString& name : state_.namelist) {
        if (!host_->exists(folder + name)) continue;
        ++found;
        if (!host_->copyFile(folder + name, TempFolder() + name)) failed.append(name);
    }
    if (!failed.isEmpty())
        messages_.ok(QStringLiteral("These skin files could not be copied into the temporary folder %1: %2")
                         .arg(TempFolder(), failed.join(QStringLiteral(", "))));
    if (found != 0) {
        state_.skinsource.clear();
        LoadPics();
    }
    notifyChanged();
}

void Workbench::archiveChosen(const QString& folder, const QString& fileName) {
    WipePics();
    ensureTempFolder();
    DeleteDirectory(TempFolderPath());
    fileFolder_ = folder;
    selectedFile_ = fileName;
    state_.skinsource = WithSlash(folder) + fileName;
    state_.dswindow = 0;
    state_.gbascreen = 0;
    const ExtractReport report = ExtractArchive(state_.skinsource, TempFolderPath());
    state_.skinfromzip = fileName.right(3).toLower() == QLatin1String("zip") ? 1 : 0;
    LoadPics();
    const QString problem = report.message(state_.skinsource);
    if (!problem.isEmpty()) messages_.ok(problem);
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
    const QString temp = TempFolder();
    state_.bmplist = Catalogue::Split(Catalogue::MainBmpNames);
    state_.namelist = Catalogue::Split(Catalogue::MainJpgNames);
    for (qsizetype i = 0; i < state_.namelist.size(); ++i) {
        const QString bmp = host_->findFile(temp + state_.bmplist[i]);
        if (bmp.isEmpty()) continue;
        host_->deleteFile(temp + state_.namelist[i]);
        BmpToJpeg(bmp, temp + state_.namelist[i]);
    }
    for (qsizetype i = 0; i < state_.namelist.size(); ++i) {
        const QString jpg = host_->findFile(temp + state_.namelist[i]);
        if (!jpg.isEmpty()) pictures_.Picture1[size_t(i)].load(jpg);
    }
    state_.extralist = Catalogue::Split(Catalogue::ExtraBmpNames);
    for (qsizetype i = 0; i < state_.extralist.size(); ++i) {
        const QString bmp = host_->findFile(temp + state_.extralist[i]);
        if (!bmp.isEmpty()) pictures_.Picture5[size_t(i)].load(bmp);
    }
    redraw();
}

void Workbench::DeleteDirectory(const QString& folder) {
    // The listing is complete before anything is deleted.
    const auto entries = host_->listFolder(folder);
    if (!entries) {
        messages_.ok(QStringLiteral("The folder %1 could not be emptied.").arg(folder));
        return;
    }
    QStringList left;
    for (const FolderEntry& entry : *entries) {
        const QString path = folder + QLatin1Char('/') + entry.name;
        if (entry.kind == FolderEntry::Folder)
            DeleteDirectory(path);
        else if (!host_->removeEntry(path))
            left.append(path);
    }
    if (!left.isEmpty())
        messages_.ok(QStringLiteral("These files could not be deleted: %1").arg(left.join(QStringLiteral(", "))));
}

void Workbench::redraw() {
    redrawsub(pictures_, state_, options_.showselectbug, showPicture4);
    ++redrawCount_;
    notifyChanged();
}

void Workbench::ensureCopyTo() {
    if (copyTo_.created) return;
    copyTo_.created = true;
    copyTo_.drive = VolumeOf(host_->volumes(), state_.appfolder).root;  // the current drive
    if (copyToCreated) copyToCreated();
}

const QString Workbench::DownloadSite = QStringLiteral("www.example.com");
const QString Workbench::DownloadPage = QStringLiteral("https://www.example.com/vu4kernel/");

bool Workbench::copyStep(const QString& from, const QString& to) {
    if (host_->copyFile(from, to)) return true;
    lastFailure_ = QStringLiteral("%1 could not be copied to %2.").arg(from, to);
    return false;
}

bool Workbench::CopyCrap() {
    const QString temp = TempFolder();
    const QString app = state_.appfolder;
    state_.namelist = Catalogue::Split(Catalogue::NdsInstallNames);
    state_.extralist = Catalogue::Split(Catalogue::ExtraBmpNames);
    for (const QString& name : state_.namelist)
        if (host_->exists(temp + name) && !copyStep(temp + name, app + QStringLiteral("nds/") + name)) return false;
    for (const QString& name : state_.extralist)
        if (host_->exists(temp + name) && !copyStep(temp + name, app + QStringLiteral("gba/.shell/bmp/") + name))
            return false;
    for (const char* name : {"asc.dat", "hzk.dat"})
        if (host_->exists(app + QStringLiteral("nds/") + name) &&
            !copyStep(app + QStringLiteral("nds/") + name, app + QStringLiteral("gba/.shell/") + name))
            return false;
    if (host_->exists(temp + QStringLiteral("help.txt")) &&
        !copyStep(temp + QStringLiteral("help.txt"), app + QStringLiteral("gba/.shell/help.txt")))
        return false;
    return true;
}

void Workbench::skinVu4Loaders() {
    const QString temp = TempFolder();
    const QString app = state_.appfolder;
    // Each failing step is skipped; the user hears of them together at the end.
    QStringList failed;
    if (!CopyCrap()) failed << lastFailure_;
    const QString text = app + QStringLiteral("text.txt");
    if (host_->exists(text) && !host_->deleteFile(text)) failed << QStringLiteral("%1 could not be deleted.").arg(text);
    if (host_->exists(temp + QStringLiteral("text.txt")) && !copyStep(temp + QStringLiteral("text.txt"), text))
        failed << lastFailure_;
    const QString script = host_->exists(text) ? QStringLiteral("skin_txt.bat") : QStringLiteral("Skin_it.bat");
    if (!host_->exists(app + script))
        messages_.ok(script + QStringLiteral(" is missing. Please reinstall the program."));
    else if (!host_->shellAndWait(app + script, 3))
        failed << QStringLiteral("%1 could not be started.").arg(app + script);

    const QString image = app + QStringLiteral("qvkit_up.bin");
    if (!host_->exists(image)) {
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
        ensureCopyTo();
        // The copy replaces the drive's loader image only once the new one is complete.
        if (!copyStep(image, WithSlash(copyTo_.drive) + QStringLiteral("qvkit_up.bin"))) failed << lastFailure_;
    }
    if (!failed.isEmpty())
        messages_.ok(QStringLiteral("Skin VU4 loaders: these steps failed and were skipped:\n") +
                     failed.join(QLatin1Char('\n')));
}

void Workbench::skinDi3Gba() {
    if (!CopyCrap()) {
        messages_.ok(QStringLiteral("Skin DI3 GBA stopped: ") + lastFailure_ +
                     QStringLiteral(" di3gba.bat was not run."));
        return;
    }
    const QString script = state_.appfolder + QStringLiteral("di3gba.bat");
    if (!host_->exists(script))
        messages_.ok(QStringLiteral("di3gba.bat is missing. Please reinstall the program."));
    else if (!host_->shellAndWait(script, 3))
        messages_.ok(QStringLiteral("Skin DI3 GBA stopped: %1 could not be started.").arg(script));
}
