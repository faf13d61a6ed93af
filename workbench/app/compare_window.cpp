#include "compare_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
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

}  // namespace

CompareWindow::CompareWindow(const QString& cacheRoot, QWidget* parent)
    : QWidget(parent, Qt::Window), leases_{CacheLease::Private(cacheRoot), CacheLease::Private(cacheRoot)} {
    setObjectName(QStringLiteral("Compare"));
    setWindowTitle(QStringLiteral("Corvamo - Compare two skins"));
    screen_ = new QComboBox(this);
    screen_->setObjectName(QStringLiteral("CompareScreen"));
    for (const ScreenEntry& entry : kScreens) screen_->addItem(QString::fromLatin1(entry.caption));
    window_ = new QCheckBox(QStringLiteral("&Window element"), this);
    console_ = new QCheckBox(QStringLiteral("&Console colours"), this);
    console_->setToolTip(QStringLiteral("Both screens as the console shows them: 5 bits a colour channel"));
    zoom_ = new QComboBox(this);
    zoom_->setObjectName(QStringLiteral("CompareZoom"));
    for (int factor = 1; factor <= 4; ++factor) zoom_->addItem(QStringLiteral("%1\u00D7").arg(factor));
    auto* zoomLabel = new QLabel(QStringLiteral("&Zoom"), this);
    zoomLabel->setBuddy(zoom_);
    grid_ = new QCheckBox(QStringLiteral("Pixel &grid"), this);
    grid_->setChecked(true);
    grid_->setToolTip(QStringLiteral("A grid between the pixels at 3\u00D7 and 4\u00D7"));
    differences_ = new QCheckBox(QStringLiteral("&Differences"), this);
    differences_->setToolTip(QStringLiteral("Marks in magenta every pixel that differs, as shown"));
    summary_ = new QLabel(this);
    auto* options = new QHBoxLayout;
    options->addWidget(screen_);
    options->addWidget(window_);
    options->addWidget(console_);
    options->addWidget(zoomLabel);
    options->addWidget(zoom_);
    options->addWidget(grid_);
    options->addWidget(differences_);
    options->addWidget(summary_, 1);
    // Zoomed screens may be wider than the screen: the pictures scroll.
    auto* area = new QWidget;
    auto* grid = new QGridLayout(area);
    for (int side = 0; side < 2; ++side) {
        sides_[side] = std::make_unique<CompareSide>(leases_[side].folders());
        names_[side] = new QLabel(area);
        pictures_[side] = new QLabel(area);
        pictures_[side]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        grid->addWidget(names_[side], 0, side);
        grid->addWidget(pictures_[side], 1, side);
    }
    grid->setRowStretch(1, 1);
    scroll_ = new QScrollArea(this);
    scroll_->setWidget(area);
    scroll_->setWidgetResizable(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(options);
    layout->addWidget(scroll_, 1);
    connect(screen_, &QComboBox::currentIndexChanged, this, &CompareWindow::redraw);
    connect(zoom_, &QComboBox::currentIndexChanged, this, &CompareWindow::redraw);
    connect(zoom_, &QComboBox::currentIndexChanged, this, &CompareWindow::fit);
    for (QCheckBox* box : {window_, console_, grid_, differences_})
        connect(box, &QCheckBox::toggled, this, &CompareWindow::redraw);
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
    fit();
}

void CompareWindow::startFrom(bool console, int zoom, bool grid) {
    {
        const QSignalBlocker a(console_), b(zoom_), c(grid_);
        console_->setChecked(console);
        zoom_->setCurrentIndex(std::clamp(zoom, 1, 4) - 1);
        grid_->setChecked(grid);
    }
    redraw();
    fit();
}

void CompareWindow::fit() {
    // Room for both pictures at this zoom, as far as the screen has room; beyond it they scroll.
    const QMargins margins = layout()->contentsMargins();
    QSize want = scroll_->widget()->sizeHint() + QSize(2 * scroll_->frameWidth(), 2 * scroll_->frameWidth());
    want += QSize(margins.left() + margins.right(),
                  margins.top() + margins.bottom() + layout()->spacing() + layout()->itemAt(0)->sizeHint().height());
    want.setWidth(std::max(want.width(), layout()->itemAt(0)->sizeHint().width() + margins.left() + margins.right()));
    if (const QScreen* shown = screen()) want = want.boundedTo(shown->availableGeometry().size() - QSize(16, 48));
    resize(want);
}

CompareOptions CompareWindow::options() const {
    const ScreenEntry& entry = kScreens[std::max(0, screen_->currentIndex())];
    CompareOptions options;
    options.screen = entry.screen;
    options.gbascreen = entry.gbascreen;
    options.dswindow = window_->isChecked() ? 1 : 0;
    options.console = console_->isChecked();
    options.zoom = zoom_->currentIndex() + 1;
    options.grid = grid_->isChecked();
    options.differences = differences_->isChecked();
    return options;
}

void CompareWindow::redraw() {
    const CompareOptions chosen = options();
    window_->setEnabled(chosen.screen == CompareOptions::DsLower);
    grid_->setEnabled(chosen.zoom >= 3);
    const Comparison comparison = Compare(*sides_[0], *sides_[1], chosen);
    differing_ = comparison.differing;
    for (int side = 0; side < 2; ++side) {
        shown_[side] = comparison.shown[side];
        pictures_[side]->setPixmap(QPixmap::fromImage(shown_[side]));
    }
    summary_->setText(differing_ == 0 ? QStringLiteral("The two screens are the same.")
                                      : QStringLiteral("%1 pixels differ.").arg(differing_));
}

}  // namespace corvamo
