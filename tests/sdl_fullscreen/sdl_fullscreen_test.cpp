// Full screen on the SDL machine: the display's modes, a full-screen window in
// the chosen mode, frames shown on it, and the window given back with its
// picture. Runs on the X display when there is one (scripts/test.sh gives the
// tests a virtual one with a single 1024 x 768 mode), else on SDL's dummy video
// driver, which offers the same single mode.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

#include "sprox.h"
#include "sprox/display/backend.h"
#include "sprox/display/ddraw_state.h"
#include "sprox/display/screenmode.h"
#include "sprox/sys/sdl/sdl_ddraw.h"
#include "sprox/sys/sdl/sdl_gdi.h"

namespace {

SDL_Color ColourOf(int i)
{
    return {static_cast<Uint8>(i * 3), static_cast<Uint8>(255 - i), static_cast<Uint8>(i * 7), 255};
}

uint8_t Mark(int x, int y)
{
    return static_cast<uint8_t>((x / 4 + y / 4 * 5) % 256);
}

SDL_Color PixelAt(SDL_Surface* s, int x, int y)
{
    const Uint8* p = static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    Uint32 value = 0;
    switch (s->format->BytesPerPixel) {
    case 1: value = *p; break;
    case 2: value = *reinterpret_cast<const Uint16*>(p); break;
    case 3: value = SDL_BYTEORDER == SDL_LIL_ENDIAN ? p[0] | p[1] << 8 | p[2] << 16
                                                    : p[2] | p[1] << 8 | p[0] << 16; break;
    default: value = *reinterpret_cast<const Uint32*>(p); break;
    }
    SDL_Color c{0, 0, 0, 255};
    SDL_GetRGB(value, s->format, &c.r, &c.g, &c.b);
    return c;
}

// Whether a pixel shows the colour of an index, as the surface's format holds it.
bool Shows(SDL_Surface* s, int x, int y, int index)
{
    SDL_Color want = ColourOf(index);
    Uint32 mapped = SDL_MapRGB(s->format, want.r, want.g, want.b);
    SDL_GetRGB(mapped, s->format, &want.r, &want.g, &want.b);
    SDL_Color got = PixelAt(s, x, y);
    return got.r == want.r && got.g == want.g && got.b == want.b;
}

void Pump()
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
}

// Video on the X display, or on the dummy driver without one.
struct Video {
    explicit Video(const char* driver = nullptr)
    {
        if (driver == nullptr) {
            driver = std::getenv("DISPLAY") != nullptr ? "x11" : "dummy";
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
        ok = SDL_VideoInit(driver) == 0;
    }
    ~Video() { SDL_Quit(); }
    bool ok = false;
};

// A hidden 640 x 480 window and a context on it whose w x h frame holds Mark.
struct Game {
    SDL_Window* window = nullptr;
    SproxContext context{};

    Game(int w, int h)
    {
        window = SDL_CreateWindow("sprox full screen", 0, 0, 640, 480, SDL_WINDOW_HIDDEN);
        if (window == nullptr) {
            return;
        }
        SX_Init(&context, window);
        for (int i = 0; i < 256; ++i) {
            SDL_Color c = ColourOf(i);
            context.colors[i] = {c.b, c.g, c.r, 0};
        }
        SX_Size(&context, w, h, -1, nullptr);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                context.bits[context.topOffset + y * context.pitch + x] = Mark(x, y);
            }
        }
    }
    ~Game()
    {
        if (window != nullptr) {
            SX_End(&context);
            SDL_DestroyWindow(window);
        }
    }
    bool HoldsMarks()
    {
        for (int y = 0; y < context.height; ++y) {
            for (int x = 0; x < context.width; ++x) {
                if (context.bits[context.topOffset + y * context.pitch + x] != Mark(x, y)) {
                    return false;
                }
            }
        }
        return true;
    }
};

// The sizes of the display's modes, in SDL's order, each once.
std::vector<std::pair<uint32_t, uint32_t>> DisplaySizes()
{
    std::vector<std::pair<uint32_t, uint32_t>> sizes;
    std::set<std::pair<uint32_t, uint32_t>> seen;
    for (int i = 0; i < SDL_GetNumDisplayModes(0); ++i) {
        SDL_DisplayMode mode;
        SDL_GetDisplayMode(0, i, &mode);
        std::pair<uint32_t, uint32_t> size(mode.w, mode.h);
        if (mode.w > 0 && mode.h > 0 && seen.insert(size).second) {
            sizes.push_back(size);
        }
    }
    return sizes;
}

} // namespace

TEST(SdlFullScreen, TheModeListIsTheDisplaysSizes)
{
    Video video;
    ASSERT_TRUE(video.ok) << SDL_GetError();
    Game game(64, 48);
    ASSERT_NE(game.window, nullptr) << SDL_GetError();
    auto sizes = DisplaySizes();
    ASSERT_FALSE(sizes.empty());
    ASSERT_EQ(sprox::gDisplayModeCount, static_cast<int32_t>(std::min<size_t>(sizes.size(), 64)));
    for (int32_t i = 0; i < sprox::gDisplayModeCount; ++i) {
        EXPECT_EQ(sprox::gDisplayModes[i].width, sizes[i].first);
        EXPECT_EQ(sprox::gDisplayModes[i].height, sizes[i].second);
    }
    // The probe changed nothing.
    EXPECT_EQ(SDL_GetWindowFlags(game.window) & (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_SHOWN), 0u);
    EXPECT_EQ(sprox::gDirectDraw, nullptr);
}

TEST(SdlFullScreen, EnterDrawPresentAndLeaveWithThePictureIntact)
{
    Video video;
    ASSERT_TRUE(video.ok) << SDL_GetError();
    SDL_DisplayMode first;
    ASSERT_EQ(SDL_GetDisplayMode(0, 0, &first), 0);
    // A frame half the size of the display's first mode, shown twice as large.
    int w = first.w / 2;
    int h = first.h / 2;
    Game game(w, h);
    ASSERT_NE(game.window, nullptr) << SDL_GetError();
    game.context.scale = 2;

    ASSERT_EQ(SX_FullScreen(&game.context, w, h, 1), 1);
    Pump();
    Uint32 flags = SDL_GetWindowFlags(game.window);
    EXPECT_NE(flags & SDL_WINDOW_FULLSCREEN, 0u);
    EXPECT_NE(flags & SDL_WINDOW_SHOWN, 0u);
    EXPECT_NE(flags & SDL_WINDOW_MOUSE_GRABBED, 0u) << "the cursor stays on the screen";
    const SDL_Rect* confined = SDL_GetWindowMouseRect(game.window);
    ASSERT_NE(confined, nullptr);
    EXPECT_EQ(confined->w, w);
    EXPECT_EQ(confined->h, h);
    EXPECT_EQ(game.context.scale, 2);
    EXPECT_EQ(sprox::gBackend, sprox::kBackendDirectDraw);
    EXPECT_EQ(game.context.bits, nullptr);

    // Draw a bar while full screen and present: the screen shows the frame twice
    // as large through the frame's colours.
    sprox::FrameView view;
    ASSERT_EQ(sprox::LockFrameView(&view, &game.context), 1);
    for (int x = 0; x < 10; ++x) {
        view.bits[view.topOffset + 3 * view.pitch + x] = 250;
    }
    sprox::gOps.unlock(&game.context);
    SDL_Surface* screen = SDL_GetWindowSurface(game.window);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->w, first.w);
    EXPECT_EQ(screen->h, first.h);
    SX_Paint(&game.context, screen, 0, 0);
    EXPECT_TRUE(Shows(screen, 0, 0, Mark(0, 0)));
    EXPECT_TRUE(Shows(screen, 2 * 40 + 1, 2 * 30, Mark(40, 30)));
    EXPECT_TRUE(Shows(screen, 2 * w - 1, 2 * h - 1, Mark(w - 1, h - 1)));
    EXPECT_TRUE(Shows(screen, 2 * 9, 2 * 3 + 1, 250));

    // Back to the window, which gets its size back; the frame is in its DIB
    // section again with the picture and the bar.
    EXPECT_EQ(SX_FullScreen(&game.context, 0, 0, 0), 0);
    Pump();
    flags = SDL_GetWindowFlags(game.window);
    EXPECT_EQ(flags & SDL_WINDOW_FULLSCREEN, 0u);
    EXPECT_EQ(flags & SDL_WINDOW_MOUSE_GRABBED, 0u);
    int ww = 0, wh = 0;
    SDL_GetWindowSize(game.window, &ww, &wh);
    EXPECT_EQ(ww, 640);
    EXPECT_EQ(wh, 480);
    EXPECT_EQ(sprox::gBackend, sprox::kBackendDibSection);
    ASSERT_EQ(game.context.bits, game.context.dibBits);
    uint8_t* row3 = game.context.bits + game.context.topOffset + 3 * game.context.pitch;
    EXPECT_EQ(row3[9], 250);
    EXPECT_EQ(row3[10], Mark(10, 3));
    for (int x = 0; x < 10; ++x) {
        row3[x] = Mark(x, 3);
    }
    EXPECT_TRUE(game.HoldsMarks());
    screen = SDL_GetWindowSurface(game.window);
    ASSERT_NE(screen, nullptr);
    game.context.scale = 1;
    SX_Paint(&game.context, screen, 0, 0);
    EXPECT_TRUE(Shows(screen, 40, 30, Mark(40, 30)));
}

TEST(SdlFullScreen, PageFlippingShowsTheBackBuffer)
{
    Video video;
    ASSERT_TRUE(video.ok) << SDL_GetError();
    SDL_DisplayMode first;
    ASSERT_EQ(SDL_GetDisplayMode(0, 0, &first), 0);
    Game game(first.w, first.h);
    ASSERT_NE(game.window, nullptr) << SDL_GetError();
    ASSERT_EQ(sprox::SproxScreenMode(&game.context, 1 + 16), 1);
    ASSERT_NE(sprox::gBackBuffer, nullptr);
    EXPECT_EQ(game.context.surface, sprox::gBackBuffer);
    SX_Clear(&game.context, 17);
    SDL_Surface* screen = SDL_GetWindowSurface(game.window);
    ASSERT_NE(screen, nullptr);
    SX_Paint(&game.context, screen, 0, 0);
    EXPECT_TRUE(Shows(screen, 0, 0, 17));
    EXPECT_TRUE(Shows(screen, first.w - 1, first.h - 1, 17));
    sprox::SproxScreenMode(&game.context, 0);
    EXPECT_EQ(game.context.bits[game.context.topOffset], 17);
    EXPECT_EQ(SDL_GetWindowFlags(game.window) & SDL_WINDOW_FULLSCREEN, 0u);
}

TEST(SdlFullScreen, NoFittingModeIsACleanRefusal)
{
    Video video;
    ASSERT_TRUE(video.ok) << SDL_GetError();
    Game game(64, 48);
    ASSERT_NE(game.window, nullptr) << SDL_GetError();
    // Larger than any mode the display offers.
    EXPECT_EQ(SX_FullScreen(&game.context, 100000, 100000, 1), 0);
    // And at a size that only an exact mode could show.
    EXPECT_EQ(sprox::SproxScreenMode(&game.context, 1 + 32), 0);
    EXPECT_EQ(SDL_GetWindowFlags(game.window) & SDL_WINDOW_FULLSCREEN, 0u);
    EXPECT_EQ(sprox::gBackend, sprox::kBackendDibSection);
    EXPECT_EQ(sprox::gDirectDraw, nullptr);
    EXPECT_EQ(game.context.width, 64);
    EXPECT_TRUE(game.HoldsMarks());
}

TEST(SdlFullScreen, TheOffscreenDriverOffersNoModes)
{
    Video video("offscreen");
    ASSERT_TRUE(video.ok) << SDL_GetError();
    Game game(64, 48);
    ASSERT_NE(game.window, nullptr) << SDL_GetError();
    EXPECT_EQ(sprox::gDisplayModeCount, 0);
    EXPECT_EQ(SX_FullScreen(&game.context, 64, 48, 1), 0);
    EXPECT_EQ(SDL_GetWindowFlags(game.window) & SDL_WINDOW_FULLSCREEN, 0u);
    EXPECT_TRUE(game.HoldsMarks());
}

// The facility itself: what the primary surface holds on to, and for how long.
TEST(SdlDirectDrawScreen, ThePrimarySurfaceKeepsItsPaletteAndClipperUntilItGoes)
{
    Video video;
    ASSERT_TRUE(video.ok) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("sprox", 0, 0, 64, 48, SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    sys::SdlGdi gdi;
    sys::SdlDirectDraw dd(gdi);
    sys::Handle object = nullptr;
    ASSERT_EQ(dd.DirectDrawCreate(nullptr, &object), sys::kDDOk);
    ASSERT_EQ(dd.SetCooperativeLevel(object, window,
                                     sys::kDDSclExclusive | sys::kDDSclFullScreen),
              sys::kDDOk);
    sys::SurfaceDesc desc{};
    desc.flags = sys::kDDSdCaps;
    desc.caps = sys::kDDSCapsPrimarySurface;
    sys::Surface primary = nullptr;
    ASSERT_EQ(dd.CreateSurface(object, &desc, &primary), sys::kDDOk);
    sys::Surface second = nullptr;
    EXPECT_EQ(dd.CreateSurface(object, &desc, &second), sys::kDDErrPrimaryExists);
    EXPECT_EQ(dd.Lock(primary, &desc, 0), sys::kDDErrGeneric) << "the screen is not 8-bit memory";

    std::vector<sys::PaletteEntry> entries(256, sys::PaletteEntry{1, 2, 3, 0});
    sys::Handle palette = nullptr;
    sys::Handle clipper = nullptr;
    ASSERT_EQ(dd.CreatePalette(object, sys::kDDPCaps8Bit, entries.data(), &palette), sys::kDDOk);
    ASSERT_EQ(dd.CreateClipper(object, 0, &clipper), sys::kDDOk);
    EXPECT_EQ(dd.SetPalette(primary, palette), sys::kDDOk);
    EXPECT_EQ(dd.SetClipper(primary, clipper), sys::kDDOk);
    EXPECT_EQ(dd.Release(palette), 1u);
    EXPECT_EQ(dd.Release(clipper), 1u);
    sys::PaletteEntry read{};
    EXPECT_EQ(dd.GetPaletteEntries(palette, 5, 1, &read), sys::kDDOk);
    EXPECT_EQ(read.blue, 3);

    // A fill of the screen shows the palette's colour.
    SproxRect all = {0, 0, 64, 48};
    EXPECT_EQ(dd.ColorFill(primary, &all, 5, sys::kDDBltWait), sys::kDDOk);
    SDL_Surface* screen = SDL_GetWindowSurface(window);
    ASSERT_NE(screen, nullptr);
    SDL_Color shown = PixelAt(screen, 10, 10);
    EXPECT_EQ(shown.r, 1);
    EXPECT_EQ(shown.b, 3);

    dd.Release(primary);
    EXPECT_EQ(dd.GetPaletteEntries(palette, 5, 1, &read), sys::kDDErrGeneric);
    EXPECT_EQ(dd.SetClipperWindow(clipper, 0, window), sys::kDDErrGeneric);
    dd.SetCooperativeLevel(object, window, sys::kDDSclNormal);
    dd.Release(object);
    SDL_DestroyWindow(window);
}
