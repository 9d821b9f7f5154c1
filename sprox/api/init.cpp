#include "sprox/api/init.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "sprox/core/registry.h"
#include "sprox/core/report.h"
#include "sprox/display/backend.h"
#include "sprox/display/screenmode.h"
#include "sprox/pattern/pattern.h"
#include "sprox/sys/ddraw.h"
#include "sprox/sys/gdi.h"
#include "sprox/sys/machine.h"

namespace sprox {
namespace {

constexpr uint32_t kSemNoOpenFileErrorBox = 0x8000;
// The handle value the system hands out for "the calling process".
constexpr int kCurrentProcessPseudoHandle = -1;
constexpr uint8_t kContextTag = 243;
constexpr int kModeWindow = 0;
constexpr int kModeProbeFullScreen = kScreenProbe | kScreenOn;

// The run-time libraries the first SX_Init loaded and the last SX_End unloads.
void* gGdi32 = nullptr;
void* gDisplayModule = nullptr;   // WING32.DLL or DDRAW.DLL
void* gCreateDIBSection = nullptr;

constexpr const char* kWinGEntryNames[] = {"WinGCreateDC", "WinGRecommendDIBFormat",
                                           "WinGCreateBitmap", "WinGBitBlt", "WinGStretchBlt"};
void* gWinGEntries[std::size(kWinGEntryNames)];

// The guard shared by every user of the library: its name is the same in every
// process, since the pseudo handle of the current process is the same number.
void* TakeGuard()
{
    char name[32];
    std::snprintf(name, sizeof name, "Sprox(%d-%d)", kCurrentProcessPseudoHandle, 0);
    return sys::M().TakeGuard(name);
}

void ResetContext(SproxContext* context, SxWindow window)
{
    context->header = {};
    context->savedBitmap = nullptr;
    context->width = 0;
    context->height = 0;
    context->stride = 0;
    context->pitch = 0;
    context->bits = nullptr;
    context->topOffset = 0;
    context->hdc = nullptr;
    context->scrollX = 0;
    context->scrollY = 0;
    context->viewWidth = 0;
    context->viewHeight = 0;
    context->surface = nullptr;
    context->ddPalette = nullptr;
    context->dibBits = nullptr;
    context->dibDC = nullptr;
    context->lockCount = 0;
    context->colors[255].blue = 0;   // no palette built yet
    context->direction = 1;
    context->tag = kContextTag;
    context->scale = 1;
    context->hwnd = window;
    context->self = context;
    context->clip = {0, 0, 0, 0};
}

// Realises an all-black palette on the screen, so that the system palette holds
// no colours of an earlier program when the game's palette comes.
void FlushSystemPalette()
{
    sys::Gdi* gdi = sys::M().gdi();
    if (gdi == nullptr) {
        return;
    }
    sys::LogPalette black = {sys::kPaletteVersion, 256, {}};
    for (sys::PaletteEntry& entry : black.entries) {
        entry = {0, 0, 0, sys::kPcNoCollapse};
    }
    sys::Handle screen = gdi->GetScreenDC();
    sys::Handle palette = gdi->CreatePalette(&black);
    if (palette != nullptr) {
        sys::Handle previous = gdi->SelectPalette(screen, palette, false);
        gdi->RealizePalette(screen);
        gdi->SelectPalette(screen, previous, false);
        gdi->DeleteObject(palette);
    }
    gdi->ReleaseScreenDC(screen);
}

// DIB sections (with DirectDraw for full screen) on NT and on version 4 or later;
// WinG on older systems; plain device-independent bitmaps when neither is there.
void ChooseBackend(SproxContext* context, SxWindow window, uint32_t version)
{
    sys::Machine& m = sys::M();
    uint32_t previousMode = m.SetErrorMode(kSemNoOpenFileErrorBox);
    gDisplay.backend = kBackendPlainDib;
    gDisplayModule = nullptr;

    bool ntOrNewer = (version & 0x80000000u) == 0 || (version & 0xFFu) >= 4;
    if (ntOrNewer) {
        gGdi32 = m.LoadModule("GDI32");
        gCreateDIBSection = gGdi32 != nullptr ? m.FindEntry(gGdi32, "CreateDIBSection") : nullptr;
        if (gCreateDIBSection != nullptr && m.gdi() != nullptr) {
            gDisplay.backend = kBackendDibSection;
        }
        gDisplay.directDrawCreate = nullptr;
        if (gDisplay.backend == kBackendDibSection) {
            gDisplayModule = m.LoadModule("DDRAW.DLL");
            if (gDisplayModule != nullptr) {
                gDisplay.directDrawCreate = m.FindEntry(gDisplayModule, "DirectDrawCreate");
                if (gDisplay.directDrawCreate == nullptr || m.ddraw() == nullptr) {
                    m.FreeModule(gDisplayModule);
                    gDisplayModule = nullptr;
                    gDisplay.directDrawCreate = nullptr;
                }
            }
            if (window != nullptr) {
                SproxScreenMode(context, kModeProbeFullScreen);
            }
        }
    } else {
        gDisplayModule = m.LoadModule("WING32.DLL");
        if (gDisplayModule != nullptr) {
            for (size_t i = 0; i < std::size(kWinGEntryNames); ++i) {
                gWinGEntries[i] = m.FindEntry(gDisplayModule, kWinGEntryNames[i]);
            }
            if (gWinGEntries[0] != nullptr && m.wing() != nullptr) {
                gDisplay.backend = kBackendWinG;
            } else {
                m.FreeModule(gDisplayModule);
                gDisplayModule = nullptr;
                std::fill(std::begin(gWinGEntries), std::end(gWinGEntries), nullptr);
            }
        }
    }
    m.SetErrorMode(previousMode);
    InstallOps();
}

void UnloadLibraries()
{
    sys::Machine& m = sys::M();
    if (gDisplayModule != nullptr) {
        m.FreeModule(gDisplayModule);
        gDisplayModule = nullptr;
    }
    if (gGdi32 != nullptr) {
        m.FreeModule(gGdi32);
        gGdi32 = nullptr;
    }
    gCreateDIBSection = nullptr;
    gDisplay.directDrawCreate = nullptr;
    std::fill(std::begin(gWinGEntries), std::end(gWinGEntries), nullptr);
}

// While another context owns the screen, this frame lives in a surface and its DIB
// section waits in dibDC: give the surface back and release the section below.
void LeaveSurface(SproxContext* context)
{
    sys::DirectDraw* dd = sys::M().ddraw();
    if (dd != nullptr) {
        if (context->hdc != nullptr) {
            dd->ReleaseDC(context->surface, context->hdc);
        }
        if (context->surface != gDisplay.backBuffer) {
            dd->Release(context->surface);
        }
        if (context->ddPalette != nullptr) {
            dd->Release(context->ddPalette);
        }
    }
    context->surface = nullptr;
    context->ddPalette = nullptr;
    context->lockCount = 0;
    context->bits = context->dibBits;
    context->hdc = context->dibDC;
}

void ReleaseFrame(SproxContext* context)
{
    if (gDisplay.backend == kBackendDirectDraw && context->surface != nullptr) {
        LeaveSurface(context);
    }
    if (context->bits == nullptr) {
        return;
    }
    sys::Gdi* gdi = sys::M().gdi();
    if (context->hdc != nullptr && gdi != nullptr) {
        if (context->savedBitmap != nullptr) {
            gdi->DeleteObject(gdi->SelectObject(context->hdc, context->savedBitmap));
        }
        gdi->DeleteDC(context->hdc);
    }
    context->hdc = nullptr;
    context->savedBitmap = nullptr;
    context->dibDC = nullptr;
    context->dibBits = nullptr;
    if (gDisplay.backend == kBackendPlainDib) {
        sys::M().GlobalFree(context->bits);
    }
    context->bits = nullptr;
}

} // namespace

void SproxInitEx(SproxContext* context, SxWindow window)
{
    if (context == nullptr) {
        return;
    }
    uint32_t version = sys::M().Version();
    void* guard = TakeGuard();
    if (RegisterContext(context) != 0) {
        // Already registered (or no room): only an empty window is filled in.
        if (context->hwnd == nullptr) {
            context->hwnd = window;
        }
        sys::M().ReleaseGuard(guard);
        return;
    }
    ++gContextCount;
    ResetContext(context, window);
    FlushSystemPalette();
    if (gContextCount == 1) {
        ChooseBackend(context, window, version);
    }
    sys::M().ReleaseGuard(guard);
}

void SproxEnd(SproxContext* context)
{
    if (context == nullptr || context->self != context) {
        Report(kContextNotInitialised, "SproxEnd");
        return;
    }
    void* guard = TakeGuard();
    if (UnregisterContext(context)) {
        SproxScreenMode(context, kModeWindow);
        ReleaseFrame(context);
        if (--gContextCount < 1) {
            gContextCount = 0;
            PatReleaseFrom(0);
            UnloadLibraries();
            gDisplay.backend = kBackendPlainDib;
            InstallOps();
        }
    }
    context->self = nullptr;
    sys::M().ReleaseGuard(guard);
}

} // namespace sprox
