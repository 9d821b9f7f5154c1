// The DirectDraw facility: surfaces that hold a frame while a context owns the
// screen, and the blits, fills and flips that bring them to it. Surfaces and
// palettes are opaque handles; every operation answers a result code, and the
// display branches on the few codes below.
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

inline constexpr uint32_t kDDLockWait = 0x00000001;
inline constexpr uint32_t kDDBltWait = 0x01000000;
inline constexpr uint32_t kDDFlipWait = 0x00000001;

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

struct DirectDraw {
    virtual ~DirectDraw() = default;

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
    // Lets go of a surface or palette; answers the references left.
    virtual uint32_t Release(void* object) = 0;

    // Palettes of full-screen surfaces.
    virtual Result SetPaletteEntries(Handle palette, uint32_t first, uint32_t count,
                                     const PaletteEntry* entries) = 0;
};

} // namespace sys
