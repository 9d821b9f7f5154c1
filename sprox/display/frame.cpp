#include "sprox/display/frame.h"

namespace sprox {

// Not built yet: no frame is made, painted or cleared.
void SproxSize(SproxContext*, int, int, int, SxPalette*) {}
void SproxPaint(SproxContext*, void*, int, int) {}
void SproxClear(SproxContext*, int) {}

} // namespace sprox
