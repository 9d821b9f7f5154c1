#include <gtest/gtest.h>

#include <cstring>

#include "fake/fake_ddraw.h"
#include "fake/fake_gdi.h"
#include "sprox/display/backend.h"
#include "sprox/display/palette.h"

using sprox::BuildIdentityPalette;
using sprox::gDisplay;

namespace {

// A colour table of distinct colours, none equal to a system colour.
std::vector<SproxColor> Distinct()
{
    std::vector<SproxColor> table(256);
    for (int i = 0; i < 256; ++i) {
        table[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i / 2), 7, 0x55};
    }
    return table;
}

} // namespace

TEST(IdentityPalette, PalettisedScreenKeepsTheSystemStatics)
{
    auto& gdi = fake::gdi();
    gdi.bitsPerPixel = 8;
    gdi.systemPalette[3] = {1, 2, 3, 0};
    gdi.systemPalette[250] = {4, 5, 6, 0};
    auto table = Distinct();
    BuildIdentityPalette(table.data(), true);

    EXPECT_EQ(gDisplay.logPalette.version, 0x300);
    EXPECT_EQ(gDisplay.logPalette.count, 256);
    for (int i = 0; i < 256; ++i) {
        const auto& e = gDisplay.logPalette.entries[i];
        bool isStatic = i < 10 || i >= 246;
        EXPECT_EQ(e.flags, isStatic ? 0 : sys::kPcNoCollapse) << i;
        if (isStatic) {
            const auto& s = gdi.systemPalette[i];
            EXPECT_EQ(e.red, s.red) << i;
            EXPECT_EQ(e.green, s.green) << i;
            EXPECT_EQ(e.blue, s.blue) << i;
            // Written back, reserved byte untouched.
            EXPECT_EQ(table[i].red, s.red) << i;
            EXPECT_EQ(table[i].blue, s.blue) << i;
            EXPECT_EQ(table[i].reserved, 0x55) << i;
        } else {
            EXPECT_EQ(e.red, 7) << i;
            EXPECT_EQ(e.green, i / 2) << i;
            EXPECT_EQ(e.blue, i) << i;
        }
    }
    EXPECT_EQ(gDisplay.logPalette.entries[3].red, 1);
    EXPECT_EQ(gDisplay.logPalette.entries[250].blue, 6);
}

TEST(IdentityPalette, WithoutWriteBackTheTableStaysAsItWas)
{
    fake::gdi().bitsPerPixel = 8;
    auto table = Distinct();
    const auto before = table;
    BuildIdentityPalette(table.data(), false);
    EXPECT_EQ(std::memcmp(table.data(), before.data(), 1024), 0);
    EXPECT_EQ(gDisplay.logPalette.entries[255].red, 255);
}

TEST(IdentityPalette, TrueColourScreenOrFullScreenTakesAllColoursUnchanged)
{
    for (bool fullScreen : {false, true}) {
        SCOPED_TRACE(fullScreen);
        fake::gdi().bitsPerPixel = fullScreen ? 8 : 24;
        sprox::gDisplay.primary = fullScreen ? fake::ddraw().MakeSurface(8, 8) : nullptr;
        auto table = Distinct();
        // Duplicates of the varying system colours are not separated either.
        table[20] = table[8];
        table[21] = table[8];
        const auto before = table;
        BuildIdentityPalette(table.data(), true);
        EXPECT_EQ(std::memcmp(table.data(), before.data(), 1024), 0);
        for (int i = 0; i < 256; ++i) {
            const auto& e = gDisplay.logPalette.entries[i];
            ASSERT_EQ(e.blue, before[i].blue) << i;
            ASSERT_EQ(e.green, before[i].green) << i;
            ASSERT_EQ(e.red, before[i].red) << i;
            ASSERT_EQ(e.flags, sys::kPcNoCollapse) << i;
        }
    }
    sprox::gDisplay.primary = nullptr;
}

TEST(IdentityPalette, DuplicatesOfVaryingSystemColoursAreToldApartByTheirBlue)
{
    fake::gdi().bitsPerPixel = 8;
    auto table = Distinct();
    // The system's colours after write back, with the table's reserved byte.
    const SproxColor colour8 = {192, 220, 192, 0x55};
    const SproxColor colour9 = {240, 202, 166, 0x55};
    const SproxColor colour247 = {164, 160, 160, 0x55};
    table[20] = colour8;
    table[30] = colour9;
    table[40] = colour8;
    table[50] = colour247;
    table[60] = colour8;
    table[70] = {192, 220, 192, 0};   // another reserved byte: not a duplicate
    BuildIdentityPalette(table.data(), true);

    EXPECT_EQ(gDisplay.logPalette.entries[20].blue, 191);
    EXPECT_EQ(gDisplay.logPalette.entries[40].blue, 190);
    EXPECT_EQ(gDisplay.logPalette.entries[60].blue, 189);
    EXPECT_EQ(gDisplay.logPalette.entries[30].blue, 239);
    EXPECT_EQ(gDisplay.logPalette.entries[50].blue, 163);
    EXPECT_EQ(gDisplay.logPalette.entries[70].blue, 192);
    EXPECT_EQ(gDisplay.logPalette.entries[20].red, 192);
    EXPECT_EQ(gDisplay.logPalette.entries[20].green, 220);
    // Written back into the table.
    EXPECT_EQ(table[20].blue, 191);
    EXPECT_EQ(table[60].blue, 189);
    EXPECT_EQ(table[8].blue, 192);
}

TEST(IdentityPalette, ADuplicateWithoutRoomBelowGoesUp)
{
    auto& gdi = fake::gdi();
    gdi.bitsPerPixel = 8;
    gdi.systemPalette[246] = {10, 10, 1, 0};
    auto table = Distinct();
    for (int i : {100, 101, 102}) {
        table[i] = {1, 10, 10, 0x55};
    }
    std::vector<SproxColor> kept = table;
    BuildIdentityPalette(table.data(), true);
    EXPECT_EQ(gDisplay.logPalette.entries[100].blue, 0);   // 1 - 1
    EXPECT_EQ(gDisplay.logPalette.entries[101].blue, 3);   // 1 - 2 < 0: 1 + 2
    EXPECT_EQ(gDisplay.logPalette.entries[102].blue, 4);

    // Compared with the table's own colours when they are not written back.
    BuildIdentityPalette(kept.data(), false);
    EXPECT_EQ(gDisplay.logPalette.entries[100].blue, 1);
    EXPECT_EQ(kept[101].blue, 1);
}
