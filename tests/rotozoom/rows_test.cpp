// The row loop on its own: one picture laid out as views of every shape the row
// loop tells apart (bottom-up or top-down, narrow or wide rows, small or large,
// with a segment word before each row or not) draws the same frame, the one the
// model draws.
#include <gtest/gtest.h>

#include <random>

#include "pattern/dar_fixture.h"
#include "rotozoom/roto_model.h"
#include "sprox/blit/rotozoom.h"

using roto::Call;
using roto::Frame;

namespace {

constexpr uint8_t kPadding = 255;  // never a colour of the test pictures

// The picture in a buffer of its own: `stride` bytes a row, rows bottom-up or
// top-down, `lead` bytes before each row's pixels; everything else kPadding.
struct View {
    std::vector<uint8_t> buffer;
    int32_t topOffset = 0;
    int32_t pitch = 0;

    View(const dar::Picture& pic, int stride, bool bottomUp, int lead)
        : buffer(static_cast<size_t>(stride) * pic.height, kPadding)
    {
        topOffset = (bottomUp ? (pic.height - 1) * stride : 0) + lead;
        pitch = bottomUp ? -stride : stride;
        for (int y = 0; y < pic.height; ++y) {
            for (int x = 0; x < pic.width; ++x) {
                buffer[static_cast<size_t>(topOffset + y * pitch + x)] = pic.at(x, y);
            }
        }
    }
};

sprox::RotoRows RowsFor(Frame& f, const roto::Geometry& g, const Call& k, const View& view,
                        const dar::Picture& pic)
{
    sprox::RotoRows p{};
    p.row = f.Bits() + f.TopOffset() + g.r0 * f.Pitch();
    p.rows = g.r1 - g.r0 + 1;
    p.pitch = f.Pitch();
    p.width = f.width;
    p.sourceBits = view.buffer.data();
    p.sourceTopOffset = view.topOffset;
    p.sourcePitch = view.pitch;
    p.sourceWidth = pic.width;
    p.sourceHeight = pic.height;
    p.sn = g.sn;
    p.cs = g.cs;
    p.u0 = roto::SourceU(g, k, 0, g.r0);
    p.v0 = roto::SourceV(g, k, 0, g.r0);
    p.a = {g.a.left, g.a.length, g.a.step};
    p.b = {g.b.left, g.b.length, g.b.step};
    p.key = pic.key;
    return p;
}

// The row loops to compare: with the gather where the processor has it, and
// always without. Read in the test, after the library's own start-up.
#if SPROX_ROTO_GATHER
bool GatherOn() { return sprox::gRotoGather; }
void SetGather(bool on) { sprox::gRotoGather = on; }
#else
bool GatherOn() { return false; }
void SetGather(bool) {}
#endif

} // namespace

TEST(RotoZoomRows, EveryViewLayoutDrawsWhatTheModelDraws)
{
    const bool gatherAtStart = GatherOn();
    const std::vector<bool> routes =
        gatherAtStart ? std::vector{true, false} : std::vector{false};
    std::mt19937 rng(12);
    int drawn = 0;
    for (int n = 0; n < 600; ++n) {
        // Now and then a picture of more than 64 KB.
        const bool large = n % 10 == 0;
        const int w = static_cast<int>(large ? 200 + rng() % 100 : 1 + rng() % 40);
        const int h = static_cast<int>(large ? 330 + rng() % 50 : 1 + rng() % 40);
        static const int kKeys[] = {0, -1, 37, 300, -256};
        const dar::Picture pic = dartest::MakePicture(w, h, kKeys[n % 5], n);
        const int rowBytes = (w + 3) & ~3;
        const int wide = 32768 + 12;  // rows too long for the 16-bit offsets
        const View views[] = {View(pic, rowBytes, true, 0), View(pic, rowBytes + 8, true, 4),
                              View(pic, rowBytes + 4, false, 2), View(pic, wide, true, 0),
                              View(pic, wide, false, 0)};

        Frame frame(24 + static_cast<int>(rng() % 50), 24 + static_cast<int>(rng() % 40),
                    static_cast<int>(rng() % 4), rng() % 2 == 0, rng);
        const SproxRect clip{0, static_cast<int>(rng() % 6), 0,
                             frame.height - static_cast<int>(rng() % 6)};
        Call k;
        // Every third case near a quarter turn, where spans run along the view's
        // rows and columns up to its last byte.
        static const int kNearQuarters[] = {0, 1, 255, 64, 63, 65, 128, 127, 129, 192, 191, 193};
        k.angle = n % 3 == 0 ? kNearQuarters[rng() % std::size(kNearQuarters)]
                             : static_cast<int>(rng() % 256);
        static const int kZooms[] = {256, 256, 100, 400, 1000, 3, 40};
        k.zoom = kZooms[rng() % std::size(kZooms)] * (large ? 4 : 1);
        k.pivotX = static_cast<int>(rng() % (w + 1));
        k.pivotY = static_cast<int>(rng() % (h + 1));
        k.x = static_cast<int>(rng() % frame.width);
        k.y = static_cast<int>(rng() % frame.height);

        Frame want = frame;
        dar::Picture shown = pic;
        if (pic.key > 255) {
            shown.key = -1;  // only keys 0..255 leave pixels out
        }
        roto::Draw(want, clip, shown, k);
        const roto::Geometry g = roto::SetUp(frame, clip, w, h, k);
        if (g.empty) {
            continue;
        }
        drawn += want.buffer != frame.buffer ? 1 : 0;
        for (const bool gather : routes) {
            SetGather(gather);
            for (size_t v = 0; v < std::size(views); ++v) {
                Frame f = frame;
                const sprox::RotoRows p = RowsFor(f, g, k, views[v], pic);
                sprox::RotoZoomRows(&p);
                ASSERT_EQ(f.buffer, want.buffer)
                    << "case " << n << " view " << v << " gather " << gather << ": " << w << "x" << h
                    << " key " << pic.key << " angle " << k.angle << " zoom " << k.zoom;
            }
        }
    }
    SetGather(gatherAtStart);
    EXPECT_GT(drawn, 300);
}
