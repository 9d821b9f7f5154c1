// The set-up works in 64 bits, with the arguments limited to 2^20 in size: the
// largest products (a sampling step of up to 2^30 times a frame distance of up
// to 2^32) then stay below 2^63, and nothing the 32-bit formulas would wrap can
// send a row outside the frame or a sample outside the pattern.
#include "sprox/blit/rotozoom.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sprox/display/backend.h"
#include "sprox/pattern/bitmap.h"
#include "sprox/pattern/pattern.h"

namespace sprox {

int32_t gQuarterSine[kQuarterSineEntries];
bool gQuarterSineBuilt = false;

namespace {

constexpr int64_t kArgumentLimit = int64_t{1} << 20;
constexpr int kSourceBits = 18;   // fractional bits of source positions
constexpr int kFrameBits = 10;    // fractional bits of frame geometry
constexpr int64_t kFrameOne = int64_t{1} << kFrameBits;

bool WithinLimit(int64_t v) { return v >= -kArgumentLimit && v <= kArgumentLimit; }

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

// One row's span. Acc holds the source positions: uint32_t when every position
// inside the view fits in 32 bits, else uint64_t; the arithmetic wraps, and the
// positions actually sampled are all inside the view, so they come out right.
template <typename Acc, bool Keyed>
void Span(uint8_t* dst, int64_t n, const uint8_t* source, ptrdiff_t sourcePitch, Acc u, Acc v,
          Acc du, Acc dv, uint8_t key)
{
    for (int64_t i = 0; i < n; ++i) {
        const uint8_t b = source[static_cast<ptrdiff_t>(v >> kSourceBits) * sourcePitch +
                                 static_cast<ptrdiff_t>(u >> kSourceBits)];
        if (!Keyed || b != key) {
            dst[i] = b;
        }
        u += du;
        v += dv;
    }
}

template <typename Acc>
void Rows(const RotoRows& p)
{
    const bool keyed = (p.key & 0xFF00) == 0;
    const auto key = static_cast<uint8_t>(p.key);
    const int64_t uLimit = int64_t{p.sourceWidth} << kSourceBits;
    const int64_t vLimit = int64_t{p.sourceHeight} << kSourceBits;
    const auto sourcePitch = static_cast<ptrdiff_t>(p.sourcePitch);
    const auto du = static_cast<Acc>(p.cs);
    const auto dv = static_cast<Acc>(-p.sn);
    int64_t aLeft = p.a.left;
    int64_t bLeft = p.b.left;
    int64_t u0 = p.u0;
    int64_t v0 = p.v0;
    for (int64_t i = 0; i < p.rows; ++i) {
        int64_t xs = std::max<int64_t>((std::max(aLeft, bLeft) + 2047) >> kFrameBits, 0);
        int64_t xe = std::min((std::min(aLeft + p.a.length, bLeft + p.b.length)) >> kFrameBits,
                              p.width);
        if (xs < xe) {
            // Samples are linear in X: with both ends inside the view, all are.
            const int64_t last = xe - 1;
            if (!Inside(u0 + p.cs * xs, uLimit) || !Inside(u0 + p.cs * last, uLimit) ||
                !Inside(v0 - p.sn * xs, vLimit) || !Inside(v0 - p.sn * last, vLimit)) {
                KeepInside(u0, p.cs, uLimit, &xs, &xe);
                KeepInside(v0, -p.sn, vLimit, &xs, &xe);
            }
        }
        if (xs < xe) {
            uint8_t* dst = p.row + i * p.pitch + xs;
            const auto u = static_cast<Acc>(u0 + p.cs * xs);
            const auto v = static_cast<Acc>(v0 - p.sn * xs);
            if (keyed) {
                Span<Acc, true>(dst, xe - xs, p.source, sourcePitch, u, v, du, dv, key);
            } else {
                Span<Acc, false>(dst, xe - xs, p.source, sourcePitch, u, v, du, dv, key);
            }
        }
        u0 += p.sn;
        v0 += p.cs;
        aLeft += p.a.step;
        bLeft += p.b.step;
    }
}

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
        gQuarterSine[i] = static_cast<int32_t>(std::trunc(s * 524288 + 1)) / 2;
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
    // Positions inside a view of up to 2^14 pixels a side fit in 32 bits.
    constexpr int32_t kNarrow = 1 << (32 - kSourceBits);
    if (p->sourceWidth <= kNarrow && p->sourceHeight <= kNarrow) {
        Rows<uint32_t>(*p);
    } else {
        Rows<uint64_t>(*p);
    }
}

void RotoZoomPut(SproxContext* context, int x, int y, int pattern, int pivotX, int pivotY,
                 int angle, int zoom)
{
    if (context == nullptr || zoom <= 0 || zoom > kArgumentLimit || !WithinLimit(x) ||
        !WithinLimit(y) || !WithinLimit(pivotX) || !WithinLimit(pivotY)) {
        return;
    }
    FrameView view;
    if (!PatBitmapView(&view, pattern)) {
        return;
    }
    BuildQuarterSine();
    const int64_t s = RotoSin(angle);
    const int64_t c = RotoCos(angle);
    const int64_t w = view.width;
    const int64_t h = view.height;

    // The rectangle's top edge (a) and left edge (b), and its top-left corner.
    const int64_t ax = w * c / zoom;
    const int64_t ay = w * s / zoom;
    const int64_t bx = -(h * s) / zoom;
    const int64_t by = h * c / zoom;
    const int64_t x0 = x * kFrameOne - (c * pivotX - s * pivotY) / zoom;
    const int64_t y0 = y * kFrameOne - (s * pivotX + c * pivotY) / zoom;

    // Rows r0 .. r1: those whose line lies inside the rectangle, within the clip
    // rows (and the frame).
    const int64_t y1 = y0 + by;
    const int64_t y2 = y0 + ay;
    const int64_t y3 = y0 + ay + by;
    const int64_t clipTop = std::max<int64_t>(context->clip.top, 0);
    const int64_t clipBottom = std::min(context->clip.bottom, context->height);
    int64_t top = std::min(std::min({y1, y2, y3}) + 1, y0);
    top = std::max(top, clipTop * kFrameOne);
    top = (top + kFrameOne - 1) & ~(kFrameOne - 1);
    const int64_t r0 = top >> kFrameBits;
    const int64_t bottom = std::max(std::max({y1, y2, y3}) - 1, y0);
    const int64_t r1 = std::min(bottom >> kFrameBits, clipBottom - 1);
    if (r1 < r0) {
        return;
    }

    // The two strips. A rectangle with a horizontal edge is one strip; otherwise
    // s and c are both non-zero (ay and by are not 0), so nothing divides by 0.
    RotoRows p{};
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

    if (!gOps.lock(context)) {
        return;
    }
    p.cs = MulDiv64(c, zoom, 256);
    p.sn = MulDiv64(s, zoom, 256);
    // The source position of column 0 of row r0; top is a whole row, so the
    // distance from the pivot's row needs no rounding.
    p.u0 = p.sn * (r0 - y) - p.cs * x + (int64_t{pivotX} << kSourceBits);
    p.v0 = p.cs * (r0 - y) + p.sn * x + (int64_t{pivotY} << kSourceBits);
    p.row = context->bits + context->topOffset + r0 * context->pitch;
    p.rows = r1 - r0 + 1;
    p.pitch = context->pitch;
    p.width = context->width;
    p.source = view.bits + view.topOffset;
    p.sourcePitch = view.pitch;
    p.sourceWidth = view.width;
    p.sourceHeight = view.height;
    p.key = gPatterns[pattern].keyColour;
    RotoZoomRows(&p);
    gOps.unlock(context);
}

} // namespace sprox
