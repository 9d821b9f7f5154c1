#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "put/draw_model.h"
#include "sprox.h"
#include "sprox/display/backend.h"
#include "sprox/pattern/pattern.h"
#include "sprox/pattern/put.h"

namespace {

using model::Frame;
using model::Pattern;
using model::Picture;


// Back-end operations that count what the drawing code asks for.
struct LockLog {
    int locks = 0;
    int unlocks = 0;
    int result = 1;
};
LockLog gLog;

int CountLock(SproxContext*)
{
    ++gLog.locks;
    return gLog.result;
}
void CountUnlock(SproxContext*) { ++gLog.unlocks; }

void CountLocks()
{
    gLog = {};
    sprox::gDisplay.ops.lock = CountLock;
    sprox::gDisplay.ops.unlock = CountUnlock;
}

SproxContext ContextOver(Frame& frame, const SproxRect& clip)
{
    SproxContext c{};
    c.width = frame.width;
    c.height = frame.height;
    c.bits = frame.Bits();
    c.topOffset = frame.TopOffset();
    c.pitch = frame.Pitch();
    c.clip = clip;
    c.self = &c;
    return c;
}

const std::vector<uint8_t>& RandomTable()
{
    static const std::vector<uint8_t> table = [] {
        std::mt19937 rng(4242);
        std::vector<uint8_t> t(65536);
        for (auto& b : t) {
            b = static_cast<uint8_t>(rng());
        }
        return t;
    }();
    return table;
}

Pattern RandomPattern(std::mt19937& rng, int maxWidth, int maxHeight)
{
    const int width = 1 + static_cast<int>(rng() % maxWidth);
    const int stored = 1 + static_cast<int>(rng() % maxHeight);
    const int above = static_cast<int>(rng() % std::min(3, stored));
    const int visible = 1 + static_cast<int>(rng() % (stored - above));
    Picture pic = model::RandomPicture(rng, width, stored, static_cast<int>(rng() % 80));
    return model::MakePattern(pic, static_cast<int>(rng() % 2048), above, visible,
                              static_cast<int>(rng() % (width + 8)) - 4,
                              static_cast<int>(rng() % (visible + 8)) - 4, &rng);
}

SproxRect RandomClip(std::mt19937& rng, const Frame& f)
{
    SproxRect r;
    r.left = static_cast<int>(rng() % (f.width / 2));
    r.top = static_cast<int>(rng() % (f.height / 2));
    r.right = r.left + static_cast<int>(rng() % (f.width - r.left + 1));
    r.bottom = r.top + static_cast<int>(rng() % (f.height - r.top + 1));
    if (rng() % 3 == 0) {
        r = {0, 0, f.width, f.height};
    }
    return r;
}

int RandomScale(std::mt19937& rng)
{
    static const int kScales[] = {256, 256, 128, 512, 64, 384, 300, 700, 1000, 255, 257, 0, -256};
    return rng() % 4 == 0 ? 1 + static_cast<int>(rng() % 700) : kScales[rng() % std::size(kScales)];
}

DrawRequest RandomRequest(std::mt19937& rng, const Pattern& pat, const Frame& f)
{
    DrawRequest rq{};
    rq.flags = rng() & 0x7FF;
    if (rng() % 8 == 0) {
        rq.flags |= 0x800u << (rng() % 21);
    }
    rq.pattern = static_cast<uint32_t>(pat.number);
    rq.x = static_cast<int>(rng() % (f.width + 40)) - 20;
    rq.y = static_cast<int>(rng() % (f.height + 40)) - 20;
    rq.scaleX = RandomScale(rng);
    rq.scaleY = RandomScale(rng);
    static const int kPeriods[] = {0, 1, 3, 17, 64, -5, -32};
    rq.wavePeriod = rng() % 2 ? kPeriods[rng() % std::size(kPeriods)] : static_cast<int>(rng() % 81) - 40;
    static const int kAmplitudes[] = {0, 1, -1, 0x7F, 0x80, 0x100, 0x12345678, 40};
    rq.waveAmplitude = kAmplitudes[rng() % std::size(kAmplitudes)];
    rq.wavePhase = static_cast<int>(rng());
    rq.table = RandomTable().data();
    rq.mesh = rng() % 4 == 0 ? 0xFFFFFFFFu : static_cast<uint32_t>(rng());
    return rq;
}

TEST(PatDraw, MatchesTheModelOnRandomDraws)
{
    std::mt19937 rng(31337);
    for (int n = 0; n < 6000; ++n) {
        Frame frame(48, 36, rng() % 2 == 0, rng);
        const Pattern pat = RandomPattern(rng, 24, 20);
        pat.Register();
        const SproxRect clip = RandomClip(rng, frame);
        const DrawRequest rq = RandomRequest(rng, pat, frame);
        const std::vector<uint8_t> expected = model::ExpectedDraw(frame, clip, rq, pat);
        const sprox::FrameView view = frame.View(clip);
        sprox::PatDraw(&view, &rq);
        ASSERT_EQ(frame.buffer, expected)
            << "draw " << n << " flags " << std::hex << rq.flags << std::dec << " scale "
            << rq.scaleX << "/" << rq.scaleY << " at " << rq.x << "," << rq.y << " width "
            << pat.picture.width << " visible " << pat.visible << " period " << rq.wavePeriod
            << " amplitude " << rq.waveAmplitude;
        sprox::gPattern.patterns[pat.number] = {};
    }
}

TEST(PatPut, MatchesTheModelAndClipsTheBottomByTheContextHeight)
{
    std::mt19937 rng(99);
    for (int n = 0; n < 3000; ++n) {
        Frame frame(40, 30, rng() % 2 == 0, rng);
        const Pattern pat = RandomPattern(rng, 20, 16);
        pat.Register();
        SproxRect clip = RandomClip(rng, frame);
        SproxContext context = ContextOver(frame, clip);
        context.height = static_cast<int>(rng() % 31);  // below the clip's bottom or not
        const bool rop = rng() % 2 == 0;
        DrawRequest rq{};
        rq.flags = rop ? PD_ROP : 0;
        rq.pattern = static_cast<uint32_t>(pat.number);
        rq.x = static_cast<int>(rng() % 60) - 10;
        rq.y = static_cast<int>(rng() % 50) - 10;
        rq.table = RandomTable().data();
        SproxRect modelClip = clip;
        modelClip.bottom = std::min(clip.bottom, context.height);
        const std::vector<uint8_t> expected = model::ExpectedDraw(frame, modelClip, rq, pat);
        const bool visible = expected != frame.buffer;

        CountLocks();
        if (rop) {
            SX_RopPut(&context, rq.x, rq.y, pat.number, rq.table);
        } else {
            SX_PatPut(&context, rq.x, rq.y, pat.number);
        }
        ASSERT_EQ(frame.buffer, expected) << "put " << n;
        // Something drawn means exactly one lock and one unlock.
        if (visible) {
            EXPECT_EQ(gLog.locks, 1);
        }
        EXPECT_EQ(gLog.locks, gLog.unlocks);
        sprox::gPattern.patterns[pat.number] = {};
    }
}

// A small picture with a distinct colour in every pixel: colour 10 * row + column + 1.
Picture Numbered(int width, int height)
{
    Picture p{width, height, std::vector<std::vector<int>>(height, std::vector<int>(width))};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            p.px[y][x] = 10 * y + x + 1;
        }
    }
    return p;
}

struct Scene {
    std::mt19937 rng{5};
    Frame frame{40, 30, false, rng};
    Pattern pat;
    SproxRect clip{0, 0, 40, 30};

    explicit Scene(const Picture& pic, int hotX = 0, int hotY = 0, bool bottomUp = false)
        : frame(40, 30, bottomUp, rng)
    {
        pat = model::MakePattern(pic, 7, 0, pic.height, hotX, hotY, nullptr);
        pat.Register();
    }
    std::vector<uint8_t> Draw(DrawRequest rq)
    {
        rq.pattern = 7;
        const sprox::FrameView view = frame.View(clip);
        sprox::PatDraw(&view, &rq);
        return frame.buffer;
    }
};

TEST(PatPut, PlacesTheHotSpotAndSkipsRowsCutAtTheBottom)
{
    for (bool bottomUp : {false, true}) {
        Scene s(Numbered(4, 6), 3, 5, bottomUp);
        SproxContext context = ContextOver(s.frame, s.clip);
        SX_PatPut(&context, 10, 10, 7);
        EXPECT_EQ(s.frame.Pixel(7, 5), 1);     // top-left pixel of the pattern
        EXPECT_EQ(s.frame.Pixel(10, 10), 54);  // bottom-right

        // Cut by the clip at the bottom: the last visible line shows the pattern row
        // that belongs there.
        Scene t(Numbered(4, 6), 0, 0, bottomUp);
        t.clip.bottom = 3;
        SproxContext cut = ContextOver(t.frame, t.clip);
        const std::vector<uint8_t> before = t.frame.buffer;
        SX_PatPut(&cut, 0, 0, 7);
        EXPECT_EQ(t.frame.Pixel(0, 2), 21);
        EXPECT_EQ(t.frame.Pixel(3, 0), 4);
        EXPECT_EQ(t.frame.Pixel(0, 3), before[t.frame.At(0, 3)]);
    }
}

TEST(PatDraw, ClipsOnlyByTheClipRectangleNotTheHeight)
{
    Scene s(Numbered(3, 4));
    SproxContext context = ContextOver(s.frame, s.clip);
    context.height = 2;
    const std::vector<uint8_t> before = s.frame.buffer;
    SX_PatPut(&context, 0, 0, 7);
    EXPECT_EQ(s.frame.Pixel(0, 1), 11);
    EXPECT_EQ(s.frame.Pixel(0, 2), before[s.frame.At(0, 2)]);

    DrawRequest rq{};
    rq.pattern = 7;
    SX_PatDraw(&context, &rq);
    EXPECT_EQ(s.frame.Pixel(0, 2), 21);
    EXPECT_EQ(s.frame.Pixel(2, 3), 33);
}

TEST(PatDraw, UpsideDownClippedAtTheTopSkipsTheHiddenSourceRows)
{
    Scene s(Numbered(2, 6));
    s.clip.top = 12;
    DrawRequest rq{};
    rq.flags = PD_VFLIP;
    rq.y = 10;
    const std::vector<uint8_t> before = s.frame.buffer;
    s.Draw(rq);
    // Upside down the bottom row (51) would be at line 10; lines 10 and 11 are
    // clipped, so line 12 shows the third row from the bottom.
    EXPECT_EQ(s.frame.Pixel(0, 12), 31);
    EXPECT_EQ(s.frame.Pixel(1, 15), 2);
    EXPECT_EQ(s.frame.Pixel(0, 11), before[s.frame.At(0, 11)]);
}

TEST(PatDraw, OneToOneScalesAndFullMeshesDrawAsPlain)
{
    std::mt19937 rng(8);
    for (int n = 0; n < 300; ++n) {
        const Pattern pat = RandomPattern(rng, 20, 12);
        pat.Register();
        Frame frame(48, 36, rng() % 2 == 0, rng);
        DrawRequest plain = RandomRequest(rng, pat, frame);
        plain.flags &= PD_MIRROR | PD_ROP | PD_RECOLOR | PD_SHADOW | PD_VFLIP;
        plain.scaleX = plain.scaleY = 256;
        const SproxRect clip = RandomClip(rng, frame);
        auto draw = [&](const DrawRequest& rq) {
            Frame copy = frame;
            const sprox::FrameView view = copy.View(clip);
            sprox::PatDraw(&view, &rq);
            return copy.buffer;
        };
        const std::vector<uint8_t> expected = draw(plain);

        DrawRequest zoomed = plain;
        zoomed.flags |= PD_XZOOM | PD_YZOOM | PD_WAVE;  // 1:1 clears the wave too
        zoomed.waveAmplitude = 40;
        zoomed.wavePeriod = 3;
        EXPECT_EQ(draw(zoomed), expected) << n;

        DrawRequest scatter = plain;
        scatter.flags |= PD_SCATTER | PD_XZOOM;
        EXPECT_EQ(draw(scatter), expected) << n;

        if ((plain.flags & (PD_MESH | PD_SHADOW)) == 0) {
            DrawRequest mesh = plain;
            mesh.flags |= PD_MESH;
            mesh.mesh = 0xFFFFFFFF;
            EXPECT_EQ(draw(mesh), expected) << n;
            // Shadow with both operation bits is plain, whatever the mask says.
            mesh.flags |= PD_SHADOW;
            EXPECT_EQ(draw(mesh), expected) << n;
            mesh.mesh = 0x0F0F00FF;
            EXPECT_EQ(draw(mesh), expected) << n;
        }
        // A wave of period 0 leaves the rows where they are.
        DrawRequest still = plain;
        still.flags |= PD_WAVE;
        still.waveAmplitude = 100;
        still.wavePeriod = 0;
        EXPECT_EQ(draw(still), expected) << n;
        sprox::gPattern.patterns[pat.number] = {};
        if (HasFailure()) {
            return;
        }
    }
}

TEST(PatDraw, ScanLines)
{
    const Picture solid{6, 4, std::vector<std::vector<int>>(4, std::vector<int>(6, 9))};
    // Without the vertical scale they draw nothing.
    {
        Scene s(solid);
        const std::vector<uint8_t> before = s.frame.buffer;
        DrawRequest rq{};
        rq.flags = PD_SCANLINE;
        EXPECT_EQ(s.Draw(rq), before);
    }
    // Shrinking drops them: the same as the plain shrink.
    {
        Scene a(solid), b(solid);
        DrawRequest rq{};
        rq.flags = PD_YZOOM;
        rq.scaleY = 128;
        const std::vector<uint8_t> plain = a.Draw(rq);
        rq.flags |= PD_SCANLINE;
        EXPECT_EQ(b.Draw(rq), plain);
    }
    // At 512 every second line keeps what was there.
    {
        Scene s(solid);
        const std::vector<uint8_t> before = s.frame.buffer;
        DrawRequest rq{};
        rq.flags = PD_YZOOM | PD_SCANLINE;
        rq.scaleY = 512;
        rq.y = 3;
        s.Draw(rq);
        for (int y = 3; y < 11; ++y) {
            for (int x = 0; x < 6; ++x) {
                if ((y - 3) % 2 == 1) {
                    EXPECT_EQ(s.frame.Pixel(x, y), 9) << y;
                } else {
                    EXPECT_EQ(s.frame.Pixel(x, y), before[s.frame.At(x, y)]) << y;
                }
            }
        }
    }
}

TEST(PatDraw, WaveAndRipple)
{
    // Amplitude 1: every row moves by 0 or -1 pixel.
    {
        Scene plain(Numbered(8, 20)), waved(Numbered(8, 20));
        DrawRequest rq{};
        rq.x = 10;
        plain.Draw(rq);
        rq.flags = PD_WAVE;
        rq.waveAmplitude = 1;
        rq.wavePeriod = 7;
        waved.Draw(rq);
        int shifted = 0;
        for (int y = 0; y < 20; ++y) {
            const bool same = waved.frame.Pixel(10, y) == plain.frame.Pixel(10, y);
            const bool left = waved.frame.Pixel(9, y) == plain.frame.Pixel(10, y);
            EXPECT_TRUE(same || left) << y;
            shifted += left ? 1 : 0;
        }
        EXPECT_GT(shifted, 0);
        EXPECT_LT(shifted, 20);
    }
    // The ripple leaves the top and bottom rows where they are and moves others.
    {
        Picture pic = Numbered(1, 64);
        for (int y = 0; y < 64; ++y) {
            pic.px[y][0] = y;
        }
        std::mt19937 rng(1);
        Frame frame(4, 80, false, rng);
        Pattern pat = model::MakePattern(pic, 3, 0, 64, 0, 0, nullptr);
        pat.Register();
        DrawRequest rq{};
        rq.pattern = 3;
        rq.flags = PD_RIPPLE;
        rq.wavePeriod = 16;
        rq.wavePhase = 64;
        rq.y = 5;
        const sprox::FrameView view = frame.View({0, 0, 4, 80});
        sprox::PatDraw(&view, &rq);
        EXPECT_EQ(frame.Pixel(0, 5), 0);
        EXPECT_EQ(frame.Pixel(0, 68), 63);
        int moved = 0;
        for (int y = 0; y < 64; ++y) {
            moved += frame.Pixel(0, 5 + y) != y ? 1 : 0;
        }
        EXPECT_GT(moved, 0);

        // Without a positive period it draws nothing.
        Frame other(4, 80, false, rng);
        const std::vector<uint8_t> before = other.buffer;
        rq.wavePeriod = 0;
        const sprox::FrameView otherView = other.View({0, 0, 4, 80});
        sprox::PatDraw(&otherView, &rq);
        EXPECT_EQ(other.buffer, before);
    }
}

TEST(PatDraw, RippleOfATallPatternNeverReadsOutsideItsRows)
{
    // Near the bottom of a tall pattern the displacement can exceed the rows left
    // below; those lines stay as they were.
    std::mt19937 rng(12);
    for (int phase = 0; phase < 256; phase += 5) {
        Picture pic = model::RandomPicture(rng, 3, 250, 10);
        Pattern pat = model::MakePattern(pic, 9, 0, 250, 0, 0, nullptr);
        pat.Register();
        Frame frame(4, 260, rng() % 2 == 0, rng);
        DrawRequest rq{};
        rq.pattern = 9;
        rq.flags = PD_RIPPLE | (phase % 2 ? PD_VFLIP : 0);
        rq.wavePeriod = 1;
        rq.wavePhase = phase;
        const SproxRect clip{0, 0, 4, 260};
        const std::vector<uint8_t> expected = model::ExpectedDraw(frame, clip, rq, pat);
        const sprox::FrameView view = frame.View(clip);
        sprox::PatDraw(&view, &rq);
        ASSERT_EQ(frame.buffer, expected) << phase;
    }
}

TEST(PatDraw, MeshRowsFollowTheFrameWherever)
{
    // Mask byte 0 alone: in the normal direction it falls on the frame lines 3, 7,
    // 11, ... whatever the placement and clipping.
    const Picture solid{4, 9, std::vector<std::vector<int>>(9, std::vector<int>(4, 9))};
    for (int y = -3; y < 8; ++y) {
        for (int clipTop : {0, 2, 5}) {
            Scene s(solid);
            s.clip.top = clipTop;
            std::fill(s.frame.buffer.begin(), s.frame.buffer.end(), 0);
            DrawRequest rq{};
            rq.flags = PD_MESH;
            rq.mesh = 0x000000FF;
            rq.y = y;
            s.Draw(rq);
            for (int line = std::max(y, clipTop); line < y + 9; ++line) {
                EXPECT_EQ(s.frame.Pixel(0, line) == 9, line % 4 == 3) << "y " << y << " line " << line;
            }
        }
    }
}

TEST(PatDraw, ScalesOutOfRangeDrawNothingAndHugeOnesStayInside)
{
    Scene s(Numbered(1, 1));
    const std::vector<uint8_t> before = s.frame.buffer;
    for (int scale : {0, -1, -256, INT32_MIN}) {
        DrawRequest rq{};
        rq.flags = PD_XZOOM;
        rq.scaleX = scale;
        EXPECT_EQ(s.Draw(rq), before) << scale;
        rq.flags = PD_YZOOM;
        rq.scaleX = 256;
        rq.scaleY = scale;
        EXPECT_EQ(s.Draw(rq), before) << scale;
    }
    // The largest scale of a one-pixel pattern covers the clip rectangle from the
    // placement on, and nothing outside it.
    s.clip = {5, 6, 30, 20};
    DrawRequest rq{};
    rq.flags = PD_XZOOM | PD_YZOOM | PD_MIRROR;
    rq.scaleX = rq.scaleY = INT32_MAX;
    rq.x = 10;
    rq.y = 8;
    const std::vector<uint8_t> drawn = s.Draw(rq);
    for (int y = -8; y < 38; ++y) {
        for (int x = -8; x < 48; ++x) {
            const bool inside = x >= 10 && x < 30 && y >= 8 && y < 20;
            EXPECT_EQ(drawn[s.frame.At(x, y)], inside ? 1 : before[s.frame.At(x, y)]) << x << "," << y;
        }
    }
    // A placement pushed beyond reach by the scale of a wider pattern or its hot
    // spot is not drawn.
    rq.flags = PD_XZOOM;
    rq.scaleX = INT32_MAX;
    Scene wide(Numbered(200, 1));
    const std::vector<uint8_t> wideBefore = wide.frame.buffer;
    EXPECT_EQ(wide.Draw(rq), wideBefore);
    Scene far(Numbered(1, 1), 200, 0);
    const std::vector<uint8_t> farBefore = far.frame.buffer;
    EXPECT_EQ(far.Draw(rq), farBefore);
}

TEST(PatDraw, PatternNumbersAndRecordsThatCannotBeDrawnDrawNothing)
{
    Scene s(Numbered(3, 3));
    const std::vector<uint8_t> before = s.frame.buffer;
    SproxContext context = ContextOver(s.frame, s.clip);
    CountLocks();
    for (uint32_t n : {2048u, 2049u, 0xFFFFFFFFu, 0x80000000u, 6u, 100u}) {
        DrawRequest rq{};
        rq.pattern = n;
        const sprox::FrameView view = s.frame.View(s.clip);
        sprox::PatDraw(&view, &rq);
        SX_PatPut(&context, 0, 0, static_cast<int>(n));
        SX_RopPut(&context, 0, 0, static_cast<int>(n), RandomTable().data());
    }
    EXPECT_EQ(s.frame.buffer, before);
    EXPECT_EQ(gLog.locks, 0);

    // A visible band reaching past the stored rows is not drawn.
    sprox::gPattern.patterns[7].visibleHeight = 4;
    SX_PatPut(&context, 0, 0, 7);
    DrawRequest rq{};
    rq.pattern = 7;
    EXPECT_EQ(s.Draw(rq), before);
    sprox::gPattern.patterns[7].visibleHeight = 3;
    sprox::gPattern.patterns[7].rowsAbove = -1;
    EXPECT_EQ(s.Draw(rq), before);

    // No context, no view, no request: nothing happens.
    SX_PatPut(nullptr, 0, 0, 7);
    sprox::PatDraw(nullptr, &rq);
    const sprox::FrameView view = s.frame.View(s.clip);
    sprox::PatDraw(&view, nullptr);
    EXPECT_EQ(gLog.locks, 0);
    EXPECT_EQ(s.frame.buffer, before);
}

TEST(PatDraw, ExportsLockOnceAndUnlockWhatTheyLocked)
{
    Scene s(Numbered(3, 3));
    SproxContext context = ContextOver(s.frame, s.clip);
    CountLocks();
    DrawRequest rq{};
    rq.pattern = 7;
    rq.x = 100;  // nothing visible: SX_PatDraw still locks and unlocks
    SX_PatDraw(&context, &rq);
    EXPECT_EQ(gLog.locks, 1);
    EXPECT_EQ(gLog.unlocks, 1);
    SX_PatPut(&context, 100, 0, 7);  // PatPut does not lock for nothing
    EXPECT_EQ(gLog.locks, 1);

    gLog.result = 0;  // a failed lock draws nothing and is not unlocked
    const std::vector<uint8_t> before = s.frame.buffer;
    rq.x = 0;
    SX_PatDraw(&context, &rq);
    SX_PatPut(&context, 0, 0, 7);
    EXPECT_EQ(gLog.locks, 3);
    EXPECT_EQ(gLog.unlocks, 1);
    EXPECT_EQ(s.frame.buffer, before);

    gLog.result = 1;
    SX_PatPut(&context, 0, 0, 7);
    EXPECT_EQ(gLog.locks, 4);
    EXPECT_EQ(gLog.unlocks, 2);
    EXPECT_EQ(s.frame.Pixel(2, 2), 23);
}

TEST(PatDraw, SineTable)
{
    for (int i = 0; i < 256; ++i) {
        const double exact = std::trunc(128.0 * std::sin(2.0 * std::numbers::pi * i / 256.0));
        EXPECT_EQ(sprox::kSine[i], static_cast<int>(std::clamp(exact, -127.0, 127.0))) << i;
    }
}

} // namespace
