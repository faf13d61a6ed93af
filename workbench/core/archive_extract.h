#pragma once

#include <QString>
#include <QStringList>

// Limits on what one archive may unpack to.
struct ExtractLimits {
    qint64 total = qint64(256) << 20;  // all entries together
    qint64 entry = qint64(64) << 20;   // any one entry
};

struct ExtractReport {
    int extracted = 0;                              // regular files written
    QStringList skipped;                            // entries left out: links, devices, unsafe paths
    bool opened = false;                            // the archive could be opened at all
    bool unwritable = false;                        // the destination could not be entered
    bool damaged = false;                           // reading stopped at an error
    bool limitHit = false;                          // extraction stopped at a size limit
    QString message(const QString& archive) const;  // what the user is told; empty when all is well
};

// Unpacks every regular file and folder of the archive into destination (which must exist).
// Never writes outside destination, never creates links or devices, never follows a link; "\" in
// entry names separates folders. An entry that does not finish is removed; what was extracted
// before a damaged spot or a limit stays.
ExtractReport ExtractArchive(const QString& archive, const QString& destination, const ExtractLimits& limits = {});
