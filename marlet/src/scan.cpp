#include "scan.h"

#include <cstring>
#include <string_view>

#if defined(__SSE2__) && !defined(MARLET_PORTABLE_SCAN)
#define MARLET_SSE2 1
#include <emmintrin.h>
#endif

namespace marlet {
namespace {

// The scanner stops at every byte a rule may act on and treats all others as a run. The chunk
// is closed by a '<' end mark at n, which every kind of run stops at, so the run loops need no
// bounds check; the code after a run tells the end mark from a real '<' by its position.
constexpr unsigned char kEndMark = '<';

bool At(const unsigned char* chunk, std::size_t pos, std::size_t n, std::string_view literal) {
  return n - pos >= literal.size() && std::memcmp(chunk + pos, literal.data(), literal.size()) == 0;
}

bool IsScriptStart(const unsigned char* chunk, std::size_t pos, std::size_t n) {
  return At(chunk, pos, n, "<script") || At(chunk, pos, n, "<SCRIPT") ||
         At(chunk, pos, n, "<style") || At(chunk, pos, n, "<STYLE");
}

bool IsScriptEnd(const unsigned char* chunk, std::size_t pos, std::size_t n) {
  return At(chunk, pos, n, "</script>") || At(chunk, pos, n, "</SCRIPT>");
}

// The body start tag is looked for in the chunk read as a C string: up to its first NUL.
bool HasBodyTag(const unsigned char* chunk, std::size_t n) {
  const void* nul = std::memchr(chunk, 0, n);
  const std::size_t length = nul ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - chunk) : n;
  const std::string_view text(reinterpret_cast<const char*>(chunk), length);
  return text.find("<body") != std::string_view::npos || text.find("<BODY") != std::string_view::npos;
}

#if MARLET_SSE2

unsigned CountTrailingZeros(unsigned bits) { return static_cast<unsigned>(__builtin_ctz(bits)); }

__m128i Load(const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

unsigned Matches(__m128i block, char byte) {
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(byte))));
}

// Copies the run of plain text at p to out, up to the next '<', '&', tab, CR or LF; returns
// its length. Whole blocks are stored and the excess is overwritten later.
std::size_t CopyTextRun(const unsigned char* p, unsigned char* out) {
  for (std::size_t k = 0;; k += 16) {
    const __m128i block = Load(p + k);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), block);
    const unsigned bits = Matches(block, '<') | Matches(block, '&') | Matches(block, '\t') |
                          Matches(block, '\r') | Matches(block, '\n');
    if (bits != 0) return k + CountTrailingZeros(bits);
  }
}

// Length of the run at p inside a tag: up to the next '>', '<' or '&'.
std::size_t TagRun(const unsigned char* p) {
  for (std::size_t k = 0;; k += 16) {
    const __m128i block = Load(p + k);
    const unsigned bits = Matches(block, '>') | Matches(block, '<') | Matches(block, '&');
    if (bits != 0) return k + CountTrailingZeros(bits);
  }
}

// Length of the run at p inside a script or style block: up to the next '<'.
std::size_t ScriptRun(const unsigned char* p) {
  for (std::size_t k = 0;; k += 16) {
    const unsigned bits = Matches(Load(p + k), '<');
    if (bits != 0) return k + CountTrailingZeros(bits);
  }
}

#else

bool IsTextStop(unsigned char b) { return b == '<' || b == '&' || b == '\t' || b == '\r' || b == '\n'; }

std::size_t CopyTextRun(const unsigned char* p, unsigned char* out) {
  std::size_t k = 0;
  for (; !IsTextStop(p[k]); ++k) out[k] = p[k];
  return k;
}

std::size_t TagRun(const unsigned char* p) {
  std::size_t k = 0;
  while (p[k] != '>' && p[k] != '<' && p[k] != '&') ++k;
  return k;
}

std::size_t ScriptRun(const unsigned char* p) {
  std::size_t k = 0;
  while (p[k] != '<') ++k;
  return k;
}

#endif

}  // namespace

std::size_t ScanChunk(State& state, unsigned char* chunk, std::size_t n, unsigned char* text) {
  std::size_t pos = 0;
  if (!state.bodySeen) {
    if (n == 0 || !HasBodyTag(chunk, n)) return 0;
    // Body mode covers the whole chunk that holds the start tag, from its second byte on,
    // beginning inside a tag.
    state.bodySeen = true;
    state.inTag = true;
    pos = 1;
  }
  chunk[n] = kEndMark;

  bool inTag = state.inTag;
  bool inScript = state.inScript;
  unsigned breakRun = state.breakRun;
  unsigned char* out = text;

  while (pos < n) {
    if (inScript) {
      pos += ScriptRun(chunk + pos);
      if (pos >= n) break;
      if (IsScriptEnd(chunk, pos, n)) {
        inScript = false;
        pos += 10;  // the end tag and the byte after it
      } else {
        ++pos;
      }
      continue;
    }
    if (inTag) {
      pos += TagRun(chunk + pos);
      if (pos >= n) break;
      switch (chunk[pos]) {
        case '>':
          inTag = false;
          ++pos;
          break;
        case '<':
          inScript = IsScriptStart(chunk, pos, n);
          ++pos;
          break;
        default:  // '&'
          pos += At(chunk, pos, n, "&nbs") ? 5 : 1;
          break;
      }
      continue;
    }
    const std::size_t run = CopyTextRun(chunk + pos, out);
    if (run != 0) {
      out += run;
      pos += run;
      breakRun = 0;
      if (pos >= n) break;
    }
    const unsigned char b = chunk[pos];
    switch (b) {
      case '<':
        if (IsScriptStart(chunk, pos, n)) {
          inScript = true;
        } else {
          inTag = true;
        }
        ++pos;
        break;
      case '&':
        if (At(chunk, pos, n, "&nbs")) {
          pos += 5;
        } else {
          *out++ = b;
          breakRun = 0;
          ++pos;
        }
        break;
      case '\t':
        ++pos;
        break;
      default:  // CR or LF
        if (breakRun < 2) {
          *out++ = b;
          ++breakRun;
        }
        ++pos;
        break;
    }
  }

  state.inTag = inTag;
  state.inScript = inScript;
  state.breakRun = breakRun;
  return static_cast<std::size_t>(out - text);
}

}  // namespace marlet
