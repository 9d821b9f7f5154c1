#include "video.h"

#include <cstdio>
#include <cstdlib>

#include "png_writer.h"

namespace {

bool HaveDisplay()
{
    return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
}

bool InitVideo(const char* driver)
{
    if (driver != nullptr) {
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, driver, SDL_HINT_OVERRIDE);
    }
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

} // namespace

bool OpenVideo(Video& video, const char* title, int width, int height)
{
    video.offscreen = !HaveDisplay() || !InitVideo(nullptr);
    if (video.offscreen && !InitVideo("offscreen") && !InitVideo("dummy")) {
        std::fprintf(stderr, "sprox_demo: no video driver: %s\n", SDL_GetError());
        return false;
    }
    video.window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                    height, 0);
    if (video.window == nullptr) {
        std::fprintf(stderr, "sprox_demo: no window: %s\n", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    return true;
}

Events PumpEvents(const Video&)
{
    Events events;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT ||
            (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE)) {
            events.quit = true;
        } else if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_F11 &&
                   event.key.repeat == 0) {
            events.toggleFullScreen = !events.toggleFullScreen;
        }
    }
    return events;
}

bool ToggleFullScreen(Video& video, SproxContext* context)
{
    if (video.fullScreen) {
        SX_FullScreen(context, 0, 0, 0);
        context->scale = video.windowScale;
        video.fullScreen = false;
        return true;
    }
    video.windowScale = context->scale;
    bool on = SX_FullScreen(context, context->width, context->height, 1) != 0;
    if (!on && context->scale != 1) {
        context->scale = 1;
        on = SX_FullScreen(context, context->width, context->height, 1) != 0;
    }
    if (!on) {
        context->scale = video.windowScale;
        std::fprintf(stderr, "sprox_demo: full screen is not available on this display\n");
        return false;
    }
    video.fullScreen = true;
    return true;
}

void ShowFrame(const Video& video, SproxContext* context)
{
    // The window surface may be replaced when the window changes size.
    SDL_Surface* surface = SDL_GetWindowSurface(video.window);
    if (surface == nullptr) {
        return;
    }
    SX_Paint(context, surface, 0, 0);
    SDL_UpdateWindowSurface(video.window);
}

bool SaveWindow(const Video& video, const std::string& path)
{
    SDL_Surface* surface = SDL_GetWindowSurface(video.window);
    return surface != nullptr && WritePng(surface, path);
}

void CloseVideo(Video& video)
{
    if (video.window != nullptr) {
        SDL_DestroyWindow(video.window);
        video.window = nullptr;
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
