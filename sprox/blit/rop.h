// ROP tables: 65,536-byte colour-lookup tables, table[source * 256 + destination].
//
// Row s (at byte offset s * 256) belongs to source colour s; its entry d is the
// colour index that replaces destination colour d where a pattern pixel of colour
// s is drawn. A table has no header; the game holds it by its address.
#pragma once

#include <cstdint>

#include "sprox.h"

namespace sprox {

inline constexpr int kRopTableSize = 65536;

// The routines below only fill tables; the caller owns the memory. Each returns
// false, and writes nothing, for a null table: the caller reports it.

// Every row s filled with s: each source colour drawn as itself.
bool RopInit(uint8_t* table);
// Row colour becomes the identity: that colour leaves the destination unchanged.
bool TransparentRop(uint8_t* table, uint8_t colour);
// Row colour filled with colour: that colour is drawn as itself.
bool VisibleRop(uint8_t* table, uint8_t colour);

// How a translucency table's searches run: Best walks 32 entries at once where
// the machine has AVX2 (64-bit x86 builds outside Windows), Narrow one at a time
// on every machine. Both give the same table; tests take Narrow to check it too.
enum class RopWalk { Best, Narrow };

// Rows first..last recomputed for drawing at level percent over the palette
// (blue, green, red, reserved): each entry is the colour the bucketed search finds
// near the blend of source and destination. Levels outside 0..100 extrapolate.
bool TranslucentRop(const SproxColor* palette, uint8_t* table, uint8_t first, uint8_t last,
                    int level, RopWalk walk = RopWalk::Best);

} // namespace sprox
