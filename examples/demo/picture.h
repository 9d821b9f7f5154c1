// The palette test picture: 256 colours in 16 hue bands of 16 brightness steps,
// shown as a 16 x 16 grid of swatches with a white diagonal and a red border, so
// that colours, scaling and the wrap-around of scrolling can all be seen.
#pragma once

#include "sprox.h"

// Gives the context the test colours and a frame of w x h (through SX_Size), and
// draws the picture into it.
void MakeTestPicture(SproxContext* context, int width, int height);

// The scroll origin of a frame number: the view drifts right and down, and wraps.
void ScrollTestPicture(SproxContext* context, int frame);
