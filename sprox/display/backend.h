// sprox/display/: the display subsystem: back-ends, screen modes, frame size,
// painting and clearing, the palette. May include blit/, core/ and sys/ (never
// pattern/, which draws into its frames).
//
// Display back-ends: where a context's frame memory lives and how it reaches the
// screen, behind one process-wide table of six operations.
#pragma once

#include <cstdint>

#include "sprox.h"
#include "sprox/sys/ddraw.h"
#include "sprox/sys/gdi.h"

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

// The 8-bit display modes of the machine, in the order it enumerates them.
struct DisplayMode {
    uint32_t width;
    uint32_t height;
};
inline constexpr int32_t kMaxDisplayModes = 64;

// All the display subsystem keeps, process-wide.
struct DisplayState {
    int32_t backend = kBackendPlainDib;
    BackendOps ops{};         // the table of `backend`, installed by InstallOps
    // The logical palette the identity-palette builder fills.
    sys::LogPalette logPalette{};
    // DirectDrawCreate as resolved by the first SX_Init; null when DirectDraw is missing.
    void* directDrawCreate = nullptr;
    // The DirectDraw object, the primary surface and its back buffer (page flipping
    // only); all null outside full screen.
    void* directDraw = nullptr;
    sys::Surface primary = nullptr;
    sys::Surface backBuffer = nullptr;
    // Filled by every surface lock; its size field stays kSurfaceDescSize.
    sys::SurfaceDesc surfaceDesc{};
    // The context that owns full screen, or null.
    SproxContext* fullScreenOwner = nullptr;
    // Filled the first time DirectDraw is had and never emptied.
    DisplayMode modes[kMaxDisplayModes]{};
    int32_t modeCount = 0;
};

extern DisplayState gDisplay;

// Installs the op table for gDisplay.backend.
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
// unlocks through gDisplay.ops.unlock.
int LockFrameView(FrameView* view, SproxContext* context);

} // namespace sprox
