// The rotate-zoom scene: a sprite turning about its centre and breathing in and
// out, on a panel in the middle of the frame. Both are patterns of an archive
// that the scene builds and registers on its first frame.
#pragma once

#include "sprox.h"

// Draws the scene's frame number `frame` into the context's frame: the panel
// (which wipes out the previous frame's sprite), then the turned sprite.
void DrawRotoZoomScene(SproxContext* context, int frame);
