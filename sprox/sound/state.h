// The process-wide sound state: the player chosen at start-up, the WaveMix
// session and channels, the system player's record and the 32 wave slots.
// Plain static data, used from the game's thread only.
#pragma once

#include <cstdint>

#include "sprox.h"
#include "sprox/sys/sound.h"

namespace sprox {

// Sound modes.
inline constexpr int SM_UNSTARTED = 0;
inline constexpr int SM_NODEVICE = -1;
inline constexpr int SM_SYSTEM = 1;
inline constexpr int SM_WAVEMIX = 2;
inline constexpr int SM_DIRECTSOUND = 3;

inline constexpr int kWaveSlots = 32;
inline constexpr int kWaveBuffers = 4;

// The WaveMix entry points, in the order they are looked up.
enum MixEntry {
    kMixGetInfo,
    kMixInit,
    kMixConfigureInit,
    kMixActivate,
    kMixOpenWave,
    kMixOpenChannel,
    kMixPlay,
    kMixFlushChannel,
    kMixCloseChannel,
    kMixFreeWave,
    kMixCloseSession,
    kMixPump,
    kMixEntryCount
};

inline constexpr const char* kMixEntryNames[kMixEntryCount] = {
    "WaveMixGetInfo",     "WaveMixInit",         "WaveMixConfigureInit", "WaveMixActivate",
    "WaveMixOpenWave",    "WaveMixOpenChannel",  "WaveMixPlay",          "WaveMixFlushChannel",
    "WaveMixCloseChannel", "WaveMixFreeWave",    "WaveMixCloseSession",  "WaveMixPump",
};

// A WaveMix channel: the wave slot it plays (-1 none) and whether it loops. In
// the system player's mode the first record is the player's: the slot it plays
// and whether that slot loops.
struct MixChannel {
    int32_t slot;
    int32_t loops;
};

// One wave slot. state: 0 free; 1 (system player), 8 (WaveMix) or the number of
// DirectSound buffers made (1 to 4) when in use.
struct WaveSlot {
    int32_t state;
    unsigned char* image;       // the whole file (system player, DirectSound)
    long imageSize;
    sys::MixWave mixWave;       // WaveMix
    int32_t pan;
    int32_t volume;
    int32_t nextBuffer;         // DirectSound buffer of the next play
    sys::DsBuffer buffers[kWaveBuffers];
};

struct SoundState {
    int mode;
    SxModule module;            // handed to WaveMixOpenWave
    void* library;              // DSOUND.DLL or WavMix32.dll
    sys::DsObject directSound;
    sys::DsBuffer primary;      // the primary buffer asked for at start-up
    sys::MixSession session;
    void* mixEntries[kMixEntryCount];
    int activated;
    bool wavesLoaded;
    int channelCursor;
    MixChannel channels[sys::kMixChannels];
    WaveSlot slots[kWaveSlots];
};

extern SoundState gSound;

// The machine's sound facility; every caller has checked the mode first, and a
// mode other than unstarted or no-device is only reached with a facility.
sys::Sound& Snd();

} // namespace sprox
