// PNG files, read and written with libpng: indexed-colour ones as they are, the
// other colour types read as RGBA for dartool to map onto a palette.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace dar {

struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;                 // one index per pixel, top row first
    std::vector<std::array<uint8_t, 3>> colours; // red, green, blue; up to 256
    std::vector<uint8_t> alpha;                  // tRNS: alpha of the first entries
    bool hasHotSpot = false;                     // a "HotSpot" text "x,y" was present
    int hotX = 0;
    int hotY = 0;
};

// Reads an indexed-colour PNG of any bit depth (1 to 8) into one index per pixel.
// False with a reason for any other colour type or a damaged file.
bool LoadIndexedPng(const std::string& path, IndexedImage* image, std::string* error);

// Reads a PNG of any colour type. An indexed one fills image as LoadIndexedPng
// does and leaves rgba empty; any other (grey, truecolour, with or without alpha,
// 1 to 16 bits) fills image's size and hot spot and puts its pixels into rgba, four
// bytes each (red, green, blue, alpha; 8 bits, top row first), with a tRNS colour
// turned into alpha 0. False with a reason for a damaged file.
bool LoadPng(const std::string& path, IndexedImage* image, std::vector<uint8_t>* rgba,
             std::string* error);

// Writes an 8-bit indexed PNG with the image's palette, its tRNS when alpha is not
// empty, and the hot spot as a "HotSpot" text when it has one.
bool SaveIndexedPng(const std::string& path, const IndexedImage& image, std::string* error);

} // namespace dar
