#pragma once

#include "platform/status.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace corvamo {

// What the workbench takes from a skin, each limit named once; the messages are built from these.
// A skin has 49 files (the catalogue's names); no skin needs thousands of entries, and creating them would keep the
// window busy for seconds.
inline constexpr qint64 kMaxSkinBytes = qint64(256) << 20;     // all entries of an archive together
inline constexpr qint64 kMaxSkinFileBytes = qint64(64) << 20;  // any one file, of an archive or a folder
inline constexpr int kMaxArchiveEntries = 10000;               // entries of any kind in one archive
// A size in whole MiB as the messages give it: "64 MiB".
QString MiBText(qint64 bytes);

// Limits on what one archive may unpack to.
struct ExtractLimits {
    qint64 total = kMaxSkinBytes;      // all entries together
    qint64 entry = kMaxSkinFileBytes;  // any one entry
    int entries = kMaxArchiveEntries;  // entries of any kind, counted before anything is written
};

// What unpacking did, entry by entry. The flags stay apart because callers use them apart: a
// skin is listed only when the archive opened, whatever else went wrong; status() is what the
// user is told.
struct ExtractReport {
    int extracted = 0;            // regular files written
    QStringList skipped;          // entries left out: links, devices, unsafe paths
    QStringList encrypted;        // entries left out because they need a password
    QStringList unsupported;      // entries left out because their compression cannot be read
    bool opened = false;          // the archive could be opened at all
    bool notZip = false;          // the file could be read but is no zip archive
    bool unwritable = false;      // the destination could not be entered
    bool damaged = false;         // reading stopped at an error
    bool limitHit = false;        // extraction stopped at a size limit
    bool tooManyEntries = false;  // nothing extracted: more entries than the limit
    // Success when every entry was unpacked; otherwise a failure naming archive, one detail per
    // kind of trouble when there were several.
    Status status(const QString& archive) const;
};

// Where the entries of an archive go: ExtractArchive writes them below a folder on disk; a check
// or a test may keep them in memory.
class EntryWriter {
public:
    virtual ~EntryWriter() = default;
    // Called once the archive is open and within the entry limit; false: nothing can be written.
    virtual bool ready() { return true; }
    // A folder, or the start of a file of size bytes (-1 when the archive does not say), at name:
    // relative, "/" between its components, none of them ".." or "."; false when it cannot be
    // written there (the entry is left out).
    virtual bool begin(const QString& name, bool folder, qint64 size) = 0;
    // Bytes of the current file at offset; false when they cannot be written.
    virtual bool write(const void* data, std::size_t size, qint64 offset) = 0;
    // The end of the current entry; a file that did not finish (complete false) must not stay.
    virtual void end(bool complete) = 0;
};

// Reads the zip archive at path, or held in bytes, entry by entry into writer: every regular file
// and folder, never a link or device, "\" in entry names separating folders, within the limits.
// What was written before a damaged spot or a limit stays. progress, when given, is called now
// and then, so that a window can repaint.
ExtractReport ReadArchive(const QString& path, EntryWriter& writer, const ExtractLimits& limits = {},
                          const std::function<void()>& progress = {});
ExtractReport ReadArchive(const QByteArray& bytes, EntryWriter& writer, const ExtractLimits& limits = {});

// Unpacks the zip archive into destination (which must exist). Never writes outside destination,
// never creates links or devices, never follows a link.
ExtractReport ExtractArchive(const QString& archive, const QString& destination, const ExtractLimits& limits = {},
                             const std::function<void()>& progress = {});

}  // namespace corvamo
