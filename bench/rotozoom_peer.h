/* The peer of the rotate-zoom benchmark, in a C unit of its own so that its
 * library header meets no C++ or Sprox header. Works on memory bitmaps only. */
#ifndef ROTOZOOM_PEER_H
#define ROTOZOOM_PEER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Starts the peer without a system driver and makes the 8-bit frame and the
 * sprite (colour 0 is its mask colour). Returns 0 on failure. */
int RotoPeerStart(int frameWidth, int frameHeight, const uint8_t* sprite, int spriteWidth,
                  int spriteHeight);
uint8_t* RotoPeerFrameLine(int y);

/* The sprite turned by angle (256 to the turn) at 1:1 about its pixel
 * (pivotX, pivotY), which lands on (x, y). */
void RotoPeerPivot(int x, int y, int pivotX, int pivotY, int angle);

#ifdef __cplusplus
}
#endif

#endif
