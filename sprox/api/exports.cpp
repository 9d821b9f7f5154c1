// The 23 exports. Each passes its arguments on to the routine of its subsystem;
// SX_FullScreen, SX_ReleaseAll, SX_WaveOpen and SX_WaveSetState add the little
// logic of their own that the interface gives them, and the three ROP exports
// hold the table's memory and report what the pure table routines refuse.
#include "sprox.h"

#include "sprox/api/init.h"
#include "sprox/blit/blitter.h"
#include "sprox/blit/rop.h"
#include "sprox/core/debug.h"
#include "sprox/core/report.h"
#include "sprox/display/backend.h"
#include "sprox/display/frame.h"
#include "sprox/display/screenmode.h"
#include "sprox/input/capture.h"
#include "sprox/pattern/pattern.h"
#include "sprox/pattern/put.h"
#include "sprox/sound/sound.h"
#include "sprox/sound/wave.h"
#include "sprox/sys/machine.h"

#include <cstdint>
#include <string>

using namespace sprox;

namespace {

// Blitter table entries used by the two fixed-blitter puts.
constexpr int kPlainBlitter = 0;
constexpr int kRopBlitter = PD_ROP;

// Screen modes asked by SX_FullScreen: full screen with a window clipper, and back.
constexpr int kModeFullScreen = 3;
constexpr int kModeWindow = 0;

// Draw operations that read DrawRequest.table: ROP, recolour, and shadow without
// either of them.
bool NeedsTable(uint32_t flags)
{
    const uint32_t op = flags & (PD_MESH | PD_SHADOW);
    return op == PD_ROP || op == PD_RECOLOR || op == PD_SHADOW;
}

// Tells on the diagnostic channel why a context cannot draw; true when it can.
// Changes nothing.
bool ExplainFrame(const char* function, const SproxContext* context)
{
    if (context == nullptr) {
        Diag(function, "the context is null: nothing drawn");
    } else if (context->self != context) {
        Diag(function, "the context was not set up by SX_Init: nothing drawn");
    } else if (context->width <= 0 || context->height <= 0) {
        Diag(function, "no frame yet (call SX_Size first): nothing drawn");
    } else {
        return true;
    }
    return false;
}

// Tells on the diagnostic channel why a draw would do nothing: the first of a
// context that cannot draw and a pattern that cannot be drawn. Changes nothing.
void ExplainDraw(const char* function, const SproxContext* context, int64_t pattern)
{
    if (!DebugOn() || !ExplainFrame(function, context)) {
        return;
    }
    if (pattern < 0 || pattern > UINT32_MAX) {
        Diag(function, "pattern %s is out of range (patterns are 0 to 2047): nothing drawn",
             std::to_string(pattern).c_str());
    } else if (const char* fault = PatternFault(static_cast<uint32_t>(pattern))) {
        Diag(function, "pattern %s %s: nothing drawn", std::to_string(pattern).c_str(), fault);
    }
}

// Tells on the diagnostic channel why a full-screen request for a width x height
// picture was refused, with the screen modes the display offers.
void ExplainFullScreen(const SproxContext* context, int width, int height)
{
    if (!DebugOn()) {
        return;
    }
    const int32_t wantWidth = context->viewWidth != 0 ? context->viewWidth : width;
    const int32_t wantHeight = context->viewHeight != 0 ? context->viewHeight : height;
    if (gDisplay.modeCount == 0) {
        Diag("SX_FullScreen", "%d x %d: the display offers no 8-bit screen mode", wantWidth,
             wantHeight);
        return;
    }
    std::string modes;
    for (int i = 0; i < gDisplay.modeCount; ++i) {
        modes += (i == 0 ? "" : ", ") + std::to_string(gDisplay.modes[i].width) + " x " +
                 std::to_string(gDisplay.modes[i].height);
    }
    int32_t scale = context->scale;
    if (ChooseDisplayMode(wantWidth, wantHeight, &scale, false) < 0) {
        Diag("SX_FullScreen", "no 8-bit screen mode shows %d x %d at scale %d; the modes are %s",
             wantWidth, wantHeight, context->scale, modes.c_str());
    } else {
        Diag("SX_FullScreen", "%d x %d: the display refused the mode chosen; the modes are %s",
             wantWidth, wantHeight, modes.c_str());
    }
}

} // namespace

extern "C" {

SXEXPORT int SXAPI SX_GetStructSize(void)
{
    return static_cast<int>(sizeof(SproxContext));
}

SXEXPORT void SXAPI SX_Init(SproxContext* context, SxWindow window)
{
    DebugOn();
    SproxInitEx(context, window);
}

SXEXPORT void SXAPI SX_End(SproxContext* context)
{
    SproxEnd(context);
}

SXEXPORT void SXAPI SX_Size(SproxContext* context, int width, int height, int pattern,
                            SxPalette* paletteOut)
{
    SproxSize(context, width, height, PatternColours(pattern), paletteOut);
}

SXEXPORT void SXAPI SX_Paint(SproxContext* context, SxDC target, int x, int y)
{
    SproxPaint(context, target, x, y);
}

SXEXPORT void SXAPI SX_Clear(SproxContext* context, int colour)
{
    if (DebugOn()) {
        ExplainFrame("SX_Clear", context);
    }
    SproxClear(context, colour);
}

SXEXPORT int SXAPI SX_FullScreen(SproxContext* context, int width, int height, int on)
{
    int result = 0;
    if (on != 0) {
        // The screen-mode routine reports an invalid context; a valid one that is
        // refused is explained on the diagnostic channel.
        const ScreenSize asked{width, height};
        result = SproxScreenMode(context, kModeFullScreen, &asked);
        if (result == 0 && context != nullptr && context->self == context) {
            ExplainFullScreen(context, width, height);
        }
    }
    if (on == 0 || result == 0) {
        SproxScreenMode(context, kModeWindow);
    }
    return result;
}

SXEXPORT int SXAPI SX_PatEntryDARFile(int first, int count, const char* fileName)
{
    return PatEntryDARFile(first, count, fileName);
}

SXEXPORT void SXAPI SX_ReleaseAll(void)
{
    PatReleaseFrom(0);
    JoystickRelease();
    SoundRelease();
}

SXEXPORT void SXAPI SX_PatPut(SproxContext* context, int x, int y, int pattern)
{
    ExplainDraw("SX_PatPut", context, pattern);
    PatPut(context, x, y, pattern, 256, kBlitters[kPlainBlitter], nullptr);
}

SXEXPORT void SXAPI SX_RopPut(SproxContext* context, int x, int y, int pattern, const uint8_t* rop)
{
    if (rop == nullptr) {
        Diag("SX_RopPut", "the ROP table is null: nothing drawn");
        return;
    }
    ExplainDraw("SX_RopPut", context, pattern);
    PatPut(context, x, y, pattern, 256, kBlitters[kRopBlitter], rop);
}

SXEXPORT void SXAPI SX_PatDraw(SproxContext* context, const DrawRequest* request)
{
    if (request == nullptr) {
        Diag("SX_PatDraw", "the request is null: nothing drawn");
        return;
    }
    if (request->table == nullptr && NeedsTable(request->flags)) {
        Diag("SX_PatDraw", "flags 0x%X need a table and the request's table is null: nothing drawn",
             static_cast<unsigned>(request->flags));
        return;
    }
    ExplainDraw("SX_PatDraw", context, request->pattern);
    FrameView view;
    if (LockFrameView(&view, context)) {
        PatDraw(&view, request);
        gDisplay.ops.unlock(context);
    }
}

SXEXPORT void SXAPI SX_RotoZoomPut(SproxContext* context, int x, int y, int pattern, int pivotX,
                                   int pivotY, int angle, int zoom)
{
    ExplainDraw("SX_RotoZoomPut", context, pattern);
    RotoZoomPut(context, x, y, pattern, pivotX, pivotY, angle, zoom);
}

// A ROP table is a fixed global block that the game holds by its address.
SXEXPORT uint8_t* SXAPI SX_CreateRop(void)
{
    auto* table = static_cast<uint8_t*>(sys::M().GlobalAlloc(kRopTableSize));
    if (table == nullptr) {
        Report(kOutOfMemory, "CreateRop");
        return nullptr;
    }
    RopInit(table);
    return table;
}

SXEXPORT void SXAPI SX_DeleteRop(uint8_t* rop)
{
    if (rop == nullptr) {
        Report(kRopNotCreated, "DeleteRop");
        return;
    }
    sys::M().GlobalFree(rop);
}

SXEXPORT void SXAPI SX_TransRop(SproxContext* context, uint8_t* rop, int level)
{
    if (context == nullptr) {
        return;
    }
    if (!TranslucentRop(context->colors, rop, 0, 255, level)) {
        Report(kRopNotCreated, "TranslucentRop");
    }
}

SXEXPORT int SXAPI SX_CaptureInput(int configuration, InputState* result)
{
    return CaptureInput(configuration, result);
}

SXEXPORT int SXAPI SX_WaveInit(SxModule module, SxWindow window)
{
    int mode = SoundStart(module, window);
    return mode != 0 && mode != -1 ? 1 : 0;
}

SXEXPORT int SXAPI SX_WaveOpen(const char* fileName)
{
    if (fileName == nullptr) {
        Diag("SX_WaveOpen", "the file name is null: no slot taken");
        return -1;
    }
    for (int slot = 0; slot < kWaveSlots; ++slot) {
        if (!WaveSlotInUse(slot)) {
            WaveLoad(fileName, slot);
            return slot;
        }
    }
    return -1;
}

SXEXPORT void SXAPI SX_WaveFree(int slot)
{
    SproxFreeWave(slot);
}

SXEXPORT int SXAPI SX_WavePlayEx(int slot, int flags)
{
    return WavePlay(slot, flags);
}

SXEXPORT int SXAPI SX_WaveSetState(int slot, int pan, int volume)
{
    WaveSetPan(slot, pan);
    return WaveSetVolume(slot, volume);
}

SXEXPORT void SXAPI SX_WaveActivate(int flag)
{
    SoundActivate(flag);
}

} // extern "C"
