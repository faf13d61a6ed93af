#include "compare_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace corvamo {

namespace {

// The screens to choose from, in the order the list shows them.
struct ScreenEntry {
    const char* caption;
    CompareOptions::Screen screen;
    int gbascreen;
};
constexpr ScreenEntry kScreens[] = {
    {"GBA screen 0: logo", CompareOptions::Gba, 0},
    {"GBA screen 1: item dialog", CompareOptions::Gba, 1},
    {"GBA screen 2: desktop", CompareOptions::Gba, 2},
    {"GBA screen 3: file manager message", CompareOptions::Gba, 3},
    {"GBA screen 4: file manager", CompareOptions::Gba, 4},
    {"DS upper screen", CompareOptions::DsUpper, 0},
    {"DS lower screen", CompareOptions::DsLower, 0},
};

constexpr int Zoom = 2;  // the screens are small; both sides are shown at twice their size

}  // namespace

CompareWindow::CompareWindow(const QString& cacheRoot, QWidget* parent)
    : QWidget(parent, Qt::Window), leases_{CacheLease::Private(cacheRoot), CacheLease::Private(cacheRoot)} {
    setObjectName(QStringLiteral("Compare"));
    setWindowTitle(QStringLiteral("Corvamo - Compare two skins"));
    screen_ = new QComboBox(this);
    screen_->setObjectName(QStringLiteral("CompareScreen"));
    for (const ScreenEntry& entry : kScreens) screen_->addItem(QString::fromLatin1(entry.caption));
    window_ = new QCheckBox(QStringLiteral("&Window element"), this);
    differences_ = new QCheckBox(QStringLiteral("&Differences"), this);
    summary_ = new QLabel(this);
    auto* options = new QHBoxLayout;
    options->addWidget(screen_);
    options->addWidget(window_);
    options->addWidget(differences_);
    options->addWidget(summary_, 1);
    auto* grid = new QGridLayout;
    for (int side = 0; side < 2; ++side) {
        sides_[side] = std::make_unique<CompareSide>(leases_[side].folders());
        names_[side] = new QLabel(this);
        pictures_[side] = new QLabel(this);
        pictures_[side]->setMinimumSize(256 * Zoom, 192 * Zoom);
        pictures_[side]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        grid->addWidget(names_[side], 0, side);
        grid->addWidget(pictures_[side], 1, side);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(options);
    layout->addLayout(grid, 1);
    connect(screen_, &QComboBox::currentIndexChanged, this, &CompareWindow::redraw);
    connect(window_, &QCheckBox::toggled, this, &CompareWindow::redraw);
    connect(differences_, &QCheckBox::toggled, this, &CompareWindow::redraw);
}

CompareWindow::~CompareWindow() = default;

void CompareWindow::compare(const QString& a, const QString& b) {
    paths_[0] = a;
    paths_[1] = b;
    for (int side = 0; side < 2; ++side) {
        const Status loaded = sides_[side]->load(paths_[side]);
        problems_[side] = loaded ? QString() : loaded.message;
        names_[side]->setText(QFileInfo(paths_[side]).fileName() +
                              (problems_[side].isEmpty() ? QString() : QStringLiteral(": ") + problems_[side]));
    }
    redraw();
}

CompareOptions CompareWindow::options() const {
    const ScreenEntry& entry = kScreens[std::max(0, screen_->currentIndex())];
    CompareOptions options;
    options.screen = entry.screen;
    options.gbascreen = entry.gbascreen;
    options.dswindow = window_->isChecked() ? 1 : 0;
    return options;
}

void CompareWindow::redraw() {
    const CompareOptions chosen = options();
    window_->setEnabled(chosen.screen == CompareOptions::DsLower);
    const QImage screens[2] = {sides_[0]->screen(chosen), sides_[1]->screen(chosen)};
    differing_ = 0;
    for (int side = 0; side < 2; ++side) {
        shown_[side] =
            differences_->isChecked() ? Differences(screens[side], screens[1 - side], &differing_) : screens[side];
        pictures_[side]->setPixmap(QPixmap::fromImage(shown_[side].scaled(shown_[side].size() * Zoom)));
    }
    if (!differences_->isChecked()) Differences(screens[0], screens[1], &differing_);
    summary_->setText(differing_ == 0 ? QStringLiteral("The two screens are the same.")
                                      : QStringLiteral("%1 pixels differ.").arg(differing_));
}

}  // namespace corvamo
