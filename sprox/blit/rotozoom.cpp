// The set-up works in 64 bits, with the arguments limited to 2^20 in size: the
// largest products (a sampling step of up to 2^30 times a frame distance of up
// to 2^32) then stay below 2^63, and nothing the 32-bit formulas would wrap can
// send a row outside the frame or a sample outside the pattern.
#include "sprox/blit/rotozoom.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif
#if SPROX_ROTO_GATHER
#include <immintrin.h>
#endif

namespace sprox {

int32_t gQuarterSine[kQuarterSineEntries];
bool gQuarterSineBuilt = false;
#if SPROX_ROTO_GATHER
// Set at the library's start-up, which may come before the run-time's own
// processor check: hence the explicit one first.
bool gRotoGather = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
#endif

namespace {

constexpr int kSourceBits = 18;   // fractional bits of source positions
constexpr int kFrameBits = 10;    // fractional bits of frame geometry
constexpr int64_t kFrameOne = int64_t{1} << kFrameBits;
// Added to a left boundary before it is cut to whole columns: the boundary rounded
// up to a whole column, then one column more, so that the column the boundary
// touches is never drawn (at angle 0 the pattern's first column stays out).
constexpr int64_t kLeftInwards = 2 * kFrameOne - 1;
// sin = 1 in the quarter sine table.
constexpr int32_t kSineOne = 1 << kSourceBits;

int64_t FloorDiv(int64_t a, int64_t b)  // b > 0
{
    const int64_t q = a / b;
    return q * b > a ? q - 1 : q;
}

int64_t CeilDiv(int64_t a, int64_t b)  // b > 0
{
    const int64_t q = a / b;
    return q * b < a ? q + 1 : q;
}

bool Inside(int64_t at, int64_t limit) { return at >= 0 && at < limit; }

// Not in [0, limit), for a limit of 0 or more.
bool Outside(int64_t at, int64_t limit)
{
    return static_cast<uint64_t>(at) >= static_cast<uint64_t>(limit);
}

// Narrows the columns [*xs, *xe) to those X where base + step * X lies in
// [0, limit).
void KeepInside(int64_t base, int64_t step, int64_t limit, int64_t* xs, int64_t* xe)
{
    int64_t from;
    int64_t to;
    if (step == 0) {
        if (!Inside(base, limit)) {
            *xe = *xs;
        }
        return;
    }
    if (step > 0) {
        from = CeilDiv(-base, step);
        to = FloorDiv(limit - 1 - base, step);
    } else {
        from = CeilDiv(base - (limit - 1), -step);
        to = FloorDiv(base, -step);
    }
    *xs = std::max(*xs, from);
    *xe = std::min(*xe, to + 1);
}

// A row's span: n frame bytes from dst, sampled from the source position (u, v)
// of the first one on, one step (du, dv) per column. Every position sampled lies
// inside the view. Acc holds the positions: uint32_t when every position inside
// the view fits in 32 bits, else uint64_t; the arithmetic wraps, and since the
// positions sampled are inside the view, they come out right.
template <typename Acc, bool Keyed>
struct ScalarSpan {
    const uint8_t* source;  // the view's top row
    ptrdiff_t pitch;        // the view's
    uint8_t key;
    Acc du, dv;

    void operator()(uint8_t* dst, int64_t n, uint64_t u0, uint64_t v0) const
    {
        auto u = static_cast<Acc>(u0);
        auto v = static_cast<Acc>(v0);
        uint8_t* const end = dst + n;
        for (ptrdiff_t i = -static_cast<ptrdiff_t>(n); i != 0; ++i) {
            const uint8_t b = source[static_cast<ptrdiff_t>(v >> kSourceBits) * pitch +
                                     static_cast<ptrdiff_t>(u >> kSourceBits)];
            if (!Keyed || b != key) {
                end[i] = b;
            }
            u += du;
            v += dv;
        }
    }
};

#if defined(__SSE2__) && defined(__x86_64__)
// Four columns at a time, their positions in the lanes of two vectors, for a
// bottom-up view (as every pattern view is). Rows are counted from the bottom
// one, which lies first in memory, with vertical positions turned round
// (h * 2^18 - 1 - v), so that a lane's byte offset ui + vi * |pitch| is never
// negative. It comes from one multiply-add of 16-bit halves (ui low, vi high,
// against 1 and |pitch|): this holds for views of up to 2^14 pixels a side and
// pitches below 2^15. In a view of up to 64 KB the offsets are taken out of the
// lanes as 16-bit halves. The span goes by eight columns, then four, then the
// last ones one by one.
template <bool Keyed, bool Small>
struct FourSpan {
    const uint8_t* bits;     // the first byte of the bottom row
    uint32_t vFrom;          // a lane's vertical position: vFrom - v
    __m128i weights;         // 1 and |pitch|, in each lane's halves
    __m128i uLanes, vLanes;  // 0, 1, 2 and 3 steps
    __m128i du4, dv4;        // four steps
    __m128i du8, dv8;
    ScalarSpan<uint32_t, Keyed> rest;

    // The four columns from dst on, at the positions in uu and vv.
    void Four(__m128i uu, __m128i vv, uint8_t* dst, uint8_t key) const
    {
        // (v >> 18) << 16 is (v >> 2) with the low half cleared.
        const __m128i high = _mm_set1_epi32(static_cast<int>(0xFFFF0000u));
        const __m128i at = _mm_or_si128(_mm_srli_epi32(uu, kSourceBits),
                                        _mm_and_si128(_mm_srli_epi32(vv, kSourceBits - 16), high));
        const __m128i offset = _mm_madd_epi16(at, weights);
        uint8_t b[4];
        if constexpr (Small) {
            b[0] = bits[static_cast<uint32_t>(_mm_extract_epi16(offset, 0))];
            b[1] = bits[static_cast<uint32_t>(_mm_extract_epi16(offset, 2))];
            b[2] = bits[static_cast<uint32_t>(_mm_extract_epi16(offset, 4))];
            b[3] = bits[static_cast<uint32_t>(_mm_extract_epi16(offset, 6))];
        } else {
            b[0] = bits[static_cast<uint32_t>(_mm_cvtsi128_si32(offset))];
            b[1] = bits[static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(offset, 0x55)))];
            b[2] = bits[static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(offset, 0xAA)))];
            b[3] = bits[static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(offset, 0xFF)))];
        }
#pragma GCC unroll 4
        for (int k = 0; k < 4; ++k) {
            if (!Keyed || b[k] != key) {
                dst[k] = b[k];
            }
        }
    }

    void operator()(uint8_t* dst, int64_t n, uint64_t u, uint64_t v) const
    {
        const uint8_t key = rest.key;
        __m128i uu = _mm_add_epi32(_mm_set1_epi32(static_cast<int>(u)), uLanes);
        const auto turned = static_cast<int>(vFrom - static_cast<uint32_t>(v));
        __m128i vv = _mm_add_epi32(_mm_set1_epi32(turned), vLanes);
        __m128i uuNext = _mm_add_epi32(uu, du4);
        __m128i vvNext = _mm_add_epi32(vv, dv4);
        for (int64_t eights = n >> 3; eights > 0; --eights) {
            Four(uu, vv, dst, key);
            Four(uuNext, vvNext, dst + 4, key);
            uu = _mm_add_epi32(uu, du8);
            vv = _mm_add_epi32(vv, dv8);
            uuNext = _mm_add_epi32(uuNext, du8);
            vvNext = _mm_add_epi32(vvNext, dv8);
            dst += 8;
        }
        if ((n & 4) != 0) {
            Four(uu, vv, dst, key);
            dst += 4;
        }
        const auto done = static_cast<uint64_t>(n & ~int64_t{3});
        rest(dst, n & 3, u + done * rest.du, v + done * rest.dv);
    }
};
#endif

#if SPROX_ROTO_GATHER
// Eight columns at a time with the processor's gather, for the views FourSpan
// takes (and its turned-round vertical positions and 16-bit multiply-add). Each
// lane reads the four bytes from its pixel on and keeps the first; a group in
// which a read would pass the view's last byte goes column by column instead.
// The last group of a span ends on its last column (overlapping the one before,
// which writes the same bytes again); spans under eight columns go one by one.
template <bool Keyed>
struct GatherSpan {
    const uint8_t* bits;  // the first byte of the bottom row
    uint32_t vFrom;       // a lane's vertical position: vFrom - v
    uint32_t weights;     // 1 and |pitch|, as 16-bit halves
    uint32_t dvLane;      // the turned-round position's step
    int32_t lastRead;     // the largest offset a four-byte read may start at
    ScalarSpan<uint32_t, Keyed> rest;

    __attribute__((target("avx2"))) void operator()(uint8_t* dst, int64_t n, uint64_t u,
                                                     uint64_t v) const
    {
        if (n < 8) {
            rest(dst, n, u, v);
            return;
        }
        const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
        const __m256i du = _mm256_set1_epi32(static_cast<int>(rest.du));
        const __m256i dv = _mm256_set1_epi32(static_cast<int>(dvLane));
        const __m256i uStart =
            _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(u)), _mm256_mullo_epi32(lanes, du));
        const __m256i vStart = _mm256_add_epi32(
            _mm256_set1_epi32(static_cast<int>(vFrom - static_cast<uint32_t>(v))),
            _mm256_mullo_epi32(lanes, dv));
        const __m256i du8 = _mm256_slli_epi32(du, 3);
        const __m256i dv8 = _mm256_slli_epi32(dv, 3);
        const __m256i high = _mm256_set1_epi32(static_cast<int>(0xFFFF0000u));
        const __m256i weight = _mm256_set1_epi32(static_cast<int>(weights));
        const __m256i last = _mm256_set1_epi32(lastRead);
        // Byte 0 of each lane to the front of its half, then both halves together.
        const __m256i firstBytes = _mm256_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                                    -1, -1, -1, 0, 4, 8, 12, -1, -1, -1, -1, -1,
                                                    -1, -1, -1, -1, -1, -1, -1);
        const __m256i halves = _mm256_setr_epi32(0, 4, 1, 1, 1, 1, 1, 1);
        const __m128i key = _mm_set1_epi8(static_cast<char>(rest.key));

        const auto group = [&](int64_t at, __m256i uu, __m256i vv) __attribute__((target("avx2"))) {
            const __m256i xy = _mm256_or_si256(
                _mm256_srli_epi32(uu, kSourceBits),
                _mm256_and_si256(_mm256_srli_epi32(vv, kSourceBits - 16), high));
            const __m256i offset = _mm256_madd_epi16(xy, weight);
            const __m256i over = _mm256_cmpgt_epi32(offset, last);
            if (!_mm256_testz_si256(over, over)) {
                const auto done = static_cast<uint64_t>(at);
                rest(dst + at, 8, u + done * rest.du, v + done * rest.dv);
                return;
            }
            const __m256i got =
                _mm256_i32gather_epi32(reinterpret_cast<const int*>(bits), offset, 1);
            const __m128i b = _mm256_castsi256_si128(
                _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(got, firstBytes), halves));
            __m128i out = b;
            if constexpr (Keyed) {
                const __m128i old = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(dst + at));
                out = _mm_blendv_epi8(b, old, _mm_cmpeq_epi8(b, key));
            }
            _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + at), out);
        };

        __m256i uu = uStart;
        __m256i vv = vStart;
        int64_t at = 0;
        for (; at + 8 <= n; at += 8) {
            group(at, uu, vv);
            uu = _mm256_add_epi32(uu, du8);
            vv = _mm256_add_epi32(vv, dv8);
        }
        if (at < n) {
            const __m256i back = _mm256_set1_epi32(static_cast<int>(n - 8));
            group(n - 8, _mm256_add_epi32(uStart, _mm256_mullo_epi32(back, du)),
                  _mm256_add_epi32(vStart, _mm256_mullo_epi32(back, dv)));
        }
    }
};
#endif

// Fills each row between the strips with the span routine.
template <class Span>
void Rows(const RotoRows& p, const Span& span)
{
    const int64_t uLimit = int64_t{p.sourceWidth} << kSourceBits;
    const int64_t vLimit = int64_t{p.sourceHeight} << kSourceBits;
    int64_t aLeft = p.a.left;
    int64_t bLeft = p.b.left;
    int64_t u0 = p.u0;
    int64_t v0 = p.v0;
    uint8_t* row = p.row;
    for (int64_t i = 0; i < p.rows; ++i) {
        if (i > 0) {
            row += p.pitch;
            u0 += p.sn;
            v0 += p.cs;
            aLeft += p.a.step;
            bLeft += p.b.step;
        }
        int64_t xs = std::max<int64_t>((std::max(aLeft, bLeft) + kLeftInwards) >> kFrameBits, 0);
        int64_t xe = std::min(std::min(aLeft + p.a.length, bLeft + p.b.length) >> kFrameBits,
                              p.width);
        if (xs >= xe) {
            continue;
        }
        // Samples are linear in X: with both ends inside the view, all are.
        int64_t u = u0 + p.cs * xs;
        int64_t v = v0 - p.sn * xs;
        const int64_t across = xe - 1 - xs;
        if (Outside(u, uLimit) || Outside(u + p.cs * across, uLimit) || Outside(v, vLimit) ||
            Outside(v - p.sn * across, vLimit)) {
            KeepInside(u0, p.cs, uLimit, &xs, &xe);
            KeepInside(v0, -p.sn, vLimit, &xs, &xe);
            if (xs >= xe) {
                continue;
            }
            u = u0 + p.cs * xs;
            v = v0 - p.sn * xs;
        }
        span(row + xs, xe - xs, static_cast<uint64_t>(u), static_cast<uint64_t>(v));
    }
}

template <typename Acc, bool Keyed>
void ScalarRows(const RotoRows& p)
{
    const ScalarSpan<Acc, Keyed> span{p.sourceBits + p.sourceTopOffset,
                                      static_cast<ptrdiff_t>(p.sourcePitch),
                                      static_cast<uint8_t>(p.key), static_cast<Acc>(p.cs),
                                      static_cast<Acc>(-p.sn)};
    Rows(p, span);
}

#if defined(__SSE2__) && defined(__x86_64__)
template <bool Keyed, bool Small>
void FourRows(const RotoRows& p)
{
    const auto du = static_cast<uint32_t>(p.cs);
    const auto dv = static_cast<uint32_t>(-p.sn);
    const auto dvLane = static_cast<uint32_t>(p.sn);  // the turned-round position's step
    FourSpan<Keyed, Small> span{};
    span.bits = p.sourceBits + p.sourceTopOffset + (p.sourceHeight - 1) * p.sourcePitch;
    span.vFrom = (static_cast<uint32_t>(p.sourceHeight) << kSourceBits) - 1;
    span.weights =
        _mm_set1_epi32(static_cast<int>((static_cast<uint32_t>(-p.sourcePitch) << 16) | 1u));
    span.uLanes = _mm_setr_epi32(0, static_cast<int>(du), static_cast<int>(2 * du),
                                 static_cast<int>(3 * du));
    span.vLanes = _mm_setr_epi32(0, static_cast<int>(dvLane), static_cast<int>(2 * dvLane),
                                 static_cast<int>(3 * dvLane));
    span.du4 = _mm_set1_epi32(static_cast<int>(4 * du));
    span.dv4 = _mm_set1_epi32(static_cast<int>(4 * dvLane));
    span.du8 = _mm_set1_epi32(static_cast<int>(8 * du));
    span.dv8 = _mm_set1_epi32(static_cast<int>(8 * dvLane));
    span.rest = {p.sourceBits + p.sourceTopOffset, static_cast<ptrdiff_t>(p.sourcePitch),
                 static_cast<uint8_t>(p.key), du, dv};
    Rows(p, span);
}
#endif

#if SPROX_ROTO_GATHER
template <bool Keyed>
void GatherRows(const RotoRows& p, int64_t extent)
{
    GatherSpan<Keyed> span{};
    span.bits = p.sourceBits + p.sourceTopOffset + (p.sourceHeight - 1) * p.sourcePitch;
    span.vFrom = (static_cast<uint32_t>(p.sourceHeight) << kSourceBits) - 1;
    span.weights = (static_cast<uint32_t>(-p.sourcePitch) << 16) | 1u;
    span.dvLane = static_cast<uint32_t>(p.sn);
    span.lastRead = static_cast<int32_t>(extent - 4);
    span.rest = {p.sourceBits + p.sourceTopOffset, static_cast<ptrdiff_t>(p.sourcePitch),
                 static_cast<uint8_t>(p.key), static_cast<uint32_t>(p.cs),
                 static_cast<uint32_t>(-p.sn)};
    Rows(p, span);
}
#endif

RotoStrip Normalised(RotoStrip s)
{
    if (s.length < 0) {
        s.left += s.length;
        s.length = -s.length;
    }
    return s;
}

} // namespace

void BuildQuarterSine()
{
    if (gQuarterSineBuilt) {
        return;
    }
    for (int i = 0; i < kQuarterSineEntries; ++i) {
        const double s = std::sin(i * 2 * std::numbers::pi / 256);
        // Twice the entry plus 1, cut and halved: the entry rounded to the
        // nearest, halves up (s is never negative here).
        gQuarterSine[i] = static_cast<int32_t>(std::trunc(s * (2 * kSineOne) + 1)) / 2;
    }
    gQuarterSineBuilt = true;
}

int32_t RotoSin(int angle)
{
    const int a = angle & 255;
    const int i = a & 63;
    const int32_t s = (a & 64) != 0 ? gQuarterSine[64 - i] : gQuarterSine[i];
    return (a & 128) != 0 ? -s : s;
}

int32_t RotoCos(int angle) { return RotoSin((angle & 255) + 64); }

int64_t MulDiv64(int64_t a, int64_t b, int64_t c)
{
    if (c == 0) {
        return -1;
    }
    const int64_t p = a * b;
    const bool negative = (p < 0) != (c < 0);
    const uint64_t magnitude = p < 0 ? 0 - static_cast<uint64_t>(p) : static_cast<uint64_t>(p);
    const uint64_t divisor = c < 0 ? 0 - static_cast<uint64_t>(c) : static_cast<uint64_t>(c);
    const auto q = static_cast<int64_t>((magnitude + divisor / 2) / divisor);
    return negative ? -q : q;
}

void RotoZoomRows(const RotoRows* p)
{
    const bool keyed = (p->key & 0xFF00) == 0;
    // Positions inside a view of up to 2^14 pixels a side fit in 32 bits.
    constexpr int32_t kNarrow = 1 << (32 - kSourceBits);
    if (p->sourceWidth > kNarrow || p->sourceHeight > kNarrow) {
        keyed ? ScalarRows<uint64_t, true>(*p) : ScalarRows<uint64_t, false>(*p);
        return;
    }
#if defined(__SSE2__) && defined(__x86_64__)
    if (p->sourcePitch < 0 && p->sourcePitch > INT16_MIN) {
        // The offset of the view's last byte from its bottom row.
        const int64_t extent = -int64_t{p->sourceHeight - 1} * p->sourcePitch + p->sourceWidth;
#if SPROX_ROTO_GATHER
        if (gRotoGather) {
            keyed ? GatherRows<true>(*p, extent) : GatherRows<false>(*p, extent);
            return;
        }
#endif
        if (extent <= 65536) {
            keyed ? FourRows<true, true>(*p) : FourRows<false, true>(*p);
        } else {
            keyed ? FourRows<true, false>(*p) : FourRows<false, false>(*p);
        }
        return;
    }
#endif
    keyed ? ScalarRows<uint32_t, true>(*p) : ScalarRows<uint32_t, false>(*p);
}

int64_t RotoZoomPlan(const RotoPlace& place, int32_t width, int32_t height, int64_t clipTop,
                     int64_t clipBottom, RotoRows* plan)
{
    BuildQuarterSine();
    const int64_t x = place.x;
    const int64_t y = place.y;
    const int64_t zoom = place.zoom;
    const int64_t s = RotoSin(place.angle);
    const int64_t c = RotoCos(place.angle);
    const int64_t w = width;
    const int64_t h = height;

    // The rectangle's top edge (a) and left edge (b), and its top-left corner.
    const int64_t ax = w * c / zoom;
    const int64_t ay = w * s / zoom;
    const int64_t bx = -(h * s) / zoom;
    const int64_t by = h * c / zoom;
    const int64_t x0 = x * kFrameOne - (c * place.pivotX - s * place.pivotY) / zoom;
    const int64_t y0 = y * kFrameOne - (s * place.pivotX + c * place.pivotY) / zoom;

    // Rows r0 .. r1: those whose line lies inside the rectangle, within the clip
    // rows (and the frame).
    const int64_t y1 = y0 + by;
    const int64_t y2 = y0 + ay;
    const int64_t y3 = y0 + ay + by;
    int64_t top = std::min(std::min({y1, y2, y3}) + 1, y0);
    top = std::max(top, clipTop * kFrameOne);
    top = (top + kFrameOne - 1) & ~(kFrameOne - 1);
    const int64_t r0 = top >> kFrameBits;
    const int64_t bottom = std::max(std::max({y1, y2, y3}) - 1, y0);
    const int64_t r1 = std::min(bottom >> kFrameBits, clipBottom - 1);
    if (r1 < r0) {
        return -1;
    }

    // The two strips. A rectangle with a horizontal edge is one strip; otherwise
    // s and c are both non-zero (ay and by are not 0), so nothing divides by 0.
    RotoRows& p = *plan;
    if (ay == 0) {
        p.a = p.b = Normalised({x0, ax, 0});
    } else if (by == 0) {
        p.a = p.b = Normalised({x0, bx, 0});
    } else {
        const int64_t d = top - y0;
        p.a = Normalised({x0 + MulDiv64(c, d, s), bx + MulDiv64(c, -by, s),
                          MulDiv64(c, kFrameOne, s)});
        p.b = Normalised({x0 + MulDiv64(-s, d, c), ax + MulDiv64(-s, -ay, c),
                          MulDiv64(-s, kFrameOne, c)});
    }
    p.cs = MulDiv64(c, zoom, 256);
    p.sn = MulDiv64(s, zoom, 256);
    // The source position of column 0 of row r0; top is a whole row, so the
    // distance from the pivot's row needs no rounding.
    p.u0 = p.sn * (r0 - y) - p.cs * x + (int64_t{place.pivotX} << kSourceBits);
    p.v0 = p.cs * (r0 - y) + p.sn * x + (int64_t{place.pivotY} << kSourceBits);
    p.rows = r1 - r0 + 1;
    p.sourceWidth = width;
    p.sourceHeight = height;
    return r0;
}

} // namespace sprox
