#include "scan.h"

#include <cstdint>
#include <cstring>
#include <string_view>

#if (defined(__x86_64__) || defined(__i386__)) && !defined(MARLET_PORTABLE_SCAN)
#define MARLET_X86 1
#include <immintrin.h>
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

// Portable scan: one byte at a time, stopping the plain-text copy only at bytes with a rule.
bool IsTextStop(unsigned char b) { return b == '<' || b == '&' || b == '\t' || IsLineBreak(b); }

std::size_t ScanBodyPortable(State& state, unsigned char* chunk, std::size_t pos, std::size_t n, unsigned char* text) {
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

using ScanBodyFunction = std::size_t (*)(State&, unsigned char*, std::size_t, std::size_t, unsigned char*);

#if MARLET_X86

unsigned Ctz(std::uint64_t bits) { return static_cast<unsigned>(__builtin_ctzll(bits)); }

// One bit per byte of a 64-byte block.
struct Block {
    std::uint64_t lt, gt, amp, tab, lineBreak, sLetter;
};

// 16 bytes at a time: every x86-64 processor.
namespace sse2 {
#define MARLET_TARGET __attribute__((target("sse2")))

MARLET_TARGET inline std::uint64_t Mask(__m128i match) { return static_cast<std::uint16_t>(_mm_movemask_epi8(match)); }

MARLET_TARGET inline Block Classify(const unsigned char* p) {
    Block block{};
    for (unsigned i = 0; i < 4; ++i) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        const unsigned shift = 16 * i;
        block.lt |= Mask(_mm_cmpeq_epi8(v, _mm_set1_epi8('<'))) << shift;
        block.gt |= Mask(_mm_cmpeq_epi8(v, _mm_set1_epi8('>'))) << shift;
        block.amp |= Mask(_mm_cmpeq_epi8(v, _mm_set1_epi8('&'))) << shift;
        block.tab |= Mask(_mm_cmpeq_epi8(v, _mm_set1_epi8('\t'))) << shift;
        block.lineBreak |=
            Mask(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\n')))) << shift;
        // s or S: only those two bytes become 's' with the 0x20 bit set.
        block.sLetter |= Mask(_mm_cmpeq_epi8(_mm_or_si128(v, _mm_set1_epi8(0x20)), _mm_set1_epi8('s'))) << shift;
    }
    return block;
}

// Length of the run at p inside a script or style block: up to the next '<'.
MARLET_TARGET inline std::size_t ScriptRun(const unsigned char* p) {
    for (std::size_t k = 0;; k += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
        const unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('<'))));
        if (bits != 0) return k + static_cast<unsigned>(__builtin_ctz(bits));
    }
}

MARLET_TARGET inline void CopyRun(unsigned char* out, const unsigned char* p, unsigned length) {
    for (unsigned i = 0; i < length; i += 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
    }
}

#include "scan_blocks.inc"
#undef MARLET_TARGET
}  // namespace sse2

// 32 bytes at a time.
namespace avx2 {
#define MARLET_TARGET __attribute__((target("avx2,bmi")))

MARLET_TARGET inline std::uint64_t Mask(__m256i match) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(match));
}

MARLET_TARGET inline Block Classify(const unsigned char* p) {
    Block block{};
    for (unsigned i = 0; i < 2; ++i) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * i));
        const unsigned shift = 32 * i;
        block.lt |= Mask(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('<'))) << shift;
        block.gt |= Mask(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('>'))) << shift;
        block.amp |= Mask(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('&'))) << shift;
        block.tab |= Mask(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('\t'))) << shift;
        block.lineBreak |= Mask(_mm256_or_si256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('\r')),
                                                _mm256_cmpeq_epi8(v, _mm256_set1_epi8('\n'))))
                           << shift;
        block.sLetter |= Mask(_mm256_cmpeq_epi8(_mm256_or_si256(v, _mm256_set1_epi8(0x20)), _mm256_set1_epi8('s')))
                         << shift;
    }
    return block;
}

MARLET_TARGET inline std::size_t ScriptRun(const unsigned char* p) {
    for (std::size_t k = 0;; k += 32) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + k));
        const auto bits = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('<'))));
        if (bits != 0) return k + static_cast<unsigned>(__builtin_ctz(bits));
    }
}

MARLET_TARGET inline void CopyRun(unsigned char* out, const unsigned char* p, unsigned length) {
    for (unsigned i = 0; i < length; i += 32) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i)));
    }
}

#include "scan_blocks.inc"
#undef MARLET_TARGET
}  // namespace avx2

// A block in one register; the kept bytes of a block are packed together by one instruction
// (VBMI2's compress), and the line breaks past the second in a row are found with bit
// operations on the kept bytes in written order (BMI2's pext and pdep).
namespace avx512 {
#define MARLET_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi2,bmi,bmi2,popcnt")))
#define MARLET_OWN_COPY_KEPT 1

MARLET_TARGET inline Block Classify(const unsigned char* p) {
    const __m512i v = _mm512_loadu_si512(p);
    Block block{};
    block.lt = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('<'));
    block.gt = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('>'));
    block.amp = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('&'));
    block.tab = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('\t'));
    block.lineBreak =
        _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('\r')) | _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('\n'));
    block.sLetter = _mm512_cmpeq_epi8_mask(_mm512_or_si512(v, _mm512_set1_epi8(0x20)), _mm512_set1_epi8('s'));
    return block;
}

MARLET_TARGET inline std::size_t ScriptRun(const unsigned char* p) {
    for (std::size_t k = 0;; k += 64) {
        const std::uint64_t bits = _mm512_cmpeq_epi8_mask(_mm512_loadu_si512(p + k), _mm512_set1_epi8('<'));
        if (bits != 0) return k + Ctz(bits);
    }
}

MARLET_TARGET inline std::size_t CopyKept(const unsigned char* p, std::uint64_t keep, std::uint64_t lineBreak,
                                          unsigned char* out, unsigned& breakRun) {
    if (keep == 0) return 0;
    if ((keep & lineBreak) == 0) {
        breakRun = 0;
    } else {
        // Bit i of `breaks`: whether the i-th kept byte is a line break. One is dropped when the
        // two kept before it are line breaks too, those of earlier blocks counted by breakRun.
        const auto count = static_cast<unsigned>(_mm_popcnt_u64(keep));
        const std::uint64_t breaks = _pext_u64(lineBreak, keep);
        const std::uint64_t one = breakRun >= 1, two = breakRun >= 2;
        const std::uint64_t dropped = breaks & ((breaks << 1) | one) & ((breaks << 2) | (one << 1) | two);
        keep &= ~_pdep_u64(dropped, keep);
        // The line breaks at the end of what is kept.
        const std::uint64_t last = breaks << (64 - count);
        const unsigned trailing = ~last == 0 ? 64 : static_cast<unsigned>(__builtin_clzll(~last));
        const unsigned run = trailing >= count ? breakRun + trailing : trailing;
        breakRun = run < 2 ? run : 2;
    }
    _mm512_storeu_si512(out, _mm512_maskz_compress_epi8(keep, _mm512_loadu_si512(p)));
    return static_cast<std::size_t>(_mm_popcnt_u64(keep));
}

#include "scan_blocks.inc"
#undef MARLET_OWN_COPY_KEPT
#undef MARLET_TARGET
}  // namespace avx512

#endif  // MARLET_X86

ScanBodyFunction BodyOf(ScanPath path) {
    switch (path) {
#if MARLET_X86
        case ScanPath::Sse2:
            return sse2::ScanBody;
        case ScanPath::Avx2:
            return avx2::ScanBody;
        case ScanPath::Avx512:
            return avx512::ScanBody;
#endif
        default:
            return ScanBodyPortable;
    }
}

// The path in use; read and set atomically, so that concurrent first calls agree. -1: not
// chosen yet.
int currentPath = -1;

ScanPath WidestRunnable() {
    ScanPath widest = ScanPath::Portable;
    for (ScanPath path : kScanPaths) {
        if (CanRun(path)) widest = path;
    }
    return widest;
}

}  // namespace

const char* ScanPathName(ScanPath path) {
    switch (path) {
        case ScanPath::Portable:
            return "portable";
        case ScanPath::Sse2:
            return "sse2";
        case ScanPath::Avx2:
            return "avx2";
        case ScanPath::Avx512:
            return "avx512";
    }
    return "?";
}

bool CanRun(ScanPath path) {
    if (path == ScanPath::Portable) return true;
#if MARLET_X86
    __builtin_cpu_init();
    switch (path) {
        case ScanPath::Sse2:
            return __builtin_cpu_supports("sse2");
        case ScanPath::Avx2:
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi");
        case ScanPath::Avx512:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                   __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("bmi") &&
                   __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
        default:
            break;
    }
#endif
    return false;
}

ScanPath CurrentScanPath() {
    int path = __atomic_load_n(&currentPath, __ATOMIC_RELAXED);
    if (path < 0) {
        path = static_cast<int>(WidestRunnable());
        __atomic_store_n(&currentPath, path, __ATOMIC_RELAXED);
    }
    return static_cast<ScanPath>(path);
}

bool UseScanPath(ScanPath path) {
    if (!CanRun(path)) return false;
    __atomic_store_n(&currentPath, static_cast<int>(path), __ATOMIC_RELAXED);
    return true;
}

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
    return BodyOf(CurrentScanPath())(state, chunk, pos, n, text);
}

}  // namespace marlet
