// The 32 wave slots.
#include "sound/sound_fixture.h"

using namespace soundtest;

TEST(WaveSlots, FullTableOpensNothingAndAFreedSlotIsTakenNext)
{
    StartSystem();
    std::string name = wavtest::WriteFile(wavtest::Wave(wavtest::Samples(4)));
    for (int i = 0; i < 32; ++i) {
        ASSERT_EQ(SX_WaveOpen(name.c_str()), i);
    }
    EXPECT_EQ(M().liveBlocks, 32);
    // Nothing is loaded: a missing file would have been reported.
    EXPECT_EQ(SX_WaveOpen("no-such-file.wav"), -1);
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_EQ(M().liveBlocks, 32);

    SX_WaveFree(5);
    EXPECT_EQ(sprox::WaveSlotInUse(5), 0);
    EXPECT_EQ(M().liveBlocks, 31);
    EXPECT_EQ(SX_WaveOpen(name.c_str()), 5);
    EXPECT_EQ(SX_WaveOpen(name.c_str()), -1);
    SX_ReleaseAll();
    EXPECT_EQ(M().liveBlocks, 0);
}

TEST(WaveSlots, AFailedLoadStillAnswersItsSlotAndTheSlotIsReusedNext)
{
    StartSystem();
    EXPECT_EQ(SX_WaveOpen("no-such-file.wav"), 0);
    EXPECT_EQ(SX_WavePlayEx(0, 0), -1);
    std::string name = wavtest::WriteFile(wavtest::Wave(wavtest::Samples(4)));
    EXPECT_EQ(SX_WaveOpen(name.c_str()), 0);
    EXPECT_EQ(SX_WavePlayEx(0, 0), 0);
}

TEST(WaveSlots, NumbersOutsideTheTableAreLeftAlone)
{
    StartDirectSound();
    std::string name = wavtest::WriteFile(wavtest::Wave(wavtest::Samples(4)));
    ASSERT_EQ(SX_WaveOpen(name.c_str()), 0);
    size_t mark = S().calls.size();
    for (int slot : {-1, 32, 1000, -2147483647 - 1}) {
        EXPECT_EQ(sprox::WaveSlotInUse(slot), 0);
        EXPECT_EQ(SX_WavePlayEx(slot, 0), -1);
        EXPECT_EQ(SX_WaveSetState(slot, 0, 0), 0);
        SX_WaveFree(slot);
        EXPECT_EQ(sprox::WaveLoad(name.c_str(), slot), 0);
    }
    EXPECT_TRUE(S().CallsSince(mark).empty());
    EXPECT_EQ(sprox::WaveSlotInUse(0), 4);
}

TEST(WaveSlots, LoadingIntoASlotInUseIsRefused)
{
    StartSystem();
    std::string name = wavtest::WriteFile(wavtest::Wave(wavtest::Samples(4)));
    ASSERT_EQ(SX_WaveOpen(name.c_str()), 0);
    unsigned char* image = sprox::gSound.slots[0].image;
    EXPECT_EQ(sprox::WaveLoad(name.c_str(), 0), 0);
    EXPECT_EQ(sprox::gSound.slots[0].image, image);
    EXPECT_EQ(M().liveBlocks, 1);
}
