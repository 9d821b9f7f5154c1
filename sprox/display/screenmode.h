// Screen modes: a context switches between painting into its window and owning
// the whole screen in exclusive full-screen mode, or only asks whether full
// screen is possible. While one context owns the screen the back-end is
// DirectDraw and every registered context's frame lives in a surface.
#pragma once

#include <cstdint>

#include "sprox.h"

namespace sprox {

// Bits of a screen mode; only its low 16 bits count.
inline constexpr int kScreenOn = 0x1;             // full screen (clear: back to the window)
inline constexpr int kScreenClipper = 0x2;        // a clipper for the window on the screen
inline constexpr int kScreenSystemMemory = 0x4;   // frames may lie in system memory
inline constexpr int kScreenVideoMemory = 0x8;    // try frames in video memory first
inline constexpr int kScreenFlip = 0x10;          // page flipping; the display mode at scale 1
inline constexpr int kScreenExact = 0x20;         // only a display mode of exactly the size
inline constexpr int kScreenProbe = 0x8000;       // only say whether a display mode fits

// A picture size asked of the screen.
struct ScreenSize {
    int32_t width;
    int32_t height;
};

// 1 when the context is now where the mode asks (or, with kScreenProbe, when a
// display mode fits), else 0. The size wanted is the context's view size, or where
// the view size is 0 the asked size (null: the frame's size). Entering full
// screen, the context's surface, clip and the picture copied take the asked size.
int SproxScreenMode(SproxContext* context, int mode, const ScreenSize* askedSize = nullptr);

// The index in gDisplay.modes of the display mode for a width x height picture
// shown at *scale, or -1. A mode of exactly that size wins and makes *scale 1;
// otherwise, unless exactOnly, the smallest mode that holds it at scale 1, or at
// another scale the smallest that holds the scaled picture in less than twice
// its area. Sizes compare as unsigned numbers.
int ChooseDisplayMode(int width, int height, int32_t* scale, bool exactOnly);

} // namespace sprox
