// The fake DirectDraw: the DirectDraw object with its cooperative level, a list
// of display modes a test sets, the primary surface (alone or with a back buffer
// that Flip really swaps with it), off-screen surfaces in video or system memory,
// palettes and clippers with their references, all with real memory where there
// are pixels. A test scripts failures (any operation by name, video memory that
// runs out, lost or busy surfaces) and reads back every call, fill, release and
// the state left behind.
//
// Blits and flips are recorded in the fake GDI's presents ("Blt", "Flip"), with
// the surfaces as target and source; fills and every other call are recorded here.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fake/fake_gdi.h"
#include "sprox/sys/ddraw.h"

namespace fake {

enum class SurfaceKind {
    Test,         // made by a test with MakeSurface
    Primary,      // the screen
    BackBuffer,   // the back buffer of a flipping primary surface
    Video,        // off-screen, in video memory
    System,       // off-screen, in system memory
};

struct FakeMode {
    uint32_t width;
    uint32_t height;
    uint32_t bits;
    bool operator==(const FakeMode&) const = default;
};

struct FakeSurface {
    std::shared_ptr<Pixels> pixels;
    SurfaceKind kind = SurfaceKind::Test;
    FakeMode mode{};           // the display mode it was made in (screen surfaces)
    // --- Script ---
    bool lost = false;         // Lock and GetDC answer surface lost until restored
    int restoreFailures = 0;   // the next this many Restore calls fail
    int lockFailures = 0;      // the next this many Lock calls fail (generic error)
    int stillDrawing = 0;      // the next this many GetDC calls answer still drawing
    int fillFailures = 0;      // the next this many colour fills fail
    // --- What happened ---
    bool locked = false;
    int lockCalls = 0;
    int unlockCalls = 0;
    int restoreCalls = 0;
    int getDCCalls = 0;
    int releaseDCCalls = 0;
    bool released = false;
    sys::Handle dc = nullptr;           // the DC handed out and not yet given back
    sys::Handle palette = nullptr;      // attached palette
    sys::Handle clipper = nullptr;      // attached clipper
    sys::Surface backBuffer = nullptr;  // a flipping primary's back buffer
    int flips = 0;                      // flips since the GDI surface was last in front
};

struct Fill {
    sys::Surface surface;
    SproxRect rect;
    uint32_t colour;
    uint32_t flags;
};

struct FakePalette {
    std::array<sys::PaletteEntry, 256> entries{};
    uint32_t flags = 0;
    int refs = 1;
};

struct FakeClipper {
    sys::Handle window = nullptr;
    int refs = 1;
};

// The DirectDraw object.
struct FakeObject {
    sys::Handle window = nullptr;   // the window of the last cooperative level set
    bool levelSet = false;          // surfaces are made only once a level is set
    bool released = false;
};

class FakeDirectDraw : public sys::DirectDraw {
public:
    // --- What the machine offers (set by tests) ---
    std::vector<FakeMode> modes;            // the display modes, in enumeration order
    // Operations that fail, by name: "DirectDrawCreate", "SetCooperativeLevel",
    // "EnumDisplayModes", "SetDisplayMode", "RestoreDisplayMode",
    // "CreateSurface:primary", "CreateSurface:flip", "CreateSurface:video",
    // "CreateSurface:system", "GetAttachedSurface", "FlipToGDISurface",
    // "CreatePalette", "GetPaletteEntries", "SetPalette", "CreateClipper",
    // "SetClipperWindow", "SetClipper".
    std::set<std::string> failing;
    int videoSurfacesLeft = -1;             // off-screen surfaces video memory holds; -1 any
    FakeMode desktop = {1024, 768, 32};     // the display mode before any change

    // --- What happened (read by tests) ---
    // Every call of the operations named above, as "Name" or "Name detail":
    // "SetCooperativeLevel 0x51", "SetDisplayMode 640x480x8",
    // "CreateSurface:video 320x240", ...
    std::vector<std::string> calls;
    std::vector<Fill> fills;
    std::vector<void*> released;            // surfaces, palettes, clippers released, in order
    std::optional<FakeMode> displayMode;    // set by SetDisplayMode, cleared by Restore
    sys::Handle exclusiveWindow = nullptr;  // the window holding the exclusive level
    int modesEnumerated = 0;                // modes handed to enumeration callbacks

    // A w x h 8-bit top-down surface; pitch 0 means w rounded up to 4.
    sys::Surface MakeSurface(int width, int height, int pitch = 0, uint8_t fill = 0);
    FakeSurface& Of(sys::Surface surface);
    sys::Handle MakePalette();
    std::array<sys::PaletteEntry, 256>& PaletteOf(sys::Handle palette);
    FakePalette* FindPalette(sys::Handle palette);
    FakeClipper* FindClipper(sys::Handle clipper);

    // How many calls were made of one operation (the name before any detail).
    int Count(const std::string& name) const;
    // Objects made by the operations and not (fully) released.
    int LiveSurfaces() const;
    int LivePalettes() const;
    int LiveClippers() const;
    int LiveObjects() const;
    // The primary surface that exists now, or null.
    sys::Surface Primary();
    // Every surface that exists loses its memory, as on a mode switch by another
    // program.
    void LoseSurfaces();
    // The display mode now: the one set, else the desktop's.
    FakeMode Mode() const { return displayMode ? *displayMode : desktop; }

    sys::Result DirectDrawCreate(void* entry, sys::Handle* object) override;
    sys::Result SetCooperativeLevel(sys::Handle object, sys::Handle window,
                                    uint32_t flags) override;
    sys::Result EnumDisplayModes(sys::Handle object, uint32_t flags, const sys::SurfaceDesc* filter,
                                 void* context, sys::EnumModesCallback callback) override;
    sys::Result SetDisplayMode(sys::Handle object, uint32_t width, uint32_t height,
                               uint32_t bitsPerPixel) override;
    sys::Result RestoreDisplayMode(sys::Handle object) override;
    sys::Result CreateSurface(sys::Handle object, const sys::SurfaceDesc* desc,
                              sys::Surface* surface) override;
    sys::Result GetAttachedSurface(sys::Surface surface, uint32_t caps,
                                   sys::Surface* attached) override;
    sys::Result FlipToGDISurface(sys::Handle object) override;
    sys::Result Lock(sys::Surface surface, sys::SurfaceDesc* desc, uint32_t flags) override;
    sys::Result Unlock(sys::Surface surface) override;
    sys::Result GetDC(sys::Surface surface, sys::Handle* dc) override;
    sys::Result ReleaseDC(sys::Surface surface, sys::Handle dc) override;
    sys::Result Blt(sys::Surface dst, const SproxRect* dstRect, sys::Surface src,
                    const SproxRect* srcRect, uint32_t flags) override;
    sys::Result ColorFill(sys::Surface dst, const SproxRect* rect, uint32_t colour,
                          uint32_t flags) override;
    sys::Result Flip(sys::Surface surface, sys::Surface target, uint32_t flags) override;
    sys::Result Restore(sys::Surface surface) override;
    uint32_t Release(void* object) override;
    sys::Result CreatePalette(sys::Handle object, uint32_t flags, const sys::PaletteEntry* entries,
                              sys::Handle* palette) override;
    sys::Result SetPaletteEntries(sys::Handle palette, uint32_t first, uint32_t count,
                                  const sys::PaletteEntry* entries) override;
    sys::Result GetPaletteEntries(sys::Handle palette, uint32_t first, uint32_t count,
                                  sys::PaletteEntry* entries) override;
    sys::Result SetPalette(sys::Surface surface, sys::Handle palette) override;
    sys::Result CreateClipper(sys::Handle object, uint32_t flags, sys::Handle* clipper) override;
    sys::Result SetClipperWindow(sys::Handle clipper, uint32_t flags, sys::Handle window) override;
    sys::Result SetClipper(sys::Surface surface, sys::Handle clipper) override;

private:
    FakeSurface* Find(sys::Surface surface);
    FakeSurface* FindLive(sys::Surface surface);
    FakeObject* FindObject(sys::Handle object);
    // Records the call; true when the test made this operation fail.
    bool Fails(const std::string& name, const std::string& detail = {});
    sys::Surface Add(std::unique_ptr<FakeSurface> surface);
    void DropPalette(sys::Handle palette);
    void DropClipper(sys::Handle clipper);

    std::vector<std::unique_ptr<FakeSurface>> surfaces_;
    std::vector<std::unique_ptr<FakePalette>> palettes_;
    std::vector<std::unique_ptr<FakeClipper>> clippers_;
    std::vector<std::unique_ptr<FakeObject>> objects_;
};

FakeDirectDraw& ddraw();

} // namespace fake
