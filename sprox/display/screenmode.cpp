// Full screen. Entering switches the display to the chosen mode, makes a primary
// surface (with a back buffer when page flipping) and one surface per registered
// context, moves every frame's picture into its surface and makes DirectDraw the
// back-end; leaving copies the pictures back into the DIB sections and undoes it
// all. Any step that fails leaves the library in windowed operation, with the
// display mode restored and whatever was made released.
#include "sprox/display/screenmode.h"

#include <cstdio>
#include <initializer_list>
#include <limits>

#include "sprox/core/registry.h"
#include "sprox/core/report.h"
#include "sprox/display/backend.h"
#include "sprox/display/palette.h"
#include "sprox/sys/ddraw.h"
#include "sprox/sys/gdi.h"
#include "sprox/sys/machine.h"

namespace sprox {
namespace {

constexpr int kModeWindow = 0;
constexpr uint32_t kDisplayBits = 8;
constexpr uint32_t kExclusiveLevel =
    sys::kDDSclExclusive | sys::kDDSclFullScreen | sys::kDDSclAllowModeX;
constexpr uint32_t kFramePaletteCaps = sys::kDDPCaps8Bit | sys::kDDPCapsAllow256;

// "SproxInitExでhwndが指定されていません"
constexpr const char kNoWindowText[] =
    "SproxInitEx\x82\xC5" "hwnd\x82\xAA\x8E\x77\x92\xE8\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC"
    "\x82\xB9\x82\xF1";

RegistrySlot* SlotOf(const SproxContext* context)
{
    for (int32_t i = 0; i < gRegistrySlots; ++i) {
        if (gRegistry[i].context == context) {
            return &gRegistry[i];
        }
    }
    return nullptr;
}

// The contexts whose frames full screen moves: every registered one, and the
// owner itself while it leaves from inside its SX_End, which has taken it out of
// the registry already (its surface and DIB section must still be dealt with).
template <typename Visit>
void ForEachScreenContext(Visit visit)
{
    ForEachContext(visit);
    if (gDisplay.fullScreenOwner != nullptr && SlotOf(gDisplay.fullScreenOwner) == nullptr) {
        visit(gDisplay.fullScreenOwner);
    }
}

sys::Result CollectDisplayMode(const sys::SurfaceDesc* mode, void*)
{
    if (gDisplay.modeCount < kMaxDisplayModes && mode->pixelFormat.rgbBitCount == kDisplayBits) {
        gDisplay.modes[gDisplay.modeCount++] = {mode->width, mode->height};
    }
    return gDisplay.modeCount < kMaxDisplayModes ? sys::kDDEnumRetOk : sys::kDDEnumRetCancel;
}

// The first entry of the logical palette that is black, or 0.
uint32_t BlackIndex()
{
    for (uint32_t i = 0; i < 256; ++i) {
        const sys::PaletteEntry& e = gDisplay.logPalette.entries[i];
        if (e.red == 0 && e.green == 0 && e.blue == 0) {
            return i;
        }
    }
    return 0;
}

void FillScreen(sys::DirectDraw* dd, int32_t width, int32_t height, uint32_t colour)
{
    SproxRect all = {0, 0, width, height};
    dd->ColorFill(gDisplay.primary, &all, colour, sys::kDDBltWait);
    if (gDisplay.backBuffer != nullptr) {
        dd->ColorFill(gDisplay.backBuffer, &all, colour, sys::kDDBltWait);
    }
}

// A device context of the context's surface, waiting while the surface is busy.
sys::Handle SurfaceDC(sys::DirectDraw* dd, SproxContext* context)
{
    sys::Handle dc = nullptr;
    sys::Result result;
    do {
        result = dd->GetDC(context->surface, &dc);
    } while (result == sys::kDDErrWasStillDrawing);
    return result == sys::kDDOk ? dc : nullptr;
}

ScreenSize FrameSize(const SproxContext* context) { return {context->width, context->height}; }

// Copies the size.width x size.height picture at the frame's top left between its
// DIB section and its surface.
void CopyPicture(sys::DirectDraw* dd, sys::Gdi* gdi, SproxContext* context, ScreenSize size,
                 bool toSurface)
{
    sys::Handle dc = SurfaceDC(dd, context);
    if (dc == nullptr) {
        return;
    }
    if (toSurface) {
        gdi->BitBlt(dc, 0, 0, size.width, size.height, context->dibDC, 0, 0, sys::kSrcCopy);
    } else {
        gdi->BitBlt(context->dibDC, 0, 0, size.width, size.height, dc, 0, 0, sys::kSrcCopy);
    }
    dd->ReleaseDC(context->surface, dc);
}

void ReleaseDirectDraw(sys::DirectDraw* dd, SproxContext* context)
{
    if (gDisplay.directDraw == nullptr) {
        return;
    }
    dd->SetCooperativeLevel(gDisplay.directDraw, context->hwnd, sys::kDDSclNormal);
    dd->Release(gDisplay.directDraw);
    gDisplay.directDraw = nullptr;
}

// Every context's surface (the back buffer goes with the primary surface) and
// palette, then the primary surface.
void ReleaseSurfaces(sys::DirectDraw* dd)
{
    ForEachScreenContext([dd](SproxContext* context) {
        if (context->surface != nullptr && context->surface != gDisplay.backBuffer) {
            dd->Release(context->surface);
        }
        context->surface = nullptr;
        // A lock cannot outlive its surface.
        context->lockCount = 0;
        if (context->ddPalette != nullptr) {
            dd->Release(context->ddPalette);
            context->ddPalette = nullptr;
        }
        if (RegistrySlot* slot = SlotOf(context)) {
            slot->inVideoMemory = 0;
        }
    });
    if (gDisplay.primary != nullptr) {
        dd->Release(gDisplay.primary);
    }
    gDisplay.primary = nullptr;
    gDisplay.backBuffer = nullptr;
}

bool CreatePrimary(sys::DirectDraw* dd, uint32_t caps, uint32_t backBuffers)
{
    sys::SurfaceDesc desc{};
    desc.flags = sys::kDDSdCaps | (backBuffers != 0 ? sys::kDDSdBackBufferCount : 0);
    desc.caps = caps;
    desc.backBufferCount = backBuffers;
    sys::Surface primary = nullptr;
    if (dd->CreateSurface(gDisplay.directDraw, &desc, &primary) != sys::kDDOk ||
        primary == nullptr) {
        return false;
    }
    gDisplay.primary = primary;
    return true;
}

// An off-screen surface of the given size: in video memory when asked and
// possible, else in system memory when allowed.
bool CreateFrameSurface(sys::DirectDraw* dd, SproxContext* context, ScreenSize size, int mode,
                        RegistrySlot& slot)
{
    sys::SurfaceDesc desc{};
    desc.flags = sys::kDDSdCaps | sys::kDDSdWidth | sys::kDDSdHeight;
    desc.width = static_cast<uint32_t>(size.width);
    desc.height = static_cast<uint32_t>(size.height);
    for (int kind : {kScreenVideoMemory, kScreenSystemMemory}) {
        if ((mode & kind) == 0) {
            continue;
        }
        bool video = kind == kScreenVideoMemory;
        desc.caps = sys::kDDSCapsOffscreenPlain |
                    (video ? sys::kDDSCapsVideoMemory : sys::kDDSCapsSystemMemory);
        sys::Surface surface = nullptr;
        if (dd->CreateSurface(gDisplay.directDraw, &desc, &surface) == sys::kDDOk &&
            surface != nullptr) {
            context->surface = surface;
            slot.inVideoMemory = video ? 1 : 0;
            return true;
        }
    }
    return false;
}

// Gives every registered context a surface of its frame size, the owner one of the
// asked size (the back buffer when page flipping). False as soon as one gets none.
bool CreateFrameSurfaces(sys::DirectDraw* dd, SproxContext* owner, ScreenSize asked, int mode)
{
    for (int32_t i = 0; i < gRegistrySlots; ++i) {
        RegistrySlot& slot = gRegistry[i];
        SproxContext* context = slot.context;
        if (context == nullptr) {
            continue;
        }
        context->surface = nullptr;
        context->ddPalette = nullptr;
        slot.inVideoMemory = 0;
        if ((mode & kScreenFlip) != 0 && context == owner) {
            sys::Surface back = nullptr;
            if (dd->GetAttachedSurface(gDisplay.primary, sys::kDDSCapsBackBuffer, &back) ==
                    sys::kDDOk &&
                back != nullptr) {
                gDisplay.backBuffer = back;
                context->surface = back;
                slot.inVideoMemory = 1;   // a flipping chain lies in video memory
            }
        } else {
            CreateFrameSurface(dd, context, context == owner ? asked : FrameSize(context), mode,
                               slot);
        }
        if (context->surface == nullptr) {
            return false;
        }
    }
    return true;
}

void AttachClipper(sys::DirectDraw* dd, SproxContext* context)
{
    sys::Handle clipper = nullptr;
    if (dd->CreateClipper(gDisplay.directDraw, 0, &clipper) != sys::kDDOk || clipper == nullptr) {
        return;
    }
    dd->SetClipperWindow(clipper, 0, context->hwnd);
    dd->SetClipper(gDisplay.primary, clipper);
    // The primary surface keeps its own reference.
    dd->Release(clipper);
}

// The owner's surface, clip and picture copy take the asked size.
bool EnterFullScreen(sys::DirectDraw* dd, sys::Gdi* gdi, SproxContext* context, ScreenSize asked,
                     int index, int32_t scale, int mode)
{
    const DisplayMode& display = gDisplay.modes[index];
    if (!gdi->IsWindowVisible(context->hwnd)) {
        gdi->ShowWindow(context->hwnd, sys::kShowNormal);
    }
    if (dd->SetDisplayMode(gDisplay.directDraw, display.width, display.height, kDisplayBits) !=
        sys::kDDOk) {
        return false;
    }
    context->scale = scale;
    gdi->ValidateRect(context->hwnd, nullptr);
    gdi->UpdateWindow(context->hwnd);
    gdi->GdiFlush();

    constexpr int kMemoryKinds = kScreenSystemMemory | kScreenVideoMemory;
    if ((mode & kScreenFlip) != 0) {
        if (CreatePrimary(dd, sys::kDDSCapsPrimarySurface | sys::kDDSCapsFlip |
                                  sys::kDDSCapsComplex | sys::kDDSCapsVideoMemory, 1)) {
            mode &= ~kMemoryKinds;
        } else {
            mode &= ~kScreenFlip;
        }
    }
    // Without page flipping, a mode that names no memory kind allows both.
    if ((mode & kScreenFlip) == 0 && (mode & kMemoryKinds) == 0) {
        mode |= kMemoryKinds;
    }
    if ((mode & kMemoryKinds) != 0) {
        CreatePrimary(dd, sys::kDDSCapsPrimarySurface, 0);
    }
    if (gDisplay.primary == nullptr) {
        dd->RestoreDisplayMode(gDisplay.directDraw);
        return false;
    }
    if (!CreateFrameSurfaces(dd, context, asked, mode)) {
        ReleaseSurfaces(dd);
        dd->RestoreDisplayMode(gDisplay.directDraw);
        return false;
    }

    gDisplay.backend = kBackendDirectDraw;
    gDisplay.fullScreenOwner = context;
    InstallOps();
    RefreshAllDescriptions();
    context->clip = {0, 0, asked.width, asked.height};

    // With a primary surface the builder keeps all 256 colours of the game.
    BuildIdentityPalette(context->colors, true);
    sys::Handle palette = nullptr;
    if (dd->CreatePalette(gDisplay.directDraw, kFramePaletteCaps, gDisplay.logPalette.entries,
                          &palette) == sys::kDDOk &&
        palette != nullptr) {
        context->ddPalette = palette;
        dd->SetPalette(gDisplay.primary, palette);
    }
    FillScreen(dd, static_cast<int32_t>(display.width), static_cast<int32_t>(display.height),
               BlackIndex());

    SproxRect screen = {0, 0, asked.width, asked.height};
    gdi->ClipCursor(&screen);
    ForEachContext([dd, gdi, context, asked](SproxContext* c) {
        CopyPicture(dd, gdi, c, c == context ? asked : FrameSize(c), true);
    });
    gdi->InvalidateRect(context->hwnd, nullptr, false);
    if ((mode & kScreenClipper) != 0) {
        AttachClipper(dd, context);
    }
    return true;
}

void LeaveFullScreen(sys::DirectDraw* dd, sys::Gdi* gdi, SproxContext* owner, int32_t wantWidth,
                     int32_t wantHeight)
{
    ForEachScreenContext([dd, gdi](SproxContext* c) {
        if (c->surface != nullptr) {
            CopyPicture(dd, gdi, c, FrameSize(c), false);
        }
    });

    uint32_t colour = 0;
    if (owner->ddPalette != nullptr &&
        dd->GetPaletteEntries(owner->ddPalette, 0, 256, gDisplay.logPalette.entries) ==
            sys::kDDOk) {
        colour = BlackIndex();
    }
    FillScreen(dd, wantWidth, wantHeight, colour);

    gDisplay.backend = kBackendDibSection;
    InstallOps();
    ForEachScreenContext([](SproxContext* c) { RefreshDescription(c); });
    if (gDisplay.backBuffer != nullptr) {
        dd->FlipToGDISurface(gDisplay.directDraw);
    }
    ReleaseSurfaces(dd);
    dd->RestoreDisplayMode(gDisplay.directDraw);
    ReleaseDirectDraw(dd, owner);
    gDisplay.fullScreenOwner = nullptr;
    gdi->ClipCursor(nullptr);
}

// Makes the DirectDraw object for the context's window when there is none yet,
// and fills the display-mode list the first time. True when the object was made
// by this call.
bool OpenDirectDraw(sys::DirectDraw* dd, SproxContext* context)
{
    bool createdNow = false;
    if (gDisplay.directDrawCreate != nullptr && gDisplay.directDraw == nullptr) {
        sys::Handle object = nullptr;
        if (dd->DirectDrawCreate(gDisplay.directDrawCreate, &object) == sys::kDDOk &&
            object != nullptr) {
            gDisplay.directDraw = object;
            if (dd->SetCooperativeLevel(gDisplay.directDraw, context->hwnd, kExclusiveLevel) !=
                sys::kDDOk) {
                ReleaseDirectDraw(dd, context);
            } else {
                gDisplay.surfaceDesc = sys::SurfaceDesc{};
                createdNow = true;
            }
        }
    }
    if (gDisplay.directDraw != nullptr && gDisplay.modeCount == 0) {
        dd->EnumDisplayModes(gDisplay.directDraw, 0, nullptr, nullptr, CollectDisplayMode);
    }
    return createdNow;
}

} // namespace

int ChooseDisplayMode(int width, int height, int32_t* scale, bool exactOnly)
{
    uint64_t w = static_cast<uint32_t>(width);
    uint64_t h = static_cast<uint32_t>(height);
    int found = -1;
    uint64_t smallest = std::numeric_limits<int32_t>::max();
    for (int i = 0; i < gDisplay.modeCount; ++i) {
        const DisplayMode& mode = gDisplay.modes[i];
        if (mode.width == w && mode.height == h) {
            *scale = 1;
            return i;
        }
        uint64_t area = uint64_t{mode.width} * mode.height;
        if (!exactOnly && mode.width >= w && mode.height >= h && area < smallest) {
            smallest = area;
            found = i;
        }
    }
    if (*scale == 1) {
        return found;
    }
    if (*scale < 0) {
        return -1;   // no display mode shows a picture at a negative size
    }
    uint64_t scaledW = *scale == 0 ? w / 2 : w * static_cast<uint64_t>(*scale);
    uint64_t scaledH = *scale == 0 ? h / 2 : h * static_cast<uint64_t>(*scale);
    if (scaledW > std::numeric_limits<uint32_t>::max() ||
        scaledH > std::numeric_limits<uint32_t>::max()) {
        return -1;
    }
    uint64_t scaledArea = scaledW * scaledH;
    uint64_t limit = scaledArea > std::numeric_limits<uint64_t>::max() / 2
                         ? std::numeric_limits<uint64_t>::max()
                         : 2 * scaledArea;
    found = -1;
    for (int i = 0; i < gDisplay.modeCount; ++i) {
        const DisplayMode& mode = gDisplay.modes[i];
        if (mode.width < scaledW || mode.height < scaledH) {
            continue;
        }
        if (mode.width == scaledW && mode.height == scaledH) {
            return i;
        }
        uint64_t area = uint64_t{mode.width} * mode.height;
        if (!exactOnly && area < limit) {
            limit = area;
            found = i;
        }
    }
    return found;
}

int SproxScreenMode(SproxContext* context, int mode, const ScreenSize* askedSize)
{
    int asked = mode & 0xFFFF;
    if (context == nullptr || context->self != context) {
        char where[32];
        std::snprintf(where, sizeof where, "SproxScreenMode(%d)", asked);
        Report(kContextNotInitialised, where);
        return 0;
    }
    if (context->hwnd == nullptr) {
        if (asked != 0) {
            Report(kInvalidHandle, kNoWindowText);
        }
        return 0;
    }
    const ScreenSize size = askedSize != nullptr ? *askedSize : FrameSize(context);
    int32_t wantWidth = context->viewWidth != 0 ? context->viewWidth : size.width;
    int32_t wantHeight = context->viewHeight != 0 ? context->viewHeight : size.height;
    bool probe = (asked & kScreenProbe) != 0;
    sys::DirectDraw* dd = sys::M().ddraw();
    sys::Gdi* gdi = sys::M().gdi();

    if ((asked & kScreenOn) == 0) {
        if (!probe && gDisplay.fullScreenOwner == context) {
            LeaveFullScreen(dd, gdi, context, wantWidth, wantHeight);
        }
        return 1;
    }

    if (gDisplay.fullScreenOwner != nullptr && !probe) {
        // The screen goes back to its owner's window first (this context leaving
        // clears the asked size from the screen), then the request starts over.
        SproxContext* owner = gDisplay.fullScreenOwner;
        SproxScreenMode(owner, kModeWindow, owner == context ? &size : nullptr);
        if (gDisplay.fullScreenOwner != nullptr) {
            return 0;   // the owner's record is not valid any more: it cannot give the screen back
        }
        return SproxScreenMode(context, mode, &size);
    }

    if (dd != nullptr && gdi != nullptr &&
        (!probe || (gDisplay.fullScreenOwner == nullptr && gDisplay.modeCount == 0))) {
        bool createdNow = OpenDirectDraw(dd, context);
        if (probe && createdNow) {
            ReleaseDirectDraw(dd, context);
        }
    }

    int32_t scale = (asked & kScreenFlip) != 0 ? 1 : context->scale;
    int index = ChooseDisplayMode(wantWidth, wantHeight, &scale, (asked & kScreenExact) != 0);
    if (probe) {
        return index >= 0 ? 1 : 0;
    }
    if (gDisplay.directDraw != nullptr) {
        if (index >= 0 && EnterFullScreen(dd, gdi, context, size, index, scale, asked)) {
            return 1;
        }
        ReleaseDirectDraw(dd, context);
        return 0;
    }
    gDisplay.primary = nullptr;
    gDisplay.backBuffer = nullptr;
    InstallOps();
    RefreshAllDescriptions();
    return 0;
}

} // namespace sprox
