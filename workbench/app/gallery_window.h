#pragma once

#include "collection/gallery_model.h"

#include <QWidget>

#include <functional>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;

namespace corvamo {

// View > Gallery: every skin of the folder list's folder as a thumbnail of its two previews, with
// its name and a badge of its check's errors and warnings. A click loads the skin as the file or
// folder list would; two chosen with Ctrl+click can be compared side by side.
class GalleryWindow : public QWidget {
    Q_OBJECT
public:
    GalleryWindow(const QString& cacheRoot, const QString& thumbnails, QWidget* parent = nullptr);

    GalleryModel& model() { return model_; }
    QListWidget* list() const { return list_; }
    QProgressBar* progressBar() const { return progress_; }
    QPushButton* compareButton() const { return compare_; }
    // The picture an item shows: the thumbnail with the badge of its check (or "..." while it is
    // made), as the list draws it.
    static QImage ItemPicture(const GalleryModel::Item& item);
    // The badge's words: "2 errors, 1 warning", "OK", or "cannot be shown".
    static QString BadgeText(const GalleryModel::Item& item);

    // The gallery follows this folder (the folder list's); a skin folder inside the folder shown
    // keeps the gallery where it is.
    void follow(const QString& folder);

    // Set by the main window: load this skin; compare these two.
    std::function<void(const QString& path)> open;
    std::function<void(const QString& a, const QString& b)> compare;

private:
    void rebuild();
    void showItem(int index);
    void showProgress(int ready, int total);
    QStringList chosen() const;

    GalleryModel model_;
    QListWidget* list_;
    QProgressBar* progress_;
    QLabel* status_;
    QPushButton* compare_;
};

}  // namespace corvamo
