// The WinG facility: an 8-bit bitmap in a device context of its own, copied to a
// window 1:1 or stretched. Handles are opaque, as in the GDI facility.
#pragma once

#include <cstdint>

#include "sprox.h"
#include "sprox/sys/gdi.h"

namespace sys {

struct WinG {
    virtual ~WinG() = default;

    virtual Handle CreateDC() = 0;
    // Fills the header with the bitmap layout that copies fastest on this display;
    // a negative height means rows stored top-down. False when there is none.
    virtual bool RecommendDIBFormat(SproxBitmapHeader* header) = 0;
    // Stores the address of the bitmap's pixel memory through bits (null on failure).
    virtual Handle CreateBitmap(Handle dc, const SproxBitmapHeader* header,
                                const SproxColor* colors, uint8_t** bits) = 0;
    virtual bool BitBlt(Handle dst, int x, int y, int w, int h, Handle src, int srcX,
                        int srcY) = 0;
    virtual bool StretchBlt(Handle dst, int x, int y, int w, int h, Handle src, int srcX,
                            int srcY, int srcW, int srcH) = 0;
};

} // namespace sys
