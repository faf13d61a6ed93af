#pragma once

#include "workbench_state.h"

#include <functional>

// The extra slots the GBA screens draw from (ExtraBmpNames order).
enum ExtraSlot {
    ArrowL = 0,
    ArrowR = 1,
    DeskIcon = 2,
    Desktop = 3,
    QvPdaLogo = 5,
    FileMng = 7,
    FileMngHead = 8,
    Icons = 9,
    ItemDisc = 10
};

// Recomposes the GBA preview (Picture4), the select-bug strip (Picture10) and the DS lower-screen
// preview (Picture2) from the slots, in that order. showPicture4 is called once Picture4 is
// finished, before the strip (the window repaints it there).
void redrawsub(FormPictures& pictures, const ModuleState& state, bool showselectbug,
               const std::function<void()>& showPicture4 = {});

// The GBA desktop's icon column (tiles 0, 1, 8, 7, 4 of deskicon, transparent) on a screen whose
// top-left corner is at (x, y) of the canvas; shared by the preview and the GBA export.
void DrawDesktopColumn(Picture& canvas, int x, int y, const Picture& deskicon);

// Transparent copy of icon tile n of deskicon, the 24 x 24 square whose top edge is at y = 24n.
void CopyIconTile(Picture& canvas, int dx, int dy, const Picture& deskicon, int tile);
