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
    signature_ = signature();
    arm();
}

void SkinWatch::arm() {
    if (const QStringList watched = watcher_.files() + watcher_.directories(); !watched.isEmpty())
        watcher_.removePaths(watched);
    QStringList paths;
    if (target_.kind == Workbench::LoadedSkin::Folder) {
        paths << target_.path;
        for (const QString& name : Catalogue::Split(Catalogue::SkinFileNames))
            if (const QString found = workbench_.host().findFile(WithSlash(target_.path) + name); !found.isEmpty())
                paths << found;
    } else if (target_.kind == Workbench::LoadedSkin::Archive) {
        paths << QFileInfo(target_.path).path();
        if (QFileInfo::exists(target_.path)) paths << target_.path;
    }
    paths.removeDuplicates();
    if (!paths.isEmpty()) watcher_.addPaths(paths);
}

QString SkinWatch::signature() const {
    QString signature;
    if (target_.kind == Workbench::LoadedSkin::Folder) {
        for (const QString& name : Catalogue::Split(Catalogue::SkinFileNames))
            if (const QString found = workbench_.host().findFile(WithSlash(target_.path) + name); !found.isEmpty())
                signature += Stamp(found);
    } else if (target_.kind == Workbench::LoadedSkin::Archive) {
        signature = Stamp(target_.path);
    }
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
    if (!contents && signature() == signature_) {
        arm();  // a file put in place by rename lost its watch
        return;
    }
    ++reloads_;
    const Status loaded = workbench_.reloadSkin(target_);
    signature_ = signature();
    arm();
    if (loaded) {
        lastFailure_.clear();
    } else if (loaded.message != lastFailure_) {
        lastFailure_ = loaded.message;
        workbench_.messages().ok(loaded.message);
    }
    emit reloaded();
}

}  // namespace corvamo
