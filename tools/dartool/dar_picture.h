// A pattern as plain pixels, the form the DAR writer takes and the reader gives.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace dar {

// 256 entries of blue, green, red, reserved.
using Palette = std::array<uint8_t, 1024>;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // width x height colour indices, top row first
    int key = -1;                 // colour index that stands for transparency; -1: none
    int hotX = 0;                 // the pixel placed at the drawing position
    int hotY = 0;

    uint8_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

} // namespace dar
