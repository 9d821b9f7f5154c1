// The DirectDraw facility on Windows: a surface of the facility is the system's
// IDirectDrawSurface, a palette its IDirectDrawPalette, and every operation is the
// interface's own method, answering its result code. A null surface or palette
// answers DDERR_INVALIDOBJECT without a call. Free of windows.h.
#pragma once

#include "sprox/sys/ddraw.h"

namespace sys {

class Win32DirectDraw : public DirectDraw {
public:
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
    Result SetPaletteEntries(Handle palette, uint32_t first, uint32_t count,
                             const PaletteEntry* entries) override;
};

} // namespace sys
