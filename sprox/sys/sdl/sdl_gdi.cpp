#include "sprox/sys/sdl/sdl_gdi.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace sys {
namespace {

// Without a running display there is no palettised screen to care for.
constexpr int kTrueColourBits = 32;

int DesktopBits()
{
    SDL_DisplayMode mode;
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0 && SDL_GetDesktopDisplayMode(0, &mode) == 0) {
        return static_cast<int>(SDL_BITSPERPIXEL(mode.format));
    }
    return kTrueColourBits;
}

ptrdiff_t RowBytes(int width)
{
    return ((static_cast<ptrdiff_t>(width) * 8 + 31) & ~ptrdiff_t{31}) / 8;
}

// The picture of a device-independent bitmap in memory.
bool DibImage(const void* bits, const SproxBitmapHeader* header, IndexedImage* image)
{
    if (bits == nullptr || header == nullptr || header->bitCount != 8 || header->width <= 0 ||
        header->height == 0 || header->height == INT32_MIN) {
        return false;
    }
    int height = header->height < 0 ? -header->height : header->height;
    *image = ImageOver(static_cast<uint8_t*>(const_cast<void*>(bits)), header->width, height,
                       RowBytes(header->width), header->height > 0);
    return true;
}

} // namespace

void ColoursOf(const SproxColor* table, SDL_Color* out)
{
    for (int i = 0; i < 256; ++i) {
        out[i] = {table[i].red, table[i].green, table[i].blue, 255};
    }
}

SdlGdi::~SdlGdi()
{
    for (DC* dc : dcs_) {
        delete dc;
    }
    for (Bitmap* bitmap : bitmaps_) {
        if (bitmap->owned) {
            SDL_FreeSurface(bitmap->surface);
        }
        delete bitmap;
    }
}

SdlGdi::DC* SdlGdi::FindDC(Handle handle)
{
    auto* dc = static_cast<DC*>(handle);
    return dcs_.count(dc) != 0 ? dc : nullptr;
}

SdlGdi::Bitmap* SdlGdi::FindBitmap(Handle handle)
{
    auto* bitmap = static_cast<Bitmap*>(handle);
    return bitmaps_.count(bitmap) != 0 ? bitmap : nullptr;
}

SdlGdi::Bitmap* SdlGdi::Target(DC* dc)
{
    Bitmap* bitmap = dc->view.surface != nullptr ? &dc->view : dc->selected;
    return bitmap != nullptr && bitmap->surface != nullptr ? bitmap : nullptr;
}

Handle SdlGdi::MakeDC(SDL_Surface* surface)
{
    auto* dc = new DC;
    dc->selected = &stock_;
    dc->view = {surface, false, false};
    dcs_.insert(dc);
    return dc;
}

Handle SdlGdi::GetScreenDC() { return &screen_; }

void SdlGdi::ReleaseScreenDC(Handle) {}

int SdlGdi::GetDeviceCaps(Handle, int index)
{
    return index == kBitsPixel ? DesktopBits() : 0;
}

unsigned SdlGdi::GetSystemPaletteEntries(Handle, unsigned first, unsigned count,
                                         PaletteEntry* out)
{
    unsigned n = 0;
    for (; n < count && first + n < 256; ++n) {
        unsigned i = first + n;
        out[n] = i < 10 ? kStandardStatics[i] : i >= 246 ? kStandardStatics[i - 236]
                                                          : PaletteEntry{0, 0, 0, 0};
    }
    return n;
}

Handle SdlGdi::CreatePalette(const LogPalette* palette)
{
    int count = std::clamp<int>(palette->count, 1, 256);
    SDL_Palette* created = SDL_AllocPalette(count);
    if (created == nullptr) {
        return nullptr;
    }
    for (int i = 0; i < count; ++i) {
        const PaletteEntry& e = palette->entries[i];
        created->colors[i] = {e.red, e.green, e.blue, 255};
    }
    return created;
}

Handle SdlGdi::SelectPalette(Handle dc, Handle palette, bool)
{
    DC* target = dc == &screen_ ? &screen_ : FindDC(dc);
    if (target == nullptr) {
        return nullptr;
    }
    Handle previous = target->palette;
    target->palette = palette;
    return previous;
}

// The desktop shows every colour as it is: there is nothing to realise.
unsigned SdlGdi::RealizePalette(Handle) { return 0; }

Handle SdlGdi::CreateCompatibleDC(Handle)
{
    auto* dc = new DC;
    dc->selected = &stock_;
    dcs_.insert(dc);
    return dc;
}

Handle SdlGdi::CreateDIBSection(Handle, const SproxBitmapHeader* header, const SproxColor* colors,
                                uint32_t, uint8_t** bits)
{
    *bits = nullptr;
    if (header == nullptr || header->bitCount != 8 || header->width <= 0 || header->height == 0 ||
        header->height == INT32_MIN) {
        return nullptr;
    }
    int height = header->height < 0 ? -header->height : header->height;
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormat(0, header->width, height, 8, SDL_PIXELFORMAT_INDEX8);
    if (surface == nullptr) {
        return nullptr;
    }
    // The frame's rows are laid out as a device-independent bitmap's.
    if (surface->pitch != RowBytes(header->width)) {
        SDL_FreeSurface(surface);
        return nullptr;
    }
    SDL_Color palette[256];
    ColoursOf(colors, palette);
    SDL_SetPaletteColors(surface->format->palette, palette, 0, 256);
    auto* bitmap = new Bitmap{surface, header->height > 0, true};
    bitmaps_.insert(bitmap);
    *bits = static_cast<uint8_t*>(surface->pixels);
    return bitmap;
}

Handle SdlGdi::SelectObject(Handle dc, Handle object)
{
    DC* target = FindDC(dc);
    Bitmap* bitmap = object == &stock_ ? &stock_ : FindBitmap(object);
    if (target == nullptr || bitmap == nullptr) {
        return nullptr;
    }
    Bitmap* previous = target->selected;
    target->selected = bitmap;
    return previous;
}

// Bitmaps still selected into a DC are not deleted; any other object is a palette.
bool SdlGdi::DeleteObject(Handle object)
{
    if (object == nullptr || object == &stock_ || FindDC(object) != nullptr) {
        return false;
    }
    if (Bitmap* bitmap = FindBitmap(object)) {
        bool selected = std::any_of(dcs_.begin(), dcs_.end(),
                                    [&](const DC* dc) { return dc->selected == bitmap; });
        if (selected) {
            return false;
        }
        if (bitmap->owned) {
            SDL_FreeSurface(bitmap->surface);
        }
        bitmaps_.erase(bitmap);
        delete bitmap;
        return true;
    }
    SDL_FreePalette(static_cast<SDL_Palette*>(object));
    return true;
}

bool SdlGdi::DeleteDC(Handle dc)
{
    DC* target = FindDC(dc);
    if (target == nullptr) {
        return false;
    }
    dcs_.erase(target);
    delete target;
    return true;
}

bool SdlGdi::GdiFlush() { return true; }

int SdlGdi::SetStretchBltMode(Handle dc, int mode)
{
    DC* target = FindDC(dc);
    if (target == nullptr) {
        return 0;
    }
    int previous = target->stretchMode;
    target->stretchMode = mode;
    return previous;
}

void SdlGdi::Draw(Handle dst, const IndexedImage& src, Box from, const SDL_Color* colors, Box to)
{
    if (dst == nullptr || dst == &screen_) {
        return;
    }
    DC* dc = FindDC(dst);
    if (dc == nullptr) {
        StretchToSurface(src, from, colors, static_cast<SDL_Surface*>(dst), to, &pairs_);
        return;
    }
    Bitmap* target = Target(dc);
    if (target == nullptr) {
        return;
    }
    SDL_Surface* s = target->surface;
    IndexedImage image =
        ImageOver(static_cast<uint8_t*>(s->pixels), s->w, s->h, s->pitch, target->bottomUp);
    // A copy within one picture reads from a snapshot, so that overlapping rows
    // are not overwritten before they are read.
    auto* first = static_cast<uint8_t*>(s->pixels);
    if (src.top >= first && src.top < first + static_cast<ptrdiff_t>(s->h) * s->pitch) {
        std::vector<uint8_t> snapshot(first, first + static_cast<ptrdiff_t>(s->h) * s->pitch);
        IndexedImage copy = src;
        copy.top = snapshot.data() + (src.top - first);
        StretchToImage(copy, from, image, to);
        return;
    }
    StretchToImage(src, from, image, to);
}

bool SdlGdi::BitBlt(Handle dst, int x, int y, int w, int h, Handle src, int srcX, int srcY,
                    uint32_t rop)
{
    return StretchBlt(dst, x, y, w, h, src, srcX, srcY, w, h, rop);
}

bool SdlGdi::StretchBlt(Handle dst, int x, int y, int w, int h, Handle src, int srcX, int srcY,
                        int srcW, int srcH, uint32_t)
{
    DC* from = FindDC(src);
    Bitmap* bitmap = from != nullptr ? Target(from) : nullptr;
    if (bitmap == nullptr) {
        return false;
    }
    SDL_Surface* s = bitmap->surface;
    IndexedImage image =
        ImageOver(static_cast<uint8_t*>(s->pixels), s->w, s->h, s->pitch, bitmap->bottomUp);
    const SDL_Color* colors = s->format->palette != nullptr ? s->format->palette->colors : nullptr;
    SDL_Color grey[256];
    if (colors == nullptr) {
        for (int i = 0; i < 256; ++i) {
            grey[i] = {static_cast<Uint8>(i), static_cast<Uint8>(i), static_cast<Uint8>(i), 255};
        }
        colors = grey;
    }
    Draw(dst, image, {srcX, srcY, srcW, srcH}, colors, {x, y, w, h});
    return true;
}

int SdlGdi::SetDIBitsToDevice(Handle dst, int x, int y, int w, int h, int srcX, int srcY,
                              unsigned startScan, unsigned scanLines, const void* bits,
                              const SproxBitmapHeader* header, const SproxColor* colors,
                              uint32_t)
{
    IndexedImage whole;
    if (!DibImage(bits, header, &whole) || w <= 0 || h <= 0) {
        return 0;
    }
    // bits holds the scan lines startScan .. startScan + scanLines - 1, counted in
    // the bitmap's own row order; for a bottom-up bitmap srcY counts from the bottom.
    int64_t lines = std::min<int64_t>(scanLines, int64_t{whole.height} - startScan);
    if (lines <= 0) {
        return 0;
    }
    bool bottomUp = header->height > 0;
    ptrdiff_t stride = RowBytes(header->width);
    IndexedImage part = ImageOver(static_cast<uint8_t*>(const_cast<void*>(bits)), whole.width,
                                  static_cast<int>(lines), stride, bottomUp);
    int64_t top = bottomUp ? int64_t{whole.height} - srcY - h : srcY;
    int64_t firstRow = bottomUp ? int64_t{whole.height} - startScan - lines : startScan;
    SDL_Color palette[256];
    ColoursOf(colors, palette);
    Draw(dst, part, {srcX, static_cast<int>(top - firstRow), w, h}, palette, {x, y, w, h});
    return h;
}

int SdlGdi::StretchDIBits(Handle dst, int x, int y, int w, int h, int srcX, int srcY, int srcW,
                          int srcH, const void* bits, const SproxBitmapHeader* header,
                          const SproxColor* colors, uint32_t, uint32_t)
{
    IndexedImage image;
    if (!DibImage(bits, header, &image)) {
        return 0;
    }
    int64_t top = header->height > 0 ? int64_t{image.height} - srcY - srcH : srcY;
    SDL_Color palette[256];
    ColoursOf(colors, palette);
    Draw(dst, image, {srcX, static_cast<int>(top), srcW, srcH}, palette, {x, y, w, h});
    return srcH;
}

bool SdlGdi::ShowWindow(Handle window, int)
{
    if (window == nullptr) {
        return false;
    }
    bool wasVisible = IsWindowVisible(window);
    SDL_ShowWindow(static_cast<SDL_Window*>(window));
    return wasVisible;
}

bool SdlGdi::IsWindowVisible(Handle window)
{
    return window != nullptr &&
           (SDL_GetWindowFlags(static_cast<SDL_Window*>(window)) & SDL_WINDOW_SHOWN) != 0;
}

// SDL windows are not repainted through a queue of invalid regions: the game
// presents its window surface itself.
bool SdlGdi::ValidateRect(Handle, const SproxRect*) { return true; }
bool SdlGdi::UpdateWindow(Handle) { return true; }
bool SdlGdi::InvalidateRect(Handle, const SproxRect*, bool) { return true; }

// The cursor is kept inside the rectangle (in screen coordinates) by grabbing the
// mouse for the window that holds full screen, or else the one with the input
// focus, and limiting it to the part of that window the rectangle covers.
bool SdlGdi::ClipCursor(const SproxRect* rect)
{
    if (rect == nullptr) {
        if (confined_ != nullptr) {
            SDL_SetWindowMouseRect(confined_, nullptr);
            SDL_SetWindowGrab(confined_, SDL_FALSE);
            confined_ = nullptr;
        }
        return true;
    }
    SDL_Window* window = exclusive_;
    if (window == nullptr) {
        window = SDL_GetKeyboardFocus();
    }
    if (window == nullptr) {
        window = SDL_GetMouseFocus();
    }
    if (window == nullptr) {
        return false;
    }
    if (confined_ != nullptr && confined_ != window) {
        ClipCursor(nullptr);
    }
    int x = 0;
    int y = 0;
    SDL_GetWindowPosition(window, &x, &y);
    SDL_Rect area = {rect->left - x, rect->top - y, rect->right - rect->left,
                     rect->bottom - rect->top};
    if (window == exclusive_ && picture_.w > 0) {
        area = picture_;
    }
    if (SDL_SetWindowMouseRect(window, &area) != 0) {
        return false;
    }
    SDL_SetWindowGrab(window, SDL_TRUE);
    confined_ = window;
    return true;
}

} // namespace sys
