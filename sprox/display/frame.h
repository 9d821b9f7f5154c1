// Creating and resizing the frame, painting it into a window, clearing it.
#pragma once

#include "sprox.h"

namespace sprox {

void SproxSize(SproxContext* context, int width, int height, int pattern, SxPalette* paletteOut);
void SproxPaint(SproxContext* context, void* target, int x, int y);
void SproxClear(SproxContext* context, int colour);

} // namespace sprox
