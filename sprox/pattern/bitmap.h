// A pattern as a plain 8-bit bitmap that can be read at any pixel, for the
// rotate-zoom.
//
// A pattern without a key colour (negative key) holds only full-width rows, each
// a segment word and the width's pixels, so it is viewed in place in its archive
// image. Any other pattern is converted once into a bitmap block of its own:
//
//   0     40                       bitmap information header (size 40, width,
//                                  height = storedHeight, positive: bottom-up,
//                                  1 plane, 8 bits, no compression)
//   40    1024                     the pattern's palette (blue, green, red, 0)
//   1064  storedHeight x rowBytes  pixel rows, bottom row first; rowBytes is the
//                                  width rounded up to a multiple of 4
//
// The visible band is drawn into the top rows over a background of the key
// colour. The record's header then points at the block (its first word, 40,
// still leads to the palette) and bitmapBits at the rows; the record owns the
// block and PatRelease frees it. The RLE rows stay where they were.
#pragma once

#include <cstdint>

#include "sprox.h"
#include "sprox/display/backend.h"

namespace sprox {

inline constexpr uint32_t kBitmapHeaderSize = 40;
inline constexpr uint32_t kBitmapRowsOffset = 40 + 1024;

// Fills the view over pattern n as a plain bitmap, converting it first if it
// needs it: 1. Nothing to view (no such pattern, a pattern without pixels, a
// failed conversion): 0.
int PatBitmapView(FrameView* view, int pattern);

// Converts pattern n into a bitmap of its own unless it has one: 1 when it has
// one afterwards, else 0 (and the pattern is left as it was).
int PatToBitmap(int pattern);

// Allocates the bitmap block of pattern n with `rows` rows, copies the palette
// into it (when one is given), fills the rows with the low byte of `fill` (when
// fill is 0 or more) and stores it in the record, freeing a bitmap the record had
// before: 1. No such pattern, or no memory: 0, the record unchanged.
int PatAllocBitmap(const uint8_t* palette, int pattern, int fill, int rows);

// The view over an 8-bit uncompressed bitmap: rows bottom-up for a positive
// height, top-down for a negative one. 0 for any other bitmap, or one whose
// offsets do not fit the view.
int DibView(FrameView* view, const SproxBitmapHeader* info, uint8_t* bits);

} // namespace sprox
