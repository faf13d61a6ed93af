#include "marlet.h"

#include <cstdio>
#include <cstring>

#include <sys/stat.h>

#include "scan.h"

namespace {

// Both files stay unbuffered: each chunk is one read and its text one write, straight from
// and to the two buffers, so memory stays at those buffers whatever the page's size.
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
  struct stat opened {}, named {};
  return fstat(fileno(file), &opened) == 0 && stat(path, &named) == 0 && opened.st_dev == named.st_dev &&
         opened.st_ino == named.st_ino;
}

int Convert(std::FILE* in, std::FILE* out) {
  unsigned char chunk[marlet::kChunkSize + marlet::kSlack];
  unsigned char text[marlet::kChunkSize + marlet::kSlack];
  marlet::State state;
  for (;;) {
    const std::size_t n = std::fread(chunk, 1, marlet::kChunkSize, in);
    if (n < marlet::kChunkSize && std::ferror(in)) return MARLET_IO_ERROR;
    std::size_t length = marlet::ScanChunk(state, chunk, n, text);
    // The text of a chunk ends at its first NUL byte.
    if (const void* nul = std::memchr(text, 0, length)) {
      length = static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - text);
    }
    if (length != 0 && std::fwrite(text, 1, length, out) != length) return MARLET_IO_ERROR;
    if (n < marlet::kChunkSize) return MARLET_CONVERTED;
  }
}

}  // namespace

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
  int result = Convert(in, out);
  std::fclose(in);
  if (std::fclose(out) != 0 && result == MARLET_CONVERTED) result = MARLET_IO_ERROR;
  return result;
}
