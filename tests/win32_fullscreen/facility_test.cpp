// The Windows DirectDraw facility's own operations on the system's DirectDraw:
// the object made through the resolved entry point, display modes enumerated
// through the callback, and an exclusive full-screen flipping chain with its
// palette and clipper. Every result is the system's own, unchanged.
#include <gtest/gtest.h>

#include <ddraw.h>

#include <memory>
#include <tuple>
#include <vector>

#include "fullscreen.h"
#include "sprox/sys/ddraw.h"
#include "sprox/sys/machine.h"

using namespace fstest;

namespace {

sys::DirectDraw& DD() { return *sys::M().ddraw(); }

using Mode = std::tuple<uint32_t, uint32_t, uint32_t>;   // width, height, bits

struct Collected {
    std::vector<Mode> modes;
    int stopAfter = -1;   // answer cancel at this many modes
};

sys::Result Collect(const sys::SurfaceDesc* mode, void* context)
{
    auto* collected = static_cast<Collected*>(context);
    collected->modes.emplace_back(mode->width, mode->height, mode->pixelFormat.rgbBitCount);
    return static_cast<int>(collected->modes.size()) == collected->stopAfter ? sys::kDDEnumRetCancel
                                                                             : sys::kDDEnumRetOk;
}

HRESULT WINAPI CollectRaw(DDSURFACEDESC* mode, void* modes)
{
    static_cast<std::vector<Mode>*>(modes)->emplace_back(mode->dwWidth, mode->dwHeight,
                                                         mode->ddpfPixelFormat.dwRGBBitCount);
    return DDENUMRET_OK;
}

// A DirectDraw object made through the facility, released at the end.
class Object {
public:
    Object()
    {
        EXPECT_EQ(DD().DirectDrawCreate(DirectDrawCreateEntry(), &handle_), sys::kDDOk);
    }
    ~Object() { Release(); }
    // The references left.
    uint32_t Release()
    {
        uint32_t left = handle_ != nullptr ? DD().Release(handle_) : 0;
        handle_ = nullptr;
        return left;
    }
    sys::Handle handle() const { return handle_; }
    IDirectDraw* raw() const { return static_cast<IDirectDraw*>(handle_); }

private:
    sys::Handle handle_ = nullptr;
};

} // namespace

// The entry point is called only while it lies in loaded code; what it makes is
// a DirectDraw object of the system.
TEST(Win32Facility, CreateCallsOnlyAnEntryInLoadedCode)
{
    sys::Handle object = reinterpret_cast<sys::Handle>(1);
    EXPECT_EQ(DD().DirectDrawCreate(nullptr, &object), sys::kDDErrInvalidParams);
    EXPECT_EQ(object, nullptr);
    auto notCode = std::make_unique<uint8_t[]>(64);
    object = reinterpret_cast<sys::Handle>(1);
    EXPECT_EQ(DD().DirectDrawCreate(notCode.get(), &object), sys::kDDErrInvalidParams);
    EXPECT_EQ(object, nullptr);

    ASSERT_EQ(DD().DirectDrawCreate(DirectDrawCreateEntry(), &object), sys::kDDOk);
    ASSERT_NE(object, nullptr);
    DDCAPS caps = {};
    caps.dwSize = sizeof caps;
    EXPECT_EQ(static_cast<IDirectDraw*>(object)->GetCaps(&caps, nullptr), DD_OK);
    EXPECT_EQ(DD().Release(object), 0u);
}

// Every mode reaches the C++ callback with its context, as the system lists it;
// a cancel stops the enumeration; a filter is handed on.
TEST(Win32Facility, EnumerationCarriesTheCallbackAndItsContext)
{
    Object object;
    ASSERT_NE(object.handle(), nullptr);
    std::vector<Mode> raw;
    ASSERT_EQ(object.raw()->EnumDisplayModes(0, nullptr, &raw, CollectRaw), DD_OK);
    ASSERT_GE(raw.size(), 4u);

    Collected all;
    EXPECT_EQ(DD().EnumDisplayModes(object.handle(), 0, nullptr, &all, Collect), sys::kDDOk);
    EXPECT_EQ(all.modes, raw);

    Collected three;
    three.stopAfter = 3;
    EXPECT_EQ(DD().EnumDisplayModes(object.handle(), 0, nullptr, &three, Collect), sys::kDDOk);
    EXPECT_EQ(three.modes, std::vector<Mode>(raw.begin(), raw.begin() + 3));

    sys::SurfaceDesc filter{};
    filter.flags = sys::kDDSdWidth | sys::kDDSdHeight;
    filter.width = 640;
    filter.height = 480;
    Collected sized;
    EXPECT_EQ(DD().EnumDisplayModes(object.handle(), 0, &filter, &sized, Collect), sys::kDDOk);
    EXPECT_FALSE(sized.modes.empty());
    for (const Mode& mode : sized.modes) {
        EXPECT_EQ(std::get<0>(mode), 640u);
        EXPECT_EQ(std::get<1>(mode), 480u);
    }

    EXPECT_EQ(DD().EnumDisplayModes(object.handle(), 0, nullptr, &all, nullptr),
              sys::kDDErrInvalidParams);
    EXPECT_EQ(DD().EnumDisplayModes(nullptr, 0, nullptr, &all, Collect),
              static_cast<sys::Result>(DDERR_INVALIDOBJECT));
}

// Exclusive full screen for a window: a display mode, a primary surface with a
// back buffer, a palette and a clipper attached and taken off again, a flip, and
// the desktop given back.
TEST(Win32Facility, ExclusiveFlippingChain)
{
    win32test::TestWindow window(kWidth, kHeight);
    Object object;
    ASSERT_NE(object.handle(), nullptr);
    sys::Handle hwnd = window.hwnd();
    ASSERT_EQ(DD().SetCooperativeLevel(object.handle(), hwnd,
                                       sys::kDDSclExclusive | sys::kDDSclFullScreen |
                                           sys::kDDSclAllowModeX),
              sys::kDDOk);

    sys::Result refused = DD().SetDisplayMode(object.handle(), 123, 45, 8);
    EXPECT_NE(refused, sys::kDDOk);
    EXPECT_EQ(refused, object.raw()->SetDisplayMode(123, 45, 8));
    ASSERT_EQ(DD().SetDisplayMode(object.handle(), kWidth, kHeight, 8), sys::kDDOk);
    EXPECT_EQ(DesktopSize().cx, kWidth);

    sys::SurfaceDesc desc{};
    desc.flags = sys::kDDSdCaps | sys::kDDSdBackBufferCount;
    desc.caps = sys::kDDSCapsPrimarySurface | sys::kDDSCapsFlip | sys::kDDSCapsComplex |
                sys::kDDSCapsVideoMemory;
    desc.backBufferCount = 1;
    sys::Surface primary = nullptr;
    ASSERT_EQ(DD().CreateSurface(object.handle(), &desc, &primary), sys::kDDOk);
    ASSERT_NE(primary, nullptr);
    // A surface of no size: refused with the system's code, and no surface.
    sys::SurfaceDesc empty{};
    empty.flags = sys::kDDSdCaps | sys::kDDSdWidth | sys::kDDSdHeight;
    empty.caps = sys::kDDSCapsOffscreenPlain;
    sys::Surface made = reinterpret_cast<sys::Surface>(1);
    sys::Result result = DD().CreateSurface(object.handle(), &empty, &made);
    EXPECT_NE(result, sys::kDDOk);
    EXPECT_EQ(made, nullptr);
    DDSURFACEDESC rawEmpty = {};
    rawEmpty.dwSize = sizeof rawEmpty;
    rawEmpty.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    rawEmpty.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    IDirectDrawSurface* rawMade = nullptr;
    EXPECT_EQ(result, object.raw()->CreateSurface(&rawEmpty, &rawMade, nullptr));
    sys::Surface back = nullptr;
    ASSERT_EQ(DD().GetAttachedSurface(primary, sys::kDDSCapsBackBuffer, &back), sys::kDDOk);
    ASSERT_NE(back, nullptr);
    EXPECT_NE(back, primary);
    sys::Surface none = reinterpret_cast<sys::Surface>(1);
    EXPECT_EQ(DD().GetAttachedSurface(back, sys::kDDSCapsBackBuffer, &none),
              static_cast<sys::Result>(DDERR_NOTFOUND));
    EXPECT_EQ(none, nullptr);

    sys::PaletteEntry colours[256];
    for (int i = 0; i < 256; ++i) {
        SproxColor c = win32test::TestColour(i);
        colours[i] = {c.red, c.green, c.blue, 0};
    }
    sys::Handle palette = nullptr;
    ASSERT_EQ(DD().CreatePalette(object.handle(), sys::kDDPCaps8Bit | sys::kDDPCapsAllow256,
                                 colours, &palette),
              sys::kDDOk);
    sys::PaletteEntry read[256] = {};
    ASSERT_EQ(DD().GetPaletteEntries(palette, 0, 256, read), sys::kDDOk);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(read[i].red, colours[i].red) << i;
        ASSERT_EQ(read[i].green, colours[i].green) << i;
        ASSERT_EQ(read[i].blue, colours[i].blue) << i;
    }
    ASSERT_EQ(DD().SetPalette(primary, palette), sys::kDDOk);
    auto* rawPrimary = static_cast<IDirectDrawSurface*>(primary);
    IDirectDrawPalette* attached = nullptr;
    ASSERT_EQ(rawPrimary->GetPalette(&attached), DD_OK);
    EXPECT_EQ(attached, palette);
    attached->Release();

    sys::Handle clipper = nullptr;
    ASSERT_EQ(DD().CreateClipper(object.handle(), 0, &clipper), sys::kDDOk);
    ASSERT_EQ(DD().SetClipperWindow(clipper, 0, hwnd), sys::kDDOk);
    ASSERT_EQ(DD().SetClipper(primary, clipper), sys::kDDOk);
    IDirectDrawClipper* onScreen = nullptr;
    ASSERT_EQ(rawPrimary->GetClipper(&onScreen), DD_OK);
    EXPECT_EQ(onScreen, clipper);
    HWND clipped = nullptr;
    EXPECT_EQ(onScreen->GetHWnd(&clipped), DD_OK);
    EXPECT_EQ(clipped, window.hwnd());
    onScreen->Release();

    // A fill of the back buffer shows after the flip.
    ASSERT_EQ(DD().ColorFill(back, nullptr, 33, sys::kDDBltWait), sys::kDDOk);
    ASSERT_EQ(DD().Flip(primary, nullptr, sys::kDDFlipWait), sys::kDDOk);
    sys::SurfaceDesc shown;
    shown.flags = 0;
    ASSERT_EQ(DD().Lock(primary, &shown, sys::kDDLockWait), sys::kDDOk);
    EXPECT_EQ(shown.surface[0], 33);
    EXPECT_EQ(shown.surface[(kHeight - 1) * shown.pitch + kWidth - 1], 33);
    EXPECT_EQ(DD().Unlock(primary), sys::kDDOk);
    EXPECT_EQ(DD().FlipToGDISurface(object.handle()), sys::kDDOk);

    // Null takes palette and clipper off the surface.
    EXPECT_EQ(DD().SetClipper(primary, nullptr), sys::kDDOk);
    EXPECT_EQ(rawPrimary->GetClipper(&onScreen), DDERR_NOCLIPPERATTACHED);
    EXPECT_EQ(DD().SetPalette(primary, nullptr), sys::kDDOk);
    EXPECT_EQ(rawPrimary->GetPalette(&attached), DDERR_NOPALETTEATTACHED);

    EXPECT_EQ(DD().Release(clipper), 0u);
    EXPECT_EQ(DD().Release(palette), 0u);
    // The back buffer goes with its chain.
    EXPECT_EQ(DD().Release(primary), 0u);
    EXPECT_EQ(DD().RestoreDisplayMode(object.handle()), sys::kDDOk);
    EXPECT_EQ(DesktopSize().cx, 1024);
    EXPECT_EQ(DesktopSize().cy, 768);
    EXPECT_EQ(DD().SetCooperativeLevel(object.handle(), hwnd, sys::kDDSclNormal), sys::kDDOk);
    EXPECT_EQ(object.Release(), 0u);
}
