// sprox/blit/: pure pixel routines (the blitters, the ROP tables, the rotate-zoom
// rows) over plain records and pointers. Includes nothing of ours outside blit/
// but include/sprox.h: a caller locks frames, looks up patterns and reports.
//
// Rotate-zoom: a pattern drawn turned by one of 256 angles and scaled, about a
// pivot of the pattern that lands on a frame position.
//
// The frame is sampled by inverse mapping: every frame pixel (X, Y) that the
// turned rectangle covers shows the pattern pixel at
//   u = cs * (X - x) + sn * (Y - y) + pivotX * 2^18
//   v = -sn * (X - x) + cs * (Y - y) + pivotY * 2^18
// (source positions with 18 fractional bits, cs and sn the cosine and sine of
// the angle times zoom / 256), read from the pattern's plain-bitmap view. The
// covered pixels are found as the intersection of two strips, each bounded by a
// pair of opposite edges of the rectangle and moving by a constant step per row
// (frame geometry in 1/1024 pixel), with the left boundary rounded inwards: the
// sample point of every drawn pixel lies inside the rectangle.
#pragma once

#include <cstdint>

#include "sprox.h"

namespace sprox {

// Entry i (0..64): 262144 * sin(2 pi i / 256) rounded to the nearest. Filled at
// the first draw that gets past the argument checks, then kept.
inline constexpr int kQuarterSineEntries = 65;
extern int32_t gQuarterSine[kQuarterSineEntries];
extern bool gQuarterSineBuilt;

void BuildQuarterSine();

// Sine and cosine of an angle of 256 steps to the turn (only the low 8 bits
// count), in 1/262144, from the quarter sine table (which must be built).
int32_t RotoSin(int angle);
int32_t RotoCos(int angle);

// a * b / c rounded to the nearest integer, halves away from zero; -1 when c is 0.
// The product must fit in 64 bits.
int64_t MulDiv64(int64_t a, int64_t b, int64_t c);

// A strip of the frame between two parallel edges of the rectangle: at the first
// row its left boundary and width, and the boundary's move per row (1/1024 pixel).
struct RotoStrip {
    int64_t left;
    int64_t length;
    int64_t step;
};

// What the row loop draws. From one row to the next the frame row moves by
// pitch and the source position of column 0 by (sn, cs).
struct RotoRows {
    uint8_t* row;               // frame row of the first row drawn
    int64_t rows;
    int64_t pitch;              // frame
    int64_t width;              // frame columns 0 .. width - 1 may be written
    const uint8_t* sourceBits;  // the view's first byte
    int32_t sourceTopOffset;    // from there to its top row
    int64_t sourcePitch;
    int32_t sourceWidth;        // samples outside the view are never read
    int32_t sourceHeight;
    int64_t sn, cs;             // source step per frame column: u += cs, v -= sn
    int64_t u0, v0;             // source position of frame column 0 in the first row
    RotoStrip a, b;
    int32_t key;                // leaves pixels of its colour out when bits 8..15 are 0
};

// Fills each row between the strips. Columns whose sample would fall outside the
// view are left alone, whatever the strips say.
void RotoZoomRows(const RotoRows* p);

// On x86-64 with GCC or Clang, rows can be sampled eight columns at a time with
// the AVX2 gather. On where the processor has it; tests turn it off to check the
// SSE2 route as well.
#if defined(__SSE2__) && defined(__x86_64__) && defined(__GNUC__)
#define SPROX_ROTO_GATHER 1
extern bool gRotoGather;
#else
#define SPROX_ROTO_GATHER 0
#endif

// Where and how a pattern is drawn turned: its pivot (pivotX, pivotY) lands on
// frame position (x, y).
struct RotoPlace {
    int x, y;
    int pivotX, pivotY;
    int angle;
    int zoom;  // 256 is 1:1, larger shrinks
};

// false for zoom <= 0 and for arguments beyond what the fixed-point arithmetic
// holds: |x|, |y|, |pivotX|, |pivotY| or zoom above 2^20.
inline bool RotoPlaceFits(const RotoPlace& place)
{
    constexpr int kLimit = 1 << 20;
    const auto within = [](int v) { return v >= -kLimit && v <= kLimit; };
    return place.zoom > 0 && place.zoom <= kLimit && within(place.x) && within(place.y) &&
           within(place.pivotX) && within(place.pivotY);
}

// The row plan of a place that fits, for a width x height view drawn into frame
// rows clipTop .. clipBottom - 1 (clipTop 0 or more): fills rows, the strips, the
// steps, the source start and the view's size into plan (the frame row, pitch and
// width, the view's bits, pitch and the key are the caller's) and returns the
// frame row of the first row; -1 when no row is drawn. Builds the quarter sine
// table.
int64_t RotoZoomPlan(const RotoPlace& place, int32_t width, int32_t height, int64_t clipTop,
                     int64_t clipBottom, RotoRows* plan);

} // namespace sprox
