// Choosing the player at start-up, activation and release.
#include "sound/sound_fixture.h"

#include "sprox/sound/sound.h"

using namespace soundtest;

namespace {

int moduleA, moduleB;
SxModule ModuleA() { return reinterpret_cast<SxModule>(&moduleA); }
SxModule ModuleB() { return reinterpret_cast<SxModule>(&moduleB); }

} // namespace

TEST(SoundStart, DirectSoundOnAWindowIsPreferredAndAsksForThePrimaryBuffer)
{
    fake::OfferDirectSound(M());
    fake::OfferWaveMix(M());
    M().errorMode = 7;
    EXPECT_EQ(SX_WaveInit(nullptr, Window()), 1);
    EXPECT_EQ(Mode(), sprox::SM_DIRECTSOUND);
    EXPECT_EQ(S().calls, (std::vector<std::string>{"DirectSoundCreate", "SetCooperativeLevel window 1",
                                                   "CreateSoundBuffer 20 1 0"}));
    EXPECT_TRUE(S().buffer(1).primary);
    EXPECT_FALSE(Probed("WavMix32.dll"));
    EXPECT_EQ(M().errorMode, 7u);  // restored after probing
    EXPECT_EQ(M().LoadedNow(), (std::set<std::string>{"DSOUND.DLL"}));
}

TEST(SoundStart, WithoutAWindowDirectSoundIsNeverLoadedAndWaveMixIsChosen)
{
    fake::OfferDirectSound(M());
    fake::OfferWaveMix(M());
    EXPECT_EQ(SX_WaveInit(nullptr, nullptr), 1);
    EXPECT_EQ(Mode(), sprox::SM_WAVEMIX);
    EXPECT_FALSE(Probed("DSOUND.DLL"));
    EXPECT_EQ(S().calls, (std::vector<std::string>{"WaveMixInit"}));
    // All twelve looked up by name.
    EXPECT_EQ(std::count_if(M().resolved.begin(), M().resolved.end(),
                            [](const std::string& r) { return r.rfind("WavMix32.dll!WaveMix", 0) == 0; }),
              12);
    EXPECT_EQ(sprox::gSound.session, S().mixSession);
}

TEST(SoundStart, UnusableDirectSoundFallsBackQuietlyAndIsUnloaded)
{
    // The object cannot be made.
    fake::OfferDirectSound(M());
    fake::OfferWaveMix(M());
    S().createResult = sys::kDsErrNoDriver;
    EXPECT_EQ(SX_WaveInit(nullptr, Window()), 1);
    EXPECT_EQ(Mode(), sprox::SM_WAVEMIX);
    EXPECT_EQ(M().LoadedNow(), (std::set<std::string>{"WavMix32.dll"}));
    EXPECT_EQ(S().liveObjects, 0);
    EXPECT_TRUE(M().boxes.empty());
}

TEST(SoundStart, DirectSoundLibraryWithoutItsEntryPointIsUnloaded)
{
    M().modules["DSOUND.DLL"] = {};
    EXPECT_EQ(SX_WaveInit(nullptr, Window()), 1);
    EXPECT_EQ(Mode(), sprox::SM_SYSTEM);
    EXPECT_FALSE(S().Called("DirectSoundCreate"));
    EXPECT_EQ(M().freed, (std::vector<std::string>{"DSOUND.DLL"}));
    EXPECT_TRUE(M().LoadedNow().empty());
}

TEST(SoundStart, SystemPlayerWhenThereIsADeviceAndNoMixer)
{
    EXPECT_EQ(SX_WaveInit(nullptr, Window()), 1);
    EXPECT_EQ(Mode(), sprox::SM_SYSTEM);
    EXPECT_TRUE(S().Called("waveOutGetNumDevs"));
    EXPECT_EQ(sprox::gSound.channels[0].slot, -1);
}

TEST(SoundStart, NoDeviceSwitchesSoundOffAndEverySoundCallDoesNothing)
{
    S().waveOutDevices = 0;
    EXPECT_EQ(SX_WaveInit(nullptr, Window()), 0);
    EXPECT_EQ(Mode(), sprox::SM_NODEVICE);
    size_t mark = S().calls.size();

    EXPECT_EQ(SX_WaveOpen("no-such-file.wav"), 0);  // a slot number, nothing loaded
    EXPECT_EQ(sprox::WaveSlotInUse(0), 0);
    EXPECT_TRUE(M().boxes.empty());                // the file was never opened
    EXPECT_EQ(SX_WavePlayEx(0, 1), -1);
    EXPECT_EQ(SX_WaveSetState(0, 100, -100), 0);
    SX_WaveActivate(1);
    SX_WaveFree(0);
    EXPECT_TRUE(S().CallsSince(mark).empty());
    // Asked again, it tries nothing and answers the same.
    EXPECT_EQ(SX_WaveInit(nullptr, Window()), 0);
    EXPECT_EQ(S().CountCalls("waveOutGetNumDevs"), 1);
}

TEST(SoundStart, WaveMixThatCannotOpenASessionGivesTheSystemPlayerWithoutADeviceTest)
{
    fake::OfferWaveMix(M());
    S().mixSession = 0;
    S().waveOutDevices = 0;
    EXPECT_EQ(SX_WaveInit(nullptr, nullptr), 1);
    EXPECT_EQ(Mode(), sprox::SM_SYSTEM);
    EXPECT_FALSE(S().Called("waveOutGetNumDevs"));
    EXPECT_TRUE(M().LoadedNow().empty());
}

TEST(SoundStart, WaveMixMissingAnEntryPointItIsDrivenThroughIsNotUsed)
{
    fake::OfferWaveMix(M());
    M().modules["WavMix32.dll"].erase("WaveMixPlay");
    EXPECT_EQ(SX_WaveInit(nullptr, nullptr), 1);
    EXPECT_EQ(Mode(), sprox::SM_SYSTEM);
    EXPECT_FALSE(S().Called("WaveMixInit"));
    EXPECT_TRUE(M().LoadedNow().empty());
}

TEST(SoundStart, WaveMixMissingOnlyEntryPointsThatAreLookedUpIsUsed)
{
    fake::OfferWaveMix(M());
    for (const char* name : {"WaveMixGetInfo", "WaveMixConfigureInit", "WaveMixPump"}) {
        M().modules["WavMix32.dll"].erase(name);
    }
    EXPECT_EQ(SX_WaveInit(nullptr, nullptr), 1);
    EXPECT_EQ(Mode(), sprox::SM_WAVEMIX);
}

TEST(SoundStart, SecondInitChangesNothingNotEvenTheModule)
{
    fake::OfferWaveMix(M());
    EXPECT_EQ(SX_WaveInit(ModuleA(), nullptr), 1);
    size_t probes = M().probed.size();
    size_t calls = S().calls.size();
    EXPECT_EQ(SX_WaveInit(ModuleB(), Window()), 1);
    EXPECT_EQ(M().probed.size(), probes);
    EXPECT_EQ(S().calls.size(), calls);
    EXPECT_EQ(sprox::gSound.module, ModuleA());
    // The module given first is the one the mixer gets.
    SX_WaveOpen("whatever.wav");
    ASSERT_EQ(S().openedWaves.size(), 1u);
    EXPECT_EQ(S().openedWaves[0].module, static_cast<void*>(ModuleA()));
    EXPECT_FALSE(S().Called("GameModule"));
}

TEST(SoundStart, TheModuleIsStoredOnceAlsoAcrossARelease)
{
    fake::OfferWaveMix(M());
    std::string name = wavtest::WriteFile(wavtest::Wave(wavtest::Samples(16)));
    // No module given: the first load stores the game's own.
    ASSERT_EQ(SX_WaveInit(nullptr, nullptr), 1);
    ASSERT_EQ(SX_WaveOpen(name.c_str()), 0);
    ASSERT_EQ(S().openedWaves.size(), 1u);
    EXPECT_EQ(S().openedWaves[0].module, fake::FakeGameModule());
    EXPECT_EQ(S().openedWaves[0].flags, 1u);
    EXPECT_EQ(S().openedWaves[0].name, name);

    SX_ReleaseAll();
    ASSERT_EQ(SX_WaveInit(ModuleB(), nullptr), 1);
    ASSERT_EQ(SX_WaveOpen(name.c_str()), 0);
    EXPECT_EQ(S().openedWaves[1].module, fake::FakeGameModule());
    EXPECT_EQ(S().CountCalls("GameModule"), 1);
}

TEST(SoundActivate, DeactivatingBeforeAnyPlayOpensTheChannelsFirst)
{
    StartWaveMix();
    size_t mark = S().calls.size();
    SX_WaveActivate(0);
    SX_WaveActivate(1);
    EXPECT_EQ(S().CallsSince(mark),
              (std::vector<std::string>{"WaveMixOpenChannel 24149 8 2", "WaveMixActivate 24149 1",
                                        "WaveMixActivate 24149 0", "WaveMixActivate 24149 1"}));
}

TEST(SoundActivate, DirectSoundAndUnstartedSoundIgnoreActivation)
{
    SX_WaveActivate(1);  // before any start-up: nothing to tell
    EXPECT_TRUE(S().calls.empty());
    StartDirectSound();
    size_t mark = S().calls.size();
    SX_WaveActivate(0);
    SX_WaveActivate(1);
    EXPECT_TRUE(S().CallsSince(mark).empty());
}

TEST(SoundRelease, WaveMixIsClosedAndStartsAgainFromNothing)
{
    StartWaveMix();
    std::string name = wavtest::WriteFile(wavtest::Wave(wavtest::Samples(8)));
    ASSERT_EQ(SX_WaveOpen(name.c_str()), 0);
    SX_WavePlayEx(0, 1);
    size_t mark = S().calls.size();
    SX_ReleaseAll();
    EXPECT_EQ(S().CallsSince(mark),
              (std::vector<std::string>{"WaveMixCloseChannel 24149 0 1", "WaveMixFreeWave 24149 257",
                                        "WaveMixCloseSession 24149"}));
    EXPECT_EQ(Mode(), sprox::SM_UNSTARTED);
    EXPECT_TRUE(M().LoadedNow().empty());
    EXPECT_EQ(sprox::WaveSlotInUse(0), 0);
    EXPECT_EQ(SX_WavePlayEx(0, 0), -1);

    // A second start-up probes again and opens a new session; the first play
    // opens the channels again.
    S().mixSession = 77;
    EXPECT_EQ(SX_WaveInit(nullptr, nullptr), 1);
    EXPECT_EQ(sprox::gSound.session, 77u);
    ASSERT_EQ(SX_WaveOpen(name.c_str()), 0);
    mark = S().calls.size();
    EXPECT_EQ(SX_WavePlayEx(0, 0), 1);  // the cursor is not reset by start-up
    EXPECT_EQ(S().CallsSince(mark)[0], "WaveMixOpenChannel 77 8 2");
}

TEST(SoundRelease, DirectSoundReleasesBuffersThenTheObjectAndTheLibrary)
{
    StartDirectSound();
    std::string name = wavtest::WriteFile(wavtest::Wave(wavtest::Samples(8)));
    ASSERT_EQ(SX_WaveOpen(name.c_str()), 0);
    SX_ReleaseAll();
    EXPECT_EQ(S().LiveBuffers(), 0);
    EXPECT_EQ(S().liveObjects, 0);
    EXPECT_EQ(S().calls.back(), "ReleaseDirectSound");
    EXPECT_TRUE(M().LoadedNow().empty());
    EXPECT_EQ(M().liveBlocks, 0);
    EXPECT_EQ(Mode(), sprox::SM_UNSTARTED);

    EXPECT_EQ(SX_WaveInit(nullptr, Window()), 1);
    EXPECT_EQ(Mode(), sprox::SM_DIRECTSOUND);
    EXPECT_EQ(S().liveObjects, 1);
}

TEST(SoundRelease, ReleaseWithoutStartOrWavesTouchesNothing)
{
    SX_ReleaseAll();
    EXPECT_TRUE(S().calls.empty());
    StartSystem();
    size_t mark = S().calls.size();
    SX_ReleaseAll();
    EXPECT_TRUE(S().CallsSince(mark).empty());
    EXPECT_EQ(Mode(), sprox::SM_UNSTARTED);
}
