// Surfaces lost on the real machine: a display-mode change behind the library's
// back takes the memory of the screen and of every frame. The next lock of a
// frame restores the screen and the frame and locks again; while the display is
// in another mode nothing can be restored and drawing draws nothing.
#include <gtest/gtest.h>

#include "fullscreen.h"
#include "sprox/display/backend.h"
#include "sprox/sys/ddraw.h"
#include "sprox/sys/machine.h"

using namespace fstest;

namespace {

sys::DirectDraw& DD() { return *sys::M().ddraw(); }

sys::Result LockResult(sys::Surface surface)
{
    sys::SurfaceDesc desc;
    desc.flags = 0;
    sys::Result result = DD().Lock(surface, &desc, sys::kDDLockWait);
    if (result == sys::kDDOk) {
        DD().Unlock(surface);
    }
    return result;
}

} // namespace

using Lost = FullScreenTest;

TEST_F(Lost, ALockRestoresTheScreenAndTheFrame)
{
    ASSERT_TRUE(RegisterPattern(2, HoledPicture(30, 20)));
    ASSERT_EQ(SX_FullScreen(&context_, kWidth, kHeight, 1), 1);
    SX_Paint(&context_, reinterpret_cast<SxDC>(window_.dc()), 0, 0);

    // Another mode: the surfaces are lost and cannot come back in it.
    ASSERT_EQ(DD().SetDisplayMode(sprox::gDisplay.directDraw, 800, 600, 8), sys::kDDOk);
    ASSERT_EQ(LockResult(context_.surface), sys::kDDErrSurfaceLost);
    ASSERT_EQ(LockResult(sprox::gDisplay.primary), sys::kDDErrSurfaceLost);
    sprox::FrameView view = {1, 1, context_.dibBits, 1, 1, {1, 1, 1, 1}};
    EXPECT_EQ(sprox::LockFrameView(&view, &context_), 0);
    EXPECT_EQ(view.bits, nullptr);
    EXPECT_EQ(view.width, 0);
    EXPECT_EQ(view.clip.right, 0);
    EXPECT_EQ(context_.lockCount, 0);
    EXPECT_EQ(context_.bits, nullptr);
    SX_PatPut(&context_, 50, 40, 2);
    EXPECT_EQ(context_.lockCount, 0);
    EXPECT_EQ(LockResult(context_.surface), sys::kDDErrSurfaceLost);

    // The mode the library set: the lock brings both back.
    ASSERT_EQ(DD().SetDisplayMode(sprox::gDisplay.directDraw, kWidth, kHeight, 8), sys::kDDOk);
    ASSERT_EQ(LockResult(context_.surface), sys::kDDErrSurfaceLost);
    ASSERT_TRUE(sprox::gDisplay.ops.lock(&context_));
    EXPECT_EQ(context_.lockCount, 1);
    win32test::FillFrame(&context_, [](int x, int y) { return Picture(x, y, 6); });
    sprox::gDisplay.ops.unlock(&context_);
    EXPECT_EQ(LockResult(sprox::gDisplay.primary), sys::kDDOk);

    std::vector<uint8_t> picture = Indices(kWidth, kHeight, [](int x, int y) { return Picture(x, y, 6); });
    SX_Paint(&context_, reinterpret_cast<SxDC>(window_.dc()), 0, 0);
    EXPECT_TRUE(SameIndices(ScreenIndices(kWidth, kHeight), picture, kWidth));
    EXPECT_TRUE(win32test::SameScreen(ScreenColours(kWidth, kHeight), Colours(picture, &context_),
                                      kWidth));

    // Leaving after all that still brings the picture back and the desktop's mode.
    SX_FullScreen(&context_, kWidth, kHeight, 0);
    SIZE desktop = DesktopSize();
    EXPECT_EQ(desktop.cx, 1024);
    EXPECT_EQ(desktop.cy, 768);
    EXPECT_TRUE(SameIndices(FrameIndices(&context_), picture, kWidth));
}

// A pattern put is drawing through the lock as well: after a mode change it finds
// its frame restored and draws into it.
TEST_F(Lost, APatternPutRestoresItsFrame)
{
    dar::Picture pattern = HoledPicture(30, 20);
    ASSERT_TRUE(RegisterPattern(2, pattern));
    ASSERT_EQ(SX_FullScreen(&context_, kWidth, kHeight, 1), 1);
    ASSERT_EQ(DD().SetDisplayMode(sprox::gDisplay.directDraw, 320, 240, 8), sys::kDDOk);
    ASSERT_EQ(DD().SetDisplayMode(sprox::gDisplay.directDraw, kWidth, kHeight, 8), sys::kDDOk);
    ASSERT_EQ(LockResult(context_.surface), sys::kDDErrSurfaceLost);

    SX_PatPut(&context_, 50, 40, 2);
    EXPECT_EQ(LockResult(context_.surface), sys::kDDOk);
    EXPECT_EQ(LockResult(sprox::gDisplay.primary), sys::kDDOk);
    // A restored surface's old contents are gone: only the pattern's own pixels
    // are known.
    std::vector<uint8_t> frame = FrameIndices(&context_);
    ASSERT_EQ(frame.size(), static_cast<size_t>(kWidth) * kHeight);
    for (int y = 0; y < pattern.height; ++y) {
        for (int x = 0; x < pattern.width; ++x) {
            if (pattern.at(x, y) != pattern.key) {
                ASSERT_EQ(frame[static_cast<size_t>(40 - pattern.hotY + y) * kWidth + 50 -
                                pattern.hotX + x],
                          pattern.at(x, y))
                    << x << ", " << y;
            }
        }
    }
}
