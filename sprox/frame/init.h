// Start-up and shut-down of a context.
#pragma once

#include "sprox.h"

namespace sprox {

void SproxInitEx(SproxContext* context, SxWindow window);
void SproxEnd(SproxContext* context);

} // namespace sprox
