// The DirectDraw facility: the DirectDraw object with its cooperative level and
// display modes, the primary surface (alone or with one back buffer), off-screen
// surfaces in video or system memory, palettes and clippers, and the blits,
// fills and flips that bring frames to the screen. Every object is an opaque
// handle; every operation answers a result code, and the display branches on the
// few codes below. The operations, their flags and their codes are those of the
// system's own interface, so that a machine may forward them as they are.
#pragma once

#include <cstdint>

#include "sprox.h"
#include "sprox/sys/gdi.h"

namespace sys {

using Result = int32_t;

inline constexpr Result kDDOk = 0;
inline constexpr Result kDDErrGeneric = static_cast<Result>(0x80004005u);
inline constexpr Result kDDErrSurfaceLost = static_cast<Result>(0x887601C2u);
inline constexpr Result kDDErrWasStillDrawing = static_cast<Result>(0x8876021Cu);
inline constexpr Result kDDErrWrongMode = static_cast<Result>(0x8876024Bu);
inline constexpr Result kDDErrInvalidParams = static_cast<Result>(0x80070057u);
inline constexpr Result kDDErrInvalidMode = static_cast<Result>(0x88760078u);
inline constexpr Result kDDErrNoExclusiveMode = static_cast<Result>(0x887600E1u);
inline constexpr Result kDDErrOutOfVideoMemory = static_cast<Result>(0x8876017Cu);
inline constexpr Result kDDErrNotFlippable = static_cast<Result>(0x88760246u);
inline constexpr Result kDDErrPrimaryExists = static_cast<Result>(0x88760234u);
inline constexpr Result kDDErrUnsupportedMode = static_cast<Result>(0x8876024Eu);

inline constexpr uint32_t kDDLockWait = 0x00000001;
inline constexpr uint32_t kDDBltWait = 0x01000000;
inline constexpr uint32_t kDDFlipWait = 0x00000001;

// Cooperative levels.
inline constexpr uint32_t kDDSclFullScreen = 0x00000001;
inline constexpr uint32_t kDDSclNormal = 0x00000008;
inline constexpr uint32_t kDDSclExclusive = 0x00000010;
inline constexpr uint32_t kDDSclAllowModeX = 0x00000040;

// Which fields of a surface description are valid.
inline constexpr uint32_t kDDSdCaps = 0x00000001;
inline constexpr uint32_t kDDSdHeight = 0x00000002;
inline constexpr uint32_t kDDSdWidth = 0x00000004;
inline constexpr uint32_t kDDSdPitch = 0x00000008;
inline constexpr uint32_t kDDSdBackBufferCount = 0x00000020;
inline constexpr uint32_t kDDSdPixelFormat = 0x00001000;

// Surface capabilities.
inline constexpr uint32_t kDDSCapsBackBuffer = 0x00000004;
inline constexpr uint32_t kDDSCapsComplex = 0x00000008;
inline constexpr uint32_t kDDSCapsFlip = 0x00000010;
inline constexpr uint32_t kDDSCapsOffscreenPlain = 0x00000040;
inline constexpr uint32_t kDDSCapsPrimarySurface = 0x00000200;
inline constexpr uint32_t kDDSCapsSystemMemory = 0x00000800;
inline constexpr uint32_t kDDSCapsVideoMemory = 0x00004000;

// Pixel format flags: 8-bit palette indices, or RGB.
inline constexpr uint32_t kDDPfPaletteIndexed8 = 0x00000020;
inline constexpr uint32_t kDDPfRgb = 0x00000040;

// Palette capabilities: 8-bit entries, all 256 of them usable.
inline constexpr uint32_t kDDPCaps8Bit = 0x00000004;
inline constexpr uint32_t kDDPCapsAllow256 = 0x00000040;

// What a display-mode enumeration callback answers: go on, or stop.
inline constexpr Result kDDEnumRetCancel = 0;
inline constexpr Result kDDEnumRetOk = 1;

// The surface description record: what a lock fills and what surface creation
// reads. The layout is the system's; with 32-bit pointers it is 108 bytes.
struct SurfacePixelFormat {
    uint32_t size;
    uint32_t flags;
    uint32_t fourCC;
    uint32_t rgbBitCount;
    uint32_t redMask;
    uint32_t greenMask;
    uint32_t blueMask;
    uint32_t alphaMask;
};

inline constexpr uint32_t kSurfaceDescSize = 108;

struct SurfaceDesc {
    uint32_t size = kSurfaceDescSize;
    uint32_t flags;
    uint32_t height;
    uint32_t width;
    int32_t pitch;              // bytes from one row to the next, top-down
    uint32_t backBufferCount;
    uint32_t refreshRate;
    uint32_t alphaBitDepth;
    uint32_t reserved;
    uint8_t* surface;           // the pixel memory while locked
    uint32_t colorKeys[4][2];
    SurfacePixelFormat pixelFormat;
    uint32_t caps;
};

static_assert(sizeof(void*) != 4 || sizeof(SurfaceDesc) == kSurfaceDescSize);

using Surface = void*;

// Called once per display mode with its width, height and pixel format
// (pixelFormat.rgbBitCount is its depth); answers kDDEnumRetOk to go on.
using EnumModesCallback = Result (*)(const SurfaceDesc* mode, void* context);

struct DirectDraw {
    virtual ~DirectDraw() = default;

    // The DirectDraw object of the primary display, made through the entry point
    // that start-up resolved (DirectDrawCreate).
    virtual Result DirectDrawCreate(void* entry, Handle* object) = 0;
    // Exclusive full screen for the window, or normal (shared) operation again.
    virtual Result SetCooperativeLevel(Handle object, Handle window, uint32_t flags) = 0;
    // Calls back once for every display mode of the display (filter null: all).
    virtual Result EnumDisplayModes(Handle object, uint32_t flags, const SurfaceDesc* filter,
                                    void* context, EnumModesCallback callback) = 0;
    // Changes the display mode (exclusive level only), and puts the one from
    // before the first change back.
    virtual Result SetDisplayMode(Handle object, uint32_t width, uint32_t height,
                                  uint32_t bitsPerPixel) = 0;
    virtual Result RestoreDisplayMode(Handle object) = 0;

    // A surface as the description's caps, width, height and back-buffer count
    // say: the primary surface (with a flipping chain: its back buffers too), or
    // an off-screen surface in video or system memory.
    virtual Result CreateSurface(Handle object, const SurfaceDesc* desc, Surface* surface) = 0;
    // The surface attached to a chain that has the given caps (its back buffer).
    virtual Result GetAttachedSurface(Surface surface, uint32_t caps, Surface* attached) = 0;
    // Makes the surface that the system draws its windows on the visible one.
    virtual Result FlipToGDISurface(Handle object) = 0;

    // Locks the whole surface and describes its memory in desc.
    virtual Result Lock(Surface surface, SurfaceDesc* desc, uint32_t flags) = 0;
    virtual Result Unlock(Surface surface) = 0;
    // A device context for GDI drawing into the surface, and its return.
    virtual Result GetDC(Surface surface, Handle* dc) = 0;
    virtual Result ReleaseDC(Surface surface, Handle dc) = 0;
    // Copies the source rectangle into the destination rectangle, stretching if
    // their sizes differ.
    virtual Result Blt(Surface dst, const SproxRect* dstRect, Surface src,
                       const SproxRect* srcRect, uint32_t flags) = 0;
    // Fills the rectangle (null: the whole surface) with one colour index.
    virtual Result ColorFill(Surface dst, const SproxRect* rect, uint32_t colour,
                             uint32_t flags) = 0;
    // Shows the surface's back buffer (or the given surface of its chain).
    virtual Result Flip(Surface surface, Surface target, uint32_t flags) = 0;
    // Brings back the memory of a surface lost to a mode switch.
    virtual Result Restore(Surface surface) = 0;
    // Lets go of the DirectDraw object, a surface, a palette or a clipper;
    // answers the references left. Releasing a primary surface also lets go of
    // its back buffer and of its references to a palette and a clipper.
    virtual uint32_t Release(void* object) = 0;

    // Palettes of full-screen surfaces: made from 256 entries (flags as the
    // palette capabilities above), read and written, attached to a surface (which
    // then holds a reference to it).
    virtual Result CreatePalette(Handle object, uint32_t flags, const PaletteEntry* entries,
                                 Handle* palette) = 0;
    virtual Result SetPaletteEntries(Handle palette, uint32_t first, uint32_t count,
                                     const PaletteEntry* entries) = 0;
    virtual Result GetPaletteEntries(Handle palette, uint32_t first, uint32_t count,
                                     PaletteEntry* entries) = 0;
    virtual Result SetPalette(Surface surface, Handle palette) = 0;

    // Clippers: blits to a surface with a clipper for a window stay inside that
    // window. The surface holds a reference to the clipper attached to it.
    virtual Result CreateClipper(Handle object, uint32_t flags, Handle* clipper) = 0;
    virtual Result SetClipperWindow(Handle clipper, uint32_t flags, Handle window) = 0;
    virtual Result SetClipper(Surface surface, Handle clipper) = 0;
};

} // namespace sys
