// The DirectDraw contract: what every machine answers for surfaces (made, locked
// and unlocked, filled and blitted, lost and restored), flipping chains,
// palettes and the order in which objects are let go.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "contract/machine.h"

using namespace contract;

namespace {

inline constexpr uint32_t kExclusive = sys::kDDSclExclusive | sys::kDDSclFullScreen |
                                       sys::kDDSclAllowModeX;

class DirectDrawContract : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(Machine().ddraw, nullptr);
        ASSERT_NE(Machine().window, nullptr);
        ASSERT_EQ(dd_.DirectDrawCreate(Machine().ddrawEntry, &object_), sys::kDDOk);
        ASSERT_NE(object_, nullptr);
        ASSERT_EQ(dd_.SetCooperativeLevel(object_, Machine().window, sys::kDDSclNormal), sys::kDDOk);
    }

    // What the test made goes in the reverse order, then the display mode and
    // the cooperative level are given back.
    void TearDown() override
    {
        for (auto made = made_.rbegin(); made != made_.rend(); ++made) {
            dd_.Release(*made);
        }
        if (object_ != nullptr) {
            if (modeSet_) {
                dd_.RestoreDisplayMode(object_);
            }
            dd_.SetCooperativeLevel(object_, Machine().window, sys::kDDSclNormal);
            dd_.Release(object_);
        }
    }

    // Exclusive full screen on the test window in a kWidth x kHeight 8-bit mode.
    void Exclusive()
    {
        ASSERT_EQ(dd_.SetCooperativeLevel(object_, Machine().window, kExclusive), sys::kDDOk);
        ASSERT_EQ(dd_.SetDisplayMode(object_, kWidth, kHeight, 8), sys::kDDOk);
        modeSet_ = true;
    }

    // An off-screen surface of 8-bit palette indices, whatever the display's depth.
    sys::Result Create(uint32_t caps, uint32_t width, uint32_t height, sys::Surface* surface)
    {
        sys::SurfaceDesc desc{};
        desc.flags = sys::kDDSdCaps | sys::kDDSdWidth | sys::kDDSdHeight | sys::kDDSdPixelFormat;
        desc.caps = caps;
        desc.width = width;
        desc.height = height;
        desc.pixelFormat.size = sizeof desc.pixelFormat;
        desc.pixelFormat.flags = sys::kDDPfPaletteIndexed8 | sys::kDDPfRgb;
        desc.pixelFormat.rgbBitCount = 8;
        sys::Result result = dd_.CreateSurface(object_, &desc, surface);
        if (result == sys::kDDOk) {
            made_.push_back(*surface);
        }
        return result;
    }

    sys::Surface OffScreen(uint32_t memory, uint32_t width, uint32_t height)
    {
        sys::Surface surface = nullptr;
        EXPECT_EQ(Create(sys::kDDSCapsOffscreenPlain | memory, width, height, &surface), sys::kDDOk);
        return surface;
    }

    // The primary surface, alone or with one back buffer.
    sys::Result Primary(bool flipping, sys::Surface* surface)
    {
        sys::SurfaceDesc desc{};
        desc.flags = sys::kDDSdCaps;
        desc.caps = sys::kDDSCapsPrimarySurface;
        if (flipping) {
            desc.flags |= sys::kDDSdBackBufferCount;
            desc.caps |= sys::kDDSCapsFlip | sys::kDDSCapsComplex | sys::kDDSCapsVideoMemory;
            desc.backBufferCount = 1;
        }
        *surface = nullptr;
        return dd_.CreateSurface(object_, &desc, surface);
    }

    // Exclusive full screen and a primary surface with one back buffer, released
    // with the others; null when the chain could not be made.
    sys::Surface FlippingChain()
    {
        Exclusive();
        sys::Surface primary = nullptr;
        EXPECT_EQ(Primary(true, &primary), sys::kDDOk);
        if (primary != nullptr) {
            made_.push_back(primary);
        }
        return primary;
    }

    // Every pixel of a locked surface, row by row; empty when the lock fails.
    std::vector<uint8_t> Read(sys::Surface surface)
    {
        std::vector<uint8_t> out;
        sys::SurfaceDesc desc{};
        if (dd_.Lock(surface, &desc, sys::kDDLockWait) != sys::kDDOk) {
            return out;
        }
        for (uint32_t y = 0; y < desc.height; ++y) {
            const uint8_t* row = desc.surface + static_cast<ptrdiff_t>(y) * desc.pitch;
            out.insert(out.end(), row, row + desc.width);
        }
        dd_.Unlock(surface);
        return out;
    }

    sys::Result LockResult(sys::Surface surface)
    {
        sys::SurfaceDesc desc{};
        sys::Result result = dd_.Lock(surface, &desc, sys::kDDLockWait);
        if (result == sys::kDDOk) {
            dd_.Unlock(surface);
        }
        return result;
    }

    sys::DirectDraw& dd_ = *Machine().ddraw;
    sys::Handle object_ = nullptr;
    std::vector<void*> made_;
    bool modeSet_ = false;
};

uint8_t Pattern(uint32_t x, uint32_t y) { return static_cast<uint8_t>(x * 7 + y * 3 + 1); }

} // namespace

// In system and in video memory: the lock describes the surface, and what is
// written under one lock is there under the next.
TEST_F(DirectDrawContract, OffScreenSurfacesKeepWhatIsWrittenUnderALock)
{
    for (uint32_t memory : {sys::kDDSCapsSystemMemory, sys::kDDSCapsVideoMemory}) {
        SCOPED_TRACE(memory == sys::kDDSCapsSystemMemory ? "system memory" : "video memory");
        sys::Surface surface = OffScreen(memory, 37, 5);
        ASSERT_NE(surface, nullptr);
        sys::SurfaceDesc desc{};
        ASSERT_EQ(dd_.Lock(surface, &desc, sys::kDDLockWait), sys::kDDOk);
        EXPECT_EQ(desc.width, 37u);
        EXPECT_EQ(desc.height, 5u);
        EXPECT_GE(desc.pitch, 37);
        ASSERT_NE(desc.surface, nullptr);
        for (uint32_t y = 0; y < 5; ++y) {
            for (uint32_t x = 0; x < 37; ++x) {
                desc.surface[y * desc.pitch + x] = Pattern(x, y);
            }
        }
        ASSERT_EQ(dd_.Unlock(surface), sys::kDDOk);
        std::vector<uint8_t> seen = Read(surface);
        ASSERT_EQ(seen.size(), 37u * 5u);
        for (uint32_t i = 0; i < seen.size(); ++i) {
            ASSERT_EQ(seen[i], Pattern(i % 37, i / 37)) << i;
        }
    }
}

// A surface of no width is refused, and no surface is handed out.
TEST_F(DirectDrawContract, ASurfaceOfNoSizeIsRefused)
{
    sys::Surface surface = reinterpret_cast<sys::Surface>(1);
    EXPECT_NE(Create(sys::kDDSCapsOffscreenPlain | sys::kDDSCapsSystemMemory, 0, 4, &surface),
              sys::kDDOk);
    EXPECT_EQ(surface, nullptr);
}

// Locks do not nest: a second lock is refused and leaves one lock to undo. A
// device context is not handed out twice. (Whether one is handed out under a
// lock differs: the system's is, the SDL machine's is not.)
TEST_F(DirectDrawContract, LocksAndDeviceContextsDoNotNest)
{
    sys::Surface surface = OffScreen(sys::kDDSCapsSystemMemory, 16, 8);
    ASSERT_NE(surface, nullptr);
    sys::SurfaceDesc desc{};
    ASSERT_EQ(dd_.Lock(surface, &desc, sys::kDDLockWait), sys::kDDOk);
    sys::SurfaceDesc again{};
    EXPECT_NE(dd_.Lock(surface, &again, sys::kDDLockWait), sys::kDDOk);
    EXPECT_EQ(dd_.Unlock(surface), sys::kDDOk);
    EXPECT_NE(dd_.Unlock(surface), sys::kDDOk);

    sys::Handle dc = nullptr;
    ASSERT_EQ(dd_.GetDC(surface, &dc), sys::kDDOk);
    ASSERT_NE(dc, nullptr);
    sys::Handle second = nullptr;
    EXPECT_NE(dd_.GetDC(surface, &second), sys::kDDOk);
    EXPECT_EQ(dd_.ReleaseDC(surface, dc), sys::kDDOk);
    EXPECT_NE(dd_.ReleaseDC(surface, dc), sys::kDDOk);
    EXPECT_EQ(LockResult(surface), sys::kDDOk);
}

// Fills and blits between off-screen surfaces, 1:1 into a rectangle and
// stretched by two.
TEST_F(DirectDrawContract, FillsAndBlitsReachTheirRectangles)
{
    sys::Surface from = OffScreen(sys::kDDSCapsSystemMemory, 4, 3);
    sys::Surface to = OffScreen(sys::kDDSCapsSystemMemory, 8, 6);
    ASSERT_NE(from, nullptr);
    ASSERT_NE(to, nullptr);
    sys::SurfaceDesc desc{};
    ASSERT_EQ(dd_.Lock(from, &desc, sys::kDDLockWait), sys::kDDOk);
    for (uint32_t y = 0; y < 3; ++y) {
        for (uint32_t x = 0; x < 4; ++x) {
            desc.surface[y * desc.pitch + x] = Pattern(x, y);
        }
    }
    ASSERT_EQ(dd_.Unlock(from), sys::kDDOk);

    ASSERT_EQ(dd_.ColorFill(to, nullptr, 9, sys::kDDBltWait), sys::kDDOk);
    SproxRect place = {3, 2, 7, 5};
    ASSERT_EQ(dd_.Blt(to, &place, from, nullptr, sys::kDDBltWait), sys::kDDOk);
    std::vector<uint8_t> seen = Read(to);
    ASSERT_EQ(seen.size(), 48u);
    for (uint32_t y = 0; y < 6; ++y) {
        for (uint32_t x = 0; x < 8; ++x) {
            bool inside = x >= 3 && x < 7 && y >= 2 && y < 5;
            EXPECT_EQ(seen[y * 8 + x], inside ? Pattern(x - 3, y - 2) : 9) << x << "," << y;
        }
    }

    ASSERT_EQ(dd_.Blt(to, nullptr, from, nullptr, sys::kDDBltWait), sys::kDDOk);
    seen = Read(to);
    ASSERT_EQ(seen.size(), 48u);
    for (uint32_t y = 0; y < 6; ++y) {
        for (uint32_t x = 0; x < 8; ++x) {
            EXPECT_EQ(seen[y * 8 + x], Pattern(x / 2, y / 2)) << x << "," << y;
        }
    }
}

// Neither a primary surface alone nor an off-screen surface can flip.
TEST_F(DirectDrawContract, NoFlipWithoutAChain)
{
    sys::Surface primary = nullptr;
    ASSERT_EQ(Primary(false, &primary), sys::kDDOk);
    ASSERT_NE(primary, nullptr);
    made_.push_back(primary);
    EXPECT_EQ(dd_.Flip(primary, nullptr, sys::kDDFlipWait), sys::kDDErrNotFlippable);
    sys::Surface plain = OffScreen(sys::kDDSCapsSystemMemory, 8, 8);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(dd_.Flip(plain, nullptr, sys::kDDFlipWait), sys::kDDErrNotFlippable);
}

// A flipping chain needs the exclusive level.
TEST_F(DirectDrawContract, AFlippingChainNeedsTheExclusiveLevel)
{
    sys::Surface primary = nullptr;
    EXPECT_EQ(Primary(true, &primary), sys::kDDErrNoExclusiveMode);
    if (primary != nullptr) {
        dd_.Release(primary);
    }
}

// In the exclusive mode the chain has one back buffer of the mode's size, with
// nothing attached behind it; fills of it and flips succeed.
TEST_F(DirectDrawContract, AFlippingChainHasOneBackBufferOfTheModesSize)
{
    sys::Surface primary = FlippingChain();
    ASSERT_NE(primary, nullptr);
    sys::Surface back = nullptr;
    ASSERT_EQ(dd_.GetAttachedSurface(primary, sys::kDDSCapsBackBuffer, &back), sys::kDDOk);
    ASSERT_NE(back, nullptr);
    EXPECT_NE(back, primary);
    sys::Surface none = reinterpret_cast<sys::Surface>(1);
    EXPECT_NE(dd_.GetAttachedSurface(back, sys::kDDSCapsBackBuffer, &none), sys::kDDOk);
    EXPECT_EQ(none, nullptr);

    sys::SurfaceDesc desc{};
    ASSERT_EQ(dd_.Lock(back, &desc, sys::kDDLockWait), sys::kDDOk);
    EXPECT_EQ(desc.width, static_cast<uint32_t>(kWidth));
    EXPECT_EQ(desc.height, static_cast<uint32_t>(kHeight));
    EXPECT_NE(desc.surface, nullptr);
    ASSERT_EQ(dd_.Unlock(back), sys::kDDOk);
    EXPECT_EQ(dd_.ColorFill(back, nullptr, 33, sys::kDDBltWait), sys::kDDOk);
    EXPECT_EQ(dd_.Flip(primary, nullptr, sys::kDDFlipWait), sys::kDDOk);
    EXPECT_EQ(dd_.Flip(primary, nullptr, sys::kDDFlipWait), sys::kDDOk);
    EXPECT_EQ(dd_.FlipToGDISurface(object_), sys::kDDOk);
}

// What was drawn into the back buffer is in front after a flip.
TEST_F(DirectDrawContract, AFlipBringsTheBackBufferToTheFront)
{
    if (Machine().noPrimaryLock != nullptr) {
        GTEST_SKIP() << Machine().noPrimaryLock;
    }
    sys::Surface primary = FlippingChain();
    ASSERT_NE(primary, nullptr);
    sys::Surface back = nullptr;
    ASSERT_EQ(dd_.GetAttachedSurface(primary, sys::kDDSCapsBackBuffer, &back), sys::kDDOk);
    ASSERT_EQ(dd_.ColorFill(back, nullptr, 33, sys::kDDBltWait), sys::kDDOk);
    ASSERT_EQ(dd_.Flip(primary, nullptr, sys::kDDFlipWait), sys::kDDOk);
    std::vector<uint8_t> front = Read(primary);
    ASSERT_GE(front.size(), static_cast<size_t>(kWidth) * kHeight);
    EXPECT_EQ(front[0], 33);
    EXPECT_EQ(front[static_cast<size_t>(kWidth) * kHeight - 1], 33);
}

// A change of display mode takes the memory of the surfaces made before it.
// The screen cannot come back in another mode; back in its own, Restore brings
// the screen and an off-screen surface back and they lock again.
TEST_F(DirectDrawContract, SurfacesLostToAModeChangeComeBackInTheirOwnMode)
{
    if (Machine().noLostSurfaces != nullptr) {
        GTEST_SKIP() << Machine().noLostSurfaces;
    }
    sys::Surface primary = FlippingChain();
    ASSERT_NE(primary, nullptr);
    sys::Surface video = OffScreen(sys::kDDSCapsVideoMemory, 64, 32);
    ASSERT_NE(video, nullptr);

    ASSERT_EQ(dd_.SetDisplayMode(object_, 800, 600, 8), sys::kDDOk);
    EXPECT_EQ(LockResult(video), sys::kDDErrSurfaceLost);
    EXPECT_EQ(LockResult(primary), sys::kDDErrSurfaceLost);
    EXPECT_NE(dd_.Restore(primary), sys::kDDOk);
    EXPECT_EQ(LockResult(primary), sys::kDDErrSurfaceLost);

    ASSERT_EQ(dd_.SetDisplayMode(object_, kWidth, kHeight, 8), sys::kDDOk);
    EXPECT_EQ(LockResult(primary), sys::kDDErrSurfaceLost);
    for (sys::Surface surface : {primary, video}) {
        SCOPED_TRACE(surface == primary ? "primary" : "video memory");
        EXPECT_EQ(dd_.Restore(surface), sys::kDDOk);
        EXPECT_EQ(LockResult(surface), sys::kDDOk);
    }
}

// A surface that was not lost restores at once and keeps its pixels.
TEST_F(DirectDrawContract, RestoringASurfaceThatIsNotLostKeepsItsPixels)
{
    sys::Surface surface = OffScreen(sys::kDDSCapsSystemMemory, 8, 2);
    ASSERT_NE(surface, nullptr);
    ASSERT_EQ(dd_.ColorFill(surface, nullptr, 77, sys::kDDBltWait), sys::kDDOk);
    EXPECT_EQ(dd_.Restore(surface), sys::kDDOk);
    EXPECT_EQ(Read(surface), std::vector<uint8_t>(16, 77));
}

// Palette entries are read back as written.
TEST_F(DirectDrawContract, PaletteEntriesReadBackAsWritten)
{
    Exclusive();
    std::vector<sys::PaletteEntry> colours(256);
    for (int i = 0; i < 256; ++i) {
        colours[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                      static_cast<uint8_t>(i * 5), 0};
    }
    sys::Handle palette = nullptr;
    ASSERT_EQ(dd_.CreatePalette(object_, sys::kDDPCaps8Bit | sys::kDDPCapsAllow256, colours.data(),
                                &palette),
              sys::kDDOk);
    made_.push_back(palette);
    sys::PaletteEntry changed[2] = {{10, 20, 30, 0}, {40, 50, 60, 0}};
    ASSERT_EQ(dd_.SetPaletteEntries(palette, 254, 2, changed), sys::kDDOk);
    sys::PaletteEntry read[256] = {};
    ASSERT_EQ(dd_.GetPaletteEntries(palette, 0, 256, read), sys::kDDOk);
    for (int i = 0; i < 254; ++i) {
        ASSERT_EQ(read[i].red, colours[i].red) << i;
        ASSERT_EQ(read[i].green, colours[i].green) << i;
        ASSERT_EQ(read[i].blue, colours[i].blue) << i;
    }
    EXPECT_EQ(read[254].red, 10);
    EXPECT_EQ(read[255].blue, 60);
}

// A surface holds a reference to its palette and its clipper: let go of them
// first and they live on with the surface's references.
TEST_F(DirectDrawContract, ASurfaceHoldsItsPaletteAndClipper)
{
    Exclusive();
    sys::Surface primary = nullptr;
    ASSERT_EQ(Primary(true, &primary), sys::kDDOk);
    std::vector<sys::PaletteEntry> grey(256);
    for (int i = 0; i < 256; ++i) {
        grey[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i), 0};
    }
    sys::Handle palette = nullptr;
    ASSERT_EQ(dd_.CreatePalette(object_, sys::kDDPCaps8Bit | sys::kDDPCapsAllow256, grey.data(),
                                &palette),
              sys::kDDOk);
    sys::Handle clipper = nullptr;
    ASSERT_EQ(dd_.CreateClipper(object_, 0, &clipper), sys::kDDOk);
    ASSERT_EQ(dd_.SetClipperWindow(clipper, 0, Machine().window), sys::kDDOk);
    ASSERT_EQ(dd_.SetPalette(primary, palette), sys::kDDOk);
    ASSERT_EQ(dd_.SetClipper(primary, clipper), sys::kDDOk);

    EXPECT_EQ(dd_.Release(palette), 1u);
    EXPECT_EQ(dd_.Release(clipper), 1u);
    // The surface's palette still answers.
    sys::PaletteEntry read[1] = {};
    EXPECT_EQ(dd_.GetPaletteEntries(palette, 200, 1, read), sys::kDDOk);
    EXPECT_EQ(read[0].green, 200);
    // The chain goes with its back buffer and its references.
    EXPECT_EQ(dd_.Release(primary), 0u);
    sys::Surface again = nullptr;
    ASSERT_EQ(Primary(true, &again), sys::kDDOk);
    EXPECT_EQ(dd_.Release(again), 0u);
}

// Let go of the surface first, and the palette and clipper are the caller's
// alone again.
TEST_F(DirectDrawContract, ASurfaceLetGoFirstGivesItsReferencesBack)
{
    Exclusive();
    sys::Surface primary = nullptr;
    ASSERT_EQ(Primary(true, &primary), sys::kDDOk);
    std::vector<sys::PaletteEntry> grey(256);
    sys::Handle palette = nullptr;
    ASSERT_EQ(dd_.CreatePalette(object_, sys::kDDPCaps8Bit | sys::kDDPCapsAllow256, grey.data(),
                                &palette),
              sys::kDDOk);
    sys::Handle clipper = nullptr;
    ASSERT_EQ(dd_.CreateClipper(object_, 0, &clipper), sys::kDDOk);
    ASSERT_EQ(dd_.SetPalette(primary, palette), sys::kDDOk);
    ASSERT_EQ(dd_.SetClipper(primary, clipper), sys::kDDOk);

    EXPECT_EQ(dd_.Release(primary), 0u);
    EXPECT_EQ(dd_.Release(palette), 0u);
    EXPECT_EQ(dd_.Release(clipper), 0u);
}
