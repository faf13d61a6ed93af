// Pictures made in the tests: BMP files, the picture16 bytes Lindquay must make of them, and PNG
// files; and the little-endian fields of such bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct Rgb {
    std::uint8_t r, g, b;
};

// The 54-byte header of an uncompressed BMP of `depth` bits (with room for 256 palette entries
// at depth 8 after it), pixel data at its end; a negative height stores the rows top-down.
std::string BmpHeader(std::int32_t width, std::int32_t height, int depth);
// An uncompressed BMP of `depth` 8, 24 or 32 (pixels top row first), stored bottom-up unless
// `topDown`. For depth 8, `pixels` holds palette indices in r and `palette` the colours.
std::string MakeBmp(int width, int height, int depth, const std::vector<Rgb>& pixels, bool topDown = false,
                    const std::vector<Rgb>& palette = {});

std::uint16_t Pixel16(Rgb c);
// The picture16 file for pixels given top row first.
std::string Picture16(int width, int height, const std::vector<Rgb>& pixels);

// An 8-bit RGB PNG of width x height, each row one grey; with `pixels` false, the header
// alone (no image data).
std::string MakePng(std::uint32_t width, std::uint32_t height, bool pixels = true);

void Poke16(std::string& bytes, std::size_t at, std::uint16_t value);
void Poke32(std::string& bytes, std::size_t at, std::uint32_t value);
std::uint16_t Le16(const std::string& bytes, std::size_t at);
std::uint32_t Le32(const std::string& bytes, std::size_t at);
std::string Le32Bytes(std::uint32_t value);
// A big-endian 32-bit value, and one PNG chunk (length, type, data, CRC), for hand-made PNGs.
std::string Be32(std::uint32_t v);
std::string PngChunk(const std::string& type, const std::string& data);

}  // namespace testsupport
