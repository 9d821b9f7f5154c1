// The blitter family: thirty routines that draw runs of RLE pattern rows into an
// 8-bit frame, selected by the low six draw flags through a 64-entry table.
#pragma once

#include <cstdint>

namespace sprox {

// What a placing routine fills for one blitter call.
struct BlitParam {
    int32_t x;             // frame column of the pattern's left edge, unclipped (mesh alignment)
    int32_t y;             // frame row of the pattern's top edge (not read by blitters)
    uint32_t pattern;      // pattern number (not read by blitters)
    int32_t scaleX;        // 1/256; scaled blitters
    int32_t scaleY;        // 1/256; not read by blitters
    const uint8_t* table;  // ROP table, or 256-byte colour table
    int32_t span;          // destination pixels per row, >= 1
    int32_t rows;          // rows to draw, counted down to 0
    const uint8_t* src;    // RLE row of the first row
    uint8_t* dst;          // frame byte at the left end of the visible span
    int32_t dstStep;
    int32_t srcStep;
    int32_t skipLeft;      // destination pixels clipped off at the left
    int32_t skipRight;     // destination pixels clipped off at the right
    int32_t skipRows;      // caller's own use
    int32_t scratch[2];    // working storage of the scaled blitters
    uint32_t mesh;         // four screen-door masks, low byte first
};

using Blitter = void (*)(BlitParam*);

// Indexed by draw flags & 63.
extern const Blitter kBlitters[64];

} // namespace sprox
