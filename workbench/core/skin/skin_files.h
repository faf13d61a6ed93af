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

struct ExtractReport;

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

// The present-file test of a skin's own files: as Host::findFile, but a link is no file.
QString FindSkinFile(const QString& path, const Host& host);

// Where a skin opened for reading is unpacked: beside the temporary folder, never in it, since
// loading takes any folder left there for part of the next archive.
QString ScratchRootOf(const CacheFolders& cache);

// A skin as its author made it, opened for reading: a skin folder as it lies, an archive unpacked
// into a scratch folder of its own exactly as loading unpacks it. The folder where the files lie
// is listed once, when the skin is opened; find() answers from that listing.
class SkinFiles {
public:
    // skin: a skin folder or a .zip archive. Archives are unpacked below scratchRoot.
    static SkinFiles Open(const QString& skin, const QString& scratchRoot, const Host& host);
    // The archive that loading has just unpacked into folder (how that went: report), read as Open
    // reads an archive without unpacking it again: the files are read where they lie, and a skin
    // zipped with its folder is lifted in folder.
    static SkinFiles Unpacked(const QString& archive, const QString& folder, const ExtractReport& report,
                              const Host& host);

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
    // Keeps the files now under these catalogue names (any letter case) in folder, so that find()
    // still gives the author's files once they are replaced where they lie (loading converts main
    // pictures over their JPEGs in the temporary folder). folder: empty, the caller's, as long as
    // this is read. False when they could not be kept.
    bool keep(const QStringList& catalogueNames, const QString& folder);

private:
    // Reads an unpacked archive at folder as Open does.
    void readUnpacked(const QString& archivePath, const QString& folder, const ExtractReport& report);

    const Host* host_ = nullptr;
    QString top_;
    std::shared_ptr<const FolderNames> listed_;  // top_, listed once
    std::shared_ptr<QTemporaryDir> scratch_;     // where Open unpacked an archive
    QStringList kept_;                           // the names keep() kept, lower case
    std::shared_ptr<const FolderNames> keptListed_;
};

}  // namespace corvamo
