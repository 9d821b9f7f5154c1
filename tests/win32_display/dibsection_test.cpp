// Resizing, clearing and the palette on the real DIB section: a rebuilt section
// keeps the picture in its top-left corner and takes the context's new colours;
// clearing fills each row up to the frame's width; the palette handed out is a
// real GDI palette.
#include <gtest/gtest.h>

#include "screen.h"
#include "sprox.h"
#include "sprox/display/backend.h"

using namespace win32test;

namespace {

int Pattern(int x, int y) { return 1 + (x * 5 + y * 17) % 250; }

// A context on the DIB section, with the test colours and a w x h frame.
void Start(SproxContext* context, HWND window, int w, int h)
{
    SX_Init(context, reinterpret_cast<SxWindow>(window));
    ASSERT_EQ(sprox::gDisplay.backend, sprox::kBackendDibSection);
    SetTestColours(context);
    SX_Size(context, w, h, -1, nullptr);
    ASSERT_NE(context->bits, nullptr);
}

HGDIOBJ SelectedBitmap(const SproxContext* context)
{
    return GetCurrentObject(static_cast<HDC>(context->hdc), OBJ_BITMAP);
}

// The frame painted 1:1 at (0, 0) of the window and read back: what the screen
// shows of each frame pixel.
std::vector<uint32_t> Shown(SproxContext* context, TestWindow& window)
{
    window.Erase();
    SX_Paint(context, reinterpret_cast<SxDC>(window.dc()), 0, 0);
    return window.ReadBack();
}

// Window pixel (x, y) should show colour index `index` of the context.
void ExpectShows(const std::vector<uint32_t>& shown, const TestWindow& window, int x, int y,
                 const SproxContext* context, int index)
{
    ASSERT_EQ(shown.size(), static_cast<size_t>(window.width()) * window.height());
    EXPECT_EQ(shown[static_cast<size_t>(y) * window.width() + x], Rgb(context->colors[index]))
        << "at (" << x << ", " << y << ")";
}

} // namespace

// Same size: a new section (the old one is deleted), the same picture, now shown
// in the colours the context holds when SX_Size is asked for a palette.
TEST(DibSection, SameSizeRebuildKeepsThePictureAndTakesTheNewColours)
{
    TestWindow window(48, 32);
    SproxContext context;
    Start(&context, window.hwnd(), 40, 30);
    FillFrame(&context, Pattern);
    HGDIOBJ before = SelectedBitmap(&context);

    SetOtherColours(&context);
    SxPalette palette = nullptr;
    SX_Size(&context, 40, 30, -1, &palette);
    ASSERT_NE(palette, nullptr);
    DeleteObject(palette);
    HGDIOBJ after = SelectedBitmap(&context);
    EXPECT_NE(after, before);
    EXPECT_EQ(GetObjectType(before), 0u);   // deleted
    EXPECT_EQ(GetObjectType(after), static_cast<DWORD>(OBJ_BITMAP));

    std::vector<uint32_t> shown = Shown(&context, window);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(FramePixel(&context, x, y), Pattern(x, y)) << x << ", " << y;
            ExpectShows(shown, window, x, y, &context, Pattern(x, y));
        }
    }
    EXPECT_NE(Rgb(context.colors[Pattern(0, 0)]), Rgb(TestColour(Pattern(0, 0))));
    SX_End(&context);
}

// Growing keeps the old picture in the top-left corner of the bigger frame;
// shrinking keeps the top-left part of it.
TEST(DibSection, GrowAndShrinkKeepTheTopLeftCorner)
{
    TestWindow window(72, 52);
    SproxContext context;
    Start(&context, window.hwnd(), 38, 25);
    FillFrame(&context, Pattern);

    SX_Size(&context, 70, 50, -1, nullptr);
    ASSERT_EQ(context.width, 70);
    ASSERT_EQ(context.height, 50);
    EXPECT_EQ(context.stride, 72);
    std::vector<uint32_t> shown = Shown(&context, window);
    for (int y = 0; y < 25; ++y) {
        for (int x = 0; x < 38; ++x) {
            ASSERT_EQ(FramePixel(&context, x, y), Pattern(x, y)) << x << ", " << y;
            ExpectShows(shown, window, x, y, &context, Pattern(x, y));
        }
    }

    SX_Size(&context, 13, 9, -1, nullptr);
    ASSERT_EQ(context.width, 13);
    EXPECT_EQ(context.stride, 16);
    shown = Shown(&context, window);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 13; ++x) {
            ASSERT_EQ(FramePixel(&context, x, y), Pattern(x, y)) << x << ", " << y;
            ExpectShows(shown, window, x, y, &context, Pattern(x, y));
        }
    }
    EXPECT_EQ(shown[13], kBackground);   // nothing painted beyond the frame
    SX_End(&context);
}

// Every pixel of every row gets the colour; the padding bytes after each row's
// 37 pixels keep what they held.
TEST(DibSection, ClearFillsEachRowUpToTheWidth)
{
    TestWindow window(40, 24);
    SproxContext context;
    Start(&context, window.hwnd(), 37, 21);
    ASSERT_EQ(context.stride, 40);
    for (int y = 0; y < 21; ++y) {
        uint8_t* row = context.bits + y * context.stride;
        for (int x = 0; x < 40; ++x) {
            row[x] = 0xAB;
        }
    }

    SX_Clear(&context, 0x1207);   // the colour's low byte counts
    for (int y = 0; y < 21; ++y) {
        const uint8_t* row = context.bits + y * context.stride;
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(row[x], x < 37 ? 0x07 : 0xAB) << x << ", " << y;
        }
    }
    std::vector<uint32_t> shown = Shown(&context, window);
    ExpectShows(shown, window, 0, 0, &context, 7);
    ExpectShows(shown, window, 36, 20, &context, 7);
    EXPECT_EQ(shown[37], kBackground);
    SX_End(&context);
}

// A palette-only call makes no frame; each call with a palette out hands out a new
// GDI palette of the context's 256 colours, which the caller deletes.
TEST(DibSection, PaletteOutIsARealPalette)
{
    TestWindow window(16, 16);
    SproxContext context;
    SX_Init(&context, reinterpret_cast<SxWindow>(window.hwnd()));
    SetTestColours(&context);

    SxPalette first = nullptr;
    SX_Size(&context, 0, 0, -1, &first);
    EXPECT_EQ(context.bits, nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetObjectType(first), static_cast<DWORD>(OBJ_PAL));
    PALETTEENTRY entries[256] = {};
    ASSERT_EQ(GetPaletteEntries(first, 0, 256, entries), 256u);
    for (int i = 0; i < 256; ++i) {
        SproxColor expected = TestColour(i);
        ASSERT_EQ(entries[i].peRed, expected.red) << i;
        ASSERT_EQ(entries[i].peGreen, expected.green) << i;
        ASSERT_EQ(entries[i].peBlue, expected.blue) << i;
    }

    SxPalette second = nullptr;
    SX_Size(&context, 8, 8, -1, &second);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(GetObjectType(second), static_cast<DWORD>(OBJ_PAL));
    EXPECT_NE(context.bits, nullptr);
    EXPECT_TRUE(DeleteObject(first));
    EXPECT_TRUE(DeleteObject(second));
    SX_End(&context);
}
