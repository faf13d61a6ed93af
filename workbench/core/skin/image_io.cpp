#include "skin/image_io.h"

#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace corvamo {

namespace {

// A JPEG file ends with its end-of-image marker: a file cut short by a full disk does not.
bool IsCompleteJpeg(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 4 || !file.seek(file.size() - 2)) return false;
    return file.read(2) == QByteArray("\xFF\xD9", 2);
}

// Saves the bitmap as JPEG beside path and puts it in path's place only when it is complete, so
// that a failed save never costs the file that was there before.
bool SaveJpegInPlace(FIBITMAP* bitmap, const QString& path) {
    const QString part = PartPathBeside(path);
    if (QFile reserved(part); !reserved.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return false;
    const bool saved = SaveImageFile(FIF_JPEG, bitmap, part, JPEG_QUALITYSUPERB) && IsCompleteJpeg(part);
    std::error_code error;
    if (saved)
        std::filesystem::rename(QFile::encodeName(part).toStdString(), QFile::encodeName(path).toStdString(), error);
    if (!saved || error) {
        QFile::remove(part);
        return false;
    }
    return true;
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
    const bool saved = SaveJpegInPlace(bitmap, jpg);
    FreeImage_Unload(bitmap);
    return saved ? JpegResult::Saved : JpegResult::NotSaved;
}

}  // namespace corvamo
