#include "scan.h"

#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__) && !defined(MARLET_PORTABLE_SCAN)
#define MARLET_SSE2 1
#include <emmintrin.h>
#endif

namespace marlet {
namespace {

// The chunk is closed by a '<' end mark at n, which every run loop stops at, so those loops
// need no bounds check; the code after a run tells the end mark from a real '<' by position.
constexpr unsigned char kEndMark = '<';

bool At(const unsigned char* chunk, std::size_t pos, std::size_t n, std::string_view literal) {
    return n - pos >= literal.size() && std::memcmp(chunk + pos, literal.data(), literal.size()) == 0;
}

bool IsScriptStart(const unsigned char* chunk, std::size_t pos, std::size_t n) {
    return At(chunk, pos, n, "<script") || At(chunk, pos, n, "<SCRIPT") || At(chunk, pos, n, "<style") ||
           At(chunk, pos, n, "<STYLE");
}

bool IsScriptEnd(const unsigned char* chunk, std::size_t pos, std::size_t n) {
    return At(chunk, pos, n, "</script>") || At(chunk, pos, n, "</SCRIPT>");
}

bool IsLineBreak(unsigned char b) { return b == '\r' || b == '\n'; }

// The body start tag is looked for in the chunk read as a C string: up to its first NUL.
bool HasBodyTag(const unsigned char* chunk, std::size_t n) {
    const void* nul = std::memchr(chunk, 0, n);
    const std::size_t length = nul ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - chunk) : n;
    const std::string_view text(reinterpret_cast<const char*>(chunk), length);
    return text.find("<body") != std::string_view::npos || text.find("<BODY") != std::string_view::npos;
}

#if MARLET_SSE2

// The vector scan works on 64-byte blocks, one bit per byte. Inside and outside tags, the only
// bytes that need a rule of their own are '&' (which may start "&nbs") and a '<' followed by s
// or S (which may start a script or style tag); a block is handled whole up to the first of
// them. Everything else follows from bit masks: a byte lies in a tag when the last '<' or '>'
// before it is a '<', which one addition computes (the carry runs from each '<' through every
// byte up to the next '>'). Runs of kept bytes are copied whole unless they hold a line break.

unsigned Ctz(std::uint64_t bits) { return static_cast<unsigned>(__builtin_ctzll(bits)); }

struct Block {
    std::uint64_t lt, gt, amp, tab, lineBreak, sLetter;
};

std::uint64_t Mask16(__m128i match) { return static_cast<std::uint16_t>(_mm_movemask_epi8(match)); }

Block Classify(const unsigned char* p) {
    Block block{};
    for (unsigned i = 0; i < 4; ++i) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        const unsigned shift = 16 * i;
        block.lt |= Mask16(_mm_cmpeq_epi8(v, _mm_set1_epi8('<'))) << shift;
        block.gt |= Mask16(_mm_cmpeq_epi8(v, _mm_set1_epi8('>'))) << shift;
        block.amp |= Mask16(_mm_cmpeq_epi8(v, _mm_set1_epi8('&'))) << shift;
        block.tab |= Mask16(_mm_cmpeq_epi8(v, _mm_set1_epi8('\t'))) << shift;
        block.lineBreak |=
            Mask16(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))))
            << shift;
        // s or S: only those two bytes become 's' with the 0x20 bit set.
        block.sLetter |= Mask16(_mm_cmpeq_epi8(_mm_or_si128(v, _mm_set1_epi8(0x20)), _mm_set1_epi8('s'))) << shift;
    }
    return block;
}

// Copies the bytes of p whose bit is set in keep to out, run by run, keeping at most two line
// breaks in a row; returns the count written.
std::size_t CopyKept(const unsigned char* p, std::uint64_t keep, std::uint64_t lineBreak, unsigned char* out,
                     unsigned& breakRun) {
    unsigned char* const start = out;
    while (keep != 0) {
        const unsigned from = Ctz(keep);
        const std::uint64_t filled = keep | ((std::uint64_t{1} << from) - 1);
        const unsigned to = ~filled == 0 ? 64 : Ctz(~filled);
        const std::uint64_t run = to == 64 ? keep : keep & ((std::uint64_t{1} << to) - 1);
        if ((run & lineBreak) == 0) {
            for (unsigned i = from; i < to; i += 16) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (i - from)),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
            }
            out += to - from;
            breakRun = 0;
        } else {
            for (unsigned i = from; i < to; ++i) {
                if (!IsLineBreak(p[i])) {
                    *out++ = p[i];
                    breakRun = 0;
                } else if (breakRun < 2) {
                    *out++ = p[i];
                    ++breakRun;
                }
            }
        }
        keep &= ~run;
    }
    return static_cast<std::size_t>(out - start);
}

// Length of the run at p inside a script or style block: up to the next '<'.
std::size_t ScriptRun(const unsigned char* p) {
    for (std::size_t k = 0;; k += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
        const unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('<'))));
        if (bits != 0) return k + static_cast<unsigned>(__builtin_ctz(bits));
    }
}

std::size_t ScanBody(State& state, unsigned char* chunk, std::size_t pos, std::size_t n, unsigned char* text) {
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
        // One block; after a byte with its own rule the rest of the same block is used on.
        const unsigned char* p = chunk + pos;
        const Block block = Classify(p);
        const std::size_t left = n - pos;
        const unsigned limit = left >= 64 ? 64 : static_cast<unsigned>(left);
        const std::uint64_t valid = left >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << left) - 1;
        const std::uint64_t sNext = (block.sLetter >> 1) | (std::uint64_t{(p[64] | 0x20) == 's'} << 63);
        const std::uint64_t special = (block.amp | (block.lt & sNext)) & valid;
        unsigned start = 0;
        for (;;) {
            const std::uint64_t pending = special & (~std::uint64_t{0} << start);
            const unsigned end = pending != 0 ? Ctz(pending) : limit;
            if (end > start) {
                const std::uint64_t used =
                    (end == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << end) - 1) & (~std::uint64_t{0} << start);
                const std::uint64_t lt = block.lt & used;
                const std::uint64_t open = ~(block.gt & used);
                // In a tag before each byte; the bits below start are all ones in open and add no carry.
                const std::uint64_t before = (open + lt + (std::uint64_t{inTag} << start)) ^ open ^ lt;
                const std::uint64_t tagged = before | lt;
                out += CopyKept(p, ~tagged & ~block.tab & used, block.lineBreak, out, breakRun);
                inTag = ((tagged & open) >> (end - 1)) & 1;
            }
            if (pending == 0) {
                pos += limit;
                break;
            }
            // The byte that needs its own rule.
            const std::size_t at = pos + end;
            unsigned next = end + 1;
            if (chunk[at] == '&') {
                if (At(chunk, at, n, "&nbs")) {
                    next = end + 5;
                } else if (!inTag) {
                    *out++ = '&';
                    breakRun = 0;
                }
            } else if (IsScriptStart(chunk, at, n)) {
                inScript = true;
            } else {
                inTag = true;
            }
            if (inScript || next >= limit) {
                pos += next;
                break;
            }
            start = next;
        }
    }
    state.inTag = inTag;
    state.inScript = inScript;
    state.breakRun = breakRun;
    return static_cast<std::size_t>(out - text);
}

#else

// Portable scan: one byte at a time, stopping the plain-text copy only at bytes with a rule.
bool IsTextStop(unsigned char b) { return b == '<' || b == '&' || b == '\t' || IsLineBreak(b); }

std::size_t ScanBody(State& state, unsigned char* chunk, std::size_t pos, std::size_t n, unsigned char* text) {
    bool inTag = state.inTag;
    bool inScript = state.inScript;
    unsigned breakRun = state.breakRun;
    unsigned char* out = text;
    while (pos < n) {
        const unsigned char b = chunk[pos];
        if (inScript) {
            if (b == '<' && IsScriptEnd(chunk, pos, n)) {
                inScript = false;
                pos += 10;  // the end tag and the byte after it
            } else {
                ++pos;
            }
        } else if (b == '<' && IsScriptStart(chunk, pos, n)) {
            inScript = true;
            ++pos;
        } else if (b == '&' && At(chunk, pos, n, "&nbs")) {
            pos += 5;
        } else if (inTag || b == '<') {
            inTag = b != '>';
            ++pos;
        } else if (b == '\t') {
            ++pos;
        } else if (IsLineBreak(b)) {
            if (breakRun < 2) {
                *out++ = b;
                ++breakRun;
            }
            ++pos;
        } else {
            std::size_t end = pos + 1;
            while (!IsTextStop(chunk[end])) ++end;  // the end mark stops it
            std::memcpy(out, chunk + pos, end - pos);
            out += end - pos;
            pos = end;
            breakRun = 0;
        }
    }
    state.inTag = inTag;
    state.inScript = inScript;
    state.breakRun = breakRun;
    return static_cast<std::size_t>(out - text);
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
    return ScanBody(state, chunk, pos, n, text);
}

}  // namespace marlet
