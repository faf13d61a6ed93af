#include "marlet.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <sys/stat.h>

#include "scan.h"
#include "streams.h"

namespace {

// Both files stay unbuffered: each read and each write goes straight from and to the two
// buffers, so memory stays at those buffers whatever the page's size.
std::FILE* OpenUnbuffered(const char* path, const char* mode) {
    std::FILE* file = std::fopen(path, mode);
    if (file) std::setvbuf(file, nullptr, _IONBF, 0);
    return file;
}

bool IsDirectory(std::FILE* file) {
    struct stat info {};
    return fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode);
}

// Creating the output must never empty the page being read.
bool IsSameFile(std::FILE* file, const char* path) {
    struct stat opened {
    }, named{};
    return fstat(fileno(file), &opened) == 0 && stat(path, &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

// The page is filtered chunk by chunk, but read and written a few chunks at a time: the
// system calls, not the scan, are what a 10,240-byte read costs.
constexpr std::size_t kChunksPerRead = 6;
constexpr std::size_t kReadSize = marlet::kChunkSize * kChunksPerRead;

}  // namespace

int marlet::ConvertStreams(std::FILE* in, std::FILE* out) {
    // malloc rather than new: the library needs nothing but the C library.
    const std::unique_ptr<unsigned char, decltype(&std::free)> chunks(
        static_cast<unsigned char*>(std::malloc(kReadSize + marlet::kSlack)), &std::free);
    const std::unique_ptr<unsigned char, decltype(&std::free)> text(
        static_cast<unsigned char*>(std::malloc(kReadSize + marlet::kSlack)), &std::free);
    if (!chunks || !text) return MARLET_IO_ERROR;
    marlet::State state;
    for (;;) {
        const std::size_t got = std::fread(chunks.get(), 1, kReadSize, in);
        if (got < kReadSize && std::ferror(in)) return MARLET_IO_ERROR;
        std::size_t length = 0;
        bool last = false;
        for (std::size_t offset = 0; offset < kReadSize && !last; offset += marlet::kChunkSize) {
            // The first chunk shorter than a full one, even an empty one, is the page's last.
            const std::size_t n = std::min(marlet::kChunkSize, got - offset);
            last = n < marlet::kChunkSize;
            unsigned char* chunk = chunks.get() + offset;
            // The scan puts its end mark on the byte after the chunk: the next chunk's first byte.
            const unsigned char next = chunk[n];
            std::size_t produced = marlet::ScanChunk(state, chunk, n, text.get() + length);
            chunk[n] = next;
            // The text of a chunk ends at its first NUL byte.
            if (const void* nul = std::memchr(text.get() + length, 0, produced)) {
                produced = static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - (text.get() + length));
            }
            length += produced;
        }
        if (length != 0 && std::fwrite(text.get(), 1, length, out) != length) return MARLET_IO_ERROR;
        if (last) return MARLET_CONVERTED;
    }
}

extern "C" MARLET_API int Marlet(const char* inPath, const char* outPath) {
    if (!inPath) return MARLET_INPUT_NOT_OPENABLE;
    std::FILE* in = OpenUnbuffered(inPath, "rb");
    if (!in) return MARLET_INPUT_NOT_OPENABLE;
    if (IsDirectory(in)) {
        std::fclose(in);
        return MARLET_INPUT_NOT_OPENABLE;
    }
    if (!outPath || IsSameFile(in, outPath)) {
        std::fclose(in);
        return MARLET_OUTPUT_NOT_CREATABLE;
    }
    std::FILE* out = OpenUnbuffered(outPath, "wb");
    if (!out) {
        std::fclose(in);
        return MARLET_OUTPUT_NOT_CREATABLE;
    }
    int result = marlet::ConvertStreams(in, out);
    std::fclose(in);
    if (std::fclose(out) != 0 && result == MARLET_CONVERTED) result = MARLET_IO_ERROR;
    return result;
}
