// The GDI facility on Windows: every call forwarded to GDI32 and USER32. A handle
// of the facility is the system's own handle (HDC, HBITMAP, HPALETTE, HWND).
// DIB sections are made through the CreateDIBSection entry point that the display
// resolved from GDI32; until it has, none can be made. This header stays free of
// windows.h.
#pragma once

#include "sprox/sys/gdi.h"
#include "sprox/sys/win32/win32_entries.h"

namespace sys {

class Win32Gdi : public Gdi {
public:
    // The machine reports every entry point it resolves and every module it frees.
    void EntryResolved(const char* name, void* address) { entries_.Resolved(name, address); }
    void ModuleFreed() { entries_.ModuleFreed(); }

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
    BoundEntries<1> entries_{{"CreateDIBSection"}};
};

// A bitmap's header and 256 colours as one information block.
struct BitmapInfo256 {
    SproxBitmapHeader header;
    SproxColor colors[256];
};

// The information block of a header and its colours: the header itself when the
// colours follow it in memory (a context's own pair always does), else the two
// copied into storage.
const BitmapInfo256* InfoBlock(const SproxBitmapHeader* header, const SproxColor* colors,
                               BitmapInfo256* storage);

} // namespace sys
