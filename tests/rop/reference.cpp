#include "rop/reference.h"

#include <algorithm>
#include <cstdlib>

namespace roptest {
namespace {

int Component(const SproxColor& c, int k)
{
    return k == 0 ? c.red : k == 1 ? c.green : c.blue;
}

} // namespace

void ReferenceTranslucent(const SproxColor* palette, std::vector<uint8_t>* table, int first,
                          int last, int level)
{
    std::vector<uint8_t>& t = *table;
    if (level == 100) {
        for (int c = first; c <= last; ++c) {
            for (int d = 0; d < 256; ++d) {
                t[c * 256 + d] = static_cast<uint8_t>(c);
            }
        }
        return;
    }
    if (level == 0) {
        for (int c = first; c <= last; ++c) {
            for (int d = 0; d < 256; ++d) {
                t[c * 256 + d] = static_cast<uint8_t>(d);
            }
        }
        return;
    }

    // Candidates: every index but 8, 9, 246, 247, by red, then by index.
    std::vector<int> list;
    for (int c = 0; c < 256; ++c) {
        if (c != 8 && c != 9 && c != 246 && c != 247) {
            list.push_back(c);
        }
    }
    std::stable_sort(list.begin(), list.end(),
                     [&](int a, int b) { return palette[a].red < palette[b].red; });
    // start[v]: how many candidates have a red below v.
    std::vector<int> start(257);
    for (int v = 0; v <= 256; ++v) {
        start[v] = static_cast<int>(std::count_if(
            list.begin(), list.end(), [&](int c) { return palette[c].red < v; }));
    }
    const int lastPosition = static_cast<int>(list.size()) - 1;

    for (int s = first; s <= last; ++s) {
        for (int d = 0; d < 256; ++d) {
            int target[3];
            for (int k = 0; k < 3; ++k) {
                int sk = Component(palette[s], k);
                int dk = Component(palette[d], k);
                // The product is a signed 32-bit integer; the division truncates.
                auto product = static_cast<int32_t>(static_cast<uint32_t>(
                    static_cast<int64_t>(sk - dk) * static_cast<int64_t>(level)));
                target[k] = dk + product / 100;
            }
            int best = level >= 50 ? s : d;
            int dr = std::abs(Component(palette[best], 0) - target[0]);
            int dg = std::abs(Component(palette[best], 1) - target[1]);
            int db = std::abs(Component(palette[best], 2) - target[2]);
            int dist = dr + dg + db;
            int radius = std::max({dr, dg, db});

            int hi = std::min(target[0] + radius, 255);
            int lo = std::max(target[0] - radius, 0);
            int end = std::min(start[hi], lastPosition);
            int i = start[lo];
            while (i <= end) {
                int c = list[i];
                int ag = std::abs(palette[c].green - target[1]);
                if (ag > radius) {
                    ++i;
                    continue;
                }
                int ab = std::abs(palette[c].blue - target[2]);
                if (ab > radius) {
                    ++i;
                    continue;
                }
                int ar = std::abs(palette[c].red - target[0]);
                int m = ag + ab + ar;
                if (m >= dist) {
                    ++i;
                    continue;
                }
                best = c;
                dist = m;
                if (m == 0) {
                    break;
                }
                radius = std::max({ar, ag, ab});
                lo = std::max(target[0] - radius + 1, 0);
                hi = std::min(target[0] + radius, 256);
                end = std::min(start[hi], lastPosition);
                if (start[lo] > i) {
                    i = start[lo];
                } else {
                    ++i;
                }
            }
            t[s * 256 + d] = static_cast<uint8_t>(best);
        }
    }
}

} // namespace roptest
