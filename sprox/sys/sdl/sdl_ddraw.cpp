#include "sprox/sys/sdl/sdl_ddraw.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

namespace sys {
namespace {

constexpr uint32_t kExclusiveFullScreen = kDDSclExclusive | kDDSclFullScreen;

Box BoxOf(const SproxRect* rect, int width, int height)
{
    if (rect == nullptr) {
        return {0, 0, width, height};
    }
    return {rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top};
}

IndexedImage ImageOf(SDL_Surface* surface)
{
    return ImageOver(static_cast<uint8_t*>(surface->pixels), surface->w, surface->h,
                     surface->pitch, false);
}

enum class FullScreenKind { kScaled, kWholeFactors, kExclusive };

// How full screen is made: SPROX_FULLSCREEN, read the first time it matters.
FullScreenKind Kind()
{
    static const FullScreenKind kind = [] {
        const char* value = std::getenv("SPROX_FULLSCREEN");
        std::string_view asked = value != nullptr ? value : "";
        if (asked == "exclusive") {
            return FullScreenKind::kExclusive;
        }
        return asked == "integer" ? FullScreenKind::kWholeFactors : FullScreenKind::kScaled;
    }();
    return kind;
}

struct Size {
    int width;
    int height;
};

// The sizes games of this system ask for, smallest first.
constexpr Size kClassicSizes[] = {{320, 200}, {320, 240}, {400, 300}, {512, 384},
                                  {640, 400}, {640, 480}, {800, 600}, {1024, 768}};

// The modes offered on a display, each size once: SDL's own when modes are really
// switched, else the classic sizes that fit on the desktop and the desktop's own
// size, all at the desktop's rate.
std::vector<SDL_DisplayMode> ModesOf(int display)
{
    std::vector<SDL_DisplayMode> modes;
    auto add = [&modes](const SDL_DisplayMode& mode) {
        bool seen = std::any_of(modes.begin(), modes.end(), [&](const SDL_DisplayMode& m) {
            return m.w == mode.w && m.h == mode.h;
        });
        if (mode.w > 0 && mode.h > 0 && !seen) {
            modes.push_back(mode);
        }
    };
    SDL_DisplayMode mode;
    if (Kind() == FullScreenKind::kExclusive) {
        int count = SDL_GetNumDisplayModes(display);
        for (int i = 0; i < count; ++i) {
            if (SDL_GetDisplayMode(display, i, &mode) == 0) {
                add(mode);
            }
        }
        return modes;
    }
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(display, &desktop) != 0) {
        return modes;
    }
    for (Size size : kClassicSizes) {
        if (size.width <= desktop.w && size.height <= desktop.h) {
            mode = desktop;
            mode.w = size.width;
            mode.h = size.height;
            add(mode);
        }
    }
    add(desktop);
    return modes;
}

// Where a w x h picture is shown in an area of the given size: as large as fits
// with its shape kept (by a whole factor of at least 1 when asked), centred.
SDL_Rect PictureIn(int w, int h, int areaW, int areaH)
{
    int64_t shownW = w;
    int64_t shownH = h;
    if (Kind() == FullScreenKind::kWholeFactors) {
        int64_t factor = std::max(1, std::min(areaW / w, areaH / h));
        shownW *= factor;
        shownH *= factor;
    } else if (int64_t{areaW} * h <= int64_t{areaH} * w) {
        shownW = areaW;
        shownH = int64_t{areaW} * h / w;
    } else {
        shownW = int64_t{areaH} * w / h;
        shownH = areaH;
    }
    return {static_cast<int>((areaW - shownW) / 2), static_cast<int>((areaH - shownH) / 2),
            static_cast<int>(shownW), static_cast<int>(shownH)};
}

// The first of the shown pixels (0 to shown - 1) whose nearest picture pixel (of
// 0 to size - 1) is at or after picture pixel p.
int FirstShowing(int p, int size, int shown)
{
    return static_cast<int>((int64_t{p} * shown + size - 1) / size);
}

// The display a window lies on (the first one when SDL cannot tell).
int DisplayOf(SDL_Window* window)
{
    int display = window != nullptr ? SDL_GetWindowDisplayIndex(window) : 0;
    return display >= 0 ? display : 0;
}

template <typename Map>
typename Map::mapped_type::pointer FindIn(Map& map, const void* handle)
{
    auto it = map.find(handle);
    return it != map.end() ? it->second.get() : nullptr;
}

} // namespace

SdlDirectDraw::~SdlDirectDraw()
{
    for (auto& [handle, session] : sessions_) {
        SDL_FreeSurface(session->picture);
    }
    for (auto& [handle, surface] : surfaces_) {
        if (surface->memory != nullptr) {
            SDL_FreeSurface(surface->memory);
        }
    }
    for (auto& [handle, palette] : palettes_) {
        SDL_FreePalette(palette->colours);
    }
}

SdlDirectDraw::Session* SdlDirectDraw::FindSession(Handle object)
{
    return FindIn(sessions_, object);
}

SdlDirectDraw::SurfaceObject* SdlDirectDraw::FindSurface(Surface surface)
{
    return FindIn(surfaces_, surface);
}

SdlDirectDraw::SurfaceObject* SdlDirectDraw::FindMemory(Surface surface)
{
    SurfaceObject* s = FindSurface(surface);
    return s != nullptr && s->memory != nullptr ? s : nullptr;
}

SdlDirectDraw::PaletteObject* SdlDirectDraw::FindPalette(Handle palette)
{
    return FindIn(palettes_, palette);
}

SdlDirectDraw::ClipperObject* SdlDirectDraw::FindClipper(Handle clipper)
{
    return FindIn(clippers_, clipper);
}

SdlDirectDraw::SurfaceObject* SdlDirectDraw::AddMemorySurface(int width, int height)
{
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    SDL_Surface* memory =
        SDL_CreateRGBSurfaceWithFormat(0, width, height, 8, SDL_PIXELFORMAT_INDEX8);
    if (memory == nullptr) {
        return nullptr;
    }
    auto surface = std::make_unique<SurfaceObject>();
    surface->memory = memory;
    SurfaceObject* added = surface.get();
    surfaces_[added] = std::move(surface);
    return added;
}

Surface SdlDirectDraw::CreateMemorySurface(int width, int height)
{
    return AddMemorySurface(width, height);
}

void SdlDirectDraw::FreeSurface(SurfaceObject* surface)
{
    if (surface->dc != nullptr) {
        gdi_.DeleteDC(surface->dc);
    }
    DropPalette(surface->palette);
    DropClipper(surface->clipper);
    if (surface->backBuffer != nullptr) {
        FreeSurface(surface->backBuffer);
    }
    if (surface->memory != nullptr) {
        SDL_FreeSurface(surface->memory);
    }
    surfaces_.erase(surface);
}

void SdlDirectDraw::DropPalette(PaletteObject* palette)
{
    if (palette != nullptr && --palette->refs == 0) {
        SDL_FreePalette(palette->colours);
        palettes_.erase(palette);
    }
}

void SdlDirectDraw::DropClipper(ClipperObject* clipper)
{
    if (clipper != nullptr && --clipper->refs == 0) {
        clippers_.erase(clipper);
    }
}

// The object needs no display yet: display modes and full screen ask SDL's video
// when they are used.
Result SdlDirectDraw::DirectDrawCreate(void*, Handle* object)
{
    auto session = std::make_unique<Session>();
    *object = session.get();
    sessions_[session.get()] = std::move(session);
    return kDDOk;
}

Result SdlDirectDraw::SetCooperativeLevel(Handle object, Handle window, uint32_t flags)
{
    Session* session = FindSession(object);
    if (session == nullptr) {
        return kDDErrGeneric;
    }
    if ((flags & kDDSclExclusive) != 0) {
        if (window == nullptr || (flags & kExclusiveFullScreen) != kExclusiveFullScreen) {
            return kDDErrInvalidParams;
        }
        session->window = static_cast<SDL_Window*>(window);
        session->exclusive = true;
        gdi_.SetExclusiveWindow(session->window);
        return kDDOk;
    }
    if (session->exclusive) {
        gdi_.SetExclusiveWindow(nullptr);
    }
    session->exclusive = false;
    if (window != nullptr) {
        session->window = static_cast<SDL_Window*>(window);
    }
    return kDDOk;
}

Result SdlDirectDraw::EnumDisplayModes(Handle object, uint32_t, const SurfaceDesc*, void* context,
                                       EnumModesCallback callback)
{
    Session* session = FindSession(object);
    if (session == nullptr || callback == nullptr || SDL_GetCurrentVideoDriver() == nullptr) {
        return kDDErrGeneric;
    }
    for (const SDL_DisplayMode& mode : ModesOf(DisplayOf(session->window))) {
        SurfaceDesc desc{};
        desc.flags = kDDSdWidth | kDDSdHeight | kDDSdPitch | kDDSdPixelFormat;
        desc.width = static_cast<uint32_t>(mode.w);
        desc.height = static_cast<uint32_t>(mode.h);
        desc.pitch = mode.w;
        desc.refreshRate = static_cast<uint32_t>(mode.refresh_rate);
        desc.pixelFormat.size = sizeof desc.pixelFormat;
        desc.pixelFormat.flags = kDDPfPaletteIndexed8 | kDDPfRgb;
        desc.pixelFormat.rgbBitCount = 8;
        if (callback(&desc, context) == kDDEnumRetCancel) {
            break;
        }
    }
    return kDDOk;
}

Result SdlDirectDraw::SetDisplayMode(Handle object, uint32_t width, uint32_t height, uint32_t)
{
    Session* session = FindSession(object);
    if (session == nullptr) {
        return kDDErrGeneric;
    }
    if (!session->exclusive || session->window == nullptr) {
        return kDDErrNoExclusiveMode;
    }
    int display = DisplayOf(session->window);
    std::vector<SDL_DisplayMode> modes = ModesOf(display);
    auto mode = std::find_if(modes.begin(), modes.end(), [&](const SDL_DisplayMode& m) {
        return static_cast<uint32_t>(m.w) == width && static_cast<uint32_t>(m.h) == height;
    });
    if (mode == modes.end()) {
        return kDDErrInvalidMode;
    }
    if (!session->fullScreen) {
        SDL_Rect& before = session->windowPlace;
        SDL_GetWindowPosition(session->window, &before.x, &before.y);
        SDL_GetWindowSize(session->window, &before.w, &before.h);
    }
    if (Kind() == FullScreenKind::kExclusive) {
        if (SDL_SetWindowDisplayMode(session->window, &*mode) != 0 ||
            SDL_SetWindowFullscreen(session->window, SDL_WINDOW_FULLSCREEN) != 0) {
            return kDDErrUnsupportedMode;
        }
        session->fullScreen = true;
        return kDDOk;
    }
    SDL_Surface* picture =
        SDL_CreateRGBSurfaceWithFormat(0, mode->w, mode->h, 8, SDL_PIXELFORMAT_INDEX8);
    if (picture == nullptr) {
        return kDDErrOutOfVideoMemory;
    }
    if (SDL_SetWindowFullscreen(session->window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        SDL_FreeSurface(picture);
        return kDDErrUnsupportedMode;
    }
    SDL_FreeSurface(session->picture);
    session->picture = picture;
    session->shownOn = nullptr;
    session->fullScreen = true;
    // The window covers the display from its corner.
    SDL_Rect desktop = {0, 0, 0, 0};
    SDL_GetDisplayBounds(display, &desktop);
    SDL_Rect shown = PictureIn(mode->w, mode->h, desktop.w, desktop.h);
    gdi_.SetScreenPicture(&shown);
    return kDDOk;
}

void SdlDirectDraw::LeaveFullScreen(Session& session)
{
    SDL_SetWindowFullscreen(session.window, 0);
    const SDL_Rect& before = session.windowPlace;
    if (before.w > 0 && before.h > 0) {
        SDL_SetWindowSize(session.window, before.w, before.h);
        SDL_SetWindowPosition(session.window, before.x, before.y);
    }
    if (session.picture != nullptr) {
        SDL_FreeSurface(session.picture);
        session.picture = nullptr;
        session.shownOn = nullptr;
        gdi_.SetScreenPicture(nullptr);
    }
    session.fullScreen = false;
}

Result SdlDirectDraw::RestoreDisplayMode(Handle object)
{
    Session* session = FindSession(object);
    if (session == nullptr) {
        return kDDErrGeneric;
    }
    if (session->fullScreen) {
        LeaveFullScreen(*session);
    }
    return kDDOk;
}

Result SdlDirectDraw::CreateSurface(Handle object, const SurfaceDesc* desc, Surface* surface)
{
    *surface = nullptr;
    Session* session = FindSession(object);
    if (session == nullptr || desc == nullptr) {
        return kDDErrGeneric;
    }
    uint32_t caps = (desc->flags & kDDSdCaps) != 0 ? desc->caps : 0;
    if ((caps & kDDSCapsPrimarySurface) == 0) {
        if ((desc->flags & (kDDSdWidth | kDDSdHeight)) != (kDDSdWidth | kDDSdHeight) ||
            desc->width == 0 || desc->height == 0 || desc->width > INT32_MAX ||
            desc->height > INT32_MAX) {
            return kDDErrInvalidParams;
        }
        SurfaceObject* made =
            AddMemorySurface(static_cast<int>(desc->width), static_cast<int>(desc->height));
        *surface = made;
        return made != nullptr ? kDDOk : kDDErrOutOfVideoMemory;
    }

    bool exists = std::any_of(surfaces_.begin(), surfaces_.end(),
                              [](const auto& s) { return s.second->primary; });
    if (exists) {
        return kDDErrPrimaryExists;
    }
    if (session->window == nullptr) {
        return kDDErrNoExclusiveMode;
    }
    bool flipping = (caps & kDDSCapsFlip) != 0;
    if (flipping && !session->exclusive) {
        return kDDErrNoExclusiveMode;
    }
    if (flipping && ((desc->flags & kDDSdBackBufferCount) == 0 || desc->backBufferCount != 1)) {
        return kDDErrInvalidParams;
    }
    SurfaceObject* back = nullptr;
    if (flipping) {
        SDL_Surface* screen = session->picture != nullptr ? session->picture
                                                          : SDL_GetWindowSurface(session->window);
        back = screen != nullptr ? AddMemorySurface(screen->w, screen->h) : nullptr;
        if (back == nullptr) {
            return kDDErrOutOfVideoMemory;
        }
    }
    auto primary = std::make_unique<SurfaceObject>();
    primary->primary = true;
    primary->session = session;
    primary->backBuffer = back;
    *surface = primary.get();
    surfaces_[primary.get()] = std::move(primary);
    return kDDOk;
}

Result SdlDirectDraw::GetAttachedSurface(Surface surface, uint32_t caps, Surface* attached)
{
    *attached = nullptr;
    SurfaceObject* s = FindSurface(surface);
    if (s == nullptr || (caps & kDDSCapsBackBuffer) == 0 || s->backBuffer == nullptr) {
        return kDDErrGeneric;
    }
    *attached = s->backBuffer;
    return kDDOk;
}

// The window is the surface the system draws on: it is always in front.
Result SdlDirectDraw::FlipToGDISurface(Handle object)
{
    return FindSession(object) != nullptr ? kDDOk : kDDErrGeneric;
}

Result SdlDirectDraw::Lock(Surface surface, SurfaceDesc* desc, uint32_t)
{
    SurfaceObject* s = FindMemory(surface);
    if (s == nullptr || s->locked) {
        return kDDErrGeneric;
    }
    s->locked = true;
    desc->width = static_cast<uint32_t>(s->memory->w);
    desc->height = static_cast<uint32_t>(s->memory->h);
    desc->pitch = s->memory->pitch;
    desc->surface = static_cast<uint8_t*>(s->memory->pixels);
    return kDDOk;
}

Result SdlDirectDraw::Unlock(Surface surface)
{
    SurfaceObject* s = FindMemory(surface);
    if (s == nullptr || !s->locked) {
        return kDDErrGeneric;
    }
    s->locked = false;
    return kDDOk;
}

Result SdlDirectDraw::GetDC(Surface surface, Handle* dc)
{
    SurfaceObject* s = FindMemory(surface);
    if (s == nullptr || s->dc != nullptr || s->locked) {
        return kDDErrGeneric;
    }
    s->dc = gdi_.MakeDC(s->memory);
    *dc = s->dc;
    return kDDOk;
}

Result SdlDirectDraw::ReleaseDC(Surface surface, Handle dc)
{
    SurfaceObject* s = FindMemory(surface);
    if (s == nullptr || s->dc == nullptr || s->dc != dc) {
        return kDDErrGeneric;
    }
    gdi_.DeleteDC(dc);
    s->dc = nullptr;
    return kDDOk;
}

SDL_Surface* SdlDirectDraw::Screen(const SurfaceObject& primary)
{
    if (primary.session == nullptr || primary.session->window == nullptr) {
        return nullptr;
    }
    if (primary.session->picture != nullptr) {
        return primary.session->picture;
    }
    return SDL_GetWindowSurface(primary.session->window);
}

void SdlDirectDraw::Show(const SurfaceObject& primary, SDL_Surface* screen, const SDL_Rect& area)
{
    SDL_Rect bounds = {0, 0, screen->w, screen->h};
    SDL_Rect shown;
    if (!SDL_IntersectRect(&area, &bounds, &shown)) {
        return;
    }
    if (screen == primary.session->picture) {
        ShowPicture(primary, shown);
    } else {
        SDL_UpdateWindowSurfaceRects(primary.session->window, &shown, 1);
    }
}

// Only the window pixels that show the area are drawn again, through the mapping
// of the whole picture so that they match their neighbours; on a window surface
// not drawn on before (just made, or made again at another size) the bars too.
void SdlDirectDraw::ShowPicture(const SurfaceObject& primary, const SDL_Rect& area)
{
    Session& session = *primary.session;
    SDL_Surface* window = SDL_GetWindowSurface(session.window);
    if (window == nullptr) {
        return;
    }
    SDL_Surface* picture = session.picture;
    SDL_Rect place = PictureIn(picture->w, picture->h, window->w, window->h);
    SDL_Rect redrawn = {0, 0, window->w, window->h};
    if (window != session.shownOn || window->w != session.shownSize.x ||
        window->h != session.shownSize.y) {
        SDL_FillRect(window, nullptr, SDL_MapRGB(window->format, 0, 0, 0));
        session.shownOn = window;
        session.shownSize = {window->w, window->h};
    } else {
        int left = FirstShowing(area.x, picture->w, place.w);
        int top = FirstShowing(area.y, picture->h, place.h);
        redrawn = {place.x + left, place.y + top,
                   FirstShowing(area.x + area.w, picture->w, place.w) - left,
                   FirstShowing(area.y + area.h, picture->h, place.h) - top};
    }
    SDL_SetClipRect(window, &redrawn);
    SDL_Color grey[256];
    StretchToSurface(ImageOf(picture), {0, 0, picture->w, picture->h}, Colours(primary, grey),
                     window, {place.x, place.y, place.w, place.h});
    SDL_SetClipRect(window, nullptr);
    SDL_UpdateWindowSurfaceRects(session.window, &redrawn, 1);
}

const SDL_Color* SdlDirectDraw::Colours(const SurfaceObject& primary, SDL_Color* grey)
{
    if (primary.palette != nullptr) {
        return primary.palette->colours->colors;
    }
    for (int i = 0; i < 256; ++i) {
        grey[i] = {static_cast<Uint8>(i), static_cast<Uint8>(i), static_cast<Uint8>(i), 255};
    }
    return grey;
}

Result SdlDirectDraw::Blt(Surface dst, const SproxRect* dstRect, Surface src,
                          const SproxRect* srcRect, uint32_t)
{
    SurfaceObject* to = FindSurface(dst);
    SurfaceObject* from = FindMemory(src);
    if (to == nullptr || from == nullptr) {
        return kDDErrGeneric;
    }
    Box fromBox = BoxOf(srcRect, from->memory->w, from->memory->h);
    if (!to->primary) {
        StretchToImage(ImageOf(from->memory), fromBox, ImageOf(to->memory),
                       BoxOf(dstRect, to->memory->w, to->memory->h));
        return kDDOk;
    }
    SDL_Surface* screen = Screen(*to);
    if (screen == nullptr) {
        return kDDErrGeneric;
    }
    Box toBox = BoxOf(dstRect, screen->w, screen->h);
    if (screen == to->session->picture) {
        StretchToImage(ImageOf(from->memory), fromBox, ImageOf(screen), toBox);
    } else {
        SDL_Color grey[256];
        StretchToSurface(ImageOf(from->memory), fromBox, Colours(*to, grey), screen, toBox);
    }
    Show(*to, screen, {toBox.x, toBox.y, toBox.w, toBox.h});
    return kDDOk;
}

Result SdlDirectDraw::ColorFill(Surface dst, const SproxRect* rect, uint32_t colour, uint32_t)
{
    SurfaceObject* s = FindSurface(dst);
    if (s == nullptr) {
        return kDDErrGeneric;
    }
    if (!s->primary) {
        Box box = BoxOf(rect, s->memory->w, s->memory->h);
        SDL_Rect area = {box.x, box.y, box.w, box.h};
        return SDL_FillRect(s->memory, &area, colour) == 0 ? kDDOk : kDDErrGeneric;
    }
    SDL_Surface* screen = Screen(*s);
    if (screen == nullptr) {
        return kDDErrGeneric;
    }
    SDL_Color grey[256];
    const SDL_Color& c = Colours(*s, grey)[colour & 0xFF];
    Uint32 value = screen == s->session->picture ? colour & 0xFF
                                                 : SDL_MapRGB(screen->format, c.r, c.g, c.b);
    Box box = BoxOf(rect, screen->w, screen->h);
    SDL_Rect area = {box.x, box.y, box.w, box.h};
    if (SDL_FillRect(screen, &area, value) != 0) {
        return kDDErrGeneric;
    }
    Show(*s, screen, area);
    return kDDOk;
}

Result SdlDirectDraw::Flip(Surface surface, Surface, uint32_t)
{
    SurfaceObject* s = FindSurface(surface);
    if (s == nullptr) {
        return kDDErrGeneric;
    }
    if (!s->primary || s->backBuffer == nullptr) {
        return kDDErrNotFlippable;
    }
    SDL_Surface* screen = Screen(*s);
    if (screen == nullptr) {
        return kDDErrGeneric;
    }
    SDL_Surface* back = s->backBuffer->memory;
    Box all = {0, 0, back->w, back->h};
    if (screen == s->session->picture) {
        StretchToImage(ImageOf(back), all, ImageOf(screen), all);
    } else {
        SDL_Color grey[256];
        StretchToSurface(ImageOf(back), all, Colours(*s, grey), screen, all);
    }
    Show(*s, screen, {0, 0, screen->w, screen->h});
    return kDDOk;
}

Result SdlDirectDraw::Restore(Surface surface)
{
    return FindSurface(surface) != nullptr ? kDDOk : kDDErrGeneric;
}

// Releasing the object gives the window back as exclusive operation ends, as the
// system does for a program that forgets to.
uint32_t SdlDirectDraw::Release(void* object)
{
    if (Session* session = FindSession(object)) {
        if (session->fullScreen) {
            LeaveFullScreen(*session);
        }
        if (session->exclusive) {
            gdi_.SetExclusiveWindow(nullptr);
        }
        // A primary surface that outlives its object shows nothing any more.
        for (auto& [handle, surface] : surfaces_) {
            if (surface->session == session) {
                surface->session = nullptr;
            }
        }
        sessions_.erase(object);
        return 0;
    }
    if (SurfaceObject* surface = FindSurface(object)) {
        // A back buffer lives as long as its primary surface.
        bool attached = std::any_of(surfaces_.begin(), surfaces_.end(), [&](const auto& s) {
            return s.second->backBuffer == surface;
        });
        if (!attached) {
            FreeSurface(surface);
        }
        return 0;
    }
    if (PaletteObject* palette = FindPalette(object)) {
        int left = palette->refs - 1;
        DropPalette(palette);
        return static_cast<uint32_t>(left);
    }
    if (ClipperObject* clipper = FindClipper(object)) {
        int left = clipper->refs - 1;
        DropClipper(clipper);
        return static_cast<uint32_t>(left);
    }
    return 0;
}

Result SdlDirectDraw::CreatePalette(Handle object, uint32_t, const PaletteEntry* entries,
                                    Handle* palette)
{
    *palette = nullptr;
    if (FindSession(object) == nullptr || entries == nullptr) {
        return kDDErrGeneric;
    }
    SDL_Palette* colours = SDL_AllocPalette(256);
    if (colours == nullptr) {
        return kDDErrGeneric;
    }
    auto made = std::make_unique<PaletteObject>();
    made->colours = colours;
    *palette = made.get();
    palettes_[made.get()] = std::move(made);
    return SetPaletteEntries(*palette, 0, 256, entries);
}

Result SdlDirectDraw::SetPaletteEntries(Handle palette, uint32_t first, uint32_t count,
                                        const PaletteEntry* entries)
{
    PaletteObject* p = FindPalette(palette);
    if (p == nullptr || first > 256 || count > 256 - first) {
        return kDDErrGeneric;
    }
    SDL_Color colours[256];
    for (uint32_t i = 0; i < count; ++i) {
        colours[i] = {entries[i].red, entries[i].green, entries[i].blue, 255};
    }
    SDL_SetPaletteColors(p->colours, colours, static_cast<int>(first), static_cast<int>(count));
    // An emulated mode's picture holds indices: as on an 8-bit display, what it
    // shows takes the new colours at once.
    for (auto& [handle, surface] : surfaces_) {
        if (surface->palette == p && surface->session != nullptr &&
            surface->session->picture != nullptr) {
            SDL_Surface* picture = surface->session->picture;
            ShowPicture(*surface, {0, 0, picture->w, picture->h});
        }
    }
    return kDDOk;
}

Result SdlDirectDraw::GetPaletteEntries(Handle palette, uint32_t first, uint32_t count,
                                        PaletteEntry* entries)
{
    PaletteObject* p = FindPalette(palette);
    if (p == nullptr || first > 256 || count > 256 - first) {
        return kDDErrGeneric;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const SDL_Color& c = p->colours->colors[first + i];
        entries[i] = {c.r, c.g, c.b, 0};
    }
    return kDDOk;
}

Result SdlDirectDraw::SetPalette(Surface surface, Handle palette)
{
    SurfaceObject* s = FindSurface(surface);
    PaletteObject* p = FindPalette(palette);
    if (s == nullptr || p == nullptr) {
        return kDDErrGeneric;
    }
    ++p->refs;
    DropPalette(s->palette);
    s->palette = p;
    return kDDOk;
}

Result SdlDirectDraw::CreateClipper(Handle object, uint32_t, Handle* clipper)
{
    *clipper = nullptr;
    if (FindSession(object) == nullptr) {
        return kDDErrGeneric;
    }
    auto made = std::make_unique<ClipperObject>();
    *clipper = made.get();
    clippers_[made.get()] = std::move(made);
    return kDDOk;
}

Result SdlDirectDraw::SetClipperWindow(Handle clipper, uint32_t, Handle window)
{
    ClipperObject* c = FindClipper(clipper);
    if (c == nullptr) {
        return kDDErrGeneric;
    }
    c->window = window;
    return kDDOk;
}

Result SdlDirectDraw::SetClipper(Surface surface, Handle clipper)
{
    SurfaceObject* s = FindSurface(surface);
    ClipperObject* c = FindClipper(clipper);
    if (s == nullptr || c == nullptr) {
        return kDDErrGeneric;
    }
    ++c->refs;
    DropClipper(s->clipper);
    s->clipper = c;
    return kDDOk;
}

} // namespace sys
