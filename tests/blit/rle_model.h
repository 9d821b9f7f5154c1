// Test helpers shared by the blitter and the put/draw tests: pictures with
// transparent pixels, their RLE encoding (with randomly chosen segmentation), and
// a slow per-pixel model of what one blitter row writes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

namespace model {

constexpr int kClear = -1;  // a transparent pixel of a picture

// A picture, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::vector<int>> px;  // [row][column]: kClear or a colour
};

inline Picture RandomPicture(std::mt19937& rng, int width, int height, int clearPercent)
{
    Picture p{width, height, std::vector<std::vector<int>>(height, std::vector<int>(width))};
    for (auto& row : p.px) {
        for (int& v : row) {
            v = static_cast<int>(rng() % 100) < clearPercent ? kClear : static_cast<int>(rng() % 256);
        }
    }
    return p;
}

inline void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

// A segment at the end of a row that starts at an address of `phase` (0 to 3)
// modulo 4: the next word goes to the next multiple of 4 in memory.
inline void Segment(std::vector<uint8_t>& out, uint32_t skip, const std::vector<uint8_t>& bytes, uint32_t phase = 0)
{
    Put32(out, skip | static_cast<uint32_t>(bytes.size()) << 16);
    out.insert(out.end(), bytes.begin(), bytes.end());
    while ((phase + out.size()) % 4 != 0) {
        out.push_back(0xA5);  // padding, never read as a pixel
    }
}

// One row as RLE segments. With a generator, transparent runs are sometimes split
// by an empty segment and opaque runs split into segments with skip 0.
inline std::vector<uint8_t> EncodeRow(const std::vector<int>& row, std::mt19937* rng, uint32_t phase = 0)
{
    std::vector<uint8_t> out;
    const int width = static_cast<int>(row.size());
    int pos = 0;
    while (pos < width) {
        int clear = 0;
        while (pos + clear < width && row[pos + clear] == kClear) {
            ++clear;
        }
        if (rng != nullptr && clear > 1 && (*rng)() % 4 == 0) {
            const int part = static_cast<int>((*rng)() % clear);
            Segment(out, part, {}, phase);
            clear -= part;
        }
        if (pos + clear == width) {
            Segment(out, clear, {}, phase);
            break;
        }
        int opaque = 0;
        while (pos + clear + opaque < width && row[pos + clear + opaque] != kClear) {
            ++opaque;
        }
        if (rng != nullptr && opaque > 1 && (*rng)() % 3 == 0) {
            opaque = 1 + static_cast<int>((*rng)() % opaque);
        }
        std::vector<uint8_t> bytes;
        for (int i = 0; i < opaque; ++i) {
            bytes.push_back(static_cast<uint8_t>(row[pos + clear + i]));
        }
        Segment(out, clear, bytes, phase);
        pos += clear + opaque;
    }
    return out;
}

// Stored rows of a picture, bottom row first, each padded to the stride with
// segments that would draw colour 0xEE if a blitter read past the row's end. The
// block ends exactly with the top row, so reading beyond it is caught by the
// address sanitizer. With a phase of 1 to 3 every row starts that many bytes past
// a multiple of 4 (rows as a file may hold them), and the block has 4 - phase
// bytes after the top row.
struct Encoded {
    std::vector<uint32_t> block;  // 4-byte aligned
    uint32_t stride = 0;
    uint32_t phase = 0;
    const uint8_t* data() const { return reinterpret_cast<const uint8_t*>(block.data()) + phase; }
    const uint8_t* row(int storedIndex) const { return data() + storedIndex * stride; }
};

inline Encoded Encode(const Picture& p, std::mt19937* rng, uint32_t extraStride = 0, uint32_t phase = 0)
{
    std::vector<std::vector<uint8_t>> rows;
    size_t longest = 4;
    for (int y = p.height - 1; y >= 0; --y) {
        rows.push_back(EncodeRow(p.px[y], rng, phase));
        longest = std::max(longest, rows.back().size());
    }
    Encoded e;
    e.stride = static_cast<uint32_t>((longest + 3) / 4 * 4) + extraStride;
    e.phase = phase;
    std::vector<uint8_t> bytes(phase, 0xEE);
    for (auto& r : rows) {
        while (r.size() + 8 <= e.stride) {
            Segment(r, 0, {0xEE, 0xEE, 0xEE, 0xEE}, phase);
        }
        r.resize(e.stride, 0xEE);
        bytes.insert(bytes.end(), r.begin(), r.end());
    }
    bytes.resize((bytes.size() + 3) / 4 * 4, 0xEE);
    e.block.resize(bytes.size() / 4);
    std::memcpy(e.block.data(), bytes.data(), bytes.size());
    return e;
}

// A run of opaque pixels as the RLE row gives it.
struct Run {
    int start;                   // pattern column of the first pixel
    std::vector<uint8_t> px;
};

inline std::vector<Run> DecodeRow(const uint8_t* row, int width)
{
    std::vector<Run> runs;
    // Offsets count from the row's start; the segment words lie on multiples of 4
    // in memory.
    const size_t phase = reinterpret_cast<uintptr_t>(row) & 3;
    size_t at = 0;
    int pos = 0;
    while (pos < width) {
        uint32_t word;
        std::memcpy(&word, row + at, 4);
        const int skip = static_cast<int>(word & 0xFFFF);
        const int count = static_cast<int>(word >> 16);
        if (skip >= width - pos) {
            break;
        }
        pos += skip;
        const int n = std::min(count, width - pos);
        runs.push_back({pos, std::vector<uint8_t>(row + at + 4, row + at + 4 + n)});
        pos += n;
        at = (phase + at + 4 + count + 3) / 4 * 4 - phase;
    }
    return runs;
}

enum class Mode { OneToOne, Scaled, Scatter };

inline int64_t FloorDiv256(int64_t v)
{
    return v >= 0 ? v / 256 : -((-v + 255) / 256);
}

// What one row writes, in order: (index in the span from its left end, source
// byte). clipped is skipLeft, or skipRight when mirrored.
inline std::vector<std::pair<int, uint8_t>> RowWrites(const std::vector<Run>& runs, Mode mode,
                                                     bool mirror, int span, int clipped,
                                                     int scale)
{
    std::vector<std::pair<int, uint8_t>> out;
    auto put = [&](int64_t k, uint8_t s) {
        const int at = static_cast<int>(k);
        out.push_back({mirror ? span - 1 - at : at, s});
    };
    if (mode == Mode::OneToOne) {
        // Pattern column c lands at span position c - clipped.
        for (const Run& r : runs) {
            for (size_t j = 0; j < r.px.size(); ++j) {
                const int64_t k = r.start + static_cast<int64_t>(j) - clipped;
                if (k >= 0 && k < span) {
                    put(k, r.px[j]);
                }
            }
        }
        return out;
    }
    // The pixel in pattern column c starts at position c * scale - clipped * 256.
    auto position = [&](int64_t c) { return c * scale - int64_t{clipped} * 256; };
    if (scale > 256) {
        // Enlarging: a pixel covers the columns from the one its start falls in
        // (or column 0) up to the one before the column its end falls in; with
        // scatter only the first of them.
        for (const Run& r : runs) {
            for (size_t j = 0; j < r.px.size(); ++j) {
                const int64_t p = position(r.start + static_cast<int64_t>(j));
                const int64_t from = std::max<int64_t>(0, FloorDiv256(p));
                const int64_t to = std::min<int64_t>(span, FloorDiv256(p + scale));
                for (int64_t k = from; k < to; ++k) {
                    put(k, r.px[j]);
                    if (mode == Mode::Scatter) {
                        break;
                    }
                }
            }
        }
        return out;
    }
    // Reducing: a run's first usable pixel (the first that does not end a whole
    // pixel or more before the span) goes to the column its start falls in (column 0
    // if that is left of the span); each following column takes the run's first
    // later pixel whose start has reached the column's left edge. Reaching the
    // span's end ends the row.
    for (const Run& r : runs) {
        const int n = static_cast<int>(r.px.size());
        const int64_t p0 = position(r.start);
        if (FloorDiv256(p0) >= span) {
            return out;
        }
        int j = 0;
        while (j < n && position(r.start + j) < -int64_t{scale}) {
            ++j;
        }
        if (j == n) {
            continue;
        }
        int64_t k = std::max<int64_t>(0, FloorDiv256(position(r.start + j)));
        for (;;) {
            put(k, r.px[j]);
            if (++k >= span) {
                return out;
            }
            ++j;
            while (j < n && position(r.start + j) < k * 256) {
                ++j;
            }
            if (j >= n) {
                break;
            }
        }
    }
    return out;
}

enum class Op { Plain, Rop, Recolour, Mesh, Shadow };

// The operation applied to frame byte d in frame column `column`.
inline void Apply(Op op, const uint8_t* table, uint8_t maskByte, int64_t column, uint8_t& d,
                  uint8_t s)
{
    switch (op) {
    case Op::Plain:
        d = s;
        break;
    case Op::Rop:
        d = table[s * 256 + d];
        break;
    case Op::Recolour:
        d = table[s];
        break;
    case Op::Mesh: {
        const int bit = 7 - static_cast<int>(static_cast<uint64_t>(column) % 8);
        if ((maskByte >> bit) & 1) {
            d = s;
        }
        break;
    }
    case Op::Shadow:
        d = table[d];
        break;
    }
}

// The behaviour of a blitter table entry, from the draw flags.
struct Kind {
    Op op;
    Mode mode;
    bool mirror;
};

inline Kind KindOf(unsigned flags)
{
    Kind k{};
    k.mirror = (flags & 0x01) != 0;
    k.mode = (flags & 0x02) == 0 ? Mode::OneToOne : (flags & 0x20) ? Mode::Scatter : Mode::Scaled;
    const unsigned opBits = flags & 0x0C;
    if (flags & 0x10) {
        k.op = opBits == 0 ? Op::Shadow : Op::Plain;
    } else {
        k.op = opBits == 0 ? Op::Plain : opBits == 4 ? Op::Rop : opBits == 8 ? Op::Recolour : Op::Mesh;
    }
    return k;
}

} // namespace model
