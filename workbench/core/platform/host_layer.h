#pragma once

#include "platform/card_copy.h"
#include "platform/script_runner.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>
#include <vector>

namespace corvamo {

// A mounted volume as the drive lists show it.
struct Volume {
    QString root;            // the volume's root path, ending in "/"
    QString label;           // may be empty
    bool removable = false;  // a memory card or USB stick
    qint64 bytes = 0;        // its size
    // The list entry: the root path, then the label in brackets when there is one; a removable
    // volume is marked with its size, so that a card is told from a system disk.
    QString entry() const;
};

struct FolderEntry {
    enum Kind { File, Folder, Link, Other };
    QString name;
    Kind kind;  // of the entry itself: a link is a Link, whatever it points to
};

// Every file and window-system operation the workbench's logic uses. Virtual, so that tests can
// make single operations fail (CI runs as root, where permissions cannot).
class Host {
public:
    virtual ~Host() = default;

    // The present-file test: the path of the regular file (a link is followed) named like the
    // last component of path in its folder, without regard to letter case, the exact spelling
    // preferred; empty when there is none. Names beginning with "." are hidden: absent.
    virtual QString findFile(const QString& path) const;
    bool exists(const QString& path) const { return !findFile(path).isEmpty(); }

    // Copies from (found as findFile does) to to, replacing every file in to's folder whose name
    // differs from to's only in letter case, so exactly one file with to's spelling is left.
    // The old file stays until the new one is complete.
    virtual bool copyFile(const QString& from, const QString& to);
    // Deletes every file (or link, never what it points to) named like path in any case.
    // True when none is left.
    virtual bool deleteFile(const QString& path);
    // Deletes exactly this file or link (never what a link points to).
    virtual bool removeEntry(const QString& path);
    // The entries of a folder, hidden ones included, "." and ".." left out; nothing when the
    // folder cannot be listed.
    virtual std::optional<std::vector<FolderEntry>> listFolder(const QString& folder) const;
    // Creates the folder and its parents; true when it exists afterwards.
    virtual bool makeFolder(const QString& path);
    // The mounted volumes, pseudo file systems left out.
    virtual std::vector<Volume> volumes() const;
    // ShellAndWait: starts the command line and returns when it has ended; false when the
    // program could not be started.
    virtual bool shellAndWait(const QString& commandLine, int showMode);
    // Opens the address in the desktop's browser; false when that failed.
    virtual bool openUrl(const QUrl& url);
    // Runs a build script with the runner (see ScriptRunner) in folder and waits for its end.
    virtual ScriptResult runScript(const QString& script, const QString& folder, ScriptRunner& runner);
    // Puts the loader image onto the card (see CopyLoaderImage).
    virtual CardCopy copyLoaderImage(const QString& image, const QString& folder);
};

// The folder of the running Corvamo (canonical, from /proc/self/exe), or the folder that
// CORVAMO_PROGRAM_DIR names (the installed launcher, tests); with a "/" at its end. Never the
// current folder, so that starting Corvamo elsewhere never runs that folder's scripts.
QString ProgramFolder();

// ShellAndWait itself: starts the command line (a script "*.bat" is run as /bin/sh SCRIPT, with
// standard input from /dev/null) and returns when it has ended, processing window events every
// 100 ms meanwhile. showMode has no effect for a windowless child. Returns how many 100 ms passes
// the wait took (at least one), or -1 when the program could not be started.
int ShellAndWaitPasses(const QString& commandLine, int showMode);

// The first removable volume of list; else the volume of path (the copy-to window's first choice).
Volume CardOrVolumeOf(const std::vector<Volume>& list, const QString& path);

// One listing of a folder for looking up many names in it: find() answers as Host::findFile
// would, without a listing or a stat per name (a folder of 300 skins was listed once per
// catalogue name). Stale once the folder changes; make a new one then.
class FolderNames {
public:
    FolderNames(const Host& host, const QString& folder);
    // As host.findFile(folder + "/" + name).
    QString find(const QString& name) const;
    // Every file, link or other non-folder named like name in any letter case, as full paths;
    // nothing when the folder could not be listed.
    QStringList namedLike(const QString& name) const;
    bool listed() const { return entries_.has_value(); }
    // The listing itself; nothing when the folder could not be listed.
    const std::optional<std::vector<FolderEntry>>& entries() const { return entries_; }

private:
    const Host& host_;
    QString folder_;  // ends in "/"
    std::optional<std::vector<FolderEntry>> entries_;
};

// Writes bytes to a new file made beside path (O_EXCL, never through a link), then renames it over
// path, so that path holds either its old content or all of the new; false when that failed.
bool WriteFileReplacing(const QString& path, const QByteArray& bytes);

// The volume of list whose root is the longest prefix of path; list's first entry when none is.
Volume VolumeOf(const std::vector<Volume>& list, const QString& path);

}  // namespace corvamo
