// SX_Paint on the SDL machine: frames painted into SDL surfaces, read back pixel
// by pixel.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cstdlib>

#include "sprox.h"
#include "support/sdl_pixels.h"

namespace {

using sdltest::AsStored;
using sdltest::ColourOf;
using sdltest::PixelAt;

// The colour index x, y of a w x h frame holds.
int IndexAt(int x, int y, int w)
{
    return (y * w + x) % 256;
}

// A context whose w x h frame holds IndexAt everywhere, its colours ColourOf.
struct Painted {
    SproxContext context{};

    Painted(int w, int h, SxWindow window = nullptr)
    {
        SX_Init(&context, window);
        for (int i = 0; i < 256; ++i) {
            SDL_Color c = ColourOf(i);
            context.colors[i] = {c.b, c.g, c.r, 0};
        }
        SX_Size(&context, w, h, -1, nullptr);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                context.bits[context.topOffset + y * context.pitch + x] =
                    static_cast<uint8_t>(IndexAt(x, y, w));
            }
        }
    }
    ~Painted() { SX_End(&context); }
};

SDL_Surface* Target(int w, int h, Uint32 format = SDL_PIXELFORMAT_ARGB8888)
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, SDL_BITSPERPIXEL(format), format);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 1, 2, 3));
    return s;
}

// Checks that the target shows, at (ox, oy) and scaled by num/den, the frame
// pixel that expected(x, y) names for each destination pixel.
template <typename Expected>
void ExpectPicture(SDL_Surface* target, int ox, int oy, int w, int h, Expected expected)
{
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            SDL_Color want = ColourOf(expected(x, y));
            SDL_Color got = PixelAt(target, ox + x, oy + y);
            ASSERT_EQ(got.r, want.r) << x << "," << y;
            ASSERT_EQ(got.g, want.g) << x << "," << y;
            ASSERT_EQ(got.b, want.b) << x << "," << y;
        }
    }
}

bool Untouched(SDL_Surface* target, int x, int y)
{
    SDL_Color c = PixelAt(target, x, y);
    return c.r == 1 && c.g == 2 && c.b == 3;
}

} // namespace

TEST(SdlPaint, FramePixelsShowTheirPaletteColours)
{
    Painted p(20, 15);
    SDL_Surface* target = Target(40, 30);
    SX_Paint(&p.context, target, 5, 6);
    ExpectPicture(target, 5, 6, 20, 15, [](int x, int y) { return IndexAt(x, y, 20); });
    EXPECT_TRUE(Untouched(target, 4, 6));
    EXPECT_TRUE(Untouched(target, 25, 6));
    EXPECT_TRUE(Untouched(target, 5, 21));
    SDL_FreeSurface(target);
}

TEST(SdlPaint, OtherTargetFormatsGetTheSameColours)
{
    for (Uint32 format : {SDL_PIXELFORMAT_RGB24, SDL_PIXELFORMAT_BGR888, SDL_PIXELFORMAT_RGB565}) {
        SCOPED_TRACE(SDL_GetPixelFormatName(format));
        Painted p(16, 16);
        SDL_Surface* target = Target(16, 16, format);
        SX_Paint(&p.context, target, 0, 0);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                SDL_Color want = AsStored(target->format, ColourOf(IndexAt(x, y, 16)));
                SDL_Color got = PixelAt(target, x, y);
                ASSERT_EQ(got.r, want.r) << x << "," << y;
                ASSERT_EQ(got.g, want.g) << x << "," << y;
                ASSERT_EQ(got.b, want.b) << x << "," << y;
            }
        }
        SDL_FreeSurface(target);
    }
}

TEST(SdlPaint, ScaleTwoDoublesAndScaleZeroHalves)
{
    Painted p(10, 8);
    SDL_Surface* target = Target(40, 40);
    p.context.scale = 2;
    SX_Paint(&p.context, target, 3, 2);   // lands at (6, 4)
    ExpectPicture(target, 6, 4, 20, 16, [](int x, int y) { return IndexAt(x / 2, y / 2, 10); });
    EXPECT_TRUE(Untouched(target, 5, 4));
    EXPECT_TRUE(Untouched(target, 26, 4));
    EXPECT_TRUE(Untouched(target, 6, 20));

    SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 1, 2, 3));
    p.context.scale = 0;
    SX_Paint(&p.context, target, 0, 0);
    ExpectPicture(target, 0, 0, 5, 4, [](int x, int y) { return IndexAt(x * 2, y * 2, 10); });
    EXPECT_TRUE(Untouched(target, 5, 0));
    SDL_FreeSurface(target);
}

// Every target depth at every scale, painted whole, cut by the target's clip
// rectangle on each side at odd offsets (a scaled pixel is cut in the middle), and
// at odd frame sizes, where halving leaves a column and a row unshown.
TEST(SdlPaint, EveryDepthAndScaleShowsTheNearestFramePixel)
{
    struct Placement {
        int frameW, frameH;
        int x, y;           // the paint position, before scaling
        SDL_Rect clip;      // the target's clip rectangle
    };
    const Placement placements[] = {
        {18, 12, 1, 2, {0, 0, 60, 50}},
        {18, 12, -3, -1, {0, 0, 60, 50}},
        {18, 12, 2, 1, {5, 3, 23, 17}},
        {19, 13, 0, 0, {1, 1, 57, 39}},
    };
    for (Uint32 format : {SDL_PIXELFORMAT_ARGB8888, SDL_PIXELFORMAT_RGB24, SDL_PIXELFORMAT_BGR24,
                          SDL_PIXELFORMAT_RGB565}) {
        for (int scale = 0; scale <= 3; ++scale) {
            for (const Placement& at : placements) {
                SCOPED_TRACE(testing::Message() << SDL_GetPixelFormatName(format) << " scale "
                                                << scale << " frame " << at.frameW << "x"
                                                << at.frameH << " at " << at.x << "," << at.y
                                                << " clip " << at.clip.x << "," << at.clip.y);
                Painted p(at.frameW, at.frameH);
                p.context.scale = scale;
                SDL_Surface* target = Target(60, 50, format);
                SDL_Surface* before = SDL_ConvertSurfaceFormat(target, format, 0);
                SDL_SetClipRect(target, &at.clip);
                SX_Paint(&p.context, target, at.x, at.y);
                // Scale 0 shows every other pixel of the even part of the frame.
                auto to = [&](int v) { return scale == 0 ? v / 2 : v * scale; };
                int w = scale == 0 ? at.frameW / 2 : at.frameW * scale;
                int h = scale == 0 ? at.frameH / 2 : at.frameH * scale;
                int ox = to(at.x), oy = to(at.y);
                for (int y = 0; y < 50; ++y) {
                    for (int x = 0; x < 60; ++x) {
                        bool inClip = x >= at.clip.x && x < at.clip.x + at.clip.w &&
                                      y >= at.clip.y && y < at.clip.y + at.clip.h;
                        bool inPicture = x >= ox && x < ox + w && y >= oy && y < oy + h;
                        SDL_Color want = PixelAt(before, x, y);
                        if (inClip && inPicture) {
                            int fx = scale == 0 ? (x - ox) * 2 : (x - ox) / scale;
                            int fy = scale == 0 ? (y - oy) * 2 : (y - oy) / scale;
                            want = AsStored(target->format, ColourOf(IndexAt(fx, fy, at.frameW)));
                        }
                        SDL_Color got = PixelAt(target, x, y);
                        ASSERT_EQ(got.r, want.r) << x << "," << y;
                        ASSERT_EQ(got.g, want.g) << x << "," << y;
                        ASSERT_EQ(got.b, want.b) << x << "," << y;
                    }
                }
                SDL_FreeSurface(before);
                SDL_FreeSurface(target);
            }
        }
    }
}

TEST(SdlPaint, WrappedPiecesLandWhereTheyBelong)
{
    Painted p(8, 4);
    SDL_Surface* target = Target(30, 20);
    p.context.scrollX = 3;
    p.context.scrollY = -1;
    SX_Paint(&p.context, target, 0, 0);
    ExpectPicture(target, 0, 0, 8, 4, [](int x, int y) { return IndexAt((x + 3) % 8, (y + 3) % 4, 8); });

    // A view larger than the frame repeats it; scaled, each piece is scaled in place.
    p.context.scrollX = 0;
    p.context.scrollY = 0;
    p.context.viewWidth = 12;
    p.context.viewHeight = 6;
    p.context.scale = 2;
    SX_Paint(&p.context, target, 1, 1);
    ExpectPicture(target, 2, 2, 24, 12, [](int x, int y) { return IndexAt(x / 2 % 8, y / 2 % 4, 8); });
    SDL_FreeSurface(target);
}

TEST(SdlPaint, PaintingOutsideTheTargetIsClipped)
{
    Painted p(16, 16);
    SDL_Surface* target = Target(10, 10);
    SX_Paint(&p.context, target, -4, 3);
    ExpectPicture(target, 0, 3, 10, 7, [](int x, int y) { return IndexAt(x + 4, y, 16); });
    EXPECT_TRUE(Untouched(target, 0, 2));
    SX_Paint(&p.context, target, 1000, -1000);
    SX_Paint(&p.context, nullptr, 0, 0);
    SDL_FreeSurface(target);
}

TEST(SdlPaint, SizePaletteIsAnSdlPaletteOfTheColours)
{
    Painted p(4, 4);
    SxPalette palette = nullptr;
    SX_Size(&p.context, 0, 0, -1, &palette);
    ASSERT_NE(palette, nullptr);
    ASSERT_EQ(palette->ncolors, 256);
    for (int i = 0; i < 256; ++i) {
        SDL_Color want = ColourOf(i);
        ASSERT_EQ(palette->colors[i].r, want.r);
        ASSERT_EQ(palette->colors[i].g, want.g);
        ASSERT_EQ(palette->colors[i].b, want.b);
    }
    SDL_FreePalette(palette);
}

TEST(SdlPaint, SameSizeRebuildKeepsThePictureAndTakesTheNewColours)
{
    // Painted once before the colours change, so that nothing kept from the first
    // painting shows in the second.
    for (Uint32 format : {SDL_PIXELFORMAT_ARGB8888, SDL_PIXELFORMAT_RGB565}) {
        SCOPED_TRACE(SDL_GetPixelFormatName(format));
        Painted p(12, 9);
        SDL_Surface* target = Target(12, 9, format);
        SX_Paint(&p.context, target, 0, 0);
        for (int i = 0; i < 256; ++i) {
            p.context.colors[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i), 0, 0};
        }
        SxPalette palette = nullptr;
        SX_Size(&p.context, 12, 9, -1, &palette);
        SDL_FreePalette(palette);
        SX_Paint(&p.context, target, 0, 0);
        for (int y = 0; y < 9; ++y) {
            for (int x = 0; x < 12; ++x) {
                auto i = static_cast<Uint8>(IndexAt(x, y, 12));
                SDL_Color want{0, i, i, 255};
                SDL_GetRGB(SDL_MapRGB(target->format, 0, i, i), target->format, &want.r, &want.g,
                           &want.b);
                SDL_Color got = PixelAt(target, x, y);
                ASSERT_EQ(got.r, want.r) << x << "," << y;
                ASSERT_EQ(got.g, want.g) << x << "," << y;
                ASSERT_EQ(got.b, want.b) << x << "," << y;
            }
        }
        SDL_FreeSurface(target);
    }
}

// The same through a window's own surface, on SDL's dummy video driver (no display needed).
TEST(SdlWindow, PaintsIntoTheWindowSurface)
{
    // The dummy driver is only had by name.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    ASSERT_EQ(SDL_VideoInit("dummy"), 0) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("sprox test", 0, 0, 64, 48, 0);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    ASSERT_NE(surface, nullptr) << SDL_GetError();
    {
        Painted p(32, 24, window);
        EXPECT_EQ(p.context.hwnd, window);
        p.context.scale = 2;
        SX_Paint(&p.context, surface, 0, 0);
        EXPECT_EQ(SDL_UpdateWindowSurface(window), 0);
        ExpectPicture(surface, 0, 0, 64, 48, [](int x, int y) { return IndexAt(x / 2, y / 2, 32); });
    }
    SDL_DestroyWindow(window);
    SDL_Quit();
}

// And on a real X display, when there is one (scripts/test.sh runs the tests
// under a virtual one).
TEST(SdlWindow, PaintsIntoAnX11WindowSurface)
{
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "no X display";
    }
    ASSERT_EQ(SDL_VideoInit("x11"), 0) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("sprox test", 0, 0, 64, 48, SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    ASSERT_NE(surface, nullptr) << SDL_GetError();
    {
        Painted p(64, 48, window);
        SX_Paint(&p.context, surface, 0, 0);
        ExpectPicture(surface, 0, 0, 64, 48, [](int x, int y) { return IndexAt(x, y, 64); });
    }
    SDL_DestroyWindow(window);
    SDL_Quit();
}
