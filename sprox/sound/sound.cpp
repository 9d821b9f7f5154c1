#include "sprox/sound/sound.h"

namespace sprox {

// Not built yet: sound is never available.
int SoundStart(SxModule, SxWindow) { return -1; }
void SoundActivate(int) {}
void SoundRelease() {}

} // namespace sprox
