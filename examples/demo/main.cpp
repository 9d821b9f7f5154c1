// The Sprox demo: a 320 x 240 frame shown twice as large in a 640 x 480 window,
// scrolling with wrap-around. Each frame: update the scene, paint, show. F11
// switches full screen on and off; Escape quits.
//
//   sprox_demo [--frames N] [--png FILE] [--toggle N]
//
// Without a display the demo runs 120 frames (or N) on SDL's off-screen driver,
// writes a PNG of the window (next to the program unless --png says where) and
// prints its path. --toggle N switches full screen every N frames, as F11 does.
#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "picture.h"
#include "rotozoom_scene.h"
#include "sprox.h"
#include "video.h"

namespace {

constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 240;
constexpr int kScale = 2;
constexpr int kOffscreenFrames = 120;
constexpr Uint32 kFrameMs = 16;

struct Options {
    int frames = 0;   // 0: until the window is closed
    std::string png;
    int toggleEvery = 0;   // 0: only when F11 is pressed
};

constexpr const char* kUsage =
    "usage: sprox_demo [--frames N] [--png FILE] [--toggle N]\n"
    "  F11 switches full screen on and off, Escape quits.\n"
    "  --frames N  stop after N frames\n"
    "  --png FILE  write what the window shows at the end to FILE\n"
    "  --toggle N  switch full screen every N frames\n";

// 1: go on; 0: stop with success (--help); -1: stop with a usage error.
int ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            options.frames = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) {
            options.png = argv[++i];
        } else if (std::strcmp(argv[i], "--toggle") == 0 && i + 1 < argc) {
            options.toggleEvery = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fputs(kUsage, stderr);
            return -1;
        }
    }
    return 1;
}

std::string DefaultPngPath()
{
    char* base = SDL_GetBasePath();
    std::string path = std::string(base != nullptr ? base : "") + "sprox_demo.png";
    SDL_free(base);
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (int parsed = ParseOptions(argc, argv, options); parsed <= 0) {
        return parsed == 0 ? 0 : 2;
    }
    Video video;
    if (!OpenVideo(video, "Sprox demo", kFrameWidth * kScale, kFrameHeight * kScale)) {
        return 1;
    }
    if (video.offscreen) {
        if (options.frames == 0) {
            options.frames = kOffscreenFrames;
        }
        if (options.png.empty()) {
            options.png = DefaultPngPath();
        }
    }

    // The game owns the context's memory; the library fills it.
    std::vector<unsigned char> memory(static_cast<size_t>(SX_GetStructSize()));
    auto* context = reinterpret_cast<SproxContext*>(memory.data());
    SX_Init(context, video.window);
    MakeTestPicture(context, kFrameWidth, kFrameHeight);
    context->scale = kScale;

    for (int frame = 0; options.frames == 0 || frame < options.frames; ++frame) {
        Events events = PumpEvents(video);
        if (events.quit) {
            break;
        }
        bool toggleNow = options.toggleEvery > 0 && frame > 0 && frame % options.toggleEvery == 0;
        if (events.toggleFullScreen || toggleNow) {
            ToggleFullScreen(video, context);
        }
        ScrollTestPicture(context, frame);
        DrawRotoZoomScene(context, frame);
        ShowFrame(video, context);
        if (!video.offscreen) {
            SDL_Delay(kFrameMs);
        }
    }

    if (video.fullScreen) {
        // Back to the window, shown there once more for the PNG.
        ToggleFullScreen(video, context);
        ShowFrame(video, context);
    }
    int status = 0;
    if (!options.png.empty()) {
        if (SaveWindow(video, options.png)) {
            std::printf("%s\n", options.png.c_str());
        } else {
            std::fprintf(stderr, "sprox_demo: could not write %s\n", options.png.c_str());
            status = 1;
        }
    }
    SX_End(context);
    SX_ReleaseAll();
    CloseVideo(video);
    SDL_Quit();
    return status;
}
