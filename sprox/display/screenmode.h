// Screen modes: switching a context between its window and exclusive full screen.
#pragma once

#include "sprox.h"

namespace sprox {

int SproxScreenMode(SproxContext* context, int mode);

} // namespace sprox
