#include "platform/cache_folders.h"

#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace corvamo {

CacheFolders CacheFolders::Under(const QString& root) {
    return {WithSlash(root) + QStringLiteral("CorvamoTemp/"), WithSlash(root) + QStringLiteral("temp.bmp"), root};
}

QString MemoryFolder() {
    for (const QByteArray& folder : {qgetenv("XDG_RUNTIME_DIR"), QByteArray("/dev/shm")}) {
        struct statfs fs {};
        struct stat st {};
        if (!folder.isEmpty() && ::statfs(folder.constData(), &fs) == 0 && fs.f_type == TMPFS_MAGIC &&
            ::stat(folder.constData(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(folder.constData(), W_OK) == 0)
            return QFile::decodeName(folder);
    }
    return {};
}

QString CacheFolders::thumbnails() const { return WithSlash(root) + QStringLiteral("thumbnails"); }

CacheLease CacheLease::ForWindow(const QString& root) {
    QDir().mkpath(root);
    // The kernel drops the lock when the process ends, however it ends: a crash leaves no stale lock.
    const int fd = ::open(QFile::encodeName(WithSlash(root) + QStringLiteral("CorvamoTemp.lock")).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        CacheLease lease;
        lease.lock_ = fd;
        lease.folders_ = CacheFolders::Under(root);
        return lease;
    }
    if (fd >= 0) ::close(fd);
    return Private(root);
}

CacheLease CacheLease::Private(const QString& root) {
    QDir().mkpath(root);
    CacheLease lease;
    lease.private_ = std::make_unique<QTemporaryDir>(WithSlash(root) + QStringLiteral("run-XXXXXX"));
    // A folder that cannot be made leaves names that fail as soon as the temporary folder is made,
    // which the workbench reports.
    lease.folders_ = CacheFolders::Under(lease.private_->isValid() ? lease.private_->path()
                                                                   : WithSlash(root) + QStringLiteral("run-failed"));
    lease.folders_.root = root;
    return lease;
}

CacheLease::CacheLease(CacheLease&& other) noexcept
    : folders_(std::move(other.folders_)), lock_(other.lock_), private_(std::move(other.private_)) {
    other.lock_ = -1;
}

CacheLease::~CacheLease() {
    if (lock_ >= 0) ::close(lock_);
}

}  // namespace corvamo
