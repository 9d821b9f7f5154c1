// The context record as a Windows game allocates and reads it: every field at a
// fixed offset. A change of a field's type or order that moves any of them breaks
// every game built against the record, so the build stops here instead. A 32-bit
// game sees 1168 bytes with pointers and handles 4 bytes wide; a 64-bit game sees
// the record's natural 64-bit layout, 1216 bytes, pointers and handles 8 bytes wide
// and aligned to 8.
#include <cstddef>

#include "sprox.h"

static_assert(offsetof(SproxContext, header) == 0);
static_assert(sizeof(SproxBitmapHeader) == 40);
static_assert(offsetof(SproxContext, colors) == 40);
static_assert(sizeof(SproxColor) == 4);
static_assert(offsetof(SproxContext, savedBitmap) == 1064);
static_assert(sizeof(SproxRect) == 16);

// One field's offset in the 32-bit record and in the 64-bit one.
struct FieldOffset {
    size_t offset;
    size_t i686;
    size_t x64;
};

constexpr bool Placed(FieldOffset field)
{
    return field.offset == (sizeof(void*) == 4 ? field.i686 : field.x64);
}

static_assert(sizeof(void*) == 4 || sizeof(void*) == 8, "the Windows library is built for x86 or x86-64");
static_assert(Placed({offsetof(SproxContext, width), 1068, 1072}));
static_assert(Placed({offsetof(SproxContext, height), 1072, 1076}));
static_assert(Placed({offsetof(SproxContext, direction), 1076, 1080}));
static_assert(Placed({offsetof(SproxContext, stride), 1080, 1084}));
static_assert(Placed({offsetof(SproxContext, pitch), 1084, 1088}));
static_assert(Placed({offsetof(SproxContext, bits), 1088, 1096}));
static_assert(Placed({offsetof(SproxContext, topOffset), 1092, 1104}));
static_assert(Placed({offsetof(SproxContext, tag), 1096, 1108}));
static_assert(Placed({offsetof(SproxContext, hdc), 1100, 1112}));
static_assert(Placed({offsetof(SproxContext, clip), 1104, 1120}));
static_assert(Placed({offsetof(SproxContext, scrollX), 1120, 1136}));
static_assert(Placed({offsetof(SproxContext, scrollY), 1124, 1140}));
static_assert(Placed({offsetof(SproxContext, viewWidth), 1128, 1144}));
static_assert(Placed({offsetof(SproxContext, viewHeight), 1132, 1148}));
static_assert(Placed({offsetof(SproxContext, scale), 1136, 1152}));
static_assert(Placed({offsetof(SproxContext, hwnd), 1140, 1160}));
static_assert(Placed({offsetof(SproxContext, surface), 1144, 1168}));
static_assert(Placed({offsetof(SproxContext, ddPalette), 1148, 1176}));
static_assert(Placed({offsetof(SproxContext, dibBits), 1152, 1184}));
static_assert(Placed({offsetof(SproxContext, dibDC), 1156, 1192}));
static_assert(Placed({offsetof(SproxContext, lockCount), 1160, 1200}));
static_assert(Placed({offsetof(SproxContext, self), 1164, 1208}));
static_assert(Placed({sizeof(SproxContext), 1168, 1216}));
