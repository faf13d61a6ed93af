#pragma once

#include "author/skin_check.h"
#include "preview/workbench_state.h"

#include <QImage>
#include <QPoint>
#include <QString>

#include <map>

namespace corvamo {

// Where on the previews each skin picture shows, so that a problem the check finds can be
// outlined on the very pixels it spoils and named under the pointer.

// A slot: main slot i is i, extra slot i is kExtraSlotBase + i; kNoSlot where no skin picture shows.
inline constexpr int kExtraSlotBase = 100;
inline constexpr int kNoSlot = -1;

// For each visible preview, the slot every pixel was drawn from, as it would be with the current
// state: the holders filled with solid marks (missing pictures at the size the previews draw), and
// composed as redrawsub does.
struct SlotMaps {
    QImage upper;  // the DS upper screen (mainBG)
    QImage lower;  // Picture2
    QImage gba;    // Picture4
};
SlotMaps MapSlots(const FormPictures& pictures, const ModuleState& state, bool showselectbug);
int SlotAt(const QImage& map, QPoint pixel);

// The slot a check finding is about (by its file's catalogue name); kNoSlot when none.
int SlotOfFinding(const Finding& finding);
// The errors and warnings of a report about pictures the previews draw, by slot, one text each.
std::map<int, QString> ProblemsBySlot(const SkinReport& report);

// The view (the map's pixels shown `zoom` times larger, `copies` times side by side with `gap`
// pixels between) with every area of a problem slot outlined in red.
QImage Outlined(const QImage& view, const QImage& map, const std::map<int, QString>& problems, int zoom, int copies = 1,
                int gap = 0);

}  // namespace corvamo
