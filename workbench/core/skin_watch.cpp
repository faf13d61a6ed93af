#include "skin_watch.h"

#include "platform/paths.h"
#include "skin/catalogue.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <sys/stat.h>

namespace corvamo {

namespace {

QString Stamp(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return QStringLiteral("-;");
    return QStringLiteral("%1:%2:%3:%4.%5;")
        .arg(path)
        .arg(st.st_ino)
        .arg(st.st_size)
        .arg(st.st_mtim.tv_sec)
        .arg(st.st_mtim.tv_nsec);
}

}  // namespace

SkinWatch::SkinWatch(Workbench& workbench, QObject* parent) : QObject(parent), workbench_(workbench) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &SkinWatch::fire);
    // A skin file rewritten in place may keep its size and time stamp, so its change always
    // counts; an archive, and a folder's listing, are judged by their stamps.
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this,
            [this] { noticeChange(target_.kind == Workbench::LoadedSkin::Folder); });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { noticeChange(false); });
}

void SkinWatch::follow() {
    timer_.stop();
    waiting_ = contentsChanged_ = false;
    lastFailure_.clear();
    target_ = workbench_.loadedSkin();
    const QStringList files = skinFiles();
    signature_ = signature(files);
    arm(files);
}

QStringList SkinWatch::skinFiles() const {
    QStringList files;
    if (target_.kind == Workbench::LoadedSkin::Folder) {
        // One listing answers for every name: a missing name costs no listing of its own.
        const FolderNames listed(workbench_.host(), target_.path);
        for (const QString& name : Catalogue::Split(Catalogue::SkinFileNames))
            if (const QString found = listed.find(name); !found.isEmpty()) files << found;
    } else if (target_.kind == Workbench::LoadedSkin::Archive) {
        files << target_.path;
    }
    return files;
}

void SkinWatch::arm(const QStringList& files) {
    if (const QStringList watched = watcher_.files() + watcher_.directories(); !watched.isEmpty())
        watcher_.removePaths(watched);
    QStringList paths;
    if (target_.kind == Workbench::LoadedSkin::Folder) {
        paths << target_.path << files;
    } else if (target_.kind == Workbench::LoadedSkin::Archive) {
        paths << QFileInfo(target_.path).path();
        if (QFileInfo::exists(target_.path)) paths << target_.path;
    }
    paths.removeDuplicates();
    if (!paths.isEmpty()) watcher_.addPaths(paths);
}

QString SkinWatch::signature(const QStringList& files) const {
    QString signature;
    for (const QString& file : files) signature += Stamp(file);
    return signature;
}

void SkinWatch::noticeChange(bool contents) {
    if (target_.kind == Workbench::LoadedSkin::None) return;
    contentsChanged_ = contentsChanged_ || contents;
    if (!waiting_) {
        waiting_ = true;
        since_.start();
    }
    timer_.start(int(std::clamp<qint64>(LatestMs - since_.elapsed(), 0, QuietMs)));
}

void SkinWatch::fire() {
    if (workbench_.busy()) {
        ++waited_;
        timer_.start(BusyRetryMs);
        return;
    }
    waiting_ = false;
    const bool contents = std::exchange(contentsChanged_, false);
    if (const QStringList files = skinFiles(); !contents && signature(files) == signature_) {
        arm(files);  // a file put in place by rename lost its watch
        return;
    }
    ++reloads_;
    const Status loaded = workbench_.reloadSkin(target_);
    const QStringList files = skinFiles();
    signature_ = signature(files);
    arm(files);
    if (loaded) {
        lastFailure_.clear();
    } else if (loaded.message != lastFailure_) {
        lastFailure_ = loaded.message;
        workbench_.messages().ok(loaded.message);
    }
    emit reloaded();
}

}  // namespace corvamo
