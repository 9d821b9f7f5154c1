// The DAR archive image: its layout and the checks that make it safe to draw from.
//
// All numbers little-endian.
//
//   0     5     "DAR:8"
//   5     1     version, 0 or 1
//   6     2     N, number of pattern entries
//   8     4     P, palette offset counted from offset 8 (the header block)
//   8+P   1024  palette, 256 x (blue, green, red, reserved)
//   1036  ...   the entries, back to back, whatever P says
//
// Entry, version 0: width, height, stride (unsigned), key colour; 2 bytes each;
// then height x stride bytes of rows.
// Entry, version 1: L (unsigned, the header bytes after this word), then width,
// height, stride, key colour, and when L >= 14 hot spot x, y and the visible height;
// when L >= 16 extension bytes start at entry offset 17. The rows follow at 2 + L.
//
// Rows are stored bottom row first, each exactly stride bytes, each an RLE row:
// segments of a 32-bit word (low 16 bits transparent skip, high 16 bits opaque
// count), count colour bytes, then padding up to the next 4-byte-aligned address.
// A row has no end mark; it is read from the left until the width is used up.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sprox {

inline constexpr size_t kDarHeadSize = 1036;   // magic to palette; first entry here
inline constexpr size_t kDarPaletteSize = 1024;
inline constexpr int kDarLatestVersion = 1;

// One entry header as read from the image, with the defaults of short headers
// filled in (hot spot 0, visible height = height).
struct DarEntry {
    int16_t width;
    int16_t height;               // stored rows
    uint16_t stride;
    int16_t keyColour;
    int16_t hotX, hotY;
    int16_t visibleHeight;
    const uint8_t* rows;          // the bottom stored row
    const uint8_t* extension;     // null unless L >= 16
    size_t end;                   // image offset just past the last row
};

// True when the image starts with the magic.
bool DarHasMagic(const uint8_t* image, size_t size);

// Version byte and N. False when the image is too short to hold them.
bool DarReadCounts(const uint8_t* image, size_t size, int* version, int* count);

// True when the head (magic to palette) lies inside the image, including the
// palette that P points at.
bool DarHeadFits(const uint8_t* image, size_t size);

// Reads the entry at image offset `offset`. False, with nothing trusted, unless the
// header and every row lie inside the image, the heights are sane (0 <= visible
// height <= height), every row walked as the blitters walk it stays inside its
// stride, and a pattern without a key colour has rows that can be read directly
// as full-width pixel rows. On false, *fault (unless fault is null) says why in
// English.
bool DarReadEntry(const uint8_t* image, size_t size, size_t offset, int version,
                  DarEntry* entry, const char** fault = nullptr);

// True when the RLE row at `row`, walked from the left until `width` pixels are
// used up, reads nothing outside its `stride` bytes. Segment words are found at
// 4-byte-aligned addresses, as the blitters find them.
bool DarRowFits(const uint8_t* row, size_t stride, int width);

} // namespace sprox
