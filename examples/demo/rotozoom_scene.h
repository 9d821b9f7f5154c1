// The rotate-zoom scene: a badge turning about its centre and breathing in and out
// on the status panel. Its pattern comes from an archive that the scene builds and
// registers on its first frame.
#pragma once

#include "sprox.h"

// Draws the badge for frame number `frame` into the context's frame.
void DrawRotoZoomScene(SproxContext* context, int frame);
