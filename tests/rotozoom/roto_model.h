// A slow model of the rotate-zoom and the frames the tests draw into.
//
// The model takes the pattern as its plain picture (not the library's bitmap
// view), finds the rows and the strip boundaries of each row in 64 bits, and
// evaluates the inverse mapping afresh for every pixel:
//   u = cs * (X - x) + sn * (Y - y) + pivotX * 2^18
//   v = -sn * (X - x) + cs * (Y - y) + pivotY * 2^18
// A pixel whose sample falls outside the picture is left alone and counted.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "dar_picture.h"
#include "sprox.h"

namespace roto {

// A frame in a buffer with guard bytes before, after and between the rows
// (pitch wider than the frame), stored top-down or bottom-up.
struct Frame {
    static constexpr int kGuard = 64;
    static constexpr uint8_t kGuardByte = 0xA5;

    int width = 0;
    int height = 0;
    int stride = 0;       // bytes per row, at least width
    bool bottomUp = false;
    std::vector<uint8_t> buffer;

    Frame(int w, int h, int padding, bool upsideDown, std::mt19937& rng)
        : width(w), height(h), stride(w + padding), bottomUp(upsideDown),
          buffer(static_cast<size_t>(2 * kGuard + stride * h), kGuardByte)
    {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                At(x, y) = static_cast<uint8_t>(rng());
            }
        }
    }

    int Pitch() const { return bottomUp ? -stride : stride; }
    int TopOffset() const { return bottomUp ? (height - 1) * stride : 0; }
    uint8_t* Bits() { return buffer.data() + kGuard; }
    uint8_t& At(int x, int y) { return Bits()[TopOffset() + y * Pitch() + x]; }

    // A context over this frame, with the given clip rectangle.
    SproxContext Context(const SproxRect& clip)
    {
        SproxContext c{};
        c.width = width;
        c.height = height;
        c.stride = stride;
        c.pitch = Pitch();
        c.bits = Bits();
        c.topOffset = TopOffset();
        c.clip = clip;
        c.self = &c;
        return c;
    }
};

struct Call {
    int x = 0, y = 0;
    int pivotX = 0, pivotY = 0;
    int angle = 0;
    int zoom = 256;
};

// round(262144 * sin(2 pi angle / 256)), halves up.
inline int64_t Sine(int angle)
{
    const double s = std::sin((angle & 255) * 2 * std::numbers::pi / 256);
    return static_cast<int64_t>(std::floor(s * 262144 + 0.5));
}

// a * b / c to the nearest, halves away from zero.
inline int64_t RoundedQuotient(int64_t a, int64_t b, int64_t c)
{
    const int64_t p = a * b;
    int64_t q = p / c;
    const int64_t r = p % c;
    if (2 * (r < 0 ? -r : r) >= (c < 0 ? -c : c)) {
        q += (p < 0) == (c < 0) ? 1 : -1;
    }
    return q;
}

struct Strip {
    int64_t left, length, step;
};

inline Strip Forward(Strip s)
{
    if (s.length < 0) {
        s.left += s.length;
        s.length = -s.length;
    }
    return s;
}

inline int64_t Floor1024(int64_t v) { return v >= 0 ? v / 1024 : -((-v + 1023) / 1024); }

// The rows a call covers, its two strips at the first row, and its sampling
// steps; `empty` when the call draws nothing.
struct Geometry {
    bool empty = true;
    int64_t r0 = 0, r1 = -1;
    Strip a{}, b{};
    int64_t cs = 0, sn = 0;
};

inline Geometry SetUp(const Frame& frame, const SproxRect& clip, int width, int height,
                      const Call& k)
{
    Geometry g;
    const int64_t limit = int64_t{1} << 20;
    auto beyond = [&](int64_t v) { return v < -limit || v > limit; };
    if (k.zoom <= 0 || k.zoom > limit || beyond(k.x) || beyond(k.y) || beyond(k.pivotX) ||
        beyond(k.pivotY) || width <= 0 || height <= 0) {
        return g;
    }
    const int64_t s = Sine(k.angle);
    const int64_t c = Sine(k.angle + 64);
    const int64_t zoom = k.zoom;
    const int64_t w = width;
    const int64_t h = height;
    const int64_t ax = w * c / zoom, ay = w * s / zoom;
    const int64_t bx = -(h * s) / zoom, by = h * c / zoom;
    const int64_t x0 = int64_t{k.x} * 1024 - (c * k.pivotX - s * k.pivotY) / zoom;
    const int64_t y0 = int64_t{k.y} * 1024 - (s * k.pivotX + c * k.pivotY) / zoom;
    const int64_t ys[3] = {y0 + by, y0 + ay, y0 + ay + by};
    int64_t top = std::min(*std::min_element(ys, ys + 3) + 1, y0);
    top = std::max<int64_t>(top, int64_t{std::max(clip.top, 0)} * 1024);
    g.r0 = -Floor1024(-top);  // the first whole row at or below top
    top = g.r0 * 1024;
    const int64_t bottom = std::max(*std::max_element(ys, ys + 3) - 1, y0);
    g.r1 = std::min<int64_t>(Floor1024(bottom), std::min(clip.bottom, frame.height) - 1);
    if (g.r1 < g.r0) {
        return g;
    }
    g.empty = false;
    if (ay == 0) {
        g.a = g.b = Forward({x0, ax, 0});
    } else if (by == 0) {
        g.a = g.b = Forward({x0, bx, 0});
    } else {
        const int64_t d = top - y0;
        g.a = Forward({x0 + RoundedQuotient(c, d, s), bx + RoundedQuotient(c, -by, s),
                       RoundedQuotient(c, 1024, s)});
        g.b = Forward({x0 + RoundedQuotient(-s, d, c), ax + RoundedQuotient(-s, -ay, c),
                       RoundedQuotient(-s, 1024, c)});
    }
    g.cs = RoundedQuotient(c, zoom, 256);
    g.sn = RoundedQuotient(s, zoom, 256);
    return g;
}

// The source positions of frame pixel (x, y), 18 fractional bits.
inline int64_t SourceU(const Geometry& g, const Call& k, int64_t x, int64_t y)
{
    return g.cs * (x - k.x) + g.sn * (y - k.y) + int64_t{k.pivotX} * 262144;
}
inline int64_t SourceV(const Geometry& g, const Call& k, int64_t x, int64_t y)
{
    return -g.sn * (x - k.x) + g.cs * (y - k.y) + int64_t{k.pivotY} * 262144;
}

// Draws the call into `frame` as the rotate-zoom should. Returns the number of
// covered pixels whose sample fell outside the picture.
inline int64_t Draw(Frame& frame, const SproxRect& clip, const dar::Picture& pic, const Call& k)
{
    const Geometry g = SetUp(frame, clip, pic.width, pic.height, k);
    if (g.empty) {
        return 0;
    }
    const bool keyed = pic.key >= 0 && pic.key <= 255;
    int64_t outside = 0;
    for (int64_t y = g.r0; y <= g.r1; ++y) {
        const int64_t aLeft = g.a.left + (y - g.r0) * g.a.step;
        const int64_t bLeft = g.b.left + (y - g.r0) * g.b.step;
        const int64_t xs = std::max<int64_t>(Floor1024(std::max(aLeft, bLeft) + 2047), 0);
        const int64_t xe = std::min<int64_t>(
            Floor1024(std::min(aLeft + g.a.length, bLeft + g.b.length)), frame.width);
        for (int64_t x = xs; x < xe; ++x) {
            const int64_t u = SourceU(g, k, x, y);
            const int64_t v = SourceV(g, k, x, y);
            const int64_t pu = u >= 0 ? u / 262144 : -1;
            const int64_t pv = v >= 0 ? v / 262144 : -1;
            if (pu < 0 || pv < 0 || pu >= pic.width || pv >= pic.height) {
                ++outside;
                continue;
            }
            const uint8_t colour = pic.at(static_cast<int>(pu), static_cast<int>(pv));
            if (!keyed || colour != pic.key) {
                frame.At(static_cast<int>(x), static_cast<int>(y)) = colour;
            }
        }
    }
    return outside;
}

} // namespace roto
