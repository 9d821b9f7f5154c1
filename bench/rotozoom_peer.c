#include "rotozoom_peer.h"

#include <errno.h>
#include <stdlib.h>

#include <allegro.h>

static BITMAP* frame;
static BITMAP* sprite;

int RotoPeerStart(int frameWidth, int frameHeight, const uint8_t* pixels, int spriteWidth,
                  int spriteHeight)
{
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        return 0;
    }
    frame = create_bitmap_ex(8, frameWidth, frameHeight);
    sprite = create_bitmap_ex(8, spriteWidth, spriteHeight);
    if (frame == NULL || sprite == NULL) {
        return 0;
    }
    for (int y = 0; y < spriteHeight; ++y) {
        for (int x = 0; x < spriteWidth; ++x) {
            sprite->line[y][x] = pixels[y * spriteWidth + x];
        }
    }
    return 1;
}

uint8_t* RotoPeerFrameLine(int y) { return frame->line[y]; }

/* The pivot goes in as whole pixels: this call shifts it into fixed point itself. */
void RotoPeerPivot(int x, int y, int pivotX, int pivotY, int angle)
{
    pivot_scaled_sprite(frame, sprite, x, y, pivotX, pivotY, itofix(angle), itofix(1));
}
