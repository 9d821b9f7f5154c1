#include "peer_allegro.h"

#include <errno.h>
#include <stdlib.h>

#include <allegro.h>

static BITMAP* frame;
static BITMAP* sprite;
static RLE_SPRITE* rle;
static COLOR_MAP trans;
static RGB_MAP rgbTable;

int AllegroPeerStart(int frameWidth, int frameHeight, const uint8_t* pixels, int spriteWidth,
                     int spriteHeight, const uint8_t red[256], const uint8_t green[256],
                     const uint8_t blue[256])
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
    rle = get_rle_sprite(sprite);
    PALETTE pal;
    for (int i = 0; i < 256; ++i) {
        pal[i].r = red[i] >> 2;
        pal[i].g = green[i] >> 2;
        pal[i].b = blue[i] >> 2;
    }
    create_rgb_table(&rgbTable, pal, NULL);
    rgb_map = &rgbTable;
    create_trans_table(&trans, pal, 128, 128, 128, NULL);
    color_map = &trans;
    return rle != NULL;
}

uint8_t* AllegroPeerFrameLine(int y) { return frame->line[y]; }

void AllegroPeerDrawRle(int x, int y) { draw_rle_sprite(frame, rle, x, y); }
void AllegroPeerDrawTransRle(int x, int y) { draw_trans_rle_sprite(frame, rle, x, y); }
void AllegroPeerDrawLitRle(int x, int y, int level) { draw_lit_rle_sprite(frame, rle, x, y, level); }
void AllegroPeerDrawHFlip(int x, int y) { draw_sprite_h_flip(frame, sprite, x, y); }
void AllegroPeerStretch(int x, int y, int w, int h) { stretch_sprite(frame, sprite, x, y, w, h); }
