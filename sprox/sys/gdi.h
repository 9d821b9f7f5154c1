// The GDI facility: device contexts, palettes, device-independent bitmaps and DIB
// sections, the copies between them, and the few window calls the display needs.
// Every handle (device context, bitmap, palette, window) is opaque. A bitmap's
// information block is its 40-byte header followed by its 256-entry colour table,
// passed as the two halves. The display always passes a context's own header and
// colours, which lie back to back, so the pair is also one complete block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sprox.h"

namespace sys {

static_assert(offsetof(SproxContext, colors) == sizeof(SproxBitmapHeader));

using Handle = void*;

// One logical palette entry, in the order of the system's palette entries.
struct PaletteEntry {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t flags;
};

// A logical palette of up to 256 entries.
struct LogPalette {
    uint16_t version;
    uint16_t count;
    PaletteEntry entries[256];
};

// The static colours of a standard palettised display: system palette entries 0
// to 9, then 246 to 255.
inline constexpr PaletteEntry kStandardStatics[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},
    {0, 0, 128, 0},     {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0},
    {192, 220, 192, 0}, {166, 202, 240, 0}, {255, 251, 240, 0}, {160, 160, 164, 0},
    {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},     {255, 255, 0, 0},
    {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
};

inline constexpr uint16_t kPaletteVersion = 0x300;
inline constexpr uint8_t kPcNoCollapse = 0x04;      // entry flag: never merge with another
inline constexpr int kBitsPixel = 12;               // device capability: bits per pixel
inline constexpr uint32_t kDibRgbColors = 0;        // colour table holds colours
inline constexpr uint32_t kSrcCopy = 0x00CC0020;    // raster operation: plain copy
inline constexpr int kColorOnColor = 3;             // stretch mode: drop rows and columns
inline constexpr int kShowNormal = 1;               // window show command

struct Gdi {
    virtual ~Gdi() = default;

    // The screen's device context.
    virtual Handle GetScreenDC() = 0;
    virtual void ReleaseScreenDC(Handle dc) = 0;
    virtual int GetDeviceCaps(Handle dc, int index) = 0;
    // Copies count system palette entries from first; returns how many it copied.
    virtual unsigned GetSystemPaletteEntries(Handle dc, unsigned first, unsigned count,
                                             PaletteEntry* out) = 0;

    // Logical palettes. SelectPalette returns the palette it replaced.
    virtual Handle CreatePalette(const LogPalette* palette) = 0;
    virtual Handle SelectPalette(Handle dc, Handle palette, bool background) = 0;
    virtual unsigned RealizePalette(Handle dc) = 0;

    // Memory device contexts and DIB sections. CreateDIBSection stores the address
    // of the section's pixel memory through bits (null on failure).
    virtual Handle CreateCompatibleDC(Handle dc) = 0;
    virtual Handle CreateDIBSection(Handle dc, const SproxBitmapHeader* header,
                                    const SproxColor* colors, uint32_t usage, uint8_t** bits) = 0;
    // Selects a bitmap (or other object) into a DC; returns the one it replaced.
    virtual Handle SelectObject(Handle dc, Handle object) = 0;
    virtual bool DeleteObject(Handle object) = 0;
    virtual bool DeleteDC(Handle dc) = 0;
    virtual bool GdiFlush() = 0;

    // Copies between device contexts, and from DIB memory to a device context.
    virtual int SetStretchBltMode(Handle dc, int mode) = 0;
    virtual bool BitBlt(Handle dst, int x, int y, int w, int h, Handle src, int srcX, int srcY,
                        uint32_t rop) = 0;
    virtual bool StretchBlt(Handle dst, int x, int y, int w, int h, Handle src, int srcX,
                            int srcY, int srcW, int srcH, uint32_t rop) = 0;
    // srcY counts from the bottom row of a bottom-up DIB.
    virtual int SetDIBitsToDevice(Handle dst, int x, int y, int w, int h, int srcX, int srcY,
                                  unsigned startScan, unsigned scanLines, const void* bits,
                                  const SproxBitmapHeader* header, const SproxColor* colors,
                                  uint32_t usage) = 0;
    virtual int StretchDIBits(Handle dst, int x, int y, int w, int h, int srcX, int srcY,
                              int srcW, int srcH, const void* bits,
                              const SproxBitmapHeader* header, const SproxColor* colors,
                              uint32_t usage, uint32_t rop) = 0;

    // Window calls of full screen.
    virtual bool ShowWindow(Handle window, int command) = 0;
    virtual bool IsWindowVisible(Handle window) = 0;
    virtual bool ValidateRect(Handle window, const SproxRect* rect) = 0;  // null: whole window
    virtual bool UpdateWindow(Handle window) = 0;
    virtual bool InvalidateRect(Handle window, const SproxRect* rect, bool erase) = 0;
    virtual bool ClipCursor(const SproxRect* rect) = 0;                   // null: release
};

} // namespace sys
