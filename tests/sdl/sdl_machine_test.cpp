// The SDL machine's GDI and DirectDraw facilities, and its message box.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cstring>
#include <vector>

#include "sprox.h"
#include "sprox/sys/machine.h"
#include "sprox/sys/sdl/sdl_ddraw.h"
#include "sprox/sys/sdl/sdl_gdi.h"

namespace {

// An 8-bit target whose palette maps index i to grey i, so that pixels read back
// as the indices copied.
SDL_Surface* IndexTarget(int w, int h)
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 8, SDL_PIXELFORMAT_INDEX8);
    SDL_Color grey[256];
    for (int i = 0; i < 256; ++i) {
        grey[i] = {static_cast<Uint8>(i), static_cast<Uint8>(i), static_cast<Uint8>(i), 255};
    }
    SDL_SetPaletteColors(s->format->palette, grey, 0, 256);
    SDL_FillRect(s, nullptr, 0xEE);
    return s;
}

uint8_t At(SDL_Surface* s, int x, int y)
{
    return static_cast<const uint8_t*>(s->pixels)[y * s->pitch + x];
}

SproxBitmapHeader Header(int w, int h)
{
    SproxBitmapHeader header{};
    header.size = 40;
    header.width = w;
    header.height = h;
    header.planes = 1;
    header.bitCount = 8;
    return header;
}

std::vector<SproxColor> GreyTable()
{
    std::vector<SproxColor> table(256);
    for (int i = 0; i < 256; ++i) {
        table[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i), 0};
    }
    return table;
}

} // namespace

TEST(SdlMessageBox, WithoutARealDisplayGoesToStandardErrorAsUtf8)
{
    ASSERT_EQ(SDL_VideoInit("offscreen"), 0) << SDL_GetError();
    SDL_SetError("the game's own error");
    testing::internal::CaptureStderr();
    SX_Size(nullptr, 10, 10, -1, nullptr);
    SX_PatEntryDARFile(0, 1, "/nonexistent/a.dar");
    std::string shown = testing::internal::GetCapturedStderr();
    // The Japanese text as it is, then its English gloss.
    EXPECT_EQ(shown,
              "Sprox Error: SproxSize: SproxInitされていないSPROX構造体が渡されました\n"
              "(上記をアプリケーションの作者に正確にお伝えください) [SX_Size (SproxSize): the context "
              "passed was not set up by SX_Init (please pass this on to the author of the "
              "application)]\n"
              "Sprox Error: /nonexistent/a.dar -> 2: ファイルのオープンに失敗しました "
              "[/nonexistent/a.dar: No such file or directory (errno 2): the file could not be opened]\n");
    EXPECT_STREQ(SDL_GetError(), "the game's own error");
    SDL_VideoQuit();
}

TEST(SdlGdi, PlainBitmapsAreReadBottomUp)
{
    sys::SdlGdi gdi;
    // A bottom-up 6 x 4 bitmap: stored row r holds 10 * r + column.
    const int w = 6, h = 4, stride = 8;
    std::vector<uint8_t> bits(stride * h);
    for (int r = 0; r < h; ++r) {
        for (int x = 0; x < w; ++x) {
            bits[r * stride + x] = static_cast<uint8_t>(10 * r + x);
        }
    }
    SproxBitmapHeader header = Header(w, h);
    auto table = GreyTable();
    SDL_Surface* target = IndexTarget(10, 10);

    // Rows 1..2 from the top are stored rows 2..1; srcY counts from the bottom.
    gdi.SetDIBitsToDevice(target, 0, 0, 3, 2, 1, h - 1 - 2, 0, h, bits.data(), &header,
                          table.data(), sys::kDibRgbColors);
    EXPECT_EQ(At(target, 0, 0), 21);
    EXPECT_EQ(At(target, 2, 0), 23);
    EXPECT_EQ(At(target, 0, 1), 11);
    EXPECT_EQ(At(target, 3, 0), 0xEE);

    // Only some scan lines in memory: stored rows 2 and 3 (the top two rows).
    SDL_FillRect(target, nullptr, 0xEE);
    gdi.SetDIBitsToDevice(target, 0, 0, w, h, 0, 0, 2, 2, bits.data() + 2 * stride, &header,
                          table.data(), sys::kDibRgbColors);
    EXPECT_EQ(At(target, 0, 0), 30);
    EXPECT_EQ(At(target, 5, 1), 25);
    EXPECT_EQ(At(target, 0, 2), 0xEE);   // rows not given are not invented

    // Stretched twice as large.
    SDL_FillRect(target, nullptr, 0xEE);
    gdi.StretchDIBits(target, 0, 0, 4, 4, 0, h - 2, 2, 2, bits.data(), &header, table.data(),
                      sys::kDibRgbColors, sys::kSrcCopy);
    EXPECT_EQ(At(target, 0, 0), 30);
    EXPECT_EQ(At(target, 1, 1), 30);
    EXPECT_EQ(At(target, 2, 0), 31);
    EXPECT_EQ(At(target, 3, 3), 21);
    EXPECT_EQ(At(target, 4, 0), 0xEE);

    // Nothing for a missing or malformed bitmap.
    SDL_FillRect(target, nullptr, 0xEE);
    header.bitCount = 24;
    EXPECT_EQ(gdi.SetDIBitsToDevice(target, 0, 0, w, h, 0, 0, 0, h, bits.data(), &header,
                                    table.data(), sys::kDibRgbColors), 0);
    header.bitCount = 8;
    EXPECT_EQ(gdi.SetDIBitsToDevice(target, 0, 0, w, h, 0, 0, 0, h, nullptr, &header,
                                    table.data(), sys::kDibRgbColors), 0);
    EXPECT_EQ(At(target, 0, 0), 0xEE);
    SDL_FreeSurface(target);
}

TEST(SdlGdi, SectionsLiveInMemoryDCsUntilDeselected)
{
    sys::SdlGdi gdi;
    SproxBitmapHeader header = Header(5, 3);
    auto table = GreyTable();
    sys::Handle dc = gdi.CreateCompatibleDC(nullptr);
    uint8_t* bits = nullptr;
    sys::Handle section = gdi.CreateDIBSection(dc, &header, table.data(), sys::kDibRgbColors, &bits);
    ASSERT_NE(section, nullptr);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(bits[0], 0);   // new sections start cleared
    sys::Handle stock = gdi.SelectObject(dc, section);
    ASSERT_NE(stock, nullptr);
    EXPECT_FALSE(gdi.DeleteObject(section));   // still selected

    // The stored bottom row is the picture's last row.
    bits[0] = 77;
    SDL_Surface* target = IndexTarget(5, 3);
    EXPECT_TRUE(gdi.BitBlt(target, 0, 0, 5, 3, dc, 0, 0, sys::kSrcCopy));
    EXPECT_EQ(At(target, 0, 2), 77);
    EXPECT_EQ(At(target, 0, 0), 0);

    EXPECT_EQ(gdi.SelectObject(dc, stock), section);
    EXPECT_TRUE(gdi.DeleteObject(section));
    EXPECT_TRUE(gdi.DeleteDC(dc));
    EXPECT_FALSE(gdi.DeleteDC(dc));
    SproxBitmapHeader bad = Header(0, 3);
    EXPECT_EQ(gdi.CreateDIBSection(nullptr, &bad, table.data(), 0, &bits), nullptr);
    EXPECT_EQ(bits, nullptr);
    SDL_FreeSurface(target);
}

TEST(SdlDirectDraw, SurfacesLockFillBlitAndTakeAPictureThroughTheirDC)
{
    sys::SdlGdi gdi;
    sys::SdlDirectDraw dd(gdi);
    sys::Surface a = dd.CreateMemorySurface(8, 6);
    sys::Surface b = dd.CreateMemorySurface(16, 12);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);

    sys::SurfaceDesc desc;
    ASSERT_EQ(dd.Lock(a, &desc, sys::kDDLockWait), sys::kDDOk);
    EXPECT_EQ(dd.Lock(a, &desc, sys::kDDLockWait), sys::kDDErrGeneric);
    EXPECT_EQ(desc.width, 8u);
    EXPECT_EQ(desc.height, 6u);
    ASSERT_NE(desc.surface, nullptr);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            desc.surface[y * desc.pitch + x] = static_cast<uint8_t>(y * 8 + x);
        }
    }
    EXPECT_EQ(dd.Unlock(a), sys::kDDOk);
    EXPECT_EQ(dd.Unlock(a), sys::kDDErrGeneric);

    SproxRect whole = {0, 0, 16, 12};
    SproxRect from = {0, 0, 8, 6};
    EXPECT_EQ(dd.ColorFill(b, nullptr, 3, 0), sys::kDDOk);
    EXPECT_EQ(dd.Blt(b, &whole, a, &from, sys::kDDBltWait), sys::kDDOk);
    ASSERT_EQ(dd.Lock(b, &desc, 0), sys::kDDOk);
    EXPECT_EQ(desc.surface[0], 0);
    EXPECT_EQ(desc.surface[1], 0);
    EXPECT_EQ(desc.surface[2], 1);
    EXPECT_EQ(desc.surface[11 * desc.pitch + 15], 47);
    dd.Unlock(b);

    // A frame's DIB section copied into a surface through the surface's DC.
    SproxBitmapHeader header = Header(4, 2);
    auto table = GreyTable();
    sys::Handle dibDC = gdi.CreateCompatibleDC(nullptr);
    uint8_t* bits = nullptr;
    sys::Handle section = gdi.CreateDIBSection(dibDC, &header, table.data(), 0, &bits);
    sys::Handle stock = gdi.SelectObject(dibDC, section);
    bits[0] = 200;   // bottom-left pixel
    sys::Handle surfaceDC = nullptr;
    ASSERT_EQ(dd.GetDC(a, &surfaceDC), sys::kDDOk);
    EXPECT_TRUE(gdi.BitBlt(surfaceDC, 0, 0, 4, 2, dibDC, 0, 0, sys::kSrcCopy));
    EXPECT_EQ(dd.ReleaseDC(a, surfaceDC), sys::kDDOk);
    ASSERT_EQ(dd.Lock(a, &desc, 0), sys::kDDOk);
    EXPECT_EQ(desc.surface[desc.pitch], 200);
    EXPECT_EQ(desc.surface[0], 0);
    EXPECT_EQ(desc.surface[4], 4);   // outside the copy
    dd.Unlock(a);

    EXPECT_EQ(dd.Restore(a), sys::kDDOk);
    EXPECT_EQ(dd.Flip(a, nullptr, sys::kDDFlipWait), sys::kDDErrNotFlippable);
    dd.Release(a);
    EXPECT_EQ(dd.Lock(a, &desc, 0), sys::kDDErrGeneric);
    gdi.SelectObject(dibDC, stock);
    gdi.DeleteObject(section);
    gdi.DeleteDC(dibDC);
}

TEST(SdlDirectDraw, PaletteEntriesReachTheSdlPalette)
{
    sys::SdlGdi gdi;
    sys::SdlDirectDraw dd(gdi);
    sys::Handle object = nullptr;
    ASSERT_EQ(dd.DirectDrawCreate(nullptr, &object), sys::kDDOk);
    std::vector<sys::PaletteEntry> grey(256);
    for (int i = 0; i < 256; ++i) {
        grey[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i), 0};
    }
    sys::Handle palette = nullptr;
    ASSERT_EQ(dd.CreatePalette(object, sys::kDDPCaps8Bit, grey.data(), &palette), sys::kDDOk);
    sys::PaletteEntry entries[2] = {{10, 20, 30, 0}, {40, 50, 60, 0}};
    EXPECT_EQ(dd.SetPaletteEntries(palette, 254, 2, entries), sys::kDDOk);
    sys::PaletteEntry read[3] = {};
    ASSERT_EQ(dd.GetPaletteEntries(palette, 253, 3, read), sys::kDDOk);
    EXPECT_EQ(read[0].red, 253);
    EXPECT_EQ(read[2].blue, 60);
    EXPECT_EQ(dd.SetPaletteEntries(palette, 255, 2, entries), sys::kDDErrGeneric);
    EXPECT_EQ(dd.Release(palette), 0u);
    EXPECT_EQ(dd.SetPaletteEntries(palette, 0, 1, entries), sys::kDDErrGeneric);
    dd.Release(object);
}
