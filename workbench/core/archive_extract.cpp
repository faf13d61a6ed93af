#include "archive_extract.h"

#include <QFile>
#include <QFileInfo>

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace {

struct ReadCloser {
    void operator()(archive* a) const { archive_read_free(a); }
};
struct WriteCloser {
    void operator()(archive* a) const { archive_write_free(a); }
};

// The entry's name with "/" between folders; empty when it cannot be unpacked safely.
QString SafeName(archive_entry* entry) {
    const char* utf8 = archive_entry_pathname_utf8(entry);
    QString name = utf8 ? QString::fromUtf8(utf8) : QFile::decodeName(archive_entry_pathname(entry));
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.startsWith(QLatin1Char('/')) || (name.size() >= 2 && name[1] == QLatin1Char(':'))) return {};
    QStringList parts;
    for (const QString& part : name.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..")) return {};
        if (part != QLatin1String(".")) parts.append(part);
    }
    return parts.join(QLatin1Char('/'));
}

}  // namespace

ExtractReport ExtractArchive(const QString& archivePath, const QString& destination, const ExtractLimits& limits) {
    ExtractReport report;
    std::unique_ptr<archive, ReadCloser> in(archive_read_new());
    archive_read_support_format_all(in.get());
    archive_read_support_filter_all(in.get());
    if (archive_read_open_filename(in.get(), QFile::encodeName(archivePath).constData(), 1 << 16) != ARCHIVE_OK)
        return report;
    report.opened = true;

    // Entries are written below the destination's real path: with no link in that prefix,
    // libarchive's refusal to write through a link applies to every component it adds.
    const QFileInfo target(destination);
    const QString root = target.canonicalFilePath();
    if (root.isEmpty() || !target.isDir() || !target.isExecutable()) {
        report.unwritable = true;
        return report;
    }
    std::unique_ptr<archive, WriteCloser> out(archive_write_disk_new());
    // SafeName keeps every name relative and free of "..", so the absolute paths made from it stay
    // inside root; libarchive's own checks refuse ".." and links on the way as well.
    archive_write_disk_set_options(
        out.get(), ARCHIVE_EXTRACT_SECURE_NODOTDOT | ARCHIVE_EXTRACT_SECURE_SYMLINKS | ARCHIVE_EXTRACT_UNLINK);

    qint64 total = 0;
    for (;;) {
        archive_entry* entry = nullptr;
        const int r = archive_read_next_header(in.get(), &entry);
        if (r == ARCHIVE_EOF) break;
        if (r < ARCHIVE_WARN) {
            report.damaged = true;
            break;
        }
        const QString original =
            QString::fromUtf8(archive_entry_pathname_utf8(entry) ? archive_entry_pathname_utf8(entry) : "");
        const mode_t type = archive_entry_filetype(entry);
        const bool isFile = type == AE_IFREG && !archive_entry_hardlink(entry);
        const QString name = SafeName(entry);
        // libarchive can write a path past the system's limit, folder by folder, but nothing can
        // list or clear it afterwards: DeleteDirectory would leave it in the temporary folder.
        const QString path = root + QLatin1Char('/') + name;
        const bool tooLong = QFile::encodeName(path).size() >= PATH_MAX;
        if ((!isFile && type != AE_IFDIR) || name.isEmpty() || tooLong) {
            report.skipped.append(original);
            continue;
        }
        if (archive_entry_size_is_set(entry) &&
            (archive_entry_size(entry) > limits.entry || total + archive_entry_size(entry) > limits.total)) {
            report.limitHit = true;
            break;
        }
        archive_entry_set_pathname_utf8(entry, path.toUtf8().constData());
        archive_entry_set_perm(entry, isFile ? 0644 : 0755);
        if (archive_write_header(out.get(), entry) < ARCHIVE_WARN) {
            report.skipped.append(original);
            continue;
        }
        if (!isFile) {
            archive_write_finish_entry(out.get());
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
            if (archive_write_data_block(out.get(), block, size, offset) < ARCHIVE_WARN) {
                finished = false;
                report.skipped.append(original);
                break;
            }
            written = std::max(written, extent);
        }
        archive_write_finish_entry(out.get());
        if (!finished) {
            QFile::remove(path);
            if (report.damaged || report.limitHit) break;
            continue;
        }
        total += written;
        ++report.extracted;
    }
    return report;
}

QString ExtractReport::message(const QString& archive) const {
    if (!opened) return QStringLiteral("The archive %1 could not be opened.").arg(archive);
    QStringList lines;
    if (unwritable)
        lines << QStringLiteral("The archive %1 could not be extracted: the temporary folder cannot be written.")
                     .arg(archive);
    if (damaged)
        lines << QStringLiteral("The archive %1 is damaged; only what could be read before the damage was extracted.")
                     .arg(archive);
    if (limitHit)
        lines << QStringLiteral(
                     "The archive %1 unpacks to more than the workbench accepts (256 MiB in all, 64 MiB for one file); "
                     "extraction stopped there.")
                     .arg(archive);
    if (!skipped.isEmpty())
        lines << QStringLiteral(
                     "%1 entries of the archive %2 were left out (links, devices or names outside the temporary "
                     "folder): %3")
                     .arg(skipped.size())
                     .arg(archive, skipped.mid(0, 5).join(QStringLiteral(", ")) +
                                       (skipped.size() > 5 ? QStringLiteral(", ...") : QString()));
    return lines.join(QLatin1Char('\n'));
}
