// The fake GDI: device contexts, bitmaps and palettes as entries of a table that
// tests can read. DIB sections hold real memory, and copies between two device
// contexts that both draw into memory (DIB sections, surface DCs, targets made by
// MakeTarget) really copy pixels, so that pictures can be checked. Every copy to a
// device context is recorded as a Present, with the call that made it.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "sprox/sys/gdi.h"

namespace fake {

// Pixel memory of a bitmap or surface, one byte per pixel.
struct Pixels {
    int width = 0;
    int height = 0;
    int stride = 0;
    bool bottomUp = false;
    std::vector<uint8_t> memory;

    Pixels(int width, int height, int stride, bool bottomUp, uint8_t fill = 0);
    // Row y counted from the top of the picture.
    uint8_t* Row(int y);
    uint8_t& At(int x, int y) { return Row(y)[x]; }
};

// Nearest-neighbour copy of the source area into the destination area, clipped to
// both pictures.
struct Area {
    int x, y, w, h;
    bool operator==(const Area&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Area& area);
void StretchCopy(Pixels& dst, Area to, Pixels& src, Area from);

// One copy to a device context or surface.
struct Present {
    std::string call;   // "BitBlt", "StretchBlt", "SetDIBitsToDevice", "StretchDIBits",
                        // "WinGBitBlt", "WinGStretchBlt", "Blt", "Flip"
    sys::Handle target = nullptr;
    sys::Handle source = nullptr;   // DC or surface; null for the DIB calls
    Area dst{};
    Area src{};
    uint32_t rop = 0;
    const void* bits = nullptr;     // DIB calls: the pixel memory passed
    unsigned startScan = 0;
    unsigned scanLines = 0;
};

class FakeGdi : public sys::Gdi {
public:
    enum class Kind { ScreenDC, MemoryDC, Bitmap, Palette };
    struct Object {
        Kind kind = Kind::MemoryDC;
        bool stock = false;
        bool deleted = false;
        sys::Handle selected = nullptr;      // DCs: the bitmap selected
        sys::Handle palette = nullptr;       // DCs: the palette selected
        std::shared_ptr<Pixels> pixels{};    // bitmaps, and DCs made over memory
        std::array<SproxColor, 256> colors{};// bitmaps: colour table at creation
        SproxBitmapHeader header{};          // bitmaps: header at creation
        std::vector<sys::PaletteEntry> entries{};  // palettes
    };

    FakeGdi();

    // --- What the machine offers (set by tests) ---
    int bitsPerPixel = 32;
    sys::PaletteEntry systemPalette[256];  // the standard static colours by default
    int dibSectionFailures = 0;            // the next this many CreateDIBSection calls fail
    int dcFailures = 0;                    // the next this many CreateCompatibleDC calls fail
    // Window calls that fail, by name ("ShowWindow", "ClipCursor", ...): a failed
    // ShowWindow leaves the window hidden, a failed ClipCursor the cursor as it was.
    std::set<std::string> failingWindowCalls;

    // --- What happened (read by tests) ---
    std::vector<Present> presents;
    std::vector<std::vector<sys::PaletteEntry>> realized;  // entries of each palette realised
    std::vector<std::pair<sys::Handle, int>> stretchModes;
    std::vector<std::string> windowCalls;                  // "ShowWindow", "ValidateRect", ...
    std::set<sys::Handle> visibleWindows;
    std::optional<SproxRect> cursorClip;
    bool invalidatedWithErase = false;                     // the last InvalidateRect's erase
    int flushes = 0;

    // The object behind a handle, or null for a handle the fake never gave out.
    Object* Find(sys::Handle handle);
    int Created(Kind kind) const;
    int Live(Kind kind) const;   // created, not deleted, not stock
    // The pixels a DC draws into (its selected bitmap's, or its own), or a bitmap's.
    Pixels* PixelsOf(sys::Handle handle);
    // A memory DC of a fresh w x h 8-bit top-down picture, for tests to present into.
    sys::Handle MakeTarget(int width, int height);
    // A DC that draws into the given memory (surface DCs).
    sys::Handle MakeDC(std::shared_ptr<Pixels> pixels);
    sys::Handle MakeMemoryDC();
    // An 8-bit bitmap for the header, with real memory; null for a header that
    // does not describe one.
    sys::Handle MakeBitmap(const SproxBitmapHeader* header, const SproxColor* colors,
                           uint8_t** bits);
    // Records a copy and carries it out when both sides have pixels.
    void Copy(const char* call, sys::Handle dst, Area to, sys::Handle src, Area from,
              uint32_t rop);

    sys::Handle GetScreenDC() override;
    void ReleaseScreenDC(sys::Handle dc) override;
    int GetDeviceCaps(sys::Handle dc, int index) override;
    unsigned GetSystemPaletteEntries(sys::Handle dc, unsigned first, unsigned count,
                                     sys::PaletteEntry* out) override;
    sys::Handle CreatePalette(const sys::LogPalette* palette) override;
    sys::Handle SelectPalette(sys::Handle dc, sys::Handle palette, bool background) override;
    unsigned RealizePalette(sys::Handle dc) override;
    sys::Handle CreateCompatibleDC(sys::Handle dc) override;
    sys::Handle CreateDIBSection(sys::Handle dc, const SproxBitmapHeader* header,
                                 const SproxColor* colors, uint32_t usage,
                                 uint8_t** bits) override;
    sys::Handle SelectObject(sys::Handle dc, sys::Handle object) override;
    bool DeleteObject(sys::Handle object) override;
    bool DeleteDC(sys::Handle dc) override;
    bool GdiFlush() override;
    int SetStretchBltMode(sys::Handle dc, int mode) override;
    bool BitBlt(sys::Handle dst, int x, int y, int w, int h, sys::Handle src, int srcX, int srcY,
                uint32_t rop) override;
    bool StretchBlt(sys::Handle dst, int x, int y, int w, int h, sys::Handle src, int srcX,
                    int srcY, int srcW, int srcH, uint32_t rop) override;
    int SetDIBitsToDevice(sys::Handle dst, int x, int y, int w, int h, int srcX, int srcY,
                          unsigned startScan, unsigned scanLines, const void* bits,
                          const SproxBitmapHeader* header, const SproxColor* colors,
                          uint32_t usage) override;
    int StretchDIBits(sys::Handle dst, int x, int y, int w, int h, int srcX, int srcY, int srcW,
                      int srcH, const void* bits, const SproxBitmapHeader* header,
                      const SproxColor* colors, uint32_t usage, uint32_t rop) override;
    bool ShowWindow(sys::Handle window, int command) override;
    bool IsWindowVisible(sys::Handle window) override;
    bool ValidateRect(sys::Handle window, const SproxRect* rect) override;
    bool UpdateWindow(sys::Handle window) override;
    bool InvalidateRect(sys::Handle window, const SproxRect* rect, bool erase) override;
    bool ClipCursor(const SproxRect* rect) override;

private:
    sys::Handle Add(Object object);
    // Records a window call; false when the test made it fail.
    bool WindowCall(const char* name);
    bool SelectedAnywhere(sys::Handle object) const;

    std::map<sys::Handle, Object> objects_;
    uintptr_t next_ = 0x1000;
    sys::Handle screen_ = nullptr;
    sys::Handle stockBitmap_ = nullptr;
    sys::Handle stockPalette_ = nullptr;
};

// The fake GDI of this test process.
FakeGdi& gdi();

} // namespace fake
