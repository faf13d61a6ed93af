#pragma once

// The pictures of the sample skin, drawn in code: every picture of the catalogue at the size the
// loader uses, each in a colour of its own, with a pure-white square (the key colour, left out by
// transparent copies) and a near-white square (254,255,255, always drawn) in every picture and
// in every icon tile. Header-only so that the sample tool and the workbench tests draw the very
// same pixels.

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

namespace sample_skin {

inline const QStringList& MainNames() {
    static const QStringList names{"mainBG", "subBG", "disk", "nor", "setting", "select", "window"};
    return names;
}

inline const QStringList& ExtraNames() {
    static const QStringList names =
        QString(
            "arrowL.bmp;arrowR.bmp;deskicon.bmp;desktop.bmp;qvoption.bmp;qvpdalogo.bmp;QVWordBG.bmp;"
            "filemng.bmp;filemnghead.bmp;icons.bmp;itemdisc.bmp;mineBG.bmp;ok.bmp;TextScrollBack.BMP;"
            "TextScrollButtonSign.BMP;TextScrollDown.BMP;TextScrollUp.BMP;Time_col.bmp;Time_title.bmp;"
            "txtbg.bmp;TXTLoadSaver.bmp;txtSaveSaver.bmp;underFlag.bmp;worddict.bmp;wordmenu.bmp;"
            "wordmenubg.bmp;wordpre.bmp;wordstudy.bmp;wordstudy_client.bmp;wordvip.bmp;x.bmp")
            .split(';');
    return names;
}

inline QSize MainSize(int slot) {
    static const QSize sizes[7] = {{256, 192}, {256, 192}, {40, 40}, {40, 40}, {40, 40}, {176, 18}, {160, 120}};
    return sizes[slot];
}

inline QSize ExtraSize(int slot) {
    switch (slot) {
        case 0:
        case 1:
            return {12, 12};  // arrows
        case 2:
            return {24, 240};  // deskicon: ten 24 x 24 tiles
        case 7:
            return {240, 136};  // filemng
        case 8:
            return {240, 24};  // filemnghead
        case 9:
            return {16, 13};  // icons
        case 10:
            return {128, 80};  // itemdisc
        case 12:
        case 14:
        case 15:
        case 16:
        case 30:
            return {16, 16};  // small buttons
        case 17:
        case 18:
        case 22:
            return {64, 16};
        default:
            return {240, 160};  // full screens
    }
}

constexpr QRgb NearWhite = 0xFFFEFFFFu;

// Colour k of a sequence whose hues are all different (37 is prime to 360), far from white,
// black and the teal of the name label.
inline QRgb DistinctColour(int k) { return QColor::fromHsv((k * 37 + 11) % 360, 220, 210).rgb(); }

inline QRgb MainColour(int slot) { return DistinctColour(slot); }
inline QRgb ExtraColour(int slot) { return DistinctColour(7 + slot); }
// The deskicon column draws each of its ten tiles in a colour of its own instead.
inline QRgb TileColour(int tile) { return DistinctColour(38 + tile); }

// The white square covers [w/4, w/2) x [h/4, h/2) of a cell, the near-white one
// [w/2, 3w/4) x [h/2, 3h/4); everything else of the cell has the cell's colour.
inline void PaintCell(QImage& image, int top, int w, int h, QRgb colour) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            QRgb c = colour;
            if (x >= w / 4 && x < w / 2 && y >= h / 4 && y < h / 2)
                c = 0xFFFFFFFFu;
            else if (x >= w / 2 && x < 3 * w / 4 && y >= h / 2 && y < 3 * h / 4)
                c = NearWhite;
            image.setPixel(x, top + y, c);
        }
}

inline QImage MainPicture(int slot) {
    const QSize size = MainSize(slot);
    QImage image(size, QImage::Format_RGB32);
    PaintCell(image, 0, size.width(), size.height(), MainColour(slot));
    return image;
}

inline QImage ExtraPicture(int slot) {
    const QSize size = ExtraSize(slot);
    QImage image(size, QImage::Format_RGB32);
    if (slot == 2) {
        for (int tile = 0; tile < 10; ++tile) PaintCell(image, 24 * tile, 24, 24, TileColour(tile));
    } else {
        PaintCell(image, 0, size.width(), size.height(), ExtraColour(slot));
    }
    return image;
}

}  // namespace sample_skin
