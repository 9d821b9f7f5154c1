// Contexts and display modes for the full-screen tests on the fake machine.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <utility>

#include "fake/fake_context.h"
#include "fake/fake_ddraw.h"
#include "fake/fake_gdi.h"
#include "fake/fake_machine.h"
#include "sprox.h"
#include "sprox/core/registry.h"
#include "sprox/display/backend.h"
#include "sprox/display/backend_ops.h"
#include "sprox/display/screenmode.h"

namespace fs {

// Display modes of the fake machine, 8 bits per pixel. Set them before the first
// SX_Init with a window, whose probe fills the library's list.
inline void OfferModes(std::initializer_list<std::pair<uint32_t, uint32_t>> sizes)
{
    for (auto [w, h] : sizes) {
        fake::ddraw().modes.push_back({w, h, 8});
    }
}

// A picture in which every pixel says where it is.
inline uint8_t Mark(int x, int y)
{
    return static_cast<uint8_t>(x * 7 + y * 13 + 1);
}

// Index 9 is the first black colour; every other colour is not black.
inline SproxColor ColourOf(int i)
{
    if (i == 9 || i == 200) {
        return {0, 0, 0, 0};
    }
    return {static_cast<uint8_t>(i), 40, static_cast<uint8_t>(255 - i), 0};
}
inline constexpr uint32_t kBlack = 9;

// A context on its own window with a w x h DIB-section frame holding Mark.
struct Game {
    SproxContext context{};

    Game(int w, int h, uintptr_t window = 1)
    {
        SX_Init(&context, fake::Window(window));
        for (int i = 0; i < 256; ++i) {
            context.colors[i] = ColourOf(i);
        }
        SX_Size(&context, w, h, -1, nullptr);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                Pixel(x, y) = Mark(x, y);
            }
        }
    }
    Game(const Game&) = delete;

    // The frame's own pixel, under the DIB-section back-end.
    uint8_t& Pixel(int x, int y)
    {
        return context.dibBits[(context.direction > 0 ? context.height - 1 - y : y) *
                                   context.stride + x];
    }
    fake::FakeSurface& Surface() { return fake::ddraw().Of(context.surface); }
    uint8_t SurfacePixel(int x, int y) { return Surface().pixels->At(x, y); }
    sprox::RegistrySlot& Slot()
    {
        for (int32_t i = 0; i < sprox::gRegistrySlots; ++i) {
            if (sprox::gRegistry[i].context == &context) {
                return sprox::gRegistry[i];
            }
        }
        ADD_FAILURE() << "context not registered";
        static sprox::RegistrySlot none{};
        return none;
    }
    // Whether the frame holds Mark everywhere but where told.
    bool HoldsMarks(int w, int h)
    {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (Pixel(x, y) != Mark(x, y)) {
                    return false;
                }
            }
        }
        return true;
    }
};

// Checks that the library is back in windowed operation with nothing of full
// screen left: DIB sections, no surfaces, palettes, clippers or DirectDraw
// object, the display mode and cursor as they were.
inline void ExpectWindowed(std::initializer_list<Game*> games)
{
    auto& dd = fake::ddraw();
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendDibSection);
    EXPECT_EQ(sprox::gDisplay.ops.lock, sprox::kBackendOps[sprox::kBackendDibSection].lock);
    EXPECT_EQ(sprox::gDisplay.fullScreenOwner, nullptr);
    EXPECT_EQ(sprox::gDisplay.directDraw, nullptr);
    EXPECT_EQ(sprox::gDisplay.primary, nullptr);
    EXPECT_EQ(sprox::gDisplay.backBuffer, nullptr);
    EXPECT_EQ(dd.LiveSurfaces(), 0);
    EXPECT_EQ(dd.LivePalettes(), 0);
    EXPECT_EQ(dd.LiveClippers(), 0);
    EXPECT_EQ(dd.LiveObjects(), 0);
    EXPECT_FALSE(dd.displayMode.has_value());
    EXPECT_EQ(dd.exclusiveWindow, nullptr);
    EXPECT_FALSE(fake::gdi().cursorClip.has_value());
    for (Game* game : games) {
        SproxContext& c = game->context;
        EXPECT_EQ(c.surface, nullptr);
        EXPECT_EQ(c.ddPalette, nullptr);
        EXPECT_EQ(c.bits, c.dibBits);
        EXPECT_EQ(c.hdc, c.dibDC);
        EXPECT_EQ(c.clip.right, c.width);
        EXPECT_EQ(c.clip.bottom, c.height);
        EXPECT_EQ(game->Slot().inVideoMemory, 0);
    }
}

} // namespace fs
