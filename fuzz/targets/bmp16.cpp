// LoadBmp16 and the picture16 writer on any bytes as a BMP file. A picture it accepts must come
// out as the picture16 an independent decoder of the same bitmap makes; one it refuses must leave
// no picture16 behind and say why on a line of its own.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <sstream>
#include <string>

#include "convert.h"
#include "fuzz_support.h"

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// The pixel of the bitmap at (x, y), y counted from the top, as a 16-bit value.
std::uint16_t Expected(const std::uint8_t* data, std::size_t size, std::uint64_t x, std::uint64_t y) {
    const std::uint32_t offset = Le32(data + 10);
    const std::uint32_t infoSize = Le32(data + 14);
    const auto width = static_cast<std::int32_t>(Le32(data + 18));
    const auto height = static_cast<std::int32_t>(Le32(data + 22));
    const std::uint16_t depth = Le16(data + 28);
    const std::uint64_t rows = height < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(height))
                                          : static_cast<std::uint64_t>(height);
    const std::uint64_t rowLength = ((static_cast<std::uint64_t>(width) * depth / 8) + 3) & ~std::uint64_t{3};
    const std::uint64_t fileRow = height > 0 ? rows - 1 - y : y;
    const std::uint64_t at = offset + fileRow * rowLength + x * (depth / 8u);
    FUZZ_CHECK(at + depth / 8u <= size, "an accepted bitmap's pixel lies past the end of the file");
    const std::uint8_t* bgr = data + at;
    std::uint8_t paletteEntry[3] = {0, 0, 0};
    if (depth == 8) {
        const std::uint64_t entry = 14 + static_cast<std::uint64_t>(infoSize) + std::uint64_t{data[at]} * 4;
        for (int i = 0; i < 3; ++i) paletteEntry[i] = entry + i < size ? data[entry + i] : 0;  // short palette: black
        bgr = paletteEntry;
    }
    return static_cast<std::uint16_t>((bgr[0] & 0xF8) << 7 | (bgr[1] & 0xF8) << 2 | bgr[2] >> 3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& dir = fuzz_support::Scratch();
    const std::string in = dir + "/in.bmp";
    const std::string out = dir + "/transFile.jpg";
    fuzz_support::WriteFile(in, data, size);
    ::unlink(out.c_str());

    std::ostringstream messages;
    const int rc = lindquay::LoadBmp16(in, out, messages);
    struct stat st {};
    const bool written = ::stat(out.c_str(), &st) == 0;
    if (rc != 0) {
        FUZZ_CHECK(!written, "a refused bitmap left a picture16 file");
        const std::string text = messages.str();
        FUZZ_CHECK(!text.empty() && text.front() == '\n', "a refused bitmap gave no message on a line of its own");
        return 0;
    }
    FUZZ_CHECK(rc == 0 && written, "an accepted bitmap left no picture16 file");
    FUZZ_CHECK(size >= 54 && data[0] == 'B' && data[1] == 'M', "a file without a BMP header was accepted");
    const std::uint16_t depth = Le16(data + 28);
    FUZZ_CHECK(depth == 8 || depth == 24 || depth == 32, "a bitmap of an unsupported depth was accepted");
    FUZZ_CHECK(Le16(data + 30) == 0, "a compressed bitmap was accepted");

    const std::string picture = fuzz_support::ReadFile(out);
    FUZZ_CHECK(picture.size() >= 8, "picture16 shorter than its header");
    const auto* p = reinterpret_cast<const std::uint8_t*>(picture.data());
    FUZZ_CHECK(p[0] == 'B' && p[1] == 'M' && Le16(p + 2) == 16, "picture16 header is wrong");
    const std::uint64_t width4 = Le16(p + 4), rows = Le16(p + 6);
    const auto width = static_cast<std::int32_t>(Le32(data + 18));
    const auto height = static_cast<std::int32_t>(Le32(data + 22));
    FUZZ_CHECK(width > 0 && height != 0, "an empty bitmap was accepted");
    FUZZ_CHECK(width4 == ((static_cast<std::uint64_t>(width) + 3) & ~std::uint64_t{3}),
               "picture16 width is not the width rounded up to 4");
    FUZZ_CHECK(rows == static_cast<std::uint64_t>(height < 0 ? -static_cast<std::int64_t>(height) : height),
               "picture16 height differs from the bitmap's");
    FUZZ_CHECK(picture.size() == 8 + width4 * rows * 2, "picture16 size is not 8 + W4 x H x 2");
    for (std::uint64_t y = 0; y < rows; ++y) {
        for (std::uint64_t x = 0; x < width4; ++x) {
            const std::uint16_t got = Le16(p + 8 + (y * width4 + x) * 2);
            const std::uint16_t want = x < static_cast<std::uint64_t>(width) ? Expected(data, size, x, y) : 0;
            FUZZ_CHECK(got == want, "pixel " + std::to_string(x) + "," + std::to_string(y) + " is " +
                                        std::to_string(got) + ", the bitmap says " + std::to_string(want));
        }
    }
    return 0;
}
