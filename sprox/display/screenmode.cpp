#include "sprox/display/screenmode.h"

namespace sprox {

// Not built yet: full screen is never possible.
int SproxScreenMode(SproxContext*, int) { return 0; }

} // namespace sprox
