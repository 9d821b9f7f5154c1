// Reading SDL surfaces back in the SDL machine's tests: the colour each index is
// given, and what a pixel of a surface of any depth holds.
#pragma once

#include <SDL2/SDL.h>

namespace sdltest {

// The colour the tests give to each index.
inline SDL_Color ColourOf(int i)
{
    return {static_cast<Uint8>(i * 3), static_cast<Uint8>(255 - i), static_cast<Uint8>(i * 7), 255};
}

// A colour as a surface of this format holds it (16-bit formats drop low bits).
inline SDL_Color AsStored(const SDL_PixelFormat* format, SDL_Color c)
{
    SDL_GetRGB(SDL_MapRGB(format, c.r, c.g, c.b), format, &c.r, &c.g, &c.b);
    return c;
}

// The raw value of a pixel, in the surface's own format.
inline Uint32 ValueAt(SDL_Surface* s, int x, int y)
{
    const Uint8* p = static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    switch (s->format->BytesPerPixel) {
    case 1: return *p;
    case 2: return *reinterpret_cast<const Uint16*>(p);
    case 3: return SDL_BYTEORDER == SDL_LIL_ENDIAN ? p[0] | p[1] << 8 | p[2] << 16
                                                   : p[2] | p[1] << 8 | p[0] << 16;
    default: return *reinterpret_cast<const Uint32*>(p);
    }
}

// The colour a pixel of a surface shows.
inline SDL_Color PixelAt(SDL_Surface* s, int x, int y)
{
    SDL_Color c{0, 0, 0, 255};
    SDL_GetRGB(ValueAt(s, x, y), s->format, &c.r, &c.g, &c.b);
    return c;
}

} // namespace sdltest
