#include "preview/export_canvases.h"

#include "platform/paths.h"
#include "preview/compositor.h"
#include "skin/image_io.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <filesystem>
#include <system_error>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

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

Status SavePreview(const Picture& canvas, const QString& outputPath, const QString& scratchBmp) {
    const auto fail = [](const QString& what) { return Status::Failure(what); };

    if (!RemoveIfPresent(scratchBmp)) return fail("The scratch file " + scratchBmp + " could not be deleted.");
    QDir().mkpath(QFileInfo(scratchBmp).absolutePath());
    // The scratch BMP is made new and read back through the descriptor that wrote it: a link put
    // in its place is neither written through nor read.
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    canvas.image().save(&buffer, "BMP");
    const QByteArray scratchName = QFile::encodeName(scratchBmp);
    const int scratch = ::open(scratchName.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (scratch < 0) return fail("The scratch file " + scratchBmp + " could not be written.");
    const auto dropScratch = [&] {
        ::close(scratch);
        ::unlink(scratchName.constData());
    };
    bool written = !bmp.isEmpty();
    for (qsizetype done = 0; written && done < bmp.size();) {
        const ssize_t n = ::write(scratch, bmp.constData() + done, size_t(bmp.size() - done));
        if (n < 0 && errno == EINTR) continue;
        written = n > 0;
        done += written ? n : 0;
    }
    if (!written) {
        dropScratch();
        return fail(outputPath + " could not be saved: the scratch file " + scratchBmp + " could not be written.");
    }

    // Only a file is replaced: a folder, a device or the like in its place is left alone.
    const QFileInfo old(outputPath);
    if (old.exists() && !old.isFile() && !old.isSymLink()) {
        dropScratch();
        return fail(outputPath + " could not be replaced.");
    }
    const JpegResult saved = BmpToJpeg(scratch, outputPath);
    dropScratch();
    if (saved == JpegResult::Unreadable) return fail("The scratch file " + scratchBmp + " could not be read.");
    if (saved != JpegResult::Saved) return fail(outputPath + " could not be saved.");
    return Status::Success(outputPath + " saved.");
}

Status SavePng(const QImage& image, const QString& path) {
    const QFileInfo old(path);
    if (old.exists() && !old.isFile() && !old.isSymLink()) return Status::Failure(path + " could not be replaced.");
    const QString part = PartPathBeside(path);
    QFile file(part);
    bool saved = file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && image.save(&file, "PNG") && file.flush();
    file.close();
    std::error_code error;
    if (saved)
        std::filesystem::rename(QFile::encodeName(part).toStdString(), QFile::encodeName(path).toStdString(), error);
    saved = saved && !error;
    if (!saved) {
        QFile::remove(part);
        return Status::Failure(path + " could not be saved.");
    }
    return Status::Success(path + " saved.");
}

}  // namespace corvamo
