#pragma once

#include "preview/screens.h"
#include "preview/workbench_state.h"

#include <functional>

namespace corvamo {

// Recomposes the GBA preview (Picture4), the select-bug strip (Picture10) and the DS lower-screen
// preview (Picture2) from the slots, in that order, by the screens' tables. showPicture4 is
// called once Picture4 is finished, before the strip (the window repaints it there).
void redrawsub(FormPictures& pictures, const ModuleState& state, bool showselectbug,
               const std::function<void()>& showPicture4 = {});

}  // namespace corvamo
