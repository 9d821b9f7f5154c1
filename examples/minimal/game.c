/* The smallest Sprox game: a ship the arrow keys fly over a drifting fleet, a
 * turning ship beside it, a blip on Space or Z, Escape quits. ship.dar is made
 * from ship.png by dartool when the game is built; run the game where it and
 * blip.wav lie.
 *
 *   game [FRAMES [BMP]]   stop after FRAMES frames; write the last one to BMP
 *
 * Without a display it runs 60 frames (or FRAMES) on SDL's off-screen video and
 * dummy audio drivers. */
#include <SDL2/SDL.h>
#include <sprox.h>
#include <stdio.h>
#include <stdlib.h>

#define BUTTON1 0x10 /* Space or Z in input configuration 0 */

int main(int argc, char** argv)
{
    int frames = argc > 1 ? atoi(argv[1]) : 0; /* 0: until Escape */
    if (getenv("DISPLAY") == NULL && getenv("WAYLAND_DISPLAY") == NULL) {
        SDL_setenv("SDL_VIDEODRIVER", "offscreen", 0);
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 0);
        frames = frames > 0 ? frames : 60;
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        fprintf(stderr, "game: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window = SDL_CreateWindow("Sprox minimal", SDL_WINDOWPOS_CENTERED,
                                          SDL_WINDOWPOS_CENTERED, 640, 480, 0);
    if (window == NULL) {
        fprintf(stderr, "game: %s\n", SDL_GetError());
        return 1;
    }

    /* The game owns the context's memory; SX_Init binds it to the window. */
    SproxContext* context = calloc(1, (size_t)SX_GetStructSize());
    SX_Init(context, window);
    int status = 0;
    if (SX_PatEntryDARFile(0, 1, "ship.dar") != 1) {
        fprintf(stderr, "game: ship.dar did not load\n");
        status = 1;
    }
    SX_Size(context, 320, 240, 0, NULL); /* a 320 x 240 frame in pattern 0's colours */
    context->scale = 2;                  /* painted twice as large */
    int blip = SX_WaveInit(NULL, window) ? SX_WaveOpen("blip.wav") : -1;

    int x = 160, y = 120, held = 0;
    for (int frame = 0; status == 0 && (frames == 0 || frame < frames); ++frame) {
        SDL_Event event;
        int quit = 0;
        while (SDL_PollEvent(&event)) {
            quit |= event.type == SDL_QUIT;
        }
        InputState input;
        int bits = SX_CaptureInput(0, &input);
        if (quit || (bits & IN_ESCAPE)) {
            break;
        }
        x += 2 * (((bits & IN_RIGHT) != 0) - ((bits & IN_LEFT) != 0));
        y += 2 * (((bits & IN_DOWN) != 0) - ((bits & IN_UP) != 0));
        if ((bits & BUTTON1) && !held && blip >= 0) {
            SX_WavePlayEx(blip, 0); /* once */
        }
        held = bits & BUTTON1;

        SX_Clear(context, 20); /* ship.png's dark blue */
        for (int i = 0; i < 12; ++i) {
            SX_PatPut(context, (i * 37 + frame) % 352 - 16, 12 + i * 97 % 216, 0);
        }
        DrawRequest big = {.flags = PD_XZOOM | PD_YZOOM | PD_MIRROR, .pattern = 0, .x = x,
                           .y = y, .scaleX = 512, .scaleY = 512}; /* 1/256 */
        SX_PatDraw(context, &big); /* twice as large, facing left */
        SX_RotoZoomPut(context, 260, 180, 0, 8, 8, frame * 2, 128); /* turning, 256/128 = 2x */

        SX_Paint(context, SDL_GetWindowSurface(window), 0, 0);
        SDL_UpdateWindowSurface(window);
        if (frames == 0) {
            SDL_Delay(16);
        }
    }
    if (status == 0 && argc > 2 && SDL_SaveBMP(SDL_GetWindowSurface(window), argv[2]) != 0) {
        fprintf(stderr, "game: %s\n", SDL_GetError());
        status = 1;
    }

    if (blip >= 0) {
        SX_WaveFree(blip);
    }
    SX_End(context);
    free(context);
    SX_ReleaseAll();
    SDL_DestroyWindow(window);
    SDL_Quit();
    return status;
}
