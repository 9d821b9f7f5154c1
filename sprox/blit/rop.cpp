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
// `dist`; a taken candidate narrows the window. The result is not always the
// nearest colour, and the table must still be exactly what this walk gives.
//
// Three things make it cheap without changing any entry:
// - The walk goes 16 positions at a time: a block's differences, distances and
//   radii are taken at once in byte vectors, and one compare per block marks the
//   positions the walk would take from its present state. Only those are
//   visited, in list order, with the walk's own steps; a taken candidate narrows
//   the limits, and the rest of the block is marked again from the saved
//   measures. A mark may only ever be extra, never missing: distances above 254
//   are held at 255 in a byte, so such a position passes while dist is above 255
//   and is then measured exactly; a target outside the cube (levels beyond
//   0..100) is measured from the cube's nearest point, with limits that let more
//   through and the walk's exact test on what passes. Machines without byte
//   vectors walk one position at a time.
// - At level 50 the entry (s, d) walks exactly as (d, s) does where every
//   component difference is even: both targets are the same midpoint, and s and
//   d, each the other's starting candidate, lie at the same distances from it.
//   Such an entry is taken from the row filled before it.
// - Rows whose source has the colour of a row already filled walk exactly as it
//   does, entry by entry (the same targets, starts at the same distances), so a
//   palette that repeats colours walks once per colour of source.
#include "sprox/blit/rop.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sprox {
namespace {

constexpr int kRowSize = 256;
constexpr int kCandidates = 252;
constexpr int kLastPosition = kCandidates - 1;

// Colours the search never finds (they still result as the starting candidate).
constexpr bool IsExcluded(int colour)
{
    return colour == 8 || colour == 9 || colour == 246 || colour == 247;
}

// Red bounds of windows around targets inside the cube lie in -255..511.
constexpr int kLowestRed = -255;
constexpr int kHighestRed = 511;

// What the walk needs of one palette, built once per table: the candidate list as
// colour index and components by list position (positions past the last
// candidate are padding that no window reaches), and where windows begin and end.
struct CandidateList {
    alignas(16) uint8_t red[kRowSize];
    alignas(16) uint8_t green[kRowSize];
    alignas(16) uint8_t blue[kRowSize];
    uint8_t colour[kRowSize];
    // For a red bound v at index v + 255: from[v], where a window whose low end is
    // v begins, is the position of the first candidate whose red is v or more;
    // to[v], where a window whose top is v ends, is the same but never past the
    // last candidate.
    int from[kHighestRed - kLowestRed + 1];
    int to[kHighestRed - kLowestRed + 1];
    // Colours that occur at more than one index: firstOf[c] is the lowest index with
    // c's colour, and repeats says whether any colour does. filledRow[c] for such a
    // lowest index: the row this call has filled for the colour, -1 until then.
    uint8_t firstOf[kRowSize];
    bool repeats;
    int filledRow[kRowSize];
};

void BuildCandidates(const SproxColor* palette, CandidateList* list)
{
    // Counting sort by red; indices ascend within one red value. start[v]: the
    // number of candidates whose red is below v.
    int start[kRowSize + 1] = {};
    for (int c = 0; c < 256; ++c) {
        if (!IsExcluded(c)) {
            ++start[palette[c].red + 1];
        }
    }
    for (int v = 1; v <= kRowSize; ++v) {
        start[v] += start[v - 1];
    }
    for (int v = kLowestRed; v <= kHighestRed; ++v) {
        list->from[v - kLowestRed] = start[std::clamp(v, 0, kRowSize)];
        list->to[v - kLowestRed] = std::min(start[std::clamp(v, 0, kRowSize)], kLastPosition);
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
        const SproxColor& colour = palette[c];
        int p = next[colour.red]++;
        list->red[p] = colour.red;
        list->green[p] = colour.green;
        list->blue[p] = colour.blue;
        list->colour[p] = static_cast<uint8_t>(c);
    }
    // Indices sorted by colour, then by index: each run of one colour begins with its
    // lowest index.
    uint32_t keys[kRowSize];
    for (int c = 0; c < 256; ++c) {
        const SproxColor& colour = palette[c];
        keys[c] = static_cast<uint32_t>(colour.red) << 24 | colour.green << 16 |
                  colour.blue << 8 | static_cast<uint32_t>(c);
    }
    std::sort(keys, keys + kRowSize);
    list->repeats = false;
    uint32_t first = keys[0];
    for (uint32_t key : keys) {
        if ((key ^ first) >> 8 != 0) {
            first = key;
        }
        list->firstOf[key & 255] = static_cast<uint8_t>(first);
        list->repeats |= key != first;
    }
    std::fill_n(list->filledRow, kRowSize, -1);
}

int Abs(int v) { return v < 0 ? -v : v; }
int Max3(int a, int b, int c) { return std::max(std::max(a, b), c); }

struct Target {
    int red, green, blue;
};

// Window bounds for any red bound v: past -255 and 511 they are those of 0 and 256.
int WindowFrom(const CandidateList& list, int v)
{
    return list.from[std::clamp(v, kLowestRed, kHighestRed) - kLowestRed];
}
int WindowTo(const CandidateList& list, int v)
{
    return list.to[std::clamp(v, kLowestRed, kHighestRed) - kLowestRed];
}

#if defined(__SSE2__)
constexpr int kBlock = 16;

// Every byte value repeated across a vector, so that a target or a limit becomes a
// vector in one load.
struct alignas(kBlock) Lanes {
    uint8_t lane[kBlock];
};
constexpr auto kRepeated = [] {
    std::array<Lanes, 256> all{};
    for (int v = 0; v < 256; ++v) {
        for (auto& lane : all[v].lane) {
            lane = static_cast<uint8_t>(v);
        }
    }
    return all;
}();

__m128i Load(const void* p) { return _mm_load_si128(static_cast<const __m128i*>(p)); }
__m128i Repeat(int v) { return Load(&kRepeated[v]); }

// The walk for one target from a starting candidate at (dist, radius), dist > 0,
// a block of 16 positions at a time; returns the list position of the last
// candidate taken, or -1 if none is. A target outside the cube (kOutside) is measured from its nearest point in the cube: a candidate's
// difference in a component is its difference to that point plus the target's
// excess beyond the cube there, so the block limits drop by the excesses, with
// the smaller of the green and blue ones for both (letting more through), and a
// position that passes is checked with the walk's exact steps. Inside the cube
// every difference and radius fits a byte, every red bound lies within the window
// tables, and a position that passes is taken.
template <bool kOutside>
int VectorWalk(const CandidateList& list, const Target& t, int dist, int radius)
{
    Target near = t;
    int excessRed = 0, excessGreen = 0, excessBlue = 0;
    if constexpr (kOutside) {
        near = {std::clamp(t.red, 0, 255), std::clamp(t.green, 0, 255), std::clamp(t.blue, 0, 255)};
        excessRed = Abs(t.red - near.red);
        excessGreen = Abs(t.green - near.green);
        excessBlue = Abs(t.blue - near.blue);
    }
    const int excessSide = std::min(excessGreen, excessBlue);
    const int excessSum = excessRed + excessGreen + excessBlue;
    const __m128i red = Repeat(near.red), green = Repeat(near.green), blue = Repeat(near.blue);
    auto absDiff = [](__m128i a, __m128i b) {
        return _mm_or_si128(_mm_subs_epu8(a, b), _mm_subs_epu8(b, a));
    };
    // A lane passes where its distance to the near point is at most distLimit and
    // its green and blue differences at most sideLimit. False where no candidate
    // can pass any more.
    __m128i distLimit = _mm_setzero_si128(), sideLimit = _mm_setzero_si128();
    auto narrow = [&] {
        int d = dist - 1 - excessSum, side = radius - excessSide;
        if (kOutside && (d < 0 || side < 0)) {
            return false;
        }
        distLimit = Repeat(std::min(d, 255));
        sideLimit = Repeat(kOutside ? std::min(side, 255) : side);
        return true;
    };
    // The window's low end and top for red bounds t.red + offset.
    const int* fromTarget = list.from + (near.red - kLowestRed);
    const int* toTarget = list.to + (near.red - kLowestRed);
    auto from = [&](int offset) {
        return kOutside ? WindowFrom(list, t.red + offset) : fromTarget[offset];
    };
    auto to = [&](int offset) {
        return kOutside ? WindowTo(list, t.red + offset) : toTarget[offset];
    };
    if (!narrow()) {
        return -1;
    }
    int found = -1;
    // The window's top is held at red 255 until a candidate is taken, at 256 after.
    int end = to(std::min(radius, 255 - t.red));
    int i = from(-radius);
    while (i <= end) {
        int base = i & -kBlock;
        __m128i r = absDiff(Load(list.red + base), red);
        __m128i g = absDiff(Load(list.green + base), green);
        __m128i b = absDiff(Load(list.blue + base), blue);
        __m128i side = _mm_max_epu8(g, b);
        __m128i sum = _mm_adds_epu8(_mm_adds_epu8(r, g), b);
        // Bit k set where lane k passes.
        auto pass = [&] {
            __m128i over = _mm_or_si128(_mm_subs_epu8(sum, distLimit),
                                        _mm_subs_epu8(side, sideLimit));
            return static_cast<uint32_t>(
                _mm_movemask_epi8(_mm_cmpeq_epi8(over, _mm_setzero_si128())));
        };
        uint32_t bits = pass() & (~0u << (i - base));
        i = base + kBlock;
        if (bits == 0) {
            continue;
        }
        alignas(kBlock) uint8_t sums[kBlock];
        alignas(kBlock) uint8_t radii[kBlock];
        _mm_store_si128(reinterpret_cast<__m128i*>(sums), sum);
        _mm_store_si128(reinterpret_cast<__m128i*>(radii), _mm_max_epu8(r, side));
        do {
            int k = std::countr_zero(bits);
            int p = base + k;
            if (p > end) {
                return found;
            }
            // A position not taken is cleared from the marks below; a taken one is
            // passed over when the rest of the block is marked again.
            int m = sums[k];
            if constexpr (kOutside) {
                // The walk's own test.
                int dg = Abs(list.green[p] - t.green);
                int db = Abs(list.blue[p] - t.blue);
                m = Abs(list.red[p] - t.red) + dg + db;
                if (dg > radius || db > radius || m >= dist) {
                    bits &= bits - 1;
                    continue;
                }
            } else if (m == 255) {
                // Held at 255: measured exactly.
                m = Abs(list.red[p] - t.red) + Abs(list.green[p] - t.green) +
                    Abs(list.blue[p] - t.blue);
                if (m >= dist) {
                    bits &= bits - 1;
                    continue;
                }
            }
            found = p;
            dist = m;
            if (m == 0) {
                return found;
            }
            radius = kOutside ? Max3(Abs(list.red[p] - t.red), Abs(list.green[p] - t.green),
                                     Abs(list.blue[p] - t.blue))
                              : radii[k];
            end = to(radius);
            int resume = std::max(from(1 - radius), p + 1);
            if (resume > end) {
                return found;
            }
            if (!narrow()) {
                return found;
            }
            if (resume >= i) {
                i = resume;
                break;
            }
            bits = pass() & (~0u << (resume - base));
        } while (bits != 0);
    }
    return found;
}
#else
// The walk, one position at a time, on machines without byte vectors. Starts from
// a starting candidate at (dist, radius), dist > 0; returns the list position of
// the last candidate taken, or -1 if none is.
int PlainWalk(const CandidateList& list, const Target& t, int dist, int radius)
{
    int found = -1;
    // The window's top is held at red 255 until a candidate is taken, at 256 after.
    int end = WindowTo(list, std::min(t.red + radius, 255));
    int i = WindowFrom(list, t.red - radius);
    while (i <= end) {
        int p = i++;
        int g = Abs(list.green[p] - t.green);
        int b = Abs(list.blue[p] - t.blue);
        if (g > radius || b > radius) {
            continue;
        }
        int r = Abs(list.red[p] - t.red);
        if (r + g + b >= dist) {
            continue;
        }
        found = p;
        dist = r + g + b;
        if (dist == 0) {
            break;
        }
        radius = Max3(r, g, b);
        end = WindowTo(list, t.red + radius);
        i = std::max(WindowFrom(list, t.red - radius + 1), p + 1);
    }
    return found;
}
#endif

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

// Row s copied from row r of the same colour, filled before it in this call: every
// entry walks alike (the same target, a start at the same distances), and s takes
// the place of r where the start r resulted (r is never taken: it is no closer than
// itself). Kept out of line: the row loop below is the hot code, and compiles
// tighter without it.
[[gnu::noinline]] void CopyRow(uint8_t* table, int r, bool fromSource, int s)
{
    const uint8_t* from = table + r * kRowSize;
    uint8_t* row = table + s * kRowSize;
    for (int d = 0; d < kRowSize; ++d) {
        row[d] = static_cast<uint8_t>(fromSource && from[d] == r ? s : from[d]);
    }
}

// Row s of the table. Rows from mirrorFrom on take their level-50 mirrored entries
// from the rows filled before them: (d, s) gives d exactly where its walk took
// nothing (whatever it takes is strictly closer than its start d), and then (s, d)
// gives its own start s. Where the palette repeats colours, a row whose colour an
// earlier row of this call has is copied from it.
void FillTranslucentRow(const SproxColor* palette, CandidateList& list, const Steps& steps,
                        bool fromSource, int mirrorFrom, int s, uint8_t* table)
{
    uint8_t* row = table + s * kRowSize;
    if (list.repeats) {
        int& filled = list.filledRow[list.firstOf[s]];
        if (filled >= 0) {
            CopyRow(table, filled, fromSource, s);
            return;
        }
        filled = s;
    }
    const SproxColor& source = palette[s];
    for (int d = 0; d < kRowSize; ++d) {
        const SproxColor& dest = palette[d];
        int odd = (source.red ^ dest.red) | (source.green ^ dest.green) | (source.blue ^ dest.blue);
        if (d >= mirrorFrom && d < s && (odd & 1) == 0) {
            int mirrored = table[d * kRowSize + s];
            row[d] = static_cast<uint8_t>(mirrored == d ? s : mirrored);
            continue;
        }
        const Step& red = steps[source.red - dest.red + 255];
        const Step& green = steps[source.green - dest.green + 255];
        const Step& blue = steps[source.blue - dest.blue + 255];
        int dist = red.startDistance + green.startDistance + blue.startDistance;
        int found = -1;
        if (dist != 0) {
            Target t{dest.red + red.offset, dest.green + green.offset, dest.blue + blue.offset};
            int radius = Max3(red.startDistance, green.startDistance, blue.startDistance);
#if defined(__SSE2__)
            if (((t.red | t.green | t.blue) & ~255) == 0) {
                found = VectorWalk<false>(list, t, dist, radius);
            } else {
                found = VectorWalk<true>(list, t, dist, radius);
            }
#else
            found = PlainWalk(list, t, dist, radius);
#endif
        }
        row[d] = found < 0 ? static_cast<uint8_t>(fromSource ? s : d) : list.colour[found];
    }
}

// Rows first..last at a level other than 0 and 100.
void FillTranslucentRows(const SproxColor* palette, uint8_t* table, int first, int last,
                         int level)
{
    CandidateList list;
    BuildCandidates(palette, &list);
    Steps steps;
    BuildSteps(level, &steps);
    // Only level 50 mirrors, and only from rows this call fills.
    int mirrorFrom = level == 50 ? first : kRowSize;
    for (int s = first; s <= last; ++s) {
        FillTranslucentRow(palette, list, steps, level >= 50, mirrorFrom, s, table);
    }
}

} // namespace

bool RopInit(uint8_t* table)
{
    if (table == nullptr) {
        return false;
    }
    for (int s = 0; s < kRowSize; ++s) {
        std::memset(table + s * kRowSize, s, kRowSize);
    }
    return true;
}

bool TransparentRop(uint8_t* table, uint8_t colour)
{
    if (table == nullptr) {
        return false;
    }
    uint8_t* row = table + colour * kRowSize;
    for (int d = 0; d < kRowSize; ++d) {
        row[d] = static_cast<uint8_t>(d);
    }
    return true;
}

bool VisibleRop(uint8_t* table, uint8_t colour)
{
    if (table == nullptr) {
        return false;
    }
    std::memset(table + colour * kRowSize, colour, kRowSize);
    return true;
}

bool TranslucentRop(const SproxColor* palette, uint8_t* table, uint8_t first, uint8_t last,
                    int level)
{
    if (table == nullptr) {
        return false;
    }
    if (level == 100) {
        for (int c = first; c <= last; ++c) {
            VisibleRop(table, static_cast<uint8_t>(c));
        }
        return true;
    }
    if (level == 0) {
        for (int c = first; c <= last; ++c) {
            TransparentRop(table, static_cast<uint8_t>(c));
        }
        return true;
    }
    FillTranslucentRows(palette, table, first, last, level);
    return true;
}

} // namespace sprox
