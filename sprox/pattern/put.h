// Placing patterns into a frame: PatPut (1:1, one fixed blitter) and PatDraw
// (a DrawRequest into any frame view).
#pragma once

#include <cstdint>

#include "sprox.h"
#include "sprox/blit/blitter.h"
#include "sprox/display/backend.h"

namespace sprox {

void PatPut(SproxContext* context, int x, int y, int pattern, int scale, Blitter blitter,
            const uint8_t* table);
void PatDraw(const FrameView* view, const DrawRequest* request);

} // namespace sprox
