// The thirty blitters, made from one template over the pixel operation, the
// horizontal mode and the direction, and the 64-entry table that selects them.
//
// Rows are walked as runs: a transparent skip only moves the write position, an
// opaque run is handed to the operation whole (a block copy for the plain one).
// Mirroring is a direction of -1 for the write position. Scaled rows place source
// pixels by a fixed-point position in 1/256 of a destination column, counted from
// the left end of the visible span; column k of a pixel at position p is p >> 8,
// and positions run on through skips and pixels without rounding.
#include "sprox/blit/blitter.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "sprox.h"

namespace sprox {
namespace {

uint32_t Load32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

uint64_t Load64(const uint8_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// The skip or the count of a segment word, read as a half on its own.
size_t Load16(const uint8_t* p)
{
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

// The next segment word: the first 4-byte boundary at or after p.
const uint8_t* Align4(const uint8_t* p)
{
    return reinterpret_cast<const uint8_t*>((reinterpret_cast<uintptr_t>(p) + 3) & ~uintptr_t{3});
}

// A block copy of n bytes. Short runs, the usual case in sprites, are two
// overlapping moves of one width instead of a call.
[[gnu::always_inline]] inline void CopyRun(uint8_t* d, const uint8_t* s, size_t n)
{
    if (n - 8 <= 8) {
        uint64_t a, b;
        std::memcpy(&a, s, 8);
        std::memcpy(&b, s + n - 8, 8);
        std::memcpy(d, &a, 8);
        std::memcpy(d + n - 8, &b, 8);
    } else if (n < 8) {
        if (n >= 4) {
            uint32_t a, b;
            std::memcpy(&a, s, 4);
            std::memcpy(&b, s + n - 4, 4);
            std::memcpy(d, &a, 4);
            std::memcpy(d + n - 4, &b, 4);
        } else if (n >= 2) {
            uint16_t a, b;
            std::memcpy(&a, s, 2);
            std::memcpy(&b, s + n - 2, 2);
            std::memcpy(d, &a, 2);
            std::memcpy(d + n - 2, &b, 2);
        } else if (n == 1) {
            *d = *s;
        }
    } else if (n <= 32) {
        uint8_t a[16], b[16];
        std::memcpy(a, s, 16);
        std::memcpy(b, s + n - 16, 16);
        std::memcpy(d, a, 16);
        std::memcpy(d + n - 16, b, 16);
    } else {
        std::memcpy(d, s, n);
    }
}

// The mirrored block copy: lo[n - 1 - i] = s[i] for i < n, lo being the lowest
// byte written. Words are loaded, their bytes reversed, and stored ending at the
// matching place, two overlapping words for a short run.
[[gnu::always_inline]] inline void ReverseRun(uint8_t* lo, const uint8_t* s, size_t n)
{
    if (n - 8 <= 8) {
        uint64_t a, b;
        std::memcpy(&a, s, 8);
        std::memcpy(&b, s + n - 8, 8);
        a = __builtin_bswap64(a);
        b = __builtin_bswap64(b);
        std::memcpy(lo + n - 8, &a, 8);
        std::memcpy(lo, &b, 8);
    } else if (n < 8) {
        if (n >= 4) {
            uint32_t a, b;
            std::memcpy(&a, s, 4);
            std::memcpy(&b, s + n - 4, 4);
            a = __builtin_bswap32(a);
            b = __builtin_bswap32(b);
            std::memcpy(lo + n - 4, &a, 4);
            std::memcpy(lo, &b, 4);
        } else if (n >= 2) {
            uint16_t a, b;
            std::memcpy(&a, s, 2);
            std::memcpy(&b, s + n - 2, 2);
            a = __builtin_bswap16(a);
            b = __builtin_bswap16(b);
            std::memcpy(lo + n - 2, &a, 2);
            std::memcpy(lo, &b, 2);
        } else if (n == 1) {
            *lo = *s;
        }
    } else {
        uint8_t* const hi = lo + n;
        uint64_t a;
        for (uint32_t i = 0; i + 8 < n; i += 8) {
            std::memcpy(&a, s + i, 8);
            a = __builtin_bswap64(a);
            std::memcpy(hi - i - 8, &a, 8);
        }
        std::memcpy(&a, s + n - 8, 8);
        a = __builtin_bswap64(a);
        std::memcpy(lo, &a, 8);
    }
}

// n bytes of one value, by the same overlapping stores.
[[gnu::always_inline]] inline void FillRun(uint8_t* d, uint8_t v, size_t n)
{
    const uint64_t w = 0x0101010101010101ull * v;
    if (n >= 8) {
        if (n > 16) {
            std::memset(d, v, n);
        } else {
            std::memcpy(d, &w, 8);
            std::memcpy(d + n - 8, &w, 8);
        }
    } else if (n >= 4) {
        std::memcpy(d, &w, 4);
        std::memcpy(d + n - 4, &w, 4);
    } else if (n >= 2) {
        std::memcpy(d, &w, 2);
        std::memcpy(d + n - 2, &w, 2);
    } else if (n == 1) {
        *d = v;
    }
}

// `width` bytes (at most 8) of one value.
template <int width>
[[gnu::always_inline]] inline void StoreSplat(uint8_t* d, uint8_t v)
{
    if constexpr (width == 2) {
        const uint16_t w = static_cast<uint16_t>(0x0101u * v);
        std::memcpy(d, &w, 2);
    } else if constexpr (width == 4) {
        const uint32_t w = 0x01010101u * v;
        std::memcpy(d, &w, 4);
    } else {
        const uint64_t w = 0x0101010101010101ull * v;
        std::memcpy(d, &w, 8);
    }
}

// Sixteen bytes as one value, for the byte interleaves of doubling and of the
// ROP table index (SSE2 on x86-64; i686 builds without SSE2 get plain byte
// moves). The targets are little-endian.
using Bytes16 = uint8_t __attribute__((vector_size(16)));
using Words64 = uint64_t __attribute__((vector_size(16)));
using Words32 = uint32_t __attribute__((vector_size(16)));
using Lanes16 = uint16_t __attribute__((vector_size(16)));
using Bytes8 = uint8_t __attribute__((vector_size(8)));

// What the operations need for the row being drawn. The frame column of a byte
// at address a is a + phase (only its low three bits are used).
struct RowCtx {
    const uint8_t* table;
    uint32_t mask;      // mesh: this row's mask byte, top bit = columns 0, 8, 16, ...
    uintptr_t phase;
};

// Pixel operations. Run<Dir> applies n source bytes to the n frame bytes from d
// up, from the low end on (Dir 1) or from the high end down (Dir -1); Fill
// applies one source byte to n frame bytes from d up.
template <class Derived>
struct PerPixel {
    template <int Dir>
    static void Run(uint8_t* d, const uint8_t* s, size_t n, const RowCtx& c)
    {
#pragma GCC unroll 2
        for (uint32_t i = 0; i < n; ++i) {
            Derived::Pixel(Dir > 0 ? d + i : d + (n - 1 - i), s[i], c);
        }
    }
    static void Fill(uint8_t* d, uint8_t s, size_t n, const RowCtx& c)
    {
        for (uint32_t i = 0; i < n; ++i) {
            Derived::Pixel(d + i, s, c);
        }
    }
};

struct PlainOp {
    static constexpr bool kMesh = false;
    static constexpr bool kSplat = true;  // the frame byte becomes Value(s), whatever it was
    static uint8_t Value(uint8_t s, const RowCtx&) { return s; }
    static void Pixel(uint8_t* d, uint8_t s, const RowCtx&) { *d = s; }
    template <int Dir>
    static void Run(uint8_t* d, const uint8_t* s, size_t n, const RowCtx&)
    {
        if constexpr (Dir > 0) {
            CopyRun(d, s, n);
        } else {
            ReverseRun(d, s, n);
        }
    }
    static void Fill(uint8_t* d, uint8_t s, size_t n, const RowCtx&) { FillRun(d, s, n); }
};

// f(i) for i = 0 .. n - 1: four at a time, then two, then one, so that a short
// run costs two tests beyond its pixels.
template <class F>
[[gnu::always_inline]] inline void EachPixel(size_t n, F f)
{
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        f(i);
        f(i + 1);
        f(i + 2);
        f(i + 3);
    }
    if ((n & 2) != 0) {
        f(i);
        f(i + 1);
        i += 2;
    }
    if ((n & 1) != 0) {
        f(i);
    }
}

struct RopOp : PerPixel<RopOp> {
    static constexpr bool kMesh = false;
    static constexpr bool kSplat = false;
    static void Pixel(uint8_t* d, uint8_t s, const RowCtx& c) { *d = c.table[(size_t{s} << 8) | *d]; }
    // The table indexes (source byte high) of the g = 8 or 4 pixels from i, in the
    // first g lanes: interleaving g frame bytes with g source bytes gives them at
    // once. (Filled in through a reference: a vector return value would change the
    // calling convention on i686 builds without SSE.)
    template <int g>
    [[gnu::always_inline]] static void Indexes(Lanes16& index, const uint8_t* d, const uint8_t* s, size_t i)
    {
        Bytes16 f, h;
        if constexpr (g == 8) {
            uint64_t frame, source;
            std::memcpy(&frame, d + i, 8);
            std::memcpy(&source, s + i, 8);
            f = reinterpret_cast<Bytes16>(Words64{frame, 0});
            h = reinterpret_cast<Bytes16>(Words64{source, 0});
        } else {
            uint32_t frame, source;
            std::memcpy(&frame, d + i, 4);
            std::memcpy(&source, s + i, 4);
            f = reinterpret_cast<Bytes16>(Words32{frame, 0, 0, 0});
            h = reinterpret_cast<Bytes16>(Words32{source, 0, 0, 0});
        }
        index = reinterpret_cast<Lanes16>(
            __builtin_shufflevector(f, h, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23));
    }
    // Forwards, one jump on the count into straight code: a run of g + m pixels
    // (g = 8 or 4, m <= g) takes its first g from one set of indexes and its last
    // m from the g ending at the run's end (their first lanes are pixels already
    // done, and are not stored); a run of 3 or fewer goes pixel by pixel. Longer
    // runs (rare in sprites) go eight at a time.
    template <int Dir>
    [[gnu::always_inline]] static void Run(uint8_t* d, const uint8_t* s, size_t n, const RowCtx& c)
    {
        const uint8_t* const t = c.table;
        if constexpr (Dir > 0) {
            // g + m pixels, m = 0 .. g.
            auto upTo = [&]<int g, int m>() {
                Lanes16 index;
                Indexes<g>(index, d, s, 0);
#pragma GCC unroll 8
                for (int j = 0; j < g; ++j) {
                    d[j] = t[index[j]];
                }
                if constexpr (m > 0) {
                    Lanes16 rest;
                    Indexes<g>(rest, d, s, m);
#pragma GCC unroll 8
                    for (int j = g - m; j < g; ++j) {
                        d[m + j] = t[rest[j]];
                    }
                }
            };
            auto last = [&](size_t k) { d[n - k] = t[size_t{s[n - k]} * 256 + d[n - k]]; };
            switch (n) {
            case 16: upTo.template operator()<8, 8>(); return;
            case 15: upTo.template operator()<8, 7>(); return;
            case 14: upTo.template operator()<8, 6>(); return;
            case 13: upTo.template operator()<8, 5>(); return;
            case 12: upTo.template operator()<8, 4>(); return;
            case 11: upTo.template operator()<8, 3>(); return;
            case 10: upTo.template operator()<8, 2>(); return;
            case 9: upTo.template operator()<8, 1>(); return;
            case 8: upTo.template operator()<8, 0>(); return;
            case 7: upTo.template operator()<4, 3>(); return;
            case 6: upTo.template operator()<4, 2>(); return;
            case 5: upTo.template operator()<4, 1>(); return;
            case 4: upTo.template operator()<4, 0>(); return;
            case 3: last(3); [[fallthrough]];
            case 2: last(2); [[fallthrough]];
            case 1: last(1); [[fallthrough]];
            case 0: return;
            default: break;
            }
            size_t i = 0;
            for (; i + 8 <= n; i += 8) {
                Lanes16 index;
                Indexes<8>(index, d, s, i);
#pragma GCC unroll 8
                for (int j = 0; j < 8; ++j) {
                    d[i + j] = t[index[j]];
                }
            }
            EachPixel(n - i, [&](size_t j) { d[i + j] = t[size_t{s[i + j]} * 256 + d[i + j]]; });
        } else {
            EachPixel(n, [&](size_t j) {
                uint8_t* const w = d + (n - 1 - j);
                *w = t[size_t{s[j]} * 256 + *w];
            });
        }
    }
};

// Recolouring stores t[s[j]] for each source byte s[j], a table load per pixel
// that SSE2 cannot do for several pixels at once. Pixels go by pairs, each a
// 16-bit store built in a register: the first byte loaded zero-extended, the
// second loaded straight into the register's second byte (x86 compilers use
// %ah-like halves for it), five instructions a pair.
[[gnu::always_inline]] inline void RecolourPair(uint8_t* d, const uint8_t* s, const uint8_t* t)
{
    uint16_t w = t[s[0]];
    std::memcpy(reinterpret_cast<uint8_t*>(&w) + 1, &t[s[1]], 1);
    std::memcpy(d, &w, 2);
}

// A run of exactly k pixels: straight code, pairs at offsets known to the code.
template <size_t k>
[[gnu::always_inline]] inline void RecolourCount(uint8_t* d, const uint8_t* s, const uint8_t* t)
{
#pragma GCC unroll 8
    for (size_t j = 0; j + 2 <= k; j += 2) {
        RecolourPair(d + j, s + j, t);
    }
    if constexpr (k % 2 != 0) {
        d[k - 1] = t[s[k - 1]];
    }
}

// Runs of kLongRun pixels or more, rare in sprites: eight pixels at a time, then
// pairs. A call of its own, so that the registers of the row loop around the
// short runs are laid out for those alone.
constexpr size_t kLongRun = 15;

[[gnu::noinline]] void RecolourLong(uint8_t* d, const uint8_t* s, size_t n, const uint8_t* t)
{
    for (; n >= 8; n -= 8, d += 8, s += 8) {
        RecolourCount<8>(d, s, t);
    }
    for (; n >= 2; n -= 2, d += 2, s += 2) {
        RecolourPair(d, s, t);
    }
    if (n != 0) {
        *d = t[*s];
    }
}

// A run of lo <= n < hi pixels, or of n >= kLongRun at the last leaf: the range
// is halved by comparisons with constants down to the straight code of the exact
// count, four comparisons for any run. Branches each taken by a range of lengths
// predict far better than one indirect jump on the count, which the varied run
// lengths of sprites defeat.
template <size_t lo, size_t hi>
[[gnu::always_inline]] inline void RecolourRun(uint8_t* d, const uint8_t* s, size_t n, const uint8_t* t)
{
    if constexpr (lo == kLongRun) {
        RecolourLong(d, s, n, t);
    } else if constexpr (hi - lo == 1) {
        RecolourCount<lo>(d, s, t);
    } else {
        constexpr size_t mid = (lo + hi) / 2;
        if (n < mid) {
            RecolourRun<lo, mid>(d, s, n, t);
        } else {
            RecolourRun<mid, hi>(d, s, n, t);
        }
    }
}

struct RecolourOp : PerPixel<RecolourOp> {
    static constexpr bool kMesh = false;
    static constexpr bool kSplat = true;
    static uint8_t Value(uint8_t s, const RowCtx& c) { return c.table[s]; }
    static void Pixel(uint8_t* d, uint8_t s, const RowCtx& c) { *d = c.table[s]; }
    // The run keeps the table's address in a local: the frame stores may alias
    // anything, so c.table would otherwise be loaded again for every pixel.
    template <int Dir>
    [[gnu::always_inline]] static void Run(uint8_t* d, const uint8_t* s, size_t n, const RowCtx& c)
    {
        const uint8_t* const t = c.table;
        if constexpr (Dir > 0) {
            RecolourRun<0, kLongRun + 1>(d, s, n, t);
        } else {
            EachPixel(n, [&](size_t i) { d[n - 1 - i] = t[s[i]]; });
        }
    }
    static void Fill(uint8_t* d, uint8_t s, size_t n, const RowCtx& c) { FillRun(d, c.table[s], n); }
};

struct MeshOp : PerPixel<MeshOp> {
    static constexpr bool kMesh = true;
    static constexpr bool kSplat = false;
    static void Pixel(uint8_t* d, uint8_t s, const RowCtx& c)
    {
        if (((c.mask << ((reinterpret_cast<uintptr_t>(d) + c.phase) & 7)) & 0x80) != 0) {
            *d = s;
        }
    }
};

struct ShadowOp : PerPixel<ShadowOp> {
    static constexpr bool kMesh = false;
    static constexpr bool kSplat = false;
    static void Pixel(uint8_t* d, uint8_t, const RowCtx& c) { *d = c.table[*d]; }
};

// One row at 1:1. clipped is skipLeft (or skipRight when mirrored): pattern
// columns before the span. The write position w starts at the span's left end,
// or one byte past its right end when mirrored, and moves over each skip and run
// in the direction of writing; the row ends when it reaches `end`, the span's
// other end. A mirrored run is the block of bytes below w.
template <class Op, int Dir, bool Clipped>
void RowOneToOne(const uint8_t* s, uint8_t* dst, int32_t span, int32_t clipped, const RowCtx& c)
{
    uint8_t* w = Dir > 0 ? dst : dst + span;
    uint8_t* const end = Dir > 0 ? dst + span : dst;
    // px walks the segments' pixels; a segment's word is the four bytes before, so
    // the next segment's pixels start at the 4-byte boundary at or after px + count
    // + 4.
    const uint8_t* px = s + 4;
    size_t skip = Load16(px - 4);
    size_t count = Load16(px - 2);
    if constexpr (Clipped) {
        // Find the segment whose pixels reach past the clipped columns; off is the
        // span position of its first opaque pixel.
        int32_t before = 0;
        while (before + static_cast<int32_t>(skip + count) < clipped) {
            before += static_cast<int32_t>(skip + count);
            px = Align4(px + count + 4);
            skip = Load16(px - 4);
            count = Load16(px - 2);
        }
        const int32_t off = before + static_cast<int32_t>(skip) - clipped;
        if (off >= 0) {
            skip = static_cast<size_t>(off);
        } else {
            // The segment starts inside the clipped columns: drop -off of its pixels
            // by moving px on, which keeps the next word's address unchanged.
            skip = 0;
            px += -off;
            count -= static_cast<size_t>(-off);
        }
    }
    // At or past the end of the span in the direction of writing.
    auto past = [end](const uint8_t* p) { return Dir > 0 ? p >= end : p <= end; };
    for (;;) {
        w += Dir * static_cast<intptr_t>(skip);
        uint8_t* const after = w + Dir * static_cast<intptr_t>(count);
        if (past(after)) {
            break;
        }
        Op::template Run<Dir>(Dir > 0 ? w : after, px, count, c);
        w = after;
        px = Align4(px + count + 4);
        skip = Load16(px - 4);
        count = Load16(px - 2);
    }
    // The segment that reaches the end of the span: its skip, or some of its pixels.
    if (!past(w)) {
        Op::template Run<Dir>(Dir > 0 ? w : end, px, static_cast<size_t>(Dir > 0 ? end - w : w - end), c);
    }
}

// The horizontal scale and, for reducing, the whole source pixels per column
// (q) and the 1/256 left over (r): 256 = q * scale + r. Worked out once per call.
struct Scale {
    int32_t scale;
    int32_t q;
    int32_t r;
};

Scale MakeScale(int32_t scale)
{
    if (scale > 256) {
        return {scale, 0, 0};
    }
    return {scale, 256 / scale, 256 % scale};
}

// Enlarging with an operation that stores one value per pixel: while `width`
// columns from k lie inside the span and inside what the segment's pixels cover
// (up to reach), a pixel is one store of that many bytes from its first column
// on, width being the widest a pixel can cover at this scale (2, 4 or 8). The
// bytes past its own columns belong to the following pixels, which store over
// them. At a whole scale every pixel covers the same number of columns (all but
// a first one cut at the left edge). Moves the column k, the segment's pixel j
// and the position p on.
template <class Op, int Dir, int width>
[[gnu::always_inline]] inline void SpillPixels(uint8_t* dst, int32_t span, int64_t reach, int64_t scale,
                                               const uint8_t* px, const RowCtx& c, int64_t& k, uint32_t& j,
                                               int64_t& p)
{
    if ((scale & 255) == 0 && k == p >> 8) {
        const uint32_t from = j;
        const int64_t step = scale >> 8;
        for (; k + width <= reach; k += step, ++j) {
            StoreSplat<width>(Dir > 0 ? dst + k : dst + (span - k - width), Op::Value(px[j], c));
        }
        p += (j - from) * scale;
    } else {
        while (k + width <= reach) {
            p += scale;
            StoreSplat<width>(Dir > 0 ? dst + k : dst + (span - k - width), Op::Value(px[j], c));
            k = p >> 8;
            ++j;
        }
    }
}

// One scaled row. Returns the position reached, the blitter's working value.
template <class Op, bool Scatter, int Dir>
int64_t RowScaled(const uint8_t* s, uint8_t* dst, int32_t span, int32_t clipped, const Scale& sc,
                  const RowCtx& c)
{
    // Column k lies at dst + k, or at dst + span - 1 - k when mirrored; the columns
    // k .. e - 1 are one block of bytes either way.
    auto column = [&](int64_t k) { return Dir > 0 ? dst + k : dst + (span - 1 - k); };
    auto block = [&](int64_t k, int64_t e) { return Dir > 0 ? dst + k : dst + (span - e); };
    const int64_t scale = sc.scale;

    uint32_t word = Load32(s);
    int64_t p = int64_t{word & 0xFFFF} * scale - int64_t{clipped} * 256;
    for (;;) {
        const uint32_t count = word >> 16;
        const uint8_t* px = s + 4;
        // Where the segment's pixels end: the next segment's position goes on from here.
        const int64_t segmentEnd = p + count * scale;
        int64_t k = p >> 8;
        if (k >= span) {
            return p;
        }
        uint32_t j = 0;
        if (k < 0) {
            // Pixels whose position lies a whole pixel or more left of the span are
            // passed over; the next one starts at column 0.
            if (segmentEnd < 0) {
                j = count;
            } else {
                while (j < count && p < -scale) {
                    ++j;
                    p += scale;
                }
            }
            k = 0;
        }
        if (j < count && scale <= 256) {
            // Reducing: each column takes the next pixel whose position has reached
            // the column's left edge. The first step from the segment's first pixel
            // is taken pixel by pixel; after it the pixel's offset u into its column
            // lies in 0 .. scale - 1, and each column moves on q or q + 1 pixels as u
            // runs down by r.
            Op::Pixel(column(k), px[j], c);
            if (++k >= span) {
                return p;
            }
            do {
                ++j;
                p += scale;
            } while (j < count && p < k * 256);
            int32_t u = static_cast<int32_t>(p - k * 256);
            while (j < count) {
                Op::Pixel(column(k), px[j], c);
                if (++k >= span) {
                    return p;
                }
                j += static_cast<uint32_t>(sc.q);
                u -= sc.r;
                if (u < 0) {
                    u += sc.scale;
                    ++j;
                }
            }
        } else if (j < count) {
            // Enlarging: pixel j covers the columns from k up to its end e.
            if constexpr (Op::kSplat && !Scatter) {
                // Whole stores while they fit, then the pixels one by one below.
                const int64_t reach = std::min<int64_t>(span, segmentEnd >> 8);
                if (scale <= 2 * 256) {
                    SpillPixels<Op, Dir, 2>(dst, span, reach, scale, px, c, k, j, p);
                } else if (scale <= 4 * 256) {
                    SpillPixels<Op, Dir, 4>(dst, span, reach, scale, px, c, k, j, p);
                } else if (scale <= 8 * 256) {
                    SpillPixels<Op, Dir, 8>(dst, span, reach, scale, px, c, k, j, p);
                }
                if (k >= span) {
                    return p;
                }
            }
            for (; j < count; ++j) {
                p += scale;
                const int64_t e = p >> 8;
                if (e >= span) {
                    if constexpr (Scatter) {
                        Op::Pixel(column(k), px[j], c);
                    } else {
                        Op::Fill(block(k, span), px[j], static_cast<uint32_t>(span - k), c);
                    }
                    return p;
                }
                if (e > k) {
                    if constexpr (Scatter) {
                        Op::Pixel(column(k), px[j], c);
                    } else {
                        Op::Fill(block(k, e), px[j], static_cast<uint32_t>(e - k), c);
                    }
                    k = e;
                }
            }
        }
        p = segmentEnd;
        s = Align4(px + count);
        word = Load32(s);
        p += int64_t{word & 0xFFFF} * scale;
    }
}

// Halving with the plain operation: a segment that starts at a (a pattern
// column less origin, o = a & 1) and lies wholly inside the span fills the
// columns from a >> 1 with px[0] and then, column by column, the bytes q[2], q[4],
// ... of q = px - o: the even bytes from q, with the first replaced by px[0].
// Such a segment is followed by the next segment word, at px plus count rounded
// up to a multiple of 4, so every byte from px - 4 (its own word) to the end of
// that next word may be read.

// The bytes p[0], p[2], p[4], ... of the g = 8 or 16 bytes from p (p[1], p[3],
// ... when Odd), as the low g / 2 bytes of the result.
template <int g, bool Odd>
[[gnu::always_inline]] inline uint64_t EvenBytes(const uint8_t* p)
{
    Lanes16 w;
    if constexpr (g == 8) {
        w = reinterpret_cast<Lanes16>(Words64{Load64(p), 0});
    } else {
        std::memcpy(&w, p, 16);
    }
    w = Odd ? w >> 8 : w & 0xFF;
    const Bytes8 b = __builtin_convertvector(w, Bytes8);
    uint64_t v;
    std::memcpy(&v, &b, 8);
    return v;
}

#if defined(__SSE2__)
// EvenBytes in the low bytes of a vector register.
template <int g, bool Odd>
[[gnu::always_inline]] inline __m128i EvenBytes128(const uint8_t* p)
{
    __m128i w = g == 8 ? _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))
                       : _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    w = Odd ? _mm_srli_epi16(w, 8) : _mm_and_si128(w, _mm_set1_epi16(0xFF));
    return _mm_packus_epi16(w, w);
}

// The low m bytes of b (m = 2 .. 8) to lo and up.
template <int m>
[[gnu::always_inline]] inline void StoreColumns128(uint8_t* lo, __m128i b)
{
    if constexpr (m < 4) {
        const auto v = static_cast<uint32_t>(_mm_cvtsi128_si32(b));
        const auto two = static_cast<uint16_t>(v);
        std::memcpy(lo, &two, 2);
        if constexpr (m == 3) {
            lo[2] = static_cast<uint8_t>(v >> 16);
        }
    } else if constexpr (m < 8) {
        _mm_storeu_si32(lo, b);
        if constexpr (m > 4) {
            _mm_storeu_si32(lo + m - 4, _mm_srli_si128(b, m - 4));
        }
    } else {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(lo), b);
    }
}
#endif

// The low m bytes of v (m = 1 .. 8) into the m columns from k.
template <int Dir, int m>
[[gnu::always_inline]] inline void StoreColumns(uint8_t* dst, int32_t span, int64_t k, uint64_t v)
{
    uint8_t* lo = dst + k;
    if constexpr (Dir < 0) {
        lo = dst + (span - k - m);
        v = __builtin_bswap64(v) >> (64 - 8 * m);
    }
    if constexpr (m == 1) {
        *lo = static_cast<uint8_t>(v);
    } else if constexpr (m == 2 || m == 3) {
        const uint16_t a = static_cast<uint16_t>(v);
        const uint16_t b = static_cast<uint16_t>(v >> (8 * (m - 2)));
        std::memcpy(lo, &a, 2);
        std::memcpy(lo + m - 2, &b, 2);
    } else if constexpr (m < 8) {
        const uint32_t a = static_cast<uint32_t>(v);
        const uint32_t b = static_cast<uint32_t>(v >> (8 * (m - 4)));
        std::memcpy(lo, &a, 4);
        std::memcpy(lo + m - 4, &b, 4);
    } else {
        std::memcpy(lo, &v, 8);
    }
}

// A segment of n < 16 pixels (a constant, as is o): its m columns from one load
// of 8 or 16 bytes that reaches neither before px - 4 nor past the next word.
template <int Dir, int n, int o>
[[gnu::always_inline]] inline void HalfSegment(uint8_t* dst, int32_t span, int64_t k, const uint8_t* px)
{
    constexpr int m = n == 0 ? 0 : (n + 1 + o) >> 1;
    if constexpr (m == 1) {
        dst[Dir > 0 ? k : span - 1 - k] = px[0];
    } else if constexpr (m > 1) {
        constexpr int g = m <= 4 ? 8 : 16;
        // The load starts at q + off: low enough to cover q[2m - 2], inside the
        // readable bytes, at an even offset when one fits.
        constexpr int low = std::max(2 * m - 1 - g, o - 4);
        constexpr int high = std::min(0, ((n + 3) & ~3) + o + 4 - g);
        static_assert(low <= high);
        constexpr int off = (high & 1) == 0 || high == low ? high : high - 1;
        constexpr int lane = -off >> 1;  // of q[0]
#if defined(__SSE2__)
        if constexpr (Dir > 0 && (off & 1) == 0) {
            // Stored straight from the vector register; px[0] goes into q[0]'s
            // lane before the odd bytes are cleared.
            const uint8_t* const at = px - o + off;
            __m128i w = g == 8 ? _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at))
                               : _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
            if constexpr (o != 0) {
                w = _mm_insert_epi16(w, static_cast<int>(Load16(px)), lane);
            }
            w = _mm_and_si128(w, _mm_set1_epi16(0xFF));
            const __m128i b = _mm_packus_epi16(w, w);
            StoreColumns128<m>(dst + k, lane == 0 ? b : _mm_srli_si128(b, lane));
            return;
        }
#endif
        const uint64_t v = EvenBytes<g, (off & 1) != 0>(px - o + off) >> (8 * lane);
        StoreColumns<Dir, m>(dst, span, k, v);
        if constexpr (o != 0) {
            dst[Dir > 0 ? k : span - 1 - k] = px[0];
        }
    }
}

// The same for any segment of 16 pixels or more, at a with its pixels at px:
// eight columns at a time, the last eight overlapping the ones before. Returns
// the pixels of the next segment. The count is read here rather than held in a
// register through the short cases.
template <int Dir>
[[gnu::noinline]] const uint8_t* HalfLongSegment(uint8_t* dst, int32_t span, int64_t a, const uint8_t* px)
{
    const uint32_t n = static_cast<uint32_t>(Load16(px - 2));
    const int64_t k = a >> 1;
    const uint8_t* const q = px - (a & 1);
    const int64_t m = (n + 1 + (a & 1)) >> 1;
#if defined(__SSE2__)
    if constexpr (Dir > 0) {
        for (int64_t j = 0; j + 8 < m; j += 8) {
            StoreColumns128<8>(dst + k + j, EvenBytes128<16, false>(q + 2 * j));
        }
        StoreColumns128<8>(dst + k + m - 8, EvenBytes128<16, false>(q + 2 * m - 16));
        dst[k] = px[0];
        return Align4(px + n) + 4;
    }
#endif
    for (int64_t j = 0; j + 8 < m; j += 8) {
        StoreColumns<Dir, 8>(dst, span, k + j, EvenBytes<16, false>(q + 2 * j));
    }
    StoreColumns<Dir, 8>(dst, span, k + m - 8, EvenBytes<16, false>(q + 2 * m - 16));
    dst[Dir > 0 ? k : span - 1 - k] = px[0];
    return Align4(px + n) + 4;
}

// The careful code of a halved row hands the row back to the straight code.
constexpr int64_t kResume = std::numeric_limits<int64_t>::min();

// Scales of a whole power of two take shorter roads to the same columns, with
// everything counted in pattern columns instead of positions.
//
// Shrinking by 2^sh (scale 256 >> sh): the pixel in pattern column c lies in
// column (c - origin) >> sh, origin = clipped << sh being the pattern column at
// the span's left edge. A segment's first usable pixel goes to its column, and
// each later column k takes pattern column (k << sh) + origin while the segment
// lasts. Below, a is a pattern column less origin.
// The row from the segment whose word is `word` and whose pixels are at px,
// a being that segment's first pattern column less origin; returns the position
// reached. Halving, it returns kResume instead, with px and a at the next segment,
// as soon as that starts inside the span: the straight code takes it from there.
template <class Op, int Dir, bool Halving>
[[gnu::always_inline]] inline int64_t ShrinkPow2From(const uint8_t*& px, uint32_t word, int64_t& a, uint8_t* dst,
                                                     int32_t span, int sh, const RowCtx& c)
{
    auto column = [&](int64_t k) { return Dir > 0 ? dst + k : dst + (span - 1 - k); };
    const intptr_t stride = intptr_t{1} << sh;
    for (;;) {
        uint32_t count = word >> 16;
        if (!Halving && a >= 0) {
            // Segments with pixels that start inside the span and end before its
            // last column: every column from the first pixel's to `last` - 1.
            for (;;) {
                const int64_t last = ((a + count - 1) >> sh) + 1;
                if (count == 0 || last >= span) {
                    break;
                }
                const int64_t k = a >> sh;
                Op::Pixel(column(k), px[0], c);
                const uint8_t* q = px + (((k + 1) << sh) - a);
                for (int64_t i = k + 1; i < last; ++i, q += stride) {
                    Op::Pixel(column(i), *q, c);
                }
                a += count;
                px = Align4(px + count) + 4;
                word = Load32(px - 4);
                a += word & 0xFFFF;
                count = word >> 16;
            }
        }
        const int64_t end = a + count;
        int64_t k = a >> sh;
        if (k >= span) {
            return a << (8 - sh);
        }
        int64_t first = a;
        if (k < 0) {
            // Pixels ending a whole column or more left of the span are passed over.
            first = std::max<int64_t>(a, -1);
            k = 0;
        }
        if (first < end) {
            Op::Pixel(column(k), px[first - a], c);
            if (k + 1 >= span) {
                return first << (8 - sh);
            }
            const int64_t last = std::min<int64_t>(span, ((end - 1) >> sh) + 1);
            const uint8_t* q = px + (((k + 1) << sh) - a);
            for (int64_t i = k + 1; i < last; ++i, q += stride) {
                Op::Pixel(column(i), *q, c);
            }
            if (last >= span) {
                return end << (8 - sh);
            }
        }
        px = Align4(px + count) + 4;
        word = Load32(px - 4);
        a = end + (word & 0xFFFF);
        if constexpr (Halving) {
            if (a >= 0) {
                return kResume;
            }
        }
    }
}

template <class Op, int Dir>
[[gnu::always_inline]] inline int64_t RowShrinkPow2(const uint8_t* s, uint8_t* dst, int32_t span, int32_t clipped,
                                                    int sh, const RowCtx& c)
{
    const uint32_t word = Load32(s);
    const uint8_t* px = s + 4;
    int64_t a = int64_t{word & 0xFFFF} - (int64_t{clipped} << sh);
    return ShrinkPow2From<Op, Dir, false>(px, word, a, dst, span, sh, c);
}

// Where the careful code of a halved plain row stopped: at the segment with its
// pixels at px that starts at a >= 0, or, px null, at the end of the span with a
// the position reached.
struct HalfRowStop {
    const uint8_t* px;
    int64_t a;
};

// What a halved plain row leaves to the careful code: segments cut by either
// edge of the span, up to the end of the span or the next segment inside it.
template <int Dir>
[[gnu::noinline]] HalfRowStop HalfRowFrom(const uint8_t* px, int64_t a, uint8_t* dst, int32_t span)
{
    const int64_t position = ShrinkPow2From<PlainOp, Dir, true>(px, Load32(px - 4), a, dst, span, 1, RowCtx{});
    if (position != kResume) {
        return {nullptr, position};
    }
    return {px, a};
}

// A blitter call halving with the plain operation, every row starting at a
// multiple of 4 (rows >= 1). The segments of a row that start at a >= 0 and lie
// wholly inside the span are drawn by straight code, the others by the careful
// code. A segment of fewer than 16 pixels jumps on 2 * count + (a & 1) to code of
// its own, through a table of code addresses (labels as values, which GCC and
// Clang both have): one indirect jump through memory, where a switch in
// position-independent code loads an offset and adds the table's address first.
// Without columns clipped at the left (not Clipped) every row starts inside the
// span.
template <int Dir, bool Clipped>
[[gnu::noinline]] void HalfCall(BlitParam* bp)
{
    static const void* const kShort[32] = {
        &&n0o0, &&n0o1, &&n1o0, &&n1o1, &&n2o0, &&n2o1, &&n3o0, &&n3o1,
        &&n4o0, &&n4o1, &&n5o0, &&n5o1, &&n6o0, &&n6o1, &&n7o0, &&n7o1,
        &&n8o0, &&n8o1, &&n9o0, &&n9o1, &&n10o0, &&n10o1, &&n11o0, &&n11o1,
        &&n12o0, &&n12o1, &&n13o0, &&n13o1, &&n14o0, &&n14o1, &&n15o0, &&n15o1};
    const uint8_t* src = bp->src;
    uint8_t* dst = bp->dst;
    int32_t rows = bp->rows;
    const int32_t span = bp->span;
    const int32_t srcStep = bp->srcStep;
    const int32_t dstStep = bp->dstStep;
    const int64_t origin = Clipped ? int64_t{Dir > 0 ? bp->skipLeft : bp->skipRight} * 2 : 0;
    const int64_t whole = int64_t{span} * 2;
    // A segment reaching the last column goes to the careful code, which reports
    // the position.
    const int64_t limit = whole - 2;
    int64_t position;
    do {
        const uint8_t* px = src + 4;
        int64_t a = static_cast<int64_t>(Load16(src)) - origin;
        for (;;) {
            while (a >= 0) {
                const size_t count = Load16(px - 2);
                const int64_t end = a + static_cast<int64_t>(count);
                if (end > limit) {
                    break;
                }
                // On to the next segment, `bytes` on: the rows start at multiples
                // of 4 (see Blit), so the pixels do, and the next word lies a
                // whole number of words on.
                auto step = [&](size_t bytes) {
                    px += bytes;
                    a = end + static_cast<int64_t>(Load16(px - 4));
                };
                const size_t i = 2 * count + static_cast<size_t>(a & 1);
                if (i >= 32) {
                    step(static_cast<size_t>(HalfLongSegment<Dir>(dst, span, a, px) - px));
                    continue;
                }
                goto *kShort[i];
                n0o0: step(4); continue;
                n0o1: step(4); continue;
                n1o0: HalfSegment<Dir, 1, 0>(dst, span, a >> 1, px); step(8); continue;
                n1o1: HalfSegment<Dir, 1, 1>(dst, span, a >> 1, px); step(8); continue;
                n2o0: HalfSegment<Dir, 2, 0>(dst, span, a >> 1, px); step(8); continue;
                n2o1: HalfSegment<Dir, 2, 1>(dst, span, a >> 1, px); step(8); continue;
                n3o0: HalfSegment<Dir, 3, 0>(dst, span, a >> 1, px); step(8); continue;
                n3o1: HalfSegment<Dir, 3, 1>(dst, span, a >> 1, px); step(8); continue;
                n4o0: HalfSegment<Dir, 4, 0>(dst, span, a >> 1, px); step(8); continue;
                n4o1: HalfSegment<Dir, 4, 1>(dst, span, a >> 1, px); step(8); continue;
                n5o0: HalfSegment<Dir, 5, 0>(dst, span, a >> 1, px); step(12); continue;
                n5o1: HalfSegment<Dir, 5, 1>(dst, span, a >> 1, px); step(12); continue;
                n6o0: HalfSegment<Dir, 6, 0>(dst, span, a >> 1, px); step(12); continue;
                n6o1: HalfSegment<Dir, 6, 1>(dst, span, a >> 1, px); step(12); continue;
                n7o0: HalfSegment<Dir, 7, 0>(dst, span, a >> 1, px); step(12); continue;
                n7o1: HalfSegment<Dir, 7, 1>(dst, span, a >> 1, px); step(12); continue;
                n8o0: HalfSegment<Dir, 8, 0>(dst, span, a >> 1, px); step(12); continue;
                n8o1: HalfSegment<Dir, 8, 1>(dst, span, a >> 1, px); step(12); continue;
                n9o0: HalfSegment<Dir, 9, 0>(dst, span, a >> 1, px); step(16); continue;
                n9o1: HalfSegment<Dir, 9, 1>(dst, span, a >> 1, px); step(16); continue;
                n10o0: HalfSegment<Dir, 10, 0>(dst, span, a >> 1, px); step(16); continue;
                n10o1: HalfSegment<Dir, 10, 1>(dst, span, a >> 1, px); step(16); continue;
                n11o0: HalfSegment<Dir, 11, 0>(dst, span, a >> 1, px); step(16); continue;
                n11o1: HalfSegment<Dir, 11, 1>(dst, span, a >> 1, px); step(16); continue;
                n12o0: HalfSegment<Dir, 12, 0>(dst, span, a >> 1, px); step(16); continue;
                n12o1: HalfSegment<Dir, 12, 1>(dst, span, a >> 1, px); step(16); continue;
                n13o0: HalfSegment<Dir, 13, 0>(dst, span, a >> 1, px); step(20); continue;
                n13o1: HalfSegment<Dir, 13, 1>(dst, span, a >> 1, px); step(20); continue;
                n14o0: HalfSegment<Dir, 14, 0>(dst, span, a >> 1, px); step(20); continue;
                n14o1: HalfSegment<Dir, 14, 1>(dst, span, a >> 1, px); step(20); continue;
                n15o0: HalfSegment<Dir, 15, 0>(dst, span, a >> 1, px); step(20); continue;
                n15o1: HalfSegment<Dir, 15, 1>(dst, span, a >> 1, px); step(20); continue;
            }
            // Usually the row's last segment, a skip past the span.
            if (a >= whole) {
                position = a << 7;
                break;
            }
            const HalfRowStop stop = HalfRowFrom<Dir>(px, a, dst, span);
            if (stop.px == nullptr) {
                position = stop.a;
                break;
            }
            px = stop.px;
            a = stop.a;
        }
        dst += dstStep;
        src += srcStep;
    } while (--rows != 0);
    bp->rows = 0;
    bp->dst = dst;
    bp->src = src;
    const auto bits = static_cast<uint64_t>(position);
    bp->scratch[0] = static_cast<int32_t>(static_cast<uint32_t>(bits));
    bp->scratch[1] = static_cast<int32_t>(static_cast<uint32_t>(bits >> 32));
}

// The g = 8 or 4 pixel values `in`, each twice, as 2 * g bytes from d up; the
// first pixel at the high end when mirrored.
template <int Dir, int g>
[[gnu::always_inline]] inline void StoreDoubled(uint8_t* d, const uint8_t* in)
{
    Bytes16 v;
    if constexpr (g == 8) {
        uint64_t low;
        std::memcpy(&low, in, 8);
        v = reinterpret_cast<Bytes16>(Words64{low, 0});
    } else {
        uint32_t low;
        std::memcpy(&low, in, 4);
        v = reinterpret_cast<Bytes16>(Words32{low, 0, 0, 0});
    }
    if constexpr (Dir > 0) {
        const Bytes16 w = __builtin_shufflevector(v, v, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7);
        std::memcpy(d, &w, 2 * g);
    } else {
        uint8_t out[2 * g];
        for (int j = 0; j < g; ++j) {
            out[2 * (g - 1 - j)] = in[j];
            out[2 * (g - 1 - j) + 1] = in[j];
        }
        std::memcpy(d, out, 2 * g);
    }
}

// n whole pixels from q, each stored m times, into the n * m bytes from lo up,
// the first pixel at the high end when mirrored. Doubling goes by groups of eight
// pixels, or four for a shorter run, the last group overlapping the one before.
template <class Op, int Dir, int m>
[[gnu::always_inline]] inline void GrowRun(uint8_t* lo, const uint8_t* q, uint32_t n, const RowCtx& c)
{
    auto at = [&](uint32_t i, uint32_t width) { return Dir > 0 ? lo + i * m : lo + (n - i) * m - width; };
    if constexpr (m == 2) {
        auto groups = [&]<int g>() {
            auto group = [&](uint32_t i) {
                if constexpr (std::is_same_v<Op, PlainOp>) {
                    StoreDoubled<Dir, g>(at(i, 2 * g), q + i);
                } else {
                    uint8_t in[g];
                    for (int j = 0; j < g; ++j) {
                        in[j] = Op::Value(q[i + j], c);
                    }
                    StoreDoubled<Dir, g>(at(i, 2 * g), in);
                }
            };
            group(0);
            for (uint32_t i = g; i + g < n; i += g) {
                group(i);
            }
            group(n - g);
        };
        if (n >= 8) {
            groups.template operator()<8>();
            return;
        }
        if (n >= 4) {
            groups.template operator()<4>();
            return;
        }
    }
    for (uint32_t i = 0; i < n; ++i) {
        StoreSplat<m>(at(i, m), Op::Value(q[i], c));
    }
}

// Enlarging by m = 2, 4 or 8 (scale 256 * m) with an operation that stores one
// value per pixel: the pixel in pattern column c covers the m columns from
// c * m - clipped. A segment wholly inside the span is one GrowRun; one cut by
// either edge is worked out column by column.
template <class Op, int Dir, int m>
[[gnu::always_inline]] inline int64_t RowGrowPow2(const uint8_t* s, uint8_t* dst, int32_t span, int32_t clipped, const RowCtx& c)
{
    auto column = [&](int64_t k) { return Dir > 0 ? dst + k : dst + (span - 1 - k); };
    auto block = [&](int64_t k, int64_t e) { return Dir > 0 ? dst + k : dst + (span - e); };
    constexpr int sh = m == 2 ? 1 : m == 4 ? 2 : 3;
    uint32_t word = Load32(s);
    int64_t k = int64_t{word & 0xFFFF} * m - clipped;
    for (;;) {
        uint32_t count = word >> 16;
        const uint8_t* px = s + 4;
        if (k >= 0) {
            // Segments wholly inside the span, one GrowRun each.
            for (int64_t e = k + int64_t{count} * m; e < span; e = k + int64_t{count} * m) {
                GrowRun<Op, Dir, m>(block(k, e), px, count, c);
                s = Align4(px + count);
                word = Load32(s);
                k = e + int64_t{word & 0xFFFF} * m;
                count = word >> 16;
                px = s + 4;
            }
        }
        if (k >= span) {
            return k * 256;
        }
        {
            const uint8_t* q = px;
            const uint8_t* const qEnd = px + count;
            if (k < 0) {
                // Pixels wholly left of the span are passed over; one cut by the
                // left edge covers its columns from 0.
                const int64_t hidden = std::min<int64_t>(count, (-k) >> sh);
                q += hidden;
                k += hidden * m;
                if (q < qEnd && k < 0) {
                    for (int64_t i = 0; i < k + m && i < span; ++i) {
                        Op::Pixel(column(i), *q, c);
                    }
                    if (k + m >= span) {
                        return (k + m) * 256;
                    }
                    ++q;
                    k += m;
                }
            }
            const int64_t whole = std::min<int64_t>(qEnd - q, (span - k) >> sh);
            GrowRun<Op, Dir, m>(block(k, k + whole * m), q, static_cast<uint32_t>(whole), c);
            q += whole;
            k += whole * m;
            if (q < qEnd) {
                // The pixel that reaches past the end of the span: fewer than m columns.
                for (int64_t i = k; i < span; ++i) {
                    Op::Pixel(column(i), *q, c);
                }
                return (k + m) * 256;
            }
            if (k >= span) {
                return k * 256;  // the last pixel ended exactly at the end of the span
            }
        }
        s = Align4(px + count);
        word = Load32(s);
        k += int64_t{word & 0xFFFF} * m;
    }
}

// The rows of an enlarging call (operations without a mesh), in a function of
// their own so that the rest of the blitter does not share its registers.
// Returns the position reached in the last row.
template <class Op, int Dir, int m>
[[gnu::noinline]] int64_t GrowRows(const uint8_t* src, uint8_t* dst, int32_t rows, int32_t span, int32_t clipped,
                                   int32_t srcStep, int32_t dstStep, const RowCtx& c)
{
    int64_t position;
    do {
        position = RowGrowPow2<Op, Dir, m>(src, dst, span, clipped, c);
        dst += dstStep;
        src += srcStep;
    } while (--rows > 0);
    return position;
}

// How a scaled blitter call walks its rows, chosen once per call.
enum class Road { Any, Half, Shrink, Grow2, Grow4, Grow8 };

enum class HMode { OneToOne, Scaled, Scatter };

template <class Op, HMode Mode, int Dir>
void Blit(BlitParam* bp)
{
    int32_t rows = bp->rows;
    if (rows <= 0) {
        return;
    }
    if constexpr (std::is_same_v<Op, PlainOp> && Mode != HMode::OneToOne) {
        // Halving with every row at a multiple of 4: a road of its own.
        const uintptr_t rowStarts = reinterpret_cast<uintptr_t>(bp->src) | static_cast<uint32_t>(bp->srcStep);
        if (bp->scaleX == 128 && (rowStarts & 3) == 0) {
            if ((Dir > 0 ? bp->skipLeft : bp->skipRight) == 0) {
                HalfCall<Dir, false>(bp);
            } else {
                HalfCall<Dir, true>(bp);
            }
            return;
        }
    }
    const uint8_t* src = bp->src;
    uint8_t* dst = bp->dst;
    const int32_t span = bp->span;
    const int32_t clipped = Dir > 0 ? bp->skipLeft : bp->skipRight;
    const int32_t dstStep = bp->dstStep;
    const int32_t srcStep = bp->srcStep;
    // Frame column of the span's left end, for the mesh.
    const uintptr_t spanColumn = static_cast<uint32_t>(bp->x) + static_cast<uint32_t>(bp->skipLeft);
    uint32_t mesh = bp->mesh;
    RowCtx c{bp->table, 0, 0};
    const Scale scale = MakeScale(Mode == HMode::OneToOne ? 256 : bp->scaleX);
    Road road = Road::Any;
    int shrink = 0;
    if constexpr (Mode != HMode::OneToOne) {
        if (scale.scale <= 256 && scale.r == 0) {
            shrink = std::countr_zero(static_cast<uint32_t>(scale.q));
            road = shrink == 1 ? Road::Half : Road::Shrink;
        } else if constexpr (Op::kSplat && Mode == HMode::Scaled) {
            road = scale.scale == 512 ? Road::Grow2 : scale.scale == 1024 ? Road::Grow4
                 : scale.scale == 2048 ? Road::Grow8 : Road::Any;
        }
    }
    int64_t position = 0;
    // The rows, each drawn by drawRow: one loop per road, so that nothing chosen
    // once per call is tested again for every row.
    auto eachRow = [&](auto drawRow) {
        do {
            bool draw = true;
            if constexpr (Op::kMesh) {
                c.mask = mesh & 0xFF;
                c.phase = spanColumn - reinterpret_cast<uintptr_t>(dst);
                draw = c.mask != 0;
            }
            if (draw) {
                drawRow();
            }
            dst += dstStep;
            src += srcStep;
            if constexpr (Op::kMesh) {
                mesh = (mesh >> 8) | (mesh << 24);
            }
        } while (--rows > 0);
    };
    if constexpr (Mode == HMode::OneToOne) {
        if (clipped > 0) {
            eachRow([&] { RowOneToOne<Op, Dir, true>(src, dst, span, clipped, c); });
        } else {
            eachRow([&] { RowOneToOne<Op, Dir, false>(src, dst, span, 0, c); });
        }
    } else {
        switch (road) {
        case Road::Half:
            // The shift as a constant, for the common halving.
            eachRow([&] { position = RowShrinkPow2<Op, Dir>(src, dst, span, clipped, 1, c); });
            break;
        case Road::Shrink:
            eachRow([&] { position = RowShrinkPow2<Op, Dir>(src, dst, span, clipped, shrink, c); });
            break;
        case Road::Grow2:
            if constexpr (Op::kSplat) {
                position = GrowRows<Op, Dir, 2>(src, dst, rows, span, clipped, srcStep, dstStep, c);
                src += int64_t{srcStep} * rows;
                dst += int64_t{dstStep} * rows;
            }
            break;
        case Road::Grow4:
            if constexpr (Op::kSplat) {
                position = GrowRows<Op, Dir, 4>(src, dst, rows, span, clipped, srcStep, dstStep, c);
                src += int64_t{srcStep} * rows;
                dst += int64_t{dstStep} * rows;
            }
            break;
        case Road::Grow8:
            if constexpr (Op::kSplat) {
                position = GrowRows<Op, Dir, 8>(src, dst, rows, span, clipped, srcStep, dstStep, c);
                src += int64_t{srcStep} * rows;
                dst += int64_t{dstStep} * rows;
            }
            break;
        case Road::Any:
            eachRow([&] {
                position = RowScaled<Op, Mode == HMode::Scatter, Dir>(src, dst, span, clipped, scale, c);
            });
            break;
        }
    }

    bp->rows = 0;
    bp->dst = dst;
    if constexpr (!(std::is_same_v<Op, PlainOp> && Mode == HMode::OneToOne)) {
        bp->src = src;
    }
    if constexpr (Op::kMesh) {
        bp->mesh = mesh;
    }
    if constexpr (Mode != HMode::OneToOne) {
        const auto bits = static_cast<uint64_t>(position);
        bp->scratch[0] = static_cast<int32_t>(static_cast<uint32_t>(bits));
        bp->scratch[1] = static_cast<int32_t>(static_cast<uint32_t>(bits >> 32));
    }
}

// The blitter for a set of draw flags. With PD_SHADOW the operation is shadow
// when neither PD_ROP nor PD_RECOLOR is set and plain otherwise; PD_SCATTER
// counts only with PD_XZOOM.
template <uint32_t F>
constexpr Blitter Entry()
{
    constexpr int dir = (F & PD_MIRROR) != 0 ? -1 : 1;
    constexpr HMode mode = (F & PD_XZOOM) == 0      ? HMode::OneToOne
                           : (F & PD_SCATTER) != 0 ? HMode::Scatter
                                                   : HMode::Scaled;
    constexpr uint32_t op = F & PD_MESH;
    if constexpr ((F & PD_SHADOW) != 0) {
        if constexpr (op == 0) {
            return &Blit<ShadowOp, mode, dir>;
        } else {
            return &Blit<PlainOp, mode, dir>;
        }
    } else if constexpr (op == 0) {
        return &Blit<PlainOp, mode, dir>;
    } else if constexpr (op == PD_ROP) {
        return &Blit<RopOp, mode, dir>;
    } else if constexpr (op == PD_RECOLOR) {
        return &Blit<RecolourOp, mode, dir>;
    } else {
        return &Blit<MeshOp, mode, dir>;
    }
}

template <size_t... I>
constexpr std::array<Blitter, 64> MakeTable(std::index_sequence<I...>)
{
    return {Entry<static_cast<uint32_t>(I)>()...};
}

} // namespace

constexpr std::array<Blitter, 64> kBlitters = MakeTable(std::make_index_sequence<64>{});

} // namespace sprox
