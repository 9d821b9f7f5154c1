#include "sprox/pattern/put.h"

namespace sprox {

// Not built yet: nothing is drawn and no frame is locked.
void PatPut(SproxContext*, int, int, int, int, Blitter, const uint8_t*) {}
void PatDraw(const FrameView*, const DrawRequest*) {}

} // namespace sprox
