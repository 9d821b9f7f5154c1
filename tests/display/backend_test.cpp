#include <gtest/gtest.h>

#include <cstring>

#include "fake/fake_context.h"
#include "fake/fake_ddraw.h"
#include "fake/fake_gdi.h"
#include "fake/fake_machine.h"
#include "sprox.h"
#include "sprox/display/backend.h"
#include "sprox/display/backend_ops.h"

using fake::Area;

namespace {

// A context under the DirectDraw back-end whose frame is a fake surface, as full
// screen leaves it.
struct SurfaceFrame {
    SproxContext context{};
    sys::Surface surface = nullptr;

    SurfaceFrame(int width, int height, int scale = 1)
    {
        SX_Init(&context, fake::Window());
        SX_Size(&context, width, height, -1, nullptr);
        surface = fake::ddraw().MakeSurface(width, height);
        context.surface = surface;
        context.scale = scale;
        sprox::gDisplay.primary = fake::ddraw().MakeSurface(640, 480);
        sprox::gDisplay.backend = sprox::kBackendDirectDraw;
        sprox::InstallOps();
        sprox::RefreshDescription(&context);
    }
    fake::FakeSurface& Fake() { return fake::ddraw().Of(surface); }
};

const fake::Present& OnlyPresent()
{
    const auto& presents = fake::gdi().presents;
    EXPECT_EQ(presents.size(), 1u);
    static const fake::Present none{"(none)"};
    return presents.empty() ? none : presents.back();
}

} // namespace

TEST(Description, BottomUpFrameRowsArePaddedToFourBytes)
{
    SproxContext context{};
    SX_Init(&context, fake::Window());
    SX_Size(&context, 638, 10, -1, nullptr);
    EXPECT_EQ(context.width, 638);
    EXPECT_EQ(context.height, 10);
    EXPECT_EQ(context.direction, 1);
    EXPECT_EQ(context.stride, 640);
    EXPECT_EQ(context.pitch, -640);
    EXPECT_EQ(context.topOffset, 9 * 640);
    EXPECT_EQ(context.clip.left, 0);
    EXPECT_EQ(context.clip.top, 0);
    EXPECT_EQ(context.clip.right, 638);
    EXPECT_EQ(context.clip.bottom, 10);
    EXPECT_EQ(context.bits, context.dibBits);
    EXPECT_EQ(context.hdc, context.dibDC);
}

TEST(Description, TopDownSectionAndDirectDrawFrames)
{
    SproxContext context{};
    SX_Init(&context, fake::Window());
    SX_Size(&context, 100, 20, -1, nullptr);
    context.header.height = -20;
    context.clip = {5, 5, 6, 6};
    sprox::RefreshDescription(&context);
    EXPECT_EQ(context.direction, -1);
    EXPECT_EQ(context.height, 20);
    EXPECT_EQ(context.pitch, 100);
    EXPECT_EQ(context.stride, 100);
    EXPECT_EQ(context.topOffset, 0);
    EXPECT_EQ(context.clip.right, 100);
    EXPECT_EQ(context.clip.bottom, 20);

    sprox::gDisplay.backend = sprox::kBackendDirectDraw;
    context.header.height = 20;
    sprox::RefreshDescription(&context);
    EXPECT_EQ(context.bits, nullptr);
    EXPECT_EQ(context.hdc, nullptr);
    EXPECT_EQ(context.direction, -1);
    EXPECT_EQ(context.topOffset, 0);
    EXPECT_NE(context.dibBits, nullptr);   // the section waits for the return
}

TEST(LockFrameView, DescribesTheFrameOrNothing)
{
    sprox::FrameView view;
    EXPECT_EQ(sprox::LockFrameView(nullptr, nullptr), 0);

    SproxContext context{};
    SX_Init(&context, fake::Window());
    std::memset(&view, 0x5A, sizeof view);
    EXPECT_EQ(sprox::LockFrameView(&view, &context), 0);   // no frame yet
    EXPECT_EQ(view.bits, nullptr);
    EXPECT_EQ(view.width | view.height | view.pitch | view.topOffset | view.clip.right, 0);

    SX_Size(&context, 64, 32, -1, nullptr);
    ASSERT_EQ(sprox::LockFrameView(&view, &context), 1);
    EXPECT_EQ(view.width, 64);
    EXPECT_EQ(view.height, 32);
    EXPECT_EQ(view.bits, context.bits);
    EXPECT_EQ(view.topOffset, 31 * 64);
    EXPECT_EQ(view.pitch, -64);
    EXPECT_EQ(view.clip.right, 64);
    EXPECT_EQ(view.clip.bottom, 32);
    sprox::gDisplay.ops.unlock(&context);
}

TEST(SurfaceLock, NestedLocksShareOneSurfaceLock)
{
    SurfaceFrame frame(64, 32);
    SproxContext& c = frame.context;
    ASSERT_EQ(sprox::gDisplay.ops.lock(&c), 1);
    ASSERT_EQ(sprox::gDisplay.ops.lock(&c), 1);
    EXPECT_EQ(frame.Fake().lockCalls, 1);
    EXPECT_EQ(c.lockCount, 2);
    EXPECT_EQ(c.bits, frame.Fake().pixels->memory.data());
    EXPECT_EQ(c.pitch, 64);
    EXPECT_EQ(c.stride, 64);
    EXPECT_EQ(c.topOffset, 0);

    sprox::gDisplay.ops.unlock(&c);
    EXPECT_TRUE(frame.Fake().locked);
    EXPECT_NE(c.bits, nullptr);
    sprox::gDisplay.ops.unlock(&c);
    EXPECT_FALSE(frame.Fake().locked);
    EXPECT_EQ(c.bits, nullptr);
    EXPECT_EQ(c.pitch, 0);
    EXPECT_EQ(c.stride, 0);
    EXPECT_EQ(c.lockCount, 0);

    // An unlock too many changes nothing.
    sprox::gDisplay.ops.unlock(&c);
    EXPECT_EQ(c.lockCount, 0);
    EXPECT_EQ(frame.Fake().unlockCalls, 1);
}

TEST(SurfaceLock, LostSurfaceIsRestoredAndLockedOnceMore)
{
    SurfaceFrame frame(64, 32);
    auto& primary = fake::ddraw().Of(sprox::gDisplay.primary);
    frame.Fake().lost = true;
    ASSERT_EQ(sprox::gDisplay.ops.lock(&frame.context), 1);
    EXPECT_EQ(frame.Fake().lockCalls, 2);
    EXPECT_EQ(primary.restoreCalls, 1);
    EXPECT_EQ(frame.Fake().restoreCalls, 1);
    EXPECT_EQ(frame.context.lockCount, 1);
    sprox::gDisplay.ops.unlock(&frame.context);
}

TEST(SurfaceLock, GivesUpAfterTwoAttemptsOrAFailedRestore)
{
    SurfaceFrame frame(64, 32);
    auto& primary = fake::ddraw().Of(sprox::gDisplay.primary);

    // Restored, but the second lock fails as well: no third attempt.
    frame.Fake().lost = true;
    frame.Fake().lockFailures = 5;
    EXPECT_EQ(sprox::gDisplay.ops.lock(&frame.context), 0);
    EXPECT_EQ(frame.Fake().lockCalls, 2);
    EXPECT_EQ(frame.context.lockCount, 0);
    EXPECT_EQ(frame.context.bits, nullptr);

    // The primary cannot be restored: the frame's surface is not tried.
    frame.Fake().lockFailures = 0;
    frame.Fake().lost = true;
    primary.restoreFailures = 1;
    EXPECT_EQ(sprox::gDisplay.ops.lock(&frame.context), 0);
    EXPECT_EQ(frame.Fake().lockCalls, 3);
    EXPECT_EQ(frame.Fake().restoreCalls, 1);

    // The frame's own surface cannot be restored.
    frame.Fake().restoreFailures = 1;
    EXPECT_EQ(sprox::gDisplay.ops.lock(&frame.context), 0);
    EXPECT_EQ(frame.Fake().lockCalls, 4);
    EXPECT_EQ(frame.Fake().restoreCalls, 2);

    // A drawing routine then sees an empty view and draws nothing.
    frame.Fake().lost = true;
    frame.Fake().restoreFailures = 1;
    sprox::FrameView view;
    EXPECT_EQ(sprox::LockFrameView(&view, &frame.context), 0);
    EXPECT_EQ(view.bits, nullptr);
    EXPECT_EQ(view.clip.right, 0);
}

TEST(SurfaceDC, WaitsWhileStillDrawingAndHandsOutOneDC)
{
    SurfaceFrame frame(64, 32);
    frame.Fake().stillDrawing = 3;
    void* dc = sprox::gDisplay.ops.getDC(&frame.context);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(frame.Fake().getDCCalls, 4);
    EXPECT_EQ(frame.context.hdc, dc);
    EXPECT_EQ(sprox::gDisplay.ops.getDC(&frame.context), dc);
    EXPECT_EQ(frame.Fake().getDCCalls, 4);

    sprox::gDisplay.ops.releaseDC(&frame.context);
    EXPECT_EQ(frame.context.hdc, nullptr);
    EXPECT_EQ(frame.Fake().releaseDCCalls, 1);
    sprox::gDisplay.ops.releaseDC(&frame.context);
    EXPECT_EQ(frame.Fake().releaseDCCalls, 1);

    frame.Fake().lost = true;
    EXPECT_EQ(sprox::gDisplay.ops.getDC(&frame.context), nullptr);
    EXPECT_EQ(frame.context.hdc, nullptr);
}

TEST(SurfacePresent, ClipsToTheFrameAndMovesTheDestination)
{
    SurfaceFrame frame(100, 50);
    auto& gdi = fake::gdi();

    sprox::gDisplay.ops.present(nullptr, 5, 7, 30, 20, &frame.context, -10, 0);
    const auto& left = OnlyPresent();
    EXPECT_EQ(left.call, "Blt");
    EXPECT_EQ(left.target, sprox::gDisplay.primary);
    EXPECT_EQ(left.source, frame.surface);
    EXPECT_EQ(left.src, (Area{0, 0, 20, 20}));
    EXPECT_EQ(left.dst, (Area{15, 7, 20, 20}));
    EXPECT_EQ(left.rop, sys::kDDBltWait);

    gdi.presents.clear();
    sprox::gDisplay.ops.present(nullptr, 0, 0, 50, 10, &frame.context, 80, 45);
    EXPECT_EQ(OnlyPresent().src, (Area{80, 45, 20, 5}));
    EXPECT_EQ(OnlyPresent().dst, (Area{0, 0, 20, 5}));

    // Nothing of the frame in the rectangle: nothing is copied.
    gdi.presents.clear();
    sprox::gDisplay.ops.present(nullptr, 0, 0, 10, 10, &frame.context, 100, 0);
    sprox::gDisplay.ops.present(nullptr, 0, 0, 10, 10, &frame.context, 0, -10);
    sprox::gDisplay.ops.present(nullptr, 0, 0, -4, 10, &frame.context, 0, 0);
    EXPECT_TRUE(gdi.presents.empty());
}

TEST(SurfacePresent, ScalesTheDestination)
{
    SurfaceFrame frame(640, 480, 0);
    sprox::gDisplay.ops.present(nullptr, 0, 0, 640, 480, &frame.context, 0, 0);
    EXPECT_EQ(OnlyPresent().dst, (Area{0, 0, 320, 240}));
    EXPECT_EQ(OnlyPresent().src, (Area{0, 0, 640, 480}));

    fake::gdi().presents.clear();
    frame.context.scale = 2;
    sprox::gDisplay.ops.present(nullptr, 3, 4, 10, 10, &frame.context, 0, 0);
    EXPECT_EQ(OnlyPresent().dst, (Area{6, 8, 20, 20}));

    // A piece cut by the frame's edge is not stretched over the uncut size.
    fake::gdi().presents.clear();
    sprox::gDisplay.ops.present(nullptr, 0, 0, 100, 10, &frame.context, 600, 0);
    EXPECT_EQ(OnlyPresent().src, (Area{600, 0, 40, 10}));
    EXPECT_EQ(OnlyPresent().dst, (Area{0, 0, 80, 20}));
}

TEST(SurfacePresent, BackBufferAtTheOriginFlips)
{
    SurfaceFrame frame(320, 240);
    sprox::gDisplay.backBuffer = frame.surface;
    sprox::gDisplay.ops.present(nullptr, 0, 0, 10, 10, &frame.context, 50, 50);
    EXPECT_EQ(OnlyPresent().call, "Flip");
    EXPECT_EQ(OnlyPresent().target, sprox::gDisplay.primary);
    EXPECT_EQ(OnlyPresent().rop, sys::kDDFlipWait);

    // Elsewhere, or scaled, it blits.
    fake::gdi().presents.clear();
    sprox::gDisplay.ops.present(nullptr, 1, 0, 10, 10, &frame.context, 0, 0);
    frame.context.scale = 2;
    sprox::gDisplay.ops.present(nullptr, 0, 0, 10, 10, &frame.context, 0, 0);
    ASSERT_EQ(fake::gdi().presents.size(), 2u);
    EXPECT_EQ(fake::gdi().presents[0].call, "Blt");
    EXPECT_EQ(fake::gdi().presents[1].call, "Blt");
}

TEST(SurfaceCopy, CopiesBetweenTheTwoSurfaces)
{
    SurfaceFrame a(20, 10);
    SurfaceFrame b(20, 10);
    auto& from = *a.Fake().pixels;
    from.At(3, 2) = 77;
    sprox::gDisplay.ops.copyFrom(&b.context, 5, 5, 4, 4, &a.context, 2, 1);
    EXPECT_EQ(OnlyPresent().target, b.surface);
    EXPECT_EQ(OnlyPresent().dst, (Area{5, 5, 4, 4}));
    EXPECT_EQ(b.Fake().pixels->At(6, 6), 77);
}

TEST(GdiPresent, EachBackendUsesItsOwnCall)
{
    struct Case {
        int backend;
        const char* oneToOne;
        const char* scaled;
    };
    for (Case c : {Case{0, "SetDIBitsToDevice", "StretchDIBits"},
                   Case{1, "WinGBitBlt", "WinGStretchBlt"},
                   Case{2, "BitBlt", "StretchBlt"}}) {
        SCOPED_TRACE(c.backend);
        fake::OfferBackend(c.backend);
        SproxContext context{};
        SX_Init(&context, fake::Window());
        ASSERT_EQ(sprox::gDisplay.backend, c.backend);
        SX_Size(&context, 640, 480, -1, nullptr);
        auto& gdi = fake::gdi();
        gdi.presents.clear();

        sprox::gDisplay.ops.present(fake::TargetDC(), 10, 20, 100, 50, &context, 30, 40);
        context.scale = 2;
        sprox::gDisplay.ops.present(fake::TargetDC(), 10, 20, 100, 50, &context, 30, 40);
        context.scale = 0;
        sprox::gDisplay.ops.present(fake::TargetDC(), 0, 0, 640, 480, &context, 0, 0);
        ASSERT_EQ(gdi.presents.size(), 3u);

        // The plain bitmap counts its source row from the bottom.
        int srcY = c.backend == 0 ? 480 - 40 - 50 : 40;
        const auto& one = gdi.presents[0];
        EXPECT_EQ(one.call, c.oneToOne);
        EXPECT_EQ(one.target, fake::TargetDC());
        EXPECT_EQ(one.dst, (Area{10, 20, 100, 50}));
        EXPECT_EQ(one.src, (Area{30, srcY, 100, 50}));
        const auto& twice = gdi.presents[1];
        EXPECT_EQ(twice.call, c.scaled);
        EXPECT_EQ(twice.dst, (Area{20, 40, 200, 100}));
        EXPECT_EQ(twice.src, (Area{30, srcY, 100, 50}));
        EXPECT_EQ(gdi.presents[2].dst, (Area{0, 0, 320, 240}));
        EXPECT_EQ(gdi.presents[2].src.w, 640);

        if (c.backend == 0) {
            EXPECT_EQ(one.bits, context.bits);
            EXPECT_EQ(one.startScan, 0u);
            EXPECT_EQ(one.scanLines, 480u);
            EXPECT_EQ(twice.rop, sys::kSrcCopy);
        } else {
            EXPECT_EQ(one.source, context.hdc);
        }
        if (c.backend == 2) {
            EXPECT_EQ(one.rop, sys::kSrcCopy);
        }
        SX_End(&context);
        fake::machine().Reset();
    }
}

TEST(GdiCopy, PlainFramesCopyMemoryClippedToBoth)
{
    fake::OfferBackend(0);
    SproxContext from{}, to{};
    SX_Init(&from, fake::Window(1));
    SX_Init(&to, fake::Window(2));
    SX_Size(&from, 16, 8, -1, nullptr);
    SX_Size(&to, 12, 6, -1, nullptr);
    auto at = [](SproxContext& c, int x, int y) -> uint8_t& {
        return c.bits[c.topOffset + y * c.pitch + x];
    };
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            at(from, x, y) = static_cast<uint8_t>(y * 16 + x);
        }
    }
    SX_Clear(&to, 0xEE);

    EXPECT_EQ(sprox::gDisplay.ops.copyFrom(&to, 2, 1, 100, 100, &from, 5, 3), 1);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 12; ++x) {
            bool copied = x >= 2 && y >= 1 && y < 6 && x < 12 && y - 1 + 3 < 8;
            EXPECT_EQ(at(to, x, y), copied ? (y - 1 + 3) * 16 + (x - 2 + 5) : 0xEE)
                << x << "," << y;
        }
    }

    // Coordinates left of and above either frame are cut off, not read or written.
    SX_Clear(&to, 0xEE);
    EXPECT_EQ(sprox::gDisplay.ops.copyFrom(&to, -3, 0, 6, 2, &from, 0, -1), 1);
    EXPECT_EQ(at(to, 0, 1), 3);   // source (3, 0)
    EXPECT_EQ(at(to, 2, 1), 5);
    EXPECT_EQ(at(to, 3, 1), 0xEE);
    EXPECT_EQ(at(to, 0, 0), 0xEE);

    // Only one to one.
    SX_Clear(&to, 0xEE);
    from.scale = 2;
    EXPECT_EQ(sprox::gDisplay.ops.copyFrom(&to, 0, 0, 4, 4, &from, 0, 0), 0);
    EXPECT_EQ(at(to, 0, 0), 0xEE);
    SX_End(&from);
    SX_End(&to);
}

TEST(GdiCopy, WithinOneFrameOverlappingRowsSurvive)
{
    fake::OfferBackend(0);
    SproxContext c{};
    SX_Init(&c, fake::Window());
    SX_Size(&c, 4, 6, -1, nullptr);
    for (int y = 0; y < 6; ++y) {
        std::memset(c.bits + c.topOffset + y * c.pitch, y + 1, 4);
    }
    sprox::gDisplay.ops.copyFrom(&c, 0, 2, 4, 4, &c, 0, 0);   // rows 0..3 down to 2..5
    const uint8_t expected[6] = {1, 2, 1, 2, 3, 4};
    for (int y = 0; y < 6; ++y) {
        EXPECT_EQ(c.bits[c.topOffset + y * c.pitch], expected[y]) << y;
    }
    SX_End(&c);
}

TEST(GdiCopy, SectionFramesCopyThroughTheirDCs)
{
    SproxContext from{}, to{};
    SX_Init(&from, fake::Window(1));
    SX_Init(&to, fake::Window(2));
    SX_Size(&from, 32, 16, -1, nullptr);
    SX_Size(&to, 32, 16, -1, nullptr);
    from.bits[from.topOffset + 2 * from.pitch + 3] = 99;

    sprox::gDisplay.ops.copyFrom(&to, 10, 5, 8, 8, &from, 0, 0);
    auto& gdi = fake::gdi();
    EXPECT_EQ(OnlyPresent().call, "BitBlt");
    EXPECT_EQ(OnlyPresent().target, to.hdc);
    EXPECT_EQ(OnlyPresent().source, from.hdc);
    ASSERT_FALSE(gdi.stretchModes.empty());
    EXPECT_EQ(gdi.stretchModes.back(), std::make_pair(to.hdc, sys::kColorOnColor));
    EXPECT_EQ(to.bits[to.topOffset + 7 * to.pitch + 13], 99);
}
