// Process-wide DirectDraw state: the entry point found at start-up, the objects
// that exist while a context owns the screen, and the description record that
// surface locks fill; and the display modes full screen may choose from.
#pragma once

#include <cstdint>

#include "sprox.h"
#include "sprox/sys/ddraw.h"

namespace sprox {

// DirectDrawCreate as resolved by the first SX_Init; null when DirectDraw is missing.
extern void* gDirectDrawCreate;

// The DirectDraw object, the primary surface and its back buffer (page flipping
// only); all null outside full screen.
extern void* gDirectDraw;
extern sys::Surface gPrimary;
extern sys::Surface gBackBuffer;

// Filled by every surface lock; its size field stays kSurfaceDescSize.
extern sys::SurfaceDesc gSurfaceDesc;

// The context that owns full screen, or null.
extern SproxContext* gFullScreenOwner;

// The 8-bit display modes of the machine, in the order it enumerates them; filled
// the first time DirectDraw is had and never emptied.
struct DisplayMode {
    uint32_t width;
    uint32_t height;
};
inline constexpr int32_t kMaxDisplayModes = 64;
extern DisplayMode gDisplayModes[kMaxDisplayModes];
extern int32_t gDisplayModeCount;

} // namespace sprox
