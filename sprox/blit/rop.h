// ROP tables: 65,536-byte colour-lookup tables, table[source * 256 + destination].
#pragma once

#include <cstdint>

#include "sprox.h"

namespace sprox {

uint8_t* CreateRop();
void DeleteRop(uint8_t* table);
void TranslucentRop(const SproxColor* colors, uint8_t* table, int first, int last, int level);

} // namespace sprox
