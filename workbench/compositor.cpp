#include "compositor.h"

namespace {

// The DS elements: element i is main slot i + 2 (disk, nor, setting, select bar, window).
constexpr int ElementX[5] = {12, 12, 12, 69, 40};
constexpr int ElementY[5] = {22, 66, 110, 30, 30};
constexpr int ElementW[5] = {40, 40, 40, 176, 160};
constexpr int ElementH[5] = {40, 40, 40, 18, 120};

void copyElement(Picture& canvas, const FormPictures& p, int element) {
    canvas.copy(ElementX[element], ElementY[element], ElementW[element], ElementH[element], p.Picture1[element + 2], 0,
                0);
}

void composeGba(FormPictures& p, int gbascreen) {
    Picture& canvas = p.Picture4;
    const auto& extra = p.Picture5;
    const bool deskiconPresent = extra[DeskIcon].height() > 1;

    if (gbascreen < 2) canvas.setBackground(extra[QvPdaLogo]);
    if (gbascreen == 1) {
        canvas.copyTransparent(60, 49, 128, 80, extra[ItemDisc], 0, 0);
        CopyIconTile(canvas, 73, 66, extra[DeskIcon], 6);
        canvas.copyTransparent(112, 66, 12, 12, extra[ArrowR], 0, 0);
        if (deskiconPresent) canvas.copyTransparent(126, 67, 39, 32, p.Picture11, 0, 0);
    }
    if (gbascreen > 1) {
        canvas.setBackground(extra[Desktop]);
        DrawDesktopColumn(canvas, 0, 0, extra[DeskIcon]);
        if (gbascreen == 2) canvas.copyTransparent(31, 11, 12, 12, extra[ArrowL], 0, 0);
        if (gbascreen == 3) {
            canvas.copyTransparent(31, 11, 12, 12, extra[ArrowR], 0, 0);
            canvas.copyTransparent(48, 8, 128, 80, extra[ItemDisc], 0, 0);
            CopyIconTile(canvas, 61, 34, extra[DeskIcon], 0);
            if (deskiconPresent) canvas.copyTransparent(102, 26, 59, 53, p.Picture12, 0, 0);
        }
    }
    if (gbascreen == 4) {
        canvas.copy(0, 0, 240, 24, extra[FileMngHead], 0, 0);
        canvas.copy(0, 24, 240, 136, extra[FileMng], 0, 0);
        canvas.copyTransparent(3, 26, 16, 13, extra[Icons], 0, 0);
        if (deskiconPresent) canvas.copy(20, 25, 43, 15, p.Picture13, 0, 0);
    }
}

// The 352 mainBG pixels that follow (0, 11) in reading order, 176 to a row.
void buildSelectBugStrip(FormPictures& p) {
    const Picture& mainBG = p.Picture1[0];
    p.Picture10.copy(0, 0, 176, 1, mainBG, 0, 11);
    p.Picture10.copy(0, 1, 80, 1, mainBG, 176, 11);
    p.Picture10.copy(80, 1, 96, 1, mainBG, 0, 12);
}

void composeDsLower(FormPictures& p, int dswindow, bool showselectbug) {
    Picture& canvas = p.Picture2;
    const bool subBGPresent = p.Picture1[1].width() > 1;

    canvas.setBackground(p.Picture1[1]);
    if (subBGPresent)
        for (int j = 1; j <= 7; ++j) canvas.copyTransparent(72, 34 + 18 * j, 49, 9, p.Picture14, 0, 0);
    for (int element = 0; element < 4; ++element) copyElement(canvas, p, element);
    if (showselectbug) canvas.copy(69, 46, 176, 2, p.Picture10, 0, 0);
    if (dswindow == 1) copyElement(canvas, p, 4);
    if (subBGPresent) {
        if (dswindow == 1)
            canvas.copyTransparent(49, 43, 49, 9, p.Picture14, 0, 0);
        else
            canvas.copyTransparent(96, 34, 49, 9, p.Picture14, 0, 0);
    }
}

}  // namespace

void CopyIconTile(Picture& canvas, int dx, int dy, const Picture& deskicon, int tile) {
    constexpr int size = 24;
    canvas.copyTransparent(dx, dy, size, size, deskicon, 0, size * tile);
}

void DrawDesktopColumn(Picture& canvas, int x, int y, const Picture& deskicon) {
    // Tiles 0, 1, 8, 7, 4 from the top, 29 pixels apart.
    constexpr int tiles[5] = {0, 1, 8, 7, 4};
    for (int i = 0; i < 5; ++i) CopyIconTile(canvas, x + 8, y + 6 + 29 * i, deskicon, tiles[i]);
}

void redrawsub(FormPictures& pictures, const ModuleState& state, bool showselectbug,
               const std::function<void()>& showPicture4) {
    composeGba(pictures, state.gbascreen);
    if (showPicture4) showPicture4();
    buildSelectBugStrip(pictures);
    composeDsLower(pictures, state.dswindow, showselectbug);
}
