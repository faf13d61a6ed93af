#pragma once

#include "platform/status.h"
#include "preview/workbench_state.h"

#include <QString>

namespace corvamo {

enum class PreviewKind { Ds, Gba };

// "Save DS Preview": sets dswindow to 1, recomposes, and draws the two screens into Picture3
// (256 x 384, or 256 x 434 with the divider band when dividerindspreview is ticked).
void DrawDsExport(FormPictures& pictures, ModuleState& state, const ViewOptions& options);
// "Save GBA Preview": draws the GBA screens 1 to 4 into the cells of Picture15 (480 x 320).
void DrawGbaExport(FormPictures& pictures);

// Where the preview is saved. dirPath is the folder list's current path, selectedFile the file
// list's selected archive name (both as the lists show them).
QString PreviewOutputPath(PreviewKind kind, const ModuleState& state, const ViewOptions& options,
                          const QString& dirPath, const QString& selectedFile);

// A preview canvas to the scratch BMP, then the scratch BMP to JPEG at outputPath. The success
// says "<path> saved.".
Status SavePreview(const Picture& canvas, const QString& outputPath, const QString& scratchBmp);
// A lossless PNG of the image at path, written beside it and put in its place once complete.
Status SavePng(const QImage& image, const QString& path);

}  // namespace corvamo
