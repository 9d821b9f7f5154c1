// sprox/display/: the display subsystem: back-ends, screen modes, frame size,
// painting and clearing, the palette. May include blit/, core/ and sys/ (never
// pattern/, which draws into its frames).
//
// Display back-ends: where a context's frame memory lives and how it reaches the
// screen, behind one process-wide table of six operations.
#pragma once

#include <cstdint>

#include "sprox.h"

namespace sprox {

enum Backend : int32_t {
    kBackendPlainDib = 0,
    kBackendWinG = 1,
    kBackendDibSection = 2,
    kBackendDirectDraw = 3,
};

// The back-end op table. Every lock is matched by one unlock; locks nest.
struct BackendOps {
    // 1 when the frame memory is addressable through bits, pitch, stride and
    // topOffset, else 0.
    int (*lock)(SproxContext* context);
    void (*unlock)(SproxContext* context);
    // A device context for GDI drawing into the frame, or null.
    void* (*getDC)(SproxContext* context);
    void (*releaseDC)(SproxContext* context);
    // Copies the w x h rectangle at (srcX, srcY) of the frame to (x, y) of target,
    // scaled by the context's presentation scale.
    int (*present)(void* target, int x, int y, int w, int h, SproxContext* context, int srcX,
                   int srcY);
    // Copies the w x h rectangle at (srcX, srcY) of source's frame to (x, y) of
    // destination's frame.
    int (*copyFrom)(SproxContext* destination, int x, int y, int w, int h, SproxContext* source,
                    int srcX, int srcY);
};

extern int32_t gBackend;
extern BackendOps gOps;

// Installs the op table for gBackend.
void InstallOps();

// Brings a context's bits, hdc, direction, stride, pitch, topOffset and clip in
// line with the back-end.
void RefreshDescription(SproxContext* context);

// RefreshDescription for every registered context (after a back-end switch).
void RefreshAllDescriptions();

// A locked frame: pixel (x, y) is at bits + topOffset + y * pitch + x.
struct FrameView {
    int32_t width;
    int32_t height;
    uint8_t* bits;
    int32_t topOffset;
    int32_t pitch;
    SproxRect clip;
};

// Locks the frame and describes it (1), or zeroes the view (0). After 1 the caller
// unlocks through gOps.unlock.
int LockFrameView(FrameView* view, SproxContext* context);

} // namespace sprox
