// The plain-bitmap view of a pattern: converted once into a block of its own, or
// read in place when the pattern has no key colour; freed with the pattern.
#include <gtest/gtest.h>

#include <cstring>

#include "fake/fake_machine.h"
#include "pattern/dar_fixture.h"
#include "rotozoom/fixture.h"
#include "sprox.h"
#include "sprox/display/backend.h"
#include "sprox/pattern/bitmap.h"
#include "sprox/pattern/pattern.h"

using namespace dartest;
using sprox::FrameView;
using sprox::gPattern;
using roto::Registered;

namespace {

uint8_t ViewPixel(const FrameView& v, int x, int y)
{
    return v.bits[v.topOffset + y * v.pitch + x];
}

// Every pixel of the view against the picture, transparent pixels showing `hole`.
void ExpectShows(const FrameView& v, const dar::Picture& pic, uint8_t hole)
{
    ASSERT_EQ(v.width, pic.width);
    ASSERT_EQ(v.height, pic.height);
    const std::vector<uint8_t> shown = Shown(pic, hole);
    for (int y = 0; y < pic.height; ++y) {
        for (int x = 0; x < pic.width; ++x) {
            ASSERT_EQ(ViewPixel(v, x, y), shown[static_cast<size_t>(y) * pic.width + x])
                << "pixel " << x << "," << y;
        }
    }
}

} // namespace

TEST(BitmapView, KeyedPatternConvertsOnceIntoADeviceIndependentBitmap)
{
    auto& m = fake::machine();
    // 13 wide, a hot spot that must not shift the picture, key colour 0.
    Registered r({MakePicture(13, 7, 0, 4, 3, 5)});
    const uint8_t* archiveHeader = gPattern.patterns[0].header;
    const uint8_t* rows = gPattern.patterns[0].data;
    const size_t allocationsBefore = m.allocations.size();

    FrameView v{};
    ASSERT_EQ(sprox::PatBitmapView(&v, 0), 1);
    const sprox::PatternRecord& rec = gPattern.patterns[0];
    ASSERT_EQ(m.allocations.size(), allocationsBefore + 1);
    EXPECT_EQ(m.allocations.back(), 1064u + 7 * 16);
    EXPECT_EQ(v.pitch, -16);
    EXPECT_EQ(v.topOffset, 6 * 16);
    EXPECT_EQ(v.bits, rec.bitmapBits);
    EXPECT_EQ(v.clip.left, 0);
    EXPECT_EQ(v.clip.top, 0);
    EXPECT_EQ(v.clip.right, 13);
    EXPECT_EQ(v.clip.bottom, 7);
    ExpectShows(v, r.pictures[0], 0);

    // The record: header and bitmap in one block; the rows and key as they were.
    EXPECT_EQ(rec.bitmapBits, rec.header + 1064);
    EXPECT_EQ(rec.data, rows);
    EXPECT_EQ(rec.keyColour, 0);
    SproxBitmapHeader info;
    std::memcpy(&info, rec.header, sizeof info);
    EXPECT_EQ(info.size, 40u);
    EXPECT_EQ(info.width, 13);
    EXPECT_EQ(info.height, 7);
    EXPECT_EQ(info.planes, 1);
    EXPECT_EQ(info.bitCount, 8);
    EXPECT_EQ(info.compression, 0u);
    EXPECT_EQ(info.sizeImage, 0u);
    EXPECT_EQ(info.clrUsed, 0u);
    // The palette is still the header plus the header's first value.
    const dar::Palette palette = MakePalette();
    EXPECT_EQ(std::memcmp(rec.header + info.size, palette.data(), palette.size()), 0);
    EXPECT_EQ(std::memcmp(archiveHeader + 4, palette.data(), palette.size()), 0)
        << "the archive image stays with its slot";

    // A second view converts nothing.
    FrameView again{};
    ASSERT_EQ(sprox::PatBitmapView(&again, 0), 1);
    EXPECT_EQ(m.allocations.size(), allocationsBefore + 1);
    EXPECT_EQ(again.bits, v.bits);
    EXPECT_EQ(sprox::PatToBitmap(0), 1);
    EXPECT_EQ(m.allocations.size(), allocationsBefore + 1);
}

TEST(BitmapView, BackgroundTakesTheKeyColourAndRowsBelowTheBandStayBackground)
{
    dar::Picture pic = MakePicture(6, 4, 9, 2);
    Registered r({pic});
    // Show only the top two stored rows, as a pattern whose band is shorter.
    gPattern.patterns[0].visibleHeight = 2;
    FrameView v{};
    ASSERT_EQ(sprox::PatBitmapView(&v, 0), 1);
    const std::vector<uint8_t> shown = Shown(pic, 9);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            const uint8_t want = y < 2 ? shown[static_cast<size_t>(y) * 6 + x] : 9;
            EXPECT_EQ(ViewPixel(v, x, y), want) << x << "," << y;
        }
    }
    // The padding bytes of a drawn row hold the key colour too.
    EXPECT_EQ(v.bits[v.topOffset + 6], 9);
    EXPECT_EQ(v.bits[v.topOffset + 7], 9);
}

TEST(BitmapView, OpaquePatternIsViewedInPlace)
{
    auto& m = fake::machine();
    Registered r({MakePicture(10, 5, -1, 3)});
    const sprox::PatternRecord& rec = gPattern.patterns[0];
    ASSERT_EQ(rec.stride, 16u);
    const size_t allocationsBefore = m.allocations.size();
    const uint8_t* header = rec.header;

    FrameView v{};
    ASSERT_EQ(sprox::PatBitmapView(&v, 0), 1);
    EXPECT_EQ(m.allocations.size(), allocationsBefore);
    EXPECT_EQ(v.bits, rec.data);
    EXPECT_EQ(v.pitch, -16);
    EXPECT_EQ(v.topOffset, 4 * 16 + 4);
    EXPECT_EQ(v.clip.right, 10);
    EXPECT_EQ(v.clip.bottom, 5);
    ExpectShows(v, r.pictures[0], 0);
    EXPECT_EQ(rec.bitmapBits, nullptr);
    EXPECT_EQ(rec.header, header);
    EXPECT_EQ(sprox::PatToBitmap(0), 1) << "converting it explicitly still works";
}

TEST(BitmapView, ReleaseFreesTheBitmapAndANewPatternConvertsAgain)
{
    auto& m = fake::machine();
    const int blocksBefore = m.liveBlocks;
    {
        Registered r({MakePicture(5, 3, 0, 1), MakePicture(7, 2, 4, 2)}, 20);
        FrameView v{};
        ASSERT_EQ(sprox::PatBitmapView(&v, 20), 1);
        ASSERT_EQ(sprox::PatBitmapView(&v, 21), 1);
        EXPECT_EQ(m.liveBlocks, blocksBefore + 3) << "the image and two bitmaps";

        sprox::PatRelease(20);
        EXPECT_EQ(gPattern.patterns[20].header, nullptr);
        EXPECT_EQ(gPattern.patterns[20].bitmapBits, nullptr);
        EXPECT_EQ(m.liveBlocks, blocksBefore + 2);
        EXPECT_EQ(sprox::PatBitmapView(&v, 20), 0);
    }

    // A new archive over number 21 replaces the converted pattern.
    Registered next({MakePicture(11, 3, 0, 8)}, 21);
    EXPECT_EQ(m.liveBlocks, blocksBefore + 1) << "old bitmap and old image are gone";
    EXPECT_EQ(gPattern.patterns[21].bitmapBits, nullptr);
    const size_t allocationsBefore = m.allocations.size();
    FrameView v{};
    ASSERT_EQ(sprox::PatBitmapView(&v, 21), 1);
    EXPECT_EQ(m.allocations.size(), allocationsBefore + 1);
    ExpectShows(v, next.pictures[0], 0);

    SX_ReleaseAll();
    EXPECT_EQ(m.liveBlocks, blocksBefore);
}

TEST(BitmapView, FailedAllocationLeavesThePatternUnconverted)
{
    auto& m = fake::machine();
    Registered r({MakePicture(8, 8, 0, 5)});
    const uint8_t* header = gPattern.patterns[0].header;
    const int blocks = m.liveBlocks;
    std::vector<uint8_t> frame(32 * 32, 7);
    SproxContext c{};
    c.width = c.height = c.stride = c.pitch = 32;
    c.bits = frame.data();
    c.clip = {0, 0, 32, 32};
    m.failAllocationsAfter = 0;
    FrameView v{};
    EXPECT_EQ(sprox::PatBitmapView(&v, 0), 0);
    EXPECT_EQ(sprox::PatToBitmap(0), 0);
    SX_RotoZoomPut(&c, 16, 16, 0, 4, 4, 0, 256);
    EXPECT_EQ(frame, std::vector<uint8_t>(32 * 32, 7)) << "the rotate-zoom draws nothing";
    EXPECT_EQ(gPattern.patterns[0].bitmapBits, nullptr);
    EXPECT_EQ(gPattern.patterns[0].header, header);
    EXPECT_EQ(m.liveBlocks, blocks);
    EXPECT_TRUE(m.boxes.empty()) << "no message";

    m.failAllocationsAfter = -1;
    ASSERT_EQ(sprox::PatBitmapView(&v, 0), 1) << "the next view tries again";
    ExpectShows(v, r.pictures[0], 0);
    SX_RotoZoomPut(&c, 16, 16, 0, 4, 4, 0, 256);
    EXPECT_NE(frame, std::vector<uint8_t>(32 * 32, 7));
}

TEST(BitmapView, NothingToViewGivesZero)
{
    Registered r({MakePicture(4, 4, 0, 1), MakePicture(0, 3, 0, 2), MakePicture(3, 0, -1, 3)}, 2);
    FrameView v{};
    for (int n : {-1, 0, 1, 5, 2047, 2048, 100000}) {
        EXPECT_EQ(sprox::PatBitmapView(&v, n), 0) << n;
        EXPECT_EQ(sprox::PatToBitmap(n), 0) << n;
        EXPECT_EQ(sprox::PatAllocBitmap(nullptr, n, 0, 4), 0) << n;
    }
    EXPECT_EQ(sprox::PatBitmapView(&v, 3), 0) << "no columns";
    EXPECT_EQ(sprox::PatBitmapView(&v, 4), 0) << "no rows";
    // An opaque pattern whose rows could not hold the width's pixels after
    // their segment word is not read in place (the archive reader refuses such
    // files; the record here is changed by hand).
    Registered opaque({MakePicture(10, 3, -1, 4)}, 30);
    gPattern.patterns[30].stride = 12;
    EXPECT_EQ(sprox::PatBitmapView(&v, 30), 0);
    gPattern.patterns[30].stride = 16;
    EXPECT_EQ(sprox::PatBitmapView(&v, 30), 1);
    EXPECT_EQ(sprox::PatBitmapView(nullptr, 2), 0);
    EXPECT_EQ(sprox::PatAllocBitmap(nullptr, 2, 0, -1), 0);
}

TEST(BitmapView, AllocatingAgainReplacesTheBitmapWithoutLeaking)
{
    auto& m = fake::machine();
    Registered r({MakePicture(5, 5, 0, 6)});
    const int blocks = m.liveBlocks;
    ASSERT_EQ(sprox::PatToBitmap(0), 1);
    EXPECT_EQ(m.liveBlocks, blocks + 1);
    const uint8_t* old = gPattern.patterns[0].header;
    // The palette handed in comes from the bitmap being replaced.
    ASSERT_EQ(sprox::PatAllocBitmap(old + 40, 0, 200, 2), 1);
    EXPECT_EQ(m.liveBlocks, blocks + 1);
    const dar::Palette palette = MakePalette();
    EXPECT_EQ(std::memcmp(gPattern.patterns[0].header + 40, palette.data(), palette.size()), 0);
    EXPECT_EQ(gPattern.patterns[0].bitmapBits[0], 200);
    EXPECT_EQ(gPattern.patterns[0].bitmapBits[2 * 8 - 1], 200);
}

TEST(DibView, DescribesBottomUpAndTopDownBitmapsAndRefusesOthers)
{
    uint8_t bits[4];
    SproxBitmapHeader info{40, 13, 7, 1, 8, 0, 0, 0, 0, 0, 0};
    FrameView v{};
    ASSERT_EQ(sprox::DibView(&v, &info, bits), 1);
    EXPECT_EQ(v.bits, bits);
    EXPECT_EQ(v.pitch, -16);
    EXPECT_EQ(v.topOffset, 96);
    EXPECT_EQ(v.height, 7);

    info.height = -7;
    ASSERT_EQ(sprox::DibView(&v, &info, bits), 1);
    EXPECT_EQ(v.pitch, 16);
    EXPECT_EQ(v.topOffset, 0);
    EXPECT_EQ(v.height, 7);
    EXPECT_EQ(v.clip.bottom, 7);

    for (auto change : {+[](SproxBitmapHeader& h) { h.bitCount = 4; },
                        +[](SproxBitmapHeader& h) { h.bitCount = 24; },
                        +[](SproxBitmapHeader& h) { h.compression = 1; },
                        +[](SproxBitmapHeader& h) { h.width = -1; },
                        +[](SproxBitmapHeader& h) { h.height = INT32_MIN; },
                        +[](SproxBitmapHeader& h) { h.width = 0x7FFFFFF0; h.height = 1000; }}) {
        SproxBitmapHeader bad{40, 13, 7, 1, 8, 0, 0, 0, 0, 0, 0};
        change(bad);
        EXPECT_EQ(sprox::DibView(&v, &bad, bits), 0);
    }
}
