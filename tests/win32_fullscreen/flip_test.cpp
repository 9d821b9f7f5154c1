// Page flipping on the real machine: the owner's frame is the back buffer of the
// screen's flipping chain, and painting it at (0, 0) flips it to the front.
#include <gtest/gtest.h>

#include "fullscreen.h"
#include "sprox/display/backend.h"
#include "sprox/display/screenmode.h"

using namespace fstest;

namespace {

constexpr int kFlipping = sprox::kScreenOn | sprox::kScreenFlip;

std::vector<uint8_t> Seeded(int seed)
{
    return Indices(kWidth, kHeight, [seed](int x, int y) { return Picture(x, y, seed); });
}

std::vector<uint8_t> Plain(int index)
{
    return Indices(kWidth, kHeight, [index](int, int) { return index; });
}

} // namespace

using Flipping = FullScreenTest;

// The picture carried over waits in the back buffer while the screen shows the
// fill; each paint brings the back buffer to the front and the old front becomes
// the frame. Drawing shows only at the next flip.
TEST_F(Flipping, EachPaintShowsTheBackBuffer)
{
    ASSERT_EQ(sprox::SproxScreenMode(&context_, kFlipping), 1);
    ASSERT_NE(sprox::gDisplay.backBuffer, nullptr);
    EXPECT_EQ(context_.surface, sprox::gDisplay.backBuffer);
    SIZE desktop = DesktopSize();
    EXPECT_EQ(desktop.cx, kWidth);
    EXPECT_EQ(desktop.cy, kHeight);
    EXPECT_TRUE(SameIndices(ScreenIndices(kWidth, kHeight), Plain(0), kWidth));
    EXPECT_TRUE(SameIndices(FrameIndices(&context_), Seeded(0), kWidth));

    SX_Paint(&context_, reinterpret_cast<SxDC>(window_.dc()), 0, 0);
    EXPECT_TRUE(SameIndices(ScreenIndices(kWidth, kHeight), Seeded(0), kWidth));
    EXPECT_TRUE(win32test::SameScreen(ScreenColours(kWidth, kHeight), Colours(Seeded(0), &context_),
                                      kWidth));
    EXPECT_TRUE(SameIndices(FrameIndices(&context_), Plain(0), kWidth));

    ASSERT_TRUE(sprox::gDisplay.ops.lock(&context_));
    win32test::FillFrame(&context_, [](int x, int y) { return Picture(x, y, 1); });
    sprox::gDisplay.ops.unlock(&context_);
    EXPECT_TRUE(SameIndices(ScreenIndices(kWidth, kHeight), Seeded(0), kWidth));

    // Whatever rectangle is asked, the whole back buffer is shown.
    context_.viewWidth = 100;
    context_.viewHeight = 50;
    SX_Paint(&context_, reinterpret_cast<SxDC>(window_.dc()), 0, 0);
    EXPECT_TRUE(SameIndices(ScreenIndices(kWidth, kHeight), Seeded(1), kWidth));
    EXPECT_TRUE(SameIndices(FrameIndices(&context_), Seeded(0), kWidth));

    // Leaving copies the frame (the back buffer) into the DIB section and puts the
    // desktop back.
    EXPECT_EQ(sprox::SproxScreenMode(&context_, 0), 1);
    EXPECT_EQ(sprox::gDisplay.backBuffer, nullptr);
    EXPECT_EQ(context_.surface, nullptr);
    desktop = DesktopSize();
    EXPECT_EQ(desktop.cx, 1024);
    EXPECT_EQ(desktop.cy, 768);
    EXPECT_TRUE(SameIndices(FrameIndices(&context_), Seeded(0), kWidth));
}

// A flipping chain holds the frame of one context only: with a second context
// registered, full screen is refused, and everything is as before.
TEST_F(Flipping, ASecondContextKeepsTheDesktop)
{
    SproxContext other;
    SX_Init(&other, nullptr);
    win32test::SetTestColours(&other);
    SX_Size(&other, 64, 32, -1, nullptr);
    win32test::FillFrame(&other, [](int x, int y) { return Picture(x, y, 5); });

    EXPECT_EQ(sprox::SproxScreenMode(&context_, kFlipping), 0);
    SIZE desktop = DesktopSize();
    EXPECT_EQ(desktop.cx, 1024);
    EXPECT_EQ(desktop.cy, 768);
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendDibSection);
    EXPECT_EQ(sprox::gDisplay.fullScreenOwner, nullptr);
    EXPECT_EQ(sprox::gDisplay.directDraw, nullptr);
    EXPECT_EQ(sprox::gDisplay.primary, nullptr);
    EXPECT_EQ(sprox::gDisplay.backBuffer, nullptr);
    for (SproxContext* context : {&context_, &other}) {
        EXPECT_EQ(context->surface, nullptr);
        EXPECT_EQ(context->bits, context->dibBits);
    }
    EXPECT_TRUE(SameIndices(FrameIndices(&context_), Seeded(0), kWidth));
    EXPECT_TRUE(SameIndices(FrameIndices(&other),
                            Indices(64, 32, [](int x, int y) { return Picture(x, y, 5); }), 64));

    // Without page flipping both frames go full screen.
    EXPECT_EQ(SX_FullScreen(&context_, kWidth, kHeight, 1), 1);
    EXPECT_NE(other.surface, nullptr);
    SX_End(&other);
}
