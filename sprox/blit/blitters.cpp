// The thirty blitters, made from one template over the pixel operation, the
// horizontal mode and the direction, and the 64-entry table that selects them.
//
// Rows are walked as runs: a transparent skip only moves the write position, an
// opaque run is handed to the operation whole (a block copy for the plain one).
// Mirroring is a direction of -1 for the write position. Scaled rows place source
// pixels by a fixed-point position in 1/256 of a destination column, counted from
// the left end of the visible span; column k of a pixel at position p is p >> 8,
// and positions run on through skips and pixels without rounding.
#include "sprox/blit/blitter.h"

#include <cstring>
#include <type_traits>
#include <utility>

#include "sprox.h"

namespace sprox {
namespace {

uint32_t Load32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// The next segment word: the first 4-byte boundary at or after p.
const uint8_t* Align4(const uint8_t* p)
{
    return p + ((0 - reinterpret_cast<uintptr_t>(p)) & 3);
}

// A block copy of n bytes. Short runs, the usual case in sprites, are two
// overlapping moves of one width instead of a call.
void CopyRun(uint8_t* d, const uint8_t* s, uint32_t n)
{
    if (n >= 8) {
        if (n > 32) {
            std::memcpy(d, s, n);
        } else if (n > 16) {
            uint8_t a[16], b[16];
            std::memcpy(a, s, 16);
            std::memcpy(b, s + n - 16, 16);
            std::memcpy(d, a, 16);
            std::memcpy(d + n - 16, b, 16);
        } else {
            uint64_t a, b;
            std::memcpy(&a, s, 8);
            std::memcpy(&b, s + n - 8, 8);
            std::memcpy(d, &a, 8);
            std::memcpy(d + n - 8, &b, 8);
        }
    } else if (n >= 4) {
        uint32_t a, b;
        std::memcpy(&a, s, 4);
        std::memcpy(&b, s + n - 4, 4);
        std::memcpy(d, &a, 4);
        std::memcpy(d + n - 4, &b, 4);
    } else if (n >= 2) {
        uint16_t a, b;
        std::memcpy(&a, s, 2);
        std::memcpy(&b, s + n - 2, 2);
        std::memcpy(d, &a, 2);
        std::memcpy(d + n - 2, &b, 2);
    } else if (n == 1) {
        *d = *s;
    }
}

// n bytes of one value, by the same overlapping stores.
void FillRun(uint8_t* d, uint8_t v, uint32_t n)
{
    const uint64_t w = 0x0101010101010101ull * v;
    if (n >= 8) {
        if (n > 16) {
            std::memset(d, v, n);
        } else {
            std::memcpy(d, &w, 8);
            std::memcpy(d + n - 8, &w, 8);
        }
    } else if (n >= 4) {
        std::memcpy(d, &w, 4);
        std::memcpy(d + n - 4, &w, 4);
    } else if (n >= 2) {
        std::memcpy(d, &w, 2);
        std::memcpy(d + n - 2, &w, 2);
    } else if (n == 1) {
        *d = v;
    }
}

// What the operations need for the row being drawn. The frame column of a byte
// at address a is a + phase (only its low three bits are used).
struct RowCtx {
    const uint8_t* table;
    uint32_t mask;      // mesh: this row's mask byte, top bit = columns 0, 8, 16, ...
    uintptr_t phase;
};

// Pixel operations. Run<Dir> applies n source bytes to the frame bytes from d on
// in direction Dir; Fill applies one source byte to n frame bytes from d up.
template <class Derived>
struct PerPixel {
    template <int Dir>
    static void Run(uint8_t* d, const uint8_t* s, uint32_t n, const RowCtx& c)
    {
        for (uint32_t i = 0; i < n; ++i) {
            Derived::Pixel(d, s[i], c);
            d += Dir;
        }
    }
    static void Fill(uint8_t* d, uint8_t s, uint32_t n, const RowCtx& c)
    {
        for (uint32_t i = 0; i < n; ++i) {
            Derived::Pixel(d + i, s, c);
        }
    }
};

struct PlainOp {
    static constexpr bool kMesh = false;
    static void Pixel(uint8_t* d, uint8_t s, const RowCtx&) { *d = s; }
    template <int Dir>
    static void Run(uint8_t* d, const uint8_t* s, uint32_t n, const RowCtx&)
    {
        if constexpr (Dir > 0) {
            CopyRun(d, s, n);
        } else {
            for (uint32_t i = 0; i < n; ++i) {
                *d-- = s[i];
            }
        }
    }
    static void Fill(uint8_t* d, uint8_t s, uint32_t n, const RowCtx&) { FillRun(d, s, n); }
};

struct RopOp : PerPixel<RopOp> {
    static constexpr bool kMesh = false;
    static void Pixel(uint8_t* d, uint8_t s, const RowCtx& c) { *d = c.table[s * 256u + *d]; }
};

struct RecolourOp : PerPixel<RecolourOp> {
    static constexpr bool kMesh = false;
    static void Pixel(uint8_t* d, uint8_t s, const RowCtx& c) { *d = c.table[s]; }
    static void Fill(uint8_t* d, uint8_t s, uint32_t n, const RowCtx& c) { FillRun(d, c.table[s], n); }
};

struct MeshOp : PerPixel<MeshOp> {
    static constexpr bool kMesh = true;
    static void Pixel(uint8_t* d, uint8_t s, const RowCtx& c)
    {
        if (((c.mask << ((reinterpret_cast<uintptr_t>(d) + c.phase) & 7)) & 0x80) != 0) {
            *d = s;
        }
    }
};

struct ShadowOp : PerPixel<ShadowOp> {
    static constexpr bool kMesh = false;
    static void Pixel(uint8_t* d, uint8_t, const RowCtx& c) { *d = c.table[*d]; }
};

// One row at 1:1. clipped is skipLeft (or skipRight when mirrored): pattern
// columns before the span. The write position starts at the span's left end, or
// at its right end when mirrored.
template <class Op, int Dir>
void RowOneToOne(const uint8_t* s, uint8_t* dst, int32_t span, int32_t clipped, const RowCtx& c)
{
    uint8_t* w = Dir > 0 ? dst : dst + (span - 1);
    uint32_t word = Load32(s);
    uint32_t skip = word & 0xFFFF;
    uint32_t count = word >> 16;
    if (clipped > 0) {
        // Find the segment whose pixels reach past the clipped columns; off is the
        // span position of its first opaque pixel.
        int32_t before = 0;
        while (before + static_cast<int32_t>(skip + count) < clipped) {
            before += static_cast<int32_t>(skip + count);
            s = Align4(s + 4 + count);
            word = Load32(s);
            skip = word & 0xFFFF;
            count = word >> 16;
        }
        const int32_t off = before + static_cast<int32_t>(skip) - clipped;
        if (off >= 0) {
            skip = static_cast<uint32_t>(off);
        } else {
            // The segment starts inside the clipped columns: drop -off of its pixels
            // by moving the segment's address on, which keeps the next word's
            // address unchanged.
            skip = 0;
            s += -off;
            count -= static_cast<uint32_t>(-off);
        }
    }
    int32_t remaining = span;
    for (;;) {
        if (remaining <= static_cast<int32_t>(skip)) {
            return;
        }
        w += Dir * static_cast<int32_t>(skip);
        remaining -= static_cast<int32_t>(skip);
        s += 4;
        if (static_cast<int32_t>(count) >= remaining) {
            Op::template Run<Dir>(w, s, static_cast<uint32_t>(remaining), c);
            return;
        }
        Op::template Run<Dir>(w, s, count, c);
        w += Dir * static_cast<int32_t>(count);
        remaining -= static_cast<int32_t>(count);
        s = Align4(s + count);
        word = Load32(s);
        skip = word & 0xFFFF;
        count = word >> 16;
    }
}

// One scaled row. Returns the position reached, the blitter's working value.
template <class Op, bool Scatter, int Dir>
int64_t RowScaled(const uint8_t* s, uint8_t* dst, int32_t span, int32_t clipped, int32_t scale,
                  const RowCtx& c)
{
    // Column k lies at dst + k, or at dst + span - 1 - k when mirrored; the columns
    // k .. e - 1 are one block of bytes either way.
    auto column = [&](int32_t k) { return Dir > 0 ? dst + k : dst + (span - 1 - k); };
    auto block = [&](int32_t k, int32_t e) { return Dir > 0 ? dst + k : dst + (span - e); };

    uint32_t word = Load32(s);
    int64_t p = int64_t{word & 0xFFFF} * scale - int64_t{clipped} * 256;
    for (;;) {
        const uint32_t count = word >> 16;
        const uint8_t* px = s + 4;
        int64_t first = p >> 8;
        if (first >= span) {
            return p;
        }
        uint32_t j = 0;
        if (first < 0) {
            // Pixels whose position lies a whole pixel or more left of the span are
            // passed over; the next one starts at column 0.
            if (p + int64_t{count} * scale < 0) {
                p += int64_t{count} * scale;
                j = count;
            } else {
                while (j < count && p < -scale) {
                    ++j;
                    p += scale;
                }
            }
            first = 0;
        }
        if (j < count) {
            int32_t k = static_cast<int32_t>(first);
            if (scale <= 256) {
                // Reducing: each column takes the next pixel whose position has
                // reached the column's left edge.
                for (;;) {
                    Op::Pixel(column(k), px[j], c);
                    if (++k >= span) {
                        return p;
                    }
                    const int64_t edge = int64_t{k} * 256;
                    do {
                        ++j;
                        p += scale;
                    } while (j < count && p < edge);
                    if (j == count) {
                        break;
                    }
                }
            } else {
                // Enlarging: pixel j covers the columns from k up to its end e.
                for (;;) {
                    p += scale;
                    const int64_t e = p >> 8;
                    if (e >= span) {
                        if constexpr (Scatter) {
                            Op::Pixel(column(k), px[j], c);
                        } else {
                            Op::Fill(block(k, span), px[j], static_cast<uint32_t>(span - k), c);
                        }
                        return p;
                    }
                    if (e > k) {
                        if constexpr (Scatter) {
                            Op::Pixel(column(k), px[j], c);
                        } else {
                            const int32_t end = static_cast<int32_t>(e);
                            Op::Fill(block(k, end), px[j], static_cast<uint32_t>(end - k), c);
                        }
                        k = static_cast<int32_t>(e);
                    }
                    if (++j == count) {
                        break;
                    }
                }
            }
        }
        s = Align4(px + count);
        word = Load32(s);
        p += int64_t{word & 0xFFFF} * scale;
    }
}

enum class HMode { OneToOne, Scaled, Scatter };

template <class Op, HMode Mode, int Dir>
void Blit(BlitParam* bp)
{
    int32_t rows = bp->rows;
    if (rows <= 0) {
        return;
    }
    const uint8_t* src = bp->src;
    uint8_t* dst = bp->dst;
    const int32_t span = bp->span;
    const int32_t clipped = Dir > 0 ? bp->skipLeft : bp->skipRight;
    const int32_t dstStep = bp->dstStep;
    const int32_t srcStep = bp->srcStep;
    // Frame column of the span's left end, for the mesh.
    const uintptr_t spanColumn = static_cast<uint32_t>(bp->x) + static_cast<uint32_t>(bp->skipLeft);
    uint32_t mesh = bp->mesh;
    RowCtx c{bp->table, 0, 0};
    int64_t position = 0;
    do {
        bool draw = true;
        if constexpr (Op::kMesh) {
            c.mask = mesh & 0xFF;
            c.phase = spanColumn - reinterpret_cast<uintptr_t>(dst);
            draw = c.mask != 0;
        }
        if (draw) {
            if constexpr (Mode == HMode::OneToOne) {
                RowOneToOne<Op, Dir>(src, dst, span, clipped, c);
            } else {
                position = RowScaled<Op, Mode == HMode::Scatter, Dir>(src, dst, span, clipped,
                                                                      bp->scaleX, c);
            }
        }
        dst += dstStep;
        src += srcStep;
        if constexpr (Op::kMesh) {
            mesh = (mesh >> 8) | (mesh << 24);
        }
    } while (--rows > 0);

    bp->rows = 0;
    bp->dst = dst;
    if constexpr (!(std::is_same_v<Op, PlainOp> && Mode == HMode::OneToOne)) {
        bp->src = src;
    }
    if constexpr (Op::kMesh) {
        bp->mesh = mesh;
    }
    if constexpr (Mode != HMode::OneToOne) {
        const auto bits = static_cast<uint64_t>(position);
        bp->scratch[0] = static_cast<int32_t>(static_cast<uint32_t>(bits));
        bp->scratch[1] = static_cast<int32_t>(static_cast<uint32_t>(bits >> 32));
    }
}

// The blitter for a set of draw flags. With PD_SHADOW the operation is shadow
// when neither PD_ROP nor PD_RECOLOR is set and plain otherwise; PD_SCATTER
// counts only with PD_XZOOM.
template <uint32_t F>
constexpr Blitter Entry()
{
    constexpr int dir = (F & PD_MIRROR) != 0 ? -1 : 1;
    constexpr HMode mode = (F & PD_XZOOM) == 0      ? HMode::OneToOne
                           : (F & PD_SCATTER) != 0 ? HMode::Scatter
                                                   : HMode::Scaled;
    constexpr uint32_t op = F & PD_MESH;
    if constexpr ((F & PD_SHADOW) != 0) {
        if constexpr (op == 0) {
            return &Blit<ShadowOp, mode, dir>;
        } else {
            return &Blit<PlainOp, mode, dir>;
        }
    } else if constexpr (op == 0) {
        return &Blit<PlainOp, mode, dir>;
    } else if constexpr (op == PD_ROP) {
        return &Blit<RopOp, mode, dir>;
    } else if constexpr (op == PD_RECOLOR) {
        return &Blit<RecolourOp, mode, dir>;
    } else {
        return &Blit<MeshOp, mode, dir>;
    }
}

template <size_t... I>
constexpr std::array<Blitter, 64> MakeTable(std::index_sequence<I...>)
{
    return {Entry<static_cast<uint32_t>(I)>()...};
}

} // namespace

constexpr std::array<Blitter, 64> kBlitters = MakeTable(std::make_index_sequence<64>{});

} // namespace sprox
