// The implementations behind the op table, one row per back-end, and the
// presentation scale they share.
#pragma once

#include <cstdint>

#include "sprox/display/backend.h"

namespace sprox {

// Back-ends 0 to 2: the frame memory is always addressable.
int GdiLock(SproxContext* context);
void GdiUnlock(SproxContext* context);
void* GdiGetDC(SproxContext* context);
void GdiReleaseDC(SproxContext* context);

int PlainDibPresent(void* target, int x, int y, int w, int h, SproxContext* context, int srcX,
                    int srcY);
int PlainDibCopy(SproxContext* destination, int x, int y, int w, int h, SproxContext* source,
                 int srcX, int srcY);
int WinGPresent(void* target, int x, int y, int w, int h, SproxContext* context, int srcX,
                int srcY);
int WinGCopy(SproxContext* destination, int x, int y, int w, int h, SproxContext* source,
             int srcX, int srcY);
int DibSectionPresent(void* target, int x, int y, int w, int h, SproxContext* context, int srcX,
                      int srcY);
int DibSectionCopy(SproxContext* destination, int x, int y, int w, int h, SproxContext* source,
                   int srcX, int srcY);

// Back-end 3: the frame lives in the context's DirectDraw surface.
int SurfaceLock(SproxContext* context);
void SurfaceUnlock(SproxContext* context);
void* SurfaceGetDC(SproxContext* context);
void SurfaceReleaseDC(SproxContext* context);
int SurfacePresent(void* target, int x, int y, int w, int h, SproxContext* context, int srcX,
                   int srcY);
int SurfaceCopy(SproxContext* destination, int x, int y, int w, int h, SproxContext* source,
                int srcX, int srcY);

inline constexpr BackendOps kBackendOps[4] = {
    {GdiLock, GdiUnlock, GdiGetDC, GdiReleaseDC, PlainDibPresent, PlainDibCopy},
    {GdiLock, GdiUnlock, GdiGetDC, GdiReleaseDC, WinGPresent, WinGCopy},
    {GdiLock, GdiUnlock, GdiGetDC, GdiReleaseDC, DibSectionPresent, DibSectionCopy},
    {SurfaceLock, SurfaceUnlock, SurfaceGetDC, SurfaceReleaseDC, SurfacePresent, SurfaceCopy},
};

// A destination coordinate or extent under the presentation scale: scale 1 keeps
// it, 0 halves it, n multiplies it by n (v * f / 2 with f = 2 * scale, or 1 for
// scale 0, rounded toward zero). Saturates instead of overflowing.
int32_t Scaled(int64_t v, int32_t scale);

} // namespace sprox
