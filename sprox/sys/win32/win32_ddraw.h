// The DirectDraw facility on Windows: the DirectDraw object is the system's
// IDirectDraw made by the DirectDrawCreate that start-up resolved, a surface of
// the facility is its IDirectDrawSurface, a palette its IDirectDrawPalette, a
// clipper its IDirectDrawClipper, and every operation is the interface's own
// method, answering its result code unchanged. A null object, surface, palette or
// clipper to act on answers DDERR_INVALIDOBJECT without a call (a null palette or
// clipper given to a surface takes its attached one off), and what a failed call
// would have made is null. Free of windows.h.
#pragma once

#include "sprox/sys/ddraw.h"

namespace sys {

class Win32DirectDraw : public DirectDraw {
public:
    Result DirectDrawCreate(void* entry, Handle* object) override;
    Result SetCooperativeLevel(Handle object, Handle window, uint32_t flags) override;
    Result EnumDisplayModes(Handle object, uint32_t flags, const SurfaceDesc* filter,
                            void* context, EnumModesCallback callback) override;
    Result SetDisplayMode(Handle object, uint32_t width, uint32_t height,
                          uint32_t bitsPerPixel) override;
    Result RestoreDisplayMode(Handle object) override;
    Result CreateSurface(Handle object, const SurfaceDesc* desc, Surface* surface) override;
    Result GetAttachedSurface(Surface surface, uint32_t caps, Surface* attached) override;
    Result FlipToGDISurface(Handle object) override;
    Result Lock(Surface surface, SurfaceDesc* desc, uint32_t flags) override;
    Result Unlock(Surface surface) override;
    Result GetDC(Surface surface, Handle* dc) override;
    Result ReleaseDC(Surface surface, Handle dc) override;
    Result Blt(Surface dst, const SproxRect* dstRect, Surface src, const SproxRect* srcRect,
               uint32_t flags) override;
    Result ColorFill(Surface dst, const SproxRect* rect, uint32_t colour, uint32_t flags) override;
    Result Flip(Surface surface, Surface target, uint32_t flags) override;
    Result Restore(Surface surface) override;
    uint32_t Release(void* object) override;
    Result CreatePalette(Handle object, uint32_t flags, const PaletteEntry* entries,
                         Handle* palette) override;
    Result SetPaletteEntries(Handle palette, uint32_t first, uint32_t count,
                             const PaletteEntry* entries) override;
    Result GetPaletteEntries(Handle palette, uint32_t first, uint32_t count,
                             PaletteEntry* entries) override;
    Result SetPalette(Surface surface, Handle palette) override;
    Result CreateClipper(Handle object, uint32_t flags, Handle* clipper) override;
    Result SetClipperWindow(Handle clipper, uint32_t flags, Handle window) override;
    Result SetClipper(Surface surface, Handle clipper) override;
};

} // namespace sys
