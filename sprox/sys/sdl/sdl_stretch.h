// Nearest-neighbour copies of 8-bit pictures: into an SDL surface of any pixel
// format (colours through a palette), or into another 8-bit picture (indices as
// they are). Both clip to the source picture and to the destination.
#pragma once

#include <SDL2/SDL.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sys {

// An 8-bit picture in memory: row y, counted from the top, starts at
// top + y * pitch (pitch is negative for rows stored bottom-up).
struct IndexedImage {
    uint8_t* top;
    ptrdiff_t pitch;
    int width;
    int height;
};

// Rows of stride bytes from memory, the first one the bottom row when bottomUp.
IndexedImage ImageOver(uint8_t* memory, int width, int height, ptrdiff_t stride, bool bottomUp);

struct Box {
    int x, y, w, h;
};

// Two 16-bit pixels for every two colour indices side by side, indexed by the two
// bytes as one 16-bit value: a copy into a 16-bit surface at the same size looks
// up two frame pixels at once. Kept between copies, rebuilt when the pixel
// values of the colours change.
struct PixelPairs {
    std::vector<uint32_t> pair;
    uint16_t of[256] = {};
};

// Boxes with a width or height of 0 or below copy nothing. pairs (optional) is
// the holder's table for 16-bit surfaces.
void StretchToSurface(const IndexedImage& src, Box from, const SDL_Color* colors,
                      SDL_Surface* dst, Box to, PixelPairs* pairs = nullptr);
void StretchToImage(const IndexedImage& src, Box from, const IndexedImage& dst, Box to);

} // namespace sys
