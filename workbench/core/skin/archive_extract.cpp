#include "skin/archive_extract.h"

#include "skin/catalogue.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <archive.h>
#include <archive_entry.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>

namespace corvamo {

namespace {

struct ReadCloser {
    void operator()(archive* a) const { archive_read_free(a); }
};

QString EntryName(archive_entry* entry) {
    const char* utf8 = archive_entry_pathname_utf8(entry);
    return utf8 ? QString::fromUtf8(utf8) : QFile::decodeName(archive_entry_pathname(entry));
}

// The entry's name with "/" between folders; empty when it cannot be unpacked safely.
QString SafeName(archive_entry* entry) {
    QString name = EntryName(entry);
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.startsWith(QLatin1Char('/')) || (name.size() >= 2 && name[1] == QLatin1Char(':'))) return {};
    QStringList parts;
    for (const QString& part : name.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..")) return {};
        if (part != QLatin1String(".")) parts.append(part);
    }
    return parts.join(QLatin1Char('/'));
}

using Reader = std::unique_ptr<archive, ReadCloser>;

// A reader of zip archives only: the file list shows "*.zip", and a tar or other format under
// that name is refused rather than unpacked. source is a path or the archive's bytes.
Reader OpenZip(const QString* path, const QByteArray* bytes) {
    Reader in(archive_read_new());
    archive_read_support_format_zip(in.get());
    const int opened = path ? archive_read_open_filename(in.get(), QFile::encodeName(*path).constData(), 1 << 16)
                            : archive_read_open_memory(in.get(), bytes->constData(), size_t(bytes->size()));
    if (opened != ARCHIVE_OK) return {};
    return in;
}

// Whether the archive holds more than limit entries. Only headers are read; nothing is unpacked.
bool MoreEntriesThan(Reader in, int limit, const std::function<void()>& progress) {
    archive_entry* entry = nullptr;
    for (int count = 0; archive_read_next_header(in.get(), &entry) >= ARCHIVE_WARN;) {
        if (++count > limit) return true;
        if (progress && count % 256 == 0) progress();
    }
    return false;
}

constexpr const char kUnsupportedMethod[] = "Unsupported ZIP compression method";

ExtractReport Read(const QString* path, const QByteArray* bytes, EntryWriter& writer, const ExtractLimits& limits,
                   const std::function<void()>& progress) {
    ExtractReport report;
    Reader in = OpenZip(path, bytes);
    if (!in) {
        // Readable, but libarchive finds no zip in it.
        QFile file(path ? *path : QString());
        report.notZip = !path || file.open(QIODevice::ReadOnly);
        return report;
    }
    report.opened = true;
    if (MoreEntriesThan(OpenZip(path, bytes), limits.entries, progress)) {
        report.tooManyEntries = true;
        return report;
    }
    if (!writer.ready()) {
        report.unwritable = true;
        return report;
    }

    qint64 total = 0, sinceProgress = 0;
    for (;;) {
        if (progress && sinceProgress > (qint64(4) << 20)) {
            progress();
            sinceProgress = 0;
        }
        archive_entry* entry = nullptr;
        const int r = archive_read_next_header(in.get(), &entry);
        if (r == ARCHIVE_EOF) break;
        if (r < ARCHIVE_WARN) {
            report.damaged = true;
            break;
        }
        sinceProgress += 4096;  // an entry costs about a block, however small its data
        const QString original = EntryName(entry);
        const mode_t type = archive_entry_filetype(entry);
        const bool isFile = type == AE_IFREG && !archive_entry_hardlink(entry);
        const QString name = SafeName(entry);
        if ((!isFile && type != AE_IFDIR) || name.isEmpty()) {
            report.skipped.append(original);
            continue;
        }
        if (isFile && archive_entry_is_encrypted(entry)) {
            report.encrypted.append(original);
            continue;
        }
        const qint64 declared = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : -1;
        if (declared > limits.entry || total + declared > limits.total) {
            report.limitHit = true;
            break;
        }
        if (!writer.begin(name, !isFile, isFile ? declared : 0)) {
            report.skipped.append(original);
            continue;
        }
        if (!isFile) {
            writer.end(true);
            continue;
        }
        bool finished = true;
        qint64 written = 0;
        for (;;) {
            const void* block = nullptr;
            size_t size = 0;
            la_int64_t offset = 0;
            const int d = archive_read_data_block(in.get(), &block, &size, &offset);
            if (d == ARCHIVE_EOF) break;
            if (d < ARCHIVE_WARN) {
                const char* error = archive_error_string(in.get());
                if (d == ARCHIVE_FAILED && error &&
                    std::strncmp(error, kUnsupportedMethod, sizeof kUnsupportedMethod - 1) == 0)
                    report.unsupported.append(original);  // only this entry; the next can be read
                else
                    report.damaged = true;
                finished = false;
                break;
            }
            const qint64 extent = offset + qint64(size);
            if (extent > limits.entry || total + extent > limits.total) {
                report.limitHit = true;
                finished = false;
                break;
            }
            if (!writer.write(block, size, offset)) {
                finished = false;
                report.skipped.append(original);
                break;
            }
            written = std::max(written, extent);
            sinceProgress += qint64(size);
        }
        writer.end(finished);
        if (!finished) {
            if (report.damaged || report.limitHit) break;
            continue;
        }
        total += written;
        ++report.extracted;
    }
    return report;
}

// Writes entries below a folder, each path resolved from a descriptor of the folder one
// component at a time without following a link: no entry can land outside it, and no check walks
// every component of the folder's own (deep) absolute path for every entry.
class FolderWriter : public EntryWriter {
public:
    explicit FolderWriter(const QString& destination) {
        // The destination itself may be reached through links (a cache folder on another volume).
        const QFileInfo target(destination);
        if (!target.isDir() || !target.isExecutable()) return;
        root_ = ::open(QFile::encodeName(destination).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (root_ >= 0) rootPath_ = QFile::encodeName(target.canonicalFilePath());
    }
    ~FolderWriter() override {
        closeFile();
        if (root_ >= 0) ::close(root_);
    }
    bool ready() override { return root_ >= 0; }
    bool begin(const QString& name, bool folder, qint64) override {
        closeFile();
        const QByteArray encoded = QFile::encodeName(name);
        // Nothing could list or clear a path past the system's limit afterwards: DeleteDirectory
        // would leave it in the temporary folder.
        if (rootPath_.size() + 1 + encoded.size() >= PATH_MAX) return false;
        const QList<QByteArray> parts = encoded.split('/');
        int parent = root_;
        for (qsizetype i = 0; i + 1 < parts.size() && parent >= 0; ++i) {
            const int next = EnterFolder(parent, parts[i].constData());
            if (parent != root_) ::close(parent);
            parent = next;
        }
        if (parent < 0) return false;
        const char* leaf = parts.back().constData();
        bool ok;
        if (folder) {
            ok = MakeFolder(parent, leaf);
        } else {
            constexpr int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
            file_ = ::openat(parent, leaf, flags, 0644);
            if (file_ < 0 && errno == EEXIST) {
                // A later entry of the same name replaces an earlier one; an empty folder gives way.
                if (::unlinkat(parent, leaf, 0) != 0 && errno == EISDIR) ::unlinkat(parent, leaf, AT_REMOVEDIR);
                file_ = ::openat(parent, leaf, flags, 0644);
            }
            ok = file_ >= 0;
            if (ok) {
                folder_ = parent;
                leaf_ = parts.back();
                return true;
            }
        }
        if (parent != root_) ::close(parent);
        return ok;
    }
    bool write(const void* data, std::size_t size, qint64 offset) override {
        const char* bytes = static_cast<const char*>(data);
        while (size > 0) {
            const ssize_t n = ::pwrite(file_, bytes, size, off_t(offset));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            bytes += n;
            size -= size_t(n);
            offset += n;
        }
        return true;
    }
    void end(bool complete) override {
        if (file_ < 0) return;
        const bool closed = ::close(file_) == 0;
        file_ = -1;
        if (!complete || !closed) ::unlinkat(folder_, leaf_.constData(), 0);
        closeFile();
    }

private:
    // The sub-folder name of parent, made when missing; -1 when it cannot be entered (a link or a
    // file in its place that cannot give way).
    static int EnterFolder(int parent, const char* name) {
        if (!MakeFolder(parent, name)) return -1;
        return ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    // A folder at name: one there stays, a file or link there gives way.
    static bool MakeFolder(int parent, const char* name) {
        if (::mkdirat(parent, name, 0755) == 0) return true;
        if (errno != EEXIST) return false;
        struct stat st;
        if (::fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) return true;
        return ::unlinkat(parent, name, 0) == 0 && ::mkdirat(parent, name, 0755) == 0;
    }
    void closeFile() {
        if (file_ >= 0) ::close(file_);
        file_ = -1;
        if (folder_ >= 0 && folder_ != root_) ::close(folder_);
        folder_ = -1;
    }

    int root_ = -1, folder_ = -1, file_ = -1;
    QByteArray rootPath_, leaf_;
};

}  // namespace

ExtractReport ReadArchive(const QString& path, EntryWriter& writer, const ExtractLimits& limits,
                          const std::function<void()>& progress) {
    return Read(&path, nullptr, writer, limits, progress);
}

ExtractReport ReadArchive(const QByteArray& bytes, EntryWriter& writer, const ExtractLimits& limits) {
    return Read(nullptr, &bytes, writer, limits, {});
}

ExtractReport ExtractArchive(const QString& archivePath, const QString& destination, const ExtractLimits& limits,
                             const std::function<void()>& progress) {
    FolderWriter writer(destination);
    return ReadArchive(archivePath, writer, limits, progress);
}

namespace {

// The first few names of a list, for a message.
QString FirstNames(const QStringList& names) {
    return names.mid(0, 5).join(QStringLiteral(", ")) + (names.size() > 5 ? QStringLiteral(", ...") : QString());
}

}  // namespace

QString MiBText(qint64 bytes) { return QStringLiteral("%1 MiB").arg(bytes >> 20); }

Status ExtractReport::status(const QString& archive) const {
    if (notZip) return Status::Failure(QStringLiteral("The archive %1 is not a zip archive.").arg(archive));
    if (!opened) return Status::Failure(QStringLiteral("The archive %1 could not be opened.").arg(archive));
    if (tooManyEntries)
        return Status::Failure(
            QStringLiteral("The archive %1 holds more entries than the workbench accepts (%2; a skin has %3 files); "
                           "nothing was extracted.")
                .arg(archive, QLocale(QLocale::English).toString(kMaxArchiveEntries))
                .arg(Catalogue::Split(Catalogue::SkinFileNames).size()));
    QStringList lines;
    if (unwritable)
        lines << QStringLiteral("The archive %1 could not be extracted: the temporary folder cannot be written.")
                     .arg(archive);
    if (damaged)
        lines << QStringLiteral("The archive %1 is damaged; only what could be read before the damage was extracted.")
                     .arg(archive);
    if (limitHit)
        lines << QStringLiteral(
                     "The archive %1 unpacks to more than the workbench accepts (%2 in all, %3 for one file); "
                     "extraction stopped there.")
                     .arg(archive, MiBText(kMaxSkinBytes), MiBText(kMaxSkinFileBytes));
    if (!encrypted.isEmpty())
        lines << QStringLiteral(
                     "The archive %1 is encrypted: %2 entries need a password, which the workbench does not ask for, "
                     "and were left out: %3")
                     .arg(archive)
                     .arg(encrypted.size())
                     .arg(FirstNames(encrypted));
    if (!unsupported.isEmpty())
        lines << QStringLiteral(
                     "%1 entries of the archive %2 use a compression method the workbench cannot read (such as "
                     "Deflate64) and were left out: %3; save the zip with Deflate instead.")
                     .arg(unsupported.size())
                     .arg(archive, FirstNames(unsupported));
    if (!skipped.isEmpty())
        lines << QStringLiteral(
                     "%1 entries of the archive %2 were left out (links, devices or names outside the temporary "
                     "folder): %3")
                     .arg(skipped.size())
                     .arg(archive, FirstNames(skipped));
    return Status::FromTexts(lines);
}

}  // namespace corvamo
