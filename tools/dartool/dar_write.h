// Writing DAR archives from plain pictures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dar_picture.h"

namespace dar {

struct WriteOptions {
    int version = 1;
    // Version 1 entry header length L. 14 holds the hot spot and keeps segment words
    // 4-byte aligned in the file; 8 holds no hot spot; 18 adds extension bytes.
    int headerLength = 14;
};

// One RLE row of `width` pixels: segments of (skip, count) words and the opaque
// bytes. Pixels equal to `key` are transparent (none when key < 0, giving one
// full-width segment). `phase` is the row's file offset modulo 4: the padding puts
// every segment word after the first on a multiple of 4 of the file offset. The
// last segment is not padded.
std::vector<uint8_t> EncodeRow(const uint8_t* pixels, int width, int key, size_t phase);

// The whole archive, or false with a reason (a picture too large for the format,
// a hot spot the header cannot hold, an unknown version or header length).
bool WriteDar(const Palette& palette, const std::vector<Picture>& pictures,
              const WriteOptions& options, std::vector<uint8_t>* out, std::string* error);

} // namespace dar
