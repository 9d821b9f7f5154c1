// The three players of the Linux machine on SDL2_mixer, with SDL's dummy audio
// driver (no sound card needed), and the machine without any audio driver.
#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "sound/wav_builder.h"
#include "sprox.h"
#include "sprox/sound/state.h"
#include "sprox/sound/wave.h"
#include "sprox/sys/machine.h"
#include "sprox/sys/sdl/sdl_sound.h"

using wavtest::Bytes;

namespace {

sys::SdlSound& Snd() { return sys::TheSdlSound(); }

SxWindow Window()
{
    static int window;
    return reinterpret_cast<SxWindow>(&window);
}

bool AudioInitialised() { return SDL_WasInit(SDL_INIT_AUDIO) != 0; }

// A second of 16-bit stereo samples (a quiet square wave) at 22050 Hz.
Bytes StereoWave()
{
    Bytes samples;
    for (int i = 0; i < 22050; ++i) {
        int16_t v = (i / 50) % 2 ? 1000 : -1000;
        for (int c = 0; c < 2; ++c) {
            wavtest::Put16(samples, static_cast<uint16_t>(v));
        }
    }
    return wavtest::Riff({wavtest::Chunk("fmt ", wavtest::Format(2, 22050, 16)), wavtest::Chunk("data", samples)});
}

// The format block of a wave with the given tag, channels and bits.
Bytes FormatBlock(uint16_t tag, uint16_t channels, uint16_t bits, size_t size = 16)
{
    Bytes f = wavtest::Format(channels, 8000, bits, size);
    f[0] = static_cast<uint8_t>(tag);
    return f;
}

class SdlSoundTest : public testing::Test {
protected:
    void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
};

class NoAudioDriver : public testing::Test {
protected:
    void SetUp() override { setenv("SDL_AUDIODRIVER", "no-such-driver", 1); }
};

} // namespace

TEST(SdlSoundConversion, VolumeInHundredthsOfADecibelBecomesAMixerVolume)
{
    EXPECT_EQ(sys::DsVolumeToMixer(0), MIX_MAX_VOLUME);
    EXPECT_EQ(sys::DsVolumeToMixer(-600), 64);    // -6 dB: about half
    EXPECT_EQ(sys::DsVolumeToMixer(-2000), 13);   // -20 dB: a tenth
    EXPECT_EQ(sys::DsVolumeToMixer(-10000), 0);
    EXPECT_EQ(sys::DsVolumeToMixer(500), MIX_MAX_VOLUME);
    EXPECT_EQ(sys::DsVolumeToMixer(-20000), 0);
    for (int v = -10000; v < 0; v += 100) {
        EXPECT_LE(sys::DsVolumeToMixer(v), sys::DsVolumeToMixer(v + 100)) << v;
    }
}

TEST(SdlSoundConversion, PanAttenuatesTheOtherSide)
{
    uint8_t left = 0, right = 0;
    sys::DsPanToMixer(0, &left, &right);
    EXPECT_EQ(left, 255);
    EXPECT_EQ(right, 255);
    sys::DsPanToMixer(-10000, &left, &right);
    EXPECT_EQ(left, 255);
    EXPECT_EQ(right, 0);
    sys::DsPanToMixer(10000, &left, &right);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 255);
    sys::DsPanToMixer(-600, &left, &right);
    EXPECT_EQ(left, 255);
    EXPECT_EQ(right, 128);
    sys::DsPanToMixer(2000, &left, &right);
    EXPECT_EQ(left, 26);
    EXPECT_EQ(right, 255);
    sys::DsPanToMixer(99999, &left, &right);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 255);
}

TEST_F(NoAudioDriver, TheMachineHasNoDeviceAndSoundStaysOff)
{
    EXPECT_EQ(sys::M().sound()->WaveOutGetNumDevs(), 0u);
    EXPECT_EQ(sys::M().LoadModule("WavMix32.dll"), nullptr);
    EXPECT_EQ(SX_WaveInit(nullptr, Window()), 0);
    EXPECT_EQ(sprox::gSound.mode, sprox::SM_NODEVICE);
    std::string name = wavtest::WriteFile(StereoWave());
    EXPECT_EQ(SX_WaveOpen(name.c_str()), 0);
    EXPECT_EQ(SX_WavePlayEx(0, 0), -1);
    EXPECT_FALSE(AudioInitialised());
}

TEST_F(SdlSoundTest, AudioOpensOnlyWithTheFirstSoundCallAndClosesAtRelease)
{
    EXPECT_EQ(SX_GetStructSize(), static_cast<int>(sizeof(SproxContext)));
    EXPECT_FALSE(AudioInitialised());
    ASSERT_EQ(SX_WaveInit(nullptr, nullptr), 1);
    EXPECT_TRUE(AudioInitialised());
    SX_ReleaseAll();
    EXPECT_FALSE(AudioInitialised());
}

TEST_F(SdlSoundTest, DirectSoundOnAWindowLoadsLoopsSetsVolumeAndStops)
{
    ASSERT_EQ(SX_WaveInit(nullptr, Window()), 1);
    ASSERT_EQ(sprox::gSound.mode, sprox::SM_DIRECTSOUND);
    std::string name = wavtest::WriteFile(StereoWave());
    ASSERT_EQ(SX_WaveOpen(name.c_str()), 0);
    ASSERT_EQ(sprox::WaveSlotInUse(0), 4);
    const sprox::WaveSlot& w = sprox::gSound.slots[0];

    EXPECT_EQ(SX_WavePlayEx(0, 1), 0);
    uint32_t status = 0;
    ASSERT_EQ(Snd().BufferGetStatus(w.buffers[0], &status), sys::kDsOk);
    EXPECT_EQ(status, sys::kDsbStatusPlaying | sys::kDsbStatusLooping);
    int channel = Snd().ChannelOf(w.buffers[0]);
    ASSERT_GE(channel, sys::kFirstBufferChannel);
    EXPECT_NE(Mix_Playing(channel), 0);

    // The volume reaches every buffer's channel at once.
    EXPECT_EQ(SX_WaveSetState(0, 10000, -600), 1);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Mix_Volume(Snd().ChannelOf(w.buffers[i]), -1), 64) << i;
    }
    // A second play uses the next buffer, on its own channel.
    EXPECT_EQ(SX_WavePlayEx(0, 1), 1);
    EXPECT_NE(Mix_Playing(Snd().ChannelOf(w.buffers[1])), 0);

    SX_WaveFree(0);
    EXPECT_EQ(Mix_Playing(channel), 0);
    SX_ReleaseAll();
    EXPECT_FALSE(AudioInitialised());
}

TEST_F(SdlSoundTest, DirectSoundPlaysTheFormatsTheMixerConverts)
{
    ASSERT_EQ(SX_WaveInit(nullptr, Window()), 1);
    Bytes pcm8 = wavtest::Wave(wavtest::Samples(4000));
    Bytes floats;
    for (int i = 0; i < 4000; ++i) {
        wavtest::Put32(floats, 0);
    }
    Bytes float32 = wavtest::Riff({wavtest::Chunk("fmt ", FormatBlock(3, 1, 32)), wavtest::Chunk("data", floats)});
    Bytes short14 = wavtest::Riff({wavtest::Chunk("fmt ", wavtest::Format(1, 8000, 16, 14)),
                                   wavtest::Chunk("data", wavtest::Samples(4000))});
    int slot = 0;
    for (const Bytes& file : {pcm8, float32, short14, StereoWave()}) {
        std::string name = wavtest::WriteFile(file);
        ASSERT_EQ(SX_WaveOpen(name.c_str()), slot);
        ASSERT_EQ(sprox::WaveSlotInUse(slot), 4) << slot;
        EXPECT_EQ(SX_WavePlayEx(slot, 1), 0);
        EXPECT_NE(Mix_Playing(Snd().ChannelOf(sprox::gSound.slots[slot].buffers[0])), 0) << slot;
        ++slot;
    }
    // 24-bit samples and compressed formats are refused: the slot stays free.
    Bytes pcm24 = wavtest::Riff({wavtest::Chunk("fmt ", FormatBlock(1, 1, 24)),
                                 wavtest::Chunk("data", wavtest::Samples(3000))});
    Bytes adpcm = wavtest::Riff({wavtest::Chunk("fmt ", FormatBlock(2, 1, 4)),
                                 wavtest::Chunk("data", wavtest::Samples(3000))});
    for (const Bytes& file : {pcm24, adpcm}) {
        std::string name = wavtest::WriteFile(file);
        ASSERT_EQ(SX_WaveOpen(name.c_str()), slot);
        EXPECT_EQ(sprox::WaveSlotInUse(slot), 0);
    }
    SX_ReleaseAll();
}

TEST_F(SdlSoundTest, DirectSoundBuffersCheckWhatTheyAreGiven)
{
    sys::DsObject ds = nullptr;
    ASSERT_EQ(Snd().DirectSoundCreate(nullptr, &ds), sys::kDsOk);
    Bytes format = wavtest::Format(1, 8000, 8);
    sys::DsBufferDesc desc{20, sys::kDsbCapsStatic, 100, 0, format.data(), static_cast<uint32_t>(format.size())};
    sys::DsBuffer b = nullptr;
    ASSERT_EQ(Snd().DsCreateSoundBuffer(ds, desc, &b), sys::kDsOk);

    // A lock past the end wraps round to the start.
    void* r1 = nullptr;
    void* r2 = nullptr;
    uint32_t l1 = 0, l2 = 0;
    ASSERT_EQ(Snd().BufferLock(b, 90, 30, &r1, &l1, &r2, &l2, 0), sys::kDsOk);
    EXPECT_EQ(l1, 10u);
    EXPECT_EQ(l2, 20u);
    EXPECT_EQ(static_cast<uint8_t*>(r1) - static_cast<uint8_t*>(r2), 90);
    EXPECT_EQ(Snd().BufferLock(b, 0, 101, &r1, &l1, &r2, &l2, 0), sys::kDsErrInvalidParam);
    EXPECT_EQ(Snd().BufferLock(b, 100, 1, &r1, &l1, &r2, &l2, 0), sys::kDsErrInvalidParam);

    EXPECT_EQ(Snd().BufferSetPan(b, 10001), sys::kDsErrInvalidParam);
    EXPECT_EQ(Snd().BufferSetPan(b, -10000), sys::kDsOk);
    EXPECT_EQ(Snd().BufferSetVolume(b, 1), sys::kDsErrInvalidParam);
    EXPECT_EQ(Snd().BufferSetCurrentPosition(b, 100), sys::kDsErrInvalidParam);
    EXPECT_EQ(Snd().BufferSetCurrentPosition(b, 50), sys::kDsOk);

    desc.bufferBytes = 3;
    sys::DsBuffer tiny = nullptr;
    EXPECT_EQ(Snd().DsCreateSoundBuffer(ds, desc, &tiny), sys::kDsErrInvalidParam);
    desc.bufferBytes = 100;
    desc.formatSize = 12;
    EXPECT_EQ(Snd().DsCreateSoundBuffer(ds, desc, &tiny), sys::kDsErrBadFormat);

    Snd().BufferRelease(b);
    uint32_t status = 0;
    EXPECT_EQ(Snd().BufferGetStatus(b, &status), sys::kDsErrInvalidParam);
    Snd().DsRelease(ds);
    EXPECT_FALSE(AudioInitialised());
}

TEST_F(SdlSoundTest, WaveMixChannelsPlayLoopPauseAndFree)
{
    ASSERT_EQ(SX_WaveInit(nullptr, nullptr), 1);
    ASSERT_EQ(sprox::gSound.mode, sprox::SM_WAVEMIX);
    std::string name = wavtest::WriteFile(StereoWave());
    ASSERT_EQ(SX_WaveOpen(name.c_str()), 0);
    ASSERT_EQ(SX_WaveOpen(name.c_str()), 1);
    EXPECT_EQ(sprox::WaveSlotInUse(0), 8);

    EXPECT_EQ(SX_WavePlayEx(0, 1), 0);
    EXPECT_EQ(SX_WavePlayEx(1, 1), 1);
    EXPECT_NE(Mix_Playing(sys::kWaveMixFirstChannel + 0), 0);
    EXPECT_NE(Mix_Playing(sys::kWaveMixFirstChannel + 1), 0);

    SX_WaveActivate(0);
    EXPECT_NE(Mix_Paused(sys::kWaveMixFirstChannel + 0), 0);
    SX_WaveActivate(1);
    EXPECT_EQ(Mix_Paused(sys::kWaveMixFirstChannel + 0), 0);

    SX_WaveFree(0);
    EXPECT_EQ(Mix_Playing(sys::kWaveMixFirstChannel + 0), 0);
    EXPECT_NE(Mix_Playing(sys::kWaveMixFirstChannel + 1), 0);
    // The last free closes the channels without a complaint from the mixer.
    SX_WaveFree(1);
    EXPECT_EQ(Mix_Playing(sys::kWaveMixFirstChannel + 1), 0);
    // Files the mixer cannot read leave the slot free.
    EXPECT_EQ(SX_WaveOpen("no-such-file.wav"), 0);
    EXPECT_EQ(sprox::WaveSlotInUse(0), 0);
    Bytes whole = StereoWave();
    std::string cut = wavtest::WriteFile(Bytes(whole.begin(), whole.begin() + 30));
    EXPECT_EQ(SX_WaveOpen(cut.c_str()), 0);
    EXPECT_EQ(sprox::WaveSlotInUse(0), 0);

    SX_ReleaseAll();
    EXPECT_FALSE(AudioInitialised());
}

TEST_F(SdlSoundTest, WaveMixRefusesChannelsThatAreNotOpen)
{
    sys::MixSession session = Snd().WaveMixInit(nullptr);
    ASSERT_NE(session, 0u);
    EXPECT_EQ(Snd().WaveMixInit(nullptr), 0u);  // one session at a time
    EXPECT_NE(Snd().WaveMixFlushChannel(nullptr, session, 0, sys::kMixFlushNow), 0u);
    EXPECT_EQ(Snd().WaveMixCloseChannel(nullptr, session, 0, sys::kMixChannelAll), 0u);
    EXPECT_EQ(Snd().WaveMixOpenChannel(nullptr, session, 3, sys::kMixChannelCount), 0u);
    EXPECT_EQ(Snd().WaveMixFlushChannel(nullptr, session, 2, sys::kMixFlushNow), 0u);
    EXPECT_NE(Snd().WaveMixFlushChannel(nullptr, session, 3, sys::kMixFlushNow), 0u);
    EXPECT_NE(Snd().WaveMixOpenChannel(nullptr, session, 9, sys::kMixChannelCount), 0u);
    EXPECT_NE(Snd().WaveMixFreeWave(nullptr, session, 1), 0u);
    EXPECT_NE(Snd().WaveMixCloseSession(nullptr, session + 1), 0u);
    EXPECT_EQ(Snd().WaveMixCloseSession(nullptr, session), 0u);
    EXPECT_FALSE(AudioInitialised());
}

TEST_F(SdlSoundTest, TheSystemPlayerPlaysOneImageFromMemory)
{
    Bytes image = StereoWave();
    const uint32_t loop = sys::kSndAsync | sys::kSndMemory | sys::kSndLoop;
    ASSERT_TRUE(Snd().SndPlaySound(image.data(), image.size(), loop));
    EXPECT_NE(Mix_Playing(sys::kSystemChannel), 0);
    // Only one at a time: a second replaces the first.
    ASSERT_TRUE(Snd().SndPlaySound(image.data(), image.size(), loop));
    EXPECT_NE(Mix_Playing(sys::kSystemChannel), 0);
    // Stopping leaves nothing held, so the device is given back.
    EXPECT_TRUE(Snd().SndPlaySound(nullptr, 0, 0));
    EXPECT_FALSE(AudioInitialised());

    // Not a wave, not in memory: nothing plays.
    Bytes junk(100, 0x55);
    EXPECT_FALSE(Snd().SndPlaySound(junk.data(), junk.size(), loop));
    EXPECT_FALSE(Snd().SndPlaySound("file.wav", 8, sys::kSndAsync));
    // Every truncation of a small image is read inside its bytes only (a mixer
    // session keeps the device open meanwhile).
    sys::MixSession session = Snd().WaveMixInit(nullptr);
    Bytes small = wavtest::Wave(wavtest::Samples(64));
    for (size_t n = 1; n < small.size(); ++n) {
        Bytes cut(small.begin(), small.begin() + static_cast<long>(n));
        Snd().SndPlaySound(cut.data(), cut.size(), sys::kSndAsync | sys::kSndMemory);
        Snd().SndPlaySound(nullptr, 0, 0);
    }
    Snd().WaveMixCloseSession(nullptr, session);
    EXPECT_FALSE(Snd().SndPlaySound(small.data(), 0, sys::kSndAsync | sys::kSndMemory));
}
