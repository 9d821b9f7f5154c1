// Registering archives: ranges, versions, header lengths, and what the records hold.
#include <gtest/gtest.h>

#include <cstring>

#include "dar_fixture.h"
#include "dar_read.h"
#include "fake/fake_machine.h"
#include "sprox.h"
#include "sprox/pattern/pattern.h"

using namespace dartest;
using sprox::gPattern;

namespace {

constexpr uint8_t kHole = 255;  // a colour no test picture uses

// Every field of the records first.. against the pictures and the entry headers.
void ExpectRecords(int first, const std::vector<dar::Picture>& pictures, const std::vector<uint8_t>& bytes)
{
    dar::ArchiveInfo info;
    std::string error;
    ASSERT_TRUE(dar::ReadDarInfo(bytes, &info, &error)) << error;
    for (size_t i = 0; i < pictures.size(); ++i) {
        SCOPED_TRACE(i);
        const sprox::PatternRecord& r = gPattern.patterns[first + i];
        const dar::EntryInfo& e = info.entries[i];
        ASSERT_NE(r.header, nullptr);
        const uint8_t* image = r.header - 8;
        EXPECT_EQ(r.data, image + e.rowsOffset);
        EXPECT_EQ(r.width, pictures[i].width);
        EXPECT_EQ(r.storedHeight, pictures[i].height);
        EXPECT_EQ(r.visibleHeight, e.visibleHeight);
        EXPECT_EQ(r.rowsAbove, 0);
        EXPECT_EQ(r.stride, e.stride);
        EXPECT_EQ(r.keyColour, pictures[i].key < 0 ? -1 : pictures[i].key);
        EXPECT_EQ(r.bitmapBits, nullptr);
        EXPECT_EQ(r.surface, nullptr);
        EXPECT_EQ(r.reserved, 0);
        EXPECT_EQ(r.hotX, e.hotX);
        EXPECT_EQ(r.hotY, e.hotY);
        EXPECT_EQ(PixelsOf(r, kHole), Shown(pictures[i], kHole));
        // The palette is found as header + the offset stored at header.
        uint32_t offset;
        std::memcpy(&offset, r.header, 4);
        const dar::Palette palette = MakePalette();
        EXPECT_EQ(std::memcmp(r.header + offset, palette.data(), palette.size()), 0);
    }
}

} // namespace

TEST(Registration, ThreeEntriesAskedForFiveFillThreeRecords)
{
    std::vector<dar::Picture> pictures = {MakePicture(5, 4, 0, 1, 2, 3), MakePicture(9, 1, -1, 2),
                                          MakePicture(13, 6, 7, 3, -4, 100)};
    auto bytes = MakeArchive(pictures);
    TempFile file(bytes);

    EXPECT_EQ(SX_PatEntryDARFile(10, 5, file.path()), 3);
    EXPECT_EQ(gPattern.patternTop, 13u);
    for (int p = 0; p < 10; ++p) {
        EXPECT_EQ(gPattern.patterns[p].header, nullptr);
    }
    ExpectRecords(10, pictures, bytes);
    EXPECT_EQ(gPattern.patterns[10].archive, 1);
    EXPECT_EQ(gPattern.archives[1].liveCount, 3);
    EXPECT_EQ(gPattern.archives[1].sourceKind, sprox::kSourceFile);
    EXPECT_EQ(gPattern.archives[1].resource, 0u);
    EXPECT_EQ(gPattern.archives[1].image, gPattern.patterns[10].header - 8);
    EXPECT_EQ(sprox::gPattern.archiveTop, 2);
    EXPECT_TRUE(fake::machine().boxes.empty());

    // Below a higher top, the top stays.
    TempFile high(MakeArchive(1));
    EXPECT_EQ(SX_PatEntryDARFile(40, 1, high.path()), 1);
    EXPECT_EQ(SX_PatEntryDARFile(0, 5, file.path()), 3);
    EXPECT_EQ(gPattern.patternTop, 41u);
}

TEST(Registration, RangePastTheTableEndIsShortenedWithAReport)
{
    auto& m = fake::machine();
    TempFile file(MakeArchive(20));
    EXPECT_EQ(SX_PatEntryDARFile(2040, 20, file.path()), 8);
    ASSERT_EQ(m.boxes.size(), 1u);
    EXPECT_EQ(m.boxes[0].text, ReportText(-2, "PatEntryDARFile"));
    EXPECT_EQ(gPattern.patternTop, 2048u);
    EXPECT_NE(gPattern.patterns[2047].header, nullptr);

    // Nothing fits: the file is not even opened (an open would report as well).
    m.boxes.clear();
    m.unreadableFiles.insert("never-opened.dar");
    EXPECT_EQ(SX_PatEntryDARFile(2048, 1, "never-opened.dar"), 0);
    EXPECT_EQ(SX_PatEntryDARFile(5000, 3, "never-opened.dar"), 0);
    ASSERT_EQ(m.boxes.size(), 2u);
    EXPECT_EQ(m.boxes[1].text, ReportText(-2, "PatEntryDARFile"));
}

TEST(Registration, NegativeNumbersAndCountsRegisterNothingQuietly)
{
    auto& m = fake::machine();
    TempFile file(MakeArchive(3));
    EXPECT_EQ(SX_PatEntryDARFile(-1, 3, file.path()), 0);
    EXPECT_EQ(SX_PatEntryDARFile(-2048, 4000, file.path()), 0);
    // A count of -1 must not wrap into "the rest of the table".
    EXPECT_EQ(SX_PatEntryDARFile(0, -1, file.path()), 0);
    EXPECT_EQ(SX_PatEntryDARFile(0, 0, file.path()), 0);
    EXPECT_TRUE(m.boxes.empty());
    EXPECT_EQ(gPattern.patternTop, 0u);
    EXPECT_EQ(m.liveBlocks, 0);

    // The reader itself keeps to the table as well.
    auto bytes = MakeArchive(3);
    for (int first : {-1, 2048, 70000}) {
        auto* image = static_cast<uint8_t*>(m.GlobalAlloc(bytes.size()));
        std::memcpy(image, bytes.data(), bytes.size());
        EXPECT_EQ(sprox::PatEntryDAR(first, 3, sprox::kSourceFile, image, bytes.size()), 0);
        m.GlobalFree(image);
    }
    auto* image = static_cast<uint8_t*>(m.GlobalAlloc(bytes.size()));
    std::memcpy(image, bytes.data(), bytes.size());
    EXPECT_EQ(sprox::PatEntryDAR(2047, 3, sprox::kSourceFile, image, bytes.size()), 1);
    EXPECT_EQ(gPattern.patternTop, 2048u);
}

TEST(Registration, UnknownVersionsReportOnlyWhenThereIsSomethingToRead)
{
    auto& m = fake::machine();
    auto empty = MakeArchive(0);
    empty[5] = 2;
    TempFile quiet(empty);
    EXPECT_EQ(SX_PatEntryDARFile(0, 4, quiet.path()), 0);
    EXPECT_TRUE(m.boxes.empty());

    auto bytes = MakeArchive(2);
    bytes[5] = 2;
    TempFile loud(bytes);
    EXPECT_EQ(SX_PatEntryDARFile(0, 4, loud.path()), 0);
    ASSERT_EQ(m.boxes.size(), 1u);
    EXPECT_EQ(m.boxes[0].text, ReportText(-7, "PatEntryDAR..."));
    EXPECT_EQ(gPattern.patternTop, 0u);
    EXPECT_EQ(m.liveBlocks, 0);

    // Bad magic: quiet, image freed.
    bytes = MakeArchive(2);
    bytes[4] = '7';
    TempFile wrong(bytes);
    EXPECT_EQ(SX_PatEntryDARFile(0, 4, wrong.path()), 0);
    EXPECT_EQ(m.boxes.size(), 1u);
    EXPECT_EQ(m.liveBlocks, 0);
}

TEST(Registration, HeaderLengthsAndVersionZero)
{
    // Hot spots need L >= 14; the others are read with hot spot (0, 0).
    std::vector<dar::Picture> hot = {MakePicture(11, 5, 3, 4, -6, 9), MakePicture(7, 3, -1, 5, 1, 2)};
    std::vector<dar::Picture> plain = {MakePicture(11, 5, 3, 4), MakePicture(7, 3, -1, 5),
                                       MakePicture(6, 2, 0, 6)};
    struct Case {
        dar::WriteOptions options;
        const std::vector<dar::Picture>* pictures;
    };
    // L = 8 puts the rows off the 4-byte grid; the segment words that follow the
    // first of a row still lie on it.
    const Case cases[] = {{{1, 14}, &hot}, {{1, 18}, &hot}, {{1, 8}, &plain}, {{1, 11}, &plain},
                          {{0, 8}, &plain}};
    int first = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "version " << c.options.version << " L " << c.options.headerLength);
        auto bytes = MakeArchive(*c.pictures, c.options);
        TempFile file(bytes);
        const int n = static_cast<int>(c.pictures->size());
        ASSERT_EQ(SX_PatEntryDARFile(first, n, file.path()), n);
        ExpectRecords(first, *c.pictures, bytes);
        for (int i = 0; i < n; ++i) {
            const sprox::PatternRecord& r = gPattern.patterns[first + i];
            EXPECT_EQ(r.hotX, (*c.pictures)[i].hotX);
            EXPECT_EQ(r.hotY, (*c.pictures)[i].hotY);
            EXPECT_EQ(r.visibleHeight, r.storedHeight);
            if (c.options.version == 1 && c.options.headerLength >= 16) {
                // Entry offset 17; the rows start at entry offset 2 + L.
                EXPECT_EQ(r.extension, r.data - (2 + c.options.headerLength) + 17);
            } else {
                EXPECT_EQ(r.extension, nullptr);
            }
        }
        first += n;
    }
}

TEST(Registration, VisibleHeightComesFromTheHeader)
{
    dar::Picture p = MakePicture(6, 4, 0, 9);
    auto bytes = MakeArchive({p});
    bytes[1036 + 14] = 2;  // visible height 2 of 4 stored rows
    TempFile file(bytes);
    ASSERT_EQ(SX_PatEntryDARFile(0, 1, file.path()), 1);
    EXPECT_EQ(gPattern.patterns[0].visibleHeight, 2);
    EXPECT_EQ(gPattern.patterns[0].storedHeight, 4);
    // The visible band is the top two rows.
    const std::vector<uint8_t> all = Shown(p, kHole);
    const std::vector<uint8_t> top(all.begin(), all.begin() + 12);
    EXPECT_EQ(PixelsOf(gPattern.patterns[0], kHole), top);
}
