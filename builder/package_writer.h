// The FS package writer: the ".shell" tree and the FSDir tree walked into the output ROM.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "lindquay.h"
#include "listing.h"

namespace lindquay {

// Where the package starts in the output ROM, whatever the base ROM's length.
inline constexpr std::uint64_t kPackageOffset = 0x30000;

// The package: one item after another from kPackageOffset, then an all-zero record. An item is a
// record, then for a file its data and, when dataSize is odd, one fill byte 0x21. Integers are
// little-endian.
//
//   offset  bytes  field     what it holds
//   0       260    name      the path, "\" between components; NUL-terminated and NUL-filled
//   260     4      isDir     1 for a folder, 0 for a file
//   264     4      dataSize  the file's bytes, 0 for a folder
//   268     4      oddSize   dataSize & 1: a fill byte follows the data
//   272            (the record's size)
//
// lindquay-ls (inspector/package_reader.h) and the tests' reader (testsupport/package.cpp) spell
// this layout out with their own numbers on purpose: a fault in this table must not hide in the
// readers that check the writer.
namespace record {
inline constexpr std::size_t kName = 0, kNameSize = 260, kIsDir = 260, kDataSize = 264, kOddSize = 268, kSize = 272;
}

// Writes the package into the new ROM at `romPath`; 1 when it cannot be opened or written. The
// file `replaced` (the previous output) is not packed either.
int LinkFSFile(BuildState& state, Listing& listing, const std::string& romPath, const DriverHooks& hooks,
               FileId replaced = {});

}  // namespace lindquay
