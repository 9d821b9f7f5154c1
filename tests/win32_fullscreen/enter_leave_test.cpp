// Entering and leaving full screen on the real machine: the display modes the
// start-up probe finds, the display mode chosen for the frame, the picture
// carried from the DIB section to the screen and back, drawing while the screen
// is owned, and the desktop given back.
#include <gtest/gtest.h>

#include <ddraw.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "fullscreen.h"
#include "sprox/display/backend.h"
#include "sprox/display/screenmode.h"

using namespace fstest;

namespace {

using Modes = std::vector<std::pair<uint32_t, uint32_t>>;

HRESULT WINAPI CollectEightBit(DDSURFACEDESC* mode, void* list)
{
    if (mode->ddpfPixelFormat.dwRGBBitCount == 8) {
        static_cast<Modes*>(list)->emplace_back(mode->dwWidth, mode->dwHeight);
    }
    return DDENUMRET_OK;
}

// The 8-bit display modes as the system enumerates them to a DirectDraw object
// of this test's own.
Modes SystemModes()
{
    Modes modes;
    using Create = HRESULT(WINAPI*)(GUID*, IDirectDraw**, IUnknown*);
    auto create = reinterpret_cast<Create>(DirectDrawCreateEntry());
    IDirectDraw* directDraw = nullptr;
    if (create == nullptr || create(nullptr, &directDraw, nullptr) != DD_OK) {
        ADD_FAILURE() << "no DirectDraw";
        return modes;
    }
    directDraw->EnumDisplayModes(0, nullptr, &modes, CollectEightBit);
    directDraw->Release();
    return modes;
}

bool IsWholeDesktop(const RECT& clip)
{
    return clip.left == 0 && clip.top == 0 && clip.right == 1024 && clip.bottom == 768;
}

} // namespace

// The probe of the first SX_Init with a window lists the 8-bit modes in the
// system's order and changes nothing: no DirectDraw object stays, the desktop
// keeps its size.
TEST(Probe, StartUpListsTheEightBitModes)
{
    win32test::TestWindow window(64, 48);
    SproxContext context;
    SX_Init(&context, reinterpret_cast<SxWindow>(window.hwnd()));
    Modes listed;
    for (int i = 0; i < sprox::gDisplay.modeCount; ++i) {
        listed.emplace_back(sprox::gDisplay.modes[i].width, sprox::gDisplay.modes[i].height);
    }
    EXPECT_EQ(listed, SystemModes());
    EXPECT_NE(std::find(listed.begin(), listed.end(), std::pair<uint32_t, uint32_t>(640, 480)),
              listed.end());
    EXPECT_EQ(sprox::gDisplay.directDraw, nullptr);
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendDibSection);
    SIZE desktop = DesktopSize();
    EXPECT_EQ(desktop.cx, 1024);
    EXPECT_EQ(desktop.cy, 768);

    // Probes answer from that list: 640 x 480 is offered exactly, 600 x 400 only
    // inside a larger mode.
    SX_Size(&context, 640, 480, -1, nullptr);
    EXPECT_EQ(sprox::SproxScreenMode(&context, 0x8000 | 0x20 | 1), 1);
    SX_Size(&context, 600, 400, -1, nullptr);
    EXPECT_EQ(sprox::SproxScreenMode(&context, 0x8000 | 0x20 | 1), 0);
    EXPECT_EQ(sprox::SproxScreenMode(&context, 0x8000 | 1), 1);
    EXPECT_EQ(sprox::gDisplay.directDraw, nullptr);
    SX_End(&context);
}

using Entering = FullScreenTest;

// The display mode becomes 640 x 480; the frame moves into a surface in video
// memory with its picture; the screen is filled with the first black colour of
// the game's palette, which the screen takes whole; the cursor stays on the
// frame; a clipper for the window guards the screen. Painting shows the picture.
TEST_F(Entering, CarriesThePictureToTheScreen)
{
    // The same size again takes the new colours into the DIB section and keeps
    // the picture.
    context_.colors[17] = {0, 0, 0, 0};
    SX_Size(&context_, kWidth, kHeight, -1, nullptr);
    ASSERT_NE(context_.bits, nullptr);
    ASSERT_EQ(SX_FullScreen(&context_, kWidth, kHeight, 1), 1);

    SIZE desktop = DesktopSize();
    EXPECT_EQ(desktop.cx, kWidth);
    EXPECT_EQ(desktop.cy, kHeight);
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendDirectDraw);
    EXPECT_EQ(sprox::gDisplay.fullScreenOwner, &context_);
    ASSERT_NE(context_.surface, nullptr);
    EXPECT_EQ(context_.bits, nullptr);
    EXPECT_EQ(context_.hdc, nullptr);

    std::vector<uint8_t> picture = Indices(kWidth, kHeight, [](int x, int y) { return Picture(x, y, 0); });
    EXPECT_TRUE(SameIndices(FrameIndices(&context_), picture, kWidth));
    EXPECT_EQ(context_.lockCount, 0);
    DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(static_cast<IDirectDrawSurface*>(context_.surface)->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_NE(desc.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY, 0u);

    EXPECT_TRUE(SameIndices(ScreenIndices(kWidth, kHeight),
                            Indices(kWidth, kHeight, [](int, int) { return 17; }), kWidth));
    RECT clip = CursorClip();
    EXPECT_EQ(clip.left, 0);
    EXPECT_EQ(clip.top, 0);
    EXPECT_EQ(clip.right, kWidth);
    EXPECT_EQ(clip.bottom, kHeight);

    auto* primary = static_cast<IDirectDrawSurface*>(sprox::gDisplay.primary);
    IDirectDrawPalette* palette = nullptr;
    ASSERT_EQ(primary->GetPalette(&palette), DD_OK);
    PALETTEENTRY shown[256] = {};
    EXPECT_EQ(palette->GetEntries(0, 0, 256, shown), DD_OK);
    palette->Release();
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(RGB(shown[i].peRed, shown[i].peGreen, shown[i].peBlue),
                  RGB(context_.colors[i].red, context_.colors[i].green, context_.colors[i].blue))
            << i;
    }
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(primary->GetClipper(&clipper), DD_OK);
    HWND clipped = nullptr;
    EXPECT_EQ(clipper->GetHWnd(&clipped), DD_OK);
    clipper->Release();
    EXPECT_EQ(clipped, window_.hwnd());

    SX_Paint(&context_, reinterpret_cast<SxDC>(window_.dc()), 0, 0);
    EXPECT_TRUE(SameIndices(ScreenIndices(kWidth, kHeight), picture, kWidth));
    EXPECT_TRUE(win32test::SameScreen(ScreenColours(kWidth, kHeight), Colours(picture, &context_),
                                      kWidth));
}

// Clearing, a pattern put and writes between the back-end's lock and unlock all
// land in the surface, and painting shows them.
TEST_F(Entering, DrawingReachesTheScreen)
{
    dar::Picture pattern = HoledPicture(41, 23);
    ASSERT_TRUE(RegisterPattern(5, pattern));
    ASSERT_EQ(SX_FullScreen(&context_, kWidth, kHeight, 1), 1);

    SX_Clear(&context_, 40);
    std::vector<uint8_t> expected = Indices(kWidth, kHeight, [](int, int) { return 40; });
    EXPECT_TRUE(SameIndices(FrameIndices(&context_), expected, kWidth));

    SX_PatPut(&context_, 100, 50, 5);
    SX_PatPut(&context_, 630, 470, 5);   // cut at the right and bottom edges
    PutModel(&expected, kWidth, pattern, 100, 50);
    for (int y = 468; y < kHeight; ++y) {
        for (int x = 627; x < kWidth; ++x) {
            uint8_t index = pattern.at(x - 627, y - 468);
            if (index != pattern.key) {
                expected[static_cast<size_t>(y) * kWidth + x] = index;
            }
        }
    }

    ASSERT_TRUE(sprox::gDisplay.ops.lock(&context_));
    ASSERT_TRUE(sprox::gDisplay.ops.lock(&context_));   // nested: the same memory
    ASSERT_NE(context_.bits, nullptr);
    EXPECT_GE(context_.pitch, kWidth);
    for (int y = 300; y < 340; ++y) {
        for (int x = 200; x < 260; ++x) {
            context_.bits[context_.topOffset + y * context_.pitch + x] =
                static_cast<uint8_t>(Picture(x, y, 3));
            expected[static_cast<size_t>(y) * kWidth + x] = static_cast<uint8_t>(Picture(x, y, 3));
        }
    }
    sprox::gDisplay.ops.unlock(&context_);
    EXPECT_NE(context_.bits, nullptr);
    sprox::gDisplay.ops.unlock(&context_);
    EXPECT_EQ(context_.bits, nullptr);
    EXPECT_EQ(context_.lockCount, 0);

    EXPECT_TRUE(SameIndices(FrameIndices(&context_), expected, kWidth));
    SX_Paint(&context_, reinterpret_cast<SxDC>(window_.dc()), 0, 0);
    EXPECT_TRUE(SameIndices(ScreenIndices(kWidth, kHeight), expected, kWidth));
    EXPECT_TRUE(win32test::SameScreen(ScreenColours(kWidth, kHeight), Colours(expected, &context_),
                                      kWidth));
}

// Leaving copies what the surface holds back into the DIB section, restores the
// desktop's mode and frees the cursor; painting into the window works again.
TEST_F(Entering, LeavingBringsThePictureBackAndTheDesktop)
{
    ASSERT_EQ(SX_FullScreen(&context_, kWidth, kHeight, 1), 1);
    ASSERT_TRUE(sprox::gDisplay.ops.lock(&context_));
    win32test::FillFrame(&context_, [](int x, int y) { return Picture(x, y, 1); });
    sprox::gDisplay.ops.unlock(&context_);

    EXPECT_EQ(SX_FullScreen(&context_, kWidth, kHeight, 0), 0);
    SIZE desktop = DesktopSize();
    EXPECT_EQ(desktop.cx, 1024);
    EXPECT_EQ(desktop.cy, 768);
    EXPECT_TRUE(IsWholeDesktop(CursorClip()));
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendDibSection);
    EXPECT_EQ(sprox::gDisplay.fullScreenOwner, nullptr);
    EXPECT_EQ(sprox::gDisplay.directDraw, nullptr);
    EXPECT_EQ(sprox::gDisplay.primary, nullptr);
    EXPECT_EQ(context_.surface, nullptr);
    EXPECT_EQ(context_.bits, context_.dibBits);
    EXPECT_EQ(context_.hdc, context_.dibDC);

    std::vector<uint8_t> picture = Indices(kWidth, kHeight, [](int x, int y) { return Picture(x, y, 1); });
    EXPECT_TRUE(SameIndices(FrameIndices(&context_), picture, kWidth));
    window_.Erase();
    SX_Paint(&context_, reinterpret_cast<SxDC>(window_.dc()), 0, 0);
    EXPECT_TRUE(win32test::SameScreen(window_.ReadBack(), Colours(picture, &context_), kWidth));
}

// Ending the owner while it has the screen gives the desktop back.
TEST_F(Entering, EndingTheOwnerGivesTheDesktopBack)
{
    ASSERT_EQ(SX_FullScreen(&context_, kWidth, kHeight, 1), 1);
    SX_End(&context_);
    SIZE desktop = DesktopSize();
    EXPECT_EQ(desktop.cx, 1024);
    EXPECT_EQ(desktop.cy, 768);
    EXPECT_TRUE(IsWholeDesktop(CursorClip()));
    EXPECT_EQ(sprox::gDisplay.fullScreenOwner, nullptr);
    EXPECT_EQ(sprox::gDisplay.directDraw, nullptr);
    SX_Init(&context_, hwnd());   // for the fixture's own SX_End
}

// A frame that no display mode fits exactly is shown in the smallest mode that
// holds it at its scale: 300 x 220 doubled in 640 x 480, 600 x 400 in 640 x 400
// rather than 640 x 480. The picture is made of 10 x 10 blocks: the system may
// smooth a stretched copy where blocks meet, so only the inside of each shown
// block is compared.
TEST_F(Entering, TheDisplayModeHoldsTheFrameAtItsScale)
{
    struct Case {
        int width, height, scale;
        int modeWidth, modeHeight;
    };
    auto blocks = [](int x, int y) { return Picture(x / 10, y / 10, 2); };
    for (Case c : {Case{300, 220, 2, 640, 480}, Case{600, 400, 1, 640, 400}}) {
        SCOPED_TRACE(c.width);
        SX_Size(&context_, c.width, c.height, -1, nullptr);
        win32test::FillFrame(&context_, blocks);
        context_.scale = c.scale;
        ASSERT_EQ(SX_FullScreen(&context_, c.width, c.height, 1), 1);
        SIZE desktop = DesktopSize();
        EXPECT_EQ(desktop.cx, c.modeWidth);
        EXPECT_EQ(desktop.cy, c.modeHeight);
        EXPECT_EQ(context_.scale, c.scale);

        SX_Paint(&context_, reinterpret_cast<SxDC>(window_.dc()), 0, 0);
        std::vector<uint8_t> screen = ScreenIndices(c.modeWidth, c.modeHeight);
        ASSERT_EQ(screen.size(), static_cast<size_t>(c.modeWidth) * c.modeHeight);
        int s = c.scale;
        int block = 10 * s;
        size_t differences = 0;
        for (int y = 0; y < c.modeHeight; ++y) {
            for (int x = 0; x < c.modeWidth; ++x) {
                bool inside = x < c.width * s && y < c.height * s;
                if (inside && (x % block < 2 || x % block >= block - 2 || y % block < 2 ||
                               y % block >= block - 2)) {
                    continue;   // where blocks meet
                }
                int expected = inside ? blocks(x / s, y / s) : 0;
                if (screen[static_cast<size_t>(y) * c.modeWidth + x] != expected &&
                    ++differences <= 4) {
                    ADD_FAILURE() << "(" << x << ", " << y << ") shows "
                                  << int{screen[static_cast<size_t>(y) * c.modeWidth + x]}
                                  << ", expected " << expected;
                }
            }
        }
        EXPECT_EQ(differences, 0u);
        SX_FullScreen(&context_, c.width, c.height, 0);
    }
}

// Every registered context's frame moves into a surface of its own, with its
// picture: the second one is painted over the owner's at a place of its own,
// drawn into, and gets its new picture back in its DIB section.
TEST_F(Entering, EveryContextsFrameMovesIntoASurface)
{
    SproxContext other;
    SX_Init(&other, nullptr);
    win32test::SetTestColours(&other);
    SX_Size(&other, 100, 80, -1, nullptr);
    win32test::FillFrame(&other, [](int x, int y) { return Picture(x, y, 4); });

    ASSERT_EQ(SX_FullScreen(&context_, kWidth, kHeight, 1), 1);
    ASSERT_NE(other.surface, nullptr);
    EXPECT_NE(other.surface, context_.surface);
    EXPECT_EQ(other.bits, nullptr);
    EXPECT_TRUE(SameIndices(FrameIndices(&other),
                            Indices(100, 80, [](int x, int y) { return Picture(x, y, 4); }), 100));

    SX_Paint(&context_, reinterpret_cast<SxDC>(window_.dc()), 0, 0);
    SX_Paint(&other, reinterpret_cast<SxDC>(window_.dc()), 200, 150);
    std::vector<uint8_t> expected = Indices(kWidth, kHeight, [](int x, int y) {
        bool inOther = x >= 200 && x < 300 && y >= 150 && y < 230;
        return inOther ? Picture(x - 200, y - 150, 4) : Picture(x, y, 0);
    });
    EXPECT_TRUE(SameIndices(ScreenIndices(kWidth, kHeight), expected, kWidth));

    SX_Clear(&other, 77);
    SX_FullScreen(&context_, kWidth, kHeight, 0);
    EXPECT_EQ(other.surface, nullptr);
    EXPECT_EQ(other.bits, other.dibBits);
    EXPECT_TRUE(SameIndices(FrameIndices(&other), Indices(100, 80, [](int, int) { return 77; }), 100));
    SX_End(&other);
}
