#include "fake/fake_wing.h"

#include "fake/fake_gdi.h"

namespace fake {

sys::Handle FakeWinG::CreateDC() { return gdi().MakeMemoryDC(); }

bool FakeWinG::RecommendDIBFormat(SproxBitmapHeader* header)
{
    ++recommendCalls;
    if (recommendFails) {
        return false;
    }
    *header = {};
    header->size = sizeof *header;
    header->width = 1;
    header->height = recommendTopDown ? -1 : 1;
    header->planes = 1;
    header->bitCount = 8;
    return true;
}

sys::Handle FakeWinG::CreateBitmap(sys::Handle, const SproxBitmapHeader* header,
                                   const SproxColor* colors, uint8_t** bits)
{
    if (bitmapFailures > 0) {
        --bitmapFailures;
        *bits = nullptr;
        return nullptr;
    }
    return gdi().MakeBitmap(header, colors, bits);
}

bool FakeWinG::BitBlt(sys::Handle dst, int x, int y, int w, int h, sys::Handle src, int srcX,
                      int srcY)
{
    gdi().Copy("WinGBitBlt", dst, {x, y, w, h}, src, {srcX, srcY, w, h}, 0);
    return true;
}

bool FakeWinG::StretchBlt(sys::Handle dst, int x, int y, int w, int h, sys::Handle src, int srcX,
                          int srcY, int srcW, int srcH)
{
    gdi().Copy("WinGStretchBlt", dst, {x, y, w, h}, src, {srcX, srcY, srcW, srcH}, 0);
    return true;
}

FakeWinG& wing()
{
    static FakeWinG fake;
    return fake;
}

} // namespace fake
