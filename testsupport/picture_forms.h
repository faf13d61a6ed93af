// Pictures in every form an author's editor may save them in, from the same pixels: the BMP
// forms Lindquay reads and those it refuses (bit-field masks as ImageMagick writes them, 16 bits,
// RLE, 1 and 4 bits), and PNG and JPEG-named files under a .bmp name, with and without
// transparency. Written byte by byte, so the tests need no outside tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct Rgba {
    std::uint8_t r, g, b, a = 255;
    bool operator==(const Rgba&) const = default;
};

enum class PictureFormKind {
    Bmp24,                // uncompressed, 40-byte header
    Bmp32,                // uncompressed, alpha byte 255
    Bmp8,                 // palette
    Bmp32BitfieldsAlpha,  // 124-byte header, bit-field masks with an alpha mask (ImageMagick's default)
    Bmp16Bitfields565,    // 40-byte header and three masks
    Bmp16,                // uncompressed 5-5-5
    Bmp8Rle,              // palette, RLE8
    Bmp4,                 // palette of 16
    Bmp1,                 // palette of 2
    Png,                  // RGB
    PngAlpha,             // RGBA
};

// The picture width x height with pixels given top row first, in that form. Palette forms need
// no more distinct colours than they hold; the 16-bit forms keep 5 bits a channel (6 for green
// in 5-6-5); forms without alpha drop it.
std::string MakePictureForm(PictureFormKind kind, int width, int height, const std::vector<Rgba>& pixels);

}  // namespace testsupport
