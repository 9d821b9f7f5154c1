#include "sprox/sys/win32/win32_ddraw.h"

#include <cstddef>
#include <cstring>

#include "sprox/sys/win32/win32_entries.h"
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
static_assert(kDDErrInvalidParams == static_cast<Result>(DDERR_INVALIDPARAMS));
static_assert(kDDErrInvalidMode == static_cast<Result>(DDERR_INVALIDMODE));
static_assert(kDDErrNoExclusiveMode == static_cast<Result>(DDERR_NOEXCLUSIVEMODE));
static_assert(kDDErrOutOfVideoMemory == static_cast<Result>(DDERR_OUTOFVIDEOMEMORY));
static_assert(kDDErrNotFlippable == static_cast<Result>(DDERR_NOTFLIPPABLE));
static_assert(kDDErrPrimaryExists == static_cast<Result>(DDERR_PRIMARYSURFACEALREADYEXISTS));
static_assert(kDDErrUnsupportedMode == static_cast<Result>(DDERR_UNSUPPORTEDMODE));
static_assert(kDDLockWait == DDLOCK_WAIT);
static_assert(kDDBltWait == DDBLT_WAIT);
static_assert(kDDFlipWait == DDFLIP_WAIT);
static_assert(kDDSclFullScreen == DDSCL_FULLSCREEN);
static_assert(kDDSclNormal == DDSCL_NORMAL);
static_assert(kDDSclExclusive == DDSCL_EXCLUSIVE);
static_assert(kDDSclAllowModeX == DDSCL_ALLOWMODEX);
static_assert(kDDSdCaps == DDSD_CAPS && kDDSdHeight == DDSD_HEIGHT && kDDSdWidth == DDSD_WIDTH);
static_assert(kDDSdPitch == DDSD_PITCH && kDDSdBackBufferCount == DDSD_BACKBUFFERCOUNT);
static_assert(kDDSdPixelFormat == DDSD_PIXELFORMAT);
static_assert(kDDSCapsBackBuffer == DDSCAPS_BACKBUFFER && kDDSCapsComplex == DDSCAPS_COMPLEX);
static_assert(kDDSCapsFlip == DDSCAPS_FLIP && kDDSCapsOffscreenPlain == DDSCAPS_OFFSCREENPLAIN);
static_assert(kDDSCapsPrimarySurface == DDSCAPS_PRIMARYSURFACE);
static_assert(kDDSCapsSystemMemory == DDSCAPS_SYSTEMMEMORY);
static_assert(kDDSCapsVideoMemory == DDSCAPS_VIDEOMEMORY);
static_assert(kDDPfPaletteIndexed8 == DDPF_PALETTEINDEXED8 && kDDPfRgb == DDPF_RGB);
static_assert(kDDPCaps8Bit == DDPCAPS_8BIT && kDDPCapsAllow256 == DDPCAPS_ALLOW256);
static_assert(kDDEnumRetCancel == DDENUMRET_CANCEL && kDDEnumRetOk == DDENUMRET_OK);
static_assert(sizeof(PaletteEntry) == sizeof(PALETTEENTRY));
static_assert(offsetof(PaletteEntry, red) == offsetof(PALETTEENTRY, peRed));
static_assert(offsetof(PaletteEntry, blue) == offsetof(PALETTEENTRY, peBlue));
static_assert(offsetof(PaletteEntry, flags) == offsetof(PALETTEENTRY, peFlags));

constexpr Result kInvalidObject = static_cast<Result>(DDERR_INVALIDOBJECT);
constexpr Result kInvalidParams = static_cast<Result>(DDERR_INVALIDPARAMS);

using DirectDrawCreateEntry = HRESULT(WINAPI*)(GUID*, IDirectDraw**, IUnknown*);

IDirectDraw* ObjectOf(Handle object) { return static_cast<IDirectDraw*>(object); }
IDirectDrawSurface* Of(Surface surface) { return static_cast<IDirectDrawSurface*>(surface); }
IDirectDrawPalette* PaletteOf(Handle palette) { return static_cast<IDirectDrawPalette*>(palette); }
IDirectDrawClipper* ClipperOf(Handle clipper) { return static_cast<IDirectDrawClipper*>(clipper); }

// The core's descriptions say they are kSurfaceDescSize bytes, the system's size
// with 32-bit pointers; a 64-bit system's record has the same fields with a wider
// pointer and asks for its own size. Any other size goes through, for the system
// to judge.
DWORD SystemSize(uint32_t size) { return size == kSurfaceDescSize ? sizeof(DDSURFACEDESC) : size; }

// The system's interfaces take writable descriptions they only read: a copy is
// passed (the layouts are the same, as checked above).
DDSURFACEDESC* Copy(const SurfaceDesc* desc, DDSURFACEDESC* storage)
{
    if (desc == nullptr) {
        return nullptr;
    }
    std::memcpy(storage, desc, sizeof *storage);
    storage->dwSize = SystemSize(desc->size);
    return storage;
}

// The C++ callback of a mode enumeration and its context, carried through the
// system's stdcall callback.
struct ModeCallback {
    EnumModesCallback callback;
    void* context;
};

HRESULT WINAPI ForwardMode(DDSURFACEDESC* mode, void* carried)
{
    const auto* forward = static_cast<const ModeCallback*>(carried);
    return forward->callback(reinterpret_cast<const SurfaceDesc*>(mode), forward->context);
}

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

// The entry is called only while its module is loaded: an address left over from
// a library that was freed is refused instead of jumped to.
Result Win32DirectDraw::DirectDrawCreate(void* entry, Handle* object)
{
    *object = nullptr;
    if (entry == nullptr || !AddressInLoadedModule(entry)) {
        return kInvalidParams;
    }
    IDirectDraw* directDraw = nullptr;
    Result result = reinterpret_cast<DirectDrawCreateEntry>(entry)(nullptr, &directDraw, nullptr);
    if (result == DD_OK) {
        *object = directDraw;
    }
    return result;
}

Result Win32DirectDraw::SetCooperativeLevel(Handle object, Handle window, uint32_t flags)
{
    if (object == nullptr) {
        return kInvalidObject;
    }
    return ObjectOf(object)->SetCooperativeLevel(static_cast<HWND>(window), flags);
}

Result Win32DirectDraw::EnumDisplayModes(Handle object, uint32_t flags, const SurfaceDesc* filter,
                                         void* context, EnumModesCallback callback)
{
    if (object == nullptr) {
        return kInvalidObject;
    }
    if (callback == nullptr) {
        return kInvalidParams;
    }
    DDSURFACEDESC storage;
    ModeCallback forward = {callback, context};
    return ObjectOf(object)->EnumDisplayModes(flags, Copy(filter, &storage), &forward,
                                              ForwardMode);
}

Result Win32DirectDraw::SetDisplayMode(Handle object, uint32_t width, uint32_t height,
                                       uint32_t bitsPerPixel)
{
    if (object == nullptr) {
        return kInvalidObject;
    }
    return ObjectOf(object)->SetDisplayMode(width, height, bitsPerPixel);
}

Result Win32DirectDraw::RestoreDisplayMode(Handle object)
{
    return object != nullptr ? ObjectOf(object)->RestoreDisplayMode() : kInvalidObject;
}

Result Win32DirectDraw::CreateSurface(Handle object, const SurfaceDesc* desc, Surface* surface)
{
    *surface = nullptr;
    if (object == nullptr) {
        return kInvalidObject;
    }
    if (desc == nullptr) {
        return kInvalidParams;
    }
    DDSURFACEDESC storage;
    IDirectDrawSurface* made = nullptr;
    Result result = ObjectOf(object)->CreateSurface(Copy(desc, &storage), &made, nullptr);
    if (result == DD_OK) {
        *surface = made;
    }
    return result;
}

// As the system's call, this adds a reference to the attached surface; a back
// buffer still goes away with the primary surface that owns it.
Result Win32DirectDraw::GetAttachedSurface(Surface surface, uint32_t caps, Surface* attached)
{
    *attached = nullptr;
    if (surface == nullptr) {
        return kInvalidObject;
    }
    DDSCAPS wanted = {caps};
    IDirectDrawSurface* found = nullptr;
    Result result = Of(surface)->GetAttachedSurface(&wanted, &found);
    if (result == DD_OK) {
        *attached = found;
    }
    return result;
}

Result Win32DirectDraw::FlipToGDISurface(Handle object)
{
    return object != nullptr ? ObjectOf(object)->FlipToGDISurface() : kInvalidObject;
}

Result Win32DirectDraw::Lock(Surface surface, SurfaceDesc* desc, uint32_t flags)
{
    if (surface == nullptr) {
        return kInvalidObject;
    }
    if (desc == nullptr) {
        return Of(surface)->Lock(nullptr, nullptr, flags, nullptr);
    }
    uint32_t size = desc->size;
    desc->size = SystemSize(size);
    Result result = Of(surface)->Lock(nullptr, reinterpret_cast<DDSURFACEDESC*>(desc), flags, nullptr);
    desc->size = size;
    return result;
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

// The DirectDraw object, surfaces, palettes and clippers are all released through
// IUnknown.
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
    return PaletteOf(palette)->SetEntries(0, first, count, list);
}

Result Win32DirectDraw::CreatePalette(Handle object, uint32_t flags, const PaletteEntry* entries,
                                      Handle* palette)
{
    *palette = nullptr;
    if (object == nullptr) {
        return kInvalidObject;
    }
    // The entries are only read; the interface's parameter is not const.
    auto* list = reinterpret_cast<PALETTEENTRY*>(const_cast<PaletteEntry*>(entries));
    IDirectDrawPalette* made = nullptr;
    Result result = ObjectOf(object)->CreatePalette(flags, list, &made, nullptr);
    if (result == DD_OK) {
        *palette = made;
    }
    return result;
}

Result Win32DirectDraw::GetPaletteEntries(Handle palette, uint32_t first, uint32_t count,
                                          PaletteEntry* entries)
{
    if (palette == nullptr) {
        return kInvalidObject;
    }
    return PaletteOf(palette)->GetEntries(0, first, count,
                                          reinterpret_cast<PALETTEENTRY*>(entries));
}

// A null palette or clipper takes the one attached to the surface off it.
Result Win32DirectDraw::SetPalette(Surface surface, Handle palette)
{
    return surface != nullptr ? Of(surface)->SetPalette(PaletteOf(palette)) : kInvalidObject;
}

Result Win32DirectDraw::CreateClipper(Handle object, uint32_t flags, Handle* clipper)
{
    *clipper = nullptr;
    if (object == nullptr) {
        return kInvalidObject;
    }
    IDirectDrawClipper* made = nullptr;
    Result result = ObjectOf(object)->CreateClipper(flags, &made, nullptr);
    if (result == DD_OK) {
        *clipper = made;
    }
    return result;
}

Result Win32DirectDraw::SetClipperWindow(Handle clipper, uint32_t flags, Handle window)
{
    if (clipper == nullptr) {
        return kInvalidObject;
    }
    return ClipperOf(clipper)->SetHWnd(flags, static_cast<HWND>(window));
}

Result Win32DirectDraw::SetClipper(Surface surface, Handle clipper)
{
    return surface != nullptr ? Of(surface)->SetClipper(ClipperOf(clipper)) : kInvalidObject;
}

} // namespace sys
