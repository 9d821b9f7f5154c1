// Playing and freeing waves on the WaveMix mixer's eight channels.
#include "sound/sound_fixture.h"

using namespace soundtest;

namespace {

constexpr uint32_t kSession = 0x5E55;

// n waves loaded into slots 0 to n - 1.
void LoadWaves(int n)
{
    std::string name = wavtest::WriteFile(wavtest::Wave(wavtest::Samples(8)));
    for (int i = 0; i < n; ++i) {
        ASSERT_EQ(SX_WaveOpen(name.c_str()), i);
    }
}

bool NoEntryMixUp()
{
    return std::none_of(S().calls.begin(), S().calls.end(),
                        [](const std::string& c) { return c.find(" via ") != std::string::npos; });
}

} // namespace

TEST(WaveMixPlay, OneShotsGoRoundTheChannelsWithTheDocumentedPlayRecord)
{
    StartWaveMix();
    LoadWaves(2);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(SX_WavePlayEx(i % 2, 0), i % 8);
    }
    ASSERT_EQ(S().mixPlays.size(), 9u);
    for (int i = 0; i < 9; ++i) {
        const fake::MixPlay& p = S().mixPlays[static_cast<size_t>(i)];
        EXPECT_EQ(p.size, 24);
        EXPECT_EQ(p.session, kSession);
        EXPECT_EQ(p.channel, static_cast<uint32_t>(i % 8));
        EXPECT_EQ(p.wave, sprox::gSound.slots[i % 2].mixWave);
        EXPECT_EQ(p.window, 0u);
        EXPECT_EQ(p.flags, 4u);
        EXPECT_EQ(p.loops, 0);
    }
    // The first play opened the channels; every play cuts its channel first.
    EXPECT_EQ(S().CountCalls("WaveMixOpenChannel"), 1);
    EXPECT_TRUE(S().Called("WaveMixFlushChannel 24149 7 2"));
    EXPECT_EQ(S().CountCalls("WaveMixFlushChannel"), 9);
    EXPECT_TRUE(NoEntryMixUp());
    EXPECT_EQ(SX_WaveSetState(0, 100, -100), 0);  // pan and volume are DirectSound's
}

TEST(WaveMixPlay, LoopingChannelsAreSkippedUntilAllEightLoop)
{
    StartWaveMix();
    LoadWaves(3);
    for (int ch = 0; ch < 7; ++ch) {
        EXPECT_EQ(SX_WavePlayEx(0, 1), ch);
    }
    EXPECT_EQ(S().mixPlays.back().loops, 0xFFFF);
    EXPECT_EQ(SX_WavePlayEx(1, 0), 7);  // cursor back at 0
    // Channels 0 to 6 loop: the one-shot on channel 7 gives way.
    EXPECT_EQ(SX_WavePlayEx(2, 1), 7);
    EXPECT_EQ(sprox::gSound.channelCursor, 0);
    // All eight loop now: the channel at the cursor is cut and taken.
    size_t mark = S().calls.size();
    EXPECT_EQ(SX_WavePlayEx(1, 0), 0);
    EXPECT_EQ(S().CallsSince(mark),
              (std::vector<std::string>{"WaveMixFlushChannel 24149 0 2", "WaveMixPlay 0"}));
    EXPECT_EQ(sprox::gSound.channels[0].slot, 1);
    EXPECT_EQ(sprox::gSound.channels[0].loops, 0);
    // Channel 0 holds a one-shot again, so it is the next one taken after the
    // cursor wraps round the looping ones.
    EXPECT_EQ(SX_WavePlayEx(1, 0), 0);
}

TEST(WaveMixPlay, FreeSlotsAndNumbersOutsideTheTablePlayNothing)
{
    StartWaveMix();
    size_t mark = S().calls.size();
    EXPECT_EQ(SX_WavePlayEx(0, 0), -1);
    EXPECT_EQ(SX_WavePlayEx(32, 0), -1);
    EXPECT_EQ(SX_WavePlayEx(-1, 1), -1);
    EXPECT_EQ(S().CountCalls("WaveMixPlay"), 0);
    EXPECT_EQ(S().CountCalls("WaveMixFlushChannel"), 0);
    // A play always activates first, even one that plays nothing.
    EXPECT_EQ(S().CallsSince(mark).front(), "WaveMixOpenChannel 24149 8 2");
}

TEST(WaveMixLoad, AFileTheMixerRejectsLeavesTheSlotFreeWithoutAMessage)
{
    StartWaveMix();
    S().openWaveFails = true;
    EXPECT_EQ(SX_WaveOpen("missing.wav"), 0);
    EXPECT_EQ(sprox::WaveSlotInUse(0), 0);
    EXPECT_EQ(SX_WavePlayEx(0, 0), -1);
    EXPECT_TRUE(M().boxes.empty());
    S().openWaveFails = false;
    EXPECT_EQ(SX_WaveOpen("missing.wav"), 0);
    EXPECT_EQ(sprox::WaveSlotInUse(0), 8);
    EXPECT_EQ(M().liveBlocks, 0);  // the mixer reads the file, not the library
}

TEST(WaveMixFree, FreeingCutsOnlyTheChannelsOfThatWave)
{
    StartWaveMix();
    LoadWaves(2);
    SX_WavePlayEx(0, 0);  // channel 0
    SX_WavePlayEx(1, 1);  // channel 1
    SX_WavePlayEx(0, 1);  // channel 2
    size_t mark = S().calls.size();
    uint32_t wave = sprox::gSound.slots[0].mixWave;
    SX_WaveFree(0);
    EXPECT_EQ(S().CallsSince(mark),
              (std::vector<std::string>{"WaveMixFlushChannel 24149 0 0", "WaveMixFlushChannel 24149 2 0",
                                        "WaveMixFreeWave 24149 " + std::to_string(wave)}));
    EXPECT_EQ(sprox::gSound.channels[0].slot, -1);
    EXPECT_EQ(sprox::gSound.channels[1].slot, 1);
    EXPECT_EQ(sprox::gSound.channels[2].slot, -1);
    EXPECT_EQ(sprox::gSound.slots[0].mixWave, 0u);
    EXPECT_TRUE(M().boxes.empty());
}

TEST(WaveMixFree, TheLastFreeClosesTheChannelsAndTheNextPlayReopensThem)
{
    StartWaveMix();
    LoadWaves(1);
    SX_WavePlayEx(0, 0);
    size_t mark = S().calls.size();
    SX_WaveFree(0);
    std::vector<std::string> freeing = S().CallsSince(mark);
    EXPECT_EQ(freeing.back(), "WaveMixCloseChannel 24149 0 1");
    EXPECT_EQ(sprox::gSound.activated, 0);
    EXPECT_FALSE(sprox::gSound.wavesLoaded);

    LoadWaves(1);
    mark = S().calls.size();
    EXPECT_EQ(SX_WavePlayEx(0, 0), 1);
    EXPECT_EQ(S().CallsSince(mark),
              (std::vector<std::string>{"WaveMixOpenChannel 24149 8 2", "WaveMixActivate 24149 1",
                                        "WaveMixFlushChannel 24149 1 2", "WaveMixPlay 1"}));
}

TEST(WaveMixFree, MixerFailuresAreReportedAndFreeingGoesOn)
{
    StartWaveMix();
    LoadWaves(2);
    S().freeWaveResult = 5;
    S().closeChannelResult = 5;
    SX_WaveFree(1);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{BoxText(-6, "SproxFreeWave - WaveMixFreeWave")}));
    EXPECT_EQ(sprox::WaveSlotInUse(1), 0);
    SX_WaveFree(0);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{BoxText(-6, "SproxFreeWave - WaveMixFreeWave"),
                                                    BoxText(-6, "SproxFreeWave - WaveMixFreeWave"),
                                                    BoxText(-6, "SproxFreeWave - WaveMixCloseChannel")}));
    EXPECT_EQ(sprox::WaveSlotInUse(0), 0);
}

TEST(WaveMixFree, ReleaseAllClosesChannelsOnceReportsWithItsOwnTextsAndFlushesNothing)
{
    StartWaveMix();
    LoadWaves(3);
    SX_WavePlayEx(0, 1);
    SX_WavePlayEx(2, 1);
    S().freeWaveResult = 1;
    S().closeChannelResult = 1;
    size_t mark = S().calls.size();
    SX_ReleaseAll();
    std::vector<std::string> calls = S().CallsSince(mark);
    EXPECT_EQ(calls.front(), "WaveMixCloseChannel 24149 0 1");
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& c) { return c.rfind("WaveMixFlushChannel", 0) == 0; }),
              0);
    EXPECT_EQ(S().CountCalls("WaveMixFreeWave"), 3);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{BoxText(-6, "SproxWaveFreeAll - WaveMixCloseChannel"),
                                                    BoxText(-6, "SproxWaveFreeAll - WaveMixFreeWave"),
                                                    BoxText(-6, "SproxWaveFreeAll - WaveMixFreeWave"),
                                                    BoxText(-6, "SproxWaveFreeAll - WaveMixFreeWave")}));
    for (const sprox::MixChannel& c : sprox::gSound.channels) {
        EXPECT_EQ(c.slot, -1);
    }
    EXPECT_TRUE(NoEntryMixUp());
}
