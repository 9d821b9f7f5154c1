// Full screen on the SDL machine: the emulated modes, a full-screen window on the
// desktop's own mode, frames shown scaled on it, and the window given back with
// its picture. Runs on the X display when there is one (scripts/test.sh gives
// the tests a virtual one of 1024 x 768; tests/CMakeLists.txt runs the scaling
// cases again on one of 1920 x 1080, with and without SPROX_FULLSCREEN=integer),
// else on SDL's dummy video driver, whose desktop is 1024 x 768 too.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "sprox.h"
#include "sprox/display/backend.h"
#include "sprox/display/screenmode.h"
#include "sprox/sys/machine.h"
#include "sprox/sys/sdl/sdl_ddraw.h"
#include "sprox/sys/sdl/sdl_gdi.h"
#include "support/sdl_pixels.h"

namespace {

using sdltest::AsStored;
using sdltest::ColourOf;
using sdltest::PixelAt;
using sdltest::ValueAt;

uint8_t Mark(int x, int y)
{
    return static_cast<uint8_t>((x / 4 + y / 4 * 5) % 256);
}

// Whether a pixel shows the colour of an index, as the surface's format holds it.
bool Shows(SDL_Surface* s, int x, int y, int index)
{
    SDL_Color want = AsStored(s->format, ColourOf(index));
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

struct Size {
    uint32_t width;
    uint32_t height;
};

// The desktop's size.
Size Desktop()
{
    SDL_DisplayMode mode{};
    SDL_GetDesktopDisplayMode(0, &mode);
    return {static_cast<uint32_t>(mode.w), static_cast<uint32_t>(mode.h)};
}

bool WholeFactorsOnly()
{
    const char* kind = std::getenv("SPROX_FULLSCREEN");
    return kind != nullptr && std::strcmp(kind, "integer") == 0;
}

// Whether the window surface shows the mode's picture (the index at each of its
// pixels) stretched over the place by nearest neighbour, every pixel, and black
// around it.
template <typename IndexAt>
::testing::AssertionResult ShowsIn(SDL_Surface* screen, const SDL_Rect& place, int modeW,
                                   int modeH, IndexAt indexAt)
{
    Uint32 colour[256];
    for (int i = 0; i < 256; ++i) {
        SDL_Color c = ColourOf(i);
        colour[i] = SDL_MapRGB(screen->format, c.r, c.g, c.b);
    }
    Uint32 black = SDL_MapRGB(screen->format, 0, 0, 0);
    for (int y = 0; y < screen->h; ++y) {
        for (int x = 0; x < screen->w; ++x) {
            bool inside = x >= place.x && x < place.x + place.w && y >= place.y &&
                          y < place.y + place.h;
            Uint32 want = black;
            if (inside) {
                int modeX = (x - place.x) * modeW / place.w;
                int modeY = (y - place.y) * modeH / place.h;
                want = colour[indexAt(modeX, modeY)];
            }
            if (ValueAt(screen, x, y) != want) {
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") " << (inside ? "of the picture" : "of a bar");
            }
        }
    }
    return ::testing::AssertionSuccess();
}

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

// The classic sizes that fit on the desktop and the desktop's own size, or with
// SPROX_FULLSCREEN=exclusive the display's own modes.
TEST(SdlFullScreen, TheModeListIsTheClassicSizesThatFitAndTheDesktops)
{
    Video video;
    ASSERT_TRUE(video.ok) << SDL_GetError();
    Game game(64, 48);
    ASSERT_NE(game.window, nullptr) << SDL_GetError();
    std::vector<Size> classic = {{320, 200}, {320, 240}, {400, 300}, {512, 384},
                                 {640, 400}, {640, 480}, {800, 600}, {1024, 768}};
    std::vector<Size> sizes;
    const char* kind = std::getenv("SPROX_FULLSCREEN");
    Size desktop = Desktop();
    if (kind != nullptr && std::strcmp(kind, "exclusive") == 0) {
        for (auto [w, h] : DisplaySizes()) {
            sizes.push_back({w, h});
        }
    } else if (desktop.width == 1024 && desktop.height == 768) {
        sizes = classic;
    } else if (desktop.width == 1920 && desktop.height == 1080) {
        sizes = classic;
        sizes.push_back({1920, 1080});
    } else {
        GTEST_SKIP() << "no list written down for a desktop of " << desktop.width << " x "
                     << desktop.height;
    }
    ASSERT_EQ(sprox::gDisplay.modeCount, static_cast<int32_t>(std::min<size_t>(sizes.size(), 64)));
    for (int32_t i = 0; i < sprox::gDisplay.modeCount; ++i) {
        EXPECT_EQ(sprox::gDisplay.modes[i].width, sizes[i].width);
        EXPECT_EQ(sprox::gDisplay.modes[i].height, sizes[i].height);
    }
    // The probe changed nothing.
    EXPECT_EQ(SDL_GetWindowFlags(game.window) & (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_SHOWN), 0u);
    EXPECT_EQ(sprox::gDisplay.directDraw, nullptr);
}

// A frame asked for full screen gets the mode of its own size (at scale 1), else
// the one of its scaled size, shown as large as fits on the desktop with its
// shape kept, between black bars, on the desktop's own mode; the cursor is kept
// on the picture; leaving gives the window its size and place back.
TEST(SdlFullScreen, ModesAreShownScaledOnTheDesktop)
{
    struct Case {
        Size desktop;
        bool wholeFactors;
        int frameW, frameH, scale;
        int modeW, modeH, shownScale;
        SDL_Rect place;
    };
    const Case cases[] = {
        {{1024, 768}, false, 320, 240, 2, 320, 240, 1, {0, 0, 1024, 768}},
        {{1024, 768}, false, 256, 192, 2, 512, 384, 2, {0, 0, 1024, 768}},
        {{1024, 768}, false, 640, 480, 1, 640, 480, 1, {0, 0, 1024, 768}},
        {{1024, 768}, false, 320, 200, 1, 320, 200, 1, {0, 64, 1024, 640}},
        {{1920, 1080}, false, 320, 240, 2, 320, 240, 1, {240, 0, 1440, 1080}},
        {{1920, 1080}, false, 256, 192, 2, 512, 384, 2, {240, 0, 1440, 1080}},
        {{1920, 1080}, false, 800, 600, 1, 800, 600, 1, {240, 0, 1440, 1080}},
        {{1920, 1080}, false, 640, 400, 1, 640, 400, 1, {96, 0, 1728, 1080}},
        {{1920, 1080}, true, 640, 480, 1, 640, 480, 1, {320, 60, 1280, 960}},
        {{1920, 1080}, true, 400, 300, 1, 400, 300, 1, {360, 90, 1200, 900}},
        {{1920, 1080}, true, 320, 240, 2, 320, 240, 1, {320, 60, 1280, 960}},
        {{1920, 1080}, true, 256, 192, 2, 512, 384, 2, {448, 156, 1024, 768}},
    };
    Video video;
    ASSERT_TRUE(video.ok) << SDL_GetError();
    Size desktop = Desktop();
    int ran = 0;
    for (const Case& c : cases) {
        if (c.desktop.width != desktop.width || c.desktop.height != desktop.height ||
            c.wholeFactors != WholeFactorsOnly()) {
            continue;
        }
        ++ran;
        SCOPED_TRACE(::testing::Message() << c.frameW << " x " << c.frameH << " at scale "
                                          << c.scale);
        Game game(c.frameW, c.frameH);
        ASSERT_NE(game.window, nullptr) << SDL_GetError();
        SDL_SetWindowPosition(game.window, 30, 20);
        Pump();
        int x0 = 0, y0 = 0;
        SDL_GetWindowPosition(game.window, &x0, &y0);
        game.context.scale = c.scale;
        ASSERT_EQ(SX_FullScreen(&game.context, c.frameW, c.frameH, 1), 1);
        Pump();
        EXPECT_EQ(game.context.scale, c.shownScale);
        EXPECT_NE(SDL_GetWindowFlags(game.window) & SDL_WINDOW_FULLSCREEN, 0u);
        SDL_DisplayMode now{};
        SDL_GetCurrentDisplayMode(0, &now);
        EXPECT_EQ(now.w, static_cast<int>(desktop.width)) << "the monitor's mode is kept";
        EXPECT_EQ(now.h, static_cast<int>(desktop.height));
        const SDL_Rect* confined = SDL_GetWindowMouseRect(game.window);
        ASSERT_NE(confined, nullptr);
        EXPECT_TRUE(SDL_RectEquals(confined, &c.place))
            << confined->x << ", " << confined->y << ", " << confined->w << " x " << confined->h;

        SDL_Surface* screen = SDL_GetWindowSurface(game.window);
        ASSERT_NE(screen, nullptr);
        ASSERT_EQ(screen->w, static_cast<int>(desktop.width));
        ASSERT_EQ(screen->h, static_cast<int>(desktop.height));
        SX_Paint(&game.context, screen, 0, 0);
        screen = SDL_GetWindowSurface(game.window);
        // Frame pixel (x, y) at scale s is the mode's s x s square at (s x, s y).
        auto frame = [&c](int x, int y) { return Mark(x / c.shownScale, y / c.shownScale); };
        EXPECT_TRUE(ShowsIn(screen, c.place, c.modeW, c.modeH, frame));
        // A fill of a small piece of the screen draws again just the pixels that
        // show it, as the whole picture maps them.
        SproxRect piece = {3, 2, 10, 7};
        ASSERT_EQ(
            sys::M().ddraw()->ColorFill(sprox::gDisplay.primary, &piece, 251, sys::kDDBltWait),
            sys::kDDOk);
        EXPECT_TRUE(ShowsIn(screen, c.place, c.modeW, c.modeH, [&](int x, int y) {
            bool inPiece = x >= piece.left && x < piece.right && y >= piece.top && y < piece.bottom;
            return inPiece ? 251 : frame(x, y);
        }));

        EXPECT_EQ(SX_FullScreen(&game.context, 0, 0, 0), 0);
        Pump();
        EXPECT_EQ(SDL_GetWindowFlags(game.window) & SDL_WINDOW_FULLSCREEN, 0u);
        EXPECT_EQ(SDL_GetWindowMouseRect(game.window), nullptr);
        int w = 0, h = 0, x = 0, y = 0;
        SDL_GetWindowSize(game.window, &w, &h);
        SDL_GetWindowPosition(game.window, &x, &y);
        EXPECT_EQ(w, 640);
        EXPECT_EQ(h, 480);
        EXPECT_EQ(x, x0);
        EXPECT_EQ(y, y0);
        EXPECT_TRUE(game.HoldsMarks());
    }
    if (ran == 0) {
        GTEST_SKIP() << "no case written down for a desktop of " << desktop.width << " x "
                     << desktop.height;
    }
}

TEST(SdlFullScreen, EnterDrawPresentAndLeaveWithThePictureIntact)
{
    Video video;
    ASSERT_TRUE(video.ok) << SDL_GetError();
    Size desktop = Desktop();
    if (desktop.width != 1024 || desktop.height != 768) {
        GTEST_SKIP() << "written for a desktop of 1024 x 768";
    }
    // A 256 x 192 frame at scale 2: the 512 x 384 mode, shown at 1024 x 768, so
    // that window pixel x shows frame pixel x / 4.
    int w = 256;
    int h = 192;
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
    EXPECT_EQ(confined->w, 1024);
    EXPECT_EQ(confined->h, 768);
    EXPECT_EQ(game.context.scale, 2);
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendDirectDraw);
    EXPECT_EQ(game.context.bits, nullptr);

    // Draw a bar while full screen and present: the screen shows the frame scaled
    // through the frame's colours.
    sprox::FrameView view;
    ASSERT_EQ(sprox::LockFrameView(&view, &game.context), 1);
    for (int x = 0; x < 10; ++x) {
        view.bits[view.topOffset + 3 * view.pitch + x] = 250;
    }
    sprox::gDisplay.ops.unlock(&game.context);
    SDL_Surface* screen = SDL_GetWindowSurface(game.window);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->w, 1024);
    EXPECT_EQ(screen->h, 768);
    SX_Paint(&game.context, screen, 0, 0);
    EXPECT_TRUE(Shows(screen, 0, 0, Mark(0, 0)));
    EXPECT_TRUE(Shows(screen, 161, 120, Mark(40, 30)));
    EXPECT_TRUE(Shows(screen, 1023, 767, Mark(w - 1, h - 1)));
    EXPECT_TRUE(Shows(screen, 39, 12, 250));
    EXPECT_TRUE(Shows(screen, 39, 15, 250));
    EXPECT_TRUE(Shows(screen, 39, 16, Mark(9, 4)));
    EXPECT_TRUE(Shows(screen, 40, 12, Mark(10, 3)));
    // New colours show at once, as on an 8-bit display: nothing is painted again.
    SDL_Color before = PixelAt(screen, 0, 0);
    sys::PaletteEntry red = {255, 0, 0, 0};
    ASSERT_NE(game.context.ddPalette, nullptr);
    ASSERT_EQ(sys::M().ddraw()->SetPaletteEntries(game.context.ddPalette, 250, 1, &red), sys::kDDOk);
    SDL_Color changed = PixelAt(screen, 39, 12);
    EXPECT_EQ(changed.r, 255);
    EXPECT_EQ(changed.g + changed.b, 0);
    SDL_Color kept = PixelAt(screen, 0, 0);
    EXPECT_EQ(kept.r, before.r);
    EXPECT_EQ(kept.g, before.g);
    EXPECT_EQ(kept.b, before.b);

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
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendDibSection);
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
    ASSERT_NE(sprox::gDisplay.backBuffer, nullptr);
    EXPECT_EQ(game.context.surface, sprox::gDisplay.backBuffer);
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
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendDibSection);
    EXPECT_EQ(sprox::gDisplay.directDraw, nullptr);
    EXPECT_EQ(game.context.width, 64);
    EXPECT_TRUE(game.HoldsMarks());
}

// Without any display the off-screen driver's desktop of 1024 x 768 holds the
// emulated modes too: a 64 x 48 frame gets the smallest that holds it, 320 x 200,
// shown 3.2 times as large between bars 64 pixels high.
TEST(SdlFullScreen, TheOffscreenDriverShowsEmulatedModes)
{
    // The window surface stays in memory, instead of going through a GL renderer
    // whose driver keeps allocations the leak checker would report.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    Video video("offscreen");
    ASSERT_TRUE(video.ok) << SDL_GetError();
    Game game(64, 48);
    ASSERT_NE(game.window, nullptr) << SDL_GetError();
    ASSERT_EQ(SX_FullScreen(&game.context, 64, 48, 1), 1);
    EXPECT_EQ(sprox::gDisplay.modeCount, 8);
    SDL_Surface* screen = SDL_GetWindowSurface(game.window);
    ASSERT_NE(screen, nullptr);
    SX_Paint(&game.context, screen, 0, 0);
    screen = SDL_GetWindowSurface(game.window);
    ASSERT_EQ(screen->w, 1024);
    ASSERT_EQ(screen->h, 768);
    SDL_Color bar = PixelAt(screen, 0, 63);
    EXPECT_EQ(bar.r + bar.g + bar.b, 0);
    EXPECT_TRUE(Shows(screen, 0, 64, Mark(0, 0)));
    EXPECT_TRUE(Shows(screen, 204, 64 + 153, Mark(63, 47)));
    EXPECT_EQ(SX_FullScreen(&game.context, 0, 0, 0), 0);
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
