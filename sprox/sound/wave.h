// Wave slots: loading, playing, pan and volume, stopping and freeing waves.
#pragma once

#include "sprox/sound/state.h"

namespace sprox {

// The slot's state: 0 for a free slot and for a number outside 0 to 31.
int WaveSlotInUse(int slot);
// Loads the wave file into the free slot; whether it worked shows in the slot's
// state. 0 when sound is off or the slot is unusable, else 1.
int WaveLoad(const char* name, int slot);
// Copies size bytes of samples into the buffer through Lock and Unlock; 1 on
// success, 0 for a null buffer or data, a size of 0 or a failed Lock.
int FillSoundBuffer(sys::DsBuffer buffer, const unsigned char* data, uint32_t size);
// Plays the slot once, or looping with flags bit 0. -1 for a free or outside
// slot; else the WaveMix channel, the DirectSound buffer index, or 0.
int WavePlay(int slot, int flags);
// Pan and volume in DirectSound's units; 1 when stored, 0 outside DirectSound
// or for a free slot. The volume reaches the sounding buffers at once, the pan
// only the next play.
int WaveSetPan(int slot, int pan);
int WaveSetVolume(int slot, int volume);
// Silences the wave wherever it plays.
void WaveStop(int slot);
void SproxFreeWave(int slot);
void SproxWaveFreeAll();

} // namespace sprox
