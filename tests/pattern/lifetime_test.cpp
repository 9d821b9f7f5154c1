// Patterns outlive contexts but not the last of them, and lend their colours to a
// frame: the pattern table as the rest of the library meets it.
#include <gtest/gtest.h>

#include <vector>

#include "dar_fixture.h"
#include "fake/fake_machine.h"
#include "sprox.h"
#include "sprox/pattern/pattern.h"

using namespace dartest;

namespace {

std::vector<uint8_t> Context() { return std::vector<uint8_t>(SX_GetStructSize()); }

SproxContext* AsContext(std::vector<uint8_t>& bytes)
{
    return reinterpret_cast<SproxContext*>(bytes.data());
}

SxWindow Window() { return reinterpret_cast<SxWindow>(0x1000); }

} // namespace

TEST(PatternLifetime, TheLastEndedContextReleasesEveryPattern)
{
    auto& m = fake::machine();
    TempFile file(MakeArchive(3));
    auto a = Context(), b = Context();
    SX_Init(AsContext(a), Window());
    SX_Init(AsContext(b), Window());
    ASSERT_EQ(SX_PatEntryDARFile(4, 3, file.path()), 3);
    const int blocksWithImage = m.liveBlocks;

    SX_End(AsContext(a));
    EXPECT_EQ(sprox::gPattern.patternTop, 7u) << "another context is still initialised";
    EXPECT_NE(sprox::gPattern.patterns[4].header, nullptr);

    SX_End(AsContext(b));
    EXPECT_EQ(sprox::gPattern.patternTop, 0u);
    EXPECT_EQ(sprox::gPattern.archiveTop, 1);
    EXPECT_EQ(sprox::gPattern.patterns[4].header, nullptr);
    EXPECT_EQ(m.liveBlocks, blocksWithImage - 1) << "the archive image is freed";

    // Registration works again afterwards, and a new context starts from nothing.
    SX_Init(AsContext(a), Window());
    EXPECT_EQ(SX_PatEntryDARFile(0, 1, file.path()), 1);
    SX_ReleaseAll();
    EXPECT_EQ(sprox::gPattern.patternTop, 0u);
    SX_End(AsContext(a));
}

TEST(PatternLifetime, SizeTakesTheColoursOfARegisteredArchive)
{
    auto& m = fake::machine();
    TempFile file(MakeArchive(2));
    ASSERT_EQ(SX_PatEntryDARFile(9, 2, file.path()), 2);
    auto bytes = Context();
    SproxContext* context = AsContext(bytes);
    SX_Init(context, Window());
    SX_Size(context, 64, 48, 10, nullptr);
    ASSERT_TRUE(m.boxes.empty());

    // The archive's palette (entry i = (i, 255 - i, i ^ 0x55)) on a screen deeper
    // than 8 bits: taken unchanged, no static colours.
    const dar::Palette palette = MakePalette();
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(context->colors[i].blue, palette[4 * i]) << i;
        EXPECT_EQ(context->colors[i].green, palette[4 * i + 1]) << i;
        EXPECT_EQ(context->colors[i].red, palette[4 * i + 2]) << i;
        EXPECT_EQ(context->colors[i].reserved, 0) << i;
    }
    SX_End(context);
}
