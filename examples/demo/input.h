// The player's controls through the library's input capture: keys (arrows, H J K
// L, numeric pad) and the first joystick move the player, button 1 (Space or Z)
// blips, Escape quits.
#pragma once

#include <cstdint>

struct Player {
    int x = 0;               // where its feet stand
    int y = 0;
    bool facingLeft = false;
    int32_t bits = 0;        // the input bits of the last capture
};

struct Controls {
    int32_t bits = 0;
    bool blip = false;       // button 1 went down
    bool quit = false;       // Escape is held
};

// Captures the input bits of configuration 0 and moves the player, kept within
// a frame of w x h.
Controls CaptureControls(Player& player, int width, int height);

// Input bits added to every capture from now on, as if those keys were held
// (the demo's --script).
void PressScripted(int32_t bits);
