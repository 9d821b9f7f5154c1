// The display-mode list, the choice of a display mode, and the probe.
#include "screen_fixture.h"

using fs::Game;
using fs::OfferModes;

namespace {

void SetList(std::initializer_list<std::pair<uint32_t, uint32_t>> sizes)
{
    sprox::gDisplay.modeCount = 0;
    for (auto [w, h] : sizes) {
        sprox::gDisplay.modes[sprox::gDisplay.modeCount++] = {w, h};
    }
}

struct Choice {
    int index;
    int32_t scale;
};

Choice Choose(int w, int h, int32_t scale, bool exactOnly = false)
{
    int index = sprox::ChooseDisplayMode(w, h, &scale, exactOnly);
    return {index, scale};
}

} // namespace

TEST(ChooseDisplayMode, AnExactModeWinsAtOnceAndMeansOneToOne)
{
    SetList({{320, 200}, {640, 400}, {640, 480}, {640, 480}});
    Choice c = Choose(640, 480, 2);
    EXPECT_EQ(c.index, 2);
    EXPECT_EQ(c.scale, 1);
    // Also when only exact modes are wanted, and ahead of a smaller scaled fit.
    c = Choose(320, 200, 2, true);
    EXPECT_EQ(c.index, 0);
    EXPECT_EQ(c.scale, 1);
}

TEST(ChooseDisplayMode, OneToOneTakesTheSmallestModeThatHoldsThePicture)
{
    SetList({{320, 200}, {640, 480}, {640, 400}});
    EXPECT_EQ(Choose(600, 400, 1).index, 2);
    // Equal areas: the earlier mode stays.
    SetList({{800, 600}, {600, 800}, {1024, 768}});
    EXPECT_EQ(Choose(500, 500, 1).index, 0);
    // Nothing large enough, or only larger modes while exact ones are asked.
    EXPECT_EQ(Choose(1100, 600, 1).index, -1);
    EXPECT_EQ(Choose(500, 500, 1, true).index, -1);
}

TEST(ChooseDisplayMode, ScaledPicturesNeedAModeOfLessThanTwiceTheirArea)
{
    // 320 x 240 at scale 2 is 640 x 480, 307200 pixels: the limit is 614400.
    SetList({{400, 300}, {1024, 768}});
    Choice c = Choose(320, 240, 2);
    EXPECT_EQ(c.index, -1) << "400 x 300 holds it only unscaled, 1024 x 768 is too large";
    SetList({{400, 300}, {960, 640}, {800, 600}, {700, 500}});
    c = Choose(320, 240, 2);
    EXPECT_EQ(c.index, 3) << "960 x 640 is exactly twice the area; 700 x 500 is the smallest";
    EXPECT_EQ(c.scale, 2);
    SetList({{1024, 768}, {640, 480}});
    c = Choose(320, 240, 2, true);
    EXPECT_EQ(c.index, 1);
    EXPECT_EQ(c.scale, 2);
    // Scale 0 halves the picture (rounding down).
    SetList({{640, 480}, {320, 240}});
    c = Choose(641, 481, 0);
    EXPECT_EQ(c.index, 1);
    EXPECT_EQ(c.scale, 0);
}

TEST(ChooseDisplayMode, SizesCompareUnsignedAndNothingOverflows)
{
    SetList({{640, 480}, {0xFFFFFFFFu, 1}});
    // A negative width is a huge unsigned one.
    EXPECT_EQ(Choose(-1, 1, 1).index, 1);
    EXPECT_EQ(Choose(-2, 1, 1).index, -1) << "no mode below the largest signed area holds it";
    EXPECT_EQ(Choose(-2, 480, 1).index, -1);
    EXPECT_EQ(Choose(320, 240, -2).index, -1);
    EXPECT_EQ(Choose(0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF).index, -1);
    SetList({});
    EXPECT_EQ(Choose(320, 240, 1).index, -1);
}

TEST(Probe, AtInitFillsTheListWithTheEightBitModesAndChangesNothing)
{
    auto& dd = fake::ddraw();
    dd.modes = {{640, 480, 8}, {800, 600, 16}, {320, 200, 8}, {1024, 768, 32}};
    Game a(320, 240);
    ASSERT_EQ(sprox::gDisplay.modeCount, 2);
    EXPECT_EQ(sprox::gDisplay.modes[0].width, 640u);
    EXPECT_EQ(sprox::gDisplay.modes[1].height, 200u);
    EXPECT_EQ(dd.calls, (std::vector<std::string>{"DirectDrawCreate", "SetCooperativeLevel 0x51",
                                                   "EnumDisplayModes", "SetCooperativeLevel 0x8"}));
    EXPECT_EQ(dd.LiveObjects(), 0);
    EXPECT_EQ(sprox::gDisplay.directDraw, nullptr);
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendDibSection);
    EXPECT_FALSE(dd.displayMode.has_value());
    EXPECT_TRUE(fake::gdi().windowCalls.empty());

    // The list is filled once: later probes and requests do not enumerate again.
    EXPECT_EQ(sprox::SproxScreenMode(&a.context, 32769), 1);
    Game b(10, 10, 2);
    SX_FullScreen(&a.context, 640, 480, 1);
    SX_FullScreen(&a.context, 0, 0, 0);
    EXPECT_EQ(dd.Count("EnumDisplayModes"), 1);
}

TEST(Probe, AnswersWhetherAModeFitsTheFrameAtItsScale)
{
    OfferModes({{640, 480}});
    Game a(320, 240);
    std::string before = fake::Bytes(a.context);
    size_t calls = fake::ddraw().calls.size();
    a.context.scale = 2;
    EXPECT_EQ(sprox::SproxScreenMode(&a.context, 32769), 1);
    a.context.scale = 1;
    EXPECT_EQ(sprox::SproxScreenMode(&a.context, 32768 + 32 + 1), 0);
    EXPECT_EQ(sprox::SproxScreenMode(&a.context, 32769), 1) << "640 x 480 holds it at 1:1";
    // The view size, when set, is what must fit.
    a.context.viewWidth = 800;
    EXPECT_EQ(sprox::SproxScreenMode(&a.context, 32769), 0);
    a.context.viewWidth = 0;
    // The list exists: the probes asked DirectDraw nothing.
    EXPECT_EQ(fake::ddraw().calls.size(), calls);
    EXPECT_EQ(fake::Bytes(a.context), before);
    EXPECT_EQ(sprox::gDisplay.fullScreenOwner, nullptr);
    // A probe to go back to the window answers 1.
    EXPECT_EQ(sprox::SproxScreenMode(&a.context, 32768), 1);
}

TEST(Probe, WithoutDirectDrawNoModeFits)
{
    fake::machine().modules.erase("DDRAW.DLL");
    OfferModes({{320, 240}});
    Game a(320, 240);
    EXPECT_EQ(sprox::SproxScreenMode(&a.context, 32769), 0);
    EXPECT_TRUE(fake::ddraw().calls.empty());
    EXPECT_EQ(SX_FullScreen(&a.context, 320, 240, 1), 0);
    EXPECT_TRUE(fake::ddraw().calls.empty());
}

TEST(Probe, TheListHoldsTheFirstSixtyFourModes)
{
    auto& dd = fake::ddraw();
    for (uint32_t i = 0; i < 100; ++i) {
        dd.modes.push_back({200 + i, 100 + i, 8});
    }
    Game a(10, 10);
    ASSERT_EQ(sprox::gDisplay.modeCount, 64);
    EXPECT_EQ(sprox::gDisplay.modes[63].width, 263u);
    EXPECT_EQ(dd.modesEnumerated, 64) << "enumeration stops once the list is full";
    SX_Size(&a.context, 209, 109, -1, nullptr);
    EXPECT_EQ(sprox::SproxScreenMode(&a.context, 32768 + 32 + 1), 1);
    SX_Size(&a.context, 270, 170, -1, nullptr);
    EXPECT_EQ(sprox::SproxScreenMode(&a.context, 32768 + 32 + 1), 0);
}
