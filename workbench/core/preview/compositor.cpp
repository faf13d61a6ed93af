#include "preview/compositor.h"

#include <algorithm>

namespace corvamo {

namespace {

// Clearing marks an absent deskicon by a height of 1 pixel, and an absent subBG by a width of 1.
bool HasDeskicon(const FormPictures& p) { return p.Picture5[DeskIcon].height() > 1; }
bool HasSubBG(const FormPictures& p) { return p.Picture1[1].width() > 1; }

void ComposeGba(FormPictures& p, int gbascreen) {
    const GbaScreen& screen = kGbaScreenSteps[std::clamp(gbascreen, 0, kGbaScreens - 1)];
    p.Picture4.setBackground(HolderPicture(p, screen.background));
    DrawConditions conditions;
    conditions.labels = HasDeskicon(p);  // the preview draws the labels only with the skin's icons
    for (const auto& group : screen.groups) DrawSteps(p.Picture4, {0, 0}, group, p, conditions);
}

}  // namespace

void redrawsub(FormPictures& pictures, const ModuleState& state, bool showselectbug,
               const std::function<void()>& showPicture4) {
    ComposeGba(pictures, state.gbascreen);
    if (showPicture4) showPicture4();
    DrawSteps(pictures.Picture10, {0, 0}, kSelectBugStripSteps, pictures, {});
    DrawConditions ds;
    ds.subBG = HasSubBG(pictures);
    ds.window = state.dswindow == 1;
    ds.selectBug = showselectbug;
    DrawSteps(pictures.Picture2, {0, 0}, kDsLowerSteps, pictures, ds);
}

}  // namespace corvamo
