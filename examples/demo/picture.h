// The palette test picture and the demo's colours: 256 colours in 16 bands of 16
// brightness steps (band 0 grey, bands 1 to 15 round the colour wheel), shown as a
// 16 x 16 grid of swatches with a white diagonal and a red border, so that colours,
// scaling and the wrap-around of scrolling can all be seen.
#pragma once

#include <cstdint>

#include "sprox.h"

constexpr int kBands = 16;
constexpr int kLevels = 16;

// Colour index of a band and a brightness step (0 darkest, 15 full).
constexpr uint8_t Colour(int band, int level) { return static_cast<uint8_t>(band * kLevels + level); }
constexpr int BandOf(int index) { return index / kLevels; }
constexpr int LevelOf(int index) { return index % kLevels; }

// The colour of an index, as the frame's colour table holds it.
SproxColor TestColour(int index);

// Draws the test picture into width x height colour indices, top row first.
void DrawTestPicture(uint8_t* pixels, int width, int height);
