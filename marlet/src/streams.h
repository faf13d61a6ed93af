// Marlet's conversion on open streams, for the library's own callers: Marlet opens the two files
// and hands them here; the fuzz target hands memory streams.
#pragma once

#include <cstdio>

namespace marlet {

// Reads the page from `in` to its end and writes its text to `out` (both unbuffered or not);
// MARLET_CONVERTED, or MARLET_IO_ERROR when a read or write failed. Closes neither.
int ConvertStreams(std::FILE* in, std::FILE* out);

}  // namespace marlet
