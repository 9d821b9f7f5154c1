// The Sprox demo: a 320 x 240 frame shown twice as large in a 640 x 480 window.
// Each frame: read the controls, draw the scene, paint, show. F11 switches full
// screen on and off; Escape quits.
//
//   sprox_demo [--frames N] [--png FILE] [--toggle N] [--script] [--help]
//
// Without a display the demo runs 120 frames (or N) on SDL's off-screen driver,
// writes a PNG of the window (next to the program unless --png says where) and
// prints its path. A run that ends full screen (--toggle N with an odd number of
// switches) writes the full-screen picture.
#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "input.h"
#include "rotozoom_scene.h"
#include "scene.h"
#include "sprox.h"
#include "video.h"

namespace {

constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 240;
constexpr int kScale = 2;
constexpr int kOffscreenFrames = 120;
constexpr Uint32 kFrameMs = 16;

// The keys --script holds, each for kScriptStep frames, round and round.
constexpr int32_t kScript[] = {IN_RIGHT, IN_DOWN | 0x10, IN_LEFT, IN_UP | 0x20, 0x10, 0, IN_LEFT | IN_DOWN | 0x40};
constexpr int kScriptStep = 40;

constexpr const char* kUsage =
    "usage: sprox_demo [--frames N] [--png FILE] [--toggle N] [--script] [--help]\n"
    "\n"
    "  --frames N   stop after N frames (without a display: 120)\n"
    "  --png FILE   write a PNG of the window at the end, of the whole screen when\n"
    "               full screen (without a display: next to the program)\n"
    "  --toggle N   switch full screen every N frames\n"
    "  --script     hold keys on a fixed schedule: move around, blip, light the lamps\n"
    "  --help       show this text\n"
    "\n"
    "keys:\n"
    "  arrows, H J K L, numeric pad 8 2 4 6, joystick   move the player\n"
    "  Space or Z, joystick button 1                    blip (panned to the player), shake\n"
    "  Enter or X, Shift, Q, F2, other buttons          light their input lamps\n"
    "  F11                                              full screen on and off\n"
    "  Escape                                           quit\n";

struct Options {
    int frames = 0;   // 0: until the window is closed
    std::string png;
    int toggleEvery = 0;   // 0: only when F11 is pressed
    bool script = false;
    bool help = false;
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            options.frames = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) {
            options.png = argv[++i];
        } else if (std::strcmp(argv[i], "--toggle") == 0 && i + 1 < argc) {
            options.toggleEvery = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--script") == 0) {
            options.script = true;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            options.help = true;
        } else {
            std::fputs(kUsage, stderr);
            return false;
        }
    }
    return true;
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
    if (!ParseOptions(argc, argv, options)) {
        return 2;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
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
    Scene scene;
    int status = StartScene(scene, context, video.window, video.offscreen, kFrameWidth, kFrameHeight) ? 0 : 1;
    context->scale = kScale;

    for (int frame = 0; status == 0 && (options.frames == 0 || frame < options.frames); ++frame) {
        Events events = PumpEvents(video);
        if (options.script) {
            PressScripted(kScript[frame / kScriptStep % std::size(kScript)]);
        }
        if (events.quit) {
            break;
        }
        bool toggleNow = options.toggleEvery > 0 && frame > 0 && frame % options.toggleEvery == 0;
        if (events.toggleFullScreen || toggleNow) {
            ToggleFullScreen(video, context);
        }
        if (!StepScene(scene, context, video.window, frame)) {
            break;
        }
        DrawRotoZoomScene(context, frame);
        ShowFrame(video, context);
        if (!video.offscreen) {
            SDL_Delay(kFrameMs);
        }
    }

    // The PNG shows what is on the screen at the end: the full-screen picture
    // when the demo ends full screen.
    if (status == 0 && !options.png.empty()) {
        if (SaveWindow(video, options.png)) {
            std::printf("%s\n", options.png.c_str());
        } else {
            std::fprintf(stderr, "sprox_demo: could not write %s\n", options.png.c_str());
            status = 1;
        }
    }
    if (video.fullScreen) {
        ToggleFullScreen(video, context);
    }
    EndScene(scene);
    SX_End(context);
    SX_ReleaseAll();
    CloseVideo(video);
    SDL_Quit();
    return status;
}
