// Wave slots: loading, playing and freeing wave files.
#pragma once

namespace sprox {

inline constexpr int kWaveSlots = 32;

int WaveSlotInUse(int slot);
void WaveLoad(const char* name, int kind, int slot, int size);
void SproxFreeWave(int slot);
int WavePlay(int slot, int flags);
int WaveSetPan(int slot, int pan, int reserved);
int WaveSetVolume(int slot, int volume, int reserved);

} // namespace sprox
