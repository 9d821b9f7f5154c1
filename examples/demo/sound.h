// The demo's sounds: a blip on a key and a pulsing background loop whose pan
// follows a moving sprite. Both waves are made at start-up. Without an audio
// device the demo says so once and runs silent.
#pragma once

#include <SDL2/SDL.h>

#include <string>

struct Sound {
    bool on = false;         // the library found a way to play sound
    int blip = -1;           // wave slots
    int pulse = -1;
    std::string pulsePath;   // reopened whenever the loop starts again
    int pulsePan = 0;        // the pan the loop was started with
    Uint32 pulseStart = 0;   // when the loop was started, in SDL ticks
    Uint32 lastUpdate = 0;
    bool focused = false;    // whether the window had the keyboard at the last update
};

// Starts sound for the window and writes the waves into `folder`. Off screen, when
// no audio device opens, SDL's dummy audio driver stands in so that every sound
// call still runs.
void StartSound(Sound& sound, SDL_Window* window, bool offscreen, const std::string& folder);

// Pan in the library's units (-10000 left .. 10000 right) of a column of a frame
// `width` wide.
int PanAt(int x, int width);

// Plays the blip once, panned.
void PlayBlip(Sound& sound, int pan);

// Once a frame: tells the library when the window gains or loses the keyboard,
// and sets the loop's pan and volume (volume in hundredths of a decibel, 0 loudest).
void UpdateSound(Sound& sound, SDL_Window* window, int pan, int volume);

// Frees the waves.
void EndSound(Sound& sound);
