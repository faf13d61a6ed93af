#include "collection/gallery_model.h"

#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace corvamo {

GalleryModel::GalleryModel(const QString& cacheRoot, const QString& thumbnails, QObject* parent)
    : QObject(parent), cacheRoot_(cacheRoot), cache_(thumbnails) {
    settle_.setSingleShot(true);
    settle_.setInterval(SettleMs);
    connect(&settle_, &QTimer::timeout, this, &GalleryModel::rescan);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { settle_.start(); });
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { settle_.start(); });
}

GalleryModel::~GalleryModel() { stopWorkers(); }

void GalleryModel::setFolder(const QString& folder) {
    // Summaries name their skins by absolute path.
    const QString absolute = FolderPath(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    if (absolute != folder_) {
        folder_ = absolute;
        stopWorkers();
        items_.clear();
        emit listChanged();
    }
    rescan();
}

int GalleryModel::indexOf(const QString& path) const {
    const auto found =
        std::find_if(items_.begin(), items_.end(), [&](const Item& item) { return item.summary.path == path; });
    return found == items_.end() ? -1 : int(found - items_.begin());
}

int GalleryModel::readyCount() const {
    return int(std::count_if(items_.begin(), items_.end(), [](const Item& item) { return item.ready; }));
}

void GalleryModel::rescan() {
    settle_.stop();
    const Host host;
    std::vector<Item> next;
    bool changed = false;
    for (const QString& path : SkinsOfFolder(folder_, host)) {
        const QString key = SkinKey(path, host);
        const int old = indexOf(path);
        if (old >= 0 && items_[size_t(old)].summary.key == key) {
            next.push_back(items_[size_t(old)]);
            changed = changed || old != int(next.size()) - 1;
            continue;
        }
        changed = true;
        Item item;
        if (auto kept = cache_.find(path, key, ThumbnailHeight)) {
            item.summary = std::move(*kept);
            item.ready = true;
        } else {
            item.summary.path = path;
            item.summary.name = QFileInfo(path).fileName();
            item.summary.key = key;
        }
        next.push_back(std::move(item));
    }
    changed = changed || next.size() != items_.size();
    watch();
    if (!changed) return;
    stopWorkers();
    items_ = std::move(next);
    emit listChanged();
    emit progress(readyCount(), int(items_.size()));
    startWorkers();
}

void GalleryModel::watch() {
    if (const QStringList watched = watcher_.files() + watcher_.directories(); !watched.isEmpty())
        watcher_.removePaths(watched);
    QStringList paths{folder_};
    for (const Item& item : items_) paths << item.summary.path;
    watcher_.addPaths(paths);
}

void GalleryModel::startWorkers() {
    auto pending = std::make_shared<QStringList>();
    for (const Item& item : items_)
        if (!item.ready) *pending << item.summary.path;
    if (pending->isEmpty()) return;
    const quint64 generation = ++generation_;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    auto next = std::make_shared<std::atomic<qsizetype>>(0);
    running_ = std::min(SummaryThreads(), int(pending->size()));
    for (int t = 0; t < running_; ++t)
        workers_.emplace_back([this, generation, pending, next, cancel = cancel_] {
            const CacheLease lease = CacheLease::Private(cacheRoot_);
            SkinSummarizer summarizer(lease.folders());
            for (qsizetype i = (*next)++; i < pending->size() && !*cancel; i = (*next)++) {
                const SkinSummary summary = summarizer.summarize((*pending)[i], ThumbnailHeight);
                cache_.store(summary);
                QMetaObject::invokeMethod(
                    this, [this, generation, summary] { finished(generation, summary); }, Qt::QueuedConnection);
            }
            QMetaObject::invokeMethod(
                this,
                [this, generation] {
                    if (generation == generation_ && --running_ == 0) stopWorkers();
                },
                Qt::QueuedConnection);
        });
}

void GalleryModel::stopWorkers() {
    if (cancel_) *cancel_ = true;
    for (std::thread& worker : workers_) worker.join();
    workers_.clear();
    running_ = 0;
}

void GalleryModel::finished(quint64 generation, const SkinSummary& summary) {
    if (generation != generation_) return;
    const int index = indexOf(summary.path);
    if (index < 0 || items_[size_t(index)].summary.key != summary.key) return;
    items_[size_t(index)].summary = summary;
    items_[size_t(index)].ready = true;
    emit itemReady(index);
    emit progress(readyCount(), int(items_.size()));
}

}  // namespace corvamo
