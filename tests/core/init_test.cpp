#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "fake/fake_context.h"
#include "fake/fake_gdi.h"
#include "fake/fake_machine.h"
#include "fake/fake_wing.h"
#include "sprox.h"
#include "sprox/core/registry.h"
#include "sprox/display/backend.h"
#include "sprox/display/backend_ops.h"

using fake::Window;

namespace {

std::vector<SproxContext*> RegisteredSlots()
{
    std::vector<SproxContext*> slots;
    for (int i = 0; i < sprox::gRegistrySlots; ++i) {
        slots.push_back(sprox::gRegistry[i].context);
    }
    return slots;
}

bool Probed(const std::string& module)
{
    const auto& probed = fake::machine().probed;
    return std::find(probed.begin(), probed.end(), module) != probed.end();
}

void OfferOldWindows(bool withWinG, bool withCreateDC = true)
{
    auto& m = fake::machine();
    m.version = 0x80000003;   // the old consumer line, major version 3
    m.modules = {{"GDI32", {"CreateDIBSection"}}};
    if (withWinG) {
        std::set<std::string> entries = {"WinGRecommendDIBFormat", "WinGCreateBitmap",
                                         "WinGBitBlt", "WinGStretchBlt"};
        if (withCreateDC) {
            entries.insert("WinGCreateDC");
        }
        m.modules["WING32.DLL"] = entries;
    }
}

} // namespace

TEST(Validity, InvalidContextsAreReportedAndLeftAlone)
{
    auto& m = fake::machine();
    SproxContext good{};
    SX_Init(&good, Window());
    SproxContext zero{};
    SproxContext copy;
    std::memcpy(&copy, &good, sizeof copy);   // its self names the original
    SproxContext garbage;
    std::memset(&garbage, 0xAB, sizeof garbage);
    const std::string zeroBefore = fake::Bytes(zero);
    const std::string copyBefore = fake::Bytes(copy);
    const std::string garbageBefore = fake::Bytes(garbage);

    for (SproxContext* bad : {static_cast<SproxContext*>(nullptr), &zero, &copy, &garbage}) {
        m.boxes.clear();
        SX_Size(bad, 320, 240, -1, nullptr);
        SX_End(bad);
        ASSERT_EQ(m.boxes.size(), 2u);
        EXPECT_EQ(m.boxes[0].text, fake::InvalidContextText("SproxSize"));
        EXPECT_EQ(m.boxes[1].text, fake::InvalidContextText("SproxEnd"));
        EXPECT_EQ(m.boxes[0].caption, "Sprox Error");
        // Full screen is refused for them and switches nothing.
        EXPECT_EQ(SX_FullScreen(bad, 640, 480, 1), 0);
    }
    EXPECT_EQ(fake::Bytes(zero), zeroBefore);
    EXPECT_EQ(fake::Bytes(copy), copyBefore);
    EXPECT_EQ(fake::Bytes(garbage), garbageBefore);
    // The original is still registered and whole.
    EXPECT_EQ(good.self, &good);
    EXPECT_EQ(sprox::gContextCount, 1);
}

TEST(Init, NullContextDoesNothing)
{
    SX_Init(nullptr, Window());
    EXPECT_EQ(sprox::gContextCount, 0);
    EXPECT_TRUE(fake::machine().guards.empty());
    EXPECT_TRUE(fake::machine().probed.empty());
}

TEST(Init, SetsTheFieldsOfANewContext)
{
    SproxContext context;
    std::memset(&context, 0xAB, sizeof context);
    SX_Init(&context, Window(3));

    EXPECT_EQ(context.self, &context);
    EXPECT_EQ(context.hwnd, Window(3));
    EXPECT_EQ(context.tag, 243);
    EXPECT_EQ(context.scale, 1);
    EXPECT_EQ(context.direction, 1);
    EXPECT_EQ(context.colors[255].blue, 0);
    EXPECT_EQ(context.colors[255].red, 0xAB);   // the rest of the colours are left alone
    EXPECT_EQ(context.colors[0].blue, 0xAB);
    SproxBitmapHeader zeroHeader{};
    EXPECT_EQ(std::memcmp(&context.header, &zeroHeader, sizeof zeroHeader), 0);
    EXPECT_EQ(context.bits, nullptr);
    EXPECT_EQ(context.hdc, nullptr);
    EXPECT_EQ(context.savedBitmap, nullptr);
    EXPECT_EQ(context.surface, nullptr);
    EXPECT_EQ(context.ddPalette, nullptr);
    EXPECT_EQ(context.dibBits, nullptr);
    EXPECT_EQ(context.dibDC, nullptr);
    EXPECT_EQ(context.width, 0);
    EXPECT_EQ(context.height, 0);
    EXPECT_EQ(context.stride, 0);
    EXPECT_EQ(context.pitch, 0);
    EXPECT_EQ(context.topOffset, 0);
    EXPECT_EQ(context.scrollX, 0);
    EXPECT_EQ(context.scrollY, 0);
    EXPECT_EQ(context.viewWidth, 0);
    EXPECT_EQ(context.viewHeight, 0);
    EXPECT_EQ(context.lockCount, 0);
    EXPECT_EQ(context.clip.left | context.clip.top | context.clip.right | context.clip.bottom, 0);
}

TEST(Init, TwiceOnOneContextOnlyFillsAnEmptyWindow)
{
    SproxContext context{};
    SX_Init(&context, Window(1));
    const size_t probes = fake::machine().probed.size();
    const size_t flushes = fake::gdi().realized.size();
    context.scrollX = 7;
    context.scale = 3;

    SX_Init(&context, Window(2));   // a window is already there: kept
    EXPECT_EQ(context.hwnd, Window(1));
    context.hwnd = nullptr;
    SX_Init(&context, Window(2));
    EXPECT_EQ(context.hwnd, Window(2));

    EXPECT_EQ(context.scrollX, 7);
    EXPECT_EQ(context.scale, 3);
    EXPECT_EQ(sprox::gContextCount, 1);
    EXPECT_EQ(sprox::gRegistrySlots, 1);
    EXPECT_EQ(fake::machine().probed.size(), probes);
    EXPECT_EQ(fake::gdi().realized.size(), flushes);
}

TEST(Init, EveryNewContextFlushesTheSystemPaletteToBlack)
{
    SproxContext a{}, b{};
    SX_Init(&a, Window(1));
    SX_Init(&b, Window(2));
    auto& gdi = fake::gdi();
    ASSERT_EQ(gdi.realized.size(), 2u);
    for (const auto& palette : gdi.realized) {
        ASSERT_EQ(palette.size(), 256u);
        for (const auto& entry : palette) {
            EXPECT_EQ(entry.red | entry.green | entry.blue, 0);
            EXPECT_EQ(entry.flags, sys::kPcNoCollapse);
        }
    }
    // Each black palette was deleted again, and the screen got its own back.
    EXPECT_EQ(gdi.Created(fake::FakeGdi::Kind::Palette), 2);
    EXPECT_EQ(gdi.Live(fake::FakeGdi::Kind::Palette), 0);
}

TEST(Init, TheGuardIsTakenAndGivenBackByInitAndEnd)
{
    SproxContext context{};
    SX_Init(&context, Window());
    SX_End(&context);
    auto& m = fake::machine();
    ASSERT_EQ(m.guards.size(), 2u);
    EXPECT_EQ(m.guards[0], "Sprox(-1-0)");
    EXPECT_EQ(m.guards[1], "Sprox(-1-0)");
    EXPECT_EQ(m.guardDepth, 0);
}

TEST(Registry, GrowsReusesTheLastFreeSlotAndShrinks)
{
    SproxContext c[5] = {};
    for (int i = 0; i < 4; ++i) {
        SX_Init(&c[i], Window(i + 1));
    }
    EXPECT_EQ(RegisteredSlots(), (std::vector<SproxContext*>{&c[0], &c[1], &c[2], &c[3]}));
    EXPECT_EQ(sprox::gContextCount, 4);

    SX_End(&c[1]);
    SX_End(&c[2]);
    // The trailing slot is still taken: nothing shrinks.
    EXPECT_EQ(RegisteredSlots(), (std::vector<SproxContext*>{&c[0], nullptr, nullptr, &c[3]}));
    SX_Init(&c[4], Window(5));
    EXPECT_EQ(RegisteredSlots(), (std::vector<SproxContext*>{&c[0], nullptr, &c[4], &c[3]}));

    // Ending the last one drops every free slot behind the last taken one.
    SX_End(&c[3]);
    EXPECT_EQ(RegisteredSlots(), (std::vector<SproxContext*>{&c[0], nullptr, &c[4]}));
    SX_End(&c[4]);
    EXPECT_EQ(RegisteredSlots(), (std::vector<SproxContext*>{&c[0]}));
    SX_End(&c[0]);
    EXPECT_EQ(sprox::gRegistrySlots, 0);
    EXPECT_EQ(sprox::gRegistry, nullptr);
    EXPECT_EQ(sprox::gContextCount, 0);

    // A context ended and initialised again starts a fresh registry.
    SX_Init(&c[1], Window());
    EXPECT_EQ(RegisteredSlots(), (std::vector<SproxContext*>{&c[1]}));
    EXPECT_EQ(sprox::gContextCount, 1);
}

TEST(End, ContextWithoutFrameStillCountsDown)
{
    SproxContext a{}, b{};
    SX_Init(&a, Window(1));
    SX_Init(&b, Window(2));
    SX_End(&a);
    EXPECT_EQ(a.self, nullptr);
    EXPECT_EQ(sprox::gContextCount, 1);
    EXPECT_TRUE(fake::machine().boxes.empty());
}

TEST(End, ValidButUnregisteredContextOnlyLosesItsSelf)
{
    SproxContext registered{};
    SX_Init(&registered, Window());
    SproxContext stray{};
    stray.self = &stray;
    SX_End(&stray);
    EXPECT_EQ(stray.self, nullptr);
    EXPECT_EQ(sprox::gContextCount, 1);
    EXPECT_TRUE(fake::machine().boxes.empty());
    EXPECT_FALSE(fake::machine().LoadedNow().empty());
}

TEST(Backend, NtWithDibSectionsLoadsGdiAndDirectDraw)
{
    auto& m = fake::machine();
    m.errorMode = 5;
    SproxContext context{};
    SX_Init(&context, Window());
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendDibSection);
    EXPECT_EQ(m.LoadedNow(), (std::set<std::string>{"GDI32", "DDRAW.DLL"}));
    EXPECT_EQ(m.resolved,
              (std::vector<std::string>{"GDI32!CreateDIBSection", "DDRAW.DLL!DirectDrawCreate"}));
    EXPECT_NE(sprox::gDisplay.directDrawCreate, nullptr);
    EXPECT_FALSE(Probed("WING32.DLL"));
    EXPECT_EQ(m.errorMode, 5u);   // the mode in force before the probes is back
}

TEST(Backend, NtWithoutCreateDIBSectionUsesPlainBitmapsAndSkipsDirectDraw)
{
    auto& m = fake::machine();
    m.modules["GDI32"] = {};
    SproxContext context{};
    SX_Init(&context, Window());
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendPlainDib);
    EXPECT_FALSE(Probed("DDRAW.DLL"));
    EXPECT_EQ(sprox::gDisplay.directDrawCreate, nullptr);
    // GDI32 stays loaded until the last context ends.
    EXPECT_EQ(m.LoadedNow(), (std::set<std::string>{"GDI32"}));
    SX_End(&context);
    EXPECT_TRUE(m.LoadedNow().empty());
}

TEST(Backend, DirectDrawWithoutItsEntryPointIsUnloadedAgain)
{
    auto& m = fake::machine();
    m.modules["DDRAW.DLL"] = {};
    SproxContext context{};
    SX_Init(&context, Window());
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendDibSection);
    EXPECT_EQ(sprox::gDisplay.directDrawCreate, nullptr);
    EXPECT_EQ(m.freed, (std::vector<std::string>{"DDRAW.DLL"}));
    EXPECT_EQ(m.LoadedNow(), (std::set<std::string>{"GDI32"}));
}

TEST(Backend, VersionFourOfTheOldLineCountsAsNew)
{
    auto& m = fake::machine();
    m.version = 0x80000004;
    SproxContext context{};
    SX_Init(&context, Window());
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendDibSection);
    EXPECT_FALSE(Probed("WING32.DLL"));
}

TEST(Backend, OldWindowsWithWinGUsesWinG)
{
    OfferOldWindows(true);
    auto& m = fake::machine();
    SproxContext context{};
    SX_Init(&context, Window());
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendWinG);
    EXPECT_EQ(m.LoadedNow(), (std::set<std::string>{"WING32.DLL"}));
    EXPECT_FALSE(Probed("GDI32"));
    EXPECT_FALSE(Probed("DDRAW.DLL"));
    EXPECT_EQ(m.resolved.size(), 5u);
}

TEST(Backend, OldWindowsWithoutWinGUsesPlainBitmaps)
{
    OfferOldWindows(false);
    SproxContext context{};
    SX_Init(&context, Window());
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendPlainDib);
    EXPECT_TRUE(Probed("WING32.DLL"));
    EXPECT_TRUE(fake::machine().LoadedNow().empty());
}

TEST(Backend, WinGWithoutCreateDCIsUnloaded)
{
    OfferOldWindows(true, false);
    auto& m = fake::machine();
    SproxContext context{};
    SX_Init(&context, Window());
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendPlainDib);
    EXPECT_EQ(m.freed, (std::vector<std::string>{"WING32.DLL"}));
    EXPECT_TRUE(m.LoadedNow().empty());
}

TEST(Backend, ASecondContextChangesNothingAndTheLastEndUnloads)
{
    auto& m = fake::machine();
    SproxContext a{}, b{};
    SX_Init(&a, Window(1));
    const auto probed = m.probed;
    const auto loaded = m.LoadedNow();

    // Whatever the machine says now, the choice is made.
    m.version = 0x80000003;
    m.modules["WING32.DLL"] = {"WinGCreateDC"};
    SX_Init(&b, Window(2));
    EXPECT_EQ(m.probed, probed);
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendDibSection);

    SX_End(&a);
    EXPECT_EQ(m.LoadedNow(), loaded);
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendDibSection);
    SX_End(&b);
    EXPECT_TRUE(m.LoadedNow().empty());
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendPlainDib);
    EXPECT_EQ(sprox::gDisplay.directDrawCreate, nullptr);
    EXPECT_EQ(sprox::gDisplay.ops.present, sprox::kBackendOps[0].present);
}

TEST(Backend, AFreshStartAfterTheLastEndChoosesAgain)
{
    auto& m = fake::machine();
    SproxContext context{};
    SX_Init(&context, Window());
    SX_End(&context);
    OfferOldWindows(true);
    SX_Init(&context, Window());
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendWinG);
    EXPECT_EQ(m.LoadedNow(), (std::set<std::string>{"WING32.DLL"}));
}
