// The FS package writer: the ".shell" tree and the FSDir tree walked into the output ROM.
#pragma once

#include <cstdint>
#include <string>

#include "lindquay.h"
#include "listing.h"

namespace lindquay {

// Where the package starts in the output ROM, whatever the base ROM's length.
inline constexpr std::uint64_t kPackageOffset = 0x30000;

// Writes the package into the new ROM at `romPath`; 1 when it cannot be opened or written. The
// file `replaced` (the previous output) is not packed either.
int LinkFSFile(BuildState& state, Listing& listing, const std::string& romPath, const DriverHooks& hooks,
               FileId replaced = {});

}  // namespace lindquay
