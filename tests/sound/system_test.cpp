// The system player: one sound at a time from the wave file image.
#include "sound/sound_fixture.h"

using namespace soundtest;

namespace {

constexpr uint32_t kOnce = sys::kSndAsync | sys::kSndMemory;
constexpr uint32_t kLooping = kOnce | sys::kSndLoop;

} // namespace

TEST(SystemPlayer, PlaysTheWholeFileImageOnceOrLooping)
{
    StartSystem();
    wavtest::Bytes file = wavtest::Wave(wavtest::Samples(20));
    std::string name = wavtest::WriteFile(file);
    ASSERT_EQ(SX_WaveOpen(name.c_str()), 0);
    EXPECT_EQ(sprox::WaveSlotInUse(0), 1);
    EXPECT_EQ(SX_WavePlayEx(0, 0), 0);
    EXPECT_EQ(SX_WavePlayEx(0, 3), 0);  // bit 0 loops; the others are ignored
    ASSERT_EQ(S().systemPlays.size(), 2u);
    const fake::SystemPlay& once = S().systemPlays[0];
    EXPECT_EQ(once.flags, kOnce);
    ASSERT_EQ(once.size, file.size());
    EXPECT_EQ(wavtest::Bytes(static_cast<const uint8_t*>(once.image),
                             static_cast<const uint8_t*>(once.image) + once.size),
              file);
    EXPECT_EQ(S().systemPlays[1].flags, kLooping);
    EXPECT_EQ(SX_WaveSetState(0, 100, -100), 0);  // no pan or volume here
}

TEST(SystemPlayer, ALoopingWaveStopsWhileTheGameIsAwayAndStartsOverOnItsReturn)
{
    StartSystem();
    std::string name = wavtest::WriteFile(wavtest::Wave(wavtest::Samples(20)));
    ASSERT_EQ(SX_WaveOpen(name.c_str()), 0);
    ASSERT_EQ(SX_WaveOpen(name.c_str()), 1);
    SX_WavePlayEx(1, 1);
    size_t mark = S().calls.size();
    SX_WaveActivate(0);
    SX_WaveActivate(1);
    EXPECT_EQ(S().CallsSince(mark),
              (std::vector<std::string>{"sndPlaySound stop", "sndPlaySound " + std::to_string(kLooping)}));
    EXPECT_EQ(S().systemPlays.back().image, sprox::gSound.slots[1].image);
}

TEST(SystemPlayer, AOneShotIsOnlyStoppedByActivation)
{
    StartSystem();
    std::string name = wavtest::WriteFile(wavtest::Wave(wavtest::Samples(20)));
    ASSERT_EQ(SX_WaveOpen(name.c_str()), 0);
    SX_WavePlayEx(0, 0);
    size_t mark = S().calls.size();
    SX_WaveActivate(0);
    SX_WaveActivate(1);
    EXPECT_EQ(S().CallsSince(mark), (std::vector<std::string>{"sndPlaySound stop", "sndPlaySound stop"}));
}

TEST(SystemPlayer, FreeingAnyWaveStopsThePlayerAndActivationRestartsNothing)
{
    StartSystem();
    std::string name = wavtest::WriteFile(wavtest::Wave(wavtest::Samples(20)));
    ASSERT_EQ(SX_WaveOpen(name.c_str()), 0);
    ASSERT_EQ(SX_WaveOpen(name.c_str()), 1);
    SX_WavePlayEx(0, 1);
    size_t mark = S().calls.size();
    SX_WaveFree(1);  // not the one playing
    SX_WaveActivate(1);
    EXPECT_EQ(S().CallsSince(mark), (std::vector<std::string>{"sndPlaySound stop", "sndPlaySound stop"}));
    EXPECT_EQ(M().liveBlocks, 1);
    SX_ReleaseAll();
    EXPECT_EQ(M().liveBlocks, 0);
}

TEST(SystemPlayer, AFileThatIsNotAWaveIsStillHandedToThePlayer)
{
    StartSystem();
    std::string name = wavtest::WriteFile({'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v', 'e'});
    ASSERT_EQ(SX_WaveOpen(name.c_str()), 0);
    EXPECT_EQ(SX_WavePlayEx(0, 0), 0);
    EXPECT_EQ(S().systemPlays.back().size, 10u);
}

TEST(SystemPlayer, AFileThatCannotBeReadIsReportedAndLeavesTheSlotFree)
{
    StartSystem();
    EXPECT_EQ(SX_WaveOpen("no-such-file.wav"), 0);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{BoxText(-4, "no-such-file.wav -> 2")}));
    EXPECT_EQ(SX_WavePlayEx(0, 0), -1);
    EXPECT_TRUE(S().systemPlays.empty());
    EXPECT_EQ(M().liveBlocks, 0);
}
