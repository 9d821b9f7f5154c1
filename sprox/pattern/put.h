// Placing patterns into a frame: PatPut (1:1, one fixed blitter) and PatDraw
// (a DrawRequest into any frame view). Both place the hot spot, clip, find the
// first source row and destination byte, and leave the horizontal work to a
// blitter; PatDraw also scales vertically, flips and applies the row effects.
// RotoZoomPut (rotozoom_put.cpp) locks the frame for the rotate-zoom rows.
#pragma once

#include <array>
#include <cstdint>

#include "sprox.h"
#include "sprox/blit/blitter.h"
#include "sprox/display/backend.h"

namespace sprox {

// trunc(128 * sin(2 * pi * i / 256)), limited to -127..127.
extern const std::array<int8_t, 256> kSine;

// Fills the placement of p->pattern at (p->x, p->y) into p, clipped by the
// context's clip rectangle and height, and locks the frame: 1. Nothing to draw,
// or the lock failed: 0, and the frame is not locked.
int PatPutPlace(SproxContext* context, BlitParam* p);

void PatPut(SproxContext* context, int x, int y, int pattern, int scale, Blitter blitter,
            const uint8_t* table);
void PatDraw(const FrameView* view, const DrawRequest* request);

// Draws pattern turned by angle (256 steps to the turn) and zoomed (256 is 1:1),
// its pivot on (x, y). Draws nothing for zoom <= 0, a pattern without a bitmap
// view, a rectangle outside the clip rows, a failed lock, and for arguments beyond
// what the fixed-point arithmetic holds (RotoPlaceFits).
void RotoZoomPut(SproxContext* context, int x, int y, int pattern, int pivotX, int pivotY,
                 int angle, int zoom);

} // namespace sprox
