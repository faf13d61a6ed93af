#pragma once

#include "preview/workbench_state.h"

#include <QPoint>

#include <functional>

namespace corvamo {

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

// "deskicon.bmp" is a column of square icon tiles; the loader's column has this many, of which the
// previews draw six.
constexpr int kDeskIconTiles = 10;

// Recomposes the GBA preview (Picture4), the select-bug strip (Picture10) and the DS lower-screen
// preview (Picture2) from the slots, in that order. showPicture4 is called once Picture4 is
// finished, before the strip (the window repaints it there).
void redrawsub(FormPictures& pictures, const ModuleState& state, bool showselectbug,
               const std::function<void()>& showPicture4 = {});

// What the GBA screens draw over their background, on a screen whose top-left corner is at
// origin of the canvas; the preview and the GBA export both draw with these. With
// labelsNeedDeskicon the label pictures are drawn only when the skin has "deskicon.bmp" (the
// preview); without it they are always drawn (the export).
//
// The desktop's icon column of screens 2 to 4: tiles 0, 1, 8, 7, 4 of deskicon.
void DrawDesktopColumn(Picture& canvas, QPoint origin, const Picture& deskicon);
// Screen 1: the item dialog with the language choice.
void DrawItemDialog(Picture& canvas, QPoint origin, const FormPictures& pictures, bool labelsNeedDeskicon);
// Screen 2: the left arrow beside the top icon.
void DrawDesktopArrow(Picture& canvas, QPoint origin, const FormPictures& pictures);
// Screen 3: the item dialog announcing the file manager.
void DrawFileManagerMessage(Picture& canvas, QPoint origin, const FormPictures& pictures, bool labelsNeedDeskicon);
// Screen 4: the file manager, which covers the whole screen.
void DrawFileManager(Picture& canvas, QPoint origin, const FormPictures& pictures, bool labelsNeedDeskicon);

}  // namespace corvamo
