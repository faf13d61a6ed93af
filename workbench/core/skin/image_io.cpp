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

namespace {

// The BMP loaded and made ready for the JPEG writer (24 bits, or 8-bit grey); null with why not.
FIBITMAP* LoadForJpeg(const QString& bmp, JpegResult& result) {
    const QByteArray path = QFile::encodeName(bmp);
    FIBITMAP* header = FreeImage_Load(FIF_BMP, path.constData(), FIF_LOAD_NOPIXELS);
    result = JpegResult::Unreadable;
    if (!header) return nullptr;
    const qint64 pixels = qint64(FreeImage_GetWidth(header)) * qint64(FreeImage_GetHeight(header));
    FreeImage_Unload(header);
    result = JpegResult::TooLarge;
    if (pixels > kMaxBmpPixels) return nullptr;
    FIBITMAP* bitmap = FreeImage_Load(FIF_BMP, path.constData(), 0);
    result = JpegResult::Unreadable;
    if (!bitmap) return nullptr;
    result = JpegResult::NotSaved;
    if (FreeImage_GetBPP(bitmap) != 24 &&
        !(FreeImage_GetBPP(bitmap) == 8 && FreeImage_GetColorType(bitmap) == FIC_MINISBLACK)) {
        FIBITMAP* converted = FreeImage_ConvertTo24Bits(bitmap);
        FreeImage_Unload(bitmap);
        bitmap = converted;
    }
    return bitmap;
}

// The JPEG writer's own limit on either side (libjpeg's JPEG_MAX_DIMENSION).
constexpr unsigned kMaxJpegSide = 65500;

}  // namespace

JpegResult BmpToJpeg(const QString& bmp, const QString& jpg) {
    JpegResult result;
    FIBITMAP* bitmap = LoadForJpeg(bmp, result);
    if (!bitmap) return result;
    const bool saved = SaveJpegInPlace(bitmap, jpg);
    FreeImage_Unload(bitmap);
    return saved ? JpegResult::Saved : JpegResult::NotSaved;
}

JpegResult BmpToJpegSize(const QString& bmp, QSize* size) {
    JpegResult result;
    FIBITMAP* bitmap = LoadForJpeg(bmp, result);
    if (!bitmap) return result;
    const unsigned width = FreeImage_GetWidth(bitmap), height = FreeImage_GetHeight(bitmap);
    FreeImage_Unload(bitmap);
    if (width == 0 || height == 0 || width > kMaxJpegSide || height > kMaxJpegSide) return JpegResult::NotSaved;
    *size = QSize(int(width), int(height));
    return JpegResult::Saved;
}

}  // namespace corvamo
