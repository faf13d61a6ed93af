#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Limits on what one archive may unpack to. A skin has 49 files; no skin needs thousands of
// entries, and creating them would keep the window busy for seconds.
struct ExtractLimits {
    qint64 total = qint64(256) << 20;  // all entries together
    qint64 entry = qint64(64) << 20;   // any one entry
    int entries = 10000;               // entries of any kind, counted before anything is written
};

struct ExtractReport {
    int extracted = 0;        // regular files written
    QStringList skipped;      // entries left out: links, devices, unsafe paths
    QStringList encrypted;    // entries left out because they need a password
    QStringList unsupported;  // entries left out because their compression cannot be read
    bool opened = false;      // the archive could be opened at all
    bool notZip = false;      // the file could be read but is no zip archive
    bool unwritable = false;  // the destination could not be entered
    bool damaged = false;     // reading stopped at an error
    bool limitHit = false;    // extraction stopped at a size limit
    bool tooManyEntries = false;                    // nothing extracted: more entries than the limit
    QString message(const QString& archive) const;  // what the user is told; empty when all is well
};

// Unpacks every regular file and folder of the zip archive into destination (which must exist).
// Never writes outside destination, never creates links or devices, never follows a link; "\" in
// entry names separates folders. An entry that does not finish is removed; what was extracted
// before a damaged spot or a limit stays. progress, when given, is called now and then while the
// archive is read, so that a window can repaint.
ExtractReport ExtractArchive(const QString& archive, const QString& destination, const ExtractLimits& limits = {},
                             const std::function<void()>& progress = {});
