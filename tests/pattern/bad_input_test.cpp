// Archives that do not hold together: nothing registered, nothing read outside the
// image (the sanitizer build reads the image from a block of its exact size).
#include <gtest/gtest.h>

#include <cstring>
#include <algorithm>
#include <random>

#include "dar_fixture.h"
#include "fake/fake_machine.h"
#include "sprox.h"
#include "sprox/pattern/dar.h"
#include "sprox/pattern/pattern.h"

using namespace dartest;
using sprox::gPattern;

namespace {

// Version 1, L = 14: the first entry's fields.
constexpr size_t kEntry = 1036;
constexpr size_t kWidth = kEntry + 2, kHeight = kEntry + 4, kStride = kEntry + 6, kKey = kEntry + 8;
constexpr size_t kVisible = kEntry + 14, kRows = kEntry + 16;

void Put16(std::vector<uint8_t>& b, size_t at, int v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    Put16(b, at, static_cast<int>(v & 0xFFFF));
    Put16(b, at + 2, static_cast<int>(v >> 16));
}

// Registers the bytes from a global block of their exact size; frees the block
// when nothing was registered, as the file routine does.
int Register(const std::vector<uint8_t>& bytes, int first = 0, int count = 2048)
{
    auto& m = fake::machine();
    auto* image = static_cast<uint8_t*>(m.GlobalAlloc(bytes.size()));
    if (!bytes.empty()) {
        std::memcpy(image, bytes.data(), bytes.size());
    }
    int n = sprox::PatEntryDAR(first, count, sprox::kSourceFile, image, bytes.size());
    if (n <= 0) {
        m.GlobalFree(image);
    }
    return n;
}

// One 8-pixel-wide, 1-row pattern with a row the test writes itself.
std::vector<uint8_t> OneRow(std::vector<uint8_t> row, int width = 8)
{
    auto bytes = MakeArchive({MakePicture(width, 1, 0, 0)});
    bytes.resize(kRows);
    Put16(bytes, kStride, static_cast<int>(row.size()));
    bytes.insert(bytes.end(), row.begin(), row.end());
    return bytes;
}

std::vector<uint8_t> Word(int skip, int count)
{
    std::vector<uint8_t> w(4);
    Put32(w, 0, static_cast<uint32_t>(skip) | static_cast<uint32_t>(count) << 16);
    return w;
}

// A word, its opaque bytes and `pad` padding bytes.
std::vector<uint8_t> Segment(int skip, int count, int pad)
{
    std::vector<uint8_t> s = Word(skip, count);
    s.resize(4 + static_cast<size_t>(count) + static_cast<size_t>(pad), 9);
    return s;
}

std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(BadInput, TruncatedAtEveryByte)
{
    auto& m = fake::machine();
    auto bytes = MakeArchive({MakePicture(9, 3, 0, 1, 1, 1), MakePicture(5, 2, 4, 2)});
    const size_t firstEnd = 1036 + 16 + 3 * (size_t{bytes[kStride]} | size_t{bytes[kStride + 1]} << 8);
    for (size_t size = 0; size < bytes.size(); ++size) {
        SCOPED_TRACE(size);
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(size));
        EXPECT_EQ(Register(cut, 0, 2), 0);
        // Only the entries asked for must fit.
        EXPECT_EQ(Register(cut, 0, 1), size >= firstEnd ? 1 : 0);
        sprox::PatReleaseFrom(0);
    }
    EXPECT_EQ(Register(bytes, 0, 2), 2);
    EXPECT_TRUE(m.boxes.empty());
    sprox::PatReleaseFrom(0);
    EXPECT_EQ(m.liveBlocks, 0);
}

TEST(BadInput, EntryFieldsThatDoNotFitTheImage)
{
    const auto good = MakeArchive({MakePicture(6, 4, 0, 3)});
    ASSERT_EQ(Register(good), 1);
    sprox::PatReleaseFrom(0);

    struct Patch {
        const char* what;
        size_t at;
        int value;
    };
    const Patch patches[] = {
        {"huge height", kHeight, 32767},  {"huge stride", kStride, 65535},
        {"negative height", kHeight, -1}, {"negative width", kWidth, -3},
        {"visible height above the stored height", kVisible, 5},
        {"negative visible height", kVisible, -1},
        {"L of 7", kEntry, 7}, {"L of 0", kEntry, 0}, {"L past the end", kEntry, 0xFFFF},
        {"N beyond the entries", 6, 2},   {"palette offset past the end", 8, 0x7FFF},
        {"wider than the rows hold", kWidth, 300},
    };
    for (const Patch& p : patches) {
        SCOPED_TRACE(p.what);
        auto bytes = good;
        Put16(bytes, p.at, p.value);
        EXPECT_EQ(Register(bytes), 0);
        EXPECT_EQ(gPattern.patternTop, 0u);
    }
    auto bytes = good;
    Put32(bytes, 8, 0xFFFFFFFF);   // palette offset that wraps
    EXPECT_EQ(Register(bytes), 0);
    // A negative key colour promises rows that read as width pixels after the word.
    bytes = good;
    Put16(bytes, kKey, -1);
    Put16(bytes, kWidth, static_cast<int>(bytes[kStride]) - 3);
    EXPECT_EQ(Register(bytes), 0);
    EXPECT_EQ(fake::machine().liveBlocks, 0);
    EXPECT_TRUE(fake::machine().boxes.empty());
}

TEST(BadInput, SegmentsMustStayInsideTheStride)
{
    // Width 8 as (skip 2, count 2) x 2 then a skip of 4: 4 + 4 + 4 + 4 + 4 bytes.
    const auto fits = Segment(2, 2, 0) + Segment(2, 2, 0) + Segment(4, 0, 0);
    EXPECT_EQ(Register(OneRow(fits)), 1);
    sprox::PatReleaseFrom(0);
    // The last word cut off by the stride.
    EXPECT_EQ(Register(OneRow(Segment(2, 2, 0) + Segment(2, 2, 0))), 0);
    // Opaque bytes past the stride: the second segment needs 2 of them, 1 is there.
    auto cut = Segment(0, 6, 2) + Segment(0, 2, 0);
    cut.pop_back();
    EXPECT_EQ(Register(OneRow(cut)), 0);
    EXPECT_EQ(Register(OneRow(Segment(0, 6, 2) + Segment(0, 1, 0))), 0);   // no room for the next word
    // A count beyond the width reads only what the width uses.
    EXPECT_EQ(Register(OneRow(Word(0, 0xFFFF) + std::vector<uint8_t>(8, 1))), 1);
    sprox::PatReleaseFrom(0);
    EXPECT_EQ(Register(OneRow(Word(0, 0xFFFF) + std::vector<uint8_t>(7, 1))), 0);
    // Empty segments still step through the stride, and run out of it.
    EXPECT_EQ(Register(OneRow(Segment(0, 0, 0) + Segment(0, 0, 0))), 0);
    // A transparent rest ends the row without reading further.
    EXPECT_EQ(Register(OneRow(Segment(1, 1, 3) + Word(0xFFFF, 0))), 1);
    sprox::PatReleaseFrom(0);
    // The last row may not run past the image either.
    auto last = OneRow(Segment(0, 8, 0));
    last.resize(last.size() - 1);
    EXPECT_EQ(Register(last), 0);
    EXPECT_EQ(fake::machine().liveBlocks, 0);
}

TEST(BadInput, RowWalkFindsWordsOnTheMemoryGrid)
{
    // A word, one opaque byte, and the next word at the next multiple of 4 of the
    // address: 2 bytes on when the row starts at 2 mod 4, 4 bytes on when aligned.
    alignas(4) uint8_t buffer[16] = {};
    std::vector<uint8_t> row = Segment(0, 1, 1) + Segment(1, 0, 0);   // 10 bytes
    std::memcpy(buffer + 2, row.data(), row.size());
    EXPECT_TRUE(sprox::DarRowFits(buffer + 2, 10, 2));
    std::memcpy(buffer, row.data(), row.size());
    EXPECT_FALSE(sprox::DarRowFits(buffer, 10, 2));
    row = Segment(0, 1, 3) + Segment(1, 0, 0);                         // 12 bytes
    std::memcpy(buffer, row.data(), row.size());
    EXPECT_TRUE(sprox::DarRowFits(buffer, 12, 2));
    EXPECT_FALSE(sprox::DarRowFits(buffer, 11, 2));
    EXPECT_TRUE(sprox::DarRowFits(buffer, 0, 0));   // no width, nothing read
}

TEST(BadInput, ShortImagesAndHeads)
{
    EXPECT_EQ(Register({}), 0);
    EXPECT_EQ(Register({'D', 'A', 'R'}), 0);
    EXPECT_EQ(Register({'D', 'A', 'R', ':', '8', 1, 1}), 0);
    auto head = MakeArchive(1);
    head.resize(1035);
    EXPECT_EQ(Register(head), 0);
    head.resize(8);
    Put16(head, 6, 0);   // N = 0: nothing to read, nothing wrong
    EXPECT_EQ(Register(head), 0);
    EXPECT_TRUE(fake::machine().boxes.empty());
    EXPECT_EQ(fake::machine().liveBlocks, 0);
}

TEST(BadInput, RandomDamageNeverReadsOutsideTheImage)
{
    std::mt19937 random(1234);
    std::vector<dar::Picture> pictures = {MakePicture(12, 5, 0, 1), MakePicture(4, 4, -1, 2),
                                          MakePicture(20, 3, 9, 3)};
    int registered = 0;
    int refused = 0;
    for (int round = 0; round < 1500; ++round) {
        auto bytes = MakeArchive(pictures, {1, round % 3 == 0 ? 8 : 14});
        const int hits = 1 + static_cast<int>(random() % 6);
        for (int h = 0; h < hits; ++h) {
            // Mostly the entries, sometimes the head.
            size_t at = random() % 4 == 0 ? random() % 12 : 1036 + random() % (bytes.size() - 1036);
            bytes[at] = static_cast<uint8_t>(random());
        }
        if (random() % 4 == 0) {
            bytes.resize(random() % bytes.size());
        }
        const int stored = bytes.size() >= 8 ? bytes[6] | bytes[7] << 8 : 0;
        const int n = Register(bytes, 0, 3);
        ASSERT_TRUE(n == 0 || n == std::min(3, stored)) << n;
        ++(n > 0 ? registered : refused);
        // Read every pixel of what was registered, as the blitter does.
        for (int p = 0; p < n; ++p) {
            PixelsOf(gPattern.patterns[p], 0);
        }
        sprox::PatReleaseFrom(0);
    }
    // Both outcomes come up, so both paths were walked.
    EXPECT_GT(registered, 100);
    EXPECT_GT(refused, 100);
    EXPECT_EQ(fake::machine().liveBlocks, 0);
}
