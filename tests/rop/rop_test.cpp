#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "fake/fake_machine.h"
#include "rop/reference.h"
#include "sprox.h"
#include "sprox/blit/rop.h"

namespace {

using Palette = std::vector<SproxColor>;

// "ROPがCreateRopされていません" and the common tail, in code page 932.
const std::string kNotCreated =
    std::string("ROP\x82\xAA") + "CreateRop\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1" +
    "\x0A\x28\x8F\xE3\x8B\x4C\x82\xF0\x83\x41\x83\x76\x83\x8A\x83\x50\x81\x5B\x83\x56"
    "\x83\x87\x83\x93\x82\xCC\x8D\xEC\x8E\xD2\x82\xC9\x90\xB3\x8A\x6D\x82\xC9\x82\xA8"
    "\x93\x60\x82\xA6\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x29";
// "メモリ不足です"
const std::string kNoMemory = "\x83\x81\x83\x82\x83\x8A\x95\x73\x91\xAB\x82\xC5\x82\xB7";

SproxColor Rgb(int r, int g, int b)
{
    return SproxColor{static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r), 0};
}

// The benchmark palette: red 37i, green 91i, blue 53i, each mod 256.
Palette WorkloadPalette()
{
    Palette p(256);
    for (int i = 0; i < 256; ++i) {
        p[i] = Rgb(i * 37 % 256, i * 91 % 256, i * 53 % 256);
    }
    return p;
}

Palette RandomPalette(unsigned seed, const std::vector<int>& values = {})
{
    std::mt19937 rng(seed);
    auto pick = [&] {
        return values.empty() ? static_cast<int>(rng() % 256) : values[rng() % values.size()];
    };
    Palette p(256);
    for (auto& c : p) {
        int r = pick(), g = pick(), b = pick();
        c = Rgb(r, g, b);
    }
    return p;
}

// 256 entries drawn from a dozen colours: many equal colours at different indices.
Palette DuplicatePalette(unsigned seed)
{
    Palette few = RandomPalette(seed);
    std::mt19937 rng(seed + 1);
    Palette p(256);
    for (auto& c : p) {
        c = few[rng() % 12];
    }
    return p;
}

// Greys: every component difference between two entries is even or every one is
// odd, so at level 50 half of all entries mirror another.
Palette GreyPalette()
{
    Palette p(256);
    for (int i = 0; i < 256; ++i) {
        p[i] = Rgb(i, i, i);
    }
    return p;
}

// A colour cube of six levels per component, then forty greys: regular steps, many
// equal midpoints.
Palette CubePalette()
{
    Palette p(256);
    for (int i = 0; i < 216; ++i) {
        p[i] = Rgb(i / 36 * 51, i / 6 % 6 * 51, i % 6 * 51);
    }
    for (int i = 216; i < 256; ++i) {
        int grey = (i - 216) * 255 / 39;
        p[i] = Rgb(grey, grey, grey);
    }
    return p;
}

// Reds from a handful of values, so that long runs of candidates share one red
// (the window's top takes only the first of them, a taken candidate's jump skips
// the rest), and a crowd at red 255, where the top's limit rises from 255 to 256
// once a candidate is taken.
Palette BucketPalette(unsigned seed)
{
    std::mt19937 rng(seed);
    const int reds[] = {0, 40, 41, 128, 200, 254, 255, 255, 255};
    Palette p(256);
    for (auto& c : p) {
        c = Rgb(reds[rng() % std::size(reds)], static_cast<int>(rng() % 256),
                static_cast<int>(rng() % 256));
    }
    return p;
}

std::vector<uint8_t> Noise(unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> t(sprox::kRopTableSize);
    for (auto& b : t) {
        b = static_cast<uint8_t>(rng());
    }
    return t;
}

// The fast routine, both its roads, against the model over rows first..last, from
// a table of noise so that rows outside the range must come out untouched.
void ExpectSameAsModel(const Palette& palette, int level, int first = 0, int last = 255)
{
    std::vector<uint8_t> expected = Noise(static_cast<unsigned>(level) ^ 77u);
    const std::vector<uint8_t> noise = expected;
    roptest::ReferenceTranslucent(palette.data(), &expected, first, last, level);
    for (auto walk : {sprox::RopWalk::Best, sprox::RopWalk::Narrow}) {
        std::vector<uint8_t> actual = noise;
        sprox::TranslucentRop(palette.data(), actual.data(), static_cast<uint8_t>(first),
                              static_cast<uint8_t>(last), level, walk);
        const char* road = walk == sprox::RopWalk::Best ? "best" : "narrow";
        int mismatches = 0;
        for (int e = 0; e < sprox::kRopTableSize; ++e) {
            if (actual[e] != expected[e] && mismatches++ < 5) {
                ADD_FAILURE() << road << ", level " << level << ", source " << e / 256
                              << ", destination " << e % 256 << ": " << int(actual[e])
                              << ", model " << int(expected[e]);
            }
        }
        EXPECT_EQ(mismatches, 0) << road << ", level " << level;
    }
}

const int kLevels[] = {1, 49, 50, 51, 99, 150, -20, 0, 100};
// Levels inside 0..100 at many steps, and ones just outside.
const int kManyLevels[] = {1, 2, 10, 25, 33, 49, 50, 51, 66, 75, 90, 98, 99, 101, -1};
// Far outside 0..100: the targets leave the palette cube far behind, and for the
// last three the 32-bit product wraps around.
const int kWildLevels[] = {-1, 101, 250, -150, 40000, 20000000, INT_MAX, INT_MIN};

// A table through the exports: a context whose colour table is the palette.
std::vector<uint8_t> TransRopThroughExports(const Palette& palette, int level)
{
    SproxContext context;
    std::memset(&context, 0, sizeof context);
    std::memcpy(context.colors, palette.data(), sizeof context.colors);
    uint8_t* rop = SX_CreateRop();
    EXPECT_NE(rop, nullptr);
    if (rop == nullptr) {
        return {};
    }
    SX_TransRop(&context, rop, level);
    std::vector<uint8_t> table(rop, rop + sprox::kRopTableSize);
    SX_DeleteRop(rop);
    return table;
}

int At(const std::vector<uint8_t>& t, int s, int d) { return t[s * 256 + d]; }

} // namespace

TEST(Rop, FreshTableDrawsEverySourceAsItselfAndIsFreedAgain)
{
    auto& m = fake::machine();
    uint8_t* rop = SX_CreateRop();
    ASSERT_NE(rop, nullptr);
    EXPECT_EQ(m.liveBlocks, 1);
    for (int e = 0; e < sprox::kRopTableSize; ++e) {
        ASSERT_EQ(rop[e], e / 256) << e;
    }
    SX_DeleteRop(rop);
    EXPECT_EQ(m.liveBlocks, 0);
    EXPECT_TRUE(m.boxes.empty());
}

TEST(Rop, CreateWithoutMemoryReportsAndReturnsNull)
{
    auto& m = fake::machine();
    m.failAllocationsAfter = 0;
    EXPECT_EQ(SX_CreateRop(), nullptr);
    ASSERT_EQ(m.boxes.size(), 1u);
    EXPECT_EQ(m.boxes[0].text, "CreateRop: " + kNoMemory);
    EXPECT_EQ(m.boxes[0].caption, "Sprox Error");
    EXPECT_EQ(m.liveBlocks, 0);
}

// The table routines refuse a null table and leave the report to their caller.
TEST(Rop, EveryRoutineReportsANullTableByItsOwnName)
{
    auto& m = fake::machine();
    Palette palette = WorkloadPalette();
    SproxContext context;
    std::memset(&context, 0, sizeof context);

    EXPECT_FALSE(sprox::RopInit(nullptr));
    EXPECT_FALSE(sprox::TransparentRop(nullptr, 3));
    EXPECT_FALSE(sprox::VisibleRop(nullptr, 3));
    EXPECT_FALSE(sprox::TranslucentRop(palette.data(), nullptr, 0, 255, 0));
    EXPECT_FALSE(sprox::TranslucentRop(palette.data(), nullptr, 0, 255, 100));
    EXPECT_TRUE(m.boxes.empty());
    SX_DeleteRop(nullptr);
    SX_TransRop(&context, nullptr, 50);
    SX_TransRop(&context, nullptr, 0);
    SX_TransRop(&context, nullptr, 100);

    const char* names[] = {"DeleteRop", "TranslucentRop", "TranslucentRop", "TranslucentRop"};
    ASSERT_EQ(m.boxes.size(), std::size(names));
    for (size_t k = 0; k < std::size(names); ++k) {
        EXPECT_EQ(m.boxes[k].text, std::string(names[k]) + ": " + kNotCreated);
        EXPECT_EQ(m.boxes[k].caption, "Sprox Error");
    }
    EXPECT_EQ(m.liveBlocks, 0);
}

TEST(Rop, SingleRowRoutinesTouchOnlyTheirRow)
{
    std::vector<uint8_t> table = Noise(5);
    std::vector<uint8_t> before = table;
    sprox::TransparentRop(table.data(), 255);
    sprox::VisibleRop(table.data(), 7);
    for (int s = 0; s < 256; ++s) {
        for (int d = 0; d < 256; ++d) {
            int want = s == 255 ? d : s == 7 ? 7 : At(before, s, d);
            ASSERT_EQ(At(table, s, d), want) << s << "," << d;
        }
    }
    sprox::RopInit(table.data());
    for (int e = 0; e < sprox::kRopTableSize; ++e) {
        ASSERT_EQ(table[e], e / 256);
    }
}

TEST(Rop, FullAndZeroLevelsGiveOpaqueAndClearTables)
{
    Palette palette = RandomPalette(3);
    std::vector<uint8_t> full = TransRopThroughExports(palette, 100);
    std::vector<uint8_t> clear = TransRopThroughExports(palette, 0);
    ASSERT_EQ(full.size(), size_t(sprox::kRopTableSize));
    ASSERT_EQ(clear.size(), size_t(sprox::kRopTableSize));
    for (int e = 0; e < sprox::kRopTableSize; ++e) {
        ASSERT_EQ(full[e], e / 256);
        ASSERT_EQ(clear[e], e % 256);
    }
    EXPECT_EQ(fake::machine().liveBlocks, 0);
}

TEST(Rop, EmptyOrPartialRangeLeavesOtherRowsAlone)
{
    Palette palette = RandomPalette(11);
    std::vector<uint8_t> table = Noise(9);
    std::vector<uint8_t> before = table;
    for (int level : {0, 50, 100}) {
        sprox::TranslucentRop(palette.data(), table.data(), 200, 100, level);
    }
    EXPECT_EQ(table, before);
    // With a dozen colours, most rows of a range share their colour with a row
    // before the range, which holds noise.
    for (const Palette& p : {palette, DuplicatePalette(17)}) {
        for (int level : kLevels) {
            ExpectSameAsModel(p, level, 10, 20);
            ExpectSameAsModel(p, level, 255, 255);
        }
    }
}

// A small palette made by hand, where each answer can be worked out on paper.
// Entries not named are black, far below every window used here.
TEST(Rop, HandMadeCasesShowTheSearchRules)
{
    auto entry = [](const Palette& p, int level, int s, int d) {
        std::vector<uint8_t> t(sprox::kRopTableSize);
        sprox::TranslucentRop(p.data(), t.data(), 0, 255, level);
        return At(t, s, d);
    };

    // Source 1 (90,110,110) over destination 200 (110,90,90) at level 50: target
    // (100,100,100). The start, source 1, is 30 away with a radius of 10, so the
    // red window is 90..110.
    Palette p(256, Rgb(0, 0, 0));
    p[1] = Rgb(90, 110, 110);
    p[200] = Rgb(110, 90, 90);
    // 3 is the nearest colour (11 away), but its green is 11 off, beyond the radius.
    p[3] = Rgb(100, 111, 100);
    EXPECT_EQ(entry(p, 50, 1, 200), 1);
    // An exact match among the excluded colours is never found.
    p[8] = Rgb(100, 100, 100);
    p[247] = Rgb(100, 100, 100);
    EXPECT_EQ(entry(p, 50, 1, 200), 1);
    // Of the colours on the window's top red (110: 4, 5, 200) only the first in
    // index order is looked at: 5, 10 away, is missed behind 4, green 40 off.
    p[4] = Rgb(110, 60, 100);
    p[5] = Rgb(110, 100, 100);
    EXPECT_EQ(entry(p, 50, 1, 200), 1);
    // Swapped, the near one is the first and wins.
    std::swap(p[4], p[5]);
    EXPECT_EQ(entry(p, 50, 1, 200), 4);
    // 10 on red 92 (12 away) is taken; the radius drops to 8 and the window's low
    // end to 93, which jumps over 11: also on red 92 and only 8 away, but later in
    // the list.
    p[4] = Rgb(0, 0, 0);
    p[10] = Rgb(92, 104, 100);
    p[11] = Rgb(92, 100, 100);
    EXPECT_EQ(entry(p, 50, 1, 200), 10);
    // Equal distance is not better: 12 (red 96, also 12 away) loses to 10.
    p[12] = Rgb(96, 108, 100);
    EXPECT_EQ(entry(p, 50, 1, 200), 10);
    // 13 (red 91, 9 away) comes first in the list and is taken with a radius of 9:
    // the low end becomes 92, so 10 is looked at (12 away, no better) and then 11
    // (8 away) is taken after all.
    p[13] = Rgb(91, 100, 100);
    EXPECT_EQ(entry(p, 50, 1, 200), 11);

    // Where the target is the starting candidate's own colour, the start stays,
    // even against an equal colour earlier in the list.
    p[20] = p[1];
    EXPECT_EQ(entry(p, 50, 20, 1), 20);
    EXPECT_EQ(entry(p, 49, 20, 1), 1);
    EXPECT_EQ(entry(p, 49, 1, 20), 20);

    // Source 1 (96,110,110) over 200 (104,90,90): target (100,100,100), the start
    // 24 away with a radius of 10, window red 90..110, and no colour on red 110.
    // The first colour above the window, 5 on red 113, is still looked at and
    // taken (13 away), though its red is off by more than the radius.
    Palette q(256, Rgb(0, 0, 0));
    q[1] = Rgb(96, 110, 110);
    q[200] = Rgb(104, 90, 90);
    q[5] = Rgb(113, 100, 100);
    EXPECT_EQ(entry(q, 50, 1, 200), 5);
    // With 6 on red 111 (green 60 off) first above the window, 5 is not reached.
    q[6] = Rgb(111, 160, 100);
    EXPECT_EQ(entry(q, 50, 1, 200), 1);
}

TEST(Rop, EqualColoursKeepTheStartingCandidate)
{
    // Every entry the same colour: every target is that colour, so each entry is
    // its starting candidate, the excluded colours included.
    Palette same(256, Rgb(40, 50, 60));
    std::vector<uint8_t> t(sprox::kRopTableSize);
    sprox::TranslucentRop(same.data(), t.data(), 0, 255, 50);
    for (int e = 0; e < sprox::kRopTableSize; ++e) {
        ASSERT_EQ(t[e], e / 256);
    }
    sprox::TranslucentRop(same.data(), t.data(), 0, 255, 49);
    for (int e = 0; e < sprox::kRopTableSize; ++e) {
        ASSERT_EQ(t[e], e % 256);
    }
}

TEST(Rop, ExcludedColoursResultOnlyAsTheirOwnStart)
{
    Palette palette = RandomPalette(21);
    for (int level : {30, 50, 70}) {
        std::vector<uint8_t> t(sprox::kRopTableSize);
        sprox::TranslucentRop(palette.data(), t.data(), 0, 255, level);
        for (int s = 0; s < 256; ++s) {
            for (int d = 0; d < 256; ++d) {
                int v = At(t, s, d);
                if (v == 8 || v == 9 || v == 246 || v == 247) {
                    ASSERT_EQ(v, level >= 50 ? s : d) << level << ": " << s << "," << d;
                }
            }
        }
    }
}

TEST(Rop, MatchesModelOnTheWorkloadPalette)
{
    Palette palette = WorkloadPalette();
    for (int level : kLevels) {
        ExpectSameAsModel(palette, level);
    }
    EXPECT_EQ(TransRopThroughExports(palette, 50), [&] {
        std::vector<uint8_t> t(sprox::kRopTableSize);
        roptest::ReferenceTranslucent(palette.data(), &t, 0, 255, 50);
        return t;
    }());
}

TEST(Rop, MatchesModelOnRandomPalettes)
{
    for (unsigned seed : {1u, 2u, 3u}) {
        Palette palette = RandomPalette(seed);
        for (int level : kLevels) {
            ExpectSameAsModel(palette, level);
        }
    }
    for (unsigned seed : {7u, 8u, 9u}) {
        Palette palette = RandomPalette(seed);
        for (int level : kManyLevels) {
            ExpectSameAsModel(palette, level);
        }
    }
}

TEST(Rop, MatchesModelOnPalettesWithDuplicatesAndCrowdedEnds)
{
    for (int level : kLevels) {
        ExpectSameAsModel(DuplicatePalette(4), level);
        // Components only at the ends and the middle: long runs of equal red at 0
        // and 255, where the window's top edge and its clamps matter.
        ExpectSameAsModel(RandomPalette(5, {0, 1, 127, 128, 254, 255}), level);
        ExpectSameAsModel(BucketPalette(12), level);
        ExpectSameAsModel(BucketPalette(13), level);
    }
}

TEST(Rop, MatchesModelOnRegularPalettes)
{
    for (int level : {1, 25, 49, 50, 51, 75, 99, 150, -20}) {
        ExpectSameAsModel(GreyPalette(), level);
        ExpectSameAsModel(CubePalette(), level);
    }
}

TEST(Rop, MatchesModelWhereTargetsLieFarFromTheirStart)
{
    // Components at the cube's corners only: at level 50 the start lies up to 384
    // away from the target, farther than a byte holds, and candidates as far are
    // compared exactly.
    for (int level : {25, 49, 50, 51, 75}) {
        ExpectSameAsModel(RandomPalette(14, {0, 255}), level);
        ExpectSameAsModel(RandomPalette(15, {0, 1, 254, 255}), level);
    }
}

TEST(Rop, MatchesModelFarOutsideTheUsualLevels)
{
    for (int level : kWildLevels) {
        ExpectSameAsModel(WorkloadPalette(), level);
        ExpectSameAsModel(RandomPalette(6, {0, 255, 128}), level);
    }
}

TEST(Rop, LevelFiftyRangesReadNoRowOutsideTheRange)
{
    // Rows outside first..last hold noise; entries of the range whose mirror lies
    // outside it must still come out as the model gives them.
    for (const Palette& palette :
         {GreyPalette(), WorkloadPalette(), RandomPalette(16), DuplicatePalette(18)}) {
        ExpectSameAsModel(palette, 50, 100, 180);
        ExpectSameAsModel(palette, 50, 0, 1);
        ExpectSameAsModel(palette, 50, 254, 255);
    }
}

// Two entries that mirror each other at level 50, worked out by hand. Entries not
// named are white, as far from every target here as the starting candidate is,
// so that they are never taken.
TEST(Rop, MirroredEntriesGiveTheirOwnStartWhereNothingIsTaken)
{
    Palette p(256, Rgb(255, 255, 255));
    // 10 (100,100,100) and 20 (120,140,160): differences 20, 40, 60, all even;
    // target (110,120,130) from either side, each start 60 away, radius 30.
    p[10] = Rgb(100, 100, 100);
    p[20] = Rgb(120, 140, 160);
    std::vector<uint8_t> t(sprox::kRopTableSize);
    sprox::TranslucentRop(p.data(), t.data(), 0, 255, 50);
    EXPECT_EQ(At(t, 10, 20), 10);
    EXPECT_EQ(At(t, 20, 10), 20);
    // A colour 15 away from the target, inside both windows, is taken from either.
    p[30] = Rgb(115, 125, 135);
    sprox::TranslucentRop(p.data(), t.data(), 0, 255, 50);
    EXPECT_EQ(At(t, 10, 20), 30);
    EXPECT_EQ(At(t, 20, 10), 30);
}

// A target far from its start, worked out by hand: source 1 white, destination 2
// black, level 50, target (127,127,127), the start 384 away with a radius of 128.
// Entries not named are white too.
TEST(Rop, DistancesBeyondAByteAreComparedExactly)
{
    Palette p(256, Rgb(255, 255, 255));
    p[2] = Rgb(0, 0, 0);
    auto entry = [&] {
        std::vector<uint8_t> t(sprox::kRopTableSize);
        sprox::TranslucentRop(p.data(), t.data(), 0, 255, 50);
        return At(t, 1, 2);
    };
    // Black, 381 away, is taken; the radius becomes 127 and the low end red 1.
    EXPECT_EQ(entry(), 2);
    // 3 on red 1 (380 away) is taken after it; 4, the same colour later in the
    // list, only ties.
    p[3] = Rgb(1, 0, 0);
    p[4] = Rgb(1, 0, 0);
    EXPECT_EQ(entry(), 3);
    // 5 on red 0 lies after black in the list (index order) and is 380 away, closer
    // than black, but the low end has moved past red 0: it is jumped over.
    p[5] = Rgb(0, 1, 0);
    EXPECT_EQ(entry(), 3);
    // 6 on red 2, 379 away, but blue 128 off: beyond the radius of 127.
    p[6] = Rgb(2, 1, 255);
    EXPECT_EQ(entry(), 3);
    // 7 on red 2, 377 away and within every limit: taken.
    p[7] = Rgb(2, 1, 1);
    EXPECT_EQ(entry(), 7);
}
