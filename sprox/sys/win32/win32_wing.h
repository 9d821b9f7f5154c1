// The WinG facility on Windows: the five functions of WING32.DLL, called through
// the entry points the display resolved when it chose WinG. An entry point that
// was not resolved answers as a failed call. Free of windows.h.
#pragma once

#include "sprox/sys/wing.h"
#include "sprox/sys/win32/win32_entries.h"

namespace sys {

class Win32WinG : public WinG {
public:
    // The machine reports every entry point it resolves and every module it frees.
    void EntryResolved(const char* name, void* address) { entries_.Resolved(name, address); }
    void ModuleFreed() { entries_.ModuleFreed(); }

    Handle CreateDC() override;
    bool RecommendDIBFormat(SproxBitmapHeader* header) override;
    Handle CreateBitmap(Handle dc, const SproxBitmapHeader* header, const SproxColor* colors,
                        uint8_t** bits) override;
    bool BitBlt(Handle dst, int x, int y, int w, int h, Handle src, int srcX, int srcY) override;
    bool StretchBlt(Handle dst, int x, int y, int w, int h, Handle src, int srcX, int srcY,
                    int srcW, int srcH) override;

private:
    enum Entry { kCreateDC, kRecommendDIBFormat, kCreateBitmap, kBitBlt, kStretchBlt };
    BoundEntries<5> entries_{{"WinGCreateDC", "WinGRecommendDIBFormat", "WinGCreateBitmap",
                              "WinGBitBlt", "WinGStretchBlt"}};
};

} // namespace sys
