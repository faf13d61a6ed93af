#include "skin/skin_files.h"

#include "platform/paths.h"
#include "skin/archive_extract.h"
#include "skin/catalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvamo {

namespace {

const QSet<QString>& LowerCaseSkinNames() {
    static const QSet<QString> names = [] {
        QSet<QString> set;
        for (const QString& name : Catalogue::Split(Catalogue::SkinFileNames)) set.insert(name.toLower());
        return set;
    }();
    return names;
}

bool IsFileEntry(const QString& folder, const FolderEntry& entry) {
    return entry.kind == FolderEntry::File ||
           (entry.kind == FolderEntry::Link && QFileInfo(WithSlash(folder) + entry.name).isFile());
}

bool IsSkinFile(const QString& folder, const FolderEntry& entry) {
    return !entry.name.startsWith('.') && LowerCaseSkinNames().contains(entry.name.toLower()) &&
           IsFileEntry(folder, entry);
}

// Every file below folder, with its path relative to it.
void ListFiles(const QString& folder, const QString& prefix, const Host& host, QStringList& files) {
    const auto entries = host.listFolder(folder);
    if (!entries) return;
    for (const FolderEntry& entry : *entries) {
        if (entry.kind == FolderEntry::Folder)
            ListFiles(WithSlash(folder) + entry.name, prefix + entry.name + '/', host, files);
        else
            files << prefix + entry.name;
    }
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// What an entry that is no regular file is, for a message; empty for a file or a folder.
QString NotARegularFile(const QString& path) {
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) return {};
    const char* what = nullptr;
    if (S_ISLNK(status.st_mode))
        what = "a link";
    else if (S_ISFIFO(status.st_mode))
        what = "a FIFO";
    else if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))
        what = "a device";
    else if (S_ISSOCK(status.st_mode))
        what = "a socket";
    if (!what) return {};
    return QStringLiteral("is %1; a skin file must be a regular file in the skin").arg(QLatin1String(what));
}

bool IsRegular(const QString& path) {
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISREG(status.st_mode);
}

// The entries of folder's listing under skin names that are no regular files, by name.
std::vector<RefusedEntry> RefusedAmong(const QString& folder, const std::vector<FolderEntry>& entries) {
    std::vector<RefusedEntry> refused;
    for (const FolderEntry& entry : entries) {
        if (entry.kind == FolderEntry::File || entry.kind == FolderEntry::Folder || entry.name.startsWith('.') ||
            !LowerCaseSkinNames().contains(entry.name.toLower()))
            continue;
        if (QString what = NotARegularFile(WithSlash(folder) + entry.name); !what.isEmpty())
            refused.push_back({entry.name, what});
    }
    std::sort(refused.begin(), refused.end(),
              [](const RefusedEntry& a, const RefusedEntry& b) { return a.name < b.name; });
    return refused;
}

// FindSkinFile answered from one listing of the folder.
QString FindListed(const FolderNames& names, const QString& name) {
    const QString found = names.find(name);
    if (found.isEmpty() || NotARegularFile(found).isEmpty()) return found;
    // The exact spelling is a link: another spelling may still be a file of the skin.
    for (const QString& other : names.namedLike(name))
        if (IsRegular(other)) return other;
    return {};
}

}  // namespace

QString FindSkinFile(const QString& path, const Host& host) {
    const QString found = host.findFile(path);
    if (found.isEmpty() || NotARegularFile(found).isEmpty()) return found;
    // The exact spelling is a link: another spelling may still be a file of the skin.
    const qsizetype slash = path.lastIndexOf('/');
    const QString folder = path.left(slash + 1), name = path.mid(slash + 1);
    const auto entries = host.listFolder(folder);
    if (!entries) return {};
    for (const FolderEntry& entry : *entries)
        if (entry.kind == FolderEntry::File && SameName(entry.name, name)) return folder + entry.name;
    return {};
}

SkinPathKind KindOfSkinPath(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir()) return SkinPathKind::Folder;
    if (!info.exists()) return SkinPathKind::Missing;
    return info.isFile() && IsZipName(info.fileName()) ? SkinPathKind::Archive : SkinPathKind::Other;
}

bool IsZipName(const QString& name) { return name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive); }

QString NoSkinText(SkinPathKind kind) {
    return kind == SkinPathKind::Missing ? QStringLiteral("no such skin folder or archive")
                                         : QStringLiteral("neither a skin folder nor a .zip archive");
}

QString ScratchRootOf(const CacheFolders& cache) { return QFileInfo(FolderPath(cache.temp)).path(); }

bool HoldsSkinFile(const QString& folder, const Host& host) {
    const auto entries = host.listFolder(folder);
    if (!entries) return false;
    for (const FolderEntry& entry : *entries)
        if (IsSkinFile(folder, entry)) return true;
    return false;
}

namespace {

// A skin zipped with its folder: when folder (an unpacked archive) has no skin file at its top and
// exactly one sub-folder holds skin files, that sub-folder's files are moved to the top, as if the
// archive held them there. Returns that sub-folder's name, or "" when nothing was moved.
QString LiftSkinFolder(const QString& folder, const Host& host) {
    if (HoldsSkinFile(folder, host)) return {};
    const auto entries = host.listFolder(folder);
    if (!entries) return {};
    QString skinFolder;
    for (const FolderEntry& entry : *entries) {
        if (entry.kind != FolderEntry::Folder || !HoldsSkinFile(WithSlash(folder) + entry.name, host)) continue;
        if (!skinFolder.isEmpty()) return {};  // two skins, or none: the archive loads as it is
        skinFolder = entry.name;
    }
    if (skinFolder.isEmpty()) return {};
    const QString from = WithSlash(folder) + skinFolder;
    const auto files = host.listFolder(from);
    if (!files) return {};
    for (const FolderEntry& entry : *files) {
        if (entry.kind == FolderEntry::Folder) continue;
        // Only the workbench's own unpacked copy moves; a name already at the top keeps its file.
        const auto source = std::filesystem::path(QFile::encodeName(WithSlash(from) + entry.name).toStdString());
        const auto target = std::filesystem::path(QFile::encodeName(WithSlash(folder) + entry.name).toStdString());
        std::error_code error;
        if (!std::filesystem::exists(std::filesystem::symlink_status(target, error)))
            std::filesystem::rename(source, target, error);
    }
    return skinFolder;
}

// A skin's name: the folder's or the archive's own.
QString NameOf(const QString& skin) {
    const QFileInfo info(skin);
    return info.fileName().isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : info.fileName();
}

}  // namespace

SkinFiles SkinFiles::Open(const QString& skin, const QString& scratchRoot, const Host& host) {
    SkinFiles files;
    files.host_ = &host;
    const QString path = QDir::cleanPath(QFileInfo(skin).absoluteFilePath());
    files.name = NameOf(skin);

    const SkinPathKind kind = KindOfSkinPath(skin);
    if (kind == SkinPathKind::Folder) {
        // One listing answers every question about the folder.
        auto listed = std::make_shared<const FolderNames>(host, path);
        if (!listed->entries()) {
            files.status = Status::Failure(QStringLiteral("The folder %1 cannot be read.").arg(path));
            return files;
        }
        for (const FolderEntry& entry : *listed->entries())
            if (!entry.name.startsWith('.') && entry.kind == FolderEntry::File) files.entries << entry.name;
        files.entries.sort();
        files.refused = RefusedAmong(path, *listed->entries());
        files.top_ = WithSlash(path);
        files.listed_ = std::move(listed);
        files.readable = true;
        return files;
    }
    if (kind != SkinPathKind::Archive) {
        files.status = Status::Failure(NoSkinText(kind));
        return files;
    }
    files.archive = true;
    QDir().mkpath(scratchRoot);
    files.scratch_ = std::make_shared<QTemporaryDir>(WithSlash(scratchRoot) + QStringLiteral("skin-XXXXXX"));
    if (!files.scratch_->isValid()) {
        files.status =
            Status::Failure(QStringLiteral("The scratch folder below %1 could not be created.").arg(scratchRoot));
        return files;
    }
    const QString unpacked = QDir(files.scratch_->path()).filePath(QStringLiteral("skin"));
    QDir().mkpath(unpacked);
    files.readUnpacked(path, unpacked, ExtractArchive(path, unpacked));
    return files;
}

SkinFiles SkinFiles::Unpacked(const QString& archive, const QString& folder, const ExtractReport& report,
                              const Host& host) {
    SkinFiles files;
    files.host_ = &host;
    files.name = NameOf(archive);
    files.readUnpacked(QDir::cleanPath(QFileInfo(archive).absoluteFilePath()), folder, report);
    return files;
}

void SkinFiles::readUnpacked(const QString& archivePath, const QString& folder, const ExtractReport& report) {
    archive = true;
    status = report.status(archivePath);
    if (!report.opened) return;
    ListFiles(folder, {}, *host_, entries);
    entries.sort();
    lifted = LiftSkinFolder(folder, *host_);
    top_ = WithSlash(folder);
    listed_ = std::make_shared<const FolderNames>(*host_, top_);
    readable = true;
}

bool SkinFiles::keep(const QStringList& catalogueNames, const QString& folder) {
    QStringList present;
    if (readable)
        for (const QString& catalogueName : catalogueNames) present << listed_->namedLike(catalogueName);
    if (present.isEmpty()) return true;  // the listing already answers: none
    if (folder.isEmpty()) return false;
    for (const QString& from : present) {
        const QString to = WithSlash(folder) + from.mid(from.lastIndexOf('/') + 1);
        // A second name costs no copy: what replaces the file is a new file, never written into it.
        const bool linked = ::linkat(AT_FDCWD, QFile::encodeName(from).constData(), AT_FDCWD,
                                     QFile::encodeName(to).constData(), 0) == 0;
        if (!linked && !(IsRegular(from) && QFile::copy(from, to))) return false;
    }
    for (const QString& catalogueName : catalogueNames) kept_ << catalogueName.toLower();
    keptListed_ = std::make_shared<const FolderNames>(*host_, folder);
    return true;
}

QString SkinFiles::find(const QString& catalogueName) const {
    if (!readable) return {};
    return FindListed(keptListed_ && kept_.contains(catalogueName.toLower()) ? *keptListed_ : *listed_, catalogueName);
}

QString SkinFiles::entryName(const QString& found) const {
    const QString file = found.mid(found.lastIndexOf('/') + 1);
    return lifted.isEmpty() ? file : lifted + '/' + file;
}

}  // namespace corvamo
