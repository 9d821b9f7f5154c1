#include "sprox/sys/win32/win32_gdi.h"

#include <cstddef>

#include "sprox/sys/win32/windows_api.h"

namespace sys {
namespace {

// The facility's records are the system's own layouts, so they are passed as they are.
static_assert(sizeof(SproxBitmapHeader) == sizeof(BITMAPINFOHEADER));
static_assert(offsetof(SproxBitmapHeader, height) == offsetof(BITMAPINFOHEADER, biHeight));
static_assert(offsetof(SproxBitmapHeader, bitCount) == offsetof(BITMAPINFOHEADER, biBitCount));
static_assert(offsetof(SproxBitmapHeader, clrImportant) ==
              offsetof(BITMAPINFOHEADER, biClrImportant));
static_assert(sizeof(SproxColor) == sizeof(RGBQUAD));
static_assert(offsetof(SproxColor, red) == offsetof(RGBQUAD, rgbRed));
static_assert(offsetof(BitmapInfo256, colors) == offsetof(BITMAPINFO, bmiColors));
static_assert(sizeof(PaletteEntry) == sizeof(PALETTEENTRY));
static_assert(offsetof(PaletteEntry, blue) == offsetof(PALETTEENTRY, peBlue));
static_assert(offsetof(PaletteEntry, flags) == offsetof(PALETTEENTRY, peFlags));
static_assert(offsetof(LogPalette, entries) == offsetof(LOGPALETTE, palPalEntry));
static_assert(sizeof(SproxRect) == sizeof(RECT));
static_assert(offsetof(SproxRect, bottom) == offsetof(RECT, bottom));

using CreateDIBSectionEntry = HBITMAP(WINAPI*)(HDC, const BITMAPINFO*, UINT, void**, HANDLE,
                                                DWORD);

HDC Dc(Handle handle) { return static_cast<HDC>(handle); }
HWND Window(Handle handle) { return static_cast<HWND>(handle); }
const RECT* Rect(const SproxRect* rect) { return reinterpret_cast<const RECT*>(rect); }

const BITMAPINFO* Info(const SproxBitmapHeader* header, const SproxColor* colors,
                       BitmapInfo256* storage)
{
    return reinterpret_cast<const BITMAPINFO*>(InfoBlock(header, colors, storage));
}

} // namespace

const BitmapInfo256* InfoBlock(const SproxBitmapHeader* header, const SproxColor* colors,
                               BitmapInfo256* storage)
{
    if (colors == reinterpret_cast<const SproxColor*>(header + 1)) {
        return reinterpret_cast<const BitmapInfo256*>(header);
    }
    storage->header = *header;
    for (int i = 0; i < 256; ++i) {
        storage->colors[i] = colors != nullptr ? colors[i] : SproxColor{};
    }
    return storage;
}

Handle Win32Gdi::GetScreenDC() { return ::GetDC(nullptr); }

void Win32Gdi::ReleaseScreenDC(Handle dc) { ::ReleaseDC(nullptr, Dc(dc)); }

int Win32Gdi::GetDeviceCaps(Handle dc, int index) { return ::GetDeviceCaps(Dc(dc), index); }

unsigned Win32Gdi::GetSystemPaletteEntries(Handle dc, unsigned first, unsigned count,
                                           PaletteEntry* out)
{
    return ::GetSystemPaletteEntries(Dc(dc), first, count, reinterpret_cast<PALETTEENTRY*>(out));
}

Handle Win32Gdi::CreatePalette(const LogPalette* palette)
{
    return ::CreatePalette(reinterpret_cast<const LOGPALETTE*>(palette));
}

Handle Win32Gdi::SelectPalette(Handle dc, Handle palette, bool background)
{
    return ::SelectPalette(Dc(dc), static_cast<HPALETTE>(palette), background ? TRUE : FALSE);
}

unsigned Win32Gdi::RealizePalette(Handle dc) { return ::RealizePalette(Dc(dc)); }

Handle Win32Gdi::CreateCompatibleDC(Handle dc) { return ::CreateCompatibleDC(Dc(dc)); }

// No file mapping: the system allocates the section's memory.
Handle Win32Gdi::CreateDIBSection(Handle dc, const SproxBitmapHeader* header,
                                  const SproxColor* colors, uint32_t usage, uint8_t** bits)
{
    *bits = nullptr;
    auto create = entries_.Get<CreateDIBSectionEntry>(0);
    if (create == nullptr || header == nullptr) {
        return nullptr;
    }
    BitmapInfo256 storage;
    void* memory = nullptr;
    HBITMAP section = create(Dc(dc), Info(header, colors, &storage), usage, &memory, nullptr, 0);
    *bits = section != nullptr ? static_cast<uint8_t*>(memory) : nullptr;
    return section;
}

Handle Win32Gdi::SelectObject(Handle dc, Handle object)
{
    return ::SelectObject(Dc(dc), static_cast<HGDIOBJ>(object));
}

bool Win32Gdi::DeleteObject(Handle object)
{
    return ::DeleteObject(static_cast<HGDIOBJ>(object)) != 0;
}

bool Win32Gdi::DeleteDC(Handle dc) { return ::DeleteDC(Dc(dc)) != 0; }

bool Win32Gdi::GdiFlush() { return ::GdiFlush() != 0; }

int Win32Gdi::SetStretchBltMode(Handle dc, int mode) { return ::SetStretchBltMode(Dc(dc), mode); }

bool Win32Gdi::BitBlt(Handle dst, int x, int y, int w, int h, Handle src, int srcX, int srcY,
                      uint32_t rop)
{
    return ::BitBlt(Dc(dst), x, y, w, h, Dc(src), srcX, srcY, rop) != 0;
}

bool Win32Gdi::StretchBlt(Handle dst, int x, int y, int w, int h, Handle src, int srcX, int srcY,
                          int srcW, int srcH, uint32_t rop)
{
    return ::StretchBlt(Dc(dst), x, y, w, h, Dc(src), srcX, srcY, srcW, srcH, rop) != 0;
}

int Win32Gdi::SetDIBitsToDevice(Handle dst, int x, int y, int w, int h, int srcX, int srcY,
                                unsigned startScan, unsigned scanLines, const void* bits,
                                const SproxBitmapHeader* header, const SproxColor* colors,
                                uint32_t usage)
{
    BitmapInfo256 storage;
    return ::SetDIBitsToDevice(Dc(dst), x, y, static_cast<DWORD>(w), static_cast<DWORD>(h),
                               srcX, srcY, startScan, scanLines, bits,
                               Info(header, colors, &storage), usage);
}

int Win32Gdi::StretchDIBits(Handle dst, int x, int y, int w, int h, int srcX, int srcY, int srcW,
                            int srcH, const void* bits, const SproxBitmapHeader* header,
                            const SproxColor* colors, uint32_t usage, uint32_t rop)
{
    BitmapInfo256 storage;
    return ::StretchDIBits(Dc(dst), x, y, w, h, srcX, srcY, srcW, srcH, bits,
                           Info(header, colors, &storage), usage, rop);
}

bool Win32Gdi::ShowWindow(Handle window, int command)
{
    return ::ShowWindow(Window(window), command) != 0;
}

bool Win32Gdi::IsWindowVisible(Handle window) { return ::IsWindowVisible(Window(window)) != 0; }

bool Win32Gdi::ValidateRect(Handle window, const SproxRect* rect)
{
    return ::ValidateRect(Window(window), Rect(rect)) != 0;
}

bool Win32Gdi::UpdateWindow(Handle window) { return ::UpdateWindow(Window(window)) != 0; }

bool Win32Gdi::InvalidateRect(Handle window, const SproxRect* rect, bool erase)
{
    return ::InvalidateRect(Window(window), Rect(rect), erase ? TRUE : FALSE) != 0;
}

bool Win32Gdi::ClipCursor(const SproxRect* rect) { return ::ClipCursor(Rect(rect)) != 0; }

} // namespace sys
