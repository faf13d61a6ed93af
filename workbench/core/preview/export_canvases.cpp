#include "preview/export_canvases.h"

#include "platform/paths.h"
#include "preview/compositor.h"
#include "skin/image_io.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <filesystem>
#include <system_error>

namespace corvamo {

namespace {

// Removes path when it exists; false when it is there and cannot be removed.
bool RemoveIfPresent(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return true;
    return QFile::remove(path);
}

}  // namespace

namespace {

void DrawCells(Picture& canvas, std::span<const ExportCell> cells, const FormPictures& pictures, int dividerBand) {
    const DrawConditions always;  // the exports draw the labels whether or not the skin has deskicon
    for (const ExportCell& cell : cells) {
        const QPoint origin = cell.origin + QPoint(0, cell.belowDivider ? dividerBand : 0);
        if (cell.fill.kind != Holder::None)
            canvas.copy(origin.x(), origin.y(), cell.fillSize.width(), cell.fillSize.height(),
                        HolderPicture(pictures, cell.fill), 0, 0);
        for (const auto& group : cell.groups) DrawSteps(canvas, origin, group, pictures, always);
    }
}

}  // namespace

void DrawDsExport(FormPictures& pictures, ModuleState& state, const ViewOptions& options) {
    state.dswindow = 1;
    redrawsub(pictures, state, options.showselectbug);

    Picture& canvas = pictures.Picture3;
    canvas.setBackColor(pictures.Picture6);
    const int band = options.dividerindspreview ? kDividerBand : 0;
    canvas.setSize(kDsScreen.width(), 2 * kDsScreen.height() + band);
    DrawCells(canvas, kDsExportCells, pictures, band);
}

void DrawGbaExport(FormPictures& pictures) {
    Picture& canvas = pictures.Picture15;
    canvas.setSize(2 * kGbaScreen.width(), 2 * kGbaScreen.height());
    // A skin that lacks a picture must not show the previous skin's pixels where the copy of
    // its cleared slot does not reach.
    canvas.setBackColor(Qt::white);
    DrawCells(canvas, kGbaExportCells, pictures, 0);
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

SaveResult SavePng(const QImage& image, const QString& path) {
    SaveResult result;
    const QFileInfo old(path);
    if (old.exists() && !old.isFile() && !old.isSymLink()) {
        result.message = path + " could not be replaced.";
        return result;
    }
    const QString part = PartPathBeside(path);
    QFile file(part);
    bool saved = file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && image.save(&file, "PNG") && file.flush();
    file.close();
    std::error_code error;
    if (saved)
        std::filesystem::rename(QFile::encodeName(part).toStdString(), QFile::encodeName(path).toStdString(), error);
    saved = saved && !error;
    if (!saved) QFile::remove(part);
    result.saved = saved;
    result.message = saved ? path + " saved." : path + " could not be saved.";
    return result;
}

}  // namespace corvamo
