#include "lindquay_bmp.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <cstdint>
#include <string>

namespace {

std::uint32_t Le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
std::uint16_t Le16(const unsigned char* p) { return std::uint16_t(p[0] | p[1] << 8); }

QString Pixels(std::int64_t width, std::int64_t height) {
    return QStringLiteral("BMP of %1 x %2 pixels").arg(width).arg(height);
}

}  // namespace

QString LindquayBmpProblem(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return QStringLiteral("cannot open the bitmap: No such file or directory");
    if (!info.isFile()) return QStringLiteral("the bitmap is not a regular file");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("cannot open the bitmap: ") + file.errorString();

    std::array<unsigned char, 54> header{};
    const qint64 got = file.read(reinterpret_cast<char*>(header.data()), qint64(header.size()));
    if (got < 2 || header[0] != 'B' || header[1] != 'M') return QStringLiteral("not a BMP file");
    if (got < qint64(header.size())) return QStringLiteral("BMP header is truncated");
    const std::uint32_t offset = Le32(&header[10]);
    const std::uint32_t infoSize = Le32(&header[14]);
    const auto width = std::int32_t(Le32(&header[18]));
    const auto height = std::int32_t(Le32(&header[22]));
    const std::uint16_t depth = Le16(&header[28]);
    if (infoSize < 40) return QStringLiteral("BMP header of %1 bytes not supported").arg(infoSize);
    if (Le16(&header[30]) != 0) return QStringLiteral("compressed BMP not supported");
    if (depth != 8 && depth != 24 && depth != 32)
        return QStringLiteral("BMP of %1 bits per pixel not supported").arg(depth);
    if (width < 1 || height == 0) return Pixels(width, height) + QStringLiteral(" is not valid");
    const std::int64_t rows = height < 0 ? -std::int64_t(height) : height;
    const std::int64_t width4 = (std::int64_t(width) + 3) & ~std::int64_t{3};
    if (width4 > 0xFFFF || rows > 0xFFFF) return Pixels(width, rows) + QStringLiteral(" is too large");

    const std::uint64_t rowLength = (std::uint64_t(width) * depth / 8 + 3) & ~std::uint64_t{3};
    const std::uint64_t wanted = rowLength * std::uint64_t(rows);
    const auto fileSize = std::uint64_t(info.size());
    const std::uint64_t present = fileSize > offset ? fileSize - offset : 0;
    if (present < wanted) return QStringLiteral("READLEN NOT EQUARE WANTED!  %1").arg(present);
    if (8 + std::uint64_t(width4) * std::uint64_t(rows) * 2 > 0xFFFFFFFFu)
        return Pixels(width, rows) + QStringLiteral(" is too large: its picture16 would be 4 GiB or more");
    return {};
}
