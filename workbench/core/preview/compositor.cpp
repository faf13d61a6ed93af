#include "preview/compositor.h"

namespace corvamo {

namespace {

// The DS elements: element i is main slot i + 2 (disk, nor, setting, select bar, window).
constexpr int ElementX[5] = {12, 12, 12, 69, 40};
constexpr int ElementY[5] = {22, 66, 110, 30, 30};
constexpr int ElementW[5] = {40, 40, 40, 176, 160};
constexpr int ElementH[5] = {40, 40, 40, 18, 120};

void CopyElement(Picture& canvas, const FormPictures& p, int element) {
    canvas.copy(ElementX[element], ElementY[element], ElementW[element], ElementH[element], p.Picture1[element + 2], 0,
                0);
}

// Clearing marks an absent deskicon by a height of 1 pixel.
bool DrawLabels(const FormPictures& p, bool labelsNeedDeskicon) {
    return !labelsNeedDeskicon || p.Picture5[DeskIcon].height() > 1;
}

// Transparent copy of icon tile n of deskicon, the 24 x 24 square whose top edge is at y = 24n.
void CopyIconTile(Picture& canvas, QPoint at, const Picture& deskicon, int tile) {
    constexpr int size = 24;
    canvas.copyTransparent(at.x(), at.y(), size, size, deskicon, 0, size * tile);
}

void CopyTransparent(Picture& canvas, QPoint at, const Picture& source, int w, int h) {
    canvas.copyTransparent(at.x(), at.y(), w, h, source, 0, 0);
}

void CopyOpaque(Picture& canvas, QPoint at, const Picture& source, int w, int h) {
    canvas.copy(at.x(), at.y(), w, h, source, 0, 0);
}

void ComposeGba(FormPictures& p, int gbascreen) {
    Picture& canvas = p.Picture4;
    const QPoint origin(0, 0);
    if (gbascreen < 2) canvas.setBackground(p.Picture5[QvPdaLogo]);
    if (gbascreen == 1) DrawItemDialog(canvas, origin, p, true);
    if (gbascreen > 1) {
        canvas.setBackground(p.Picture5[Desktop]);
        DrawDesktopColumn(canvas, origin, p.Picture5[DeskIcon]);
        if (gbascreen == 2) DrawDesktopArrow(canvas, origin, p);
        if (gbascreen == 3) DrawFileManagerMessage(canvas, origin, p, true);
    }
    if (gbascreen == 4) DrawFileManager(canvas, origin, p, true);
}

// The 352 mainBG pixels that follow (0, 11) in reading order, 176 to a row.
void BuildSelectBugStrip(FormPictures& p) {
    const Picture& mainBG = p.Picture1[0];
    p.Picture10.copy(0, 0, 176, 1, mainBG, 0, 11);
    p.Picture10.copy(0, 1, 80, 1, mainBG, 176, 11);
    p.Picture10.copy(80, 1, 96, 1, mainBG, 0, 12);
}

void ComposeDsLower(FormPictures& p, int dswindow, bool showselectbug) {
    Picture& canvas = p.Picture2;
    const bool subBGPresent = p.Picture1[1].width() > 1;

    canvas.setBackground(p.Picture1[1]);
    if (subBGPresent)
        for (int j = 1; j <= 7; ++j) canvas.copyTransparent(72, 34 + 18 * j, 49, 9, p.Picture14, 0, 0);
    for (int element = 0; element < 4; ++element) CopyElement(canvas, p, element);
    if (showselectbug) canvas.copy(69, 46, 176, 2, p.Picture10, 0, 0);
    if (dswindow == 1) CopyElement(canvas, p, 4);
    if (subBGPresent) {
        if (dswindow == 1)
            canvas.copyTransparent(49, 43, 49, 9, p.Picture14, 0, 0);
        else
            canvas.copyTransparent(96, 34, 49, 9, p.Picture14, 0, 0);
    }
}

}  // namespace

void DrawDesktopColumn(Picture& canvas, QPoint origin, const Picture& deskicon) {
    // Tiles 0, 1, 8, 7, 4 from the top, 29 pixels apart.
    constexpr int tiles[5] = {0, 1, 8, 7, 4};
    for (int i = 0; i < 5; ++i) CopyIconTile(canvas, origin + QPoint(8, 6 + 29 * i), deskicon, tiles[i]);
}

void DrawItemDialog(Picture& canvas, QPoint origin, const FormPictures& p, bool labelsNeedDeskicon) {
    CopyTransparent(canvas, origin + QPoint(60, 49), p.Picture5[ItemDisc], 128, 80);
    CopyIconTile(canvas, origin + QPoint(73, 66), p.Picture5[DeskIcon], 6);
    CopyTransparent(canvas, origin + QPoint(112, 66), p.Picture5[ArrowR], 12, 12);
    if (DrawLabels(p, labelsNeedDeskicon)) CopyTransparent(canvas, origin + QPoint(126, 67), p.Picture11, 39, 32);
}

void DrawDesktopArrow(Picture& canvas, QPoint origin, const FormPictures& p) {
    CopyTransparent(canvas, origin + QPoint(31, 11), p.Picture5[ArrowL], 12, 12);
}

void DrawFileManagerMessage(Picture& canvas, QPoint origin, const FormPictures& p, bool labelsNeedDeskicon) {
    CopyTransparent(canvas, origin + QPoint(31, 11), p.Picture5[ArrowR], 12, 12);
    CopyTransparent(canvas, origin + QPoint(48, 8), p.Picture5[ItemDisc], 128, 80);
    CopyIconTile(canvas, origin + QPoint(61, 34), p.Picture5[DeskIcon], 0);
    if (DrawLabels(p, labelsNeedDeskicon)) CopyTransparent(canvas, origin + QPoint(102, 26), p.Picture12, 59, 53);
}

void DrawFileManager(Picture& canvas, QPoint origin, const FormPictures& p, bool labelsNeedDeskicon) {
    CopyOpaque(canvas, origin, p.Picture5[FileMngHead], 240, 24);
    CopyOpaque(canvas, origin + QPoint(0, 24), p.Picture5[FileMng], 240, 136);
    CopyTransparent(canvas, origin + QPoint(3, 26), p.Picture5[Icons], 16, 13);
    if (DrawLabels(p, labelsNeedDeskicon)) CopyOpaque(canvas, origin + QPoint(20, 25), p.Picture13, 43, 15);
}

void redrawsub(FormPictures& pictures, const ModuleState& state, bool showselectbug,
               const std::function<void()>& showPicture4) {
    ComposeGba(pictures, state.gbascreen);
    if (showPicture4) showPicture4();
    BuildSelectBugStrip(pictures);
    ComposeDsLower(pictures, state.dswindow, showselectbug);
}

}  // namespace corvamo
