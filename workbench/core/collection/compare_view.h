#pragma once

#include "platform/cache_folders.h"
#include "platform/messages.h"
#include "workbench.h"

#include <QImage>

#include <memory>

namespace corvamo {

// Two skins side by side: the same screen of each, drawn by the window's own compositor with the
// same view options, and the pixels where they differ.

// The view options both sides share. The console colours and the zoom of the View menu join
// here, so that both sides take them alike.
struct CompareOptions {
    enum Screen { DsUpper, DsLower, Gba };
    Screen screen = Gba;
    int gbascreen = 0;           // 0..4, for Gba
    int dswindow = 0;            // 1: the DS lower screen shows the window element
    bool showselectbug = false;  // for DsLower
    bool operator==(const CompareOptions&) const = default;
};

// One side: a skin loaded as the window loads it, in cache folders of its own.
class CompareSide {
public:
    explicit CompareSide(const CacheFolders& cache);
    // Loads the skin; fails, saying why, when no skin picture could be loaded.
    Status load(const QString& skin);
    // The screen as the window would show it with these options.
    QImage screen(const CompareOptions& options);

private:
    RecordedMessages messages_;
    Workbench workbench_;
};

// a with every pixel that differs from b's pixel at the same place (or that b lacks) in magenta,
// and the rest faded towards white, so the differences stand out; differing counts them.
QImage Differences(const QImage& a, const QImage& b, int* differing = nullptr);

}  // namespace corvamo
