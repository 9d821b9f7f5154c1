// The DirectDraw facility on real off-screen surfaces, made here through the
// system's DirectDraw in the normal (windowed) cooperative level: locks, colour
// fills, blits, device contexts, palettes and the result codes that come back.
#include <gtest/gtest.h>

#include <ddraw.h>

#include "screen.h"
#include "sprox/sys/ddraw.h"
#include "sprox/sys/machine.h"

using namespace win32test;

namespace {

using DirectDrawCreateEntry = HRESULT(WINAPI*)(GUID*, IDirectDraw**, IUnknown*);

class Surfaces : public testing::Test {
protected:
    void SetUp() override
    {
        library_ = LoadLibraryA("ddraw.dll");
        ASSERT_NE(library_, nullptr);
        auto create = reinterpret_cast<DirectDrawCreateEntry>(
            reinterpret_cast<void*>(GetProcAddress(library_, "DirectDrawCreate")));
        ASSERT_NE(create, nullptr);
        ASSERT_EQ(create(nullptr, &directDraw_, nullptr), DD_OK);
        ASSERT_EQ(directDraw_->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
        for (int i = 0; i < 256; ++i) {
            SproxColor c = TestColour(i);
            colours_[i] = {c.red, c.green, c.blue, 0};
        }
        ASSERT_EQ(directDraw_->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, colours_, &palette_,
                                             nullptr),
                  DD_OK);
    }

    void TearDown() override
    {
        for (IDirectDrawSurface* surface : surfaces_) {
            surface->Release();
        }
        if (palette_ != nullptr) {
            palette_->Release();
        }
        if (directDraw_ != nullptr) {
            directDraw_->Release();
        }
        if (library_ != nullptr) {
            FreeLibrary(library_);
        }
    }

    // An 8-bit palettised off-screen surface in system memory, with the test palette.
    sys::Surface MakeSurface(int width, int height)
    {
        DDSURFACEDESC desc = {};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        desc.dwWidth = static_cast<DWORD>(width);
        desc.dwHeight = static_cast<DWORD>(height);
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        desc.ddpfPixelFormat.dwSize = sizeof desc.ddpfPixelFormat;
        desc.ddpfPixelFormat.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
        desc.ddpfPixelFormat.dwRGBBitCount = 8;
        IDirectDrawSurface* surface = nullptr;
        HRESULT result = directDraw_->CreateSurface(&desc, &surface, nullptr);
        EXPECT_EQ(result, DD_OK) << std::hex << result;
        if (surface == nullptr) {
            return nullptr;
        }
        EXPECT_EQ(surface->SetPalette(palette_), DD_OK);
        surfaces_.push_back(surface);
        return surface;
    }

    // The surface's pixels, row by row, read through the facility's lock.
    std::vector<uint8_t> Pixels(sys::Surface surface)
    {
        std::vector<uint8_t> pixels;
        sys::SurfaceDesc desc;
        desc.flags = 0;
        if (dd().Lock(surface, &desc, sys::kDDLockWait) != sys::kDDOk) {
            ADD_FAILURE() << "lock failed";
            return pixels;
        }
        for (uint32_t y = 0; y < desc.height; ++y) {
            const uint8_t* row = desc.surface + static_cast<int64_t>(y) * desc.pitch;
            pixels.insert(pixels.end(), row, row + desc.width);
        }
        EXPECT_EQ(dd().Unlock(surface), sys::kDDOk);
        return pixels;
    }

    // Writes index(x, y) into every pixel through the facility's lock.
    template <typename Index>
    void Fill(sys::Surface surface, Index index)
    {
        sys::SurfaceDesc desc;
        desc.flags = 0;
        ASSERT_EQ(dd().Lock(surface, &desc, sys::kDDLockWait), sys::kDDOk);
        for (uint32_t y = 0; y < desc.height; ++y) {
            for (uint32_t x = 0; x < desc.width; ++x) {
                desc.surface[static_cast<int64_t>(y) * desc.pitch + x] =
                    static_cast<uint8_t>(index(static_cast<int>(x), static_cast<int>(y)));
            }
        }
        ASSERT_EQ(dd().Unlock(surface), sys::kDDOk);
    }

    static sys::DirectDraw& dd() { return *sys::M().ddraw(); }

    HMODULE library_ = nullptr;
    IDirectDraw* directDraw_ = nullptr;
    IDirectDrawPalette* palette_ = nullptr;
    PALETTEENTRY colours_[256];
    std::vector<IDirectDrawSurface*> surfaces_;
};

int Pattern(int x, int y) { return (x * 7 + y * 31 + 3) & 0xFF; }

} // namespace

// The description a lock fills: the size, a pitch of at least the width, the
// memory; what is written there is what the next lock finds.
TEST_F(Surfaces, LockDescribesTheMemory)
{
    sys::Surface surface = MakeSurface(37, 11);
    ASSERT_NE(surface, nullptr);
    sys::SurfaceDesc desc;
    desc.flags = 0;
    ASSERT_EQ(dd().Lock(surface, &desc, sys::kDDLockWait), sys::kDDOk);
    EXPECT_EQ(desc.size, sys::kSurfaceDescSize);
    EXPECT_EQ(desc.width, 37u);
    EXPECT_EQ(desc.height, 11u);
    EXPECT_GE(desc.pitch, 37);
    EXPECT_NE(desc.surface, nullptr);
    EXPECT_EQ(desc.pixelFormat.rgbBitCount, 8u);
    EXPECT_EQ(dd().Unlock(surface), sys::kDDOk);

    Fill(surface, Pattern);
    std::vector<uint8_t> pixels = Pixels(surface);
    ASSERT_EQ(pixels.size(), 37u * 11u);
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 37; ++x) {
            ASSERT_EQ(pixels[y * 37 + x], Pattern(x, y)) << x << ", " << y;
        }
    }
}

// A fill touches its rectangle (right and bottom exclusive) and nothing else; no
// rectangle fills the whole surface.
TEST_F(Surfaces, ColorFillFillsItsRectangle)
{
    sys::Surface surface = MakeSurface(20, 12);
    ASSERT_NE(surface, nullptr);
    ASSERT_EQ(dd().ColorFill(surface, nullptr, 0x11, sys::kDDBltWait), sys::kDDOk);
    SproxRect rect = {3, 2, 17, 9};
    ASSERT_EQ(dd().ColorFill(surface, &rect, 0xC4, sys::kDDBltWait), sys::kDDOk);
    std::vector<uint8_t> pixels = Pixels(surface);
    ASSERT_EQ(pixels.size(), 20u * 12u);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 20; ++x) {
            bool inside = x >= 3 && x < 17 && y >= 2 && y < 9;
            ASSERT_EQ(pixels[y * 20 + x], inside ? 0xC4 : 0x11) << x << ", " << y;
        }
    }
}

// A blit copies a rectangle to another place of another surface, and stretches it
// when the rectangles' sizes differ.
TEST_F(Surfaces, BltCopiesAndStretches)
{
    sys::Surface from = MakeSurface(16, 10);
    sys::Surface to = MakeSurface(40, 30);
    ASSERT_NE(from, nullptr);
    ASSERT_NE(to, nullptr);
    Fill(from, Pattern);
    ASSERT_EQ(dd().ColorFill(to, nullptr, 0, sys::kDDBltWait), sys::kDDOk);

    SproxRect source = {2, 1, 12, 7};      // 10 x 6
    SproxRect copy = {25, 20, 35, 26};     // same size
    SproxRect doubled = {1, 2, 21, 14};    // twice the size
    ASSERT_EQ(dd().Blt(to, &copy, from, &source, sys::kDDBltWait), sys::kDDOk);
    ASSERT_EQ(dd().Blt(to, &doubled, from, &source, sys::kDDBltWait), sys::kDDOk);

    std::vector<uint8_t> pixels = Pixels(to);
    ASSERT_EQ(pixels.size(), 40u * 30u);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            int expected = 0;
            if (x >= 25 && x < 35 && y >= 20 && y < 26) {
                expected = Pattern(x - 25 + 2, y - 20 + 1);
            } else if (x >= 1 && x < 21 && y >= 2 && y < 14) {
                expected = Pattern((x - 1) / 2 + 2, (y - 2) / 2 + 1);
            }
            ASSERT_EQ(pixels[y * 40 + x], expected) << x << ", " << y;
        }
    }
}

// The surface's DC shows its pixels in the palette's colours, and GDI drawing
// through it lands in the surface.
TEST_F(Surfaces, DeviceContextReadsAndWritesTheSurface)
{
    sys::Surface surface = MakeSurface(24, 16);
    ASSERT_NE(surface, nullptr);
    Fill(surface, Pattern);

    sys::Handle dc = nullptr;
    ASSERT_EQ(dd().GetDC(surface, &dc), sys::kDDOk);
    ASSERT_NE(dc, nullptr);
    HDC hdc = static_cast<HDC>(dc);
    for (int y = 0; y < 16; y += 5) {
        for (int x = 0; x < 24; x += 7) {
            SproxColor c = TestColour(Pattern(x, y));
            EXPECT_EQ(GetPixel(hdc, x, y), RGB(c.red, c.green, c.blue)) << x << ", " << y;
        }
    }
    // Exact palette colours map to their own indices.
    SproxColor c = TestColour(200);
    HBRUSH brush = CreateSolidBrush(RGB(c.red, c.green, c.blue));
    RECT area = {4, 3, 10, 8};
    FillRect(hdc, &area, brush);
    DeleteObject(brush);
    GdiFlush();
    EXPECT_EQ(dd().ReleaseDC(surface, dc), sys::kDDOk);

    std::vector<uint8_t> pixels = Pixels(surface);
    ASSERT_EQ(pixels.size(), 24u * 16u);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 24; ++x) {
            bool inside = x >= 4 && x < 10 && y >= 3 && y < 8;
            ASSERT_EQ(pixels[y * 24 + x], inside ? 200 : Pattern(x, y)) << x << ", " << y;
        }
    }
}

TEST_F(Surfaces, PaletteEntriesAreSet)
{
    sys::PaletteEntry entries[3] = {{10, 20, 30, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}};
    ASSERT_EQ(dd().SetPaletteEntries(palette_, 100, 3, entries), sys::kDDOk);
    PALETTEENTRY read[5] = {};
    ASSERT_EQ(palette_->GetEntries(0, 99, 5, read), DD_OK);
    EXPECT_EQ(read[0].peRed, colours_[99].peRed);
    EXPECT_EQ(read[0].peBlue, colours_[99].peBlue);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(read[i + 1].peRed, entries[i].red) << i;
        EXPECT_EQ(read[i + 1].peGreen, entries[i].green) << i;
        EXPECT_EQ(read[i + 1].peBlue, entries[i].blue) << i;
    }
    EXPECT_EQ(read[4].peGreen, colours_[103].peGreen);
}

// Failures come back as the system's codes, never as success; a null object is
// refused without a call.
TEST_F(Surfaces, FailuresAnswerTheirCodes)
{
    sys::Surface surface = MakeSurface(8, 8);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(dd().Unlock(surface), static_cast<sys::Result>(DDERR_NOTLOCKED));
    EXPECT_NE(dd().Flip(surface, nullptr, sys::kDDFlipWait), sys::kDDOk);
    EXPECT_EQ(dd().Restore(surface), sys::kDDOk);   // nothing was lost

    const auto invalid = static_cast<sys::Result>(DDERR_INVALIDOBJECT);
    sys::SurfaceDesc desc;
    sys::Handle dc = reinterpret_cast<sys::Handle>(1);
    SproxRect rect = {0, 0, 1, 1};
    EXPECT_EQ(dd().Lock(nullptr, &desc, sys::kDDLockWait), invalid);
    EXPECT_EQ(dd().Unlock(nullptr), invalid);
    EXPECT_EQ(dd().GetDC(nullptr, &dc), invalid);
    EXPECT_EQ(dc, nullptr);
    EXPECT_EQ(dd().ReleaseDC(nullptr, nullptr), invalid);
    EXPECT_EQ(dd().Blt(surface, &rect, nullptr, &rect, sys::kDDBltWait), invalid);
    EXPECT_EQ(dd().Blt(nullptr, &rect, surface, &rect, sys::kDDBltWait), invalid);
    EXPECT_EQ(dd().ColorFill(nullptr, nullptr, 0, 0), invalid);
    EXPECT_EQ(dd().Flip(nullptr, nullptr, 0), invalid);
    EXPECT_EQ(dd().Restore(nullptr), invalid);
    EXPECT_EQ(dd().SetPaletteEntries(nullptr, 0, 0, nullptr), invalid);
    EXPECT_EQ(dd().Release(nullptr), 0u);

    // The object's operations, and what they would hand out: nothing.
    sys::SurfaceDesc plain{};
    plain.flags = sys::kDDSdCaps;
    plain.caps = sys::kDDSCapsOffscreenPlain;
    sys::PaletteEntry entries[256] = {};
    sys::Handle out = reinterpret_cast<sys::Handle>(1);
    EXPECT_EQ(dd().SetCooperativeLevel(nullptr, nullptr, sys::kDDSclNormal), invalid);
    EXPECT_EQ(dd().SetDisplayMode(nullptr, 640, 480, 8), invalid);
    EXPECT_EQ(dd().RestoreDisplayMode(nullptr), invalid);
    EXPECT_EQ(dd().FlipToGDISurface(nullptr), invalid);
    EXPECT_EQ(dd().CreateSurface(nullptr, &plain, &out), invalid);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<sys::Handle>(1);
    EXPECT_EQ(dd().CreateSurface(directDraw_, nullptr, &out), sys::kDDErrInvalidParams);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<sys::Handle>(1);
    EXPECT_EQ(dd().GetAttachedSurface(nullptr, sys::kDDSCapsBackBuffer, &out), invalid);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<sys::Handle>(1);
    EXPECT_EQ(dd().CreatePalette(nullptr, sys::kDDPCaps8Bit, entries, &out), invalid);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<sys::Handle>(1);
    EXPECT_EQ(dd().CreateClipper(nullptr, 0, &out), invalid);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(dd().GetPaletteEntries(nullptr, 0, 256, entries), invalid);
    EXPECT_EQ(dd().SetPalette(nullptr, palette_), invalid);
    EXPECT_EQ(dd().SetClipperWindow(nullptr, 0, nullptr), invalid);
    EXPECT_EQ(dd().SetClipper(nullptr, nullptr), invalid);
    // A surface that is not part of a chain has nothing attached.
    EXPECT_EQ(dd().GetAttachedSurface(surface, sys::kDDSCapsBackBuffer, &out),
              static_cast<sys::Result>(DDERR_NOTFOUND));
    EXPECT_EQ(out, nullptr);
}

// Release is the object's own: each call gives back one reference and answers
// how many are left.
TEST_F(Surfaces, ReleaseGivesBackOneReference)
{
    sys::Surface surface = MakeSurface(8, 8);
    ASSERT_NE(surface, nullptr);
    surfaces_.clear();   // released here instead
    EXPECT_EQ(static_cast<IDirectDrawSurface*>(surface)->AddRef(), 2u);
    EXPECT_EQ(dd().Release(surface), 1u);
    EXPECT_EQ(dd().Release(surface), 0u);

    ULONG held = palette_->AddRef();
    EXPECT_GE(held, 2u);
    EXPECT_EQ(dd().Release(palette_), held - 1);
}
