// The pattern and archive tables: replacing, releasing, the archive limit.
#include <gtest/gtest.h>

#include "dar_fixture.h"
#include "fake/fake_machine.h"
#include "sprox.h"
#include "sprox/pattern/pattern.h"

using namespace dartest;
using sprox::gPattern;

TEST(Tables, ArchiveReplacedPatternByPatternIsFreedWithItsLastPattern)
{
    auto& m = fake::machine();
    TempFile a(MakeArchive(3)), b(MakeArchive(1)), c(MakeArchive(1)), d(MakeArchive(2));
    ASSERT_EQ(SX_PatEntryDARFile(0, 3, a.path()), 3);   // slot 1
    ASSERT_EQ(SX_PatEntryDARFile(5, 1, b.path()), 1);   // slot 2
    EXPECT_EQ(m.liveBlocks, 2);
    uint8_t* imageA = gPattern.archives[1].image;

    ASSERT_EQ(SX_PatEntryDARFile(0, 1, c.path()), 1);   // slot 3
    EXPECT_EQ(gPattern.patterns[0].archive, 3);
    EXPECT_EQ(gPattern.archives[1].liveCount, 2);
    EXPECT_EQ(gPattern.archives[1].image, imageA);
    EXPECT_EQ(gPattern.archiveTop, 4);
    ASSERT_EQ(SX_PatEntryDARFile(1, 1, c.path()), 1);   // slot 4
    EXPECT_EQ(gPattern.archives[1].liveCount, 1);
    EXPECT_EQ(m.liveBlocks, 4);
    ASSERT_EQ(SX_PatEntryDARFile(2, 1, c.path()), 1);   // slot 1 is free again when this one needs a slot
    EXPECT_EQ(gPattern.patterns[2].archive, 1);
    EXPECT_EQ(gPattern.archives[1].liveCount, 1);
    EXPECT_EQ(m.liveBlocks, 4);                         // archive a's image went, a new one came
    EXPECT_EQ(gPattern.archiveTop, 5);

    // Two numbers, one archive: the older holds fall away one by one.
    ASSERT_EQ(SX_PatEntryDARFile(0, 2, d.path()), 2);   // frees slots 3 and 4; takes 3
    EXPECT_EQ(gPattern.patterns[0].archive, 3);
    EXPECT_EQ(gPattern.patterns[1].archive, 3);
    EXPECT_EQ(gPattern.archives[4].liveCount, 0);
    EXPECT_EQ(gPattern.archiveTop, 4);
    EXPECT_EQ(m.liveBlocks, 3);
}

TEST(Tables, ReleasingLowersBothTops)
{
    auto& m = fake::machine();
    TempFile one(MakeArchive(1)), two(MakeArchive(2));
    ASSERT_EQ(SX_PatEntryDARFile(0, 1, one.path()), 1);  // slot 1
    ASSERT_EQ(SX_PatEntryDARFile(3, 2, two.path()), 2);  // slot 2
    ASSERT_EQ(SX_PatEntryDARFile(9, 1, one.path()), 1);  // slot 3

    // Out of range, negative and empty numbers change nothing.
    for (int p : {-1, 2, 10, 2047, 2048, 1 << 30}) {
        sprox::PatRelease(p);
    }
    EXPECT_EQ(gPattern.patternTop, 10u);
    EXPECT_EQ(m.liveBlocks, 3);

    sprox::PatRelease(4);
    EXPECT_EQ(gPattern.archives[2].liveCount, 1);
    EXPECT_EQ(gPattern.patterns[4].data, nullptr);
    sprox::PatRelease(3);   // slot 2 empties below the top slot: the top stays
    EXPECT_EQ(gPattern.archiveTop, 4);
    EXPECT_EQ(m.liveBlocks, 2);
    sprox::PatRelease(9);   // the top slot empties: the top falls past free slot 2
    EXPECT_EQ(gPattern.archiveTop, 2);
    EXPECT_EQ(gPattern.patternTop, 1u);   // and past the empty records
    EXPECT_EQ(m.liveBlocks, 1);
    EXPECT_EQ(sprox::FindArchiveSlot(), 2);

    ASSERT_EQ(SX_PatEntryDARFile(5, 2, two.path()), 2);
    sprox::PatReleaseFrom(6);
    EXPECT_EQ(gPattern.patternTop, 6u);
    sprox::PatReleaseFrom(-7);
    EXPECT_EQ(gPattern.patternTop, 0u);
    EXPECT_EQ(gPattern.archiveTop, 1);
    EXPECT_EQ(m.liveBlocks, 0);
}

TEST(Tables, ThirtyOneArchivesAndAThirtySecond)
{
    auto& m = fake::machine();
    TempFile one(MakeArchive(1)), three(MakeArchive(3));
    for (int i = 0; i < 31; ++i) {
        ASSERT_EQ(SX_PatEntryDARFile(i, 1, one.path()), 1);
    }
    EXPECT_EQ(gPattern.archiveTop, 32);
    EXPECT_EQ(sprox::FindArchiveSlot(), -1);

    EXPECT_EQ(SX_PatEntryDARFile(40, 3, three.path()), 0);
    EXPECT_TRUE(m.boxes.empty());
    EXPECT_EQ(gPattern.patternTop, 31u);   // the records made for the range are gone again
    EXPECT_EQ(m.liveBlocks, 31);   // the refused image is freed

    // Over patterns in use, the range is released first: its archives free slots,
    // so this one fits.
    EXPECT_EQ(SX_PatEntryDARFile(29, 3, three.path()), 3);
    EXPECT_EQ(gPattern.patternTop, 32u);
    EXPECT_EQ(gPattern.patterns[31].archive, 30);

    SX_ReleaseAll();
    EXPECT_EQ(gPattern.patternTop, 0u);
    EXPECT_EQ(gPattern.archiveTop, 1);
    EXPECT_EQ(m.liveBlocks, 0);
    for (int s = 0; s < sprox::kMaxArchives; ++s) {
        EXPECT_EQ(gPattern.archives[s].liveCount, 0);
    }
}

TEST(Tables, ReleaseAllFreesConvertedBitmapsToo)
{
    auto& m = fake::machine();
    TempFile file(MakeArchive(4));
    ASSERT_EQ(SX_PatEntryDARFile(100, 4, file.path()), 4);
    // A converted bitmap: the record then owns a block of its own at header.
    auto* block = static_cast<uint8_t*>(m.GlobalAlloc(1064 + 16));
    gPattern.patterns[101].header = block;
    gPattern.patterns[101].bitmapBits = block + 1064;
    EXPECT_EQ(m.liveBlocks, 2);

    sprox::PatRelease(101);
    EXPECT_EQ(m.liveBlocks, 1);   // the bitmap went; the archive has three more patterns
    EXPECT_EQ(gPattern.patterns[101].bitmapBits, nullptr);
    EXPECT_EQ(gPattern.patterns[101].header, nullptr);

    SX_ReleaseAll();
    EXPECT_EQ(gPattern.patternTop, 0u);
    EXPECT_EQ(gPattern.archiveTop, 1);
    EXPECT_EQ(m.liveBlocks, 0);
    SX_ReleaseAll();   // twice is harmless
    EXPECT_EQ(m.liveBlocks, 0);
}
