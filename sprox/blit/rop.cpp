#include "sprox/blit/rop.h"

namespace sprox {

// Not built yet: no table is made.
uint8_t* CreateRop() { return nullptr; }
void DeleteRop(uint8_t*) {}
void TranslucentRop(const SproxColor*, uint8_t*, int, int, int) {}

} // namespace sprox
