#include "platform/card_copy.h"

#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvamo {

namespace {

QString Errno(const QString& what, const QString& path) {
    return QStringLiteral("%1 %2: %3").arg(what, path, QString::fromLocal8Bit(std::strerror(errno)));
}

bool WriteAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= n;
    }
    return true;
}

bool SyncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

CardCopy CopyLoaderImage(const QString& image, const QString& folder) {
    CardCopy copy;
    const auto fail = [&](const QString& why) {
        copy.status = Status::Failure(why);
        return copy;
    };
    const QString target = QFileInfo(folder).canonicalFilePath();
    if (target.isEmpty())
        return fail(QStringLiteral("qvkit_up.bin was not copied: the folder %1 does not exist (is the card "
                                   "inserted and mounted?).")
                        .arg(folder));
    if (target == QLatin1String("/"))
        return fail(QStringLiteral(
            "qvkit_up.bin was not copied: / is the root of this computer's own disk, not a memory card. Insert the "
            "card and choose it in File > Copy qvkit_up.bin to drive (or give --card with the card's folder)."));
    QFile source(image);
    if (!source.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("qvkit_up.bin was not copied: %1 cannot be read.").arg(image));
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError)
        return fail(QStringLiteral("qvkit_up.bin was not copied: %1 cannot be read.").arg(image));
    copy.path = WithSlash(target) + QStringLiteral("qvkit_up.bin");
    const QString part = PartPathBeside(copy.path);
    const QByteArray partName = QFile::encodeName(part);
    const int fd = ::open(partName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(QStringLiteral("qvkit_up.bin was not copied: ") + Errno(QStringLiteral("cannot create"), part));
    const bool written = WriteAll(fd, bytes.constData(), bytes.size()) && ::fsync(fd) == 0;
    const int writeErrno = errno;
    ::close(fd);
    if (!written) {
        ::unlink(partName.constData());
        errno = writeErrno;
        return fail(QStringLiteral("qvkit_up.bin was not copied: ") + Errno(QStringLiteral("cannot write"), part));
    }
    if (::rename(partName.constData(), QFile::encodeName(copy.path).constData()) != 0) {
        // The reason first: removing the part file would change errno.
        const QString why =
            QStringLiteral("qvkit_up.bin was not copied: ") + Errno(QStringLiteral("cannot rename to"), copy.path);
        ::unlink(partName.constData());
        return fail(why);
    }
    // One loader image on the card: other spellings of its name go (a FAT card may show the same file).
    for (const QString& name : QDir(target).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (name != QLatin1String("qvkit_up.bin") &&
            name.compare(QLatin1String("qvkit_up.bin"), Qt::CaseInsensitive) == 0) {
            const QString variant = WithSlash(target) + name;
            struct stat a {
            }, b{};
            const bool same = ::stat(QFile::encodeName(variant).constData(), &a) == 0 &&
                              ::stat(QFile::encodeName(copy.path).constData(), &b) == 0 && a.st_ino == b.st_ino &&
                              a.st_dev == b.st_dev;
            if (!same) QFile::remove(variant);
        }
    }
    if (!SyncFolder(target))
        return fail(QStringLiteral("qvkit_up.bin was copied to %1, but its folder could not be synced: do not "
                                   "remove the card yet.")
                        .arg(copy.path));
    // Read back from the volume, not from what the cache remembers of the write.
    const int back = ::open(QFile::encodeName(copy.path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    QByteArray read;
    if (back >= 0) {
        ::posix_fadvise(back, 0, 0, POSIX_FADV_DONTNEED);
        QFile file;
        if (file.open(back, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            read = file.readAll();
        else
            ::close(back);
    }
    if (read != bytes)
        return fail(QStringLiteral("qvkit_up.bin was copied to %1, but reading it back gave other bytes: the card "
                                   "may be damaged or full.")
                        .arg(copy.path));
    return copy;
}

}  // namespace corvamo
