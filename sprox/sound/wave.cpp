// Loading and freeing waves. What a slot holds depends on the mode: the file
// image for the system player; a mixer wave for WaveMix; the image and up to
// four DirectSound buffers sharing one copy of the samples for DirectSound.
#include "sprox/sound/wave.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "sprox/core/debug.h"
#include "sprox/core/report.h"
#include "sprox/core/wholefile.h"
#include "sprox/sound/waveimage.h"

namespace sprox {
namespace {

constexpr int kMixSlotState = 8;
constexpr uint32_t kBufferFlags = sys::kDsbCapsStatic | sys::kDsbCapsCtrlFrequency |
                                  sys::kDsbCapsCtrlPan | sys::kDsbCapsCtrlVolume;

bool ValidSlot(int slot)
{
    return slot >= 0 && slot < kWaveSlots;
}

bool AnySlotInUse()
{
    return std::any_of(std::begin(gSound.slots), std::end(gSound.slots),
                       [](const WaveSlot& s) { return s.state != 0; });
}

// The wave's DirectSound buffers: its image parsed, one buffer made and filled,
// then up to three duplicates. Leaves the slot free, with nothing kept, when no
// buffer could be made.
void LoadDirectSoundWave(WaveSlot& w, const char* name)
{
    sys::Sound& snd = Snd();
    w.image = ReadWholeFile(name, &w.imageSize);
    if (w.image == nullptr) {
        return;
    }
    WaveImageParts parts{};
    sys::DsBuffer buffer = nullptr;
    bool made = false;
    const char* fault = "";
    if (!ParseWaveImage(w.image, w.imageSize, &parts, &fault)) {
        Diag("SX_WaveOpen", "%s: %s; the slot stays empty", name, fault);
    } else {
        sys::DsBufferDesc desc{20, kBufferFlags, parts.sampleSize, 0, parts.format, parts.formatSize};
        made = snd.DsCreateSoundBuffer(gSound.directSound, desc, &buffer) >= 0 && buffer != nullptr;
        if (!made) {
            Diag("SX_WaveOpen",
                 "%s: the sound device refused its format (tag %u, %u channels, %lu Hz, %u bits) "
                 "or its %lu bytes of samples; the slot stays empty",
                 name, parts.format[0] | parts.format[1] << 8, parts.format[2] | parts.format[3] << 8,
                 static_cast<unsigned long>(parts.format[4] | parts.format[5] << 8 |
                                            parts.format[6] << 16 | static_cast<uint32_t>(parts.format[7]) << 24),
                 parts.formatSize >= 16 ? parts.format[14] | parts.format[15] << 8 : 0u,
                 static_cast<unsigned long>(parts.sampleSize));
        }
    }
    if (made && !FillSoundBuffer(buffer, parts.samples, parts.sampleSize)) {
        snd.BufferRelease(buffer);
        made = false;
    }
    if (!made) {
        FreeWholeFile(w.image);
        w.image = nullptr;
        return;
    }
    w.buffers[0] = buffer;
    w.state = 1;
    for (int i = 1; i < kWaveBuffers; ++i) {
        sys::DsBuffer copy = nullptr;
        if (snd.DsDuplicateSoundBuffer(gSound.directSound, buffer, &copy) >= 0 && copy != nullptr) {
            w.buffers[w.state++] = copy;
        }
    }
}

// Frees what the slot holds; in WaveMix mode a failing free is reported with
// the given text. The slot is free afterwards.
void FreeSlot(int slot, const char* mixFreeWhere)
{
    WaveSlot& w = gSound.slots[slot];
    sys::Sound& snd = Snd();
    switch (gSound.mode) {
    case SM_SYSTEM:
        snd.SndPlaySound(nullptr, 0, 0);
        gSound.channels[0].slot = -1;
        FreeWholeFile(w.image);
        w.image = nullptr;
        break;
    case SM_WAVEMIX:
        if (snd.WaveMixFreeWave(gSound.mixEntries[kMixFreeWave], gSound.session, w.mixWave) != 0) {
            Report(kInvalidHandle, mixFreeWhere);
        }
        w.mixWave = 0;
        break;
    case SM_DIRECTSOUND:
        for (int i = 0; i < w.state && i < kWaveBuffers; ++i) {
            snd.BufferStop(w.buffers[i]);
            snd.BufferRelease(w.buffers[i]);
            w.buffers[i] = nullptr;
        }
        FreeWholeFile(w.image);
        w.image = nullptr;
        break;
    default:
        break;
    }
    w.state = 0;
}

} // namespace

int WaveSlotInUse(int slot)
{
    return ValidSlot(slot) ? gSound.slots[slot].state : 0;
}

int FillSoundBuffer(sys::DsBuffer buffer, const unsigned char* data, uint32_t size)
{
    if (buffer == nullptr || data == nullptr || size == 0) {
        return 0;
    }
    void* region1 = nullptr;
    void* region2 = nullptr;
    uint32_t length1 = 0;
    uint32_t length2 = 0;
    if (Snd().BufferLock(buffer, 0, size, &region1, &length1, &region2, &length2, 0) < 0) {
        return 0;
    }
    // Never more than the samples given, whatever lengths the regions claim.
    uint32_t first = std::min(length1, size);
    if (region1 != nullptr) {
        std::memcpy(region1, data, first);
    }
    if (region2 != nullptr) {
        std::memcpy(region2, data + first, std::min(length2, size - first));
    }
    Snd().BufferUnlock(buffer, region1, length1, region2, length2);
    return 1;
}

int WaveLoad(const char* name, int slot)
{
    if (gSound.mode == SM_NODEVICE || gSound.mode == SM_UNSTARTED) {
        return 0;
    }
    if (!ValidSlot(slot) || gSound.slots[slot].state != 0) {
        return 0;
    }
    if (gSound.module == nullptr) {
        gSound.module = static_cast<SxModule>(Snd().GameModule());
    }
    WaveSlot& w = gSound.slots[slot];
    w.pan = 0;
    w.volume = 0;
    switch (gSound.mode) {
    case SM_SYSTEM:
        w.image = ReadWholeFile(name, &w.imageSize);
        if (w.image != nullptr) {
            w.state = 1;
        }
        break;
    case SM_WAVEMIX:
        w.mixWave = Snd().WaveMixOpenWave(gSound.mixEntries[kMixOpenWave], gSound.session, name,
                                          gSound.module, sys::kMixOpenFromFile);
        if (w.mixWave != 0) {
            w.state = kMixSlotState;
        }
        break;
    case SM_DIRECTSOUND:
        LoadDirectSoundWave(w, name);
        break;
    default:
        break;
    }
    gSound.wavesLoaded = true;
    return 1;
}

void SproxFreeWave(int slot)
{
    if (WaveSlotInUse(slot) == 0) {
        return;
    }
    if (gSound.mode == SM_WAVEMIX) {
        WaveStop(slot);
    }
    FreeSlot(slot, "SproxFreeWave - WaveMixFreeWave");
    if (!AnySlotInUse()) {
        if (gSound.mode == SM_WAVEMIX &&
            Snd().WaveMixCloseChannel(gSound.mixEntries[kMixCloseChannel], gSound.session, 0,
                                      sys::kMixChannelAll) != 0) {
            Report(kInvalidHandle, "SproxFreeWave - WaveMixCloseChannel");
        }
        gSound.wavesLoaded = false;
        gSound.activated = 0;
    }
}

void SproxWaveFreeAll()
{
    if (gSound.mode == SM_SYSTEM) {
        Snd().SndPlaySound(nullptr, 0, 0);
        gSound.channels[0].slot = -1;
    } else if (gSound.mode == SM_WAVEMIX) {
        if (Snd().WaveMixCloseChannel(gSound.mixEntries[kMixCloseChannel], gSound.session, 0,
                                      sys::kMixChannelAll) != 0) {
            Report(kInvalidHandle, "SproxWaveFreeAll - WaveMixCloseChannel");
        }
        for (MixChannel& channel : gSound.channels) {
            channel = {-1, 0};
        }
    }
    for (int slot = 0; slot < kWaveSlots; ++slot) {
        if (gSound.slots[slot].state != 0) {
            FreeSlot(slot, "SproxWaveFreeAll - WaveMixFreeWave");
        }
    }
    gSound.wavesLoaded = false;
}

} // namespace sprox
