#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "fake/fake_context.h"
#include "fake/fake_ddraw.h"
#include "fake/fake_gdi.h"
#include "sprox.h"
#include "sprox/display/backend.h"

using fake::Area;

namespace {

struct Piece {
    Area dst;
    Area src;
    bool operator==(const Piece&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Piece& piece)
{
    return out << piece.dst << " <- " << piece.src;
}

std::vector<Piece> Painted(SproxContext& c, int x = 0, int y = 0)
{
    auto& gdi = fake::gdi();
    gdi.presents.clear();
    SX_Paint(&c, fake::TargetDC(), x, y);
    std::vector<Piece> pieces;
    for (const auto& p : gdi.presents) {
        EXPECT_EQ(p.target, fake::TargetDC());
        pieces.push_back({p.dst, p.src});
    }
    return pieces;
}

struct Framed {
    SproxContext context{};
    Framed(int width, int height)
    {
        SX_Init(&context, fake::Window());
        SX_Size(&context, width, height, -1, nullptr);
    }
};

} // namespace

TEST(Paint, WholeFrameInOnePieceWithColourOnColour)
{
    Framed f(320, 240);
    EXPECT_EQ(Painted(f.context, 8, 9), (std::vector<Piece>{{{8, 9, 320, 240}, {0, 0, 320, 240}}}));
    EXPECT_EQ(fake::gdi().presents[0].call, "BitBlt");
    ASSERT_FALSE(fake::gdi().stretchModes.empty());
    EXPECT_EQ(fake::gdi().stretchModes.back(),
              std::make_pair(static_cast<sys::Handle>(fake::TargetDC()), sys::kColorOnColor));

    // A smaller view is one piece too.
    f.context.viewWidth = 100;
    f.context.viewHeight = 50;
    EXPECT_EQ(Painted(f.context), (std::vector<Piece>{{{0, 0, 100, 50}, {0, 0, 100, 50}}}));
}

TEST(Paint, ALargerViewWrapsAroundInFourPieces)
{
    Framed f(320, 240);
    f.context.viewWidth = 400;
    f.context.viewHeight = 300;
    EXPECT_EQ(Painted(f.context, 10, 20), (std::vector<Piece>{
                                              {{330, 20, 80, 240}, {0, 0, 80, 240}},
                                              {{10, 260, 320, 60}, {0, 0, 320, 60}},
                                              {{330, 260, 80, 60}, {0, 0, 80, 60}},
                                              {{10, 20, 320, 240}, {0, 0, 320, 240}},
                                          }));
}

TEST(Paint, ScrollingCutsTheFrameWhereTheOriginLies)
{
    Framed f(320, 240);
    f.context.scrollX = 300;
    f.context.scrollY = 200;
    EXPECT_EQ(Painted(f.context), (std::vector<Piece>{
                                      {{20, 0, 300, 40}, {0, 200, 300, 40}},
                                      {{0, 40, 20, 200}, {300, 0, 20, 200}},
                                      {{20, 40, 300, 200}, {0, 0, 300, 200}},
                                      {{0, 0, 20, 40}, {300, 200, 20, 40}},
                                  }));
}

TEST(Paint, ScrollOriginsWrapAroundBothWays)
{
    Framed f(320, 240);
    auto paintedAt = [&](int sx, int sy) {
        f.context.scrollX = sx;
        f.context.scrollY = sy;
        return Painted(f.context);
    };
    const auto five = paintedAt(5, 0);
    EXPECT_EQ(five, (std::vector<Piece>{{{315, 0, 5, 240}, {0, 0, 5, 240}},
                                        {{0, 0, 315, 240}, {5, 0, 315, 240}}}));
    EXPECT_EQ(paintedAt(320 + 5, 0), five);
    EXPECT_EQ(paintedAt(-315, 0), five);
    EXPECT_EQ(paintedAt(-5, 0), paintedAt(315, 0));
    EXPECT_EQ(paintedAt(0, -5), paintedAt(0, 235));
    EXPECT_EQ(paintedAt(0, 240 * 3 + 7), paintedAt(0, 7));

    // Extreme origins end at once and stay inside the frame.
    for (int s : {INT_MIN, INT_MAX, INT_MIN + 1}) {
        for (const Piece& p : paintedAt(s, s)) {
            EXPECT_GE(p.src.x, 0);
            EXPECT_LE(p.src.x + p.src.w, 320);
            EXPECT_GE(p.src.y, 0);
            EXPECT_LE(p.src.y + p.src.h, 240);
        }
    }
}

TEST(Paint, ScaleAppliesToTheDestinationOnly)
{
    Framed f(320, 240);
    f.context.scale = 2;
    EXPECT_EQ(Painted(f.context, 5, 6),
              (std::vector<Piece>{{{10, 12, 640, 480}, {0, 0, 320, 240}}}));
    EXPECT_EQ(fake::gdi().presents[0].call, "StretchBlt");

    f.context.scale = 0;
    EXPECT_EQ(Painted(f.context, 5, 6),
              (std::vector<Piece>{{{2, 3, 160, 120}, {0, 0, 320, 240}}}));

    f.context.scale = 1;
    EXPECT_EQ(Painted(f.context, 5, 6),
              (std::vector<Piece>{{{5, 6, 320, 240}, {0, 0, 320, 240}}}));
    EXPECT_EQ(fake::gdi().presents[0].call, "BitBlt");

    // The pieces of a wrapped view are placed in frame pixels, then scaled.
    f.context.scale = 3;
    f.context.scrollX = 300;
    EXPECT_EQ(Painted(f.context), (std::vector<Piece>{{{60, 0, 900, 720}, {0, 0, 300, 240}},
                                                     {{0, 0, 60, 720}, {300, 0, 20, 240}}}));
}

TEST(Paint, NothingWithoutAFrame)
{
    SproxContext c{};
    SX_Init(&c, fake::Window());
    c.scrollX = -7;
    c.scrollY = 12345;
    c.viewWidth = 400;
    EXPECT_TRUE(Painted(c).empty());
    SX_Clear(&c, 3);
    SX_Paint(nullptr, fake::TargetDC(), 0, 0);
    SX_Clear(nullptr, 3);
    EXPECT_TRUE(fake::gdi().presents.empty());
}

TEST(Paint, UnderDirectDrawGoesToThePrimarySurface)
{
    Framed f(64, 48);
    f.context.surface = fake::ddraw().MakeSurface(64, 48);
    sprox::gDisplay.primary = fake::ddraw().MakeSurface(640, 480);
    sprox::gDisplay.backend = sprox::kBackendDirectDraw;
    sprox::InstallOps();
    sprox::RefreshDescription(&f.context);
    f.context.scrollX = 60;
    SX_Paint(&f.context, fake::TargetDC(), 0, 0);
    const auto& presents = fake::gdi().presents;
    ASSERT_EQ(presents.size(), 2u);
    EXPECT_EQ(presents[0].call, "Blt");
    EXPECT_EQ(presents[0].target, sprox::gDisplay.primary);
    EXPECT_EQ(presents[0].dst, (Area{4, 0, 60, 48}));
    EXPECT_EQ(presents[1].src, (Area{60, 0, 4, 48}));
}

TEST(Clear, FillsEachRowButNotItsPadding)
{
    Framed f(318, 5);
    SproxContext& c = f.context;
    ASSERT_EQ(c.stride, 320);
    std::memset(c.bits, 0xEE, 320 * 5);
    SX_Clear(&c, 0x1A7);   // only the low byte counts
    for (int row = 0; row < 5; ++row) {
        const uint8_t* p = c.bits + row * 320;
        for (int x = 0; x < 318; ++x) {
            ASSERT_EQ(p[x], 0xA7) << x << "," << row;
        }
        EXPECT_EQ(p[318], 0xEE);
        EXPECT_EQ(p[319], 0xEE);
    }
}

TEST(Clear, WholeFrameWhenRowsHaveNoPadding)
{
    Framed f(16, 4);
    SX_Clear(&f.context, 9);
    for (int i = 0; i < 64; ++i) {
        ASSERT_EQ(f.context.bits[i], 9);
    }
}

TEST(Clear, SurfaceFramesAreFilledBySurfaceOrByMemory)
{
    Framed f(20, 10);
    SproxContext& c = f.context;
    sys::Surface surface = fake::ddraw().MakeSurface(20, 10, 24, 0xEE);
    c.surface = surface;
    sprox::gDisplay.backend = sprox::kBackendDirectDraw;
    sprox::InstallOps();
    sprox::RefreshDescription(&c);
    auto& s = fake::ddraw().Of(surface);

    SX_Clear(&c, 4);
    ASSERT_EQ(fake::ddraw().fills.size(), 1u);
    const auto& fill = fake::ddraw().fills[0];
    EXPECT_EQ(fill.rect.right, 20);
    EXPECT_EQ(fill.rect.bottom, 10);
    EXPECT_EQ(fill.colour, 4u);
    EXPECT_EQ(s.lockCalls, 0);
    EXPECT_EQ(s.pixels->At(19, 9), 4);

    // When the fill fails, the surface is locked and filled in memory.
    s.fillFailures = 1;
    SX_Clear(&c, 6);
    EXPECT_EQ(s.lockCalls, 1);
    EXPECT_FALSE(s.locked);
    EXPECT_EQ(s.pixels->At(0, 0), 6);
    EXPECT_EQ(s.pixels->At(19, 9), 6);
    EXPECT_EQ(s.pixels->Row(9)[20], 0xEE);   // the pitch's padding
    EXPECT_EQ(c.bits, nullptr);
}
