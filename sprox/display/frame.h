// Creating and resizing the frame, painting it into a window, clearing it.
#pragma once

#include "sprox.h"

namespace sprox {

// A colour table to build the palette from (a pattern's own), and whether the
// build may write its entries back; colours null: the context's colours.
struct PaletteSource {
    SproxColor* colours;
    bool writeBack;
};

// Builds the palette from source (when asked through paletteOut, or while the
// context has none yet) and creates or resizes the frame. Sizes of 0 or below only
// build the palette; a frame whose memory would pass 2 GB is refused and leaves no
// frame.
void SproxSize(SproxContext* context, int width, int height, const PaletteSource& source,
               SxPalette* paletteOut);

// Paints the view that starts at (scrollX, scrollY) to (x, y) of target,
// wrapping around the frame's edges.
void SproxPaint(SproxContext* context, void* target, int x, int y);

// Fills the frame with one colour index.
void SproxClear(SproxContext* context, int colour);

} // namespace sprox
