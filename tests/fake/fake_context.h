// Small helpers for tests that hold Sprox contexts on the fake machine.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "fake/fake_machine.h"
#include "sprox.h"

namespace fake {

// Makes the first SX_Init of the process choose the given back-end: 0 plain
// bitmaps, 1 WinG, 2 DIB sections (the default machine).
inline void OfferBackend(int backend)
{
    auto& m = machine();
    m.OfferNt();
    if (backend == 0) {
        m.modules["GDI32"] = {};
    } else if (backend == 1) {
        m.version = 0x80000003;
        m.modules = {{"WING32.DLL", {"WinGCreateDC", "WinGRecommendDIBFormat", "WinGCreateBitmap",
                                     "WinGBitBlt", "WinGStretchBlt"}}};
    }
}

// An opaque window handle, as a game would pass one.
inline SxWindow Window(uintptr_t n = 1)
{
    return reinterpret_cast<SxWindow>(0x7000 + n * 0x10);
}

// An opaque target device context for SX_Paint.
inline SxDC TargetDC(uintptr_t n = 1)
{
    return reinterpret_cast<SxDC>(0x9000 + n * 0x10);
}

// The bytes of a record, to check that a call left it alone.
inline std::string Bytes(const SproxContext& context)
{
    return std::string(reinterpret_cast<const char*>(&context), sizeof context);
}

// The report box text for code -8 with the given where-text.
inline std::string InvalidContextText(const std::string& where)
{
    return where +
           ": SproxInit\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xC8\x82\xA2SPROX\x8D\x5C\x91\xA2\x91\xCC"
           "\x82\xAA\x93\x6E\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD"
           "\x0A\x28\x8F\xE3\x8B\x4C\x82\xF0\x83\x41\x83\x76\x83\x8A\x83\x50\x81\x5B\x83\x56"
           "\x83\x87\x83\x93\x82\xCC\x8D\xEC\x8E\xD2\x82\xC9\x90\xB3\x8A\x6D\x82\xC9\x82\xA8"
           "\x93\x60\x82\xA6\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x29";
}

} // namespace fake
