// The DirectDraw facility on SDL. Display modes are offered as 8-bit modes
// whatever the desktop's depth: frames are converted to the window's format when
// they are shown. How full screen is made depends on SPROX_FULLSCREEN, read once:
//
// - unset (or any other value): the modes are emulated. They are the classic
//   sizes that fit on the desktop, and the desktop's own size. Setting one makes
//   the window full screen on the desktop's current mode (the monitor's mode never
//   changes); the primary surface is an 8-bit picture of the mode's size, shown
//   scaled to the largest size that fits the desktop with its shape kept
//   (nearest neighbour), centred between black bars. The cursor is confined to
//   the picture.
// - "integer": the same, scaled by whole factors only.
// - "exclusive": the modes are those SDL reports for the window's display, each
//   size once, and setting one switches the display to it.
//
// Restoring the display mode makes the full-screen window a window of its old
// size and position again.
//
// Surfaces are 8-bit SDL surfaces in memory (video and system memory alike), and
// memory is never lost. Outside emulated modes the primary surface is the
// window's own surface. Blits and fills to the primary surface go through the
// colours of the palette attached to it and are shown at once; in an emulated
// mode, so are changes to that palette's colours. A flipping primary has one
// back buffer of the screen's size; a flip shows it (its contents stay as they
// were). Palettes are SDL palettes; clippers only remember their window, since
// blits to the window surface are clipped to the window anyway.
#pragma once

#include <SDL2/SDL.h>

#include <memory>
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

private:
    // The DirectDraw object: the window it works for and what it did to it.
    struct Session {
        SDL_Window* window = nullptr;
        bool exclusive = false;
        bool fullScreen = false;      // a display mode was set and not restored
        SDL_Rect windowPlace{};       // the window's place and size before full screen
        // In an emulated mode: the mode's picture, and the window surface it was
        // last shown on in full (bars included).
        SDL_Surface* picture = nullptr;
        const SDL_Surface* shownOn = nullptr;
        SDL_Point shownSize{};
    };
    struct PaletteObject {
        SDL_Palette* colours = nullptr;
        int refs = 1;
    };
    struct ClipperObject {
        Handle window = nullptr;
        int refs = 1;
    };
    struct SurfaceObject {
        bool primary = false;
        SDL_Surface* memory = nullptr;        // null for the primary surface
        Session* session = nullptr;           // the primary surface's
        bool locked = false;
        Handle dc = nullptr;
        PaletteObject* palette = nullptr;     // attached (primary surface)
        ClipperObject* clipper = nullptr;     // attached (primary surface)
        SurfaceObject* backBuffer = nullptr;  // a flipping primary's
    };

    Session* FindSession(Handle object);
    SurfaceObject* FindSurface(Surface surface);
    // A surface with 8-bit memory (not the primary surface).
    SurfaceObject* FindMemory(Surface surface);
    PaletteObject* FindPalette(Handle palette);
    ClipperObject* FindClipper(Handle clipper);
    SurfaceObject* AddMemorySurface(int width, int height);
    void FreeSurface(SurfaceObject* surface);
    void DropPalette(PaletteObject* palette);
    void DropClipper(ClipperObject* clipper);
    void LeaveFullScreen(Session& session);
    // What the primary surface draws into: the emulated mode's picture, else the
    // window surface of its window; null when there is none.
    SDL_Surface* Screen(const SurfaceObject& primary);
    // Shows the area of the screen that was drawn (clipped to it).
    void Show(const SurfaceObject& primary, SDL_Surface* screen, const SDL_Rect& area);
    // Shows the area of the emulated mode's picture, scaled into the window.
    void ShowPicture(const SurfaceObject& primary, const SDL_Rect& area);
    // The colours the primary surface shows indices in.
    const SDL_Color* Colours(const SurfaceObject& primary, SDL_Color* grey);

    SdlGdi& gdi_;
    std::unordered_map<const void*, std::unique_ptr<Session>> sessions_;
    std::unordered_map<const void*, std::unique_ptr<SurfaceObject>> surfaces_;
    std::unordered_map<const void*, std::unique_ptr<PaletteObject>> palettes_;
    std::unordered_map<const void*, std::unique_ptr<ClipperObject>> clippers_;
};

} // namespace sys
