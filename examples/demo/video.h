// The demo's window: a real one when there is a display, else one on SDL's
// off-screen video driver. Each frame is painted into the window's surface.
#pragma once

#include <SDL2/SDL.h>

#include <string>

#include "sprox.h"

struct Video {
    SDL_Window* window = nullptr;
    bool offscreen = false;   // no display: the window exists only in memory
    bool fullScreen = false;
    int windowScale = 1;      // the context's scale in the window, kept while full screen
};

// What the user asked for since the last frame.
struct Events {
    bool quit = false;               // the window was closed, or Escape
    bool toggleFullScreen = false;   // F11
};

// Opens a w x h window; false (with a message on standard error) when not even
// the off-screen driver works.
bool OpenVideo(Video& video, const char* title, int width, int height);

// Handles the window's events.
Events PumpEvents(const Video& video);

// Switches the context between the window and full screen. The frame is shown at
// the window's scale when the display has a mode for that, else one to one;
// coming back, the window's scale is put back. False (with a message on
// standard error) when full screen is not available.
bool ToggleFullScreen(Video& video, SproxContext* context);

// Paints the context's view into the window and shows it.
void ShowFrame(const Video& video, SproxContext* context);

// Writes what the window shows to a PNG file; false on failure.
bool SaveWindow(const Video& video, const std::string& path);

void CloseVideo(Video& video);
