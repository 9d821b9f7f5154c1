#include "sprox/sys/sdl/sdl_stretch.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sys {
namespace {

// One destination column and the source column it shows.
struct Column {
    int dst;
    int src;
};

// Walks the destination pixels of the to box that lie within (0, 0, limitW,
// limitH) clipped by clip, and whose nearest source pixel lies in the picture;
// calls put(destination row, columns, source row) once per destination row.
template <typename Put>
void Stretch(const IndexedImage& src, Box from, Box to, SDL_Rect clip, Put put)
{
    if (from.w <= 0 || from.h <= 0 || to.w <= 0 || to.h <= 0) {
        return;
    }
    int64_t x0 = std::max<int64_t>(to.x, clip.x);
    int64_t x1 = std::min<int64_t>(int64_t{to.x} + to.w, int64_t{clip.x} + clip.w);
    int64_t y0 = std::max<int64_t>(to.y, clip.y);
    int64_t y1 = std::min<int64_t>(int64_t{to.y} + to.h, int64_t{clip.y} + clip.h);
    std::vector<Column> columns;
    columns.reserve(static_cast<size_t>(std::max<int64_t>(x1 - x0, 0)));
    for (int64_t dx = x0; dx < x1; ++dx) {
        int64_t sx = from.x + (dx - to.x) * from.w / to.w;
        if (sx >= 0 && sx < src.width) {
            columns.push_back({static_cast<int>(dx), static_cast<int>(sx)});
        }
    }
    if (columns.empty()) {
        return;
    }
    for (int64_t dy = y0; dy < y1; ++dy) {
        int64_t sy = from.y + (dy - to.y) * from.h / to.h;
        if (sy >= 0 && sy < src.height) {
            put(static_cast<int>(dy), columns, src.top + sy * src.pitch);
        }
    }
}

template <typename Pixel>
void PutRows(const IndexedImage& src, Box from, SDL_Surface* dst, Box to, const Uint32* lut)
{
    auto* base = static_cast<uint8_t*>(dst->pixels);
    Stretch(src, from, to, dst->clip_rect,
            [&](int y, const std::vector<Column>& columns, const uint8_t* row) {
                auto* out = reinterpret_cast<Pixel*>(base + static_cast<ptrdiff_t>(y) * dst->pitch);
                for (const Column& c : columns) {
                    out[c.dst] = static_cast<Pixel>(lut[row[c.src]]);
                }
            });
}

void PutRows24(const IndexedImage& src, Box from, SDL_Surface* dst, Box to, const Uint32* lut)
{
    auto* base = static_cast<uint8_t*>(dst->pixels);
    Stretch(src, from, to, dst->clip_rect,
            [&](int y, const std::vector<Column>& columns, const uint8_t* row) {
                uint8_t* out = base + static_cast<ptrdiff_t>(y) * dst->pitch;
                for (const Column& c : columns) {
                    // The mapped value holds the three bytes in memory order.
                    std::memcpy(out + c.dst * 3, &lut[row[c.src]], 3);
                }
            });
}

// Copies by a whole factor: every destination pixel shows one source pixel, each
// source byte is looked up once, and its replicated target pixels are written in
// one store. Factors 1 to 3 enlarge; factor -2 takes every other pixel of every
// other row.
constexpr int kHalf = -2;

// The destination range of a copy along one axis: offsets j (from the box's
// start, below its length) in [first, last) land inside the clip and show source
// pixels inside the picture; the source pixel of offset j is origin + j * num / den.
struct Span {
    int64_t first, last;
};

int64_t CeilDiv(int64_t a, int64_t b)
{
    return a <= 0 ? -((-a) / b) : (a + b - 1) / b;
}

Span SpanOf(int64_t origin, int64_t num, int64_t den, int64_t size, int64_t start,
            int64_t length, int64_t clipLow, int64_t clipHigh)
{
    int64_t first = std::max<int64_t>(clipLow - start, 0);
    int64_t last = std::min(clipHigh - start, length);
    // origin + floor(j * num / den) >= 0 and < size.
    first = std::max(first, CeilDiv(-origin * den, num));
    last = std::min(last, CeilDiv((size - origin) * den, num));
    return {first, std::max(first, last)};
}

// Target pixel bytes by colour index, each in memory order, kWide bytes per entry:
// kCopies copies of a kBytes-byte pixel, then padding.
template <int kBytes, int kCopies>
struct Replicated {
    static constexpr int kSize = kBytes * kCopies;
    static constexpr int kWide = kSize <= 1 ? 1 : kSize <= 2 ? 2 : kSize <= 4 ? 4 : kSize <= 8 ? 8 : 16;
    alignas(16) uint8_t entry[256][kWide];

    explicit Replicated(const uint8_t (*pixel)[4])
    {
        for (int i = 0; i < 256; ++i) {
            std::memset(entry[i], 0, kWide);
            for (int c = 0; c < kCopies; ++c) {
                std::memcpy(entry[i] + c * kBytes, pixel[i], kBytes);
            }
        }
    }

    // count source pixels from in, kStep bytes apart, written from out on. All but
    // the last are stored kWide bytes wide; the next one's store covers the excess.
    template <int kStep>
    void Run(uint8_t* out, const uint8_t* in, int64_t count) const
    {
        constexpr int kGroup = 8;
        int64_t i = 0;
#if defined(__SSE2__)
        if constexpr (kSize == 4 && kStep == 1) {
            // 32-bit pixels: four a store, each pixel loaded straight into a
            // vector register.
            auto at = [&](int k) { return _mm_loadu_si32(entry[in[k]]); };
            auto four = [&](int k) {
                return _mm_unpacklo_epi64(_mm_unpacklo_epi32(at(k), at(k + 1)),
                                          _mm_unpacklo_epi32(at(k + 2), at(k + 3)));
            };
            for (; i + kGroup < count; i += kGroup, in += kGroup, out += kGroup * kSize) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), four(0));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), four(4));
            }
        }
#endif
        for (; i + kGroup < count; i += kGroup, in += kGroup * kStep, out += kGroup * kSize) {
#pragma GCC unroll 8
            for (int k = 0; k < kGroup; ++k) {
                std::memcpy(out + k * kSize, entry[in[k * kStep]], kWide);
            }
        }
        for (; i + 1 < count; ++i, in += kStep, out += kSize) {
            std::memcpy(out, entry[in[0]], kWide);
        }
        std::memcpy(out, entry[in[0]], kSize);
    }
};

// count 16-bit pixels from in written from out on, two at a time through pairs.
void RunPairs(uint8_t* out, const uint8_t* in, int64_t count, const uint32_t* pairs)
{
    constexpr int kGroup = 8;
    int64_t i = 0;
    for (; i + 2 * kGroup <= count; i += 2 * kGroup, in += 2 * kGroup, out += 4 * kGroup) {
#pragma GCC unroll 8
        for (int k = 0; k < kGroup; ++k) {
            uint16_t two;
            std::memcpy(&two, in + 2 * k, 2);
            std::memcpy(out + 4 * k, &pairs[two], 4);
        }
    }
    for (; i + 2 <= count; i += 2, in += 2, out += 4) {
        uint16_t two;
        std::memcpy(&two, in, 2);
        std::memcpy(out, &pairs[two], 4);
    }
    if (i < count) {
        // The odd last pixel: the high half of its pair with itself on either
        // byte order is the pixel alone.
        auto one = static_cast<uint16_t>(pairs[in[0] * 257] >> 16);
        std::memcpy(out, &one, 2);
    }
}

// The rows of a copy by factor into a surface of kBytes-byte pixels; pairs (for
// 16-bit pixels at factor 1) may be null.
template <int kBytes, int kFactor>
void PutWhole(const IndexedImage& src, Box from, SDL_Surface* dst, Box to,
              const uint8_t (*pixel)[4], const uint32_t* pairs)
{
    constexpr int kCopies = kFactor > 0 ? kFactor : 1;
    constexpr int num = kFactor > 0 ? 1 : 2;
    constexpr int den = kFactor > 0 ? kFactor : 1;
    const SDL_Rect& clip = dst->clip_rect;
    Span xs = SpanOf(from.x, num, den, src.width, to.x, to.w, clip.x, int64_t{clip.x} + clip.w);
    Span ys = SpanOf(from.y, num, den, src.height, to.y, to.h, clip.y, int64_t{clip.y} + clip.h);
    if (xs.first >= xs.last || ys.first >= ys.last) {
        return;
    }
    const Replicated<kBytes, kCopies> wide(pixel);
    const int64_t n = xs.last - xs.first;
    const size_t rowBytes = static_cast<size_t>(n) * kBytes;
    auto* base = static_cast<uint8_t*>(dst->pixels) + (to.x + xs.first) * kBytes;
    const uint8_t* previous = nullptr;
    int64_t previousRow = -1;
    for (int64_t j = ys.first; j < ys.last; ++j) {
        int64_t sy = from.y + j * num / den;
        uint8_t* out = base + (to.y + j) * dst->pitch;
        if (sy == previousRow) {
            std::memcpy(out, previous, rowBytes);
            continue;
        }
        const uint8_t* in = src.top + sy * src.pitch + from.x + xs.first * num / den;
        int64_t left = n;
        if (kBytes == 2 && kFactor == 1 && pairs != nullptr) {
            RunPairs(out, in, n, pairs);
        } else if (kFactor > 0) {
            // A source pixel cut by the clip on the left, then whole ones, then
            // one cut on the right.
            int phase = static_cast<int>(xs.first % kCopies);
            uint8_t* at = out;
            if (phase != 0) {
                for (; phase < kCopies && left > 0; ++phase, --left, at += kBytes) {
                    std::memcpy(at, pixel[*in], kBytes);
                }
                ++in;
            }
            int64_t whole = left / kCopies;
            if (whole > 0) {
                wide.template Run<1>(at, in, whole);
                at += whole * kCopies * kBytes;
                in += whole;
            }
            for (left -= whole * kCopies; left > 0; --left, at += kBytes) {
                std::memcpy(at, pixel[*in], kBytes);
            }
        } else {
            wide.template Run<num>(out, in, n);
        }
        previous = out;
        previousRow = sy;
    }
}

using PutWholeFn = void (*)(const IndexedImage&, Box, SDL_Surface*, Box, const uint8_t (*)[4],
                           const uint32_t*);

// By bytes per pixel (1 to 4), then by factor: half, 1, 2, 3.
constexpr PutWholeFn kPutWhole[4][4] = {
    {PutWhole<1, kHalf>, PutWhole<1, 1>, PutWhole<1, 2>, PutWhole<1, 3>},
    {PutWhole<2, kHalf>, PutWhole<2, 1>, PutWhole<2, 2>, PutWhole<2, 3>},
    {PutWhole<3, kHalf>, PutWhole<3, 1>, PutWhole<3, 2>, PutWhole<3, 3>},
    {PutWhole<4, kHalf>, PutWhole<4, 1>, PutWhole<4, 2>, PutWhole<4, 3>},
};

// The factor column of kPutWhole for a copy, or -1 where the sizes are not in a
// whole ratio the table has.
int FactorColumn(Box from, Box to)
{
    if (from.w <= 0 || from.h <= 0 || to.w <= 0 || to.h <= 0) {
        return -1;
    }
    for (int k = 1; k <= 3; ++k) {
        if (int64_t{to.w} == int64_t{from.w} * k && int64_t{to.h} == int64_t{from.h} * k) {
            return k;
        }
    }
    if (int64_t{from.w} == int64_t{to.w} * 2 && int64_t{from.h} == int64_t{to.h} * 2) {
        return 0;
    }
    return -1;
}

// The pair table for these 16-bit pixels. Entry a * 256 + b holds b's pixel in
// its low half and a's in its high half: a 16-bit value read from two bytes has
// the byte stored second as a on little-endian machines and the first on
// big-endian ones, and a 32-bit store puts the low half first or last likewise.
void UpdatePairs(const uint8_t (*pixel)[4], PixelPairs* pairs)
{
    uint16_t of[256];
    for (int i = 0; i < 256; ++i) {
        std::memcpy(&of[i], pixel[i], 2);
    }
    if (!pairs->pair.empty() && std::memcmp(of, pairs->of, sizeof of) == 0) {
        return;
    }
    std::memcpy(pairs->of, of, sizeof of);
    pairs->pair.resize(256 * 256);
    uint32_t* row = pairs->pair.data();
    for (int a = 0; a < 256; ++a, row += 256) {
        uint32_t high = uint32_t{of[a]} << 16;
        for (int b = 0; b < 256; ++b) {
            row[b] = high | of[b];
        }
    }
}

} // namespace

IndexedImage ImageOver(uint8_t* memory, int width, int height, ptrdiff_t stride, bool bottomUp)
{
    if (bottomUp && height > 0) {
        return {memory + (height - 1) * stride, -stride, width, height};
    }
    return {memory, stride, width, height};
}

void StretchToSurface(const IndexedImage& src, Box from, const SDL_Color* colors,
                      SDL_Surface* dst, Box to, PixelPairs* pairs)
{
    if (dst == nullptr || src.top == nullptr) {
        return;
    }
    // Each colour as the surface stores it, bytes in memory order.
    const int bytes = dst->format->BytesPerPixel;
    Uint32 lut[256];
    uint8_t pixel[256][4] = {};
    for (int i = 0; i < 256; ++i) {
        lut[i] = SDL_MapRGB(dst->format, colors[i].r, colors[i].g, colors[i].b);
        Uint32 v = lut[i];
        if (bytes == 3) {
            uint8_t* b = pixel[i];
            if (SDL_BYTEORDER == SDL_BIG_ENDIAN) {
                b[0] = static_cast<uint8_t>(v >> 16);
                b[1] = static_cast<uint8_t>(v >> 8);
                b[2] = static_cast<uint8_t>(v);
            } else {
                b[0] = static_cast<uint8_t>(v);
                b[1] = static_cast<uint8_t>(v >> 8);
                b[2] = static_cast<uint8_t>(v >> 16);
            }
            std::memcpy(&lut[i], b, 4);
        } else if (bytes == 1) {
            pixel[i][0] = static_cast<uint8_t>(v);
        } else if (bytes == 2) {
            auto two = static_cast<uint16_t>(v);
            std::memcpy(pixel[i], &two, 2);
        } else {
            std::memcpy(pixel[i], &v, 4);
        }
    }
    if (SDL_MUSTLOCK(dst) && SDL_LockSurface(dst) != 0) {
        return;
    }
    int column = FactorColumn(from, to);
    const uint32_t* pairTable = nullptr;
    if (pairs != nullptr && bytes == 2 && column == 1) {
        UpdatePairs(pixel, pairs);
        pairTable = pairs->pair.data();
    }
    if (column >= 0 && bytes >= 1 && bytes <= 4) {
        kPutWhole[bytes - 1][column](src, from, dst, to, pixel, pairTable);
        if (SDL_MUSTLOCK(dst)) {
            SDL_UnlockSurface(dst);
        }
        return;
    }
    switch (bytes) {
    case 1:
        PutRows<uint8_t>(src, from, dst, to, lut);
        break;
    case 2:
        PutRows<uint16_t>(src, from, dst, to, lut);
        break;
    case 3:
        PutRows24(src, from, dst, to, lut);
        break;
    case 4:
        PutRows<uint32_t>(src, from, dst, to, lut);
        break;
    default:
        break;
    }
    if (SDL_MUSTLOCK(dst)) {
        SDL_UnlockSurface(dst);
    }
}

void StretchToImage(const IndexedImage& src, Box from, const IndexedImage& dst, Box to)
{
    if (dst.top == nullptr || src.top == nullptr) {
        return;
    }
    SDL_Rect bounds = {0, 0, dst.width, dst.height};
    Stretch(src, from, to, bounds,
            [&](int y, const std::vector<Column>& columns, const uint8_t* row) {
                uint8_t* out = dst.top + y * dst.pitch;
                for (const Column& c : columns) {
                    out[c.dst] = row[c.src];
                }
            });
}

} // namespace sys
