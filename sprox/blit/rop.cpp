// ROP tables.
//
// A translucency table holds, for every source s and destination d, the palette
// colour that the bucketed search finds for the blend target
//     t_k = d_k + trunc((s_k - d_k) * level / 100)      (k = red, green, blue)
// The search keeps a best candidate (first the source colour for levels of 50 and
// up, else the destination colour), its city-block distance `dist` to the target
// and its largest component difference `radius`. It walks the candidate list (the
// palette without 8, 9, 246, 247, ordered by red, then by index) through a red
// window around the target and takes a candidate only if its green and blue
// differences are each within the radius and its distance is strictly below
// `dist`; every taken candidate narrows the window. The result is not always the
// nearest colour, and the table must still be exactly what this walk gives.
//
// To make the walk cheap, the list is held as three byte arrays (red, green, blue
// in list order) and blocks of 16 positions are tested at once with the same
// condition, computed on targets clamped to 0..255; a block where no position
// passes is passed over, as the walk would. Positions that pass are checked again
// one by one with exact arithmetic, in list order, so the walk's steps, window
// changes and ties come out as they are.
#include "sprox/blit/rop.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "sprox/frame/report.h"
#include "sprox/sys/machine.h"

namespace sprox {
namespace {

constexpr int kRowSize = 256;
constexpr int kCandidates = 252;
constexpr int kLastPosition = kCandidates - 1;
constexpr int kBlock = 16;

// Colours the search never finds (they still result as the starting candidate).
constexpr bool IsExcluded(int colour)
{
    return colour == 8 || colour == 9 || colour == 246 || colour == 247;
}

using Lanes = uint8_t __attribute__((vector_size(kBlock)));

// What the walk needs of one palette, built once per table: the candidate list as
// colour index and components by list position, and the window bounds by red.
// Positions past the last candidate are padding that no window reaches.
struct CandidateList {
    alignas(kBlock) uint8_t red[kRowSize];
    alignas(kBlock) uint8_t green[kRowSize];
    alignas(kBlock) uint8_t blue[kRowSize];
    uint8_t colour[kRowSize];
    // firstFrom[v + 256]: the position of the first candidate whose red is v or
    // more, v = -256..256 (the low end of a window).
    int firstFrom[513];
    // lastUpTo[v]: the last position of a window whose top red is v, v = 0..511:
    // the first candidate whose red is v or more (v above 256 counts as 256), but
    // never past the last candidate.
    int lastUpTo[512];
};

void BuildCandidates(const SproxColor* palette, CandidateList* list)
{
    // Counting sort by red; indices ascend within one red value.
    int start[kRowSize + 1] = {};
    for (int c = 0; c < 256; ++c) {
        if (!IsExcluded(c)) {
            ++start[palette[c].red + 1];
        }
    }
    for (int v = 1; v <= kRowSize; ++v) {
        start[v] += start[v - 1];
    }
    for (int v = -256; v <= 256; ++v) {
        list->firstFrom[v + 256] = start[std::max(v, 0)];
    }
    for (int v = 0; v < 512; ++v) {
        list->lastUpTo[v] = std::min(start[std::min(v, 256)], kLastPosition);
    }
    std::memset(list->red, 0, sizeof list->red);
    std::memset(list->green, 0, sizeof list->green);
    std::memset(list->blue, 0, sizeof list->blue);
    std::memset(list->colour, 0, sizeof list->colour);
    int next[kRowSize];
    std::copy_n(start, kRowSize, next);
    for (int c = 0; c < 256; ++c) {
        if (IsExcluded(c)) {
            continue;
        }
        int p = next[palette[c].red]++;
        list->red[p] = palette[c].red;
        list->green[p] = palette[c].green;
        list->blue[p] = palette[c].blue;
        list->colour[p] = static_cast<uint8_t>(c);
    }
}

int Abs(int v) { return v < 0 ? -v : v; }
int Max3(int a, int b, int c) { return std::max(std::max(a, b), c); }

// Every byte value repeated across a block, so that a target or a limit reaches
// the block test as one load.
struct alignas(kBlock) Repeated {
    uint8_t lanes[kBlock];
};
constexpr auto kRepeated = [] {
    std::array<Repeated, 256> all{};
    for (int v = 0; v < 256; ++v) {
        for (auto& lane : all[v].lanes) {
            lane = static_cast<uint8_t>(v);
        }
    }
    return all;
}();

// What the block test compares with: the target clamped to 0..255 and the two
// inclusive limits, each as a value between 0 and 255.
struct BlockLimits {
    int red, green, blue;
    int side, dist;
};

// The lanes' differences to the clamped target, by component.
struct BlockDiffs {
    alignas(kBlock) uint8_t red[kBlock];
    alignas(kBlock) uint8_t green[kBlock];
    alignas(kBlock) uint8_t blue[kBlock];
};

// Tests positions base..base + 15: bit k of the result is set where position
// base + k has both its green and blue differences within the side limit and the
// sum of its differences (held at 255 when larger) within the distance limit.
// Where a bit is set, that position's differences are in diffs.
[[gnu::always_inline]] inline uint32_t TestBlock(const CandidateList& list, int base,
                                                 const BlockLimits& limits, BlockDiffs* diffs)
{
#if defined(__SSE2__) || defined(__ARM_NEON)
    // All sixteen at once in byte vectors. The vectors stay inside this function:
    // none crosses a call, whatever the target's calling convention for them.
    auto load = [](Lanes* v, const uint8_t* p) { std::memcpy(v, p, sizeof *v); };
    auto absDiff = [](Lanes* v, const Lanes& target) {
        *v = (*v > target ? *v : target) - (*v < target ? *v : target);
    };
    auto addSaturated = [](Lanes* v, const Lanes& add) {
        Lanes room = ~*v;
        *v += add < room ? add : room;
    };
    Lanes red, green, blue, target, sum, side, sideLimit, distLimit;
    load(&red, list.red + base);
    load(&green, list.green + base);
    load(&blue, list.blue + base);
    load(&target, kRepeated[limits.red].lanes);
    absDiff(&red, target);
    load(&target, kRepeated[limits.green].lanes);
    absDiff(&green, target);
    load(&target, kRepeated[limits.blue].lanes);
    absDiff(&blue, target);
    load(&sideLimit, kRepeated[limits.side].lanes);
    load(&distLimit, kRepeated[limits.dist].lanes);
    side = green > blue ? green : blue;
    sum = green;
    addSaturated(&sum, blue);
    addSaturated(&sum, red);
    Lanes pass = reinterpret_cast<Lanes>((side <= sideLimit) & (sum <= distLimit));
#if defined(__SSE2__)
    using Signed = char __attribute__((vector_size(kBlock)));
    auto bits =
        static_cast<uint32_t>(__builtin_ia32_pmovmskb128(reinterpret_cast<Signed>(pass)));
#else
    // Lanes are 0x00 or 0xFF: gather bit 0 of each byte into one byte per half.
    uint64_t half[2];
    std::memcpy(half, &pass, sizeof half);
    constexpr uint64_t kLow = 0x0101010101010101ull;
    constexpr uint64_t kGather = 0x0102040810204080ull;
    uint32_t bits = static_cast<uint32_t>(((half[0] & kLow) * kGather) >> 56) |
                    static_cast<uint32_t>(((half[1] & kLow) * kGather) >> 56) << 8;
#endif
    if (bits != 0) {
        std::memcpy(diffs->red, &red, kBlock);
        std::memcpy(diffs->green, &green, kBlock);
        std::memcpy(diffs->blue, &blue, kBlock);
    }
    return bits;
#else
    // No byte vectors on this target: the same test, one position at a time.
    uint32_t bits = 0;
    for (int k = 0; k < kBlock; ++k) {
        int p = base + k;
        int g = Abs(list.green[p] - limits.green);
        int b = Abs(list.blue[p] - limits.blue);
        if (std::max(g, b) > limits.side) {
            continue;
        }
        int r = Abs(list.red[p] - limits.red);
        if (std::min(r + g + b, 255) > limits.dist) {
            continue;
        }
        diffs->red[k] = static_cast<uint8_t>(r);
        diffs->green[k] = static_cast<uint8_t>(g);
        diffs->blue[k] = static_cast<uint8_t>(b);
        bits |= 1u << k;
    }
    return bits;
#endif
}

// The walk for one target from a starting candidate at (dist, radius), dist > 0.
// Returns the list position of the last candidate taken, or -1 if none is.
//
// The block test works on the target clamped to 0..255, which it is unless the
// level lies outside 0..100 (kOutside). Clamping drops each component difference
// by the excess clamped off, so the limits drop by the same amounts; one limit
// serves green and blue (the larger of the two, which lets more through only
// where the target has left the cube), and limits above 255 are held at 255: the
// test then lets through more positions, never fewer.
template <bool kOutside>
int Walk(const CandidateList& list, int tr, int tg, int tb, int dist, int radius)
{
    int cr = tr, cg = tg, cb = tb;
    int excessRed = 0, excessGreen = 0, excessBlue = 0;
    if constexpr (kOutside) {
        cr = std::clamp(tr, 0, 255);
        cg = std::clamp(tg, 0, 255);
        cb = std::clamp(tb, 0, 255);
        excessRed = Abs(tr - cr);
        excessGreen = Abs(tg - cg);
        excessBlue = Abs(tb - cb);
    }
    int excessSide = std::min(excessGreen, excessBlue);
    int excessSideMax = std::max(excessGreen, excessBlue);
    int excessSum = excessRed + excessGreen + excessBlue;
    auto firstFrom = [&](int v) {
        return list.firstFrom[(kOutside ? std::clamp(v, -256, 256) : v) + 256];
    };
    auto lastUpTo = [&](int v) { return list.lastUpTo[kOutside ? std::clamp(v, 0, 511) : v]; };

    BlockLimits limits{cr, cg, cb, 0, 0};
    // False when no candidate can pass at all, whatever its colour.
    auto limit = [&] {
        if (kOutside && (radius < excessSideMax || dist - 1 - excessSum < 0)) {
            return false;
        }
        limits.side = std::min(radius - excessSide, 255);
        limits.dist = std::min(dist - 1 - excessSum, 255);
        return true;
    };
    if (!limit()) {
        return -1;
    }

    int i = firstFrom(tr - radius);
    int end = lastUpTo(std::min(tr + radius, 255));
    int found = -1;
    while (i <= end) {
        int base = i & ~(kBlock - 1);
        BlockDiffs diffs;
        uint32_t bits = TestBlock(list, base, limits, &diffs) & (~0u << (i - base));
        int next = base + kBlock;
        while (bits != 0) {
            int k = __builtin_ctz(bits);
            int p = base + k;
            bits &= bits - 1;
            if (p > end) {
                return found;
            }
            // The exact differences are the lanes' plus the excess clamped off.
            int g = diffs.green[k] + excessGreen;
            int b = diffs.blue[k] + excessBlue;
            if (g > radius || b > radius) {
                continue;
            }
            int r = diffs.red[k] + excessRed;
            int m = r + g + b;
            if (m >= dist) {
                continue;
            }
            found = p;
            dist = m;
            if (m == 0) {
                return found;
            }
            radius = Max3(r, g, b);
            end = lastUpTo(tr + radius);
            int resume = std::max(firstFrom(tr - radius + 1), p + 1);
            if (!limit()) {
                return found;
            }
            // The rest of this block needs no new test: the radius only grows when
            // the candidate taken lies above the window in red, and then the new
            // window ends at that candidate. Otherwise the condition has narrowed,
            // so what passes it now passed the block test.
            if (resume >= next) {
                next = resume;
                break;
            }
            bits &= ~0u << (resume - base);
        }
        i = next;
    }
    return found;
}

// For one component difference s_k - d_k (index + 255): the step from d_k to the
// target, trunc(diff * level / 100) with the product taken as a signed 32-bit
// integer, and the starting candidate's distance to the target in that
// component.
struct Step {
    int offset;
    int startDistance;
};
using Steps = std::array<Step, 511>;

void BuildSteps(int level, Steps* steps)
{
    for (int diff = -255; diff <= 255; ++diff) {
        int32_t product = static_cast<int32_t>(static_cast<uint32_t>(diff) *
                                               static_cast<uint32_t>(level));
        int offset = product / 100;
        // From the source (levels of 50 and up) or from the destination.
        int startDistance = level >= 50 ? Abs(diff - offset) : Abs(offset);
        (*steps)[diff + 255] = {offset, startDistance};
    }
}

template <bool kOutside>
void FillTranslucentRow(const SproxColor* palette, const CandidateList& list, const Steps& steps,
                        bool fromSource, int s, uint8_t* row)
{
    const SproxColor& source = palette[s];
    for (int d = 0; d < kRowSize; ++d) {
        const SproxColor& dest = palette[d];
        const Step& red = steps[source.red - dest.red + 255];
        const Step& green = steps[source.green - dest.green + 255];
        const Step& blue = steps[source.blue - dest.blue + 255];
        int dist = red.startDistance + green.startDistance + blue.startDistance;
        int found = -1;
        if (dist != 0) {
            found = Walk<kOutside>(list, dest.red + red.offset, dest.green + green.offset,
                                   dest.blue + blue.offset, dist,
                                   Max3(red.startDistance, green.startDistance, blue.startDistance));
        }
        row[d] = found < 0 ? static_cast<uint8_t>(fromSource ? s : d) : list.colour[found];
    }
}

} // namespace

uint8_t* CreateRop()
{
    auto* table = static_cast<uint8_t*>(sys::M().GlobalAlloc(kRopTableSize));
    if (table == nullptr) {
        Report(-3, "CreateRop");
        return nullptr;
    }
    RopInit(table);
    return table;
}

void DeleteRop(uint8_t* table)
{
    if (table == nullptr) {
        Report(-5, "DeleteRop");
        return;
    }
    sys::M().GlobalFree(table);
}

void RopInit(uint8_t* table)
{
    if (table == nullptr) {
        Report(-5, "RopInit");
        return;
    }
    for (int s = 0; s < kRowSize; ++s) {
        std::memset(table + s * kRowSize, s, kRowSize);
    }
}

void TransparentRop(uint8_t* table, uint8_t colour)
{
    if (table == nullptr) {
        Report(-5, "TransparentRop");
        return;
    }
    uint8_t* row = table + colour * kRowSize;
    for (int d = 0; d < kRowSize; ++d) {
        row[d] = static_cast<uint8_t>(d);
    }
}

void VisibleRop(uint8_t* table, uint8_t colour)
{
    if (table == nullptr) {
        Report(-5, "VisibleRop");
        return;
    }
    std::memset(table + colour * kRowSize, colour, kRowSize);
}

void TranslucentRop(const SproxColor* palette, uint8_t* table, uint8_t first, uint8_t last,
                    int level)
{
    if (table == nullptr) {
        Report(-5, "TranslucentRop");
        return;
    }
    if (level == 100) {
        for (int c = first; c <= last; ++c) {
            VisibleRop(table, static_cast<uint8_t>(c));
        }
        return;
    }
    if (level == 0) {
        for (int c = first; c <= last; ++c) {
            TransparentRop(table, static_cast<uint8_t>(c));
        }
        return;
    }
    CandidateList list;
    BuildCandidates(palette, &list);
    Steps steps;
    BuildSteps(level, &steps);
    bool outside = level < 0 || level > 100;
    for (int s = first; s <= last; ++s) {
        uint8_t* row = table + s * kRowSize;
        if (outside) {
            FillTranslucentRow<true>(palette, list, steps, level >= 50, s, row);
        } else {
            FillTranslucentRow<false>(palette, list, steps, level >= 50, s, row);
        }
    }
}

} // namespace sprox
