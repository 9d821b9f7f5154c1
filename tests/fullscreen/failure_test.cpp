// Full screen that cannot be had: every failing step leaves windowed operation
// with nothing left over; bad contexts are reported; SX_FullScreen gives the
// frame its size back either way.
#include <algorithm>
#include <cstring>

#include "screen_fixture.h"

using fs::Game;
using fs::OfferModes;

namespace {

// "SproxInitExでhwndが指定されていません: ハンドルが無効です" and the common tail.
const std::string kNoWindowBox =
    "SproxInitEx\x82\xC5" "hwnd\x82\xAA\x8E\x77\x92\xE8\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC"
    "\x82\xB9\x82\xF1: \x83\x6E\x83\x93\x83\x68\x83\x8B\x82\xAA\x96\xB3\x8C\xF8\x82\xC5\x82\xB7"
    "\x0A\x28\x8F\xE3\x8B\x4C\x82\xF0\x83\x41\x83\x76\x83\x8A\x83\x50\x81\x5B\x83\x56"
    "\x83\x87\x83\x93\x82\xCC\x8D\xEC\x8E\xD2\x82\xC9\x90\xB3\x8A\x6D\x82\xC9\x82\xA8"
    "\x93\x60\x82\xA6\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x29";

struct FailingStep {
    const char* operation;
    int mode;
    bool afterModeChange;   // the display mode was set before the failure
};

class StepFailure : public testing::TestWithParam<FailingStep> {};

} // namespace

TEST_P(StepFailure, LeavesWindowedOperationWithNothingLeftOver)
{
    const FailingStep& step = GetParam();
    OfferModes({{640, 480}, {320, 240}});
    Game a(320, 240, 1);
    a.context.scale = 2;
    auto& dd = fake::ddraw();
    dd.failing = {step.operation};
    if (std::strcmp(step.operation, "CreateSurface") == 0) {
        dd.failing = {"CreateSurface:video", "CreateSurface:system"};
    }

    int result = step.mode == 3 ? SX_FullScreen(&a.context, 320, 240, 1)
                                : sprox::SproxScreenMode(&a.context, step.mode);
    EXPECT_EQ(result, 0);
    fs::ExpectWindowed({&a});
    EXPECT_TRUE(a.HoldsMarks(320, 240));
    EXPECT_EQ(a.context.width, 320);
    EXPECT_TRUE(fake::machine().boxes.empty()) << "failures of the machine are not reported";
    if (step.afterModeChange) {
        EXPECT_EQ(dd.Count("RestoreDisplayMode"), 1);
        EXPECT_EQ(a.context.scale, 1) << "the scale of the chosen mode stays";
    } else {
        EXPECT_EQ(dd.Count("RestoreDisplayMode"), 0);
        EXPECT_EQ(a.context.scale, 2);
    }

    // Once the machine works again, full screen comes on.
    dd.failing.clear();
    EXPECT_EQ(SX_FullScreen(&a.context, 320, 240, 1), 1);
    SX_FullScreen(&a.context, 0, 0, 0);
    fs::ExpectWindowed({&a});
}

INSTANTIATE_TEST_SUITE_P(
    EachDirectDrawStep, StepFailure,
    testing::Values(FailingStep{"DirectDrawCreate", 3, false},
                    FailingStep{"SetCooperativeLevel", 3, false},
                    FailingStep{"SetDisplayMode", 3, false},
                    FailingStep{"CreateSurface:primary", 3, true},
                    FailingStep{"CreateSurface", 3, true},
                    FailingStep{"GetAttachedSurface", 1 + 16, true}),
    [](const testing::TestParamInfo<FailingStep>& info) {
        std::string name = info.param.operation;
        name.erase(std::remove(name.begin(), name.end(), ':'), name.end());
        return name;
    });

TEST(FullScreenFailure, AModeTheMachineLacksIsRefusedBeforeAnythingChanges)
{
    OfferModes({{320, 200}});
    Game a(320, 240);
    auto& dd = fake::ddraw();
    dd.calls.clear();
    EXPECT_EQ(SX_FullScreen(&a.context, 320, 240, 1), 0);
    EXPECT_EQ(dd.calls, (std::vector<std::string>{"DirectDrawCreate", "SetCooperativeLevel 0x51",
                                                   "SetCooperativeLevel 0x8"}));
    EXPECT_TRUE(fake::gdi().windowCalls.empty());
    fs::ExpectWindowed({&a});
}

TEST(FullScreenFailure, AContextWithoutAFrameGetsNoSurfaceSoFullScreenFails)
{
    OfferModes({{320, 240}});
    Game a(320, 240, 1);
    SproxContext empty{};
    SX_Init(&empty, fake::Window(2));
    EXPECT_EQ(SX_FullScreen(&a.context, 320, 240, 1), 0);
    fs::ExpectWindowed({&a});
    EXPECT_EQ(fake::ddraw().Count("RestoreDisplayMode"), 1);
    EXPECT_EQ(fake::ddraw().released.size(), 2u) << "A's surface and the primary surface";
}

TEST(FullScreenFailure, AFailingWindowShowIsNotFatal)
{
    OfferModes({{320, 240}});
    Game a(320, 240);
    fake::gdi().failingWindowCalls = {"ShowWindow", "ClipCursor"};
    EXPECT_EQ(SX_FullScreen(&a.context, 320, 240, 1), 1);
    EXPECT_FALSE(fake::gdi().cursorClip.has_value());
    // A window that is already visible is not shown again.
    fake::gdi().failingWindowCalls.clear();
    SX_FullScreen(&a.context, 0, 0, 0);
    fake::gdi().visibleWindows.insert(fake::Window(1));
    fake::gdi().windowCalls.clear();
    EXPECT_EQ(SX_FullScreen(&a.context, 320, 240, 1), 1);
    EXPECT_EQ(fake::gdi().windowCalls.front(), "ValidateRect");
}

TEST(SxFullScreen, WidthAndHeightComeBackWhetherOrNotFullScreenCameOn)
{
    OfferModes({{640, 480}});
    Game a(320, 240);
    ASSERT_EQ(SX_FullScreen(&a.context, 640, 480, 1), 1);
    EXPECT_EQ(a.context.width, 320);
    EXPECT_EQ(a.context.height, 240);
    // The asked size sized the surface, the cursor's room and the clip rectangle.
    EXPECT_EQ(a.Surface().pixels->width, 640);
    EXPECT_EQ(fake::gdi().cursorClip->bottom, 480);
    EXPECT_EQ(a.context.clip.right, 640);
    EXPECT_EQ(a.SurfacePixel(319, 239), fs::Mark(319, 239));

    // Not possible at that size: the frame is as before, and windowed.
    EXPECT_EQ(SX_FullScreen(&a.context, 800, 600, 1), 0);
    EXPECT_EQ(a.context.width, 320);
    EXPECT_EQ(a.context.height, 240);
    fs::ExpectWindowed({&a});
    EXPECT_TRUE(a.HoldsMarks(320, 240));
}

TEST(SxFullScreen, ARefusedRequestLeavesAPlainFrameCorrectlyDescribed)
{
    // Without DIB sections there is no full screen; the asked size must not stay
    // in the frame's description, or drawing would pass the frame's end.
    fake::OfferBackend(0);
    SproxContext c{};
    SX_Init(&c, fake::Window());
    SX_Size(&c, 320, 240, -1, nullptr);
    int32_t topOffset = c.topOffset;
    EXPECT_EQ(SX_FullScreen(&c, 640, 480, 1), 0);
    EXPECT_EQ(c.topOffset, topOffset);
    EXPECT_EQ(c.clip.right, 320);
    EXPECT_EQ(c.clip.bottom, 240);
    SX_End(&c);
}

TEST(Reports, InvalidContextsAreReportedWithTheAskedMode)
{
    auto& boxes = fake::machine().boxes;
    SproxContext zero{};
    EXPECT_EQ(SX_FullScreen(&zero, 320, 240, 1), 0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, fake::InvalidContextText("SproxScreenMode(3)"));
    EXPECT_EQ(boxes[1].text, fake::InvalidContextText("SproxScreenMode(0)"));
    EXPECT_EQ(boxes[0].caption, "Sprox Error");

    boxes.clear();
    EXPECT_EQ(sprox::SproxScreenMode(nullptr, 0x18011), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, fake::InvalidContextText("SproxScreenMode(32785)"));

    // A record copied elsewhere names its old address.
    Game a(32, 32);
    SproxContext copy;
    std::memcpy(&copy, &a.context, sizeof copy);
    boxes.clear();
    std::string before = fake::Bytes(copy);
    EXPECT_EQ(SX_FullScreen(&copy, 320, 240, 0), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, fake::InvalidContextText("SproxScreenMode(0)"));
    EXPECT_EQ(fake::Bytes(copy), before);
}

TEST(Reports, AContextWithoutAWindowIsReportedForAnyModeButZero)
{
    OfferModes({{320, 240}});
    SproxContext c{};
    SX_Init(&c, nullptr);
    SX_Size(&c, 320, 240, -1, nullptr);
    auto& boxes = fake::machine().boxes;
    EXPECT_EQ(SX_FullScreen(&c, 320, 240, 1), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kNoWindowBox);
    EXPECT_EQ(sprox::SproxScreenMode(&c, 32769), 0);
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(sprox::SproxScreenMode(&c, 0), 0);
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(fake::ddraw().calls.empty());
}

TEST(Reports, AnOwnerWhoseRecordWasSpoiltDoesNotHangTheNextRequest)
{
    OfferModes({{320, 240}});
    Game a(320, 240, 1);
    Game b(320, 240, 2);
    ASSERT_EQ(SX_FullScreen(&a.context, 320, 240, 1), 1);
    a.context.self = nullptr;   // the game overwrote the owner's record
    EXPECT_EQ(SX_FullScreen(&b.context, 320, 240, 1), 0);
    EXPECT_EQ(sprox::gDisplay.fullScreenOwner, &a.context);
    ASSERT_FALSE(fake::machine().boxes.empty());
    EXPECT_EQ(fake::machine().boxes[0].text, fake::InvalidContextText("SproxScreenMode(0)"));
    EXPECT_EQ(b.context.width, 320);
    // Mended, the owner gives the screen back.
    a.context.self = &a.context;
    EXPECT_EQ(SX_FullScreen(&b.context, 320, 240, 1), 1);
    EXPECT_EQ(sprox::gDisplay.fullScreenOwner, &b.context);
}
