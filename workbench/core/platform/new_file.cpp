#include "platform/new_file.h"

#include "platform/paths.h"

#include <QFile>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvamo {

namespace {

int CreateNew(const QByteArray& path) {
    return ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

bool WriteAll(int fd, const char* bytes, std::size_t size, int& error) {
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (error == 0) error = n < 0 ? errno : ENOSPC;
            return false;
        }
        bytes += n;
        size -= std::size_t(n);
    }
    return true;
}

}  // namespace

NewFileBeside::NewFileBeside(const QString& finalPath) : final_(finalPath), part_(PartPathBeside(finalPath)) {
    fd_ = CreateNew(QFile::encodeName(part_));
    if (fd_ < 0) error_ = errno;
    created_ = fd_ >= 0;
}

NewFileBeside::~NewFileBeside() {
    if (fd_ >= 0) ::close(fd_);
    if (created_ && !committed_) ::unlink(QFile::encodeName(part_).constData());
}

bool NewFileBeside::write(const void* data, std::size_t size) {
    if (fd_ < 0) return false;
    return WriteAll(fd_, static_cast<const char*>(data), size, error_);
}

bool NewFileBeside::commit(bool replace, bool sync) {
    if (fd_ < 0) {
        errno = error_ != 0 ? error_ : EBADF;
        return false;
    }
    if (sync && error_ == 0 && ::fsync(fd_) != 0) error_ = errno;
    struct stat mine {};
    if (error_ == 0 && ::fstat(fd_, &mine) != 0) error_ = errno;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && error_ == 0) error_ = errno;
    const QByteArray from = QFile::encodeName(part_), to = QFile::encodeName(final_);
    // Another user may have swapped the part's name for something of theirs: never put that in
    // the final name's place.
    struct stat named {};
    if (error_ == 0 &&
        (::lstat(from.constData(), &named) != 0 || named.st_dev != mine.st_dev || named.st_ino != mine.st_ino))
        error_ = EXDEV;
    if (error_ == 0) {
        if (replace) {
            if (std::rename(from.constData(), to.constData()) != 0) error_ = errno;
        } else if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) != 0) {
            if (errno != EINVAL && errno != ENOSYS) {
                error_ = errno;
            } else if (::link(from.constData(), to.constData()) != 0) {
                // A file system without the no-replace rename: a hard link cannot replace either.
                error_ = errno;
            } else {
                ::unlink(from.constData());
            }
        }
    }
    committed_ = error_ == 0;
    errno = error_;
    return committed_;
}

bool WriteNewFile(const QString& path, const char* bytes, std::size_t size) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = CreateNew(name);
    if (fd < 0) return false;
    int error = 0;
    WriteAll(fd, bytes, size, error);
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) {
        ::unlink(name.constData());
        errno = error;
        return false;
    }
    return true;
}

}  // namespace corvamo
