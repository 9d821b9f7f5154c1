#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "fake/fake_context.h"
#include "fake/fake_ddraw.h"
#include "fake/fake_gdi.h"
#include "fake/fake_machine.h"
#include "fake/fake_wing.h"
#include "sprox.h"
#include "sprox/display/backend.h"
#include "sprox/pattern/pattern.h"

using Kind = fake::FakeGdi::Kind;

namespace {

uint8_t& Pixel(SproxContext& c, int x, int y)
{
    return c.bits[c.topOffset + y * c.pitch + x];
}

// A picture in which every pixel says where it is.
uint8_t Mark(int x, int y)
{
    return static_cast<uint8_t>(x * 7 + y * 13 + 1);
}

void DrawMarks(SproxContext& c)
{
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            Pixel(c, x, y) = Mark(x, y);
        }
    }
}

// Makes the next frame memory or bitmap of the back-end fail.
void FailNextFrame(int backend)
{
    if (backend == 0) {
        fake::machine().failAllocationsAfter = 0;
    } else if (backend == 1) {
        fake::wing().bitmapFailures = 1;
    } else {
        fake::gdi().dibSectionFailures = 1;
    }
}

struct Started {
    SproxContext context{};
    explicit Started(int backend)
    {
        fake::OfferBackend(backend);
        SX_Init(&context, fake::Window());
    }
};

} // namespace

TEST(SizeDibSection, CreatesASectionInAMemoryDC)
{
    Started s(2);
    SproxContext& c = s.context;
    SX_Size(&c, 320, 240, -1, nullptr);
    auto& gdi = fake::gdi();
    ASSERT_NE(c.bits, nullptr);
    EXPECT_EQ(c.bits, c.dibBits);
    EXPECT_EQ(c.hdc, c.dibDC);
    EXPECT_EQ(gdi.Live(Kind::MemoryDC), 1);
    EXPECT_EQ(gdi.Live(Kind::Bitmap), 1);
    // The section is selected into the DC, and what it took out is kept.
    auto* dc = gdi.Find(c.hdc);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(gdi.PixelsOf(c.hdc)->memory.data(), c.bits);
    EXPECT_TRUE(gdi.Find(c.savedBitmap)->stock);

    EXPECT_EQ(c.header.size, 40u);
    EXPECT_EQ(c.header.width, 320);
    EXPECT_EQ(c.header.height, 240);
    EXPECT_EQ(c.header.planes, 1);
    EXPECT_EQ(c.header.bitCount, 8);
    EXPECT_EQ(c.header.compression, 0u);
    EXPECT_EQ(c.header.sizeImage, 0u);
    EXPECT_EQ(c.header.clrUsed, 0u);
    EXPECT_EQ(c.direction, 1);

    // SX_End puts the old bitmap back and deletes the section and the DC.
    SX_End(&c);
    EXPECT_EQ(gdi.Live(Kind::MemoryDC), 0);
    EXPECT_EQ(gdi.Live(Kind::Bitmap), 0);
    EXPECT_EQ(c.bits, nullptr);
    EXPECT_EQ(c.hdc, nullptr);
}

TEST(SizeDibSection, SameSizeRebuildsTheSectionWithTheNewColoursAndKeepsThePicture)
{
    Started s(2);
    SproxContext& c = s.context;
    SX_Size(&c, 320, 240, -1, nullptr);
    DrawMarks(c);
    uint8_t* oldBits = c.bits;
    c.colors[17] = {1, 2, 3, 0};

    SxPalette palette = nullptr;
    SX_Size(&c, 320, 240, -1, &palette);
    auto& gdi = fake::gdi();
    EXPECT_NE(c.bits, oldBits);
    EXPECT_EQ(gdi.Created(Kind::Bitmap), 2);
    EXPECT_EQ(gdi.Live(Kind::Bitmap), 1);
    EXPECT_EQ(gdi.Live(Kind::MemoryDC), 1);
    auto* section = gdi.Find(gdi.Find(c.hdc)->selected);
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(section->colors[17].blue, 1);
    EXPECT_EQ(section->colors[17].red, 3);
    for (int y = 0; y < 240; y += 7) {
        for (int x = 0; x < 320; x += 3) {
            ASSERT_EQ(Pixel(c, x, y), Mark(x, y)) << x << "," << y;
        }
    }
}

TEST(SizeDibSection, GrowingKeepsThePictureInTheTopLeftCorner)
{
    Started s(2);
    SproxContext& c = s.context;
    SX_Size(&c, 320, 200, -1, nullptr);
    DrawMarks(c);
    SX_Size(&c, 640, 480, -1, nullptr);
    EXPECT_EQ(c.width, 640);
    EXPECT_EQ(c.height, 480);
    EXPECT_EQ(c.stride, 640);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 320; ++x) {
            ASSERT_EQ(Pixel(c, x, y), Mark(x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(Pixel(c, 320, 0), 0);   // new memory of a section starts cleared
    EXPECT_EQ(Pixel(c, 0, 200), 0);

    // Shrinking keeps what still fits, again from the top-left corner.
    SX_Size(&c, 101, 50, -1, nullptr);
    EXPECT_EQ(c.stride, 104);
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 101; ++x) {
            ASSERT_EQ(Pixel(c, x, y), Mark(x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(fake::gdi().Live(Kind::Bitmap), 1);
}

TEST(SizePlain, AllocatesMemoryAndLeavesTheSameSizeAlone)
{
    Started s(0);
    SproxContext& c = s.context;
    auto& m = fake::machine();
    SX_Size(&c, 318, 10, -1, nullptr);
    ASSERT_NE(c.bits, nullptr);
    EXPECT_EQ(m.allocations, (std::vector<size_t>{320 * 10}));
    EXPECT_EQ(c.hdc, nullptr);
    EXPECT_EQ(c.topOffset, 9 * 320);

    uint8_t* bits = c.bits;
    SX_Size(&c, 318, 10, -1, nullptr);
    EXPECT_EQ(c.bits, bits);
    EXPECT_EQ(m.allocations.size(), 1u);

    SX_Size(&c, 64, 64, -1, nullptr);
    EXPECT_EQ(m.allocations.back(), 64u * 64u);
    EXPECT_EQ(m.liveBlocks, 1);
    SX_End(&c);
    EXPECT_EQ(m.liveBlocks, 0);
}

TEST(SizeWinG, TakesTheRecommendedRowOrder)
{
    fake::wing().recommendTopDown = true;
    Started s(1);
    SproxContext& c = s.context;
    SX_Size(&c, 100, 40, -1, nullptr);
    auto& gdi = fake::gdi();
    ASSERT_NE(c.bits, nullptr);
    EXPECT_EQ(fake::wing().recommendCalls, 1);
    EXPECT_EQ(c.direction, -1);
    EXPECT_EQ(c.header.height, -40);
    EXPECT_EQ(c.header.width, 100);
    EXPECT_EQ(c.pitch, 100);
    EXPECT_EQ(c.topOffset, 0);
    EXPECT_EQ(gdi.PixelsOf(c.hdc)->memory.data(), c.bits);

    // Resizing swaps the bitmap in the same DC; the picture is not kept.
    void* dc = c.hdc;
    SX_Size(&c, 50, 20, -1, nullptr);
    EXPECT_EQ(c.hdc, dc);
    EXPECT_EQ(c.header.height, -20);
    EXPECT_EQ(gdi.PixelsOf(c.hdc)->memory.data(), c.bits);
    EXPECT_EQ(gdi.Live(Kind::Bitmap), 1);
    EXPECT_EQ(fake::wing().recommendCalls, 1);

    SX_End(&c);
    EXPECT_EQ(gdi.Live(Kind::Bitmap), 0);
    EXPECT_EQ(gdi.Live(Kind::MemoryDC), 0);
}

TEST(SizeWinG, WithoutARecommendationTheFrameIsBottomUp)
{
    fake::wing().recommendFails = true;
    Started s(1);
    SX_Size(&s.context, 100, 40, -1, nullptr);
    EXPECT_EQ(s.context.direction, 1);
    EXPECT_EQ(s.context.header.height, 40);
    EXPECT_EQ(s.context.pitch, -100);
}

TEST(SizeFailure, AFailedFirstFrameLeavesNoneAndALaterTryWorks)
{
    for (int backend : {0, 1, 2}) {
        SCOPED_TRACE(backend);
        Started s(backend);
        SproxContext& c = s.context;
        auto& m = fake::machine();
        FailNextFrame(backend);
        SX_Size(&c, 320, 240, -1, nullptr);
        EXPECT_EQ(c.bits, nullptr);
        EXPECT_EQ(c.hdc, nullptr);
        EXPECT_EQ(c.width, 0);
        EXPECT_EQ(c.height, 0);
        EXPECT_EQ(c.clip.right, 0);
        EXPECT_EQ(fake::gdi().Live(Kind::MemoryDC), 0);
        EXPECT_EQ(fake::gdi().Live(Kind::Bitmap), 0);
        // Nothing to paint or clear, and nothing touched.
        SX_Clear(&c, 5);
        SX_Paint(&c, fake::TargetDC(), 0, 0);
        EXPECT_TRUE(fake::gdi().presents.empty());

        m.failAllocationsAfter = -1;
        SX_Size(&c, 320, 240, -1, nullptr);
        EXPECT_NE(c.bits, nullptr);
        EXPECT_EQ(c.width, 320);
        SX_End(&c);
        m.Reset();
        fake::gdi().presents.clear();
    }
}

TEST(SizeFailure, AFailedResizeKeepsTheOldFrame)
{
    for (int backend : {0, 1, 2}) {
        SCOPED_TRACE(backend);
        Started s(backend);
        SproxContext& c = s.context;
        SX_Size(&c, 64, 32, -1, nullptr);
        DrawMarks(c);
        uint8_t* bits = c.bits;
        FailNextFrame(backend);
        SX_Size(&c, 128, 128, -1, nullptr);
        EXPECT_EQ(c.bits, bits);
        EXPECT_EQ(c.width, 64);
        EXPECT_EQ(c.height, 32);
        EXPECT_EQ(c.header.width, 64);
        EXPECT_EQ(c.stride, 64);
        EXPECT_EQ(Pixel(c, 63, 31), Mark(63, 31));
        EXPECT_EQ(fake::gdi().Live(Kind::Bitmap), backend == 0 ? 0 : 1);
        SX_End(&c);
        fake::machine().Reset();
    }
}

TEST(SizeBadInput, ZeroNegativeAndAbsurdSizesMakeNoFrame)
{
    Started s(0);
    SproxContext& c = s.context;
    auto& m = fake::machine();
    const int sizes[][2] = {{0, 240},       {320, 0},        {-1, 240},       {320, -5},
                            {INT_MIN, 10},  {10, INT_MIN},   {INT_MIN, INT_MIN},
                            {INT_MAX, INT_MAX}, {100000, 100000}, {INT_MAX, 1}};
    for (const auto& size : sizes) {
        SX_Size(&c, size[0], size[1], -1, nullptr);
        EXPECT_EQ(c.bits, nullptr);
        EXPECT_EQ(c.width, 0);
    }
    EXPECT_TRUE(m.allocations.empty());
    EXPECT_TRUE(m.boxes.empty());

    // An existing frame stays as it is.
    SX_Size(&c, 32, 32, -1, nullptr);
    uint8_t* bits = c.bits;
    for (const auto& size : sizes) {
        SX_Size(&c, size[0], size[1], -1, nullptr);
    }
    EXPECT_EQ(c.bits, bits);
    EXPECT_EQ(c.width, 32);
    EXPECT_EQ(m.allocations.size(), 1u);
    SX_End(&c);
    EXPECT_EQ(m.liveBlocks, 0);
}

TEST(SizeBadInput, LargeButPossibleFramesAreAttempted)
{
    Started s(0);
    auto& m = fake::machine();
    m.failAllocationsAfter = 0;
    SX_Size(&s.context, 40000, 40000, -1, nullptr);
    ASSERT_EQ(m.allocations.size(), 1u);
    EXPECT_EQ(m.allocations[0], 1600000000u);
    EXPECT_EQ(s.context.bits, nullptr);
    EXPECT_EQ(s.context.width, 0);
}

TEST(SizePalette, ZeroSizeOnlyBuildsThePalette)
{
    Started s(2);
    SproxContext& c = s.context;
    for (int i = 0; i < 256; ++i) {
        c.colors[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 9, 0};
    }
    SxPalette palette = nullptr;
    SX_Size(&c, 0, 0, -1, &palette);
    ASSERT_NE(palette, nullptr);
    auto* object = fake::gdi().Find(palette);
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(object->entries.size(), 256u);
    EXPECT_EQ(object->entries[100].blue, 100);
    EXPECT_EQ(object->entries[100].green, 155);
    EXPECT_EQ(object->entries[100].red, 9);
    EXPECT_EQ(c.bits, nullptr);
    EXPECT_EQ(fake::gdi().Live(Kind::MemoryDC), 0);
}

TEST(SizePalette, BuiltOnceUnlessAskedAgain)
{
    fake::gdi().bitsPerPixel = 8;
    Started s(2);
    SproxContext& c = s.context;
    c.colors[100] = {10, 20, 30, 0};
    SX_Size(&c, 16, 16, -1, nullptr);
    // On a palettised screen the last colour is the system's white: the mark is set.
    EXPECT_EQ(c.colors[255].blue, 255);

    c.colors[100] = {11, 21, 31, 7};
    SX_Size(&c, 32, 32, -1, nullptr);
    EXPECT_EQ(c.colors[100].reserved, 7);   // not rebuilt

    SxPalette palette = nullptr;
    SX_Size(&c, 32, 32, -1, &palette);
    EXPECT_EQ(c.colors[100].reserved, 0);   // rebuilt: reserved bytes are cleared
    EXPECT_EQ(c.colors[100].blue, 11);
}

TEST(SizePalette, APatternLendsItsColourTable)
{
    fake::gdi().bitsPerPixel = 8;
    // A pattern header block as the pattern table holds it: a 32-bit offset to
    // the palette, then the palette.
    alignas(4) uint8_t block[4 + 1024] = {};
    block[0] = 4;
    auto* patternColours = reinterpret_cast<SproxColor*>(block + 4);
    for (int i = 0; i < 256; ++i) {
        patternColours[i] = {static_cast<uint8_t>(i), 0, 0, 0};
    }
    sprox::gPattern.patterns[5].header = block;
    sprox::gPattern.patterns[5].archive = 1;
    sprox::gPattern.patternTop = 6;
    sprox::gPattern.archives[1].sourceKind = 1;

    Started s(2);
    SproxContext& c = s.context;
    SX_Size(&c, 0, 0, 5, nullptr);
    EXPECT_EQ(c.colors[100].blue, 100);
    EXPECT_EQ(c.colors[0].blue, 0);   // the system's black
    // Written back into the pattern's own table: its statics are the system's.
    EXPECT_EQ(patternColours[255].red, 255);
    EXPECT_EQ(patternColours[9].blue, 240);

    // Archives of source kind 0 or 2 keep their palettes as they are.
    for (int32_t kind : {0, 2}) {
        sprox::gPattern.archives[1].sourceKind = kind;
        patternColours[255] = {1, 2, 3, 4};
        SxPalette palette = nullptr;
        SX_Size(&c, 0, 0, 5, &palette);
        EXPECT_EQ(patternColours[255].red, 3);
        EXPECT_EQ(c.colors[255].red, 255);
    }

    // Numbers at or above the table's top, negative ones and empty records use
    // the context's own colours.
    c.colors[100] = {42, 0, 0, 0};
    SxPalette palette = nullptr;
    for (int pattern : {6, -1, 4, 2048, INT_MAX}) {
        SX_Size(&c, 0, 0, pattern, &palette);
        EXPECT_EQ(c.colors[100].blue, 42) << pattern;
    }
    sprox::gPattern.patterns[5] = {};
    sprox::gPattern.patternTop = 0;
}

TEST(SizePalette, FullScreenPaletteGetsTheColours)
{
    SproxContext c{};
    SX_Init(&c, fake::Window());
    sprox::gDisplay.backend = sprox::kBackendDirectDraw;
    sprox::InstallOps();
    c.ddPalette = fake::ddraw().MakePalette();
    c.colors[200] = {1, 2, 3, 0};
    SxPalette palette = nullptr;
    SX_Size(&c, 0, 0, -1, &palette);
    auto& entries = fake::ddraw().PaletteOf(c.ddPalette);
    EXPECT_EQ(entries[200].red, 3);
    EXPECT_EQ(entries[200].blue, 1);
    c.ddPalette = nullptr;
}

TEST(SizeFullScreen, AnotherOwnersFrameOnlyChangesItsDescription)
{
    SproxContext c{};
    SX_Init(&c, fake::Window());
    sprox::gDisplay.backend = sprox::kBackendDirectDraw;
    sprox::InstallOps();
    SX_Size(&c, 200, 100, -1, nullptr);
    EXPECT_EQ(c.width, 200);
    EXPECT_EQ(c.header.width, 200);
    EXPECT_EQ(c.bits, nullptr);
    EXPECT_EQ(fake::gdi().Created(Kind::Bitmap), 0);
    EXPECT_TRUE(fake::machine().allocations.empty());
}

TEST(EndFullScreen, AFrameWaitingInASurfaceIsReleasedWithItsSection)
{
    SproxContext c{};
    SX_Init(&c, fake::Window());
    SX_Size(&c, 64, 32, -1, nullptr);
    // Another context owns the screen: this frame lives in a surface.
    sys::Surface surface = fake::ddraw().MakeSurface(64, 32);
    c.surface = surface;
    c.ddPalette = fake::ddraw().MakePalette();
    sprox::gDisplay.backend = sprox::kBackendDirectDraw;
    sprox::InstallOps();
    sprox::RefreshDescription(&c);
    ASSERT_EQ(c.bits, nullptr);

    SX_End(&c);
    auto& dd = fake::ddraw();
    EXPECT_TRUE(dd.Of(surface).released);
    EXPECT_EQ(dd.released.size(), 2u);
    EXPECT_EQ(c.surface, nullptr);
    EXPECT_EQ(c.ddPalette, nullptr);
    EXPECT_EQ(fake::gdi().Live(Kind::Bitmap), 0);
    EXPECT_EQ(fake::gdi().Live(Kind::MemoryDC), 0);
}
