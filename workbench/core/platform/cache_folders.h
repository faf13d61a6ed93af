#pragma once

#include <QString>

#include <memory>

class QTemporaryDir;

namespace corvamo {

// Where the workbench keeps its own files: the temporary folder of the skin and the preview
// export's scratch file. The program takes them from the user's cache folder; tests give their own.
struct CacheFolders {
    QString temp;        // ends in "/"
    QString scratchBmp;  // a file
    // The user's cache root these lie below (for a private pair, the shared root above its own
    // folder): where the thumbnails and other runs' folders go.
    QString root;
    // root/CorvamoTemp/ and root/temp.bmp.
    static CacheFolders Under(const QString& root);
    // root/thumbnails/: the gallery's thumbnail cache.
    QString thumbnails() const;
};

// A folder on a memory file system in which this user may make folders of their own (the user's
// runtime folder, else /dev/shm); "" when the system has none. Scratch files that live for a
// moment cost far less there than on a disk.
QString MemoryFolder();

// Cache folders that no other Corvamo process uses while this one holds them. The first window
// takes root/CorvamoTemp/ and root/temp.bmp, and keeps them locked while it runs; a second window,
// and every command-line run, gets a pair of its own in a new folder below root, removed when the
// lease ends. Two runs never clear, fill or read each other's skin.
class CacheLease {
public:
    static CacheLease ForWindow(const QString& root);
    static CacheLease Private(const QString& root);
    CacheLease(CacheLease&&) noexcept;
    ~CacheLease();

    const CacheFolders& folders() const { return folders_; }

private:
    CacheLease() = default;

    CacheFolders folders_;
    int lock_ = -1;  // the held lock on root's shared pair
    std::unique_ptr<QTemporaryDir> private_;
};

}  // namespace corvamo
