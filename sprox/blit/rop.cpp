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
// Four things make it cheap without changing any entry:
// - On machines with AVX2 (64-bit builds outside Windows), the entries of a row
//   whose targets lie in the cube and whose start lies nearer than 255 are walked
//   32 at a time, one per byte lane of a vector, every lane stepping through the
//   list with the others and taking what its own walk takes. The other entries,
//   and every entry elsewhere, walk alone as follows.
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
// 64-bit Windows compilers do not align the stack for 256-bit spills, so the
// AVX2 walk is built for 64-bit x86 elsewhere only.
#if defined(__x86_64__) && !defined(_WIN32)
#define SPROX_WIDE_WALK 1
#include <immintrin.h>
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
    // The red of the candidate before each position (0 before the first): a window
    // whose top is v ends at the first position whose previous red is v or more.
    uint8_t previousRed[kRowSize];
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
    list->previousRed[0] = 0;
    for (int p = 1; p < kRowSize; ++p) {
        list->previousRed[p] = list->red[p - 1];
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

#if defined(SPROX_WIDE_WALK)
constexpr int kWide = 32;

// The entries of one row that take the wide walk, as they are found:
// destination, target, starting distance and radius, and the list position where
// the window begins.
struct RowEntries {
    int count = 0;
    uint8_t dest[kRowSize], red[kRowSize], green[kRowSize], blue[kRowSize];
    uint8_t dist[kRowSize], radius[kRowSize], from[kRowSize];
};

// The same entries in the order of their windows' starts, in groups of 32 lanes
// (a group's lanes begin close together and end about together), each group with
// the window start of its first lane; the last group is filled up with lanes
// that never take anything. `found` receives the list position each lane took
// last (255: none).
struct WideLanes {
    alignas(kWide) uint8_t red[kRowSize];
    alignas(kWide) uint8_t green[kRowSize];
    alignas(kWide) uint8_t blue[kRowSize];
    alignas(kWide) uint8_t dist[kRowSize];
    alignas(kWide) uint8_t radius[kRowSize];
    alignas(kWide) uint8_t high[kRowSize];
    alignas(kWide) uint8_t found[kRowSize];
    uint8_t dest[kRowSize];
    uint8_t groupFrom[kRowSize / kWide];
};

// 32 walks at once (machines with AVX2), lanes first .. first + 31, all stepping
// through the list together from position `from`, without a branch on the data.
// In each lane the walk's tests become byte comparisons against the lane's state:
// a candidate is taken where its distance is below `dist`, its green and blue
// differences are at most `radius`, its red lies at most `low` below the target's,
// and the red before it at most `high` above (the window's top); a take sets dist
// and radius to the candidate's, low and high to radius - 1. Before any take, low
// is the starting radius and high min(radius, 255 - red) - 1: the window's top
// held at red 255. A lane whose window has not begun fails the low test; one whose
// window has ended can take nothing more (the red before a position only grows),
// and the walk stops when every lane's has. Every quantity fits a byte: the
// targets lie in the cube, and dist starts below 255, so that a distance held at
// 255 is never taken.
[[gnu::target("avx2")]] void WideWalk(const CandidateList& list, WideLanes& lanes, int first,
                                      int from)
{
    const __m256i one = _mm256_set1_epi8(1);
    const __m256i zero = _mm256_setzero_si256();
    // (Loads spelt out: a lambda would not take this function's target.)
    const __m256i red = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes.red + first));
    const __m256i green = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes.green + first));
    const __m256i blue = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes.blue + first));
    __m256i dist = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes.dist + first));
    __m256i radius = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes.radius + first));
    __m256i low = radius;
    __m256i high = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes.high + first));
    __m256i position = _mm256_set1_epi8(static_cast<char>(from));
    __m256i found = _mm256_set1_epi8(-1);
    for (int p = from; p < kCandidates; ++p) {
        const __m256i r = _mm256_set1_epi8(static_cast<char>(list.red[p]));
        const __m256i g = _mm256_set1_epi8(static_cast<char>(list.green[p]));
        const __m256i b = _mm256_set1_epi8(static_cast<char>(list.blue[p]));
        const __m256i previous = _mm256_set1_epi8(static_cast<char>(list.previousRed[p]));
        // Not zero where the lane's window has ended.
        const __m256i ended = _mm256_subs_epu8(_mm256_subs_epu8(previous, red), high);
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi8(ended, zero)) == 0) {
            break;
        }
        const __m256i below = _mm256_subs_epu8(red, r);
        const __m256i dr = _mm256_or_si256(below, _mm256_subs_epu8(r, red));
        const __m256i dg = _mm256_or_si256(_mm256_subs_epu8(g, green), _mm256_subs_epu8(green, g));
        const __m256i db = _mm256_or_si256(_mm256_subs_epu8(b, blue), _mm256_subs_epu8(blue, b));
        const __m256i side = _mm256_max_epu8(dg, db);
        const __m256i sum = _mm256_adds_epu8(_mm256_adds_epu8(dr, dg), db);
        const __m256i over = _mm256_or_si256(
            _mm256_or_si256(_mm256_subs_epu8(_mm256_adds_epu8(sum, one), dist),
                            _mm256_subs_epu8(side, radius)),
            _mm256_or_si256(_mm256_subs_epu8(below, low), ended));
        const __m256i take = _mm256_cmpeq_epi8(over, zero);
        const __m256i widest = _mm256_max_epu8(dr, side);
        const __m256i narrowed = _mm256_subs_epu8(widest, one);
        dist = _mm256_blendv_epi8(dist, sum, take);
        radius = _mm256_blendv_epi8(radius, widest, take);
        low = _mm256_blendv_epi8(low, narrowed, take);
        high = _mm256_blendv_epi8(high, narrowed, take);
        found = _mm256_blendv_epi8(found, position, take);
        position = _mm256_add_epi8(position, one);
    }
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes.found + first), found);
}

// Walks the wide entries of row s and stores their results in the row.
void WideWalkRow(const CandidateList& list, const RowEntries& e, bool fromSource, int s,
                 uint8_t* row)
{
    // A counting sort by window start (0 .. kCandidates) puts each entry in its lane.
    int start[kCandidates + 2] = {};
    for (int k = 0; k < e.count; ++k) {
        ++start[e.from[k] + 1];
    }
    for (int v = 1; v <= kCandidates + 1; ++v) {
        start[v] += start[v - 1];
    }
    WideLanes lanes;
    for (int k = 0; k < e.count; ++k) {
        int i = start[e.from[k]]++;
        lanes.red[i] = e.red[k];
        lanes.green[i] = e.green[k];
        lanes.blue[i] = e.blue[k];
        lanes.dist[i] = e.dist[k];
        lanes.radius[i] = e.radius[k];
        lanes.high[i] = static_cast<uint8_t>(std::min(e.radius[k], uint8_t(255 - e.red[k])) - 1);
        lanes.dest[i] = e.dest[k];
        if (i % kWide == 0) {
            lanes.groupFrom[i / kWide] = e.from[k];
        }
    }
    // Lanes past the last entry: distance 0 takes nothing, and the window ends at
    // the first position whose previous red is above 0.
    int filled = (e.count + kWide - 1) & -kWide;
    for (int i = e.count; i < filled; ++i) {
        lanes.red[i] = lanes.green[i] = lanes.blue[i] = 0;
        lanes.dist[i] = lanes.radius[i] = lanes.high[i] = 0;
    }
    for (int first = 0; first < e.count; first += kWide) {
        WideWalk(list, lanes, first, lanes.groupFrom[first / kWide]);
    }
    for (int i = 0; i < e.count; ++i) {
        int d = lanes.dest[i];
        int found = lanes.found[i];
        row[d] = found == 255 ? static_cast<uint8_t>(fromSource ? s : d) : list.colour[found];
    }
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
                        bool fromSource, int mirrorFrom, bool wide, int s, uint8_t* table)
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
#if defined(SPROX_WIDE_WALK)
    RowEntries entries;
#else
    (void)wide;
#endif
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
#if defined(SPROX_WIDE_WALK)
            if (wide && ((t.red | t.green | t.blue) & ~255) == 0 && t.red < 255 && dist < 255) {
                int k = entries.count++;
                entries.dest[k] = static_cast<uint8_t>(d);
                entries.red[k] = static_cast<uint8_t>(t.red);
                entries.green[k] = static_cast<uint8_t>(t.green);
                entries.blue[k] = static_cast<uint8_t>(t.blue);
                entries.dist[k] = static_cast<uint8_t>(dist);
                entries.radius[k] = static_cast<uint8_t>(radius);
                entries.from[k] = static_cast<uint8_t>(list.from[t.red - radius - kLowestRed]);
                continue;
            }
#endif
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
#if defined(SPROX_WIDE_WALK)
    WideWalkRow(list, entries, fromSource, s, row);
#endif
}

// Rows first..last at a level other than 0 and 100.
void FillTranslucentRows(const SproxColor* palette, uint8_t* table, int first, int last,
                         int level, bool wide)
{
    CandidateList list;
    BuildCandidates(palette, &list);
    Steps steps;
    BuildSteps(level, &steps);
    // Only level 50 mirrors, and only from rows this call fills.
    int mirrorFrom = level == 50 ? first : kRowSize;
    for (int s = first; s <= last; ++s) {
        FillTranslucentRow(palette, list, steps, level >= 50, mirrorFrom, wide, s, table);
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
                    int level, RopWalk walk)
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
#if defined(SPROX_WIDE_WALK)
    bool wide = walk == RopWalk::Best && __builtin_cpu_supports("avx2");
#else
    bool wide = false;
    (void)walk;
#endif
    FillTranslucentRows(palette, table, first, last, level, wide);
    return true;
}

} // namespace sprox
