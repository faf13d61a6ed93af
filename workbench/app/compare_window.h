#pragma once

#include "collection/compare_view.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;

namespace corvamo {

// Two skins side by side: the same screen of both with the same view options, and "Differences",
// which marks the pixels where they differ.
class CompareWindow : public QWidget {
    Q_OBJECT
public:
    // cacheRoot: where each side loads its skin, in cache folders of its own.
    CompareWindow(const QString& cacheRoot, QWidget* parent = nullptr);
    ~CompareWindow() override;

    // Loads both skins and shows them.
    void compare(const QString& a, const QString& b);

    QComboBox* screenChoice() const { return screen_; }
    QCheckBox* windowElement() const { return window_; }
    QCheckBox* differences() const { return differences_; }
    // What each side shows now (with Differences, the marked pictures).
    QImage shown(int side) const { return shown_[side]; }
    int differingPixels() const { return differing_; }
    CompareOptions options() const;

private:
    void redraw();

    CacheLease leases_[2];
    std::unique_ptr<CompareSide> sides_[2];
    QString paths_[2], problems_[2];
    QLabel *names_[2], *pictures_[2], *summary_;
    QComboBox* screen_;
    QCheckBox *window_, *differences_;
    QImage shown_[2];
    int differing_ = 0;
};

}  // namespace corvamo
