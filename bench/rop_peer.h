/* The peer of the translucency-table benchmark, in a C unit of its own so that
 * its library header meets no C++ or Sprox header. */
#ifndef ROP_PEER_H
#define ROP_PEER_H

#ifdef __cplusplus
extern "C" {
#endif

/* Takes the palette as 256 entries of red, green, blue (0..255); the peer keeps
 * the top six bits of each component. */
void RopPeerSetPalette(const unsigned char rgb[256][3]);

/* One 50 % translucency table through the peer's colour map, written to out
 * (65,536 bytes, source * 256 + destination). */
void RopPeerTransTable(unsigned char* out);

#ifdef __cplusplus
}
#endif

#endif
