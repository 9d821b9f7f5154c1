// The GDI facility on SDL. DIB sections are 8-bit SDL surfaces that own the frame
// memory, with the frame's colours as their palette; memory DCs hold one of them.
// Any other device context handle is the SDL_Surface* a game paints into (the
// window surface): copies into it go through the source's colours. The screen's
// depth is the desktop's; a palettised screen's system palette holds the standard
// static colours. Palettes are SDL_Palette objects.
#pragma once

#include <SDL2/SDL.h>

#include <unordered_set>

#include "sprox/sys/gdi.h"
#include "sprox/sys/sdl/sdl_stretch.h"

namespace sys {

class SdlGdi : public Gdi {
public:
    ~SdlGdi() override;

    // A device context that draws into an 8-bit top-down surface it does not own
    // (the DC of a DirectDraw surface); DeleteDC lets it go.
    Handle MakeDC(SDL_Surface* surface);
    // The window that holds exclusive full screen (null: none); the cursor is
    // confined to it.
    void SetExclusiveWindow(SDL_Window* window) { exclusive_ = window; }
    // The part of the exclusive window (in its coordinates) that shows an emulated
    // full-screen mode's picture, or null for none; the cursor is confined to it.
    void SetScreenPicture(const SDL_Rect* picture) { picture_ = picture ? *picture : SDL_Rect{}; }

    Handle GetScreenDC() override;
    void ReleaseScreenDC(Handle dc) override;
    int GetDeviceCaps(Handle dc, int index) override;
    unsigned GetSystemPaletteEntries(Handle dc, unsigned first, unsigned count,
                                     PaletteEntry* out) override;
    Handle CreatePalette(const LogPalette* palette) override;
    Handle SelectPalette(Handle dc, Handle palette, bool background) override;
    unsigned RealizePalette(Handle dc) override;
    Handle CreateCompatibleDC(Handle dc) override;
    Handle CreateDIBSection(Handle dc, const SproxBitmapHeader* header, const SproxColor* colors,
                            uint32_t usage, uint8_t** bits) override;
    Handle SelectObject(Handle dc, Handle object) override;
    bool DeleteObject(Handle object) override;
    bool DeleteDC(Handle dc) override;
    bool GdiFlush() override;
    int SetStretchBltMode(Handle dc, int mode) override;
    bool BitBlt(Handle dst, int x, int y, int w, int h, Handle src, int srcX, int srcY,
                uint32_t rop) override;
    bool StretchBlt(Handle dst, int x, int y, int w, int h, Handle src, int srcX, int srcY,
                    int srcW, int srcH, uint32_t rop) override;
    int SetDIBitsToDevice(Handle dst, int x, int y, int w, int h, int srcX, int srcY,
                          unsigned startScan, unsigned scanLines, const void* bits,
                          const SproxBitmapHeader* header, const SproxColor* colors,
                          uint32_t usage) override;
    int StretchDIBits(Handle dst, int x, int y, int w, int h, int srcX, int srcY, int srcW,
                      int srcH, const void* bits, const SproxBitmapHeader* header,
                      const SproxColor* colors, uint32_t usage, uint32_t rop) override;
    bool ShowWindow(Handle window, int command) override;
    bool IsWindowVisible(Handle window) override;
    bool ValidateRect(Handle window, const SproxRect* rect) override;
    bool UpdateWindow(Handle window) override;
    bool InvalidateRect(Handle window, const SproxRect* rect, bool erase) override;
    bool ClipCursor(const SproxRect* rect) override;

private:
    // An 8-bit picture: a DIB section (owned surface) or a view of another surface.
    struct Bitmap {
        SDL_Surface* surface = nullptr;
        bool bottomUp = false;
        bool owned = false;
    };
    struct DC {
        Bitmap* selected = nullptr;
        Bitmap view;            // DCs made over a surface draw into it
        Handle palette = nullptr;
        int stretchMode = kColorOnColor;
    };

    DC* FindDC(Handle handle);
    Bitmap* FindBitmap(Handle handle);
    // The picture a DC draws into, or null.
    Bitmap* Target(DC* dc);
    void Draw(Handle dst, const IndexedImage& src, Box from, const SDL_Color* colors, Box to);

    std::unordered_set<DC*> dcs_;
    std::unordered_set<Bitmap*> bitmaps_;
    Bitmap stock_;   // what a new memory DC holds: no picture
    DC screen_;
    SDL_Window* exclusive_ = nullptr;
    SDL_Rect picture_{};               // of an emulated mode; empty: none
    SDL_Window* confined_ = nullptr;   // the window the cursor is kept in
    PixelPairs pairs_;                 // for copies into 16-bit surfaces
};

// The colours of an 8-bit SDL surface's palette, or of a colour table.
void ColoursOf(const SproxColor* table, SDL_Color* out);

} // namespace sys
