#include "Bitmaps.h"

namespace support {

void Poke16(std::string& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<char>(v);
    b[at + 1] = static_cast<char>(v >> 8);
}

void Poke32(std::string& b, std::size_t at, std::uint32_t v) {
    Poke16(b, at, static_cast<std::uint16_t>(v));
    Poke16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

std::string MakeBmp(int width, int height, int depth, const std::vector<Rgb>& pixels, bool topDown,
                    const std::vector<Rgb>& palette) {
    const int rowLength = (width * depth / 8 + 3) / 4 * 4;
    const std::size_t paletteBytes = depth == 8 ? 1024 : 0;
    const std::size_t offset = 54 + paletteBytes;
    std::string b(offset, '\0');
    b[0] = 'B';
    b[1] = 'M';
    Poke32(b, 10, static_cast<std::uint32_t>(offset));
    Poke32(b, 14, 40);
    Poke32(b, 18, static_cast<std::uint32_t>(width));
    Poke32(b, 22, static_cast<std::uint32_t>(topDown ? -height : height));
    Poke16(b, 26, 1);
    Poke16(b, 28, static_cast<std::uint16_t>(depth));
    for (std::size_t i = 0; i < palette.size(); ++i) {
        b[54 + 4 * i] = static_cast<char>(palette[i].b);
        b[55 + 4 * i] = static_cast<char>(palette[i].g);
        b[56 + 4 * i] = static_cast<char>(palette[i].r);
    }
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        std::string line;
        for (int x = 0; x < width; ++x) {
            const Rgb& c = pixels[static_cast<std::size_t>(y * width + x)];
            if (depth == 8) {
                line += static_cast<char>(c.r);
            } else {
                line += {static_cast<char>(c.b), static_cast<char>(c.g), static_cast<char>(c.r)};
                if (depth == 32) line += '\x5a';
            }
        }
        line.resize(static_cast<std::size_t>(rowLength), '\0');
        b += line;
    }
    Poke32(b, 2, static_cast<std::uint32_t>(b.size()));
    return b;
}

std::uint16_t Pixel16(Rgb c) { return static_cast<std::uint16_t>((c.b >> 3) << 10 | (c.g >> 3) << 5 | c.r >> 3); }

std::string Picture16(int width, int height, const std::vector<Rgb>& pixels) {
    const int width4 = (width + 3) / 4 * 4;
    std::string p(8, '\0');
    p[0] = 'B';
    p[1] = 'M';
    Poke16(p, 2, 16);
    Poke16(p, 4, static_cast<std::uint16_t>(width4));
    Poke16(p, 6, static_cast<std::uint16_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width4; ++x) {
            const std::uint16_t v = x < width ? Pixel16(pixels[static_cast<std::size_t>(y * width + x)]) : 0;
            p += {static_cast<char>(v), static_cast<char>(v >> 8)};
        }
    return p;
}

}  // namespace support
