// The chunk filter behind Marlet: the page's bytes in, the text of one chunk out.
#pragma once

#include <cstddef>

namespace marlet {

inline constexpr std::size_t kChunkSize = 10240;
// Room past the bytes of a chunk and of its text: the scanner puts an end mark after the chunk
// and loads and stores whole blocks of up to 64 bytes that may reach up to 65 bytes past the end.
inline constexpr std::size_t kSlack = 128;

// What carries over from one chunk to the next.
struct State {
    bool bodySeen = false;
    bool inTag = false;
    bool inScript = false;
    unsigned breakRun = 0;  // line-break bytes written since the last other written byte, 0..2
};

// Filters the n bytes of one chunk into text and returns the count of text bytes (NUL bytes
// included: the caller cuts the text at its first NUL). chunk and text must each hold
// kChunkSize + kSlack bytes; chunk[n] is overwritten.
std::size_t ScanChunk(State& state, unsigned char* chunk, std::size_t n, unsigned char* text);

// The ways the scan can run, narrowest first; every one writes the same text. The widest one the
// processor runs is chosen on first use.
enum class ScanPath { Portable, Sse2, Avx2, Avx512 };
inline constexpr ScanPath kScanPaths[] = {ScanPath::Portable, ScanPath::Sse2, ScanPath::Avx2, ScanPath::Avx512};
const char* ScanPathName(ScanPath path);
bool CanRun(ScanPath path);
ScanPath CurrentScanPath();
// For the tests and the fuzz target (the library exports only Marlet): ScanChunk uses `path`
// from now on; false, and nothing changes, when this build or processor cannot run it.
bool UseScanPath(ScanPath path);

}  // namespace marlet
