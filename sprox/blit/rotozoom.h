#pragma once

#include "sprox.h"

namespace sprox {

void RotoZoomPut(SproxContext* context, int x, int y, int pattern, int pivotX, int pivotY,
                 int angle, int zoom);

} // namespace sprox
