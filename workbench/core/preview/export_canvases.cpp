#include "preview/export_canvases.h"

#include "platform/paths.h"
#include "preview/compositor.h"
#include "skin/image_io.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace corvamo {

namespace {

// Removes path when it exists; false when it is there and cannot be removed.
bool RemoveIfPresent(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return true;
    return QFile::remove(path);
}

}  // namespace

void DrawDsExport(FormPictures& pictures, ModuleState& state, const ViewOptions& options) {
    state.dswindow = 1;
    redrawsub(pictures, state, options.showselectbug);

    Picture& canvas = pictures.Picture3;
    canvas.setBackColor(pictures.Picture6);
    const int lowerScreenTop = options.dividerindspreview ? 242 : 192;
    canvas.setSize(256, options.dividerindspreview ? 434 : 384);
    canvas.copy(0, lowerScreenTop, 256, 192, pictures.Picture2, 0, 0);
    canvas.copy(0, 0, 256, 192, pictures.Picture1[0], 0, 0);
}

void DrawGbaExport(FormPictures& pictures) {
    Picture& canvas = pictures.Picture15;
    const auto& extra = pictures.Picture5;
    canvas.setSize(480, 320);
    // A skin that lacks a picture must not show the previous skin's pixels where the copy of
    // its cleared slot does not reach.
    canvas.setBackColor(Qt::white);

    const QPoint topLeft(0, 0), topRight(240, 0), bottomRight(240, 160), bottomLeft(0, 160);
    canvas.copy(topLeft.x(), topLeft.y(), 240, 160, extra[QvPdaLogo], 0, 0);
    DrawItemDialog(canvas, topLeft, pictures, false);
    canvas.copy(topRight.x(), topRight.y(), 240, 160, extra[Desktop], 0, 0);
    DrawDesktopColumn(canvas, topRight, extra[DeskIcon]);
    // Screen 3 starts from the desktop as drawn so far, before screen 2's left arrow.
    canvas.copy(bottomRight.x(), bottomRight.y(), 240, 160, canvas, topRight.x(), topRight.y());
    DrawDesktopArrow(canvas, topRight, pictures);
    DrawFileManagerMessage(canvas, bottomRight, pictures, false);
    DrawFileManager(canvas, bottomLeft, pictures, false);
}

QString PreviewOutputPath(PreviewKind kind, const ModuleState& state, const ViewOptions& options,
                          const QString& dirPath, const QString& selectedFile) {
    const QString word = kind == PreviewKind::Ds ? "DS" : "GBA";
    const QString skinFolder = WithSlash(dirPath);
    const QString archiveStem = selectedFile.left(selectedFile.size() - 4);

    if (state.skinfromzip == 1) {
        if (options.savepreviewinsamedirectoryaszip) return skinFolder + archiveStem + "-" + word + "-Preview.jpg";
        return state.appfolder + archiveStem + "-" + word + "-preview.jpg";
    }
    if (options.savepreviewinskindirectory) return skinFolder + word + "-preview.jpg";
    // The folder's own name; a volume root has none, and then the file lands beside appfolder.
    QString path = state.appfolder + dirPath.mid(dirPath.lastIndexOf('/') + 1);
    if (path.endsWith('/')) path.chop(1);
    return path + "-" + word + "-preview.jpg";
}

SaveResult SavePreview(const Picture& canvas, const QString& outputPath, const QString& scratchBmp) {
    SaveResult result;
    const auto fail = [&](const QString& what) {
        result.message = what;
        return result;
    };

    if (!RemoveIfPresent(scratchBmp)) return fail("The scratch file " + scratchBmp + " could not be deleted.");
    QDir().mkpath(QFileInfo(scratchBmp).absolutePath());
    if (!canvas.saveBmp(scratchBmp)) return fail("The scratch file " + scratchBmp + " could not be written.");

    // Only a file is replaced: a folder, a device or the like in its place is left alone.
    const QFileInfo old(outputPath);
    if (old.exists() && !old.isFile() && !old.isSymLink()) {
        RemoveIfPresent(scratchBmp);
        return fail(outputPath + " could not be replaced.");
    }
    const JpegResult saved = BmpToJpeg(scratchBmp, outputPath);
    RemoveIfPresent(scratchBmp);
    if (saved == JpegResult::Unreadable) return fail("The scratch file " + scratchBmp + " could not be read.");
    result.saved = saved == JpegResult::Saved;
    result.message = result.saved ? outputPath + " saved." : outputPath + " could not be saved.";
    return result;
}

}  // namespace corvamo
