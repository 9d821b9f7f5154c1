// Every export with each null pointer and absurd number it can be handed: no crash,
// nothing read or written out of bounds (the sanitizer build), the call's failure
// value, and a frame that only SX_Clear changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "dar_fixture.h"
#include "fake/fake_context.h"
#include "fake/fake_ddraw.h"
#include "fake/fake_machine.h"
#include "fake/fake_sound.h"
#include "sound/wav_builder.h"
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
    // Absurd frame sizes and palette patterns: refused or reported, never a crash.
    for (int size : {kSmallest, -1, 0, kLargest}) {
        SX_Size(c, size, size, kLargest, &palette);
        SX_Size(c, 64, size, kSmallest, nullptr);
        SX_Clear(c, kLargest);
        SX_PatPut(c, 0, 0, 0);
    }
    SX_DeleteRop(rop);
    SX_ReleaseAll();
    SX_End(c);
}

// Each call that refuses without a report box, and the line it writes on the
// diagnostic channel: with SPROX_DEBUG=1 exactly that one line (checked by its
// telling part), without it nothing.
struct Silent {
    const char* line;
    std::function<void()> call;
};

class Diagnostics : public testing::TestWithParam<bool> {};

TEST_P(Diagnostics, EverySilentRefusalWritesItsOneLineOnlyWhenAsked)
{
    const bool on = GetParam();
#ifdef _WIN32
    _putenv_s("SPROX_DEBUG", on ? "1" : "0");
#else
    setenv("SPROX_DEBUG", on ? "1" : "0", 1);
#endif
    fake::OfferDirectSound(fake::machine());
    fake::ddraw().modes = {{640, 480, 8}, {800, 600, 8}};
    SproxContext context{};
    SproxContext* c = &context;
    SX_Init(c, fake::Window());
    ASSERT_EQ(SX_WaveInit(nullptr, fake::Window()), 1);

    auto archive = MakeArchive({MakePicture(8, 4, 0, 0)});
    auto tallVisible = archive;
    constexpr size_t kVisible = 1036 + 14;   // the first entry's visible height, version 1
    tallVisible[kVisible] = 9;
    auto cutRows = archive;
    cutRows.resize(archive.size() - 3);
    TempFile garbage(std::vector<uint8_t>(100, 'x'));
    TempFile empty(std::vector<uint8_t>{});
    TempFile tall(tallVisible);
    TempFile cut(cutRows);
    TempFile good(archive);
    TempFile notWave(wavtest::Samples(64));
    TempFile noFormat(wavtest::Riff({wavtest::Chunk("data", wavtest::Samples(8))}));
    DrawRequest rop{};
    rop.flags = PD_ROP;

    const std::vector<Silent> cases = {
        {"SX_PatPut: no frame yet (call SX_Size first): nothing drawn", [c] { SX_PatPut(c, 0, 0, 0); }},
        {"SX_Clear: no frame yet (call SX_Size first): nothing drawn", [c] { SX_Clear(c, 5); }},
        {"SX_PatEntryDARFile: the file (100 bytes) does not begin with the archive magic",
         [&] { SX_PatEntryDARFile(0, 1, garbage.path()); }},
        {"SX_PatEntryDARFile: the file (0 bytes) does not begin with the archive magic",
         [&] { SX_PatEntryDARFile(0, 1, empty.path()); }},
        {"SX_PatEntryDARFile: archive entry 0 (at byte 1036) is damaged: visible height is above height",
         [&] { SX_PatEntryDARFile(0, 1, tall.path()); }},
        {"SX_PatEntryDARFile: archive entry 0 (at byte 1036) is damaged: rows (height x stride) run past",
         [&] { SX_PatEntryDARFile(0, 1, cut.path()); }},
        {"SX_WaveOpen: ", [&] { SX_WaveOpen(notWave.path()); }},
        {": not a RIFF WAVE file; the slot stays empty", [&] { SX_WaveOpen(notWave.path()); }},
        {": no fmt chunk; the slot stays empty", [&] { SX_WaveOpen(noFormat.path()); }},
        {"SX_FullScreen: no 8-bit screen mode shows 1000 x 700 at scale 1; the modes are 640 x 480, 800 x 600",
         [c] { SX_FullScreen(c, 1000, 700, 1); }},
        {"SX_WaveOpen: the file name is null", [] { SX_WaveOpen(nullptr); }},
        {"SX_PatPut: pattern 7 is not registered: nothing drawn",
         [c] { SX_Size(c, 32, 32, -1, nullptr); SX_PatPut(c, 0, 0, 7); }},
        {"SX_RotoZoomPut: pattern -3 is out of range", [c] { SX_RotoZoomPut(c, 0, 0, -3, 0, 0, 0, 256); }},
        {"SX_PatDraw: pattern 4096 is out of range", [c] { DrawRequest r{}; r.pattern = 4096; SX_PatDraw(c, &r); }},
        {"SX_PatDraw: the request is null", [c] { SX_PatDraw(c, nullptr); }},
        {"SX_PatDraw: flags 0x4 need a table and the request's table is null",
         [&] { SX_PatEntryDARFile(0, 1, good.path()); SX_PatDraw(c, &rop); }},
        {"SX_RopPut: the ROP table is null", [c] { SX_RopPut(c, 0, 0, 0, nullptr); }},
        {"SX_PatPut: the context was not set up by SX_Init", [] { SproxContext u{}; SX_PatPut(&u, 0, 0, 0); }},
    };
    for (const Silent& silent : cases) {
        SCOPED_TRACE(silent.line);
        fake::machine().boxes.clear();
        testing::internal::CaptureStderr();
        silent.call();
        const std::string written = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(fake::machine().boxes.empty());
        if (on) {
            EXPECT_EQ(written.rfind("sprox: ", 0), 0u) << written;
            EXPECT_NE(written.find(silent.line), std::string::npos) << written;
            EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 1) << written;
        } else {
            EXPECT_EQ(written, "");
        }
    }
    SX_ReleaseAll();
    SX_End(c);
}

INSTANTIATE_TEST_SUITE_P(OnAndOff, Diagnostics, testing::Bool());

} // namespace
