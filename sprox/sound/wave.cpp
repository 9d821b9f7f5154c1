#include "sprox/sound/wave.h"

namespace sprox {

// Not built yet: no slot is ever in use.
int WaveSlotInUse(int) { return 0; }
void WaveLoad(const char*, int, int, int) {}
void SproxFreeWave(int) {}
int WavePlay(int, int) { return -1; }
int WaveSetPan(int, int, int) { return 0; }
int WaveSetVolume(int, int, int) { return 0; }

} // namespace sprox
