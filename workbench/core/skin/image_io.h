#pragma once

#include <FreeImage.h>

#include <QByteArray>
#include <QSize>
#include <QString>

namespace corvamo {

// FreeImage_Save with the same values; true exactly when the library returns 1.
bool SaveImageFile(FREE_IMAGE_FORMAT format, FIBITMAP* bitmap, const QString& fileName, int flags);

// The loader's limit on a BMP that is turned into JPEG: a 54-byte header may claim 40,000 x
// 40,000 pixels, which would take gigabytes and half a minute to load for a picture the window
// refuses to show anyway (over Qt's 128 MB image limit).
inline constexpr qint64 kMaxBmpPixels = qint64(32) << 20;

// Not a Status: the callers word the failure themselves and branch on which it was (the check
// names a picture too large apart from one it cannot read; the export tells an unreadable scratch
// file apart from a JPEG that could not be written).
enum class JpegResult { Saved, Unreadable, TooLarge, NotSaved };
// Turns one BMP file into a JPEG of best quality (FreeImage, flags 128). Pictures that are not
// 24-bit (or 8-bit grey) are converted first, since the JPEG writer takes nothing else.
// The JPEG is written through the file it creates beside jpg and takes jpg's place only when
// complete.
JpegResult BmpToJpeg(const QString& bmp, const QString& jpg);
// The same for a BMP read from an open file (from its start), never reopened by name; the JPEG
// takes jpg's place only once it is on the disk (a preview the user keeps).
JpegResult BmpToJpeg(int bmpFd, const QString& jpg);
// What BmpToJpeg would make of the BMP, without writing the JPEG: Saved with the picture's size
// (the JPEG's size too) when it would save one, for a check that only needs to know.
JpegResult BmpToJpegSize(const QString& bmp, QSize* size);
// The JPEG BmpToJpeg would write, kept in memory: the same bytes, for a reader that only wants
// the picture loading would show.
JpegResult BmpToJpegBytes(const QString& bmp, QByteArray* jpeg);

}  // namespace corvamo
