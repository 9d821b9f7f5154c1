// The demo's scene: the sprite rows over the scrolling test picture, the player,
// the input lamps and the sounds, from the files it makes at start-up in a
// temporary folder of its own.
#pragma once

#include <SDL2/SDL.h>

#include <string>

#include "input.h"
#include "sound.h"
#include "sprites.h"
#include "sprox.h"

struct Scene {
    std::string folder;   // the temporary folder; removed at the end
    Sprites sprites;
    Sound sound;
    Player player;
    int shake = 0;        // frames left of the shake a blip starts
};

// Makes the files, creates the w x h frame and starts the sound; false (with a
// message on standard error) when the sprites cannot be set up.
bool StartScene(Scene& scene, SproxContext* context, SDL_Window* window, bool offscreen, int width,
                int height);

// Reads the controls and draws one frame; false once the player quits.
bool StepScene(Scene& scene, SproxContext* context, SDL_Window* window, int frame);

// Frees the sounds and the ROP table and removes the temporary folder.
void EndScene(Scene& scene);
