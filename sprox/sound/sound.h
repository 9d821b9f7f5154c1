// sprox/sound/: the sound subsystem: the sound back-ends, the wave slots and the
// wave files they play. May include blit/, core/ and sys/.
//
// Sound start-up: the choice among DirectSound, WaveMix and the system player,
// activation of the mixer, and release of the chosen player.
#pragma once

#include "sprox.h"

namespace sprox {

// Starts sound once and returns the mode (SM_*); later calls only return it.
int SoundStart(SxModule module, SxWindow window);
// Opens the WaveMix channels and activates the mixer, once after start-up.
void SoundActivateOnce();
// The game gained (flag not 0) or lost the user's attention.
void SoundActivate(int flag);
// Frees every wave and the player; the next SoundStart starts from nothing.
void SoundRelease();

} // namespace sprox
