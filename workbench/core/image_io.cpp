#include "image_io.h"

#include "picture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Removes path when it exists; false when it is there and cannot be removed.
bool RemoveIfPresent(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return true;
    return QFile::remove(path);
}

}  // namespace

bool SaveImageFile(FREE_IMAGE_FORMAT format, FIBITMAP* bitmap, const QString& fileName, int flags) {
    return FreeImage_Save(format, bitmap, QFile::encodeName(fileName).constData(), flags) == 1;
}

JpegResult BmpToJpeg(const QString& bmp, const QString& jpg) {
    const QByteArray path = QFile::encodeName(bmp);
    FIBITMAP* header = FreeImage_Load(FIF_BMP, path.constData(), FIF_LOAD_NOPIXELS);
    if (!header) return JpegResult::Unreadable;
    const qint64 pixels = qint64(FreeImage_GetWidth(header)) * qint64(FreeImage_GetHeight(header));
    FreeImage_Unload(header);
    if (pixels > kMaxBmpPixels) return JpegResult::TooLarge;
    FIBITMAP* bitmap = FreeImage_Load(FIF_BMP, path.constData(), 0);
    if (!bitmap) return JpegResult::Unreadable;
    if (FreeImage_GetBPP(bitmap) != 24 &&
        !(FreeImage_GetBPP(bitmap) == 8 && FreeImage_GetColorType(bitmap) == FIC_MINISBLACK)) {
        FIBITMAP* converted = FreeImage_ConvertTo24Bits(bitmap);
        FreeImage_Unload(bitmap);
        bitmap = converted;
        if (!bitmap) return JpegResult::NotSaved;
    }
    const bool saved = SaveImageFile(FIF_JPEG, bitmap, jpg, JPEG_QUALITYSUPERB);
    FreeImage_Unload(bitmap);
    return saved ? JpegResult::Saved : JpegResult::NotSaved;
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

    if (!RemoveIfPresent(outputPath)) {
        RemoveIfPresent(scratchBmp);
        return fail(outputPath + " could not be replaced.");
    }
    if (BmpToJpeg(scratchBmp, outputPath) == JpegResult::Unreadable) {
        RemoveIfPresent(scratchBmp);
        return fail("The scratch file " + scratchBmp + " could not be read.");
    }

    // Only the file's presence tells: any older file was removed above.
    result.saved = QFileInfo(outputPath).isFile();
    result.message = result.saved ? outputPath + " saved." : outputPath + " could not be saved.";
    RemoveIfPresent(scratchBmp);
    return result;
}
