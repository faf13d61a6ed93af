#include "bmp_format.h"

#include "picture_form.h"

namespace lindquay {

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

std::uint16_t Pixel16(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    return static_cast<std::uint16_t>((blue & 0xF8) << 7 | (green & 0xF8) << 2 | red >> 3);
}

std::string Pixels(std::int64_t width, std::int64_t height) {
    return "BMP of " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

}  // namespace

BmpFormat ParseBmpHeader(const std::uint8_t* header, std::size_t length, std::uint64_t fileSize) {
    BmpFormat f;
    const auto refuse = [&f](std::string reason) {
        f.refusal = std::move(reason);
        return f;
    };
    if (length < 2 || header[0] != 'B' || header[1] != 'M') {
        // Name what it is instead, when it is another picture: the usual slip of a wrong extension.
        const PictureForm form = ReadPictureForm(header, length, "");
        return refuse(form.container == PictureForm::Other || form.container == PictureForm::Empty
                          ? "not a BMP file"
                          : "not a BMP file (a " + form.name + ")");
    }
    if (length < 54) return refuse("BMP header is truncated");
    f.pixelOffset = Le32(header + 10);
    f.infoSize = Le32(header + 14);
    f.width = static_cast<std::int32_t>(Le32(header + 18));
    const auto height = static_cast<std::int32_t>(Le32(header + 22));
    f.depth = Le16(header + 28);
    if (f.infoSize < 40) return refuse("BMP header of " + std::to_string(f.infoSize) + " bytes not supported");
    if (Le16(header + 30) != 0)
        return refuse("compressed BMP not supported (" + CompressionName(Le16(header + 30), f.depth) + ")");
    if (f.depth != 8 && f.depth != 24 && f.depth != 32)
        return refuse("BMP of " + std::to_string(f.depth) + " bits per pixel not supported");
    if (f.width < 1 || height == 0) return refuse(Pixels(f.width, height) + " is not valid");
    f.rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    f.bottomUp = height > 0;
    const std::int64_t width4 = (static_cast<std::int64_t>(f.width) + 3) & ~std::int64_t{3};
    if (width4 > 0xFFFF || f.rows > 0xFFFF) return refuse(Pixels(f.width, f.rows) + " is too large");
    f.width4 = static_cast<std::uint32_t>(width4);

    const std::uint64_t pixelBytes = static_cast<std::uint64_t>(f.width) * f.depth / 8;
    f.rowLength = (pixelBytes + 3) & ~std::uint64_t{3};
    const std::uint64_t wanted = f.rowLength * static_cast<std::uint64_t>(f.rows);
    const std::uint64_t present = fileSize > f.pixelOffset ? fileSize - f.pixelOffset : 0;
    if (present < wanted) return refuse("READLEN NOT EQUARE WANTED!  " + std::to_string(present));
    // Package sizes are 32-bit: the picture16 of a bitmap that holds 4 GiB of pixels (a sparse
    // file costs nothing) would be written in full, filling the disk, only to be refused.
    if (8 + std::uint64_t{f.width4} * static_cast<std::uint64_t>(f.rows) * 2 > 0xFFFFFFFFu)
        return refuse(Pixels(f.width, f.rows) + " is too large: its picture16 would be 4 GiB or more");
    return f;
}

void ConvertRow(const BmpFormat& format, const std::uint8_t* row, const std::uint8_t* palette,
                std::uint8_t* picture16Row) {
    const std::size_t bytesPerPixel = format.depth / 8u;
    std::uint8_t* q = picture16Row;
    for (std::int32_t x = 0; x < format.width; ++x, row += bytesPerPixel, q += 2) {
        const std::uint8_t* bgr = format.depth == 8 ? palette + std::size_t{*row} * 4 : row;
        const std::uint16_t v = Pixel16(bgr[0], bgr[1], bgr[2]);
        q[0] = static_cast<std::uint8_t>(v);
        q[1] = static_cast<std::uint8_t>(v >> 8);
    }
    std::fill(q, picture16Row + std::size_t{format.width4} * 2, std::uint8_t{0});
}

}  // namespace lindquay
