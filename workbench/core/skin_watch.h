#pragma once

#include "workbench.h"

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace corvamo {

// Live reload: while a skin is loaded, a change of its files on disk (a folder skin's skin files,
// an archive skin's archive) loads it again, as the workbench's reloadSkin does. A burst of
// changes gives one reload, at most LatestMs after the first; while the workbench is busy (a build
// script runs, a message box is open) the reload waits and happens after. A reload that fails
// says so once, not again while it keeps failing the same way.
class SkinWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int QuietMs = 150;   // a burst has ended after this much quiet
    static constexpr int LatestMs = 400;  // from the first change to the reload, at most
    static constexpr int BusyRetryMs = 100;

    explicit SkinWatch(Workbench& workbench, QObject* parent = nullptr);

    // Follows the skin the workbench has loaded now; stops when none is loaded.
    void follow();
    int reloads() const { return reloads_; }
    // How many times a reload found the workbench busy and waited.
    int waited() const { return waited_; }
    // A change waits for its reload.
    bool pending() const { return timer_.isActive(); }

signals:
    void reloaded();

private:
    void noticeChange(bool contents);
    void fire();
    // The files to watch: a folder skin's skin files (as Host::findFile finds them), an archive.
    QStringList skinFiles() const;
    void arm(const QStringList& files);
    // What a change of the skin changes: its files, with their identity, size and time.
    QString signature(const QStringList& files) const;

    Workbench& workbench_;
    Workbench::LoadedSkin target_;
    QFileSystemWatcher watcher_;
    QTimer timer_;
    QElapsedTimer since_;  // since the first change that waits for its reload
    bool waiting_ = false;
    bool contentsChanged_ = false;
    QString signature_, lastFailure_;
    int reloads_ = 0, waited_ = 0;
};

}  // namespace corvamo
