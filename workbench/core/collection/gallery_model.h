#pragma once

#include "collection/skin_summary.h"
#include "collection/thumbnail_cache.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace corvamo {

// The gallery's skins: every skin of one folder (SkinsOfFolder) with its summary, made in the
// background on worker threads (each loading in cache folders of its own) or taken from the
// thumbnail cache. Only thumbnails are kept, never whole pictures. The folder is watched: a skin
// added, changed or removed updates the list, and a changed skin is made again.
class GalleryModel : public QObject {
    Q_OBJECT
public:
    static constexpr int ThumbnailHeight = 96;
    static constexpr int SettleMs = 300;  // a burst of changes on disk has ended after this much quiet

    // cacheRoot: where the workers' own cache folders go; thumbnails: the thumbnail cache's folder.
    GalleryModel(const QString& cacheRoot, const QString& thumbnails, QObject* parent = nullptr);
    ~GalleryModel() override;

    struct Item {
        SkinSummary summary;  // path and name always; the rest once ready
        bool ready = false;
    };
    // Shows the skins of folder (the same folder again only looks for changes).
    void setFolder(const QString& folder);
    QString folder() const { return folder_; }
    const std::vector<Item>& items() const { return items_; }
    int indexOf(const QString& path) const;
    // How many items are ready, of how many.
    int readyCount() const;
    // Looks at the folder again now, as a change on disk would.
    void rescan();
    // Whether workers are making summaries.
    bool working() const { return !workers_.empty(); }

signals:
    void listChanged();         // items were added, removed or reordered
    void itemReady(int index);  // an item's summary is ready (made or taken from the cache)
    void progress(int ready, int total);

private:
    void startWorkers();
    void stopWorkers();
    void finished(quint64 generation, const SkinSummary& summary);
    void watch();

    QString cacheRoot_, folder_;
    ThumbnailCache cache_;
    std::vector<Item> items_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    // The workers take the pending paths of their generation; a new list starts a new generation,
    // whose results alone count.
    std::vector<std::thread> workers_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    quint64 generation_ = 0;
    int running_ = 0;
};

}  // namespace corvamo
