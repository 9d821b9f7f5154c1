// The fake DirectDraw: surfaces with real memory that a test makes and scripts
// (lost, failing to lock or fill, still drawing for a while), and palettes.
// Blits and flips are recorded in the fake GDI's presents ("Blt", "Flip"), with
// the surfaces as target and source; fills are recorded here.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "fake/fake_gdi.h"
#include "sprox/sys/ddraw.h"

namespace fake {

struct FakeSurface {
    std::shared_ptr<Pixels> pixels;
    // --- Script ---
    bool lost = false;         // Lock and GetDC answer surface lost until restored
    int restoreFailures = 0;   // the next this many Restore calls fail
    int lockFailures = 0;      // the next this many Lock calls fail (generic error)
    int stillDrawing = 0;      // the next this many GetDC calls answer still drawing
    int fillFailures = 0;      // the next this many colour fills fail
    // --- What happened ---
    bool locked = false;
    int lockCalls = 0;
    int unlockCalls = 0;
    int restoreCalls = 0;
    int getDCCalls = 0;
    int releaseDCCalls = 0;
    bool released = false;
    sys::Handle dc = nullptr;   // the DC handed out and not yet given back
};

struct Fill {
    sys::Surface surface;
    SproxRect rect;
    uint32_t colour;
    uint32_t flags;
};

class FakeDirectDraw : public sys::DirectDraw {
public:
    // A w x h 8-bit top-down surface; pitch 0 means w rounded up to 4.
    sys::Surface MakeSurface(int width, int height, int pitch = 0, uint8_t fill = 0);
    FakeSurface& Of(sys::Surface surface);
    sys::Handle MakePalette();
    std::array<sys::PaletteEntry, 256>& PaletteOf(sys::Handle palette);

    // --- What happened ---
    std::vector<Fill> fills;
    std::vector<void*> released;   // every object released, in order

    sys::Result Lock(sys::Surface surface, sys::SurfaceDesc* desc, uint32_t flags) override;
    sys::Result Unlock(sys::Surface surface) override;
    sys::Result GetDC(sys::Surface surface, sys::Handle* dc) override;
    sys::Result ReleaseDC(sys::Surface surface, sys::Handle dc) override;
    sys::Result Blt(sys::Surface dst, const SproxRect* dstRect, sys::Surface src,
                    const SproxRect* srcRect, uint32_t flags) override;
    sys::Result ColorFill(sys::Surface dst, const SproxRect* rect, uint32_t colour,
                          uint32_t flags) override;
    sys::Result Flip(sys::Surface surface, sys::Surface target, uint32_t flags) override;
    sys::Result Restore(sys::Surface surface) override;
    uint32_t Release(void* object) override;
    sys::Result SetPaletteEntries(sys::Handle palette, uint32_t first, uint32_t count,
                                  const sys::PaletteEntry* entries) override;

private:
    FakeSurface* Find(sys::Surface surface);

    std::vector<std::unique_ptr<FakeSurface>> surfaces_;
    std::vector<std::unique_ptr<std::array<sys::PaletteEntry, 256>>> palettes_;
};

FakeDirectDraw& ddraw();

} // namespace fake
