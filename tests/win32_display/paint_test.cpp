// Frames painted into a real window on each back-end, read back from the window:
// every pixel in its place and colour at the scales 1, 2 and 0 (half size), and
// with the view wrapping around the frame's edges. The back-end is this program's
// (the DIB section, or WinG in the copy that runs as an old Windows), or plain
// DIBs when the machine offers no display library.
#include <gtest/gtest.h>

#include "screen.h"
#include "sprox.h"
#include "sprox/display/backend.h"
#include "test_machine.h"

using namespace win32test;

namespace {

constexpr int kFrameWidth = 38;   // rows of 40 bytes: the padding is never shown
constexpr int kFrameHeight = 30;

// Neighbouring pixels differ in both directions, so a copy off by one shows.
int PixelPattern(int x, int y) { return 2 + (x * 3 + y * 29) % 251; }
// Constant on 2 x 2 blocks, so that half size shows one whole block per pixel.
int BlockPattern(int x, int y) { return PixelPattern(x / 2, y / 2); }

struct Scene {
    const char* name;
    int scale;
    int x, y;                 // where SX_Paint puts the view, in frame pixels
    int viewWidth, viewHeight;
    int scrollX, scrollY;
};

const Scene kScenes[] = {
    {"one to one", 1, 5, 3, 0, 0, 0, 0},
    {"doubled", 2, 3, 2, 0, 0, 0, 0},
    {"halved", 0, 4, 2, 0, 0, 0, 0},
    {"part of the frame", 1, 1, 1, 20, 10, 0, 0},
    // A view larger than the frame with the origin beyond both edges: four pieces.
    {"wrapped", 1, 2, 4, 48, 36, -10, 40},
    {"wrapped doubled", 2, 2, 2, 48, 36, -10, 40},
    {"wrapped halved", 0, 6, 4, 48, 36, 28, -20},
};

int Wrapped(int v, int size) { return ((v % size) + size) % size; }

// The window as the scene should leave it: the view, wrapped around the frame,
// scaled from the scaled paint position; the background everywhere else.
std::vector<uint32_t> Expected(const Scene& scene, const SproxContext* context,
                               const TestWindow& window)
{
    std::vector<uint32_t> out(static_cast<size_t>(window.width()) * window.height(),
                              kBackground);
    int viewW = scene.viewWidth != 0 ? scene.viewWidth : kFrameWidth;
    int viewH = scene.viewHeight != 0 ? scene.viewHeight : kFrameHeight;
    auto put = [&](int px, int py, uint32_t colour) {
        ASSERT_TRUE(px >= 0 && py >= 0 && px < window.width() && py < window.height())
            << "the scene does not fit the window";
        out[static_cast<size_t>(py) * window.width() + px] = colour;
    };
    for (int vy = 0; vy < viewH; ++vy) {
        for (int vx = 0; vx < viewW; ++vx) {
            int fx = Wrapped(vx + scene.scrollX, kFrameWidth);
            int fy = Wrapped(vy + scene.scrollY, kFrameHeight);
            uint32_t colour = Rgb(context->colors[FramePixel(context, fx, fy)]);
            int dx = scene.x + vx;
            int dy = scene.y + vy;
            if (scene.scale == 1) {
                put(dx, dy, colour);
            } else if (scene.scale == 2) {
                for (int k = 0; k < 4; ++k) {
                    put(2 * dx + k % 2, 2 * dy + k / 2, colour);
                }
            } else if (dx % 2 == 0 && dy % 2 == 0) {
                put(dx / 2, dy / 2, colour);
            }
        }
    }
    return out;
}

void PaintScenes(int expectedBackend)
{
    TestWindow window(120, 90);
    ASSERT_NE(window.dc(), nullptr);
    SproxContext context;
    SX_Init(&context, reinterpret_cast<SxWindow>(window.hwnd()));
    ASSERT_EQ(sprox::gDisplay.backend, expectedBackend);
    SetTestColours(&context);
    SX_Size(&context, kFrameWidth, kFrameHeight, -1, nullptr);
    ASSERT_NE(context.bits, nullptr);
    ASSERT_EQ(context.width, kFrameWidth);

    for (const Scene& scene : kScenes) {
        SCOPED_TRACE(scene.name);
        FillFrame(&context, scene.scale == 0 ? BlockPattern : PixelPattern);
        context.scale = scene.scale;
        context.viewWidth = scene.viewWidth;
        context.viewHeight = scene.viewHeight;
        context.scrollX = scene.scrollX;
        context.scrollY = scene.scrollY;
        window.Erase();
        SX_Paint(&context, reinterpret_cast<SxDC>(window.dc()), scene.x, scene.y);
        EXPECT_TRUE(SameScreen(window.ReadBack(), Expected(scene, &context, window),
                               window.width()));
    }
    SX_End(&context);
}

int ThisProgramsBackend()
{
    return ProgramName().ends_with("_win31") ? sprox::kBackendWinG : sprox::kBackendDibSection;
}

} // namespace

TEST(Paint, ScalesAndWrapAround) { PaintScenes(ThisProgramsBackend()); }

TEST(Paint, PlainDibScalesAndWrapAround)
{
    OfferNoDisplayLibraries();
    PaintScenes(sprox::kBackendPlainDib);
}
