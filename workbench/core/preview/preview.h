#pragma once

// What the window shows of a skin and what the preview export saves. Uses the skin and platform
// layers.
//
//   picture.h           Picture: a picture holder or canvas over QImage, with the opaque and
//                       colour-keyed copies
//   workbench_state.h   ModuleState, ViewOptions and FormPictures (Picture1 ... Picture15): the
//                       view state the handlers share
//   screens.h           the screens as data: one table of draw steps per screen and export cell,
//                       kGbaScreens, and every read they make (the size table's source)
//   compositor.h        redrawsub, which draws the preview screens by their tables
//   export_canvases.h   DrawDsExport, DrawGbaExport, PreviewOutputPath, SavePreview
//   builtin_pictures.h  the program's own label and palette pictures
//   colour_pick.h       the divider colour from the palette or a quick swatch

#include "preview/builtin_pictures.h"
#include "preview/colour_pick.h"
#include "preview/compositor.h"
#include "preview/export_canvases.h"
#include "preview/picture.h"
#include "preview/screens.h"
#include "preview/workbench_state.h"
