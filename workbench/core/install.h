#pragma once

// What an install (Skin VU4 loaders, Skin DI3 GBA) tells its user, and the pieces it needs beyond
// the working folders: which files the build scripts made, the warnings Lindquay printed, and the
// loader image's road onto the card.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>

namespace corvamo {

// The install log: the workbench's own lines and the scripts' output as it comes, kept whole so
// that it can be copied and saved after the run.
class InstallLog {
public:
    // Called with every piece of text added (the window shows it, the command line prints it).
    std::function<void(const QString& text)> appended;

    void line(const QString& text);
    // Script output: shown as it comes; a line it leaves open is closed before the next own line.
    void output(const QString& text) { add(text); }
    const QString& text() const { return text_; }
    void clear() { text_.clear(); }

private:
    void add(const QString& text);
    QString text_;
};

// What one install did, for the summary at its end.
struct InstallReport {
    QString title;         // "Skin VU4 loaders"
    QStringList copied;    // "what was copied where" lines
    QStringList built;     // files the scripts created or changed, relative to the program folder
    QStringList warnings;  // what Lindquay warned of
    QStringList failed;    // failed steps with their reasons
    QString loaderImage;   // where the loader image went, or why not
    bool ok() const { return failed.isEmpty(); }
    // The summary lines that end the log.
    QStringList summary() const;
};

// The regular files below folder with their size and change time, relative paths as keys (at most
// 20,000, hidden folders such as gba/.shell included).
using FolderStamps = std::map<QString, std::pair<qint64, QDateTime>>;
FolderStamps StampFolder(const QString& folder);
// The files of after that before lacks or that changed, Lindquay's scratch and lock files left out.
QStringList ChangedFiles(const FolderStamps& before, const FolderStamps& after);

// The lines of a build's output that warn: Lindquay's "WARNING" lines and its placeholder base ROM.
QStringList LindquayWarnings(const QString& output);

}  // namespace corvamo
