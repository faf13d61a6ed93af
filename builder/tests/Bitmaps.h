// Small bitmaps made in the tests, and the picture16 bytes they must give.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace support {

struct Rgb {
    std::uint8_t r, g, b;
};

// An uncompressed BMP of `depth` 24 or 32 (pixels top row first), stored bottom-up unless
// `topDown`. For depth 8, `pixels` holds palette indices in r and `palette` the colours.
std::string MakeBmp(int width, int height, int depth, const std::vector<Rgb>& pixels, bool topDown = false,
                    const std::vector<Rgb>& palette = {});

// Patches a little-endian field of a built header.
void Poke16(std::string& b, std::size_t at, std::uint16_t v);
void Poke32(std::string& b, std::size_t at, std::uint32_t v);

std::uint16_t Pixel16(Rgb c);
// The picture16 file for pixels given top row first.
std::string Picture16(int width, int height, const std::vector<Rgb>& pixels);

}  // namespace support
