// The fake WinG: its device contexts and bitmaps live in the fake GDI's table, and
// its copies are recorded there as presents.
#pragma once

#include "sprox/sys/wing.h"

namespace fake {

class FakeWinG : public sys::WinG {
public:
    // --- What the machine offers ---
    bool recommendFails = false;     // RecommendDIBFormat answers false
    bool recommendTopDown = false;   // the recommended layout stores rows top-down
    int bitmapFailures = 0;          // the next this many CreateBitmap calls fail

    // --- What happened ---
    int recommendCalls = 0;

    sys::Handle CreateDC() override;
    bool RecommendDIBFormat(SproxBitmapHeader* header) override;
    sys::Handle CreateBitmap(sys::Handle dc, const SproxBitmapHeader* header,
                             const SproxColor* colors, uint8_t** bits) override;
    bool BitBlt(sys::Handle dst, int x, int y, int w, int h, sys::Handle src, int srcX,
                int srcY) override;
    bool StretchBlt(sys::Handle dst, int x, int y, int w, int h, sys::Handle src, int srcX,
                    int srcY, int srcW, int srcH) override;
};

FakeWinG& wing();

} // namespace fake
