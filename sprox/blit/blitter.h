// The blitter family: thirty routines that draw runs of RLE pattern rows into an
// 8-bit frame, selected by the low six draw flags through a 64-entry table.
//
// An RLE row is a sequence of segments. Each segment starts at a 4-byte-aligned
// address with a 32-bit word: low 16 bits the transparent skip, high 16 bits the
// count of opaque colour bytes that follow the word. The next word lies at the
// first multiple of 4 at or after the end of those bytes. The segments of a row
// cover the pattern's width; there is no end mark, a blitter stops reading a row
// as soon as its span is full.
#pragma once

#include <array>
#include <cstdint>

namespace sprox {

// What a placing routine fills for one blitter call.
struct BlitParam {
    int32_t x;             // frame column of the pattern's left edge, unclipped (mesh alignment)
    int32_t y;             // frame row of the pattern's top edge (not read by blitters)
    uint32_t pattern;      // pattern number (not read by blitters)
    int32_t scaleX;        // 1/256; scaled blitters, >= 1
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

// On return: rows is 0; dst has moved by the rows drawn times dstStep; src has
// moved by rows times srcStep, except in the plain 1:1 blitters, which leave it;
// mesh blitters have rotated mesh right by 8 bits per row; skipLeft and skipRight
// are unchanged. rows <= 0 on entry returns at once and changes nothing.
using Blitter = void (*)(BlitParam*);

// Indexed by draw flags & 63: PD_MIRROR, PD_XZOOM, the operation bits PD_ROP,
// PD_RECOLOR (both: mesh), PD_SHADOW (shadow alone, plain with either of the
// others) and PD_SCATTER (with PD_XZOOM).
extern const std::array<Blitter, 64> kBlitters;

} // namespace sprox
