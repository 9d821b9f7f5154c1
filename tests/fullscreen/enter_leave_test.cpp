// Entering and leaving full screen: frames moved into surfaces and back, the
// screen's palette, fill and cursor, page flipping, memory kinds, owners.
#include <algorithm>

#include "screen_fixture.h"

using fs::Game;
using fs::OfferModes;

namespace {

fake::FakeSurface& PrimarySurface()
{
    return fake::ddraw().Of(sprox::gDisplay.primary);
}

std::vector<fake::Fill> FillsOf(sys::Surface surface)
{
    std::vector<fake::Fill> found;
    for (const auto& fill : fake::ddraw().fills) {
        if (fill.surface == surface) {
            found.push_back(fill);
        }
    }
    return found;
}

// The position of a call in the fake DirectDraw's log, or -1.
int Position(const std::string& call)
{
    const auto& calls = fake::ddraw().calls;
    auto it = std::find(calls.begin(), calls.end(), call);
    return it == calls.end() ? -1 : static_cast<int>(it - calls.begin());
}

} // namespace

TEST(FullScreen, EnteringMovesEveryFrameIntoASurfaceAndLeavingBringsItBack)
{
    OfferModes({{640, 480}, {320, 240}});
    Game a(320, 240, 1);
    Game b(100, 50, 2);
    auto& dd = fake::ddraw();
    auto& gdi = fake::gdi();

    ASSERT_EQ(SX_FullScreen(&a.context, 320, 240, 1), 1);
    EXPECT_EQ(sprox::gDisplay.fullScreenOwner, &a.context);
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendDirectDraw);
    EXPECT_EQ(sprox::gDisplay.ops.lock, sprox::kBackendOps[sprox::kBackendDirectDraw].lock);
    EXPECT_EQ(dd.displayMode, (fake::FakeMode{320, 240, 8}));
    EXPECT_EQ(dd.exclusiveWindow, fake::Window(1));

    // Every frame is in a video-memory surface of its size, with its picture.
    for (Game* g : {&a, &b}) {
        ASSERT_NE(g->context.surface, nullptr);
        EXPECT_EQ(g->Surface().kind, fake::SurfaceKind::Video);
        EXPECT_EQ(g->Slot().inVideoMemory, 1);
        EXPECT_EQ(g->context.bits, nullptr);
        EXPECT_EQ(g->context.direction, -1);
        EXPECT_EQ(g->Surface().dc, nullptr) << "the surface's DC was given back";
    }
    EXPECT_EQ(a.Surface().pixels->width, 320);
    EXPECT_EQ(b.Surface().pixels->height, 50);
    EXPECT_EQ(a.SurfacePixel(0, 0), fs::Mark(0, 0));
    EXPECT_EQ(a.SurfacePixel(319, 239), fs::Mark(319, 239));
    EXPECT_EQ(b.SurfacePixel(99, 10), fs::Mark(99, 10));

    // The screen: a plain primary surface with the owner's colours and the window
    // clipper, filled with the first black colour before the pictures came.
    ASSERT_NE(sprox::gDisplay.primary, nullptr);
    EXPECT_EQ(PrimarySurface().kind, fake::SurfaceKind::Primary);
    EXPECT_EQ(sprox::gDisplay.backBuffer, nullptr);
    ASSERT_NE(a.context.ddPalette, nullptr);
    EXPECT_EQ(b.context.ddPalette, nullptr);
    EXPECT_EQ(PrimarySurface().palette, a.context.ddPalette);
    fake::FakePalette* palette = dd.FindPalette(a.context.ddPalette);
    EXPECT_EQ(palette->flags, sys::kDDPCaps8Bit | sys::kDDPCapsAllow256);
    EXPECT_EQ(palette->entries[7].red, fs::ColourOf(7).red);
    EXPECT_EQ(palette->entries[7].blue, fs::ColourOf(7).blue);
    ASSERT_NE(PrimarySurface().clipper, nullptr);
    EXPECT_EQ(dd.FindClipper(PrimarySurface().clipper)->window, fake::Window(1));
    EXPECT_EQ(dd.LiveClippers(), 1) << "only the primary surface holds the clipper";
    auto fills = FillsOf(sprox::gDisplay.primary);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].colour, fs::kBlack);
    EXPECT_EQ(fills[0].rect.right, 320);
    EXPECT_EQ(fills[0].rect.bottom, 240);
    EXPECT_EQ(fills[0].flags, sys::kDDBltWait);

    // The window was shown, validated and updated before the switch, invalidated
    // without erasing after it; the cursor stays on the screen.
    EXPECT_EQ(gdi.windowCalls,
              (std::vector<std::string>{"ShowWindow", "ValidateRect", "UpdateWindow", "ClipCursor",
                                        "InvalidateRect"}));
    EXPECT_FALSE(gdi.invalidatedWithErase);
    ASSERT_TRUE(gdi.cursorClip.has_value());
    EXPECT_EQ(gdi.cursorClip->right, 320);
    EXPECT_EQ(gdi.cursorClip->bottom, 240);

    // Drawing while full screen goes into the surfaces and comes back with them.
    SX_Clear(&b.context, 77);
    sprox::FrameView view;
    ASSERT_EQ(sprox::LockFrameView(&view, &a.context), 1);
    view.bits[view.topOffset + 5 * view.pitch + 6] = 222;
    sprox::gDisplay.ops.unlock(&a.context);
    EXPECT_EQ(a.SurfacePixel(6, 5), 222);

    sys::Surface primary = sprox::gDisplay.primary;
    EXPECT_EQ(SX_FullScreen(&a.context, 0, 0, 0), 0);
    fs::ExpectWindowed({&a, &b});
    EXPECT_EQ(a.Pixel(6, 5), 222);
    EXPECT_EQ(a.Pixel(7, 5), fs::Mark(7, 5));
    EXPECT_EQ(a.Pixel(319, 239), fs::Mark(319, 239));
    EXPECT_EQ(b.Pixel(0, 0), 77);
    EXPECT_EQ(b.Pixel(99, 49), 77);
    // The screen was cleared to the palette's first black before it went back.
    fills = FillsOf(primary);
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[1].colour, fs::kBlack);
    EXPECT_EQ(fills[1].rect.right, 320);
    EXPECT_EQ(dd.Count("FlipToGDISurface"), 0) << "no back buffer";
    EXPECT_LT(Position("GetPaletteEntries"), Position("RestoreDisplayMode"));
    EXPECT_EQ(dd.calls.back(), "SetCooperativeLevel 0x8");
    EXPECT_EQ(gdi.windowCalls.back(), "ClipCursor");
}

TEST(FullScreen, PresentingGoesToTheScreenAtTheScaleOfTheChosenMode)
{
    OfferModes({{640, 480}});
    Game a(320, 240);
    a.context.scale = 2;
    ASSERT_EQ(SX_FullScreen(&a.context, 320, 240, 1), 1);
    EXPECT_EQ(a.context.scale, 2) << "no 320 x 240 mode: shown twice as large";
    fake::gdi().presents.clear();
    SX_Paint(&a.context, fake::TargetDC(), 0, 0);
    ASSERT_EQ(fake::gdi().presents.size(), 1u);
    const fake::Present& p = fake::gdi().presents[0];
    EXPECT_EQ(p.call, "Blt");
    EXPECT_EQ(p.target, sprox::gDisplay.primary);
    EXPECT_EQ(p.dst, (fake::Area{0, 0, 640, 480}));
    EXPECT_EQ(PrimarySurface().pixels->At(639, 479), fs::Mark(319, 239));

    // Leaving does not put the game's scale back: the game owns it.
    SX_FullScreen(&a.context, 0, 0, 0);
    EXPECT_EQ(a.context.scale, 2);
}

TEST(FullScreen, AnExactModeMakesTheScaleOneAndStaysSoAfterwards)
{
    OfferModes({{640, 480}, {320, 240}});
    Game a(320, 240);
    a.context.scale = 2;
    ASSERT_EQ(SX_FullScreen(&a.context, 320, 240, 1), 1);
    EXPECT_EQ(fake::ddraw().displayMode, (fake::FakeMode{320, 240, 8}));
    EXPECT_EQ(a.context.scale, 1);
    SX_FullScreen(&a.context, 0, 0, 0);
    EXPECT_EQ(a.context.scale, 1);
}

TEST(FullScreen, AnotherContextsRequestFirstGivesTheScreenBack)
{
    OfferModes({{320, 240}, {200, 100}});
    Game a(320, 240, 1);
    Game b(100, 50, 2);
    ASSERT_EQ(SX_FullScreen(&a.context, 320, 240, 1), 1);
    SX_Clear(&a.context, 55);
    auto& dd = fake::ddraw();
    dd.calls.clear();

    // B asks for 200 x 100; its frame is 100 x 50.
    ASSERT_EQ(SX_FullScreen(&b.context, 200, 100, 1), 1);
    EXPECT_EQ(sprox::gDisplay.fullScreenOwner, &b.context);
    EXPECT_EQ(a.Pixel(0, 0), 55) << "A's picture went back into its DIB section";
    EXPECT_EQ(dd.displayMode, (fake::FakeMode{200, 100, 8})) << "the size B asked for";
    EXPECT_EQ(b.Surface().pixels->width, 200);
    EXPECT_EQ(b.context.width, 100);
    EXPECT_EQ(b.context.height, 50);
    EXPECT_LT(Position("RestoreDisplayMode"), Position("SetDisplayMode 200x100x8"));
    EXPECT_EQ(dd.Count("DirectDrawCreate"), 1);
    EXPECT_EQ(dd.LiveObjects(), 1);
    EXPECT_EQ(dd.LiveSurfaces(), 3) << "the primary surface and two frames";
    EXPECT_EQ(dd.exclusiveWindow, fake::Window(2));
    ASSERT_TRUE(fake::gdi().cursorClip.has_value());
    EXPECT_EQ(fake::gdi().cursorClip->right, 200);

    SX_FullScreen(&b.context, 0, 0, 0);
    fs::ExpectWindowed({&a, &b});
}

TEST(FullScreen, WindowModeOnANonOwnerChangesNothing)
{
    OfferModes({{320, 240}});
    Game a(320, 240, 1);
    Game b(100, 50, 2);
    std::string before = fake::Bytes(b.context);
    EXPECT_EQ(sprox::SproxScreenMode(&b.context, 0), 1);
    EXPECT_EQ(fake::Bytes(b.context), before);

    ASSERT_EQ(SX_FullScreen(&a.context, 320, 240, 1), 1);
    size_t calls = fake::ddraw().calls.size();
    size_t windowCalls = fake::gdi().windowCalls.size();
    before = fake::Bytes(b.context);
    EXPECT_EQ(sprox::SproxScreenMode(&b.context, 0), 1);
    EXPECT_EQ(fake::Bytes(b.context), before);
    EXPECT_EQ(fake::ddraw().calls.size(), calls);
    EXPECT_EQ(fake::gdi().windowCalls.size(), windowCalls);
    EXPECT_EQ(sprox::gDisplay.fullScreenOwner, &a.context);
    // A probe of the window mode on the owner changes nothing either.
    EXPECT_EQ(sprox::SproxScreenMode(&a.context, 32768), 1);
    EXPECT_EQ(sprox::gDisplay.fullScreenOwner, &a.context);
}

TEST(FullScreen, PageFlippingMakesTheBackBufferTheOwnersFrame)
{
    OfferModes({{640, 480}, {320, 240}});
    Game a(320, 240);
    a.context.scale = 2;
    auto& dd = fake::ddraw();
    ASSERT_EQ(sprox::SproxScreenMode(&a.context, 1 + 16), 1);
    EXPECT_EQ(dd.displayMode, (fake::FakeMode{320, 240, 8})) << "page flipping shows 1:1";
    EXPECT_EQ(a.context.scale, 1);
    ASSERT_NE(sprox::gDisplay.backBuffer, nullptr);
    EXPECT_EQ(a.context.surface, sprox::gDisplay.backBuffer);
    EXPECT_EQ(a.Surface().kind, fake::SurfaceKind::BackBuffer);
    EXPECT_EQ(a.Slot().inVideoMemory, 1);
    EXPECT_EQ(PrimarySurface().backBuffer, sprox::gDisplay.backBuffer);
    EXPECT_EQ(FillsOf(sprox::gDisplay.backBuffer).size(), 1u);
    EXPECT_EQ(dd.Count("CreateSurface:video"), 0);
    EXPECT_EQ(a.SurfacePixel(3, 4), fs::Mark(3, 4));

    // Presenting at the origin flips, whatever part is asked: the drawn frame is
    // then on the screen.
    fake::gdi().presents.clear();
    SX_Clear(&a.context, 99);
    SX_Paint(&a.context, fake::TargetDC(), 0, 0);
    ASSERT_EQ(fake::gdi().presents.size(), 1u);
    EXPECT_EQ(fake::gdi().presents[0].call, "Flip");
    EXPECT_EQ(PrimarySurface().pixels->At(10, 10), 99);

    // A flip leaves the former screen in the back buffer, so a game draws every
    // frame anew; what is drawn last is what goes back to the window.
    SX_Clear(&a.context, 98);
    sys::Surface primary = sprox::gDisplay.primary;
    sys::Surface back = sprox::gDisplay.backBuffer;
    sprox::SproxScreenMode(&a.context, 0);
    EXPECT_EQ(dd.Count("FlipToGDISurface"), 1);
    EXPECT_EQ(dd.Of(primary).flips, 0) << "the GDI surface is in front again";
    EXPECT_TRUE(std::find(dd.released.begin(), dd.released.end(), back) == dd.released.end())
        << "the back buffer goes with the primary surface";
    EXPECT_TRUE(dd.Of(back).released);
    fs::ExpectWindowed({&a});
    EXPECT_EQ(a.Pixel(10, 10), 98);
}

TEST(FullScreen, PageFlippingNeedsTheOwnerToBeTheOnlyContext)
{
    OfferModes({{320, 240}});
    Game a(320, 240, 1);
    Game b(100, 50, 2);
    EXPECT_EQ(sprox::SproxScreenMode(&a.context, 1 + 16), 0);
    fs::ExpectWindowed({&a, &b});
    EXPECT_TRUE(a.HoldsMarks(320, 240));
}

TEST(FullScreen, WithoutAFlippingChainAPlainPrimaryIsMade)
{
    OfferModes({{320, 240}});
    Game a(320, 240);
    fake::ddraw().failing = {"CreateSurface:flip"};
    ASSERT_EQ(sprox::SproxScreenMode(&a.context, 1 + 16), 1);
    EXPECT_EQ(sprox::gDisplay.backBuffer, nullptr);
    EXPECT_EQ(PrimarySurface().kind, fake::SurfaceKind::Primary);
    EXPECT_EQ(a.Surface().kind, fake::SurfaceKind::Video);
}

TEST(FullScreen, FramesGoToSystemMemoryWhenVideoMemoryRunsOut)
{
    OfferModes({{320, 240}});
    Game a(320, 240, 1);
    Game b(100, 50, 2);
    fake::ddraw().videoSurfacesLeft = 1;
    ASSERT_EQ(SX_FullScreen(&a.context, 320, 240, 1), 1);
    EXPECT_EQ(a.Surface().kind, fake::SurfaceKind::Video);
    EXPECT_EQ(b.Surface().kind, fake::SurfaceKind::System);
    EXPECT_EQ(a.Slot().inVideoMemory, 1);
    EXPECT_EQ(b.Slot().inVideoMemory, 0);
    EXPECT_EQ(b.SurfacePixel(50, 20), fs::Mark(50, 20));
    SX_FullScreen(&a.context, 0, 0, 0);
    EXPECT_TRUE(b.HoldsMarks(100, 50));
}

TEST(FullScreen, TheModeSaysWhichMemoryFramesMayUse)
{
    OfferModes({{320, 240}});
    Game a(320, 240);
    auto& dd = fake::ddraw();
    // System memory only: video memory is not tried.
    ASSERT_EQ(sprox::SproxScreenMode(&a.context, 1 + 4), 1);
    EXPECT_EQ(a.Surface().kind, fake::SurfaceKind::System);
    EXPECT_EQ(dd.Count("CreateSurface:video"), 0);
    EXPECT_EQ(dd.Count("CreateClipper"), 0) << "no clipper without its bit";
    sprox::SproxScreenMode(&a.context, 0);
    // Video memory only, and there is none.
    dd.videoSurfacesLeft = 0;
    EXPECT_EQ(sprox::SproxScreenMode(&a.context, 1 + 8), 0);
    EXPECT_EQ(dd.Count("CreateSurface:system"), 1);
    fs::ExpectWindowed({&a});
}

TEST(FullScreen, SurfacesLostToAnotherProgramAreRestoredWhenDrawnInto)
{
    OfferModes({{320, 240}});
    Game a(320, 240);
    ASSERT_EQ(SX_FullScreen(&a.context, 320, 240, 1), 1);
    fake::ddraw().LoseSurfaces();
    // The colour fill fails on the lost surface; the memory fill restores it.
    SX_Clear(&a.context, 44);
    EXPECT_FALSE(a.Surface().lost);
    EXPECT_FALSE(PrimarySurface().lost);
    EXPECT_EQ(a.SurfacePixel(100, 100), 44);
    SX_FullScreen(&a.context, 0, 0, 0);
    fs::ExpectWindowed({&a});
    EXPECT_EQ(a.Pixel(100, 100), 44);
}

TEST(FullScreen, ResizingTheOwnerGoesBackToTheWindowFirst)
{
    OfferModes({{320, 240}});
    Game a(320, 240);
    ASSERT_EQ(SX_FullScreen(&a.context, 320, 240, 1), 1);
    SX_Size(&a.context, 400, 300, -1, nullptr);
    fs::ExpectWindowed({&a});
    EXPECT_EQ(a.context.width, 400);
    EXPECT_EQ(a.Pixel(319, 239), fs::Mark(319, 239)) << "the picture survived both moves";
}

TEST(FullScreen, EndingTheOwnerLeavesFullScreenAndReleasesEverything)
{
    OfferModes({{320, 240}});
    auto& gdi = fake::gdi();
    {
        Game b(100, 50, 2);
        Game a(320, 240, 1);
        ASSERT_EQ(SX_FullScreen(&a.context, 320, 240, 1), 1);
        SX_End(&a.context);
        EXPECT_EQ(a.context.self, nullptr);
        EXPECT_EQ(a.context.surface, nullptr);
        EXPECT_EQ(a.context.bits, nullptr);
        fs::ExpectWindowed({&b});
        EXPECT_TRUE(b.HoldsMarks(100, 50));
        // The ended owner's DIB section went with it.
        EXPECT_EQ(gdi.Live(fake::FakeGdi::Kind::Bitmap), 1);
        EXPECT_EQ(gdi.Live(fake::FakeGdi::Kind::MemoryDC), 1);
        SX_End(&b.context);
    }
    EXPECT_EQ(gdi.Live(fake::FakeGdi::Kind::Bitmap), 0);
    EXPECT_EQ(gdi.Live(fake::FakeGdi::Kind::MemoryDC), 0);
    EXPECT_EQ(fake::ddraw().LiveSurfaces(), 0);
}

TEST(FullScreen, EndingAnotherContextReleasesItsSurfaceOnly)
{
    OfferModes({{320, 240}});
    Game a(320, 240, 1);
    Game b(100, 50, 2);
    ASSERT_EQ(SX_FullScreen(&a.context, 320, 240, 1), 1);
    sys::Surface surface = b.context.surface;
    SX_End(&b.context);
    EXPECT_TRUE(fake::ddraw().Of(surface).released);
    EXPECT_EQ(sprox::gDisplay.fullScreenOwner, &a.context);
    SX_FullScreen(&a.context, 0, 0, 0);
    fs::ExpectWindowed({&a});
    EXPECT_EQ(fake::gdi().Live(fake::FakeGdi::Kind::Bitmap), 1);
}
