// A slow, plain model of the translucency table, written step by step from the
// description of the search, to hold the fast routine against.
#pragma once

#include <cstdint>
#include <vector>

#include "sprox.h"

namespace roptest {

// Rows first..last of table (65,536 bytes) recomputed for level; other rows kept.
void ReferenceTranslucent(const SproxColor* palette, std::vector<uint8_t>* table, int first,
                          int last, int level);

} // namespace roptest
