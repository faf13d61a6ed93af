#pragma once

#include "platform/cache_folders.h"
#include "platform/messages.h"
#include "workbench.h"

#include <QImage>

#include <memory>

namespace corvamo {

// Two skins side by side: the same screen of each, drawn by the window's own compositor with the
// same view options, and the pixels where they differ.

// The view options both sides share, the View menu's console colours and zoom among them, so
// that both sides take them alike.
struct CompareOptions {
    enum Screen { DsUpper, DsLower, Gba };
    Screen screen = Gba;
    int gbascreen = 0;           // 0..4, for Gba
    int dswindow = 0;            // 1: the DS lower screen shows the window element
    bool showselectbug = false;  // for DsLower
    bool console = false;        // as the console shows the screen (5 bits a channel)
    int zoom = 1;                // 1..4, each pixel a square
    bool grid = true;            // the pixel grid, from 3x on
    bool differences = false;    // each side marks where it differs from the other
    bool operator==(const CompareOptions&) const = default;
};

// One side: a skin loaded as the window loads it, in cache folders of its own.
class CompareSide {
public:
    explicit CompareSide(const CacheFolders& cache);
    // Loads the skin; fails, saying why, when no skin picture could be loaded.
    Status load(const QString& skin);
    // The screen as the window would show it with these options: in console colours when asked,
    // zoomed (Differences aside, which needs both sides: see Compare).
    QImage screen(const CompareOptions& options);

private:
    RecordedMessages messages_;
    Workbench workbench_;
};

// a with every pixel that differs from b's pixel at the same place (or that b lacks) in magenta,
// and the rest faded towards white, so the differences stand out; differing counts them.
QImage Differences(const QImage& a, const QImage& b, int* differing = nullptr);

// Both sides as the comparison shows them. The pixels are compared as shown (in console colours
// when those are on) before zooming, so `differing` counts screen pixels at any zoom (of the
// larger screen when their sizes differ), and the marked pictures are zoomed as the plain ones are.
struct Comparison {
    QImage shown[2];
    int differing = 0;
};
Comparison Compare(CompareSide& a, CompareSide& b, const CompareOptions& options);

}  // namespace corvamo
