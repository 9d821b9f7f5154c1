#include "sprox/blit/blitter.h"

namespace sprox {

// Filled when the blitter family lands; until then nothing draws.
const Blitter kBlitters[64] = {};

} // namespace sprox
