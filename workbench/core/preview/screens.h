#pragma once

#include "preview/workbench_state.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <functional>
#include <span>

namespace corvamo {

// The GBA screens the preview steps through: the start screen, the language dialog, the desktop,
// the file-manager message and the file manager.
inline constexpr int kGbaScreens = 5;

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
inline constexpr int kDeskIconTiles = 10;
inline constexpr int kIconTileSize = 24;

// A holder a draw step reads: a main slot (Picture1), an extra slot (Picture5), a built-in label
// (Picture11 + index), the select-bug strip (Picture10) or the DS lower-screen preview (Picture2).
struct Holder {
    enum Kind { Main, Extra, Label, Strip, DsLower, None };
    Kind kind = None;
    int index = 0;
};
const Picture& HolderPicture(const FormPictures& pictures, Holder holder);

// One copy of a screen's table. Background puts the holder's picture in (the whole canvas);
// Opaque and Keyed copy size pixels from source to at (Keyed leaves out the key colour). It is
// drawn only when every condition of when holds.
struct DrawStep {
    enum Copy { Background, Opaque, Keyed };
    enum When : unsigned {
        Always = 0,
        Labels = 1,      // the built-in labels: always in the exports, with "deskicon.bmp" in the preview
        SubBG = 2,       // the skin has "subBG"
        Window = 4,      // the DS window element is shown
        NoWindow = 8,    // it is not
        SelectBug = 16,  // "Show select bug" is ticked
    };
    Copy copy;
    Holder from;
    QPoint at;
    QSize size;  // empty for Background
    QPoint source{0, 0};
    unsigned when = Always;
};

// What the conditions of the steps are in one drawing.
struct DrawConditions {
    bool labels = true, subBG = true, window = false, selectBug = false;
    bool hold(unsigned when) const;
};

// Draws the steps on canvas, their positions moved by origin.
void DrawSteps(Picture& canvas, QPoint origin, std::span<const DrawStep> steps, const FormPictures& pictures,
               const DrawConditions& conditions);

// A GBA screen: its background, then its step groups in order.
struct GbaScreen {
    Holder background;
    std::span<const DrawStep> groups[2];
};
extern const GbaScreen kGbaScreenSteps[kGbaScreens];

// The DS lower screen (Picture2) and the select-bug strip (Picture10) it shows.
extern const std::span<const DrawStep> kDsLowerSteps;
extern const std::span<const DrawStep> kSelectBugStripSteps;

// A cell of an export canvas: where it lies, what fills it first (an opaque copy of the whole
// screen; None: the canvas's own colour) and the step groups drawn over it. The DS export's lower
// cell moves down by the divider band when "Divider in DS preview" is ticked.
struct ExportCell {
    QPoint origin;
    Holder fill;
    QSize fillSize;
    std::span<const DrawStep> groups[2];
    bool belowDivider = false;
};
inline constexpr QSize kDsScreen{256, 192}, kGbaScreen{240, 160};
inline constexpr int kDividerBand = 50;
extern const std::span<const ExportCell> kDsExportCells;
extern const std::span<const ExportCell> kGbaExportCells;

// Every area the previews and exports read of a holder, before clipping, and whether that read is
// keyed: what the size table of the check and the template is made of.
void ForEachRead(const std::function<void(Holder holder, const QRect& area, bool keyed)>& read);

}  // namespace corvamo
