// The records the Windows sound facility makes from the core's bytes before the
// system reads them: the wave format record for DirectSound, and wave images
// fitted to their size for the system player.
#include <gtest/gtest.h>

#include <cstring>

#include "sprox/sys/win32/win32_sound.h"
#include "support.h"

namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

TEST(WaveFormatRecord, IsPaddedToTheExtendedRecordAndKeepsOnlyExtraBytesThatExist)
{
    // 16 bytes: the extra-size field is zero.
    std::vector<uint8_t> format = io::PcmFormat(16);
    std::vector<uint8_t> record = sys::WaveFormatRecord(format.data(), 16);
    ASSERT_EQ(18u, record.size());
    EXPECT_EQ(0, std::memcmp(record.data(), format.data(), 16));
    EXPECT_EQ(0, Le16(record.data() + 16));

    // 14 bytes of PCM: bits per sample from block align 2 and one channel.
    format = io::PcmFormat(14);
    record = sys::WaveFormatRecord(format.data(), 14);
    ASSERT_EQ(18u, record.size());
    EXPECT_EQ(16, Le16(record.data() + 14));
    EXPECT_EQ(0, Le16(record.data() + 16));

    // An extra size of 100 with 4 extra bytes in the chunk: those 4 are kept and
    // the field says 4, so nothing past the chunk is read.
    format = io::PcmFormat(18);
    format[16] = 100;
    format.insert(format.end(), {0xA1, 0xA2, 0xA3, 0xA4});
    record = sys::WaveFormatRecord(format.data(), static_cast<uint32_t>(format.size()));
    ASSERT_EQ(22u, record.size());
    EXPECT_EQ(4, Le16(record.data() + 16));
    EXPECT_EQ(0xA4, record[21]);

    // Extra bytes beyond the announced size are not carried.
    format[16] = 2;
    record = sys::WaveFormatRecord(format.data(), static_cast<uint32_t>(format.size()));
    ASSERT_EQ(20u, record.size());
    EXPECT_EQ(2, Le16(record.data() + 16));
}

TEST(FitWaveImage, GivesAWellFormedImageAsItIs)
{
    std::vector<uint8_t> image = io::WaveImage(101);
    std::vector<uint8_t> fitted;
    EXPECT_EQ(image.data(), sys::FitWaveImage(image.data(), image.size(), &fitted));
    EXPECT_TRUE(fitted.empty());

    // A RIFF shorter than the image, and an odd last chunk whose pad byte the
    // file lacks, read nothing past the image either.
    image[4] = static_cast<uint8_t>(image[4] - 20);
    EXPECT_EQ(image.data(), sys::FitWaveImage(image.data(), image.size(), &fitted));
    image = io::WaveImage(101);
    image.pop_back();
    image[4] = static_cast<uint8_t>(image[4] - 1);
    EXPECT_EQ(image.data(), sys::FitWaveImage(image.data(), image.size(), &fitted));
}

TEST(FitWaveImage, CutsLengthsThatRunPastTheImage)
{
    std::vector<uint8_t> fitted;

    // The file ends 40 bytes into a data chunk of 1000.
    std::vector<uint8_t> whole = io::WaveImage(1000);
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + 44 + 40);
    const auto* play = static_cast<const uint8_t*>(sys::FitWaveImage(cut.data(), cut.size(), &fitted));
    ASSERT_EQ(fitted.data(), play);
    ASSERT_EQ(cut.size(), fitted.size());
    EXPECT_EQ(cut.size() - 8, Le32(play + 4));
    EXPECT_EQ(0, std::memcmp(play + 36, "data", 4));
    EXPECT_EQ(40u, Le32(play + 40));
    EXPECT_EQ(0, std::memcmp(play + 44, whole.data() + 44, 40));

    // The file ends inside the data chunk's header: the RIFF ends before it.
    std::vector<uint8_t> header(whole.begin(), whole.begin() + 40);
    play = static_cast<const uint8_t*>(sys::FitWaveImage(header.data(), header.size(), &fitted));
    ASSERT_EQ(fitted.data(), play);
    ASSERT_EQ(36u, fitted.size());
    EXPECT_EQ(28u, Le32(play + 4));

    // A RIFF length of 0xFFFFFFFF over a complete image ends at the image's end.
    whole[4] = whole[5] = whole[6] = whole[7] = 0xFF;
    play = static_cast<const uint8_t*>(sys::FitWaveImage(whole.data(), whole.size(), &fitted));
    ASSERT_EQ(fitted.data(), play);
    ASSERT_EQ(whole.size(), fitted.size());
    EXPECT_EQ(whole.size() - 8, Le32(play + 4));
    EXPECT_EQ(1000u, Le32(play + 40));
}

TEST(FitWaveImage, RefusesWhatIsNotARiffWave)
{
    std::vector<uint8_t> fitted;
    std::vector<uint8_t> image = io::WaveImage(8);
    EXPECT_EQ(nullptr, sys::FitWaveImage(image.data(), 11, &fitted));
    EXPECT_EQ(nullptr, sys::FitWaveImage(nullptr, 0, &fitted));
    image[8] = 'A';  // "AAVE"
    EXPECT_EQ(nullptr, sys::FitWaveImage(image.data(), image.size(), &fitted));
    image = io::WaveImage(8);
    image[0] = 'X';
    EXPECT_EQ(nullptr, sys::FitWaveImage(image.data(), image.size(), &fitted));
}

} // namespace
