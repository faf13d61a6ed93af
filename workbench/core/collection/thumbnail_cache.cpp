#include "collection/thumbnail_cache.h"

#include "platform/host_layer.h"
#include "platform/paths.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvamo {

namespace {

// An entry: this mark, the skin's key, name and problem, its check's counts, the thumbnail's
// width and height, then its pixels as rows of RGB bytes. Read without any decoding.
constexpr quint32 kMark = 0x43565431;  // "CVT1"
// Far above any entry (a 96-pixel thumbnail takes 70 KB): a larger file is no entry of ours.
constexpr qint64 kMaxEntryBytes = qint64(4) << 20;

// The whole entry file, when it is a regular file of this user's (never through a link) within
// the size an entry may have.
std::optional<QByteArray> ReadEntry(const QString& file) {
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::optional<QByteArray> bytes;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid() && st.st_size <= kMaxEntryBytes) {
        QByteArray read(qsizetype(st.st_size), Qt::Uninitialized);
        qsizetype done = 0;
        while (done < read.size()) {
            const ssize_t n = ::read(fd, read.data() + done, size_t(read.size() - done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += n;
        }
        if (done == read.size()) bytes = std::move(read);
    }
    ::close(fd);
    return bytes;
}

}  // namespace

QString ThumbnailCache::fileFor(const QString& path) const {
    return WithSlash(folder_) +
           QString::fromLatin1(QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex()) +
           QStringLiteral(".thumb");
}

std::optional<SkinSummary> ThumbnailCache::find(const QString& path, const QString& key, int height) const {
    // Anything in the folder may have been put there by another program: only a complete entry
    // of the expected layout, for this key and size, is taken.
    const std::optional<QByteArray> bytes = ReadEntry(fileFor(path));
    if (!bytes) return std::nullopt;
    QDataStream in(*bytes);
    quint32 mark = 0;
    QString storedKey, name, problem;
    qint32 errors = 0, warnings = 0, notes = 0, width = 0, storedHeight = 0;
    in >> mark >> storedKey;
    if (in.status() != QDataStream::Ok || mark != kMark || storedKey != key) return std::nullopt;
    in >> name >> problem >> errors >> warnings >> notes >> width >> storedHeight;
    if (in.status() != QDataStream::Ok || storedHeight != height || width != ThumbnailWidth(height) || errors < 0 ||
        warnings < 0 || notes < 0)
        return std::nullopt;
    const qsizetype row = qsizetype(width) * 3;
    const qsizetype at = qsizetype(in.device()->pos());
    if (bytes->size() - at != row * height) return std::nullopt;
    QImage rgb(width, height, QImage::Format_RGB888);
    if (rgb.isNull()) return std::nullopt;
    for (int y = 0; y < height; ++y) std::memcpy(rgb.scanLine(y), bytes->constData() + at + y * row, size_t(row));
    SkinSummary summary;
    summary.path = path;
    summary.key = key;
    summary.name = name;
    summary.status = problem.isEmpty() ? Status::Success() : Status::Failure(problem);
    summary.errors = errors;
    summary.warnings = warnings;
    summary.notes = notes;
    summary.thumbnail = rgb.convertToFormat(QImage::Format_RGB32);
    return summary;
}

bool ThumbnailCache::store(const SkinSummary& summary) const {
    if (!QDir().mkpath(folder_)) return false;
    const QImage rgb = summary.thumbnail.convertToFormat(QImage::Format_RGB888);
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << kMark << summary.key << summary.name << (summary.broken() ? summary.status.message : QString())
            << qint32(summary.errors) << qint32(summary.warnings) << qint32(summary.notes) << qint32(rgb.width())
            << qint32(rgb.height());
    }
    const qsizetype row = qsizetype(rgb.width()) * 3;
    for (int y = 0; y < rgb.height(); ++y) bytes.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), row);
    return WriteFileReplacing(fileFor(summary.path), bytes);
}

}  // namespace corvamo
