// sprox/api/: the 23 exports and the start-up and shut-down of a context; the top
// floor, which nothing else includes. May include every folder below it: the
// subsystems (display/, pattern/, sound/, input/), blit/, core/ and sys/.
//
// Start-up and shut-down of a context: SX_Init enters a context in the registry
// (the first one of the process chooses the display back-end), SX_End takes it out
// and releases its frame (the last one unloads what the first one loaded).
#pragma once

#include "sprox.h"

namespace sprox {

void SproxInitEx(SproxContext* context, SxWindow window);
void SproxEnd(SproxContext* context);

} // namespace sprox
