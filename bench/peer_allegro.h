/* The Allegro 4 peer of the draw benchmark, behind a C interface: Allegro's
 * headers clash with other headers, so they stay in peer_allegro.c. Everything
 * works on memory bitmaps; no display is opened. */
#ifndef SPROX_BENCH_PEER_ALLEGRO_H
#define SPROX_BENCH_PEER_ALLEGRO_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Starts Allegro without a system driver, makes the 8-bit frame and the sprite
 * (colour 0 is the mask colour), its RLE form and a 50 % translucency map over
 * the palette (components 0..255, taken >> 2). Returns 0 on failure. */
int AllegroPeerStart(int frameWidth, int frameHeight, const uint8_t* sprite, int spriteWidth,
                     int spriteHeight, const uint8_t red[256], const uint8_t green[256],
                     const uint8_t blue[256]);
uint8_t* AllegroPeerFrameLine(int y);

void AllegroPeerDrawRle(int x, int y);
void AllegroPeerDrawTransRle(int x, int y);
void AllegroPeerDrawLitRle(int x, int y, int level);
void AllegroPeerDrawHFlip(int x, int y);
void AllegroPeerStretch(int x, int y, int w, int h);

#ifdef __cplusplus
}
#endif

#endif
