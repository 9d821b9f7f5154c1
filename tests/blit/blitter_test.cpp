#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "blit/rle_model.h"
#include "sprox.h"
#include "sprox/blit/blitter.h"

namespace {

using model::Kind;
using model::Mode;
using model::Op;

constexpr int kGuard = 8;  // untouchable bytes left and right of every span

// One blitter call over a picture into a frame buffer with guard bytes on every
// side, and the frame the model expects after it.
struct Call {
    model::Picture picture;
    model::Encoded encoded;
    std::vector<uint8_t> frame;
    std::vector<uint8_t> table;
    int pitch = 0;
    sprox::BlitParam p{};
    std::vector<int> sourceRows;  // stored row index of each row drawn
    std::vector<uint8_t*> dstRows;
};

std::vector<uint8_t> RandomBytes(std::mt19937& rng, size_t n)
{
    std::vector<uint8_t> v(n);
    for (auto& b : v) {
        b = static_cast<uint8_t>(rng());
    }
    return v;
}

int RandomScale(std::mt19937& rng)
{
    static const int kSpecial[] = {1, 2, 4, 32, 64, 85, 128, 200, 255, 256, 257, 300, 384, 512, 768, 1024, 1500, 2048, 2300};
    if (rng() % 3 == 0) {
        return kSpecial[rng() % std::size(kSpecial)];
    }
    return 1 + static_cast<int>(rng() % 1200);
}

// A random call of table entry `entry`; a scaled one at `wantedScale` if that is
// not 0, with pictures up to `maxWidth` wide, rows stored at `phase` past a
// multiple of 4.
Call RandomCall(std::mt19937& rng, unsigned entry, int wantedScale = 0, int maxWidth = 40, uint32_t phase = 0)
{
    static std::mt19937 tableRng(99);
    static const std::vector<uint8_t> table = RandomBytes(tableRng, 65536);
    const Kind kind = model::KindOf(entry);
    Call c;
    const int width = 1 + static_cast<int>(rng() % static_cast<unsigned>(maxWidth));
    const int height = 1 + static_cast<int>(rng() % 6);
    c.picture = model::RandomPicture(rng, width, height, static_cast<int>(rng() % 90));
    c.encoded = model::Encode(c.picture, &rng, 4 * (rng() % 3), phase);

    int scale = 256;
    int placed = width;
    if (kind.mode != Mode::OneToOne) {
        do {
            scale = wantedScale != 0 ? wantedScale : RandomScale(rng);
            placed = static_cast<int>(int64_t{scale} * width / 256);
        } while (placed < 1 && wantedScale == 0);
        if (placed < 1) {
            return RandomCall(rng, entry, wantedScale, maxWidth, phase);
        }
    }
    int skipLeft = 0;
    int skipRight = 0;
    if (rng() % 3 != 0) {
        skipLeft = static_cast<int>(rng() % placed);
        skipRight = static_cast<int>(rng() % (placed - skipLeft));
    }
    const int span = placed - skipLeft - skipRight;

    // Rows: forwards from the bottom row, backwards from the top one, or one row
    // drawn again and again; into lines going down, up, or all into one line.
    const int rows = 1 + static_cast<int>(rng() % height);
    int firstSource = 0;
    int srcStep = static_cast<int>(c.encoded.stride);
    switch (rng() % 3) {
    case 0:
        break;
    case 1:
        firstSource = height - 1;
        srcStep = -srcStep;
        break;
    default:
        firstSource = static_cast<int>(rng() % height);
        srcStep = 0;
        break;
    }
    c.pitch = span + 2 * kGuard + static_cast<int>(rng() % 5);
    c.frame = RandomBytes(rng, static_cast<size_t>(c.pitch) * (rows + 2));
    int firstLine = 1;
    int dstStep = c.pitch;
    switch (rng() % 4) {
    case 0:
        firstLine = rows;
        dstStep = -c.pitch;
        break;
    case 1:
        dstStep = 0;
        break;
    default:
        break;
    }
    c.table = table;

    sprox::BlitParam& p = c.p;
    p.x = static_cast<int>(rng() % 41) - 20;
    p.y = static_cast<int>(rng());
    p.pattern = static_cast<uint32_t>(rng());
    p.scaleX = scale;
    p.scaleY = static_cast<int>(rng());
    p.table = c.table.data();
    p.span = span;
    p.rows = rows;
    p.src = c.encoded.row(firstSource);
    p.dst = c.frame.data() + firstLine * c.pitch + kGuard;
    p.dstStep = dstStep;
    p.srcStep = srcStep;
    p.skipLeft = skipLeft;
    p.skipRight = skipRight;
    p.skipRows = static_cast<int>(rng());
    p.scratch[0] = 0x11111111;
    p.scratch[1] = 0x22222222;
    p.mesh = static_cast<uint32_t>(rng());
    if (rng() % 4 == 0) {
        p.mesh &= 0xFF00FF00;  // rows whose mask is empty
    }
    for (int r = 0; r < rows; ++r) {
        c.sourceRows.push_back(firstSource + r * (srcStep > 0 ? 1 : srcStep < 0 ? -1 : 0));
        c.dstRows.push_back(c.frame.data() + (firstLine * c.pitch + r * dstStep) + kGuard);
    }
    return c;
}

// The frame after the call, by the model.
std::vector<uint8_t> Expected(const Call& c, const Kind& kind)
{
    std::vector<uint8_t> frame = c.frame;
    const sprox::BlitParam& p = c.p;
    for (size_t r = 0; r < c.sourceRows.size(); ++r) {
        auto runs = model::DecodeRow(c.encoded.row(c.sourceRows[r]), c.picture.width);
        auto writes = model::RowWrites(runs, kind.mode, kind.mirror, p.span,
                                       kind.mirror ? p.skipRight : p.skipLeft, p.scaleX);
        const uint8_t mask = static_cast<uint8_t>(p.mesh >> (8 * (r % 4)));
        const size_t lineStart = static_cast<size_t>(c.dstRows[r] - c.frame.data());
        for (auto [k, s] : writes) {
            const int64_t column = int64_t{p.x} + p.skipLeft + k;
            model::Apply(kind.op, p.table, mask, column, frame[lineStart + k], s);
        }
    }
    return frame;
}

std::string Describe(unsigned entry, const Call& c)
{
    const sprox::BlitParam& p = c.p;
    return "entry " + std::to_string(entry) + " width " + std::to_string(c.picture.width) +
           " rows " + std::to_string(p.rows) + " scale " + std::to_string(p.scaleX) + " span " +
           std::to_string(p.span) + " skipLeft " + std::to_string(p.skipLeft) + " skipRight " +
           std::to_string(p.skipRight) + " x " + std::to_string(p.x);
}

TEST(Blitters, EveryTableEntryMatchesTheModelAndTouchesNothingOutsideItsSpans)
{
    std::mt19937 rng(20240611);
    for (unsigned entry = 0; entry < 64; ++entry) {
        const Kind kind = model::KindOf(entry);
        ASSERT_NE(sprox::kBlitters[entry], nullptr) << entry;
        for (int i = 0; i < 400; ++i) {
            Call c = RandomCall(rng, entry);
            const std::vector<uint8_t> expected = Expected(c, kind);
            const sprox::BlitParam before = c.p;
            sprox::BlitParam after = c.p;
            sprox::kBlitters[entry](&after);

            // The whole buffer, guards included, is as the model says.
            ASSERT_EQ(c.frame.size(), expected.size());
            const bool same = c.frame == expected;
            if (!same) {
                for (size_t b = 0; b < expected.size(); ++b) {
                    ASSERT_EQ(int{c.frame[b]}, int{expected[b]})
                        << Describe(entry, c) << " at line " << b / c.pitch << " byte "
                        << static_cast<int>(b % c.pitch) - kGuard;
                }
            }

            // What the call leaves in the record.
            const int rows = before.rows;
            EXPECT_EQ(after.rows, 0);
            EXPECT_EQ(after.dst, before.dst + rows * before.dstStep);
            const bool plainOneToOne = kind.op == Op::Plain && kind.mode == Mode::OneToOne;
            EXPECT_EQ(after.src, plainOneToOne ? before.src : before.src + rows * before.srcStep)
                << Describe(entry, c);
            const uint32_t turn = 8 * (rows % 4);
            const uint32_t rotated =
                turn == 0 ? before.mesh : (before.mesh >> turn) | (before.mesh << (32 - turn));
            EXPECT_EQ(after.mesh, kind.op == Op::Mesh ? rotated : before.mesh);
            EXPECT_EQ(after.skipLeft, before.skipLeft);
            EXPECT_EQ(after.skipRight, before.skipRight);
            EXPECT_EQ(after.span, before.span);
            EXPECT_EQ(after.x, before.x);
            EXPECT_EQ(after.table, before.table);
            EXPECT_EQ(after.dstStep, before.dstStep);
            EXPECT_EQ(after.srcStep, before.srcStep);
            EXPECT_EQ(after.skipRows, before.skipRows);
            if (kind.mode == Mode::OneToOne) {
                EXPECT_EQ(std::memcmp(after.scratch, before.scratch, sizeof after.scratch), 0);
            }
            if (HasFailure()) {
                return;
            }
        }
    }
}

// The powers of two have roads of their own (whole segments at a time, groups
// of pixels stored at once, a last group overlapping the one before): long runs
// and every clipping, over every scaled entry; half of the calls with rows that
// do not start at a multiple of 4, which halving takes another road for.
TEST(Blitters, PowerOfTwoScalesMatchTheModel)
{
    std::mt19937 rng(20261208);
    for (unsigned entry = 0; entry < 64; ++entry) {
        const Kind kind = model::KindOf(entry);
        if (kind.mode == Mode::OneToOne) {
            continue;
        }
        for (const int scale : {32, 64, 128, 512, 1024, 2048}) {
            for (int i = 0; i < 60; ++i) {
                const auto phase = static_cast<uint32_t>(i % 2 == 0 ? 0 : 1 + i / 2 % 3);
                Call c = RandomCall(rng, entry, scale, 72, phase);
                const std::vector<uint8_t> expected = Expected(c, kind);
                sprox::BlitParam after = c.p;
                sprox::kBlitters[entry](&after);
                if (c.frame != expected) {
                    for (size_t b = 0; b < expected.size(); ++b) {
                        ASSERT_EQ(int{c.frame[b]}, int{expected[b]})
                            << Describe(entry, c) << " at line " << b / c.pitch << " byte "
                            << static_cast<int>(b % c.pitch) - kGuard;
                    }
                }
            }
        }
    }
}

TEST(Blitters, NoRowsLeavesFrameAndRecordUntouched)
{
    std::mt19937 rng(7);
    for (unsigned entry = 0; entry < 64; ++entry) {
        for (int rows : {0, -1, -1000}) {
            Call c = RandomCall(rng, entry);
            c.p.rows = rows;
            const std::vector<uint8_t> frame = c.frame;
            sprox::BlitParam before = c.p;
            sprox::kBlitters[entry](&c.p);
            EXPECT_EQ(std::memcmp(&before, &c.p, sizeof before), 0) << entry;
            EXPECT_EQ(frame, c.frame) << entry;
        }
    }
}

// Hand-worked rows: the model above and the blitters must both agree with these.
struct Line {
    std::vector<uint8_t> frame = std::vector<uint8_t>(24, 0x55);
    model::Encoded encoded;
    sprox::BlitParam p{};

    explicit Line(const std::vector<int>& pattern)
    {
        model::Picture pic{static_cast<int>(pattern.size()), 1, {pattern}};
        encoded = model::Encode(pic, nullptr);
        p.scaleX = 256;
        p.span = static_cast<int>(pattern.size());
        p.rows = 1;
        p.src = encoded.data();
        p.dst = frame.data() + 4;
    }
    std::vector<uint8_t> Draw(unsigned entry)
    {
        sprox::kBlitters[entry](&p);
        return std::vector<uint8_t>(frame.begin() + 4, frame.begin() + 20);
    }
};

constexpr int X = model::kClear;
constexpr uint8_t U = 0x55;  // frame byte left as it was

TEST(Blitters, OneToOneClippingAndMirroring)
{
    // Colour 0 is drawn like any other; transparent pixels keep the frame.
    {
        Line l({0, X, 2, 3, X, X, 6, 7});
        EXPECT_EQ(l.Draw(0x00), (std::vector<uint8_t>{0, U, 2, 3, U, U, 6, 7, U, U, U, U, U, U, U, U}));
    }
    // skipLeft ending inside a run drops exactly the clipped pixels.
    {
        Line l({1, 2, 3, 4, X, 6});
        l.p.skipLeft = 2;
        l.p.span = 4;
        EXPECT_EQ(l.Draw(0x00), (std::vector<uint8_t>{3, 4, U, 6, U, U, U, U, U, U, U, U, U, U, U, U}));
    }
    // skipLeft ending at the end of a run starts the row at the next skip.
    {
        Line l({1, 2, X, X, 5});
        l.p.skipLeft = 2;
        l.p.span = 3;
        EXPECT_EQ(l.Draw(0x00), (std::vector<uint8_t>{U, U, 5, U, U, U, U, U, U, U, U, U, U, U, U, U}));
    }
    // Mirrored: pattern column 0 lands at the right end; skipRight clips the
    // pattern's first columns.
    {
        Line l({1, 2, 3, X, 5});
        EXPECT_EQ(l.Draw(0x01), (std::vector<uint8_t>{5, U, 3, 2, 1, U, U, U, U, U, U, U, U, U, U, U}));
    }
    {
        Line l({1, 2, 3, X, 5});
        l.p.skipRight = 2;
        l.p.skipLeft = 1;
        l.p.span = 2;
        EXPECT_EQ(l.Draw(0x01), (std::vector<uint8_t>{U, 3, U, U, U, U, U, U, U, U, U, U, U, U, U, U}));
    }
}

TEST(Blitters, ScaledPositions)
{
    // By 512 every pixel fills two columns.
    {
        Line l({1, X, 3});
        l.p.scaleX = 512;
        l.p.span = 6;
        EXPECT_EQ(l.Draw(0x02), (std::vector<uint8_t>{1, 1, U, U, 3, 3, U, U, U, U, U, U, U, U, U, U}));
    }
    // By 128 every second pixel is used.
    {
        Line l({1, 2, 3, 4, 5, 6, 7, 8});
        l.p.scaleX = 128;
        l.p.span = 4;
        EXPECT_EQ(l.Draw(0x02), (std::vector<uint8_t>{1, 3, 5, 7, U, U, U, U, U, U, U, U, U, U, U, U}));
    }
    // By 768 with scatter each pixel writes one column and leaves two.
    {
        Line l({1, 2, 3});
        l.p.scaleX = 768;
        l.p.span = 9;
        EXPECT_EQ(l.Draw(0x22), (std::vector<uint8_t>{1, U, U, 2, U, U, 3, U, U, U, U, U, U, U, U, U}));
    }
    // Mirrored scaling covers the same columns counted from the right end.
    {
        Line l({1, X, 3});
        l.p.scaleX = 512;
        l.p.span = 5;
        l.p.skipRight = 1;
        EXPECT_EQ(l.Draw(0x03), (std::vector<uint8_t>{3, 3, U, U, 1, U, U, U, U, U, U, U, U, U, U, U}));
    }
    // A fill that reaches the end of the span stops there.
    {
        Line l({1, 2});
        l.p.scaleX = 1000;
        l.p.span = 5;
        EXPECT_EQ(l.Draw(0x02), (std::vector<uint8_t>{1, 1, 1, 2, 2, U, U, U, U, U, U, U, U, U, U, U}));
    }
}

TEST(Blitters, OperationsUseTheirTables)
{
    std::vector<uint8_t> rop(65536);
    for (int s = 0; s < 256; ++s) {
        for (int d = 0; d < 256; ++d) {
            rop[s * 256 + d] = static_cast<uint8_t>(s ^ d);
        }
    }
    std::vector<uint8_t> colours(256);
    for (int i = 0; i < 256; ++i) {
        colours[i] = static_cast<uint8_t>(255 - i);
    }
    {
        Line l({0x0F, X, 0xF0});
        l.p.table = rop.data();
        EXPECT_EQ(l.Draw(0x04), (std::vector<uint8_t>{0x5A, U, 0xA5, U, U, U, U, U, U, U, U, U, U, U, U, U}));
    }
    {
        Line l({1, X, 2});
        l.p.table = colours.data();
        EXPECT_EQ(l.Draw(0x08), (std::vector<uint8_t>{254, U, 253, U, U, U, U, U, U, U, U, U, U, U, U, U}));
    }
    // Shadow writes table[frame byte] under every opaque pixel, whatever its colour.
    {
        Line l({1, X, 2});
        l.p.table = colours.data();
        EXPECT_EQ(l.Draw(0x10), (std::vector<uint8_t>{0xAA, U, 0xAA, U, U, U, U, U, U, U, U, U, U, U, U, U}));
    }
}

TEST(Blitters, MeshMaskFollowsFrameColumnsInEveryMode)
{
    // Masks of 0xF0 draw only in frame columns 0..3 modulo 8, wherever the pattern
    // lies and however it is drawn.
    const std::vector<int> solid(20, 9);
    for (unsigned entry : {0x0Cu, 0x0Du, 0x0Eu, 0x0Fu, 0x2Eu, 0x2Fu}) {
        for (int x = -9; x <= 9; ++x) {
            Line l(solid);
            l.p.mesh = 0xF0F0F0F0;
            l.p.x = x;
            l.p.skipLeft = 3;
            l.p.span = 16;
            l.p.scaleX = (entry & 0x02) ? 256 + 3 * x * x : 256;
            l.p.skipRight = static_cast<int>(int64_t{l.p.scaleX} * 20 / 256) - 19;
            const std::vector<uint8_t> row = l.Draw(entry);
            for (int k = 0; k < 16; ++k) {
                const int column = x + 3 + k;
                const bool inMask = ((column % 8) + 8) % 8 < 4;
                if (!inMask) {
                    EXPECT_EQ(row[k], U) << entry << " x " << x << " k " << k;
                } else if (!(entry & 0x20)) {
                    EXPECT_EQ(row[k], 9) << entry << " x " << x << " k " << k;
                }
            }
        }
    }
    // A row whose mask byte is 0 draws nothing; the next row uses the next byte.
    model::Picture pic{4, 2, {{7, 7, 7, 7}, {7, 7, 7, 7}}};
    model::Encoded e = model::Encode(pic, nullptr);
    std::vector<uint8_t> frame(8, 0x55);
    sprox::BlitParam p{};
    p.span = 4;
    p.rows = 2;
    p.src = e.data();
    p.srcStep = static_cast<int>(e.stride);
    p.dst = frame.data();
    p.dstStep = 4;
    p.mesh = 0x0000FF00;
    sprox::kBlitters[0x0C](&p);
    EXPECT_EQ(frame, (std::vector<uint8_t>{U, U, U, U, 7, 7, 7, 7}));
    EXPECT_EQ(p.mesh, 0xFF000000u);
}

} // namespace
