// Every export with each null pointer and absurd number it can be handed: no crash,
// nothing read or written out of bounds (the sanitizer build), the call's failure
// value, and a frame that only SX_Clear changes.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "dar_fixture.h"
#include "fake/fake_context.h"
#include "fake/fake_machine.h"
#include "fake/fake_sound.h"
#include "sprox.h"

using namespace dartest;

namespace {

constexpr int kLargest = 0x7FFFFFFF;
constexpr int kSmallest = -kLargest - 1;

// A call and the value it must return; void exports return kVoid.
constexpr int kVoid = 0x5A5A;

struct BadCall {
    const char* what;
    std::function<int()> call;
    int failure;
};

int Void(const std::function<void()>& f)
{
    f();
    return kVoid;
}

std::string FrameBytes(const SproxContext& c)
{
    return std::string(reinterpret_cast<const char*>(c.bits),
                       static_cast<size_t>(c.stride) * static_cast<size_t>(c.height));
}

TEST(BadArguments, EveryExportRefusesThemQuietly)
{
    fake::OfferDirectSound(fake::machine());
    SproxContext context{};
    SproxContext* c = &context;
    SX_Init(c, fake::Window());
    SX_Size(c, 64, 48, -1, nullptr);
    ASSERT_NE(context.bits, nullptr);
    TempFile archive(MakeArchive(2));
    ASSERT_EQ(SX_PatEntryDARFile(0, 2, archive.path()), 2);
    ASSERT_EQ(SX_WaveInit(nullptr, fake::Window()), 1);
    uint8_t* rop = SX_CreateRop();
    ASSERT_NE(rop, nullptr);
    SproxContext unset{};
    InputState state{};
    SxPalette palette = nullptr;

    auto draw = [c](uint32_t flags, uint32_t pattern, const uint8_t* table) {
        DrawRequest r{};
        r.flags = flags;
        r.pattern = pattern;
        r.x = 10;
        r.y = 10;
        r.scaleX = 512;
        r.scaleY = 512;
        r.wavePeriod = 3;
        r.waveAmplitude = 5;
        r.table = table;
        r.mesh = 0x55AA55AA;
        return Void([&] { SX_PatDraw(c, &r); });
    };

    const std::vector<BadCall> calls = {
        {"Init null context", [] { return Void([] { SX_Init(nullptr, fake::Window()); }); }, kVoid},
        {"End null", [] { return Void([] { SX_End(nullptr); }); }, kVoid},
        {"Size null context", [&] { return Void([&] { SX_Size(nullptr, 64, 48, 0, &palette); }); }, kVoid},
        {"Size unset context", [&] { return Void([&] { SX_Size(&unset, 64, 48, 0, &palette); }); }, kVoid},
        {"Paint null context", [] { return Void([] { SX_Paint(nullptr, fake::TargetDC(), 0, 0); }); }, kVoid},
        {"Paint null target", [c] { return Void([c] { SX_Paint(c, nullptr, 0, 0); }); }, kVoid},
        {"Paint far away", [c] { return Void([c] { SX_Paint(c, fake::TargetDC(), kSmallest, kLargest); }); }, kVoid},
        {"Clear null", [] { return Void([] { SX_Clear(nullptr, 3); }); }, kVoid},
        {"FullScreen null", [] { return SX_FullScreen(nullptr, 640, 480, 1); }, 0},
        {"FullScreen unset", [&] { return SX_FullScreen(&unset, 640, 480, 1); }, 0},
        {"FullScreen absurd size", [c] { return SX_FullScreen(c, kSmallest, kLargest, 1); }, 0},
        {"PatEntryDARFile null name", [] { return SX_PatEntryDARFile(4, 2, nullptr); }, 0},
        {"PatEntryDARFile absurd first", [&] { return SX_PatEntryDARFile(kLargest, 2, archive.path()); }, 0},
        {"PatEntryDARFile absurd count", [&] { return SX_PatEntryDARFile(0, kSmallest, archive.path()); }, 0},
        {"PatPut null context", [] { return Void([] { SX_PatPut(nullptr, 0, 0, 0); }); }, kVoid},
        {"PatPut unset context", [&] { return Void([&] { SX_PatPut(&unset, 0, 0, 0); }); }, kVoid},
        {"PatPut absurd pattern", [c] { return Void([c] { SX_PatPut(c, 0, 0, kSmallest); }); }, kVoid},
        {"PatPut unregistered", [c] { return Void([c] { SX_PatPut(c, 0, 0, 2047); }); }, kVoid},
        {"PatPut far away", [c] { return Void([c] { SX_PatPut(c, kLargest, kSmallest, 0); }); }, kVoid},
        {"RopPut null table", [c] { return Void([c] { SX_RopPut(c, 10, 10, 0, nullptr); }); }, kVoid},
        {"RopPut null context", [&] { return Void([&] { SX_RopPut(nullptr, 10, 10, 0, rop); }); }, kVoid},
        {"PatDraw null context", [] { return Void([] { DrawRequest r{}; SX_PatDraw(nullptr, &r); }); }, kVoid},
        {"PatDraw null request", [c] { return Void([c] { SX_PatDraw(c, nullptr); }); }, kVoid},
        {"PatDraw ROP null table", [&] { return draw(PD_ROP, 0, nullptr); }, kVoid},
        {"PatDraw recolour null table", [&] { return draw(PD_RECOLOR, 0, nullptr); }, kVoid},
        {"PatDraw shadow null table", [&] { return draw(PD_SHADOW | PD_MIRROR, 0, nullptr); }, kVoid},
        {"PatDraw ROP wave null table", [&] { return draw(PD_ROP | PD_WAVE | PD_YZOOM, 0, nullptr); }, kVoid},
        {"PatDraw absurd pattern", [&] { return draw(PD_ROP, 0xFFFFFFFF, rop); }, kVoid},
        {"RotoZoomPut null context", [] { return Void([] { SX_RotoZoomPut(nullptr, 0, 0, 0, 0, 0, 0, 256); }); }, kVoid},
        {"RotoZoomPut absurd numbers",
         [c] { return Void([c] { SX_RotoZoomPut(c, kLargest, kSmallest, kSmallest, kLargest, kSmallest, kSmallest, kLargest); }); },
         kVoid},
        {"RotoZoomPut unregistered", [c] { return Void([c] { SX_RotoZoomPut(c, 10, 10, 9, 0, 0, 64, 256); }); }, kVoid},
        {"DeleteRop null", [] { return Void([] { SX_DeleteRop(nullptr); }); }, kVoid},
        {"TransRop null table", [c] { return Void([c] { SX_TransRop(c, nullptr, 128); }); }, kVoid},
        {"TransRop null context", [&] { return Void([&] { SX_TransRop(nullptr, rop, 128); }); }, kVoid},
        {"TransRop absurd level", [&] { return Void([&] { SX_TransRop(c, rop, kSmallest); }); }, kVoid},
        {"CaptureInput null result", [] { return SX_CaptureInput(1, nullptr); }, 0},
        {"CaptureInput absurd configuration", [&] { return SX_CaptureInput(kSmallest, &state); }, 0},
        {"WaveOpen null name", [] { return SX_WaveOpen(nullptr); }, -1},
        {"WaveFree absurd slot", [] { return Void([] { SX_WaveFree(kSmallest); }); }, kVoid},
        {"WavePlayEx absurd slot", [] { return SX_WavePlayEx(kLargest, 1); }, -1},
        {"WaveSetState absurd slot", [] { return SX_WaveSetState(kSmallest, kLargest, kSmallest); }, 0},
        {"WaveActivate absurd flag", [] { return Void([] { SX_WaveActivate(kSmallest); }); }, kVoid},
        {"WaveInit null handles", [] { return SX_WaveInit(nullptr, nullptr); }, 1},
    };

    SX_Clear(c, 7);
    const std::string before = FrameBytes(context);
    for (const BadCall& bad : calls) {
        SCOPED_TRACE(bad.what);
        EXPECT_EQ(bad.call(), bad.failure);
        EXPECT_TRUE(FrameBytes(context) == before) << "the frame changed";
    }
    // The context is still whole and draws.
    SX_PatPut(c, 10, 10, 0);
    EXPECT_FALSE(FrameBytes(context) == before);
    SX_DeleteRop(rop);
    SX_ReleaseAll();
    SX_End(c);
}

} // namespace
