// The DirectDraw facility on SDL: surfaces are 8-bit SDL surfaces in memory, and
// palettes are SDL_Palette objects. Memory is never lost, so Restore always
// succeeds; memory surfaces form no flipping chain, so Flip is refused.
#pragma once

#include <SDL2/SDL.h>

#include <unordered_map>

#include "sprox/sys/ddraw.h"
#include "sprox/sys/sdl/sdl_gdi.h"

namespace sys {

class SdlDirectDraw : public DirectDraw {
public:
    explicit SdlDirectDraw(SdlGdi& gdi) : gdi_(gdi) {}
    ~SdlDirectDraw() override;

    // A w x h 8-bit surface in memory, or null.
    Surface CreateMemorySurface(int width, int height);

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

private:
    struct State {
        bool locked = false;
        Handle dc = nullptr;
    };
    SDL_Surface* Find(Surface surface);

    SdlGdi& gdi_;
    std::unordered_map<SDL_Surface*, State> surfaces_;
};

} // namespace sys
