#pragma once

#include "platform/cache_folders.h"
#include "platform/host_layer.h"
#include "platform/status.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QTemporaryDir;

namespace corvamo {

// What a path given as a skin is: a skin folder, a ".zip" archive (a regular file, or a link to
// one, whose name ends in ".zip" in any letter case), nothing, or something else.
enum class SkinPathKind { Folder, Archive, Missing, Other };
SkinPathKind KindOfSkinPath(const QString& path);
// Whether a file name is an archive's as the file list shows them: ".zip" in any letter case.
bool IsZipName(const QString& name);
// Why a path of kind Missing or Other is no skin, in the words of the command lines.
QString NoSkinText(SkinPathKind kind);

// The skin files among a folder's entries: regular files (or links to one) with a catalogue name
// in any letter case, hidden ones left out.
bool HoldsSkinFile(const QString& folder, const Host& host);

// A folder entry under a catalogue name (any letter case) that is no regular file of the skin: a
// link (wherever it points: a private file, a device), a FIFO, a device or a socket. It is never
// loaded, packed, installed or copied: what it stands for is outside the skin.
struct RefusedEntry {
    QString name;  // the entry's own name
    QString what;  // "is a link; a skin file must be a regular file in the skin" and the like
};
std::vector<RefusedEntry> RefusedSkinEntries(const QString& folder, const Host& host);
// The present-file test of a skin's own files: as Host::findFile, but a link is no file.
QString FindSkinFile(const QString& path, const Host& host);

// A skin zipped with its folder: when folder (an unpacked archive) has no skin file at its top and
// exactly one sub-folder holds skin files, that sub-folder's files are moved to the top, as if the
// archive held them there. Returns that sub-folder's name, or "" when nothing was moved.
QString LiftSkinFolder(const QString& folder, const Host& host);

// Where a skin opened for reading is unpacked: beside the temporary folder, never in it, since
// loading takes any folder left there for part of the next archive.
QString ScratchRootOf(const CacheFolders& cache);

// A skin as its author made it, opened for reading: a skin folder as it lies, an archive unpacked
// into a scratch folder of its own exactly as loading unpacks it.
class SkinFiles {
public:
    // skin: a skin folder or a .zip archive. Archives are unpacked below scratchRoot.
    static SkinFiles Open(const QString& skin, const QString& scratchRoot, const Host& host);

    QString name;          // the folder's or the archive's own name
    bool archive = false;  // an archive, not a folder
    // What the author made: the files at the top of a folder, or every file of an archive with
    // its path inside it ("/" between folders), letter case as made.
    QStringList entries;
    QString lifted;                     // the archive's one skin folder, whose files stand in for its top
    std::vector<RefusedEntry> refused;  // entries under skin names that are no regular files
    Status status;                      // a failure says why the skin could not be read, or not completely
    bool readable = false;              // anything could be read at all (an archive may be, in part)

    // The file loading takes for a catalogue name (exact spelling first, then any letter case);
    // empty when the skin lacks it.
    QString find(const QString& catalogueName) const;
    // The name of a file found by find(), as the author's entries show it.
    QString entryName(const QString& found) const;
    // Where the files lie, ending in "/".
    QString top() const { return top_; }
    // A folder of the skin's own for scratch files, removed with it.
    QString scratch() const;

private:
    const Host* host_ = nullptr;
    QString top_;
    std::shared_ptr<QTemporaryDir> scratch_;
};

}  // namespace corvamo
