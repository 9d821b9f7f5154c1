#include "sprox/sys/win32/win32_ddraw.h"

#include <cstddef>

#include "sprox/sys/win32/windows_api.h"

#include <ddraw.h>

namespace sys {
namespace {

// The facility's description record and codes are the system's own.
static_assert(sizeof(SurfaceDesc) == sizeof(DDSURFACEDESC));
static_assert(offsetof(SurfaceDesc, pitch) == offsetof(DDSURFACEDESC, lPitch));
static_assert(offsetof(SurfaceDesc, surface) == offsetof(DDSURFACEDESC, lpSurface));
static_assert(offsetof(SurfaceDesc, pixelFormat) == offsetof(DDSURFACEDESC, ddpfPixelFormat));
static_assert(offsetof(SurfaceDesc, caps) == offsetof(DDSURFACEDESC, ddsCaps));
static_assert(kDDOk == DD_OK);
static_assert(kDDErrGeneric == static_cast<Result>(DDERR_GENERIC));
static_assert(kDDErrSurfaceLost == static_cast<Result>(DDERR_SURFACELOST));
static_assert(kDDErrWasStillDrawing == static_cast<Result>(DDERR_WASSTILLDRAWING));
static_assert(kDDErrWrongMode == static_cast<Result>(DDERR_WRONGMODE));
static_assert(kDDLockWait == DDLOCK_WAIT);
static_assert(kDDBltWait == DDBLT_WAIT);
static_assert(kDDFlipWait == DDFLIP_WAIT);

constexpr Result kInvalidObject = static_cast<Result>(DDERR_INVALIDOBJECT);

IDirectDrawSurface* Of(Surface surface) { return static_cast<IDirectDrawSurface*>(surface); }

// The interfaces take writable rectangles they do not write: copies are passed.
RECT* Copy(const SproxRect* rect, RECT* storage)
{
    if (rect == nullptr) {
        return nullptr;
    }
    *storage = {rect->left, rect->top, rect->right, rect->bottom};
    return storage;
}

} // namespace

Result Win32DirectDraw::Lock(Surface surface, SurfaceDesc* desc, uint32_t flags)
{
    if (surface == nullptr) {
        return kInvalidObject;
    }
    return Of(surface)->Lock(nullptr, reinterpret_cast<DDSURFACEDESC*>(desc), flags, nullptr);
}

Result Win32DirectDraw::Unlock(Surface surface)
{
    return surface != nullptr ? Of(surface)->Unlock(nullptr) : kInvalidObject;
}

Result Win32DirectDraw::GetDC(Surface surface, Handle* dc)
{
    *dc = nullptr;
    if (surface == nullptr) {
        return kInvalidObject;
    }
    HDC handle = nullptr;
    Result result = Of(surface)->GetDC(&handle);
    if (result == DD_OK) {
        *dc = handle;
    }
    return result;
}

Result Win32DirectDraw::ReleaseDC(Surface surface, Handle dc)
{
    return surface != nullptr ? Of(surface)->ReleaseDC(static_cast<HDC>(dc)) : kInvalidObject;
}

Result Win32DirectDraw::Blt(Surface dst, const SproxRect* dstRect, Surface src,
                            const SproxRect* srcRect, uint32_t flags)
{
    if (dst == nullptr || src == nullptr) {
        return kInvalidObject;
    }
    RECT to;
    RECT from;
    return Of(dst)->Blt(Copy(dstRect, &to), Of(src), Copy(srcRect, &from), flags, nullptr);
}

// A colour fill is a blit without a source whose effects record holds the colour.
Result Win32DirectDraw::ColorFill(Surface dst, const SproxRect* rect, uint32_t colour,
                                  uint32_t flags)
{
    if (dst == nullptr) {
        return kInvalidObject;
    }
    DDBLTFX effects = {};
    effects.dwSize = sizeof effects;
    effects.dwFillColor = colour;
    RECT area;
    return Of(dst)->Blt(Copy(rect, &area), nullptr, nullptr, DDBLT_COLORFILL | flags, &effects);
}

Result Win32DirectDraw::Flip(Surface surface, Surface target, uint32_t flags)
{
    return surface != nullptr ? Of(surface)->Flip(Of(target), flags) : kInvalidObject;
}

Result Win32DirectDraw::Restore(Surface surface)
{
    return surface != nullptr ? Of(surface)->Restore() : kInvalidObject;
}

// Surfaces, palettes and clippers are all released through IUnknown.
uint32_t Win32DirectDraw::Release(void* object)
{
    return object != nullptr ? static_cast<IUnknown*>(object)->Release() : 0;
}

Result Win32DirectDraw::SetPaletteEntries(Handle palette, uint32_t first, uint32_t count,
                                          const PaletteEntry* entries)
{
    if (palette == nullptr) {
        return kInvalidObject;
    }
    // The entries are only read; the interface's parameter is not const.
    auto* list = reinterpret_cast<PALETTEENTRY*>(const_cast<PaletteEntry*>(entries));
    return static_cast<IDirectDrawPalette*>(palette)->SetEntries(0, first, count, list);
}

} // namespace sys
