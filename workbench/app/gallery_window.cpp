#include "gallery_window.h"

#include "platform/paths.h"
#include "skin/skin_files.h"

#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvamo {

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int BadgeHeight = 14;

QString Counted(int n, const char* one) {
    return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(one)).arg(n == 1 ? "" : "s");
}

}  // namespace

GalleryWindow::GalleryWindow(const QString& cacheRoot, const QString& thumbnails, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(cacheRoot, thumbnails, this) {
    setObjectName(QStringLiteral("Gallery"));
    setWindowTitle(QStringLiteral("Corvamo - Gallery"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("GalleryList"));
    list_->setViewMode(QListView::IconMode);
    list_->setResizeMode(QListView::Adjust);
    list_->setMovement(QListView::Static);
    list_->setUniformItemSizes(true);
    list_->setSpacing(6);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    const QSize icon(ThumbnailWidth(GalleryModel::ThumbnailHeight), GalleryModel::ThumbnailHeight + BadgeHeight);
    list_->setIconSize(icon);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("GalleryProgress"));
    progress_->setMinimumWidth(180);
    status_ = new QLabel(this);
    compare_ = new QPushButton(QStringLiteral("&Compare the two chosen"), this);
    compare_->setObjectName(QStringLiteral("GalleryCompare"));
    compare_->setEnabled(false);
    compare_->setToolTip(QStringLiteral("Choose two skins with Ctrl+click, then compare them side by side"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(status_, 1);
    bottom->addWidget(progress_);
    bottom->addWidget(compare_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(bottom);
    resize(4 * (icon.width() + 24) + 40, 3 * (icon.height() + 40) + 60);

    connect(&model_, &GalleryModel::listChanged, this, &GalleryWindow::rebuild);
    connect(&model_, &GalleryModel::itemReady, this, &GalleryWindow::showItem);
    connect(&model_, &GalleryModel::progress, this, &GalleryWindow::showProgress);
    // A plain click loads; Ctrl or Shift only chooses (for comparing).
    connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (QApplication::keyboardModifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) return;
        if (open) open(item->data(PathRole).toString());
    });
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (open) open(item->data(PathRole).toString());
    });
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] { compare_->setEnabled(chosen().size() == 2); });
    connect(compare_, &QPushButton::clicked, this, [this] {
        const QStringList two = chosen();
        if (two.size() == 2 && compare) compare(two[0], two[1]);
    });
}

void GalleryWindow::follow(const QString& folder) {
    const QString path = FolderPath(folder);
    const Host host;
    // Loading a skin folder of the gallery moves the folder list into it; the gallery stays.
    if (!model_.folder().isEmpty() && QFileInfo(path).path() == model_.folder() && HoldsSkinFile(path, host)) {
        model_.rescan();
        return;
    }
    model_.setFolder(path);
}

QStringList GalleryWindow::chosen() const {
    // In the gallery's order, whatever order they were chosen in.
    QStringList paths;
    for (int row = 0; row < list_->count(); ++row)
        if (list_->item(row)->isSelected()) paths << list_->item(row)->data(PathRole).toString();
    return paths;
}

QString GalleryWindow::BadgeText(const GalleryModel::Item& item) {
    const SkinSummary& s = item.summary;
    if (!item.ready) return QStringLiteral("...");
    if (s.broken()) return QStringLiteral("cannot be shown");
    if (s.errors == 0 && s.warnings == 0) return QStringLiteral("OK");
    QStringList parts;
    if (s.errors > 0) parts << Counted(s.errors, "error");
    if (s.warnings > 0) parts << Counted(s.warnings, "warning");
    return parts.join(QStringLiteral(", "));
}

QImage GalleryWindow::ItemPicture(const GalleryModel::Item& item) {
    const int width = ThumbnailWidth(GalleryModel::ThumbnailHeight), height = GalleryModel::ThumbnailHeight;
    QImage picture(width, height + BadgeHeight, QImage::Format_RGB32);
    picture.fill(QColor(240, 240, 240));
    QPainter painter(&picture);
    if (item.ready) painter.drawImage(0, 0, item.summary.thumbnail);
    const SkinSummary& s = item.summary;
    const QColor badge = !item.ready                  ? QColor(128, 128, 128)
                         : s.broken() || s.errors > 0 ? QColor(176, 0, 0)
                         : s.warnings > 0             ? QColor(176, 110, 0)
                                                      : QColor(0, 120, 0);
    painter.fillRect(0, height, width, BadgeHeight, badge);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(BadgeHeight - 3);
    painter.setFont(font);
    painter.drawText(QRect(4, height, width - 8, BadgeHeight), Qt::AlignVCenter | Qt::AlignLeft, BadgeText(item));
    return picture;
}

void GalleryWindow::rebuild() {
    list_->clear();
    for (int i = 0; i < int(model_.items().size()); ++i) {
        auto* item = new QListWidgetItem(model_.items()[size_t(i)].summary.name, list_);
        item->setData(PathRole, model_.items()[size_t(i)].summary.path);
        showItem(i);
    }
    status_->setText(model_.items().empty() ? QStringLiteral("No skins in %1").arg(model_.folder()) : model_.folder());
}

void GalleryWindow::showItem(int index) {
    QListWidgetItem* item = list_->item(index);
    if (!item) return;
    const GalleryModel::Item& skin = model_.items()[size_t(index)];
    item->setIcon(QIcon(QPixmap::fromImage(ItemPicture(skin))));
    item->setToolTip(skin.summary.broken() ? skin.summary.status.message : skin.summary.path);
}

void GalleryWindow::showProgress(int ready, int total) {
    progress_->setRange(0, std::max(total, 1));
    progress_->setValue(total == 0 ? 1 : ready);
    progress_->setFormat(QStringLiteral("%1 of %2 thumbnails").arg(ready).arg(total));
}

}  // namespace corvamo
