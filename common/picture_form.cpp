#include "picture_form.h"

#include <cstring>

namespace lindquay {

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint32_t Be32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

bool Starts(const std::uint8_t* head, std::size_t length, const char* magic, std::size_t size) {
    return length >= size && std::memcmp(head, magic, size) == 0;
}

// A PNG holds transparency when its colour type carries alpha or a tRNS chunk comes before its
// pixels.
bool PngHasAlpha(const std::uint8_t* head, std::size_t length) {
    if (length < 33) return false;
    const std::uint8_t colourType = head[25];
    if (colourType == 4 || colourType == 6) return true;
    for (std::size_t at = 8; at + 8 <= length;) {
        const std::uint32_t size = Be32(head + at);
        if (std::memcmp(head + at + 4, "tRNS", 4) == 0) return true;
        if (std::memcmp(head + at + 4, "IDAT", 4) == 0 || size > length) break;
        at += std::size_t{size} + 12;
    }
    return false;
}

std::string Bits(int depth) { return std::to_string(depth) + "-bit"; }

void ReadBmp(const std::uint8_t* head, std::size_t length, PictureForm& f) {
    f.container = PictureForm::Bmp;
    if (length < 54) {
        f.name = "BMP whose header is cut short";
        f.lindquayCause = "the file ends inside its header";
        return;
    }
    f.infoSize = static_cast<int>(Le32(head + 14));
    if (f.infoSize < 40) {
        f.depth = f.infoSize == 12 ? Le16(head + 24) : 0;
        f.name = "OS/2 BMP (a header of " + std::to_string(f.infoSize) + " bytes)";
        f.lindquayCause = "Lindquay reads only BMPs with a Windows header of 40 bytes or more";
        return;
    }
    f.depth = Le16(head + 28);
    f.compression = Le16(head + 30);
    const bool masks = f.compression == 3 || f.compression == 6;
    // The alpha mask: in a V3 header and later, or after a 40-byte header with alpha bit-fields.
    const std::size_t alphaAt = f.infoSize >= 56 ? 14 + 52 : (f.compression == 6 ? 14 + 40 + 12 : 0);
    f.alpha = masks && alphaAt != 0 && alphaAt + 4 <= length && Le32(head + alphaAt) != 0;
    if (f.compression == 0) {
        f.name = Bits(f.depth) + " BMP";
    } else if (masks) {
        f.name = Bits(f.depth) + " BMP with bit-field masks";
        // ImageMagick writes its BMPs with a 124-byte header and, for 32 bits, bit-field masks
        // (with an alpha mask whether or not the picture has transparency).
        if (f.depth == 32 && f.infoSize >= 108)
            f.name += " (as ImageMagick saves by default)";
        else if (f.alpha)
            f.name += " and an alpha channel";
    } else if (f.compression == 1 || f.compression == 2) {
        f.name = Bits(f.compression == 1 ? 8 : 4) + " BMP compressed with RLE";
    } else {
        f.name = "BMP " + CompressionName(f.compression, f.depth);
    }
    if (f.compression != 0)
        f.lindquayCause = "Lindquay reads only uncompressed BMPs";
    else if (f.depth != 8 && f.depth != 24 && f.depth != 32)
        f.lindquayCause = "Lindquay reads only BMPs of 8, 24 or 32 bits";
}

}  // namespace

std::string CompressionName(int compression, int depth) {
    switch (compression) {
        case 1:
            return "8 bits per pixel, RLE";
        case 2:
            return "4 bits per pixel, RLE";
        case 3:
            return std::to_string(depth) + " bits per pixel with bit-field masks";
        case 4:
            return "holding a JPEG picture";
        case 5:
            return "holding a PNG picture";
        case 6:
            return std::to_string(depth) + " bits per pixel with bit-field masks and alpha";
        default:
            return "of compression " + std::to_string(compression);
    }
}

PictureForm ReadPictureForm(const std::uint8_t* head, std::size_t length, const std::string& suffix) {
    PictureForm f;
    if (length == 0) {
        f.container = PictureForm::Empty;
        f.name = "empty file";
        f.lindquayCause = "the file is empty";
        return f;
    }
    if (Starts(head, length, "BM", 2)) {
        ReadBmp(head, length, f);
        if (!suffix.empty() && suffix != "bmp") f.name += " under a ." + suffix + " name";
        return f;
    }
    struct Magic {
        const char* bytes;
        std::size_t size;
        PictureForm::Container container;
        const char* name;
        const char* suffixes;  // the extensions it may rightly carry, between spaces
    };
    static const Magic kMagic[] = {
        {"\x89PNG\r\n\x1a\n", 8, PictureForm::Png, "PNG picture", " png "},
        {"\xFF\xD8\xFF", 3, PictureForm::Jpeg, "JPEG picture", " jpg jpeg jpe "},
        {"GIF8", 4, PictureForm::Gif, "GIF picture", " gif "},
        {"II*\0", 4, PictureForm::Tiff, "TIFF picture", " tif tiff "},
        {"MM\0*", 4, PictureForm::Tiff, "TIFF picture", " tif tiff "},
    };
    f.name = "file that is no picture";
    for (const Magic& m : kMagic) {
        if (!Starts(head, length, m.bytes, m.size)) continue;
        f.container = m.container;
        f.name = m.name;
        f.alpha = m.container == PictureForm::Png && PngHasAlpha(head, length);
        if (f.alpha) f.name += " with transparency";
        if (std::string(m.suffixes).find(" " + suffix + " ") == std::string::npos && !suffix.empty())
            f.name += " under a ." + suffix + " name";
        break;
    }
    f.lindquayCause = "Lindquay reads only BMP files";
    return f;
}

}  // namespace lindquay
