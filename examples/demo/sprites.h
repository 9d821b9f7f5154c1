// The sprites of the demo: the archive it registers, the colour tables it draws
// with, and the rows that show every pixel operation and row effect of the library
// over the dimmed, scrolling test picture.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sprox.h"

using ColourTable = std::array<uint8_t, 256>;

struct SpriteSize {
    int width = 0;
    int height = 0;
    int hotX = 0;
    int hotY = 0;
};

struct Sprites {
    std::vector<SpriteSize> sizes;    // by pattern number
    uint8_t* rop = nullptr;           // half-and-half translucency over the frame's colours
    ColourTable dim{};                // the backdrop's colours: dark, with little contrast
    ColourTable shadow{};             // a third of the brightness
    std::array<ColourTable, 3> hues{};  // the colour wheel turned by 3, 6 and 9 bands
    int width = 0;
    int height = 0;
};

// Writes the archive into `folder`, registers it from pattern 0, creates the w x h
// frame with the archive's colours and fills the tables; false with a reason.
bool StartSprites(Sprites& sprites, SproxContext* context, const std::string& folder, int width,
                  int height, std::string* error);

// The test picture, dimmed, scrolling right and down with wrap-around.
void DrawBackdrop(const Sprites& sprites, SproxContext* context, int frame);

// Twelve labelled cells in two columns: put, mirror, zoom, flip, wave, ripple;
// scan lines, mesh, shadow, recolour, animation, translucency.
void DrawEffectRows(const Sprites& sprites, SproxContext* context, int frame);

// The translucent panel along the bottom with the 16 input lamps, the sound lamp
// and the keys.
void DrawStatusPanel(const Sprites& sprites, SproxContext* context, int32_t inputBits, bool soundOn);

// The player: the creature in other colours, its feet at (x, y).
void DrawPlayer(const Sprites& sprites, SproxContext* context, int x, int y, bool facingLeft);

struct Point {
    int x = 0;
    int y = 0;
};

// The translucent gem that drifts over the whole scene; the background sound
// follows it.
Point DronePosition(const Sprites& sprites, int frame);
void DrawDrone(const Sprites& sprites, SproxContext* context, Point at);

// Frees the ROP table.
void EndSprites(Sprites& sprites);
