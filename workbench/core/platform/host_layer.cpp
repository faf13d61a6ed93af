#include "platform/host_layer.h"

#include "platform/new_file.h"
#include "platform/paths.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QStorageInfo>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace corvamo {

namespace fs = std::filesystem;

namespace {

fs::path Native(const QString& path) { return fs::path(QFile::encodeName(path).toStdString()); }

// Splits a path into its folder (no trailing "/", "/" for the root) and last component.
std::pair<QString, QString> SplitPath(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) return {QStringLiteral("."), path};
    return {slash == 0 ? QStringLiteral("/") : path.left(slash), path.mid(slash + 1)};
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// A memory card or USB stick: its disk says it is removable, hangs on USB or is an SD card
// reader, or the desktop mounted it where it mounts removable media.
bool IsRemovable(const QStorageInfo& storage) {
    const QString root = storage.rootPath();
    if (root.startsWith(QLatin1String("/media/")) || root.startsWith(QLatin1String("/run/media/"))) return true;
    struct stat st {};
    if (::stat(QFile::encodeName(root).constData(), &st) != 0) return false;
    const QString block = QStringLiteral("/sys/dev/block/%1:%2").arg(major(st.st_dev)).arg(minor(st.st_dev));
    const QString device = QFileInfo(block).canonicalFilePath();
    if (device.isEmpty()) return false;
    if (device.contains(QLatin1String("/usb")) || device.contains(QLatin1String("/mmcblk"))) return true;
    // The disk of a partition is its parent folder.
    for (const QString& disk : {device, QFileInfo(device).path()}) {
        QFile flag(disk + QStringLiteral("/removable"));
        if (flag.open(QIODevice::ReadOnly)) return flag.read(1) == "1";
    }
    return false;
}

bool IsRegularFile(const QString& path) {
    std::error_code ec;
    return fs::is_regular_file(Native(path), ec);  // follows a link
}

}  // namespace

QString Host::findFile(const QString& path) const {
    const auto [folder, name] = SplitPath(path);
    if (name.isEmpty() || name.startsWith(QLatin1Char('.'))) return {};
    if (IsRegularFile(path)) return path;
    const auto entries = listFolder(folder);
    if (!entries) return {};
    for (const FolderEntry& entry : *entries) {
        if (entry.kind == FolderEntry::Folder || !SameName(entry.name, name)) continue;
        const QString candidate = WithSlash(folder) + entry.name;
        if (IsRegularFile(candidate)) return candidate;
    }
    return {};
}

bool Host::copyFile(const QString& from, const QString& to) {
    const QString source = findFile(from);
    const auto [folder, name] = SplitPath(to);
    if (source.isEmpty() || name.isEmpty()) return false;
    // Copy beside the destination first, through the file created for it, so that a failed copy
    // leaves the old file in place and a link swapped in for the new file is never written through.
    NewFileBeside part(WithSlash(folder) + name);
    const int in = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0 || !part.isOpen()) {
        if (in >= 0) ::close(in);
        return false;
    }
    char block[1 << 16];
    for (ssize_t n; (n = ::read(in, block, sizeof block)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || !part.write(block, std::size_t(n))) {
            part.fail(n < 0 ? errno : EIO);
            break;
        }
    }
    ::close(in);
    // An empty folder under the name (an archive's leftover elsewhere) gives way; others do not.
    std::error_code ec;
    const fs::path destination = Native(WithSlash(folder) + name);
    if (fs::is_directory(fs::symlink_status(destination, ec))) fs::remove(destination, ec);
    if (!part.commit(true, false)) return false;
    const auto entries = listFolder(folder);
    if (!entries) return false;
    bool ok = true;
    const fs::path written = Native(WithSlash(folder) + name);
    for (const FolderEntry& entry : *entries) {
        if (entry.kind == FolderEntry::Folder || entry.name == name || !SameName(entry.name, name)) continue;
        // On a volume that ignores letter case (a FAT memory card) the variant is the new file.
        const fs::path variant = Native(WithSlash(folder) + entry.name);
        if (fs::equivalent(variant, written, ec)) continue;
        ok = fs::remove(variant, ec) && ok;
    }
    return ok;
}

bool Host::deleteFile(const QString& path) {
    const auto [folder, name] = SplitPath(path);
    const auto entries = listFolder(folder);
    if (!entries) return !QFileInfo(folder).exists();
    bool ok = true;
    std::error_code ec;
    for (const FolderEntry& entry : *entries)
        if (entry.kind != FolderEntry::Folder && SameName(entry.name, name))
            ok = fs::remove(Native(WithSlash(folder) + entry.name), ec) && ok;
    return ok;
}

bool Host::removeEntry(const QString& path) {
    std::error_code ec;
    return fs::remove(Native(path), ec);
}

std::optional<std::vector<FolderEntry>> Host::listFolder(const QString& folder) const {
    // The kind comes with the listing (d_type); only a file system that does not give it costs a
    // stat per entry.
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) return std::nullopt;
    std::vector<FolderEntry> entries;
    bool failed = false;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            failed = errno != 0;
            break;
        }
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                type = S_ISLNK(st.st_mode) ? DT_LNK : S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : 0;
        }
        const FolderEntry::Kind kind = type == DT_LNK   ? FolderEntry::Link
                                       : type == DT_DIR ? FolderEntry::Folder
                                       : type == DT_REG ? FolderEntry::File
                                                        : FolderEntry::Other;
        entries.push_back({QFile::decodeName(entry->d_name), kind});
    }
    ::closedir(dir);
    if (failed) return std::nullopt;
    return entries;
}

bool Host::makeFolder(const QString& path) { return QDir().mkpath(path); }

std::vector<Volume> Host::volumes() const {
    static const QList<QByteArray> pseudo = {
        "proc",        "sysfs",    "devtmpfs", "devpts",     "cgroup",    "cgroup2", "securityfs", "pstore",
        "bpf",         "debugfs",  "tracefs",  "mqueue",     "hugetlbfs", "fusectl", "configfs",   "autofs",
        "binfmt_misc", "efivarfs", "nsfs",     "rpc_pipefs", "selinuxfs", "ramfs"};
    std::vector<Volume> list;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        if (!storage.isValid() || !storage.isReady() || pseudo.contains(storage.fileSystemType())) continue;
        QString root = storage.rootPath();
        if (root.startsWith(QLatin1String("/proc")) || root.startsWith(QLatin1String("/sys")) ||
            root.startsWith(QLatin1String("/dev")) || !QFileInfo(root).isDir())
            continue;
        if (!root.endsWith(QLatin1Char('/'))) root += QLatin1Char('/');
        if (std::none_of(list.begin(), list.end(), [&](const Volume& v) { return v.root == root; }))
            list.push_back({root, storage.name(), IsRemovable(storage), storage.bytesTotal()});
    }
    std::sort(list.begin(), list.end(), [](const Volume& a, const Volume& b) { return a.root < b.root; });
    return list;
}

bool Host::shellAndWait(const QString& commandLine, int showMode) {
    return ShellAndWaitPasses(commandLine, showMode) >= 0;
}

bool Host::openUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

ScriptResult Host::runScript(const QString& script, const QString& folder, ScriptRunner& runner) {
    return runner.run(script, folder);
}

CardCopy Host::copyLoaderImage(const QString& image, const QString& folder) { return CopyLoaderImage(image, folder); }

QString Volume::entry() const {
    QString text = label.isEmpty() ? root : root + QStringLiteral(" [") + label + QLatin1Char(']');
    if (removable)
        text += QStringLiteral(" \u2014 removable, %1")
                    .arg(QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat));
    return text;
}

QString ProgramFolder() {
    const QString chosen = qEnvironmentVariable("CORVAMO_PROGRAM_DIR");
    if (!chosen.isEmpty()) return WithSlash(QDir::cleanPath(QDir(chosen).absolutePath()));
    std::error_code ec;
    const fs::path exe = fs::canonical("/proc/self/exe", ec);
    if (ec) return WithSlash(QCoreApplication::applicationDirPath());
    return WithSlash(QFile::decodeName(exe.parent_path().c_str()));
}

Volume CardOrVolumeOf(const std::vector<Volume>& list, const QString& path) {
    for (const Volume& volume : list)
        if (volume.removable) return volume;
    return VolumeOf(list, path);
}

namespace {

// The program and its arguments. The program folder may hold blanks, so the longest leading part
// that names an existing file is the program; only then is the rest split into arguments.
std::pair<QString, QStringList> ParseCommandLine(const QString& commandLine) {
    if (QFileInfo(commandLine).isFile()) return {commandLine, {}};
    for (qsizetype blank = commandLine.lastIndexOf(QLatin1Char(' ')); blank > 0;
         blank = commandLine.lastIndexOf(QLatin1Char(' '), blank - 1)) {
        const QString program = commandLine.left(blank);
        if (QFileInfo(program).isFile()) return {program, QProcess::splitCommand(commandLine.mid(blank + 1))};
    }
    QStringList parts = QProcess::splitCommand(commandLine);
    if (parts.isEmpty()) return {};
    const QString program = parts.takeFirst();
    return {program, parts};
}

}  // namespace

int ShellAndWaitPasses(const QString& commandLine, int) {
    auto [program, arguments] = ParseCommandLine(commandLine);
    if (program.isEmpty()) return -1;
    if (program.endsWith(QLatin1String(".bat"), Qt::CaseInsensitive)) {
        arguments.prepend(program);
        program = QStringLiteral("/bin/sh");
    }
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.setStandardInputFile(QProcess::nullDevice());
    child.start(program, arguments);
    if (!child.waitForStarted(-1)) return -1;
    int passes = 0;
    bool ended = false;
    // The state is read after the sleep, so a child that ends at once costs exactly one pass.
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(100);
        ++passes;
        ended = child.state() == QProcess::NotRunning || child.waitForFinished(0);
    } while (!ended);
    return passes;
}

FolderNames::FolderNames(const Host& host, const QString& folder)
    : host_(host), folder_(WithSlash(folder)), entries_(host.listFolder(FolderPath(folder))) {}

QString FolderNames::find(const QString& name) const {
    // A folder that cannot be listed may still let its files be opened by name.
    if (!entries_) return host_.findFile(folder_ + name);
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')) || name.contains(QLatin1Char('/'))) return {};
    // The exact spelling first, then the others in listing order, as findFile does; a listed
    // regular file needs no stat, a link is followed.
    const auto regular = [&](const FolderEntry& entry) {
        return entry.kind == FolderEntry::File ||
               (entry.kind == FolderEntry::Link && IsRegularFile(folder_ + entry.name));
    };
    for (const FolderEntry& entry : *entries_)
        if (entry.name == name && regular(entry)) return folder_ + entry.name;
    for (const FolderEntry& entry : *entries_)
        if (entry.kind != FolderEntry::Folder && entry.name != name && SameName(entry.name, name) && regular(entry))
            return folder_ + entry.name;
    return {};
}

QStringList FolderNames::namedLike(const QString& name) const {
    QStringList paths;
    if (entries_)
        for (const FolderEntry& entry : *entries_)
            if (entry.kind != FolderEntry::Folder && SameName(entry.name, name)) paths << folder_ + entry.name;
    return paths;
}

bool WriteFileReplacing(const QString& path, const QByteArray& bytes) {
    const QByteArray part = QFile::encodeName(PartPathBeside(path));
    const int fd = ::open(part.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        data += n;
        left -= n;
    }
    const bool written = ::close(fd) == 0 && left == 0;
    if (written && ::rename(part.constData(), QFile::encodeName(path).constData()) == 0) return true;
    ::unlink(part.constData());
    return false;
}

Volume VolumeOf(const std::vector<Volume>& list, const QString& path) {
    const Volume* best = nullptr;
    const QString withSlash = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    for (const Volume& volume : list)
        if (withSlash.startsWith(volume.root) && (!best || volume.root.size() > best->root.size())) best = &volume;
    if (best) return *best;
    return list.empty() ? Volume{QStringLiteral("/"), {}} : list.front();
}

}  // namespace corvamo
