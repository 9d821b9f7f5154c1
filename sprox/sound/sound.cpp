#include "sprox/sound/sound.h"

#include <cstring>

#include "sprox/sound/state.h"
#include "sprox/sound/wave.h"
#include "sprox/sys/machine.h"

namespace sprox {

SoundState gSound = [] {
    SoundState s{};
    for (MixChannel& channel : s.channels) {
        channel = {-1, 0};
    }
    return s;
}();

sys::Sound& Snd()
{
    return *sys::M().sound();
}

namespace {

constexpr uint32_t kNoOpenFileErrorBox = 0x8000;

// DirectSound on the given window, with the primary buffer asked for. False
// (and nothing kept) when DSOUND.DLL, its entry point or the object is missing.
bool StartDirectSound(sys::Machine& m, sys::Sound& snd, SxWindow window)
{
    void* library = m.LoadModule("DSOUND.DLL");
    if (library == nullptr) {
        return false;
    }
    void* create = m.FindEntry(library, "DirectSoundCreate");
    sys::DsObject ds = nullptr;
    if (create == nullptr || snd.DirectSoundCreate(create, &ds) < 0 || ds == nullptr) {
        m.FreeModule(library);
        return false;
    }
    gSound.library = library;
    gSound.directSound = ds;
    snd.DsSetCooperativeLevel(ds, window, sys::kDsSclNormal);
    sys::DsBufferDesc desc{20, sys::kDsbCapsPrimaryBuffer, 0, 0, nullptr, 0};
    gSound.primary = nullptr;
    snd.DsCreateSoundBuffer(ds, desc, &gSound.primary);
    return true;
}

// The entry points the mixer is driven through; "GetInfo", "ConfigureInit" and
// "Pump" are only looked up.
bool HasUsedMixEntries()
{
    for (int i = 0; i < kMixEntryCount; ++i) {
        bool lookedUpOnly = i == kMixGetInfo || i == kMixConfigureInit || i == kMixPump;
        if (!lookedUpOnly && gSound.mixEntries[i] == nullptr) {
            return false;
        }
    }
    return true;
}

// Opens the WaveMix session on the loaded library; false (library freed) when
// the library lacks an entry point the mixer is driven through or the session
// cannot be opened.
bool StartWaveMix(sys::Machine& m, sys::Sound& snd)
{
    for (MixChannel& channel : gSound.channels) {
        channel = {-1, 0};
    }
    for (int i = 0; i < kMixEntryCount; ++i) {
        gSound.mixEntries[i] = m.FindEntry(gSound.library, kMixEntryNames[i]);
    }
    gSound.session = HasUsedMixEntries() ? snd.WaveMixInit(gSound.mixEntries[kMixInit]) : 0;
    if (gSound.session == 0) {
        m.FreeModule(gSound.library);
        gSound.library = nullptr;
        return false;
    }
    return true;
}

} // namespace

int SoundStart(SxModule module, SxWindow window)
{
    if (gSound.mode != SM_UNSTARTED) {
        return gSound.mode;
    }
    if (gSound.module == nullptr) {
        gSound.module = module;
    }
    sys::Machine& m = sys::M();
    sys::Sound* snd = m.sound();
    if (snd == nullptr) {
        // A machine without any sound facility has no wave-out device either.
        gSound.mode = SM_NODEVICE;
        return gSound.mode;
    }

    uint32_t previousErrorMode = m.SetErrorMode(kNoOpenFileErrorBox);
    gSound.channels[0].slot = -1;
    gSound.mode = SM_SYSTEM;
    if (window != nullptr && StartDirectSound(m, *snd, window)) {
        gSound.mode = SM_DIRECTSOUND;
    }
    if (gSound.mode == SM_SYSTEM) {
        gSound.library = m.LoadModule("WavMix32.dll");
        if (gSound.library != nullptr) {
            gSound.mode = SM_WAVEMIX;
        } else if (snd->WaveOutGetNumDevs() == 0) {
            gSound.mode = SM_NODEVICE;
        }
    }
    m.SetErrorMode(previousErrorMode);

    if (gSound.mode == SM_WAVEMIX && !StartWaveMix(m, *snd)) {
        gSound.mode = SM_SYSTEM;
    }
    std::memset(gSound.slots, 0, sizeof gSound.slots);
    gSound.activated = 0;
    return gSound.mode;
}

void SoundActivateOnce()
{
    if (gSound.activated == 1) {
        return;
    }
    if (gSound.mode == SM_WAVEMIX) {
        Snd().WaveMixOpenChannel(gSound.mixEntries[kMixOpenChannel], gSound.session,
                                 sys::kMixChannels, sys::kMixChannelCount);
        Snd().WaveMixActivate(gSound.mixEntries[kMixActivate], gSound.session, true);
    }
    gSound.activated = 1;
}

void SoundActivate(int flag)
{
    if (gSound.activated == 0) {
        SoundActivateOnce();
    }
    if (gSound.mode == SM_WAVEMIX) {
        Snd().WaveMixActivate(gSound.mixEntries[kMixActivate], gSound.session, flag != 0);
    } else if (gSound.mode == SM_SYSTEM) {
        // A looping wave comes back when the game does; the player's slot is kept
        // while the game is away.
        const MixChannel& player = gSound.channels[0];
        if (flag != 0 && player.slot >= 0 && player.loops != 0) {
            WavePlay(player.slot, 1);
        } else {
            Snd().SndPlaySound(nullptr, 0, 0);
        }
    }
}

void SoundRelease()
{
    sys::Machine& m = sys::M();
    if (gSound.wavesLoaded) {
        SproxWaveFreeAll();
    }
    if (gSound.mode == SM_WAVEMIX) {
        Snd().WaveMixCloseSession(gSound.mixEntries[kMixCloseSession], gSound.session);
        gSound.session = 0;
        m.FreeModule(gSound.library);
        gSound.library = nullptr;
    } else if (gSound.mode == SM_DIRECTSOUND) {
        if (gSound.primary != nullptr) {
            Snd().BufferRelease(gSound.primary);
            gSound.primary = nullptr;
        }
        Snd().DsRelease(gSound.directSound);
        gSound.directSound = nullptr;
        m.FreeModule(gSound.library);
        gSound.library = nullptr;
    }
    gSound.mode = SM_UNSTARTED;
}

} // namespace sprox
