// Sound back-ends and start-up.
#pragma once

#include "sprox.h"

namespace sprox {

int SoundStart(SxModule module, SxWindow window);
void SoundActivate(int flag);
void SoundRelease();

} // namespace sprox
