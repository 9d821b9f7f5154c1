// Finding the format and the samples in wave file images, good and bad. Every
// image lies in a buffer of exactly its size, so a read past it shows in the
// sanitizer build.
#include <memory>

#include "sound/sound_fixture.h"
#include "sprox/sound/waveimage.h"

using namespace soundtest;
using wavtest::Bytes;

namespace {

// Parses a copy of the image in a heap block of exactly its size.
struct Parsed {
    int result;
    sprox::WaveImageParts parts;
    long formatAt, samplesAt;  // offsets into the image, -1 when not found
};

Parsed Parse(const Bytes& image)
{
    std::unique_ptr<unsigned char[]> block(new unsigned char[image.size() == 0 ? 1 : image.size()]);
    std::copy(image.begin(), image.end(), block.get());
    Parsed p{};
    p.result = sprox::ParseWaveImage(block.get(), static_cast<long>(image.size()), &p.parts);
    p.formatAt = p.result ? p.parts.format - block.get() : -1;
    p.samplesAt = p.result ? p.parts.samples - block.get() : -1;
    return p;
}

const Bytes kFormat = wavtest::Format(1, 8000, 8);

} // namespace

TEST(ParseWaveImage, FindsTheFormatAndTheSamplesInEitherOrder)
{
    Parsed p = Parse(wavtest::Wave(wavtest::Samples(10)));
    ASSERT_EQ(p.result, 1);
    EXPECT_EQ(p.formatAt, 20);
    EXPECT_EQ(p.parts.formatSize, 16u);
    EXPECT_EQ(p.samplesAt, 44);
    EXPECT_EQ(p.parts.sampleSize, 10u);

    p = Parse(wavtest::Riff({wavtest::Chunk("data", wavtest::Samples(6)), wavtest::Chunk("fmt ", kFormat)}));
    ASSERT_EQ(p.result, 1);
    EXPECT_EQ(p.samplesAt, 20);
    EXPECT_EQ(p.parts.sampleSize, 6u);
    EXPECT_EQ(p.formatAt, 34);
}

TEST(ParseWaveImage, SkipsOtherChunksWithTheirPadByteAndKeepsTheFirstOfEachKind)
{
    Bytes odd = {1, 2, 3};
    Parsed p = Parse(wavtest::Riff({wavtest::Chunk("LIST", odd), wavtest::Chunk("fmt ", kFormat),
                                    wavtest::Chunk("fact", {0, 0, 0, 0}), wavtest::Chunk("data", wavtest::Samples(5)),
                                    wavtest::Chunk("data", wavtest::Samples(9))}));
    ASSERT_EQ(p.result, 1);
    EXPECT_EQ(p.formatAt, 12 + 12 + 8);
    EXPECT_EQ(p.samplesAt, 12 + 12 + 24 + 12 + 8);
    EXPECT_EQ(p.parts.sampleSize, 5u);

    // A second format chunk after the data is not looked at: the first counts.
    p = Parse(wavtest::Riff({wavtest::Chunk("fmt ", kFormat), wavtest::Chunk("fmt ", wavtest::Format(2, 44100, 16)),
                             wavtest::Chunk("data", wavtest::Samples(2))}));
    ASSERT_EQ(p.result, 1);
    EXPECT_EQ(p.formatAt, 20);
}

TEST(ParseWaveImage, TheFormatNeedsFourteenBytes)
{
    EXPECT_EQ(Parse(wavtest::Riff({wavtest::Chunk("fmt ", wavtest::Format(1, 8000, 8, 12)),
                                   wavtest::Chunk("data", wavtest::Samples(4))}))
                  .result,
              0);
    Parsed p = Parse(wavtest::Riff({wavtest::Chunk("fmt ", wavtest::Format(1, 8000, 8, 14)),
                                    wavtest::Chunk("data", wavtest::Samples(4))}));
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(p.parts.formatSize, 14u);
}

TEST(ParseWaveImage, MissingChunksAndWrongMagicFail)
{
    EXPECT_EQ(Parse(wavtest::Riff({wavtest::Chunk("fmt ", kFormat)})).result, 0);
    EXPECT_EQ(Parse(wavtest::Riff({wavtest::Chunk("data", wavtest::Samples(8))})).result, 0);
    EXPECT_EQ(Parse(wavtest::Riff({})).result, 0);
    Bytes good = wavtest::Wave(wavtest::Samples(8));
    Bytes rifx = good;
    rifx[3] = 'X';
    EXPECT_EQ(Parse(rifx).result, 0);
    Bytes avi = good;
    avi[8] = 'A';
    EXPECT_EQ(Parse(avi).result, 0);
    EXPECT_EQ(Parse({}).result, 0);
    EXPECT_EQ(sprox::ParseWaveImage(nullptr, 100, nullptr), 0);
}

// Every truncation of a small file, with the RIFF length still telling the
// whole: 12 bytes of RIFF header, the format chunk to 36, the data chunk's
// header to 44, then 6 samples. Once the data header is there, the samples
// that are present count.
TEST(ParseWaveImage, EveryTruncationFailsOrKeepsOnlyTheSamplesPresent)
{
    Bytes whole = wavtest::Wave(wavtest::Samples(6));
    ASSERT_EQ(whole.size(), 50u);
    for (size_t n = 0; n <= whole.size(); ++n) {
        Parsed p = Parse(Bytes(whole.begin(), whole.begin() + static_cast<long>(n)));
        if (n < 44) {
            EXPECT_EQ(p.result, 0) << n;
        } else {
            ASSERT_EQ(p.result, 1) << n;
            EXPECT_EQ(p.samplesAt, 44) << n;
            EXPECT_EQ(p.parts.sampleSize, n - 44) << n;
        }
    }
}

TEST(ParseWaveImage, LengthsPastTheEndNeverLeadOutsideTheImage)
{
    // The RIFF length claims far more than the file: the file's end bounds the walk.
    Parsed p = Parse(wavtest::Riff({wavtest::Chunk("fmt ", kFormat), wavtest::Chunk("data", wavtest::Samples(4))},
                                   0xFFFFFFFF));
    ASSERT_EQ(p.result, 1);
    EXPECT_EQ(p.parts.sampleSize, 4u);

    // A data chunk that claims more than there is keeps what there is.
    Bytes image = wavtest::Wave(wavtest::Samples(4));
    image[40] = image[41] = image[42] = image[43] = 0xFF;
    p = Parse(image);
    ASSERT_EQ(p.result, 1);
    EXPECT_EQ(p.parts.sampleSize, 4u);

    // A format chunk longer than the file fails.
    image = wavtest::Wave(wavtest::Samples(4));
    image[16] = 0xF0;
    image[17] = image[18] = image[19] = 0xFF;
    EXPECT_EQ(Parse(image).result, 0);

    // A chunk to be skipped whose length would wrap a 32-bit offset.
    EXPECT_EQ(Parse(wavtest::Riff({wavtest::Chunk("fmt ", kFormat), Bytes{'j', 'u', 'n', 'k', 0xF8, 0xFF, 0xFF, 0xFF},
                                   wavtest::Chunk("data", wavtest::Samples(4))}))
                  .result,
              0);

    // A data chunk header cut in the middle, after the format.
    Bytes cut = wavtest::Riff({wavtest::Chunk("fmt ", kFormat)});
    cut.insert(cut.end(), {'d', 'a', 't'});
    EXPECT_EQ(Parse(cut).result, 0);
}

// Streaming writers often leave the RIFF length short of the data's end: it only
// bounds where a chunk may begin, and the data chunk's own length (within the
// file) is the sample size.
TEST(ParseWaveImage, TheRiffLengthBoundsWhereChunksBegin)
{
    Bytes image = wavtest::Wave(wavtest::Samples(6));
    struct Case {
        uint8_t riffLength;
        uint32_t dataLength;
        int result;
        uint32_t sampleSize;
    };
    const Case cases[] = {
        {38, 6, 1, 6},     // the RIFF end two samples into the data
        {36, 6, 1, 6},     // the RIFF end right after the data chunk's header
        {38, 200, 1, 6},   // data length past the file: what the file holds
        {28, 6, 0, 0},     // the data chunk begins at the RIFF end
        {4, 6, 0, 0},      // ending at or before the first chunk
        {20, 6, 0, 0},     // ending inside the format chunk: no data chunk may begin
    };
    for (const Case& c : cases) {
        image[4] = c.riffLength;
        image[5] = image[6] = image[7] = 0;
        image[40] = static_cast<uint8_t>(c.dataLength);
        image[41] = static_cast<uint8_t>(c.dataLength >> 8);
        Parsed p = Parse(image);
        EXPECT_EQ(p.result, c.result) << int{c.riffLength};
        if (c.result == 1) {
            EXPECT_EQ(p.parts.sampleSize, c.sampleSize) << int{c.riffLength};
        }
    }
    // In a longer file, a chunk after the RIFF end is not looked at.
    image = wavtest::Wave(wavtest::Samples(6));
    Bytes more = wavtest::Riff({wavtest::Chunk("fmt ", kFormat)});
    more.insert(more.end(), image.begin() + 36, image.end());
    EXPECT_EQ(Parse(more).result, 0);
}

// The same files through the DirectSound loader: a truncated file gives a wave
// of the samples it holds, or a free slot with nothing held.
TEST(ParseWaveImage, TruncatedFilesThroughTheDirectSoundLoader)
{
    StartDirectSound();
    Bytes whole = wavtest::Wave(wavtest::Samples(6, 100));
    for (size_t n = 0; n <= whole.size(); ++n) {
        std::string name = wavtest::WriteFile(Bytes(whole.begin(), whole.begin() + static_cast<long>(n)));
        ASSERT_EQ(SX_WaveOpen(name.c_str()), 0);
        if (n <= 44) {
            EXPECT_EQ(sprox::WaveSlotInUse(0), 0) << n;
            EXPECT_EQ(M().liveBlocks, 0) << n;
        } else {
            ASSERT_EQ(sprox::WaveSlotInUse(0), 4) << n;
            const fake::FakeBuffer& b = S().buffers[S().buffers.size() - 4];
            EXPECT_EQ(*b.samples, wavtest::Samples(n - 44, 100)) << n;
            SX_WaveFree(0);
        }
    }
    EXPECT_EQ(M().liveBlocks, 0);
    EXPECT_EQ(S().LiveBuffers(), 1);
    EXPECT_TRUE(M().boxes.empty());
}
