// The demo's window: a real one when there is a display, else one on SDL's
// off-screen video driver. Each frame is painted into the window's surface.
#pragma once

#include <SDL2/SDL.h>

#include <string>

#include "sprox.h"

struct Video {
    SDL_Window* window = nullptr;
    bool offscreen = false;   // no display: the window exists only in memory
};

// Opens a w x h window; false (with a message on standard error) when not even
// the off-screen driver works.
bool OpenVideo(Video& video, const char* title, int width, int height);

// Handles the window's events; false once the user closed it or pressed Escape.
bool PumpEvents(const Video& video);

// Paints the context's view into the window and shows it.
void ShowFrame(const Video& video, SproxContext* context);

// Writes what the window shows to a PNG file; false on failure.
bool SaveWindow(const Video& video, const std::string& path);

void CloseVideo(Video& video);
