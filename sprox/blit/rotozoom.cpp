#include "sprox/blit/rotozoom.h"

namespace sprox {

// Not built yet: draws nothing.
void RotoZoomPut(SproxContext*, int, int, int, int, int, int, int) {}

} // namespace sprox
