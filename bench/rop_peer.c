#include "rop_peer.h"

#include <string.h>

#include <allegro.h>

static PALETTE peerPalette;
static RGB_MAP peerRgbMap;
static COLOR_MAP peerColorMap;

void RopPeerSetPalette(const unsigned char rgb[256][3])
{
    for (int i = 0; i < 256; ++i) {
        peerPalette[i].r = rgb[i][0] >> 2;
        peerPalette[i].g = rgb[i][1] >> 2;
        peerPalette[i].b = rgb[i][2] >> 2;
        peerPalette[i].filler = 0;
    }
}

void RopPeerTransTable(unsigned char* out)
{
    /* The colour map looks its blends up in the RGB map, built anew each time. */
    create_rgb_table(&peerRgbMap, peerPalette, NULL);
    rgb_map = &peerRgbMap;
    create_trans_table(&peerColorMap, peerPalette, 128, 128, 128, NULL);
    memcpy(out, peerColorMap.data, sizeof peerColorMap.data);
}
