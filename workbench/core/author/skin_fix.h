#pragma once

#include "platform/host_layer.h"
#include "platform/status.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

namespace corvamo {

// Make loader-safe: every skin picture that the loader or Lindquay cannot take, or that lies under
// a catalogue picture's base name in another format (mainBG.png for a missing mainBG.bmp), is
// converted into the form the catalogue names: a 24-bit uncompressed BMP, never resized, its
// transparency flattened onto pure white (the key colour, so see-through stays see-through). The
// originals of a skin folder move into a hidden backup folder inside it, which undo puts back; an
// archive is never changed: a fixed copy NAME-fixed.zip is written beside it.

// The folder below a skin folder that holds the originals, one sub-folder per run.
inline constexpr char kBackupFolder[] = ".corvamo-backup";

// One picture to convert: the file as found and the catalogue name it becomes.
struct PlannedFix {
    QString source;  // full path
    QString target;  // catalogue name
    QString why;     // the picture's account ("32-bit BMP with bit-field masks (...): ...")
};
// What Make loader-safe would change in the skin files lying at top (a folder, "/" at its end).
std::vector<PlannedFix> PlanFixes(const QString& top, const Host& host);

struct FixResult {
    QStringList changes;  // one line per picture converted, or put back
    QString backup;       // the run's backup folder, when originals moved there
    QString written;      // the fixed archive, when one was written
    Status status;        // a failure holds what could not be done, one detail per thing
    // What the command line prints and the window shows: the changes, then the failures.
    QString text() const;
};

// skin: a skin folder or a .zip archive (unpacked below scratchRoot). `now` names the backup.
FixResult MakeLoaderSafe(const QString& skin, const QString& scratchRoot, const Host& host, const QDateTime& now);
// Puts back the originals of the skin folder's latest Make loader-safe and removes what it made;
// refuses, changing nothing, when a made file was changed since or an original's name is taken.
FixResult UndoLoaderSafe(const QString& skin);

}  // namespace corvamo
