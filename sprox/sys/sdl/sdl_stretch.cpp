#include "sprox/sys/sdl/sdl_stretch.h"

#include <algorithm>
#include <cstring>
#include <vector>

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

} // namespace

IndexedImage ImageOver(uint8_t* memory, int width, int height, ptrdiff_t stride, bool bottomUp)
{
    if (bottomUp && height > 0) {
        return {memory + (height - 1) * stride, -stride, width, height};
    }
    return {memory, stride, width, height};
}

void StretchToSurface(const IndexedImage& src, Box from, const SDL_Color* colors,
                      SDL_Surface* dst, Box to)
{
    if (dst == nullptr || src.top == nullptr) {
        return;
    }
    Uint32 lut[256];
    for (int i = 0; i < 256; ++i) {
        lut[i] = SDL_MapRGB(dst->format, colors[i].r, colors[i].g, colors[i].b);
        if (dst->format->BytesPerPixel == 3) {
            // Lay the value out as the surface stores it, bytes in memory order.
            uint8_t bytes[4] = {};
            Uint32 v = lut[i];
            if (SDL_BYTEORDER == SDL_BIG_ENDIAN) {
                bytes[0] = static_cast<uint8_t>(v >> 16);
                bytes[1] = static_cast<uint8_t>(v >> 8);
                bytes[2] = static_cast<uint8_t>(v);
            } else {
                bytes[0] = static_cast<uint8_t>(v);
                bytes[1] = static_cast<uint8_t>(v >> 8);
                bytes[2] = static_cast<uint8_t>(v >> 16);
            }
            std::memcpy(&lut[i], bytes, 4);
        }
    }
    if (SDL_MUSTLOCK(dst) && SDL_LockSurface(dst) != 0) {
        return;
    }
    switch (dst->format->BytesPerPixel) {
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
