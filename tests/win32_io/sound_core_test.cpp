// The sound core on the Windows machine: which player it ends with on a machine
// without a sound device, on Wine's ALSA null device with and without a window,
// and with a stand-in WavMix32.dll, and what it makes that player do.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "windows_headers.h"

#include "io_machine.h"
#include "sprox.h"
#include "sprox/sound/state.h"
#include "sprox/sound/wave.h"
#include "sprox/sys/win32/win32_sound.h"
#include "support.h"

namespace {

bool Has(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

// A wave file in the current folder, removed at the end of the test.
struct WaveFile {
    explicit WaveFile(const std::string& n) : name(n) { io::WriteFile(name, io::WaveImage(2000)); }
    ~WaveFile() { ::DeleteFileA(name.c_str()); }
    std::string name;
};

SxWindow Window() { return reinterpret_cast<SxWindow>(::GetDesktopWindow()); }

using NoDeviceSoundCore = io::WithoutSoundDevice;

TEST_F(NoDeviceSoundCore, TriesDirectSoundAndWaveMixThenSwitchesSoundOff)
{
    WaveFile wave("nodevice.wav");
    EXPECT_EQ(0, SX_WaveInit(nullptr, Window()));
    EXPECT_EQ(sprox::SM_NODEVICE, sprox::gSound.mode);
    EXPECT_TRUE(Has(io::Log().loaded, "DSOUND.DLL"));
    EXPECT_TRUE(Has(io::Log().freed, "DSOUND.DLL"));
    EXPECT_TRUE(Has(io::Log().missing, "WavMix32.dll"));

    // Sound stays off: a second start tries nothing, a wave loads into nothing.
    size_t probes = io::Log().loaded.size() + io::Log().missing.size();
    EXPECT_EQ(0, SX_WaveInit(nullptr, Window()));
    EXPECT_EQ(probes, io::Log().loaded.size() + io::Log().missing.size());
    EXPECT_EQ(0, SX_WaveOpen(wave.name.c_str()));
    EXPECT_EQ(-1, SX_WavePlayEx(0, 0));
    EXPECT_TRUE(io::Log().boxes.empty());
}

using NullDeviceSoundCore = io::WithSoundDevice;

TEST_F(NullDeviceSoundCore, WithAWindowPlaysThroughFourDirectSoundBuffers)
{
    WaveFile wave("directsound.wav");
    ASSERT_EQ(1, SX_WaveInit(nullptr, Window()));
    ASSERT_EQ(sprox::SM_DIRECTSOUND, sprox::gSound.mode);
    EXPECT_NE(nullptr, sprox::gSound.primary);

    ASSERT_EQ(0, SX_WaveOpen(wave.name.c_str()));
    ASSERT_EQ(4, sprox::WaveSlotInUse(0));
    for (int expected : {0, 1, 2, 3, 0}) {
        EXPECT_EQ(expected, SX_WavePlayEx(0, 1));
    }
    const sprox::WaveSlot& slot = sprox::gSound.slots[0];
    for (int i = 0; i < 4; ++i) {
        DWORD status = 0;
        ASSERT_EQ(DS_OK, static_cast<IDirectSoundBuffer*>(slot.buffers[i])->GetStatus(&status));
        EXPECT_EQ(static_cast<DWORD>(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING),
                  status & (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING)) << i;
    }

    EXPECT_EQ(1, SX_WaveSetState(0, 2500, -2000));
    for (int i = 0; i < 4; ++i) {
        LONG volume = 0;
        ASSERT_EQ(DS_OK, static_cast<IDirectSoundBuffer*>(slot.buffers[i])->GetVolume(&volume));
        EXPECT_EQ(-2000, volume) << i;
    }

    SX_WaveFree(0);
    EXPECT_EQ(0, sprox::WaveSlotInUse(0));
    SX_ReleaseAll();
    EXPECT_EQ(sprox::SM_UNSTARTED, sprox::gSound.mode);
    EXPECT_TRUE(Has(io::Log().freed, "DSOUND.DLL"));
    EXPECT_TRUE(io::Log().boxes.empty());
}

TEST_F(NullDeviceSoundCore, WithoutAWindowPlaysThroughTheSystemPlayer)
{
    WaveFile wave("system.wav");
    ASSERT_EQ(1, SX_WaveInit(nullptr, nullptr));
    EXPECT_EQ(sprox::SM_SYSTEM, sprox::gSound.mode);
    EXPECT_FALSE(Has(io::Log().loaded, "DSOUND.DLL"));
    EXPECT_TRUE(Has(io::Log().missing, "WavMix32.dll"));

    ASSERT_EQ(0, SX_WaveOpen(wave.name.c_str()));
    EXPECT_EQ(1, sprox::WaveSlotInUse(0));
    EXPECT_EQ(0, SX_WavePlayEx(0, 1));
    SX_WaveActivate(0);
    SX_WaveActivate(1);
    SX_ReleaseAll();
    EXPECT_EQ(0, sprox::WaveSlotInUse(0));
    EXPECT_TRUE(io::Log().boxes.empty());
}

// The stand-in mixer of standin/, built as mixer\WavMix32.dll beside the test
// program; its log holds one line per call with the arguments it received.
std::string StandInLog(HMODULE mixer)
{
    using LogFn = const char*(WINAPI*)();
    auto log = reinterpret_cast<LogFn>(reinterpret_cast<void*>(::GetProcAddress(mixer, "StandInLog")));
    return log != nullptr ? log() : "(no stand-in log)";
}

// The log line of a play: the size of the mixer's record (its two handles and the
// window are pointer-wide) and the rest.
std::string PlayLine(const char* rest) { return "Play " + std::to_string(12 + 3 * sizeof(void*)) + " " + rest + "\n"; }

TEST(WaveMixStandIn, FacilityHandsEveryArgumentOverAndEveryResultBack)
{
    HMODULE mixer = ::LoadLibraryA((io::ProgramFolder() + "mixer\\WavMix32.dll").c_str());
    ASSERT_NE(nullptr, mixer) << "build the stand-in mixer first";
    auto entry = [&](const char* name) { return reinterpret_cast<void*>(::GetProcAddress(mixer, name)); };
    sys::Sound* snd = sys::Win32Sound();

    // A 32-bit process carries the mixer's own handles; a 64-bit one numbers them.
    sys::MixSession session = snd->WaveMixInit(entry("WaveMixInit"));
    ASSERT_EQ(sizeof(void*) == 4 ? 0x5E55u : 1u, session);
    EXPECT_EQ(0u, snd->WaveMixActivate(entry("WaveMixActivate"), session, true));
    sys::MixWave wave = snd->WaveMixOpenWave(entry("WaveMixOpenWave"), session, "boom.wav",
                                             ::GetModuleHandleA(nullptr), sys::kMixOpenFromFile);
    ASSERT_NE(0u, wave);
    EXPECT_EQ(0u, snd->WaveMixOpenChannel(entry("WaveMixOpenChannel"), session, 8, sys::kMixChannelCount));
    const uint8_t record[sys::kMixPlayRecordSize] = {
        24, 0,  static_cast<uint8_t>(session), static_cast<uint8_t>(session >> 8), 0, 0,  3, 0, 0, 0,
        static_cast<uint8_t>(wave), static_cast<uint8_t>(wave >> 8), static_cast<uint8_t>(wave >> 16),
        static_cast<uint8_t>(wave >> 24),  0, 0, 0, 0,  4, 0, 0, 0,  0xFF, 0xFF};
    EXPECT_EQ(0u, snd->WaveMixPlay(entry("WaveMixPlay"), record));
    EXPECT_EQ(0u, snd->WaveMixFlushChannel(entry("WaveMixFlushChannel"), session, 3, sys::kMixFlushStop));
    EXPECT_EQ(0u, snd->WaveMixCloseChannel(entry("WaveMixCloseChannel"), session, 0, sys::kMixChannelAll));
    EXPECT_EQ(0u, snd->WaveMixFreeWave(entry("WaveMixFreeWave"), session, wave));
    EXPECT_EQ(5u, snd->WaveMixCloseSession(entry("WaveMixCloseSession"), 77));
    EXPECT_EQ(0u, snd->WaveMixCloseSession(entry("WaveMixCloseSession"), session));

    EXPECT_EQ("Init\n"
              "Activate 5e55 1\n"
              "OpenWave 5e55 boom.wav exe 1\n"
              "OpenChannel 5e55 8 2\n"
              + PlayLine("5e55 3 0 0 4 65535") +
              "FlushChannel 5e55 3 0\n"
              "CloseChannel 5e55 0 1\n"
              "FreeWave 5e55 0\n"
              + std::string(sizeof(void*) == 4 ? "CloseSession 4d\n" : "CloseSession 0\n") +  // 77 names no session
              "CloseSession 5e55\n",
              StandInLog(mixer));
    ::FreeLibrary(mixer);
}

TEST(WaveMixStandIn, CoreChoosesTheMixerAndDrivesItsChannels)
{
    ASSERT_TRUE(::SetDllDirectoryA((io::ProgramFolder() + "mixer").c_str()));
    // Held here as well, so that its log can be read after the core frees it.
    HMODULE mixer = ::LoadLibraryA("WavMix32.dll");
    ASSERT_NE(nullptr, mixer) << "build the stand-in mixer first";
    ASSERT_EQ(1, SX_WaveInit(nullptr, nullptr));
    ASSERT_EQ(sprox::SM_WAVEMIX, sprox::gSound.mode);

    ASSERT_EQ(0, SX_WaveOpen("any.wav"));
    EXPECT_EQ(0, SX_WavePlayEx(0, 1));
    EXPECT_EQ(1, SX_WavePlayEx(0, 0));
    SX_WaveFree(0);
    SX_ReleaseAll();

    EXPECT_EQ("Init\n"
              "OpenWave 5e55 any.wav exe 1\n"
              "OpenChannel 5e55 8 2\n"
              "Activate 5e55 1\n"
              "FlushChannel 5e55 0 2\n"
              + PlayLine("5e55 0 0 0 4 65535") +
              "FlushChannel 5e55 1 2\n"
              + PlayLine("5e55 1 0 0 4 0") +
              "FlushChannel 5e55 0 0\n"
              "FlushChannel 5e55 1 0\n"
              "FreeWave 5e55 0\n"
              "CloseChannel 5e55 0 1\n"
              "CloseSession 5e55\n",
              StandInLog(mixer));
    EXPECT_TRUE(Has(io::Log().freed, "WavMix32.dll"));
    EXPECT_TRUE(io::Log().boxes.empty());
    ::FreeLibrary(mixer);
}

} // namespace
