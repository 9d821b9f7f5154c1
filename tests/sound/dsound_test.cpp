// DirectSound: four buffers per wave sharing one copy of the samples.
#include "sound/sound_fixture.h"

using namespace soundtest;

namespace {

// Buffer ids of the fake: b1 is the primary buffer asked for at start-up, so a
// wave loaded first gets b2 and its duplicates b3 to b5.
constexpr int kFirst = 2;

wavtest::Bytes Samples() { return wavtest::Samples(40, 7); }

std::string LoadedWave(int expectSlot = 0)
{
    std::string name = wavtest::WriteFile(wavtest::Wave(Samples()));
    EXPECT_EQ(SX_WaveOpen(name.c_str()), expectSlot);
    return name;
}

} // namespace

TEST(DirectSoundLoad, OneStaticBufferFilledWithTheSamplesAndThreeDuplicates)
{
    StartDirectSound();
    wavtest::Bytes format = wavtest::Format(1, 11025, 8);
    std::string name = wavtest::WriteFile(
        wavtest::Riff({wavtest::Chunk("fmt ", format), wavtest::Chunk("data", Samples())}));
    size_t mark = S().calls.size();
    ASSERT_EQ(SX_WaveOpen(name.c_str()), 0);
    EXPECT_EQ(S().CallsSince(mark),
              (std::vector<std::string>{"GameModule", "CreateSoundBuffer 20 226 40", "Lock b2 0 40 0",
                                        "Unlock b2 40 0", "DuplicateSoundBuffer b2", "DuplicateSoundBuffer b2",
                                        "DuplicateSoundBuffer b2"}));
    EXPECT_EQ(sprox::WaveSlotInUse(0), 4);
    const fake::FakeBuffer& b = S().buffer(kFirst);
    EXPECT_EQ(b.format, format);
    EXPECT_EQ(*b.samples, Samples());
    for (int id = kFirst + 1; id <= kFirst + 3; ++id) {
        EXPECT_EQ(S().buffer(id).duplicateOf, kFirst);
        EXPECT_EQ(S().buffer(id).samples, b.samples);  // one copy shared
    }
    EXPECT_EQ(sprox::gSound.slots[0].pan, 0);
    EXPECT_EQ(sprox::gSound.slots[0].volume, 0);
}

TEST(DirectSoundLoad, ALockInTwoRegionsGetsEverySampleOnce)
{
    StartDirectSound();
    S().lockSplit = 15;
    LoadedWave();
    EXPECT_TRUE(S().Called("Unlock b2 15 25 two"));
    EXPECT_EQ(*S().buffer(kFirst).samples, Samples());
}

TEST(DirectSoundLoad, FailedDuplicationsLeaveFewerBuffersUsedInTurn)
{
    StartDirectSound();
    S().duplicatesLeft = 1;
    LoadedWave();
    EXPECT_EQ(sprox::WaveSlotInUse(0), 2);
    EXPECT_EQ(S().LiveBuffers(), 3);  // primary, original, one copy
    std::vector<int> used;
    for (int i = 0; i < 4; ++i) {
        used.push_back(SX_WavePlayEx(0, 0));
    }
    EXPECT_EQ(used, (std::vector<int>{0, 1, 0, 1}));

    S().duplicatesLeft = 0;
    LoadedWave(1);
    EXPECT_EQ(sprox::WaveSlotInUse(1), 1);
    EXPECT_EQ(SX_WavePlayEx(1, 0), 0);
    EXPECT_EQ(SX_WavePlayEx(1, 0), 0);
}

TEST(DirectSoundLoad, ABufferThatCannotBeMadeOrFilledLeavesTheSlotFreeAndNothingHeld)
{
    StartDirectSound();
    S().bufferResult = sys::kDsErrOutOfMemory;
    LoadedWave();
    EXPECT_EQ(sprox::WaveSlotInUse(0), 0);
    EXPECT_EQ(M().liveBlocks, 0);

    S().bufferResult = sys::kDsOk;
    S().lockResult = sys::kDsErrInvalidParam;
    LoadedWave();
    EXPECT_EQ(sprox::WaveSlotInUse(0), 0);
    EXPECT_EQ(M().liveBlocks, 0);
    EXPECT_EQ(S().LiveBuffers(), 1);  // only the primary buffer
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_EQ(SX_WavePlayEx(0, 0), -1);
}

TEST(DirectSoundPlay, BuffersAreUsedInTurnAndASoundingOneStartsOver)
{
    StartDirectSound();
    LoadedWave();
    std::vector<int> used;
    for (int i = 0; i < 4; ++i) {
        used.push_back(SX_WavePlayEx(0, 0));
    }
    EXPECT_EQ(used, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_TRUE(S().buffer(kFirst).playing);

    size_t mark = S().calls.size();
    EXPECT_EQ(SX_WavePlayEx(0, 1), 0);
    EXPECT_EQ(S().CallsSince(mark),
              (std::vector<std::string>{"GetStatus b2", "Stop b2", "SetCurrentPosition b2 0", "SetPan b2 0",
                                        "SetVolume b2 0", "Play b2 0 0 1"}));
    EXPECT_TRUE(S().buffer(kFirst).looping);

    // A buffer that has finished is played without a stop.
    S().buffer(kFirst + 1).playing = false;
    mark = S().calls.size();
    EXPECT_EQ(SX_WavePlayEx(0, 0), 1);
    EXPECT_EQ(S().CallsSince(mark), (std::vector<std::string>{"GetStatus b3", "SetPan b3 0",
                                                              "SetVolume b3 0", "Play b3 0 0 0"}));
}

TEST(DirectSoundPlay, AFailedStatusQueryPlaysNothingButStillUsesTheBuffer)
{
    StartDirectSound();
    LoadedWave();
    S().statusResult = sys::kDsErrGeneric;
    EXPECT_EQ(SX_WavePlayEx(0, 0), 0);
    EXPECT_EQ(SX_WavePlayEx(0, 0), 1);
    EXPECT_EQ(S().CountCalls("Play "), 0);
}

TEST(DirectSoundState, VolumeReachesSoundingBuffersAtOncePanOnlyTheNextPlay)
{
    StartDirectSound();
    LoadedWave();
    SX_WavePlayEx(0, 1);
    size_t mark = S().calls.size();
    EXPECT_EQ(SX_WaveSetState(0, -2500, -600), 1);
    EXPECT_EQ(S().CallsSince(mark), (std::vector<std::string>{"SetVolume b2 -600", "SetVolume b3 -600",
                                                              "SetVolume b4 -600", "SetVolume b5 -600"}));
    EXPECT_EQ(S().buffer(kFirst).pan, 0);
    EXPECT_EQ(S().buffer(kFirst).volume, -600);

    SX_WavePlayEx(0, 0);
    EXPECT_EQ(S().buffer(kFirst + 1).pan, -2500);
    EXPECT_EQ(S().buffer(kFirst + 1).volume, -600);
    EXPECT_EQ(S().buffer(kFirst).pan, 0);  // still sounding with its old pan

    EXPECT_EQ(SX_WaveSetState(1, 0, 0), 0);  // a free slot
}

TEST(DirectSoundFree, FreeingStopsAndReleasesEveryBufferAndTheImage)
{
    StartDirectSound();
    LoadedWave();
    SX_WavePlayEx(0, 1);
    size_t mark = S().calls.size();
    SX_WaveFree(0);
    EXPECT_EQ(S().CallsSince(mark),
              (std::vector<std::string>{"Stop b2", "Release b2", "Stop b3", "Release b3", "Stop b4", "Release b4",
                                        "Stop b5", "Release b5"}));
    EXPECT_EQ(M().liveBlocks, 0);
    EXPECT_EQ(sprox::WaveSlotInUse(0), 0);
    EXPECT_EQ(SX_WavePlayEx(0, 0), -1);
}
