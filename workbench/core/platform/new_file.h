#pragma once

#include <QString>

#include <cstddef>

namespace corvamo {

// A file written completely beside its final name, then put in its place: created new
// (O_CREAT | O_EXCL | O_NOFOLLOW) under a random hidden name in the same folder and written only
// through the descriptor that created it, so that a link another user swaps in for that name is
// never written through, and a failed write never costs the file that was there before.
class NewFileBeside {
public:
    explicit NewFileBeside(const QString& finalPath);
    ~NewFileBeside();  // removes the part file unless it was committed
    NewFileBeside(const NewFileBeside&) = delete;
    NewFileBeside& operator=(const NewFileBeside&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const QString& partPath() const { return part_; }
    // Writes every byte; false (and the first error kept) when any is not written.
    bool write(const void* data, std::size_t size);
    // Notes a failed write made through fd() by someone else.
    void fail(int error) {
        if (error_ == 0) error_ = error;
    }
    // The first error (errno) of any step; 0 when none failed.
    int error() const { return error_; }
    // Syncs (when sync) and closes the file, then renames it over the final name (replace) or only where
    // nothing is by then (errno EEXIST). False when any write, the sync or the close failed, or
    // when the part's name no longer holds this file (swapped meanwhile, errno EXDEV).
    bool commit(bool replace, bool sync = true);

private:
    QString final_, part_;
    int fd_ = -1;
    int error_ = 0;
    bool created_ = false, committed_ = false;
};

// Creates path new (O_CREAT | O_EXCL | O_NOFOLLOW, mode 0666 less the umask) and writes bytes
// through that descriptor: never through a link or over a file that appeared meanwhile. False
// with errno when the file could not be made or written completely (what was made is removed).
bool WriteNewFile(const QString& path, const char* bytes, std::size_t size);

}  // namespace corvamo
