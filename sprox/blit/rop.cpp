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

Lanes Load(const uint8_t* p)
{
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

Lanes Splat(int v) { return Load(kRepeated[v].lanes); }

Lanes AbsDiff(Lanes a, Lanes b) { return (a > b ? a : b) - (a < b ? a : b); }

Lanes AddSaturated(Lanes a, Lanes b)
{
    Lanes room = ~a;
    return a + (b < room ? b : room);
}

// Bit k set where lane k is 0xFF (lanes are 0x00 or 0xFF).
uint32_t LaneBits(Lanes lanes)
{
    uint64_t half[2];
    std::memcpy(half, &lanes, sizeof half);
    if ((half[0] | half[1]) == 0) {
        return 0;
    }
    constexpr uint64_t kLow = 0x0101010101010101ull;
    constexpr uint64_t kGather = 0x0102040810204080ull;
    uint32_t low = static_cast<uint32_t>(((half[0] & kLow) * kGather) >> 56);
    uint32_t high = static_cast<uint32_t>(((half[1] & kLow) * kGather) >> 56);
    return low | high << 8;
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
    int excessSide = 0, excessSideMax = 0, excessSum = 0;
    if constexpr (kOutside) {
        cr = std::clamp(tr, 0, 255);
        cg = std::clamp(tg, 0, 255);
        cb = std::clamp(tb, 0, 255);
        excessSide = std::min(Abs(tg - cg), Abs(tb - cb));
        excessSideMax = std::max(Abs(tg - cg), Abs(tb - cb));
        excessSum = Abs(tr - cr) + Abs(tg - cg) + Abs(tb - cb);
    }
    auto firstFrom = [&](int v) {
        return list.firstFrom[(kOutside ? std::clamp(v, -256, 256) : v) + 256];
    };
    auto lastUpTo = [&](int v) { return list.lastUpTo[kOutside ? std::clamp(v, 0, 511) : v]; };

    Lanes targetRed = Splat(cr);
    Lanes targetGreen = Splat(cg);
    Lanes targetBlue = Splat(cb);
    Lanes sideLimit, distLimit;
    // False when no candidate can pass at all, whatever its colour.
    auto limit = [&] {
        if (kOutside && (radius < excessSideMax || dist - 1 - excessSum < 0)) {
            return false;
        }
        sideLimit = Splat(std::min(radius - excessSide, 255));
        distLimit = Splat(std::min(dist - 1 - excessSum, 255));
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
        Lanes ag = AbsDiff(Load(list.green + base), targetGreen);
        Lanes ab = AbsDiff(Load(list.blue + base), targetBlue);
        Lanes ar = AbsDiff(Load(list.red + base), targetRed);
        Lanes side = ag > ab ? ag : ab;
        Lanes sum = AddSaturated(AddSaturated(ag, ab), ar);
        uint32_t bits =
            LaneBits(reinterpret_cast<Lanes>((side <= sideLimit) & (sum <= distLimit)));
        bits &= ~0u << (i - base);
        int next = base + kBlock;
        while (bits != 0) {
            int p = base + __builtin_ctz(bits);
            bits &= bits - 1;
            if (p > end) {
                return found;
            }
            int g = Abs(list.green[p] - tg);
            int b = Abs(list.blue[p] - tb);
            if (g > radius || b > radius) {
                continue;
            }
            int r = Abs(list.red[p] - tr);
            int m = r + g + b;
            if (m >= dist) {
                continue;
            }
            found = p;
            dist = m;
            if (m == 0) {
                return found;
            }
            int wider = Max3(r, g, b);
            bool widened = wider > radius;
            radius = wider;
            end = lastUpTo(tr + radius);
            int resume = std::max(firstFrom(tr - radius + 1), p + 1);
            if (!limit()) {
                return found;
            }
            // A narrower condition only drops positions of this block that passed
            // the old one; a wider one (a candidate just past the red window can
            // raise the radius) needs the block tested again.
            if (widened || resume >= next) {
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
