#pragma once

// A generated skin in the picture slots, for the pixel tests of the compositor and the exports.

#include "../../samples/sample_skin.h"
#include "preview/builtin_pictures.h"
#include "preview/workbench_state.h"

#include <QImage>
#include <QPoint>

#include <optional>

using namespace corvamo;

inline void LoadSampleSkin(FormPictures& p) {
    for (int slot = 0; slot < 7; ++slot) p.Picture1[slot].setPicture(sample_skin::MainPicture(slot));
    for (int slot = 0; slot < 31; ++slot) p.Picture5[slot].setPicture(sample_skin::ExtraPicture(slot));
}

// What the loader's clearing leaves of a slot: the blank picture, and the absent mark.
inline void ClearDeskicon(FormPictures& p) {
    p.Picture5[2].clear();
    p.Picture5[2].setHeight(1);
}

inline void ClearSubBG(FormPictures& p) {
    p.Picture1[1].clear();
    p.Picture1[1].setWidth(1);
}

// The first black pixel of a 1-bit label, in reading order.
inline QPoint FirstInk(const QImage& label) {
    for (int y = 0; y < label.height(); ++y)
        for (int x = 0; x < label.width(); ++x)
            if ((label.pixel(x, y) & 0xFFFFFFu) == 0) return {x, y};
    return {-1, -1};
}

// Whether a w x h area of the canvas at (x, y) shows exactly the given picture.
inline bool ShowsAt(const Picture& canvas, int x, int y, const QImage& picture) {
    const QImage area = canvas.image().copy(x, y, picture.width(), picture.height());
    return area == picture.convertToFormat(QImage::Format_RGB32);
}

constexpr QRgb Rgb(QRgb argb) { return argb & 0xFFFFFFu; }
