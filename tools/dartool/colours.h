// Truecolour pictures onto an archive's palette: nearest-colour mapping, and a
// palette made for a set of pictures by libimagequant.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dar_picture.h"

namespace dar {

// Pixels of four bytes each: red, green, blue, alpha; top row first.
struct RgbaPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

// The colour indices of a truecolour picture on the first `colours` entries of a
// palette: each pixel with alpha 0 becomes `key`, every other pixel (alpha ignored)
// the entry nearest to it in red, green and blue (squared distance; the lowest
// index on a tie), never `key` itself. False when a pixel is transparent and key is
// below 0.
bool MapToPalette(const RgbaPicture& picture, const Palette& palette, int colours, int key,
                  std::vector<uint8_t>* indices);

// A palette for a set of truecolour pictures: entry 0 is black and kept for the key
// colour; entries 1 to 255 at most are libimagequant's choice for the pictures'
// opaque pixels. *colours is the number of entries in use (1 to 256).
bool BuildPalette(std::span<const RgbaPicture> pictures, Palette* palette, int* colours,
                  std::string* error);

} // namespace dar
