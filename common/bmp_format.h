// The BMP pictures Lindquay turns into picture16: the header check, in the words of its listing,
// and the conversion of one row. Plain code with no system call, so that the workbench's skin
// check gives the very reasons the builder gives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lindquay {

// A BMP's header, checked: its fields and the sizes they give, or why it is refused.
struct BmpFormat {
    std::string refusal;  // empty: the bitmap can be converted
    std::uint32_t pixelOffset = 0;
    std::uint32_t infoSize = 0;
    std::int32_t width = 0;
    std::uint16_t depth = 0;  // 8, 24 or 32
    std::int64_t rows = 0;
    bool bottomUp = true;
    std::uint32_t width4 = 0;     // the width rounded up to a multiple of 4: picture16's width
    std::uint64_t rowLength = 0;  // bytes of one stored row, fill included
};
// `header` holds the first `length` bytes of the file (54 are read), `fileSize` its length.
BmpFormat ParseBmpHeader(const std::uint8_t* header, std::size_t length, std::uint64_t fileSize);

// One stored row of the bitmap as a picture16 row: width4 little-endian values, the pixels past
// the width 0. `palette` holds 256 entries of blue, green, red and one unused byte (depth 8).
void ConvertRow(const BmpFormat& format, const std::uint8_t* row, const std::uint8_t* palette,
                std::uint8_t* picture16Row);

}  // namespace lindquay
