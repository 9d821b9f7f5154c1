// Playing, stopping, pan and volume of loaded waves.

#include "sprox/sound/sound.h"
#include "sprox/sound/wave.h"

namespace sprox {
namespace {

bool SlotInUse(int slot)
{
    return slot >= 0 && slot < kWaveSlots && gSound.slots[slot].state != 0;
}

void Put16(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void Put32(unsigned char* p, uint32_t v)
{
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

// From the cursor on, with wrap-around, the first channel that is silent or
// plays a one-shot wave; the cursor's own channel when all eight loop.
int ChooseMixChannel()
{
    for (int k = 0; k < sys::kMixChannels; ++k) {
        int channel = (gSound.channelCursor + k) % sys::kMixChannels;
        const MixChannel& c = gSound.channels[channel];
        if (c.slot == -1 || c.loops == 0) {
            return channel;
        }
    }
    return gSound.channelCursor;
}

int PlayOnMixer(int slot, bool loop)
{
    int channel = ChooseMixChannel();
    gSound.channelCursor = (channel + 1) % sys::kMixChannels;
    Snd().WaveMixFlushChannel(gSound.mixEntries[kMixFlushChannel], gSound.session, channel,
                              sys::kMixFlushNow);
    gSound.channels[channel].slot = -1;

    unsigned char record[sys::kMixPlayRecordSize];
    Put16(record + 0, sys::kMixPlayRecordSize);
    Put32(record + 2, gSound.session);
    Put32(record + 6, static_cast<uint32_t>(channel));
    Put32(record + 10, gSound.slots[slot].mixWave);
    Put32(record + 14, 0);
    Put32(record + 18, sys::kMixPlayReplace);
    Put16(record + 22, loop ? sys::kMixLoopForever : 0);
    Snd().WaveMixPlay(gSound.mixEntries[kMixPlay], record);

    gSound.channels[channel] = {slot, loop ? 1 : 0};
    return channel;
}

// The wave's buffers are used in turn; one still sounding starts over.
int PlayOnDirectSound(int slot, bool loop)
{
    WaveSlot& w = gSound.slots[slot];
    sys::Sound& snd = Snd();
    if (w.nextBuffer >= w.state || w.nextBuffer < 0) {
        w.nextBuffer = 0;
    }
    int i = w.nextBuffer++;
    sys::DsBuffer buffer = w.buffers[i];
    uint32_t status = 0;
    if (snd.BufferGetStatus(buffer, &status) < 0) {
        return i;
    }
    if (status & sys::kDsbStatusPlaying) {
        snd.BufferStop(buffer);
        snd.BufferSetCurrentPosition(buffer, 0);
    }
    snd.BufferSetPan(buffer, w.pan);
    snd.BufferSetVolume(buffer, w.volume);
    snd.BufferPlay(buffer, 0, 0, loop ? sys::kDsbPlayLooping : 0);
    return i;
}

bool DirectSoundSlot(int slot)
{
    return SlotInUse(slot) && gSound.mode == SM_DIRECTSOUND;
}

} // namespace

int WavePlay(int slot, int flags)
{
    if (gSound.activated == 0) {
        SoundActivateOnce();
    }
    if (!SlotInUse(slot)) {
        return -1;
    }
    bool loop = (flags & 1) != 0;
    switch (gSound.mode) {
    case SM_SYSTEM: {
        const WaveSlot& w = gSound.slots[slot];
        uint32_t how = sys::kSndAsync | sys::kSndMemory | (loop ? sys::kSndLoop : 0);
        Snd().SndPlaySound(w.image, static_cast<size_t>(w.imageSize), how);
        gSound.channels[0] = {slot, loop ? 1 : 0};
        return 0;
    }
    case SM_WAVEMIX:
        return PlayOnMixer(slot, loop);
    case SM_DIRECTSOUND:
        return PlayOnDirectSound(slot, loop);
    default:
        return 0;
    }
}

int WaveSetPan(int slot, int pan)
{
    if (!DirectSoundSlot(slot)) {
        return 0;
    }
    gSound.slots[slot].pan = pan;
    return 1;
}

int WaveSetVolume(int slot, int volume)
{
    if (!DirectSoundSlot(slot)) {
        return 0;
    }
    WaveSlot& w = gSound.slots[slot];
    w.volume = volume;
    for (int i = 0; i < w.state && i < kWaveBuffers; ++i) {
        Snd().BufferSetVolume(w.buffers[i], volume);
    }
    return 1;
}

void WaveStop(int slot)
{
    if (!SlotInUse(slot)) {
        return;
    }
    switch (gSound.mode) {
    case SM_SYSTEM:
        if (gSound.channels[0].slot == slot) {
            gSound.channels[0].slot = -1;
            Snd().SndPlaySound(nullptr, 0, 0);
        }
        break;
    case SM_WAVEMIX:
        for (int channel = 0; channel < sys::kMixChannels; ++channel) {
            if (gSound.channels[channel].slot == slot) {
                Snd().WaveMixFlushChannel(gSound.mixEntries[kMixFlushChannel], gSound.session,
                                          channel, sys::kMixFlushStop);
                gSound.channels[channel].slot = -1;
            }
        }
        break;
    case SM_DIRECTSOUND: {
        WaveSlot& w = gSound.slots[slot];
        for (int i = 0; i < w.state && i < kWaveBuffers; ++i) {
            Snd().BufferStop(w.buffers[i]);
            Snd().BufferSetCurrentPosition(w.buffers[i], 0);
        }
        break;
    }
    default:
        break;
    }
}

} // namespace sprox
