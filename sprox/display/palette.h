// The identity palette: the frame's 256 colours made fit for a palettised screen,
// where the system's static colours keep their places and no colour of the game
// may be merged by the system into another one.
#pragma once

#include "sprox.h"
#include "sprox/sys/gdi.h"

namespace sprox {

// Fills gDisplay.logPalette from a colour table. On an 8-bit screen outside full screen
// the ten static colours at each end are the system's, and duplicates of the
// system colours 8, 9, 246 and 247 are told apart by their blue; with writeBack
// the table receives the colours as adjusted.
void BuildIdentityPalette(SproxColor* table, bool writeBack);

} // namespace sprox
