// Whole-file reading and its reports, alone and under SX_PatEntryDARFile.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dar_fixture.h"
#include "fake/fake_machine.h"
#include "sprox.h"
#include "sprox/core/wholefile.h"
#include "sprox/pattern/pattern.h"

using namespace dartest;

TEST(WholeFile, ReadsTheWholeFileIntoOneBlock)
{
    auto& m = fake::machine();
    std::vector<uint8_t> bytes(5000);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i * 37);
    }
    TempFile file(bytes);
    long size = -1;
    unsigned char* block = sprox::ReadWholeFile(file.path(), &size);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(size, 5000);
    EXPECT_EQ(std::memcmp(block, bytes.data(), bytes.size()), 0);
    EXPECT_EQ(m.liveBlocks, 1);
    sprox::FreeWholeFile(block);
    EXPECT_EQ(m.liveBlocks, 0);

    TempFile empty({});
    block = sprox::ReadWholeFile(empty.path(), nullptr);
    ASSERT_NE(block, nullptr);
    sprox::FreeWholeFile(block);
    EXPECT_TRUE(m.boxes.empty());
}

TEST(WholeFile, FailuresAreReportedWithTheFileName)
{
    auto& m = fake::machine();
    long size = 77;
    EXPECT_EQ(sprox::ReadWholeFile("no/such/file.dar", &size), nullptr);
    m.unreadableFiles.insert("locked.dar");
    EXPECT_EQ(sprox::ReadWholeFile("locked.dar", &size), nullptr);
    EXPECT_EQ(sprox::ReadWholeFile(nullptr, &size), nullptr);
    EXPECT_EQ(size, 77);   // untouched on failure
    ASSERT_EQ(m.boxes.size(), 3u);
    EXPECT_EQ(m.boxes[0].text, ReportText(-4, "no/such/file.dar -> 2"));
    EXPECT_EQ(m.boxes[1].text, ReportText(-4, "locked.dar -> 5"));
    EXPECT_EQ(m.boxes[2].text, ReportText(-4, " -> 2"));

    TempFile file(MakeArchive(1));
    m.failAllocationsAfter = 0;
    EXPECT_EQ(sprox::ReadWholeFile(file.path(), &size), nullptr);
    ASSERT_EQ(m.boxes.size(), 4u);
    EXPECT_EQ(m.boxes[3].text, ReportText(-3, file.path()));
    EXPECT_EQ(m.liveBlocks, 0);
}

TEST(WholeFile, PatternLoadingFailsWithTheReadersReport)
{
    auto& m = fake::machine();
    EXPECT_EQ(SX_PatEntryDARFile(0, 1, "missing.dar"), 0);
    TempFile file(MakeArchive(1));
    m.failAllocationsAfter = 0;
    EXPECT_EQ(SX_PatEntryDARFile(0, 1, file.path()), 0);
    ASSERT_EQ(m.boxes.size(), 2u);
    EXPECT_EQ(m.boxes[0].text, ReportText(-4, "missing.dar -> 2"));
    EXPECT_EQ(m.boxes[1].text, ReportText(-3, file.path()));
    EXPECT_EQ(sprox::gPattern.patternTop, 0u);
    EXPECT_EQ(m.liveBlocks, 0);
}
