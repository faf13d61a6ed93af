#include "testsupport/picture_forms.h"

#include "testsupport/pictures.h"

#include <zlib.h>

#include <algorithm>

namespace testsupport {

namespace {

std::string Png(int width, int height, const std::vector<Rgba>& px, bool alpha) {
    std::string png = "\x89PNG\r\n\x1a\n";
    png += PngChunk("IHDR", Be32(static_cast<std::uint32_t>(width)) + Be32(static_cast<std::uint32_t>(height)) +
                                std::string{8, static_cast<char>(alpha ? 6 : 2), 0, 0, 0});
    std::string rows;
    for (int y = 0; y < height; ++y) {
        rows += '\0';
        for (int x = 0; x < width; ++x) {
            const Rgba& c = px[static_cast<std::size_t>(y * width + x)];
            rows += {static_cast<char>(c.r), static_cast<char>(c.g), static_cast<char>(c.b)};
            if (alpha) rows += static_cast<char>(c.a);
        }
    }
    std::string packed(compressBound(static_cast<uLong>(rows.size())), '\0');
    uLongf size = static_cast<uLongf>(packed.size());
    compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(rows.data()),
             static_cast<uLong>(rows.size()));
    packed.resize(size);
    return png + PngChunk("IDAT", packed) + PngChunk("IEND", "");
}

void Put16(std::string& s, std::uint16_t v) { s += {static_cast<char>(v), static_cast<char>(v >> 8)}; }
void Put32(std::string& s, std::uint32_t v) {
    Put16(s, static_cast<std::uint16_t>(v));
    Put16(s, static_cast<std::uint16_t>(v >> 16));
}

// A BMP file: header of infoSize bytes (masks inside it from 56 bytes on), then `extra` (masks
// after a 40-byte header, or the palette), then the rows as given (bottom row first).
std::string Bmp(int width, int height, int depth, int compression, std::uint32_t infoSize, const std::string& extra,
                const std::string& rows, const std::vector<std::uint32_t>& masks = {}) {
    std::string info;
    Put32(info, infoSize);
    Put32(info, static_cast<std::uint32_t>(width));
    Put32(info, static_cast<std::uint32_t>(height));
    Put16(info, 1);
    Put16(info, static_cast<std::uint16_t>(depth));
    Put32(info, static_cast<std::uint32_t>(compression));
    Put32(info, static_cast<std::uint32_t>(rows.size()));
    Put32(info, 2835);
    Put32(info, 2835);
    Put32(info, 0);
    Put32(info, 0);
    for (std::uint32_t m : masks) Put32(info, m);
    if (infoSize >= 108 && masks.size() <= 4) {
        info.resize(56, '\0');
        Put32(info, 0x73524742);  // "sRGB"
    }
    info.resize(infoSize, '\0');
    const auto offset = static_cast<std::uint32_t>(14 + info.size() + extra.size());
    std::string file = "BM";
    Put32(file, static_cast<std::uint32_t>(offset + rows.size()));
    Put32(file, 0);
    Put32(file, offset);
    return file + info + extra + rows;
}

std::vector<Rgba> PaletteOf(const std::vector<Rgba>& px) {
    std::vector<Rgba> palette;
    for (Rgba c : px) {
        c.a = 255;
        if (std::find(palette.begin(), palette.end(), c) == palette.end()) palette.push_back(c);
    }
    return palette;
}

std::uint8_t IndexOf(const std::vector<Rgba>& palette, Rgba c) {
    c.a = 255;
    return static_cast<std::uint8_t>(std::find(palette.begin(), palette.end(), c) - palette.begin());
}

std::string PaletteBytes(const std::vector<Rgba>& palette, std::size_t entries) {
    std::string bytes;
    for (std::size_t i = 0; i < entries; ++i) {
        const Rgba c = i < palette.size() ? palette[i] : Rgba{0, 0, 0};
        bytes += {static_cast<char>(c.b), static_cast<char>(c.g), static_cast<char>(c.r), '\0'};
    }
    return bytes;
}

}  // namespace

std::string MakePictureForm(PictureFormKind kind, int width, int height, const std::vector<Rgba>& px) {
    const auto at = [&](int x, int y) { return px[static_cast<std::size_t>(y * width + x)]; };
    const std::vector<Rgba> palette = PaletteOf(px);
    // Rows bottom first, each filled to 4 bytes by `pixel`, which appends one pixel's bits.
    const auto rows = [&](int depth, auto pixel) {
        std::string all;
        for (int y = height - 1; y >= 0; --y) {
            std::string bits;  // as a string of '0'/'1' for depths under 8
            std::string row;
            for (int x = 0; x < width; ++x) pixel(row, bits, at(x, y));
            for (std::size_t i = 0; i < bits.size(); i += 8) {
                std::string byte = bits.substr(i, 8);
                byte.resize(8, '0');
                row += static_cast<char>(std::stoi(byte, nullptr, 2));
            }
            (void)depth;
            row.resize((row.size() + 3) / 4 * 4, '\0');
            all += row;
        }
        return all;
    };
    const auto indexBits = [&](int depth) {
        return [&palette, depth](std::string&, std::string& bits, Rgba c) {
            const int index = IndexOf(palette, c);
            for (int b = depth - 1; b >= 0; --b) bits += (index >> b & 1) ? '1' : '0';
        };
    };
    switch (kind) {
        case PictureFormKind::Bmp24:
        case PictureFormKind::Bmp32:
        case PictureFormKind::Bmp8: {
            std::vector<Rgb> rgb;
            for (const Rgba& c : px)
                rgb.push_back(kind == PictureFormKind::Bmp8 ? Rgb{IndexOf(palette, c), 0, 0} : Rgb{c.r, c.g, c.b});
            std::vector<Rgb> pal;
            for (const Rgba& c : palette) pal.push_back({c.r, c.g, c.b});
            const int depth = kind == PictureFormKind::Bmp24 ? 24 : kind == PictureFormKind::Bmp32 ? 32 : 8;
            std::string bmp = MakeBmp(width, height, depth, rgb, false, pal);
            if (depth == 32)  // MakeBmp's filler byte becomes an opaque alpha
                for (std::size_t i = 54 + 3; i < bmp.size(); i += 4) bmp[i] = '\xFF';
            return bmp;
        }
        case PictureFormKind::Bmp32BitfieldsAlpha:
            return Bmp(width, height, 32, 3, 124, "",
                       rows(32,
                            [](std::string& row, std::string&, Rgba c) {
                                row += {static_cast<char>(c.b), static_cast<char>(c.g), static_cast<char>(c.r),
                                        static_cast<char>(c.a)};
                            }),
                       {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u});
        case PictureFormKind::Bmp16Bitfields565: {
            std::string masks;
            for (std::uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) Put32(masks, m);
            return Bmp(width, height, 16, 3, 40, masks, rows(16, [](std::string& row, std::string&, Rgba c) {
                           Put16(row, static_cast<std::uint16_t>((c.r >> 3) << 11 | (c.g >> 2) << 5 | c.b >> 3));
                       }));
        }
        case PictureFormKind::Bmp16:
            return Bmp(width, height, 16, 0, 40, "", rows(16, [](std::string& row, std::string&, Rgba c) {
                           Put16(row, static_cast<std::uint16_t>((c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3));
                       }));
        case PictureFormKind::Bmp8Rle: {
            // Every pixel a run of one, each row ended, then the end of the bitmap.
            std::string data;
            for (int y = height - 1; y >= 0; --y) {
                for (int x = 0; x < width; ++x) data += {'\1', static_cast<char>(IndexOf(palette, at(x, y)))};
                data += {'\0', '\0'};
            }
            data += {'\0', '\1'};
            return Bmp(width, height, 8, 1, 40, PaletteBytes(palette, 256), data);
        }
        case PictureFormKind::Bmp4:
            return Bmp(width, height, 4, 0, 40, PaletteBytes(palette, 16), rows(4, indexBits(4)));
        case PictureFormKind::Bmp1:
            return Bmp(width, height, 1, 0, 40, PaletteBytes(palette, 2), rows(1, indexBits(1)));
        case PictureFormKind::Png:
            return Png(width, height, px, false);
        case PictureFormKind::PngAlpha:
            return Png(width, height, px, true);
    }
    return {};
}

}  // namespace testsupport
