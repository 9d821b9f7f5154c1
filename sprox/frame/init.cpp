#include "sprox/frame/init.h"

namespace sprox {

// Not built yet.
void SproxInitEx(SproxContext*, SxWindow) {}
void SproxEnd(SproxContext*) {}

} // namespace sprox
