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
// - On machines with AVX2 (64-bit builds outside Windows), at levels 1..99, the
//   entries whose target lies below red 255 and whose start lies nearer than 255
//   are walked 32 at a time, one per byte lane of a vector, every lane stepping
//   through the list with the others and taking what its own walk takes. A row's
//   targets and starts are worked out 16 at a time in vectors, and the entries of
//   all rows are sorted into groups of lanes whose windows begin and end close
//   together. The other entries, and every entry elsewhere, walk alone as
//   follows.
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
//   Such an entry is taken from the row filled before it, once that row's walks
//   are done.
// - Rows whose source has the colour of a row already filled walk exactly as it
//   does, entry by entry (the same targets, starts at the same distances), so a
//   palette that repeats colours walks once per colour of source.
#include "sprox/blit/rop.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

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
// candidate taken, or -1 if none is. A target outside the cube (kOutside) is
// measured from its nearest point in the cube: a candidate's difference in a
// component is its difference to that point plus the target's excess beyond the
// cube there, so the block limits drop by the excesses, with the smaller of the
// green and blue ones for both (letting more through), and a position that
// passes is checked with the walk's exact steps. Inside the cube every
// difference and radius fits a byte, every red bound lies within the window
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
constexpr int kTableEntries = kRowSize * kRowSize;
// Lanes are grouped by target red in steps of 8, then by the window's low red bound
// in steps of 4.
constexpr int kGroupKeys = 32 * 64;

// The entries of one table that take the wide walk, each packed in 8 bytes:
// target red, green and blue, starting distance and radius, the window's low red
// bound (at least 0), destination, source. `entries` holds them as they are
// found, with their group keys; `lanes` in the order of their keys, in groups of
// 32, the last one filled up with copies of the last entry (a copy fills the same
// table entry with the same colour).
struct WideEntries {
    int count = 0;
    int keyCount[kGroupKeys] = {};
    uint16_t key[kTableEntries];
    uint64_t entries[kTableEntries];
    alignas(kWide) uint64_t lanes[kTableEntries];
};

// The walk's state in 32 lanes; `found` holds the colour each lane took last, its
// starting candidate until it takes one.
struct WideState {
    __m256i dist, radius, low, high, found;
};

// One position of the wide walk (see WideWalk); returns the lanes' ended marks.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i WideStep(const CandidateList& list,
                                                                    int p, __m256i red,
                                                                    __m256i green, __m256i blue,
                                                                    WideState& s)
{
    const __m256i one = _mm256_set1_epi8(1);
    const __m256i r = _mm256_set1_epi8(static_cast<char>(list.red[p]));
    const __m256i g = _mm256_set1_epi8(static_cast<char>(list.green[p]));
    const __m256i b = _mm256_set1_epi8(static_cast<char>(list.blue[p]));
    const __m256i previous = _mm256_set1_epi8(static_cast<char>(list.previousRed[p]));
    // Not zero where the lane's window has ended.
    const __m256i ended = _mm256_subs_epu8(_mm256_subs_epu8(previous, red), s.high);
    const __m256i below = _mm256_subs_epu8(red, r);
    const __m256i dr = _mm256_or_si256(below, _mm256_subs_epu8(r, red));
    const __m256i dg = _mm256_or_si256(_mm256_subs_epu8(g, green), _mm256_subs_epu8(green, g));
    const __m256i db = _mm256_or_si256(_mm256_subs_epu8(b, blue), _mm256_subs_epu8(blue, b));
    const __m256i side = _mm256_max_epu8(dg, db);
    const __m256i sum = _mm256_adds_epu8(_mm256_adds_epu8(dr, dg), db);
    const __m256i over = _mm256_or_si256(
        _mm256_or_si256(_mm256_subs_epu8(_mm256_adds_epu8(sum, one), s.dist),
                        _mm256_subs_epu8(side, s.radius)),
        _mm256_or_si256(_mm256_subs_epu8(below, s.low), ended));
    const __m256i take = _mm256_cmpeq_epi8(over, _mm256_setzero_si256());
    const __m256i widest = _mm256_max_epu8(dr, side);
    const __m256i narrowed = _mm256_subs_epu8(widest, one);
    s.dist = _mm256_blendv_epi8(s.dist, sum, take);
    s.radius = _mm256_blendv_epi8(s.radius, widest, take);
    s.low = _mm256_blendv_epi8(s.low, narrowed, take);
    s.high = _mm256_blendv_epi8(s.high, narrowed, take);
    s.found = _mm256_blendv_epi8(s.found, _mm256_set1_epi8(static_cast<char>(list.colour[p])),
                                 take);
    return ended;
}

// 32 walks at once (machines with AVX2), the lanes of one group, all stepping
// through the list together, without a branch on the data, from the earliest
// window start of the group; the results go into the table.
// In each lane the walk's tests become byte comparisons against the lane's state:
// a candidate is taken where its distance is below `dist`, its green and blue
// differences are at most `radius`, its red lies at most `low` below the target's,
// and the red before it at most `high` above (the window's top); a take sets dist
// and radius to the candidate's, low and high to radius - 1. Before any take, low
// is the starting radius and high min(radius, 255 - red) - 1: the window's top
// held at red 255. A lane whose window has not begun fails the low test; one whose
// window has ended can take nothing more (the red before a position only grows),
// and the walk stops when every lane's has, looking every fourth position. Every
// quantity fits a byte: the targets lie in the cube, and dist starts below 255, so
// that a distance held at 255 is never taken.
[[gnu::target("avx2")]] void WideWalk(const CandidateList& list, const uint64_t* group,
                                      bool fromSource, uint8_t* table)
{
    // The 32 packed entries become a vector per field: within each 128-bit half,
    // the two entries of a load are interleaved by field, then three rounds of
    // unpacking gather each field of all eight loads. (The lanes come out in
    // another order than the entries, the same for every field.)
    const __m256i interleave = _mm256_setr_epi8(0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7,
                                                15, 0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14,
                                                7, 15);
    auto* lanes = reinterpret_cast<const __m256i*>(group);
    const __m256i x0 = _mm256_shuffle_epi8(_mm256_load_si256(lanes), interleave);
    const __m256i x1 = _mm256_shuffle_epi8(_mm256_load_si256(lanes + 1), interleave);
    const __m256i x2 = _mm256_shuffle_epi8(_mm256_load_si256(lanes + 2), interleave);
    const __m256i x3 = _mm256_shuffle_epi8(_mm256_load_si256(lanes + 3), interleave);
    const __m256i x4 = _mm256_shuffle_epi8(_mm256_load_si256(lanes + 4), interleave);
    const __m256i x5 = _mm256_shuffle_epi8(_mm256_load_si256(lanes + 5), interleave);
    const __m256i x6 = _mm256_shuffle_epi8(_mm256_load_si256(lanes + 6), interleave);
    const __m256i x7 = _mm256_shuffle_epi8(_mm256_load_si256(lanes + 7), interleave);
    // Fields 0-3 and 4-7 of loads 0-1, 2-3, 4-5, 6-7.
    const __m256i a0 = _mm256_unpacklo_epi16(x0, x1), a1 = _mm256_unpackhi_epi16(x0, x1);
    const __m256i a2 = _mm256_unpacklo_epi16(x2, x3), a3 = _mm256_unpackhi_epi16(x2, x3);
    const __m256i a4 = _mm256_unpacklo_epi16(x4, x5), a5 = _mm256_unpackhi_epi16(x4, x5);
    const __m256i a6 = _mm256_unpacklo_epi16(x6, x7), a7 = _mm256_unpackhi_epi16(x6, x7);
    // Fields 0-1, 2-3, 4-5, 6-7 of loads 0-3, then of loads 4-7.
    const __m256i b0 = _mm256_unpacklo_epi32(a0, a2), b1 = _mm256_unpackhi_epi32(a0, a2);
    const __m256i b2 = _mm256_unpacklo_epi32(a1, a3), b3 = _mm256_unpackhi_epi32(a1, a3);
    const __m256i b4 = _mm256_unpacklo_epi32(a4, a6), b5 = _mm256_unpackhi_epi32(a4, a6);
    const __m256i b6 = _mm256_unpacklo_epi32(a5, a7), b7 = _mm256_unpackhi_epi32(a5, a7);
    const __m256i field[8] = {
        _mm256_unpacklo_epi64(b0, b4), _mm256_unpackhi_epi64(b0, b4),
        _mm256_unpacklo_epi64(b1, b5), _mm256_unpackhi_epi64(b1, b5),
        _mm256_unpacklo_epi64(b2, b6), _mm256_unpackhi_epi64(b2, b6),
        _mm256_unpacklo_epi64(b3, b7), _mm256_unpackhi_epi64(b3, b7)};
    const __m256i red = field[0], green = field[1], blue = field[2];
    const __m256i dest = field[6], source = field[7];
    WideState s;
    s.dist = field[3];
    s.radius = field[4];
    s.low = s.radius;
    s.high =
        _mm256_subs_epu8(_mm256_min_epu8(s.radius, _mm256_xor_si256(red, _mm256_set1_epi8(-1))),
                         _mm256_set1_epi8(1));
    s.found = fromSource ? source : dest;
    // The walk begins where the lowest of the windows does.
    __m128i lowest = _mm_min_epu8(_mm256_castsi256_si128(field[5]),
                                  _mm256_extracti128_si256(field[5], 1));
    lowest = _mm_min_epu8(lowest, _mm_srli_si128(lowest, 8));
    lowest = _mm_min_epu8(lowest, _mm_srli_si128(lowest, 4));
    lowest = _mm_min_epu8(lowest, _mm_srli_si128(lowest, 2));
    lowest = _mm_min_epu8(lowest, _mm_srli_si128(lowest, 1));
    int p = WindowFrom(list, _mm_cvtsi128_si32(lowest) & 255);
    const __m256i zero = _mm256_setzero_si256();
    for (; p + 3 < kCandidates; p += 4) {
        WideStep(list, p, red, green, blue, s);
        WideStep(list, p + 1, red, green, blue, s);
        WideStep(list, p + 2, red, green, blue, s);
        const __m256i ended = WideStep(list, p + 3, red, green, blue, s);
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi8(ended, zero)) == 0) {
            break;
        }
    }
    if (p + 3 >= kCandidates) {
        for (; p < kCandidates; ++p) {
            WideStep(list, p, red, green, blue, s);
        }
    }
    // Each lane's table entry, source * 256 + destination, beside its colour.
    alignas(kWide) uint16_t cell[kWide], colour[kWide];
    _mm256_store_si256(reinterpret_cast<__m256i*>(cell), _mm256_unpacklo_epi8(dest, source));
    _mm256_store_si256(reinterpret_cast<__m256i*>(cell + 16), _mm256_unpackhi_epi8(dest, source));
    _mm256_store_si256(reinterpret_cast<__m256i*>(colour), _mm256_unpacklo_epi8(s.found, zero));
    _mm256_store_si256(reinterpret_cast<__m256i*>(colour + 16),
                       _mm256_unpackhi_epi8(s.found, zero));
    for (int k = 0; k < kWide; k += 4) {
        table[cell[k]] = static_cast<uint8_t>(colour[k]);
        table[cell[k + 1]] = static_cast<uint8_t>(colour[k + 1]);
        table[cell[k + 2]] = static_cast<uint8_t>(colour[k + 2]);
        table[cell[k + 3]] = static_cast<uint8_t>(colour[k + 3]);
    }
}

// Walks the wide entries and stores their results in the table.
void WideWalkEntries(const CandidateList& list, WideEntries& wide, bool fromSource, uint8_t* table)
{
    if (wide.count == 0) {
        return;
    }
    // A counting sort by group key puts each entry in its lane.
    int next[kGroupKeys];
    int sum = 0;
    for (int key = 0; key < kGroupKeys; ++key) {
        next[key] = sum;
        sum += wide.keyCount[key];
    }
    for (int k = 0; k < wide.count; ++k) {
        wide.lanes[next[wide.key[k]]++] = wide.entries[k];
    }
    int filled = (wide.count + kWide - 1) & -kWide;
    std::fill(wide.lanes + wide.count, wide.lanes + filled, wide.lanes[wide.count - 1]);
    for (int first = 0; first < filled; first += kWide) {
        WideWalk(list, wide.lanes + first, fromSource, table);
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
// itself).
void CopyRow(uint8_t* table, int r, bool fromSource, int s)
{
    const uint8_t* from = table + r * kRowSize;
    uint8_t* row = table + s * kRowSize;
    for (int d = 0; d < kRowSize; ++d) {
        row[d] = static_cast<uint8_t>(fromSource && from[d] == r ? s : from[d]);
    }
}

// What one call fills rows with. Rows from mirrorFrom on take their level-50
// mirrored entries, (s, d) for d < s with every component difference even, from
// the rows filled before them: (d, s) gives d exactly where its walk took nothing
// (whatever it takes is strictly closer than its start d), and then (s, d) gives
// its own start s. Where the palette repeats colours, a row whose colour an
// earlier row of this call has is copied from it.
struct RowFill {
    const SproxColor* palette;
    CandidateList list;
    Steps steps;
    int level;
    bool fromSource;
    int mirrorFrom;
    // The low bits of each colour's components: two colours differ by even amounts
    // in every component where these are equal.
    uint8_t parity[kRowSize];
    uint8_t* table;
};

// The starting candidate of entry (s, d): its colour stays where the walk takes
// nothing.
uint8_t StartColour(const RowFill& fill, int s, int d)
{
    return static_cast<uint8_t>(fill.fromSource ? s : d);
}

bool Mirrors(const RowFill& fill, int s, int d)
{
    return d >= fill.mirrorFrom && d < s && fill.parity[s] == fill.parity[d];
}

// Whether row s is filled by its own walks: false for a row copied from an
// earlier row of the same colour (FinishRows copies it).
bool WalksItself(RowFill& fill, int s)
{
    CandidateList& list = fill.list;
    if (!list.repeats) {
        return true;
    }
    int& filled = list.filledRow[list.firstOf[s]];
    if (filled < 0) {
        filled = s;
    }
    return filled == s;
}

// The walks of row s, one entry at a time. Mirrored entries wait for FinishRows.
void WalkRow(const RowFill& fill, int s)
{
    const CandidateList& list = fill.list;
    uint8_t* row = fill.table + s * kRowSize;
    const SproxColor& source = fill.palette[s];
    for (int d = 0; d < kRowSize; ++d) {
        if (Mirrors(fill, s, d)) {
            continue;
        }
        const SproxColor& dest = fill.palette[d];
        const Step& red = fill.steps[source.red - dest.red + 255];
        const Step& green = fill.steps[source.green - dest.green + 255];
        const Step& blue = fill.steps[source.blue - dest.blue + 255];
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
        row[d] = found < 0 ? StartColour(fill, s, d) : list.colour[found];
    }
}

#if defined(SPROX_WIDE_WALK)
// The palette by component, 16 destinations to a vector.
struct PaletteLanes {
    alignas(16) uint8_t red[kRowSize];
    alignas(16) uint8_t green[kRowSize];
    alignas(16) uint8_t blue[kRowSize];
};

// One component of 16 entries of a row, in 16-bit lanes: the source's component
// minus the destinations', the target, and the starting candidate's distance to it.
struct Component {
    __m256i diff, target, start;
};

// The target's component is d_k + trunc((s_k - d_k) * level / 100): at levels 1..99
// the product's magnitude is at most 25,245, and its hundredth is its product with
// 5243 shifted right by 19, exactly, for every such magnitude.
[[gnu::target("avx2"), gnu::always_inline]] inline Component BlendComponent(__m256i source,
                                                                            const uint8_t* dest,
                                                                            __m256i level,
                                                                            bool fromSource)
{
    const __m256i d = _mm256_cvtepu8_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(dest)));
    const __m256i diff = _mm256_sub_epi16(source, d);
    const __m256i product = _mm256_mullo_epi16(diff, level);
    const __m256i hundredth = _mm256_srli_epi16(
        _mm256_mulhi_epu16(_mm256_abs_epi16(product), _mm256_set1_epi16(5243)), 3);
    const __m256i step = _mm256_sign_epi16(hundredth, product);
    const __m256i start = _mm256_abs_epi16(fromSource ? _mm256_sub_epi16(diff, step) : step);
    return {diff, _mm256_add_epi16(d, step), start};
}

// Row s at a level of 1..99 (every target in the cube), 16 entries at a time: the
// entries that take the wide walk go into `wide`, the few others walk at once.
// Mirrored entries wait for FinishRows.
[[gnu::target("avx2")]] void WideRow(const RowFill& fill, const PaletteLanes& palette,
                                     WideEntries& wide, int s)
{
    const CandidateList& list = fill.list;
    uint8_t* row = fill.table + s * kRowSize;
    const __m256i level = _mm256_set1_epi16(static_cast<int16_t>(fill.level));
    const __m256i sourceRed = _mm256_set1_epi16(palette.red[s]);
    const __m256i sourceGreen = _mm256_set1_epi16(palette.green[s]);
    const __m256i sourceBlue = _mm256_set1_epi16(palette.blue[s]);
    const __m256i limit = _mm256_set1_epi16(255);
    const __m256i lanes = _mm256_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    // Mirrored destinations: mirrorFrom <= d < s.
    const __m256i mirrorLow = _mm256_set1_epi16(static_cast<int16_t>(fill.mirrorFrom - 1));
    const __m256i mirrorHigh = _mm256_set1_epi16(static_cast<int16_t>(s));
    alignas(32) int16_t red[16], green[16], blue[16], dist[16], radius[16], key[16];
    alignas(32) uint64_t packed[16];
    for (int base = 0; base < kRowSize; base += 16) {
        const Component r = BlendComponent(sourceRed, palette.red + base, level, fill.fromSource);
        const Component g =
            BlendComponent(sourceGreen, palette.green + base, level, fill.fromSource);
        const Component b = BlendComponent(sourceBlue, palette.blue + base, level, fill.fromSource);
        const __m256i distance = _mm256_add_epi16(_mm256_add_epi16(r.start, g.start), b.start);
        const __m256i widest = _mm256_max_epi16(_mm256_max_epi16(r.start, g.start), b.start);
        const __m256i zero = _mm256_cmpeq_epi16(distance, _mm256_setzero_si256());
        const __m256i d = _mm256_add_epi16(_mm256_set1_epi16(static_cast<int16_t>(base)), lanes);
        const __m256i even = _mm256_cmpeq_epi16(
            _mm256_and_si256(_mm256_or_si256(_mm256_or_si256(r.diff, g.diff), b.diff),
                             _mm256_set1_epi16(1)),
            _mm256_setzero_si256());
        const __m256i mirrored =
            _mm256_and_si256(even, _mm256_and_si256(_mm256_cmpgt_epi16(d, mirrorLow),
                                                    _mm256_cmpgt_epi16(mirrorHigh, d)));
        const __m256i walks = _mm256_and_si256(_mm256_cmpgt_epi16(limit, distance),
                                              _mm256_cmpgt_epi16(limit, r.target));
        // One bit per entry (the low bit of each 16-bit lane).
        const uint32_t kLow = 0x55555555u;
        const uint32_t skip = static_cast<uint32_t>(_mm256_movemask_epi8(mirrored)) & kLow;
        const uint32_t start = static_cast<uint32_t>(_mm256_movemask_epi8(zero)) & kLow & ~skip;
        uint32_t walk = static_cast<uint32_t>(_mm256_movemask_epi8(walks)) & kLow & ~skip & ~start;
        uint32_t alone = kLow & ~skip & ~start & ~walk;
        for (uint32_t bits = start; bits != 0; bits &= bits - 1) {
            int k = base + std::countr_zero(bits) / 2;
            row[k] = StartColour(fill, s, k);
        }
        if (walk != 0) {
            // The entries packed as WideEntries holds them (the low red bound is only
            // needed for those, whose targets lie below red 255 and distances below
            // 255), with their group keys.
            const __m256i bound = _mm256_max_epi16(_mm256_sub_epi16(r.target, widest),
                                                   _mm256_setzero_si256());
            _mm256_store_si256(
                reinterpret_cast<__m256i*>(key),
                _mm256_or_si256(_mm256_slli_epi16(_mm256_srli_epi16(r.target, 3), 6),
                                _mm256_srli_epi16(bound, 2)));
            const __m256i redGreen = _mm256_or_si256(r.target, _mm256_slli_epi16(g.target, 8));
            const __m256i blueDist = _mm256_or_si256(b.target, _mm256_slli_epi16(distance, 8));
            const __m256i radiusBound = _mm256_or_si256(widest, _mm256_slli_epi16(bound, 8));
            const __m256i cell =
                _mm256_or_si256(d, _mm256_set1_epi16(static_cast<int16_t>(s << 8)));
            const __m256i lo = _mm256_unpacklo_epi16(redGreen, blueDist);
            const __m256i hi = _mm256_unpackhi_epi16(redGreen, blueDist);
            const __m256i lo2 = _mm256_unpacklo_epi16(radiusBound, cell);
            const __m256i hi2 = _mm256_unpackhi_epi16(radiusBound, cell);
            // Entries 0, 1, 8, 9; 2, 3, 10, 11; 4, 5, 12, 13; 6, 7, 14, 15.
            const __m256i e0 = _mm256_unpacklo_epi32(lo, lo2);
            const __m256i e1 = _mm256_unpackhi_epi32(lo, lo2);
            const __m256i e2 = _mm256_unpacklo_epi32(hi, hi2);
            const __m256i e3 = _mm256_unpackhi_epi32(hi, hi2);
            auto* out = reinterpret_cast<__m256i*>(packed);
            _mm256_store_si256(out, _mm256_permute2x128_si256(e0, e1, 0x20));
            _mm256_store_si256(out + 1, _mm256_permute2x128_si256(e2, e3, 0x20));
            _mm256_store_si256(out + 2, _mm256_permute2x128_si256(e0, e1, 0x31));
            _mm256_store_si256(out + 3, _mm256_permute2x128_si256(e2, e3, 0x31));
            for (; walk != 0; walk &= walk - 1) {
                int k = std::countr_zero(walk) / 2;
                wide.entries[wide.count] = packed[k];
                wide.key[wide.count++] = static_cast<uint16_t>(key[k]);
                ++wide.keyCount[key[k]];
            }
        }
        if (alone != 0) {
            _mm256_store_si256(reinterpret_cast<__m256i*>(red), r.target);
            _mm256_store_si256(reinterpret_cast<__m256i*>(green), g.target);
            _mm256_store_si256(reinterpret_cast<__m256i*>(blue), b.target);
            _mm256_store_si256(reinterpret_cast<__m256i*>(dist), distance);
            _mm256_store_si256(reinterpret_cast<__m256i*>(radius), widest);
        }
        for (; alone != 0; alone &= alone - 1) {
            int k = std::countr_zero(alone) / 2;
            int found =
                VectorWalk<false>(list, Target{red[k], green[k], blue[k]}, dist[k], radius[k]);
            row[base + k] = found < 0 ? StartColour(fill, s, base + k) : list.colour[found];
        }
    }
}
#endif

// Rows first..last, once their walks are stored, in order: copied rows are copied,
// mirrored entries taken from the rows before.
void FinishRows(const RowFill& fill, int first, int last)
{
    for (int s = first; s <= last; ++s) {
        const CandidateList& list = fill.list;
        int filled = list.repeats ? list.filledRow[list.firstOf[s]] : s;
        if (filled != s) {
            CopyRow(fill.table, filled, fill.fromSource, s);
            continue;
        }
        uint8_t* row = fill.table + s * kRowSize;
        for (int d = fill.mirrorFrom; d < s; ++d) {
            if (Mirrors(fill, s, d)) {
                int mirrored = fill.table[d * kRowSize + s];
                row[d] = static_cast<uint8_t>(mirrored == d ? s : mirrored);
            }
        }
    }
}

// Rows first..last at a level other than 0 and 100.
void FillTranslucentRows(const SproxColor* palette, uint8_t* table, int first, int last,
                         int level, bool wide)
{
    RowFill fill;
    fill.palette = palette;
    BuildCandidates(palette, &fill.list);
    BuildSteps(level, &fill.steps);
    fill.level = level;
    fill.fromSource = level >= 50;
    // Only level 50 mirrors, and only from rows this call fills.
    fill.mirrorFrom = level == 50 ? first : kRowSize;
    for (int c = 0; c < kRowSize; ++c) {
        fill.parity[c] = static_cast<uint8_t>((palette[c].red & 1) | (palette[c].green & 1) << 1 |
                                              (palette[c].blue & 1) << 2);
    }
    fill.table = table;
#if defined(SPROX_WIDE_WALK)
    // The wide walk takes levels whose targets all lie in the cube. Without the
    // memory for its entries, every entry walks alone.
    std::unique_ptr<WideEntries> entries(
        wide && level > 0 && level < 100 ? new (std::nothrow) WideEntries : nullptr);
    PaletteLanes lanes;
    if (entries != nullptr) {
        for (int c = 0; c < kRowSize; ++c) {
            lanes.red[c] = palette[c].red;
            lanes.green[c] = palette[c].green;
            lanes.blue[c] = palette[c].blue;
        }
    }
#else
    (void)wide;
#endif
    for (int s = first; s <= last; ++s) {
        if (!WalksItself(fill, s)) {
            continue;
        }
#if defined(SPROX_WIDE_WALK)
        if (entries != nullptr) {
            WideRow(fill, lanes, *entries, s);
            continue;
        }
#endif
        WalkRow(fill, s);
    }
#if defined(SPROX_WIDE_WALK)
    if (entries != nullptr) {
        WideWalkEntries(fill.list, *entries, fill.fromSource, table);
    }
#endif
    FinishRows(fill, first, last);
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
