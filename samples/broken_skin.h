#pragma once

// A skin broken on purpose, for the check's tests and the README's picture of the check dialog:
// the template skin with a picture too small, one too large, BMPs Lindquay refuses, a truncated
// picture, pictures that cannot be read, a main picture in both forms, one in other letter case,
// stray files and no help page.
// Header-only, so that the screenshot tool and the tests make the very same skin.

#include "author/skin_template.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>

#include <cstdint>

using namespace corvamo;

namespace broken_skin {

// A BMP of any depth and compression, as a header says it: every pixel of palette colour 0 (or
// black); RLE8 pictures are coded as one run per row.
inline QByteArray BmpBytes(int width, int height, int depth, int compression = 0) {
    const auto le = [](QByteArray& bytes, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes.append(char(value >> (8 * i)));
    };
    const int colours = depth <= 8 ? 1 << depth : 0;
    QByteArray pixels;
    if (compression == 1) {
        for (int y = 0; y < height; ++y) pixels.append(char(width)).append('\0').append('\0').append('\0');
        pixels.append('\0').append('\1');
    } else {
        pixels = QByteArray(((width * depth + 31) / 32) * 4 * height, '\0');
    }
    const std::uint32_t offset = 54 + 4 * colours;
    QByteArray bytes("BM");
    le(bytes, offset + std::uint32_t(pixels.size()), 4);
    le(bytes, 0, 4);
    le(bytes, offset, 4);
    le(bytes, 40, 4);
    le(bytes, std::uint32_t(width), 4);
    le(bytes, std::uint32_t(height), 4);
    le(bytes, 1, 2);
    le(bytes, std::uint32_t(depth), 2);
    le(bytes, std::uint32_t(compression), 4);
    le(bytes, std::uint32_t(pixels.size()), 4);
    le(bytes, 2835, 4);
    le(bytes, 2835, 4);
    le(bytes, std::uint32_t(colours), 4);
    le(bytes, 0, 4);
    for (int i = 0; i < colours; ++i) le(bytes, i == 0 ? 0x4060A0u : 0u, 4);
    return bytes + pixels;
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Writes the broken skin into folder (new or empty); false when it could not.
inline bool Make(const QString& folder) {
    if (!WriteSkinTemplate(folder).ok) return false;
    QDir dir(folder);
    const auto picture = [&](const char* name, int w, int h) {
        QImage image(w, h, QImage::Format_RGB888);
        image.fill(QColor(90, 140, 200));
        return image.save(dir.filePath(name), "BMP");
    };
    QFile truncated(dir.filePath("filemnghead.bmp"));
    const QByteArray whole = truncated.open(QIODevice::ReadOnly) ? truncated.readAll() : QByteArray();
    truncated.close();
    return picture("disk.bmp", 32, 32) && picture("mainBG.bmp", 300, 200) &&
           WriteFile(dir.filePath("arrowR.bmp"), BmpBytes(12, 12, 4)) &&
           WriteFile(dir.filePath("icons.bmp"), BmpBytes(16, 13, 8, 1)) &&
           WriteFile(dir.filePath("filemnghead.bmp"), whole.left(whole.size() / 2)) &&
           QImage(dir.filePath("subBG.bmp")).save(dir.filePath("subBG.jpg"), "JPG", 100) &&
           dir.rename("window.bmp", "Window.BMP") && WriteFile(dir.filePath("asc.dat"), QByteArray(64, '\x11')) &&
           WriteFile(dir.filePath("hzk.dat"), QByteArray(64, '\x22')) &&
           WriteFile(dir.filePath("text.txt"), "Made by the check's tests.\n") &&
           WriteFile(dir.filePath("notes.txt"), "to do: the icons\n") && QDir().mkpath(dir.filePath("sources")) &&
           dir.remove("nor.bmp") && WriteFile(dir.filePath("nor.jpg"), "not a JPEG") &&
           WriteFile(dir.filePath("x.bmp"), "not a BMP either");
}

}  // namespace broken_skin
