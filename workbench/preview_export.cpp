#include "preview_export.h"

#include "compositor.h"
#include "mfreeimage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString withSlash(const QString& folder) { return folder.endsWith('/') ? folder : folder + '/'; }

// Removes path when it exists; false when it is there and cannot be removed.
bool removeIfPresent(const QString& path) {
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

    // Top left: screen 1, the item dialog over the logo.
    canvas.copy(0, 0, 240, 160, extra[QvPdaLogo], 0, 0);
    canvas.copyTransparent(60, 49, 128, 80, extra[ItemDisc], 0, 0);
    CopyIconTile(canvas, 73, 66, extra[DeskIcon], 6);
    canvas.copyTransparent(112, 66, 12, 12, extra[ArrowR], 0, 0);
    canvas.copyTransparent(126, 67, 39, 32, pictures.Picture11, 0, 0);
    // Top right: screen 2, the desktop with its icon column.
    canvas.copy(240, 0, 240, 160, extra[Desktop], 0, 0);
    DrawDesktopColumn(canvas, 240, 0, extra[DeskIcon]);
    // Bottom right: screen 3 starts from the desktop as drawn so far, before its left arrow.
    canvas.copy(240, 160, 240, 160, canvas, 240, 0);
    canvas.copyTransparent(271, 11, 12, 12, extra[ArrowL], 0, 0);
    canvas.copyTransparent(271, 171, 12, 12, extra[ArrowR], 0, 0);
    canvas.copyTransparent(288, 168, 128, 80, extra[ItemDisc], 0, 0);
    CopyIconTile(canvas, 301, 194, extra[DeskIcon], 0);
    canvas.copyTransparent(342, 186, 59, 53, pictures.Picture12, 0, 0);
    // Bottom left: screen 4, the file manager.
    canvas.copy(0, 160, 240, 24, extra[FileMngHead], 0, 0);
    canvas.copy(0, 184, 240, 136, extra[FileMng], 0, 0);
    canvas.copyTransparent(3, 186, 16, 13, extra[Icons], 0, 0);
    canvas.copy(20, 185, 43, 15, pictures.Picture13, 0, 0);
}

QString PreviewOutputPath(PreviewKind kind, const ModuleState& state, const ViewOptions& options,
                          const QString& dirPath, const QString& selectedFile) {
    const QString word = kind == PreviewKind::Ds ? "DS" : "GBA";
    const QString skinFolder = withSlash(dirPath);
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

    if (!removeIfPresent(scratchBmp)) return fail("The scratch file " + scratchBmp + " could not be deleted.");
    QDir().mkpath(QFileInfo(scratchBmp).absolutePath());
    if (!canvas.saveBmp(scratchBmp)) return fail("The scratch file " + scratchBmp + " could not be written.");

    if (!removeIfPresent(outputPath)) {
        removeIfPresent(scratchBmp);
        return fail(outputPath + " could not be replaced.");
    }
    FIBITMAP* bitmap = FreeImage_Load(FIF_BMP, QFile::encodeName(scratchBmp).constData(), 0);
    if (bitmap == nullptr) {
        removeIfPresent(scratchBmp);
        return fail("The scratch file " + scratchBmp + " could not be read.");
    }
    // The JPEG writer takes 24-bit pictures only.
    if (FreeImage_GetBPP(bitmap) != 24) {
        FIBITMAP* converted = FreeImage_ConvertTo24Bits(bitmap);
        FreeImage_Unload(bitmap);
        bitmap = converted;
    }
    if (bitmap != nullptr) {
        SaveImageFile(FIF_JPEG, bitmap, outputPath, JPEG_QUALITYSUPERB);
        FreeImage_Unload(bitmap);
    }

    // Only the file's presence tells: any older file was removed above.
    result.saved = QFileInfo(outputPath).isFile();
    result.message = result.saved ? outputPath + " saved." : outputPath + " could not be saved.";
    removeIfPresent(scratchBmp);
    return result;
}
