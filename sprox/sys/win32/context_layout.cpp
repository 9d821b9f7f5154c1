// The context record as a 32-bit Windows game allocates and reads it: 1168 bytes,
// every field at a fixed offset, pointers and handles 4 bytes wide. A change of a
// field's type or order that moves any of them breaks every game built against the
// record, so the build stops here instead.
#include <cstddef>

#include "sprox.h"

static_assert(sizeof(void*) == 4, "the Windows library is built for 32-bit x86");

static_assert(offsetof(SproxContext, header) == 0);
static_assert(sizeof(SproxBitmapHeader) == 40);
static_assert(offsetof(SproxContext, colors) == 40);
static_assert(sizeof(SproxColor) == 4);
static_assert(offsetof(SproxContext, savedBitmap) == 1064);
static_assert(offsetof(SproxContext, width) == 1068);
static_assert(offsetof(SproxContext, height) == 1072);
static_assert(offsetof(SproxContext, direction) == 1076);
static_assert(offsetof(SproxContext, stride) == 1080);
static_assert(offsetof(SproxContext, pitch) == 1084);
static_assert(offsetof(SproxContext, bits) == 1088);
static_assert(offsetof(SproxContext, topOffset) == 1092);
static_assert(offsetof(SproxContext, tag) == 1096);
static_assert(offsetof(SproxContext, hdc) == 1100);
static_assert(offsetof(SproxContext, clip) == 1104);
static_assert(sizeof(SproxRect) == 16);
static_assert(offsetof(SproxContext, scrollX) == 1120);
static_assert(offsetof(SproxContext, scrollY) == 1124);
static_assert(offsetof(SproxContext, viewWidth) == 1128);
static_assert(offsetof(SproxContext, viewHeight) == 1132);
static_assert(offsetof(SproxContext, scale) == 1136);
static_assert(offsetof(SproxContext, hwnd) == 1140);
static_assert(offsetof(SproxContext, surface) == 1144);
static_assert(offsetof(SproxContext, ddPalette) == 1148);
static_assert(offsetof(SproxContext, dibBits) == 1152);
static_assert(offsetof(SproxContext, dibDC) == 1156);
static_assert(offsetof(SproxContext, lockCount) == 1160);
static_assert(offsetof(SproxContext, self) == 1164);
static_assert(sizeof(SproxContext) == 1168);
