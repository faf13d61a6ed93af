#pragma once

#include "collection/compare_view.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QScrollArea;

namespace corvamo {

// Two skins side by side: the same screen of both with the same view options (console colours and
// zoom too), and "Differences", which marks the pixels where they differ.
class CompareWindow : public QWidget {
    Q_OBJECT
public:
    // cacheRoot: where each side loads its skin, in cache folders of its own.
    CompareWindow(const QString& cacheRoot, QWidget* parent = nullptr);
    ~CompareWindow() override;

    // Loads both skins and shows them.
    void compare(const QString& a, const QString& b);
    // Takes these console colours, zoom and pixel grid (the main window's View menu) as its own.
    void startFrom(bool console, int zoom, bool grid);

    QComboBox* screenChoice() const { return screen_; }
    QCheckBox* windowElement() const { return window_; }
    QCheckBox* consoleColours() const { return console_; }
    QComboBox* zoomChoice() const { return zoom_; }  // row 0 is 1x
    QCheckBox* pixelGrid() const { return grid_; }
    QCheckBox* differences() const { return differences_; }
    // The skins compared, left and right.
    QString path(int side) const { return paths_[side]; }
    // What each side shows now (zoomed; with Differences, the marked pictures).
    QImage shown(int side) const { return shown_[side]; }
    int differingPixels() const { return differing_; }
    CompareOptions options() const;

private:
    void redraw();
    void fit();

    CacheLease leases_[2];
    std::unique_ptr<CompareSide> sides_[2];
    QString paths_[2], problems_[2];
    QLabel *names_[2], *pictures_[2], *summary_;
    QScrollArea* scroll_;
    QComboBox *screen_, *zoom_;
    QCheckBox *window_, *console_, *grid_, *differences_;
    QImage shown_[2];
    int differing_ = 0;
};

}  // namespace corvamo
