#include "sprox/sys/sdl/sdl_ddraw.h"

namespace sys {
namespace {

Box BoxOf(const SproxRect* rect, const SDL_Surface* surface)
{
    if (rect == nullptr) {
        return {0, 0, surface->w, surface->h};
    }
    return {rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top};
}

IndexedImage ImageOf(SDL_Surface* surface)
{
    return ImageOver(static_cast<uint8_t*>(surface->pixels), surface->w, surface->h,
                     surface->pitch, false);
}

} // namespace

SdlDirectDraw::~SdlDirectDraw()
{
    for (auto& [surface, state] : surfaces_) {
        SDL_FreeSurface(surface);
    }
}

SDL_Surface* SdlDirectDraw::Find(Surface surface)
{
    auto* s = static_cast<SDL_Surface*>(surface);
    return surfaces_.count(s) != 0 ? s : nullptr;
}

Surface SdlDirectDraw::CreateMemorySurface(int width, int height)
{
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormat(0, width, height, 8, SDL_PIXELFORMAT_INDEX8);
    if (surface != nullptr) {
        surfaces_[surface] = {};
    }
    return surface;
}

Result SdlDirectDraw::Lock(Surface surface, SurfaceDesc* desc, uint32_t)
{
    SDL_Surface* s = Find(surface);
    if (s == nullptr || surfaces_[s].locked) {
        return kDDErrGeneric;
    }
    surfaces_[s].locked = true;
    desc->width = static_cast<uint32_t>(s->w);
    desc->height = static_cast<uint32_t>(s->h);
    desc->pitch = s->pitch;
    desc->surface = static_cast<uint8_t*>(s->pixels);
    return kDDOk;
}

Result SdlDirectDraw::Unlock(Surface surface)
{
    SDL_Surface* s = Find(surface);
    if (s == nullptr || !surfaces_[s].locked) {
        return kDDErrGeneric;
    }
    surfaces_[s].locked = false;
    return kDDOk;
}

Result SdlDirectDraw::GetDC(Surface surface, Handle* dc)
{
    SDL_Surface* s = Find(surface);
    if (s == nullptr || surfaces_[s].dc != nullptr) {
        return kDDErrGeneric;
    }
    surfaces_[s].dc = gdi_.MakeDC(s);
    *dc = surfaces_[s].dc;
    return kDDOk;
}

Result SdlDirectDraw::ReleaseDC(Surface surface, Handle dc)
{
    SDL_Surface* s = Find(surface);
    if (s == nullptr || surfaces_[s].dc == nullptr || surfaces_[s].dc != dc) {
        return kDDErrGeneric;
    }
    gdi_.DeleteDC(dc);
    surfaces_[s].dc = nullptr;
    return kDDOk;
}

Result SdlDirectDraw::Blt(Surface dst, const SproxRect* dstRect, Surface src,
                          const SproxRect* srcRect, uint32_t)
{
    SDL_Surface* to = Find(dst);
    SDL_Surface* from = Find(src);
    if (to == nullptr || from == nullptr) {
        return kDDErrGeneric;
    }
    StretchToImage(ImageOf(from), BoxOf(srcRect, from), ImageOf(to), BoxOf(dstRect, to));
    return kDDOk;
}

Result SdlDirectDraw::ColorFill(Surface dst, const SproxRect* rect, uint32_t colour, uint32_t)
{
    SDL_Surface* s = Find(dst);
    if (s == nullptr) {
        return kDDErrGeneric;
    }
    Box box = BoxOf(rect, s);
    SDL_Rect area = {box.x, box.y, box.w, box.h};
    return SDL_FillRect(s, &area, colour) == 0 ? kDDOk : kDDErrGeneric;
}

Result SdlDirectDraw::Flip(Surface, Surface, uint32_t) { return kDDErrGeneric; }

Result SdlDirectDraw::Restore(Surface surface)
{
    return Find(surface) != nullptr ? kDDOk : kDDErrGeneric;
}

// Surfaces are freed here; any other object is a palette.
uint32_t SdlDirectDraw::Release(void* object)
{
    if (SDL_Surface* s = Find(object)) {
        if (surfaces_[s].dc != nullptr) {
            gdi_.DeleteDC(surfaces_[s].dc);
        }
        surfaces_.erase(s);
        SDL_FreeSurface(s);
    } else if (object != nullptr) {
        SDL_FreePalette(static_cast<SDL_Palette*>(object));
    }
    return 0;
}

Result SdlDirectDraw::SetPaletteEntries(Handle palette, uint32_t first, uint32_t count,
                                        const PaletteEntry* entries)
{
    auto* p = static_cast<SDL_Palette*>(palette);
    if (p == nullptr || first > static_cast<uint32_t>(p->ncolors) ||
        count > static_cast<uint32_t>(p->ncolors) - first) {
        return kDDErrGeneric;
    }
    for (uint32_t i = 0; i < count; ++i) {
        p->colors[first + i] = {entries[i].red, entries[i].green, entries[i].blue, 255};
    }
    // Tell SDL the palette changed, so that surfaces using it map again.
    SDL_SetPaletteColors(p, p->colors + first, static_cast<int>(first), static_cast<int>(count));
    return kDDOk;
}

} // namespace sys
