#include "testsupport/pictures.h"

#include <zlib.h>

namespace testsupport {

std::string Be32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

std::string PngChunk(const std::string& type, const std::string& data) {
    const std::string body = type + data;
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
    return Be32(static_cast<std::uint32_t>(data.size())) + body + Be32(crc);
}

void Poke16(std::string& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<char>(v);
    b[at + 1] = static_cast<char>(v >> 8);
}

void Poke32(std::string& b, std::size_t at, std::uint32_t v) {
    Poke16(b, at, static_cast<std::uint16_t>(v));
    Poke16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

std::uint16_t Le16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8);
}

std::uint32_t Le32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(Le16(b, at)) | static_cast<std::uint32_t>(Le16(b, at + 2)) << 16;
}

std::string Le32Bytes(std::uint32_t value) {
    std::string bytes(4, '\0');
    Poke32(bytes, 0, value);
    return bytes;
}

std::string BmpHeader(std::int32_t width, std::int32_t height, int depth) {
    const std::uint32_t offset = 54 + (depth == 8 ? 1024 : 0);
    std::string b(54, '\0');
    b[0] = 'B';
    b[1] = 'M';
    Poke32(b, 10, offset);
    Poke32(b, 14, 40);
    Poke32(b, 18, static_cast<std::uint32_t>(width));
    Poke32(b, 22, static_cast<std::uint32_t>(height));
    Poke16(b, 26, 1);
    Poke16(b, 28, static_cast<std::uint16_t>(depth));
    return b;
}

std::string MakeBmp(int width, int height, int depth, const std::vector<Rgb>& pixels, bool topDown,
                    const std::vector<Rgb>& palette) {
    const int rowLength = (width * depth / 8 + 3) / 4 * 4;
    std::string b = BmpHeader(width, topDown ? -height : height, depth);
    if (depth == 8) {
        b.resize(54 + 1024, '\0');
        for (std::size_t i = 0; i < palette.size(); ++i) {
            b[54 + 4 * i] = static_cast<char>(palette[i].b);
            b[55 + 4 * i] = static_cast<char>(palette[i].g);
            b[56 + 4 * i] = static_cast<char>(palette[i].r);
        }
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

std::string MakePng(std::uint32_t width, std::uint32_t height, bool pixels) {
    std::string png = "\x89PNG\r\n\x1a\n";
    png += PngChunk("IHDR", Be32(width) + Be32(height) + std::string("\x08\x02\x00\x00\x00", 5));
    if (pixels) {
        std::string rows;
        for (std::uint32_t y = 0; y < height; ++y) rows += '\0' + std::string(width * 3, static_cast<char>(y * 5));
        std::string packed(compressBound(static_cast<uLong>(rows.size())), '\0');
        uLongf size = static_cast<uLongf>(packed.size());
        compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(rows.data()),
                 static_cast<uLong>(rows.size()));
        packed.resize(size);
        png += PngChunk("IDAT", packed);
    }
    return png + PngChunk("IEND", "");
}

}  // namespace testsupport
