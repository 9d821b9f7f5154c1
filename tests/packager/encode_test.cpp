// Blob encodings, byte for byte.
#include <gtest/gtest.h>

#include "files.h"
#include "packager/encode.h"
#include "packager/format.h"

using namespace mx4;
using namespace mx4test;

namespace {

// Encodes with room for length + 256 bytes, as the store does.
Bytes Encode(const Bytes& data, std::int32_t encoding)
{
    Bytes out(data.size() + 256);
    out.resize(EncodeEntry(out.data(), out.size(), data.data(), data.size(), encoding));
    return out;
}

} // namespace

TEST(Encode, EmptyDataInEachEncoding)
{
    EXPECT_EQ(Encode({}, ENC_STORED), Blob(64, 0, {}));
    EXPECT_EQ(Encode({}, ENC_RUNLENGTH), Blob(65, 0, {0x00}));
    EXPECT_EQ(Encode({}, ENC_SCRAMBLED), Blob(66, 0, {0x3C}));
}

TEST(Encode, StoredCopiesTheData)
{
    EXPECT_EQ(Encode({1, 2, 3, 0}, ENC_STORED), Blob(64, 4, {1, 2, 3, 0}));
}

TEST(Encode, ScrambledKeyAdvancesAfterEveryByte)
{
    // Keys 0x3C, 0x2D (5 * 0x3C + 1 = 0x12D), 0xE2 (5 * 0x2D + 1).
    const Bytes blob = Encode({0x00, 0xFF, 0x10}, ENC_SCRAMBLED);
    EXPECT_EQ(blob.size(), 12u);
    EXPECT_EQ(blob, Blob(66, 3, {0x3C, 0x3C, 0xD2, 0xF2}));
}

TEST(Encode, LongRunsSplitAt255)
{
    const Bytes blob = Encode(Bytes(600, 7), ENC_RUNLENGTH);
    EXPECT_EQ(blob, Blob(65, 600, {0x00, 0x00, 7, 255, 0x00, 7, 255, 0x00, 7, 90}));
}

TEST(Encode, RunsOfFourOrMoreBecomeTriples)
{
    EXPECT_EQ(Encode({'a', 'a', 'a'}, ENC_RUNLENGTH), Blob(65, 3, {0x00, 'a', 'a', 'a'}));
    EXPECT_EQ(Encode({'a', 'a', 'a', 'a'}, ENC_RUNLENGTH), Blob(65, 4, {0x00, 0x00, 'a', 4}));
    EXPECT_EQ(Encode({'b', 'a', 'a', 'a', 'a', 'a', 'b', 'b'}, ENC_RUNLENGTH),
              Blob(65, 8, {0x00, 'b', 0x00, 'a', 5, 'b', 'b'}));
}

TEST(Encode, EscapeIsTheLeastFrequentLowestValue)
{
    EXPECT_EQ(ChooseEscape(nullptr, 0), 0);
    Bytes twice;
    for (int round = 0; round < 2; ++round) {
        for (int v = 0; v < 256; ++v) {
            twice.push_back(static_cast<unsigned char>(v));
        }
    }
    EXPECT_EQ(ChooseEscape(twice.data(), twice.size()), 0);

    // 9 and 200 occur once, everything else twice: the lower of the two wins.
    Bytes data = twice;
    data.erase(data.begin() + 256 + 200);
    data.erase(data.begin() + 256 + 9);
    EXPECT_EQ(ChooseEscape(data.data(), data.size()), 9);
}

TEST(Encode, EveryOccurrenceOfTheEscapeIsATriple)
{
    // Every value twice, 5 once: 5 is the escape and appears as (5, 5, 1).
    Bytes data;
    Bytes stream = {5};
    for (int round = 0; round < 2; ++round) {
        for (int v = 0; v < 256; ++v) {
            if (round == 1 && v == 5) {
                continue;
            }
            data.push_back(static_cast<unsigned char>(v));
            if (v == 5) {
                stream.insert(stream.end(), {5, 5, 1});
            } else {
                stream.push_back(static_cast<unsigned char>(v));
            }
        }
    }
    EXPECT_EQ(Encode(data, ENC_RUNLENGTH), Blob(65, static_cast<std::int32_t>(data.size()), stream));

    // Every value three times in a row, 7 twice: three equal bytes stay literal, and
    // the escape's run of two is one triple.
    Bytes thrice;
    Bytes thriceStream = {7};
    for (int v = 0; v < 256; ++v) {
        const auto c = static_cast<unsigned char>(v);
        if (v == 7) {
            thrice.insert(thrice.end(), {c, c});
            thriceStream.insert(thriceStream.end(), {7, 7, 2});
        } else {
            thrice.insert(thrice.end(), {c, c, c});
            thriceStream.insert(thriceStream.end(), {c, c, c});
        }
    }
    EXPECT_EQ(Encode(thrice, ENC_RUNLENGTH),
              Blob(65, static_cast<std::int32_t>(thrice.size()), thriceStream));
}

TEST(Encode, DataWithoutRunsOrEscapeIsItsOwnStream)
{
    const std::string text = "abcabcxyz-text, no runs";
    const Bytes data = AsBytes(text);
    const Bytes payload = AsBytes('\0' + text);
    const Bytes blob = Encode(data, ENC_RUNLENGTH);
    EXPECT_EQ(blob, Blob(65, static_cast<std::int32_t>(data.size()), payload));
    EXPECT_EQ(blob.size(), 9 + data.size());
}

TEST(Encode, RefusesWhatDoesNotFit)
{
    const Bytes data(100, 1);
    Bytes out(200);
    EXPECT_EQ(EncodeEntry(out.data(), 7, data.data(), 0, ENC_STORED), 0u);
    EXPECT_EQ(EncodeEntry(out.data(), 107, data.data(), 100, ENC_STORED), 0u);
    EXPECT_EQ(EncodeEntry(out.data(), 108, data.data(), 100, ENC_STORED), 108u);
    EXPECT_EQ(EncodeEntry(out.data(), 108, data.data(), 100, ENC_SCRAMBLED), 0u);
    EXPECT_EQ(EncodeEntry(out.data(), 109, data.data(), 100, ENC_SCRAMBLED), 109u);
    // 100 equal bytes: (esc, 1, 100) after the escape byte, 12 bytes in all.
    EXPECT_EQ(EncodeEntry(out.data(), 11, data.data(), 100, ENC_RUNLENGTH), 0u);
    EXPECT_EQ(EncodeEntry(out.data(), 12, data.data(), 100, ENC_RUNLENGTH), 12u);
    for (std::int32_t encoding : {0, 63, 67, -64}) {
        EXPECT_EQ(EncodeEntry(out.data(), out.size(), data.data(), 100, encoding), 0u) << encoding;
    }
}
