// Back-end 3: while a context owns the screen, every frame lives in a DirectDraw
// surface. Locks nest through lockCount so that nested drawing shares one surface
// lock; a surface lost to a mode switch is restored once and locked again.
#include <algorithm>

#include "sprox/display/backend.h"
#include "sprox/display/backend_ops.h"
#include "sprox/sys/ddraw.h"
#include "sprox/sys/machine.h"

namespace sprox {
namespace {

// Restores the primary surface (when there is one), then the frame's surface.
bool RestoreSurfaces(sys::DirectDraw* dd, sys::Surface surface)
{
    if (gDisplay.primary != nullptr && dd->Restore(gDisplay.primary) != sys::kDDOk) {
        return false;
    }
    return dd->Restore(surface) == sys::kDDOk;
}

// Copies the w x h rectangle at (srcX, srcY) of the context's surface to (x, y) of
// target, clipped to the frame, scaled by the context's presentation scale.
int BlitSurface(sys::DirectDraw* dd, sys::Surface target, int x, int y, int w, int h,
                SproxContext* context, int srcX, int srcY)
{
    int64_t left = srcX;
    int64_t top = srcY;
    int64_t dstX = x;
    int64_t dstY = y;
    if (left < 0) {
        dstX -= left;
        left = 0;
    }
    int64_t right = std::min<int64_t>(int64_t{srcX} + w, context->width);
    if (right <= left) {
        return 0;
    }
    if (top < 0) {
        dstY -= top;
        top = 0;
    }
    int64_t bottom = std::min<int64_t>(int64_t{srcY} + h, context->height);
    if (top >= bottom) {
        return 0;
    }
    // The destination covers the clipped source, so that a clipped piece is not
    // stretched over the unclipped size.
    int scale = context->scale;
    SproxRect dst = {Scaled(dstX, scale), Scaled(dstY, scale),
                     Scaled(dstX + (right - left), scale), Scaled(dstY + (bottom - top), scale)};
    SproxRect src = {static_cast<int32_t>(left), static_cast<int32_t>(top),
                     static_cast<int32_t>(right), static_cast<int32_t>(bottom)};
    return dd->Blt(target, &dst, context->surface, &src, sys::kDDBltWait);
}

} // namespace

int SurfaceLock(SproxContext* context)
{
    if (context->lockCount != 0) {
        ++context->lockCount;
        return 1;
    }
    sys::DirectDraw* dd = sys::M().ddraw();
    if (dd == nullptr || context->surface == nullptr) {
        return 0;
    }
    gDisplay.surfaceDesc.flags = 0;
    sys::Result result = dd->Lock(context->surface, &gDisplay.surfaceDesc, sys::kDDLockWait);
    if (result == sys::kDDErrSurfaceLost && RestoreSurfaces(dd, context->surface)) {
        gDisplay.surfaceDesc.flags = 0;
        result = dd->Lock(context->surface, &gDisplay.surfaceDesc, sys::kDDLockWait);
    }
    if (result != sys::kDDOk) {
        return 0;
    }
    context->topOffset = 0;
    context->bits = gDisplay.surfaceDesc.surface;
    context->pitch = gDisplay.surfaceDesc.pitch;
    context->stride = gDisplay.surfaceDesc.pitch;
    ++context->lockCount;
    return 1;
}

void SurfaceUnlock(SproxContext* context)
{
    if (context->lockCount <= 0) {
        return;
    }
    if (--context->lockCount == 0) {
        if (sys::DirectDraw* dd = sys::M().ddraw()) {
            dd->Unlock(context->surface);
        }
        context->bits = nullptr;
        context->pitch = 0;
        context->stride = 0;
    }
}

void* SurfaceGetDC(SproxContext* context)
{
    if (context->hdc != nullptr) {
        return context->hdc;
    }
    sys::DirectDraw* dd = sys::M().ddraw();
    if (dd == nullptr || context->surface == nullptr) {
        return nullptr;
    }
    sys::Handle dc = nullptr;
    sys::Result result;
    do {
        result = dd->GetDC(context->surface, &dc);
    } while (result == sys::kDDErrWasStillDrawing);
    context->hdc = result == sys::kDDOk ? dc : nullptr;
    return context->hdc;
}

void SurfaceReleaseDC(SproxContext* context)
{
    if (context->hdc == nullptr) {
        return;
    }
    if (sys::DirectDraw* dd = sys::M().ddraw()) {
        dd->ReleaseDC(context->surface, context->hdc);
    }
    context->hdc = nullptr;
}

// The target DC is not used: the destination is the screen's primary surface. A
// page-flipping owner presenting its whole back buffer at (0, 0) flips instead.
int SurfacePresent(void*, int x, int y, int w, int h, SproxContext* context, int srcX, int srcY)
{
    sys::DirectDraw* dd = sys::M().ddraw();
    if (dd == nullptr || context->surface == nullptr || gDisplay.primary == nullptr) {
        return sys::kDDErrGeneric;
    }
    if (x == 0 && y == 0 && context->surface == gDisplay.backBuffer && context->scale == 1) {
        return dd->Flip(gDisplay.primary, nullptr, sys::kDDFlipWait);
    }
    return BlitSurface(dd, gDisplay.primary, x, y, w, h, context, srcX, srcY);
}

int SurfaceCopy(SproxContext* destination, int x, int y, int w, int h, SproxContext* source,
                int srcX, int srcY)
{
    sys::DirectDraw* dd = sys::M().ddraw();
    if (dd == nullptr || source->surface == nullptr || destination->surface == nullptr) {
        return sys::kDDErrGeneric;
    }
    return BlitSurface(dd, destination->surface, x, y, w, h, source, srcX, srcY);
}

} // namespace sprox
