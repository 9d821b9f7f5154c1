// Rotate-zoom through SX_RotoZoomPut: the quarter turns and scales by hand, every
// other case against the slow model, and what it must refuse.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <numbers>
#include <optional>
#include <random>

#include "fake/fake_machine.h"
#include "rotozoom/fixture.h"
#include "rotozoom/roto_model.h"
#include "sprox.h"
#include "sprox/blit/rotozoom.h"
#include "sprox/display/backend.h"
#include "sprox/pattern/pattern.h"

using dartest::MakePicture;
using roto::Call;
using roto::Frame;
using roto::Registered;

namespace {

struct LockLog {
    int locks = 0;
    int unlocks = 0;
};
LockLog gLog;

int CountingLock(SproxContext* c)
{
    ++gLog.locks;
    return c != nullptr && c->bits != nullptr ? 1 : 0;
}
void CountingUnlock(SproxContext*) { ++gLog.unlocks; }

void CountLocks()
{
    gLog = {};
    sprox::gDisplay.ops.lock = CountingLock;
    sprox::gDisplay.ops.unlock = CountingUnlock;
}

constexpr SproxRect kWhole{0, 0, 1 << 20, 1 << 20};  // cut to the frame by the frame

void Put(Frame& f, const SproxRect& clip, int pattern, const Call& k)
{
    SproxContext c = f.Context(clip);
    SX_RotoZoomPut(&c, k.x, k.y, pattern, k.pivotX, k.pivotY, k.angle, k.zoom);
}

// The frame expected when frame pixel (X, Y) shows the pattern pixel that
// `source` names (key-colour pixels leaving the frame as it was).
using UV = std::optional<std::pair<int, int>>;
using Mapping = std::function<UV(int x, int y)>;

std::vector<uint8_t> Expected(Frame f, const dar::Picture& pic, const Mapping& source)
{
    for (int y = 0; y < f.height; ++y) {
        for (int x = 0; x < f.width; ++x) {
            if (auto uv = source(x, y)) {
                const uint8_t colour = pic.at(uv->first, uv->second);
                if (pic.key < 0 || colour != pic.key) {
                    f.At(x, y) = colour;
                }
            }
        }
    }
    return f.buffer;
}

bool In(int v, int from, int to) { return v >= from && v < to; }

} // namespace

TEST(QuarterSine, BuiltByTheFirstCallThatGetsPastTheChecks)
{
    std::mt19937 rng(1);
    Registered r({MakePicture(8, 8, 0, 1)});
    Frame f(32, 32, 0, false, rng);
    EXPECT_FALSE(sprox::gQuarterSineBuilt);
    Put(f, kWhole, 0, {10, 10, 0, 0, 0, 0});
    Put(f, kWhole, 7, {10, 10, 0, 0, 0, 256});
    EXPECT_FALSE(sprox::gQuarterSineBuilt);
    Put(f, kWhole, 0, {-500, -500, 0, 0, 0, 256});  // off the frame: still built
    EXPECT_TRUE(sprox::gQuarterSineBuilt);
    EXPECT_EQ(sprox::gQuarterSine[0], 0);
    EXPECT_EQ(sprox::gQuarterSine[1], 6433);
    EXPECT_EQ(sprox::gQuarterSine[32], 185364);
    EXPECT_EQ(sprox::gQuarterSine[64], 262144);
}

TEST(QuarterSine, GivesSineAndCosineOfEveryAngle)
{
    sprox::BuildQuarterSine();
    for (int a = -600; a < 600; ++a) {
        ASSERT_EQ(sprox::RotoSin(a), roto::Sine(a)) << a;
        ASSERT_EQ(sprox::RotoCos(a), roto::Sine(a + 64)) << a;
    }
    EXPECT_EQ(sprox::RotoSin(192), -262144);
    EXPECT_EQ(sprox::RotoCos(128), -262144);
}

TEST(MulDiv64, RoundsToTheNearestWithHalvesAwayFromZero)
{
    EXPECT_EQ(sprox::MulDiv64(3, 1, 2), 2);
    EXPECT_EQ(sprox::MulDiv64(-3, 1, 2), -2);
    EXPECT_EQ(sprox::MulDiv64(3, 1, -2), -2);
    EXPECT_EQ(sprox::MulDiv64(5, 1, 4), 1);
    EXPECT_EQ(sprox::MulDiv64(-7, 1, 4), -2);
    EXPECT_EQ(sprox::MulDiv64(int64_t{1} << 40, int64_t{1} << 20, 3), ((int64_t{1} << 60) + 1) / 3);
    EXPECT_EQ(sprox::MulDiv64(12, 34, 0), -1);
}

TEST(RotoZoom, AngleZeroCopiesWithoutTheFirstColumn)
{
    std::mt19937 rng(2);
    for (int key : {0, -1}) {
        SCOPED_TRACE(key);
        Registered r({MakePicture(9, 6, key, 3)});
        const dar::Picture& pic = r.pictures[0];
        Frame f(40, 30, 3, key < 0, rng);
        const int x = 12, y = 7;
        const auto want = Expected(f, pic, [&](int fx, int fy) -> UV {
            if (In(fx, x + 1, x + 9) && In(fy, y, y + 6)) {
                return std::pair{fx - x, fy - y};
            }
            return std::nullopt;
        });
        CountLocks();
        Put(f, kWhole, 0, {x, y, 0, 0, 0, 256});
        EXPECT_EQ(f.buffer, want);
        EXPECT_EQ(gLog.locks, 1);
        EXPECT_EQ(gLog.unlocks, 1);
        SX_ReleaseAll();
    }
}

TEST(RotoZoom, QuarterTurnRunsRowsDownwardsWithoutTheFirstRow)
{
    std::mt19937 rng(3);
    Registered r({MakePicture(7, 5, 0, 4)});
    const dar::Picture& pic = r.pictures[0];
    Frame f(40, 30, 0, false, rng);
    const int x = 20, y = 4;
    // Pattern pixel (u, v) at (x - v, y + u).
    const auto want = Expected(f, pic, [&](int fx, int fy) -> UV {
        const int u = fy - y, v = x - fx;
        if (In(u, 0, 7) && In(v, 1, 5)) {
            return std::pair{u, v};
        }
        return std::nullopt;
    });
    Put(f, kWhole, 0, {x, y, 0, 0, 64, 256});
    EXPECT_EQ(f.buffer, want);
}

TEST(RotoZoom, OnlyTheLowEightBitsOfTheAngleCount)
{
    std::mt19937 rng(4);
    Registered r({MakePicture(11, 9, 0, 5)});
    for (auto [a, b] : {std::pair{256, 0}, {-64, 192}, {300, 44}, {INT_MIN + 17, 17}}) {
        Frame f1(50, 50, 0, false, rng);
        Frame f2 = f1;
        Put(f1, kWhole, 0, {25, 25, 5, 4, a, 200});
        Put(f2, kWhole, 0, {25, 25, 5, 4, b, 200});
        EXPECT_EQ(f1.buffer, f2.buffer) << a << " against " << b;
    }
}

TEST(RotoZoom, Zoom512HalvesAnd128Doubles)
{
    std::mt19937 rng(5);
    Registered r({MakePicture(12, 10, 0, 6)});
    const dar::Picture& pic = r.pictures[0];
    const int x = 5, y = 6;
    {
        Frame f(40, 40, 0, false, rng);
        const auto want = Expected(f, pic, [&](int fx, int fy) -> UV {
            if (In(fx, x + 1, x + 6) && In(fy, y, y + 5)) {
                return std::pair{2 * (fx - x), 2 * (fy - y)};
            }
            return std::nullopt;
        });
        Put(f, kWhole, 0, {x, y, 0, 0, 0, 512});
        EXPECT_EQ(f.buffer, want);
    }
    {
        Frame f(40, 40, 0, false, rng);
        const auto want = Expected(f, pic, [&](int fx, int fy) -> UV {
            if (In(fx, x + 1, x + 24) && In(fy, y, y + 20)) {
                return std::pair{(fx - x) / 2, (fy - y) / 2};
            }
            return std::nullopt;
        });
        Put(f, kWhole, 0, {x, y, 0, 0, 0, 128});
        EXPECT_EQ(f.buffer, want);
    }
}

TEST(RotoZoom, ClipsRowsToTheClipAndColumnsToTheFrame)
{
    std::mt19937 rng(6);
    Registered r({MakePicture(20, 16, -1, 7)});
    const dar::Picture& pic = r.pictures[0];
    Frame f(30, 30, 4, true, rng);
    // The pivot (4, 3) at (0, 5): the pattern reaches left of column 0 and above
    // the clip; clip.left and clip.right do not cut columns.
    const SproxRect clip{10, 4, 12, 9};
    const auto want = Expected(f, pic, [&](int fx, int fy) -> UV {
        const int u = fx + 4, v = fy - 2;
        if (In(fy, 4, 9) && In(u, 1, 20) && In(v, 0, 16)) {
            return std::pair{u, v};
        }
        return std::nullopt;
    });
    Put(f, clip, 0, {0, 5, 4, 3, 0, 256});
    EXPECT_EQ(f.buffer, want);

    // Columns up to the frame's last one, and a clip reaching past the frame's
    // rows is cut to them.
    Frame g(30, 30, 4, false, rng);
    const auto want2 = Expected(g, pic, [&](int fx, int fy) -> UV {
        const int u = fx - 20, v = fy - 22;
        if (In(u, 1, 20) && In(v, 0, 8)) {
            return std::pair{u, v};
        }
        return std::nullopt;
    });
    Put(g, {0, 0, 5, 400}, 0, {20, 22, 0, 0, 0, 256});
    EXPECT_EQ(g.buffer, want2);
}

TEST(RotoZoom, MatchesTheModelOverAnglesZoomsPivotsAndPlaces)
{
    std::mt19937 rng(77);
    std::vector<dar::Picture> pictures;
    for (int i = 0; i < 12; ++i) {
        const int key = i % 3 == 0 ? -1 : (i % 3 == 1 ? 0 : 37);
        pictures.push_back(MakePicture(1 + static_cast<int>(rng() % 40),
                                       1 + static_cast<int>(rng() % 40), key, i));
    }
    Registered r(pictures, 100);
    static const int kZooms[] = {256, 256, 512, 128, 64, 1024, 1, 3, 17, 255, 257, 2000, 65536,
                                 1 << 20};
    int ordinary = 0;
    int drawn = 0;
    for (int n = 0; n < 5000; ++n) {
        const int p = static_cast<int>(rng() % pictures.size());
        const dar::Picture& pic = pictures[p];
        Frame frame(16 + static_cast<int>(rng() % 64), 16 + static_cast<int>(rng() % 48),
                    static_cast<int>(rng() % 5), rng() % 2 == 0, rng);
        SproxRect clip{0, static_cast<int>(rng() % 12), 0,
                       frame.height - static_cast<int>(rng() % 12)};
        if (rng() % 8 == 0) {
            clip = {0, -5, 0, frame.height + 50};
        }
        Call k;
        k.angle = rng() % 6 == 0 ? static_cast<int>(rng()) : static_cast<int>(rng() % 256);
        k.zoom = rng() % 3 == 0 ? 1 + static_cast<int>(rng() % 1500)
                                : kZooms[rng() % std::size(kZooms)];
        const bool pivotInside = rng() % 2 == 0;
        k.pivotX = pivotInside ? static_cast<int>(rng() % (pic.width + 1))
                               : static_cast<int>(rng() % (3 * pic.width + 1)) - pic.width;
        k.pivotY = pivotInside ? static_cast<int>(rng() % (pic.height + 1))
                               : static_cast<int>(rng() % (3 * pic.height + 1)) - pic.height;
        k.x = static_cast<int>(rng() % frame.width);
        k.y = static_cast<int>(rng() % frame.height);
        if (rng() % 4 == 0) {
            k.x = static_cast<int>(rng() % (frame.width + 80)) - 40;
            k.y = static_cast<int>(rng() % (frame.height + 80)) - 40;
        }
        if (rng() % 10 == 0) {
            // Far away, as far as the arithmetic holds, and a little beyond.
            static const int kFar[] = {1 << 20, -(1 << 20), (1 << 20) + 1, 1 << 19, -(1 << 19)};
            int* which[] = {&k.x, &k.y, &k.pivotX, &k.pivotY};
            *which[rng() % 4] = kFar[rng() % std::size(kFar)];
        }
        const bool ordinaryCall =
            k.zoom >= 64 && k.zoom <= 2000 && In(k.pivotX, 0, pic.width + 1) &&
            In(k.pivotY, 0, pic.height + 1) && In(k.x, -40, frame.width + 40) &&
            In(k.y, -40, frame.height + 40);

        const std::vector<uint8_t> before = frame.buffer;
        Frame want = frame;
        const int64_t outside = roto::Draw(want, clip, pic, k);
        Put(frame, clip, 100 + p, k);
        drawn += frame.buffer != before ? 1 : 0;
        ASSERT_EQ(frame.buffer, want.buffer)
            << "call " << n << ": pattern " << pic.width << "x" << pic.height << " key " << pic.key
            << " at " << k.x << "," << k.y << " pivot " << k.pivotX << "," << k.pivotY << " angle "
            << k.angle << " zoom " << k.zoom;
        if (ordinaryCall) {
            ++ordinary;
            ASSERT_EQ(outside, 0) << "the strips alone keep ordinary calls inside the pattern; "
                                  << "call " << n << " angle " << k.angle << " zoom " << k.zoom;
        }
    }
    EXPECT_GT(ordinary, 1000);
    EXPECT_GT(drawn, 1500);
}

TEST(RotoZoom, PatternsWiderThanThirtyTwoBitPositionsStillSampleRightly)
{
    std::mt19937 rng(8);
    // Source positions in these reach past 2^32 (18 fractional bits).
    Registered r({MakePicture(20000, 2, -1, 1), MakePicture(2, 20000, 0, 2)});
    const Call calls[] = {{3, 5, 19990, 1, 0, 256},   {30, 2, 19000, 0, 64, 256},
                          {10, 10, 17000, 1, 32, 300}, {0, 0, 19999, 0, 0, 65536},
                          {20, 20, 0, 0, 128, 1},      {25, 3, 18500, 1, 200, 77}};
    for (int p = 0; p < 2; ++p) {
        for (Call k : calls) {
            if (p == 1) {
                std::swap(k.pivotX, k.pivotY);
                k.angle += 64;
            }
            Frame f(48, 40, 2, false, rng);
            Frame want = f;
            roto::Draw(want, kWhole, r.pictures[p], k);
            Put(f, kWhole, p, k);
            ASSERT_EQ(f.buffer, want.buffer) << "pattern " << p << " pivot " << k.pivotX << ","
                                             << k.pivotY << " angle " << k.angle;
        }
    }
}

TEST(RotoZoom, FarPivotsAtHighMagnificationNeverSampleOutsideThePattern)
{
    // A pivot a million pixels away at 256-fold enlargement: the rounded sampling
    // steps drift from the rectangle's edges by more than the one-pixel inset,
    // so the strips alone would sample beyond the pattern's two rows.
    std::mt19937 rng(11);
    // The wide patterns run along the frame's rows at the angles below; the tall
    // one is turned a further quarter so that it does too.
    Registered r({MakePicture(20000, 2, -1, 1), MakePicture(3000, 3, 0, 2),
                  MakePicture(2, 20000, 0, 3)});
    int64_t outside = 0;
    int drawn = 0;
    for (int p = 0; p < 3; ++p) {
        const dar::Picture& pic = r.pictures[p];
        const bool tall = pic.height > pic.width;
        for (int zoom : {1, 2, 5}) {
            for (int angle : {1, 2, 3, 5, 9, 17, 250, 253, 131, 126}) {
                for (int x : {-(1 << 20), 1 << 20}) {
                    const double turn = angle * 2 * std::numbers::pi / 256;
                    const int y = 30 - static_cast<int>(std::lround(std::tan(turn) * (30.0 - x)));
                    // The pivot at the end of the pattern nearest the far place.
                    const int end = x < 0 ? 0 : (tall ? pic.height : pic.width) - 1;
                    const Call k = tall ? Call{x, y, 1, pic.height - 1 - end, angle + 64, zoom}
                                        : Call{x, y, end, 1, angle, zoom};
                    Frame f(60, 60, 1, angle % 2 == 0, rng);
                    const std::vector<uint8_t> before = f.buffer;
                    Frame want = f;
                    outside += roto::Draw(want, kWhole, pic, k);
                    Put(f, kWhole, p, k);
                    ASSERT_EQ(f.buffer, want.buffer) << "pattern " << p << " zoom " << zoom
                                                     << " angle " << angle << " at " << x;
                    drawn += f.buffer != before ? 1 : 0;
                }
            }
        }
    }
    EXPECT_GT(outside, 0) << "the calls reach past the strips' accuracy";
    EXPECT_GT(drawn, 10);
}

TEST(RotoZoom, DrawsNothingForWhatItCannotDraw)
{
    std::mt19937 rng(9);
    Registered r({MakePicture(10, 10, 0, 1), MakePicture(0, 4, 0, 2), MakePicture(5, 0, -1, 3)}, 1);
    Frame f(40, 40, 2, false, rng);
    const std::vector<uint8_t> before = f.buffer;
    const Call good{20, 20, 5, 5, 10, 256};
    CountLocks();

    for (int pattern : {-1, 0, 2, 3, 4, 2047, 2048, INT_MAX}) {
        Put(f, kWhole, pattern, good);
    }
    for (int zoom : {0, -256, INT_MIN, (1 << 20) + 1, INT_MAX}) {
        Call k = good;
        k.zoom = zoom;
        Put(f, kWhole, 1, k);
    }
    for (int huge : {INT_MAX, INT_MIN, (1 << 20) + 1, -(1 << 20) - 1}) {
        for (int which = 0; which < 4; ++which) {
            Call k = good;
            int* field[] = {&k.x, &k.y, &k.pivotX, &k.pivotY};
            *field[which] = huge;
            Put(f, kWhole, 1, k);
        }
    }
    // Wholly above or below the clip rows: the frame is not even locked.
    Put(f, {0, 0, 40, 10}, 1, {20, 30, 0, 0, 0, 256});
    Put(f, {0, 30, 40, 40}, 1, {20, 10, 0, 0, 0, 256});
    Put(f, {0, 0, 40, 40}, 1, {20, -60, 0, 0, 99, 256});
    SX_RotoZoomPut(nullptr, 20, 20, 1, 5, 5, 10, 256);
    EXPECT_EQ(f.buffer, before);
    EXPECT_EQ(gLog.locks, 0);

    // A frame without memory: the lock fails, nothing follows.
    SproxContext empty = f.Context(kWhole);
    empty.bits = nullptr;
    SX_RotoZoomPut(&empty, 20, 20, 1, 5, 5, 10, 256);
    EXPECT_EQ(gLog.locks, 1);
    EXPECT_EQ(gLog.unlocks, 0);
    EXPECT_EQ(f.buffer, before);

    // The same call on the frame draws.
    Put(f, kWhole, 1, good);
    EXPECT_NE(f.buffer, before);
    EXPECT_EQ(gLog.locks, 2);
    EXPECT_EQ(gLog.unlocks, 1);
}
