#include "fake/fake_ddraw.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace fake {
namespace {

Area AreaOf(const SproxRect* rect, const Pixels& pixels)
{
    if (rect == nullptr) {
        return {0, 0, pixels.width, pixels.height};
    }
    return {rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top};
}

std::string Hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

std::string Size(uint32_t width, uint32_t height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

template <typename T>
T* FindIn(const std::vector<std::unique_ptr<T>>& all, const void* handle)
{
    for (const auto& item : all) {
        if (item.get() == handle) {
            return item.get();
        }
    }
    return nullptr;
}

[[noreturn]] void NotOurs(const char* what)
{
    std::fprintf(stderr, "fake: not a %s of the fake DirectDraw\n", what);
    std::abort();
}

// Surfaces larger than this are refused, as a real driver refuses absurd sizes.
constexpr uint32_t kMaxSurfaceSide = 16384;

// What the system answers for a surface asked before any cooperative level.
constexpr sys::Result kNoCooperativeLevelSet = static_cast<sys::Result>(0x887600D4u);

} // namespace

bool FakeDirectDraw::Fails(const std::string& name, const std::string& detail)
{
    calls.push_back(detail.empty() ? name : name + " " + detail);
    return failing.count(name) != 0;
}

int FakeDirectDraw::Count(const std::string& name) const
{
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const std::string& c) {
        return c == name || c.rfind(name + " ", 0) == 0;
    }));
}

sys::Surface FakeDirectDraw::Add(std::unique_ptr<FakeSurface> surface)
{
    surfaces_.push_back(std::move(surface));
    return surfaces_.back().get();
}

sys::Surface FakeDirectDraw::MakeSurface(int width, int height, int pitch, uint8_t fill)
{
    auto surface = std::make_unique<FakeSurface>();
    surface->pixels = std::make_shared<Pixels>(width, height, pitch > 0 ? pitch : (width + 3) & ~3,
                                               false, fill);
    return Add(std::move(surface));
}

FakeSurface* FakeDirectDraw::Find(sys::Surface surface)
{
    return FindIn(surfaces_, surface);
}

FakeSurface* FakeDirectDraw::FindLive(sys::Surface surface)
{
    FakeSurface* s = Find(surface);
    return s != nullptr && !s->released ? s : nullptr;
}

FakeObject* FakeDirectDraw::FindObject(sys::Handle object)
{
    FakeObject* o = FindIn(objects_, object);
    return o != nullptr && !o->released ? o : nullptr;
}

FakeSurface& FakeDirectDraw::Of(sys::Surface surface)
{
    FakeSurface* found = Find(surface);
    if (found == nullptr) {
        NotOurs("surface");
    }
    return *found;
}

sys::Handle FakeDirectDraw::MakePalette()
{
    palettes_.push_back(std::make_unique<FakePalette>());
    return palettes_.back().get();
}

FakePalette* FakeDirectDraw::FindPalette(sys::Handle palette)
{
    return FindIn(palettes_, palette);
}

FakeClipper* FakeDirectDraw::FindClipper(sys::Handle clipper)
{
    return FindIn(clippers_, clipper);
}

std::array<sys::PaletteEntry, 256>& FakeDirectDraw::PaletteOf(sys::Handle palette)
{
    FakePalette* found = FindPalette(palette);
    if (found == nullptr) {
        NotOurs("palette");
    }
    return found->entries;
}

int FakeDirectDraw::LiveSurfaces() const
{
    return static_cast<int>(std::count_if(surfaces_.begin(), surfaces_.end(), [](const auto& s) {
        return s->kind != SurfaceKind::Test && !s->released;
    }));
}

int FakeDirectDraw::LivePalettes() const
{
    return static_cast<int>(std::count_if(palettes_.begin(), palettes_.end(),
                                          [](const auto& p) { return p->refs > 0; }));
}

int FakeDirectDraw::LiveClippers() const
{
    return static_cast<int>(std::count_if(clippers_.begin(), clippers_.end(),
                                          [](const auto& c) { return c->refs > 0; }));
}

int FakeDirectDraw::LiveObjects() const
{
    return static_cast<int>(std::count_if(objects_.begin(), objects_.end(),
                                          [](const auto& o) { return !o->released; }));
}

sys::Surface FakeDirectDraw::Primary()
{
    for (auto& s : surfaces_) {
        if (s->kind == SurfaceKind::Primary && !s->released) {
            return s.get();
        }
    }
    return nullptr;
}

void FakeDirectDraw::LoseSurfaces()
{
    for (auto& s : surfaces_) {
        if (!s->released) {
            s->lost = true;
        }
    }
}

sys::Result FakeDirectDraw::DirectDrawCreate(void* entry, sys::Handle* object)
{
    *object = nullptr;
    if (Fails("DirectDrawCreate")) {
        return sys::kDDErrGeneric;
    }
    if (entry == nullptr) {
        return sys::kDDErrInvalidParams;
    }
    objects_.push_back(std::make_unique<FakeObject>());
    *object = objects_.back().get();
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::SetCooperativeLevel(sys::Handle object, sys::Handle window,
                                                uint32_t flags)
{
    FakeObject* o = FindObject(object);
    if (Fails("SetCooperativeLevel", Hex(flags)) || o == nullptr) {
        return sys::kDDErrGeneric;
    }
    if ((flags & sys::kDDSclExclusive) != 0) {
        if (window == nullptr || (flags & sys::kDDSclFullScreen) == 0) {
            return sys::kDDErrInvalidParams;
        }
        exclusiveWindow = window;
    } else if (exclusiveWindow != nullptr && o->window == exclusiveWindow) {
        exclusiveWindow = nullptr;
    }
    o->window = window;
    o->levelSet = true;
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::EnumDisplayModes(sys::Handle object, uint32_t, const sys::SurfaceDesc*,
                                             void* context, sys::EnumModesCallback callback)
{
    if (Fails("EnumDisplayModes") || FindObject(object) == nullptr || callback == nullptr) {
        return sys::kDDErrGeneric;
    }
    for (const FakeMode& mode : modes) {
        sys::SurfaceDesc desc{};
        desc.flags = sys::kDDSdWidth | sys::kDDSdHeight | sys::kDDSdPitch | sys::kDDSdPixelFormat;
        desc.width = mode.width;
        desc.height = mode.height;
        desc.pitch = static_cast<int32_t>(mode.width * mode.bits / 8);
        desc.pixelFormat.size = sizeof desc.pixelFormat;
        desc.pixelFormat.flags = mode.bits == 8 ? sys::kDDPfPaletteIndexed8 | sys::kDDPfRgb
                                                : sys::kDDPfRgb;
        desc.pixelFormat.rgbBitCount = mode.bits;
        ++modesEnumerated;
        if (callback(&desc, context) == sys::kDDEnumRetCancel) {
            break;
        }
    }
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::SetDisplayMode(sys::Handle object, uint32_t width, uint32_t height,
                                           uint32_t bitsPerPixel)
{
    FakeObject* o = FindObject(object);
    if (Fails("SetDisplayMode", Size(width, height) + "x" + std::to_string(bitsPerPixel)) ||
        o == nullptr) {
        return sys::kDDErrGeneric;
    }
    if (exclusiveWindow == nullptr || o->window != exclusiveWindow) {
        return sys::kDDErrNoExclusiveMode;
    }
    FakeMode wanted = {width, height, bitsPerPixel};
    if (std::find(modes.begin(), modes.end(), wanted) == modes.end()) {
        return sys::kDDErrInvalidMode;
    }
    displayMode = wanted;
    // Every surface made before the switch loses its memory.
    for (auto& s : surfaces_) {
        if (s->kind != SurfaceKind::Test && !s->released) {
            s->lost = true;
        }
    }
    return sys::kDDOk;
}

// Releasing the object does not restore the display mode here, so that tests
// see whether the library restored it itself.
sys::Result FakeDirectDraw::RestoreDisplayMode(sys::Handle object)
{
    if (Fails("RestoreDisplayMode") || FindObject(object) == nullptr) {
        return sys::kDDErrGeneric;
    }
    displayMode.reset();
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::CreateSurface(sys::Handle object, const sys::SurfaceDesc* desc,
                                          sys::Surface* surface)
{
    *surface = nullptr;
    FakeObject* o = FindObject(object);
    uint32_t caps = (desc->flags & sys::kDDSdCaps) != 0 ? desc->caps : 0;
    if ((caps & sys::kDDSCapsPrimarySurface) != 0) {
        bool flipping = (caps & sys::kDDSCapsFlip) != 0;
        if (Fails(flipping ? "CreateSurface:flip" : "CreateSurface:primary") || o == nullptr) {
            return sys::kDDErrGeneric;
        }
        if (!o->levelSet) {
            return kNoCooperativeLevelSet;
        }
        // Only the exclusive level keeps to one primary surface.
        bool exclusive = exclusiveWindow != nullptr && o->window == exclusiveWindow;
        if (exclusive && Primary() != nullptr) {
            return sys::kDDErrPrimaryExists;
        }
        if (flipping && !exclusive) {
            return sys::kDDErrNoExclusiveMode;
        }
        if (flipping && ((desc->flags & sys::kDDSdBackBufferCount) == 0 ||
                         desc->backBufferCount != 1 || (caps & sys::kDDSCapsComplex) == 0)) {
            return sys::kDDErrInvalidParams;
        }
        const FakeMode screen = Mode();
        int w = static_cast<int>(screen.width);
        int h = static_cast<int>(screen.height);
        *surface = MakeSurface(w, h);
        Of(*surface).kind = SurfaceKind::Primary;
        Of(*surface).mode = screen;
        if (flipping) {
            sys::Surface back = MakeSurface(w, h);
            Of(back).kind = SurfaceKind::BackBuffer;
            Of(back).mode = screen;
            Of(*surface).backBuffer = back;
        }
        return sys::kDDOk;
    }

    bool video = (caps & sys::kDDSCapsVideoMemory) != 0;
    uint32_t width = desc->width;
    uint32_t height = desc->height;
    if (Fails(video ? "CreateSurface:video" : "CreateSurface:system", Size(width, height)) ||
        o == nullptr) {
        return sys::kDDErrGeneric;
    }
    if ((desc->flags & (sys::kDDSdWidth | sys::kDDSdHeight)) !=
            (sys::kDDSdWidth | sys::kDDSdHeight) ||
        width == 0 || height == 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide) {
        return sys::kDDErrInvalidParams;
    }
    if (!o->levelSet) {
        return kNoCooperativeLevelSet;
    }
    if (video && videoSurfacesLeft == 0) {
        return sys::kDDErrOutOfVideoMemory;
    }
    if (video && videoSurfacesLeft > 0) {
        --videoSurfacesLeft;
    }
    // Video memory rows are aligned wider than system memory rows.
    int w = static_cast<int>(width);
    *surface = MakeSurface(w, static_cast<int>(height), video ? (w + 15) & ~15 : 0);
    Of(*surface).kind = video ? SurfaceKind::Video : SurfaceKind::System;
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::GetAttachedSurface(sys::Surface surface, uint32_t caps,
                                               sys::Surface* attached)
{
    *attached = nullptr;
    FakeSurface* s = FindLive(surface);
    if (Fails("GetAttachedSurface") || s == nullptr) {
        return sys::kDDErrGeneric;
    }
    if ((caps & sys::kDDSCapsBackBuffer) == 0 || s->backBuffer == nullptr) {
        return sys::kDDErrInvalidParams;
    }
    *attached = s->backBuffer;
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::FlipToGDISurface(sys::Handle object)
{
    if (Fails("FlipToGDISurface") || FindObject(object) == nullptr) {
        return sys::kDDErrGeneric;
    }
    sys::Surface primary = Primary();
    if (primary != nullptr) {
        FakeSurface& p = Of(primary);
        if (p.backBuffer != nullptr && p.flips % 2 != 0) {
            std::swap(p.pixels, Of(p.backBuffer).pixels);
        }
        p.flips = 0;
    }
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::Lock(sys::Surface surface, sys::SurfaceDesc* desc, uint32_t)
{
    FakeSurface* s = FindLive(surface);
    if (s == nullptr) {
        return sys::kDDErrGeneric;
    }
    ++s->lockCalls;
    if (s->lost) {
        return sys::kDDErrSurfaceLost;
    }
    if (s->lockFailures > 0) {
        --s->lockFailures;
        return sys::kDDErrGeneric;
    }
    if (s->locked) {
        return sys::kDDErrGeneric;   // the real surface refuses a second lock too
    }
    s->locked = true;
    desc->width = static_cast<uint32_t>(s->pixels->width);
    desc->height = static_cast<uint32_t>(s->pixels->height);
    desc->pitch = s->pixels->stride;
    desc->surface = s->pixels->memory.data();
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::Unlock(sys::Surface surface)
{
    FakeSurface* s = Find(surface);
    if (s == nullptr || !s->locked) {
        return sys::kDDErrGeneric;
    }
    ++s->unlockCalls;
    s->locked = false;
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::GetDC(sys::Surface surface, sys::Handle* dc)
{
    FakeSurface* s = FindLive(surface);
    if (s == nullptr) {
        return sys::kDDErrGeneric;
    }
    ++s->getDCCalls;
    if (s->stillDrawing > 0) {
        --s->stillDrawing;
        return sys::kDDErrWasStillDrawing;
    }
    if (s->lost) {
        return sys::kDDErrSurfaceLost;
    }
    if (s->dc != nullptr || s->locked) {
        return sys::kDDErrGeneric;
    }
    s->dc = gdi().MakeDC(s->pixels);
    *dc = s->dc;
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::ReleaseDC(sys::Surface surface, sys::Handle dc)
{
    FakeSurface* s = Find(surface);
    if (s == nullptr || s->dc == nullptr || s->dc != dc) {
        return sys::kDDErrGeneric;
    }
    ++s->releaseDCCalls;
    gdi().DeleteDC(dc);
    s->dc = nullptr;
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::Blt(sys::Surface dst, const SproxRect* dstRect, sys::Surface src,
                                const SproxRect* srcRect, uint32_t flags)
{
    FakeSurface* to = FindLive(dst);
    FakeSurface* from = FindLive(src);
    if (to == nullptr || from == nullptr) {
        return sys::kDDErrGeneric;
    }
    Present present{"Blt", dst, src, AreaOf(dstRect, *to->pixels), AreaOf(srcRect, *from->pixels),
                    flags};
    gdi().presents.push_back(present);
    if (to->lost || from->lost) {
        return sys::kDDErrSurfaceLost;
    }
    StretchCopy(*to->pixels, present.dst, *from->pixels, present.src);
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::ColorFill(sys::Surface dst, const SproxRect* rect, uint32_t colour,
                                      uint32_t flags)
{
    FakeSurface* s = FindLive(dst);
    if (s == nullptr) {
        return sys::kDDErrGeneric;
    }
    fills.push_back({dst, rect != nullptr ? *rect : SproxRect{0, 0, s->pixels->width, s->pixels->height},
                     colour, flags});
    if (s->fillFailures > 0) {
        --s->fillFailures;
        return sys::kDDErrGeneric;
    }
    if (s->lost) {
        return sys::kDDErrSurfaceLost;
    }
    Area area = AreaOf(rect, *s->pixels);
    for (int y = std::max(area.y, 0); y < std::min(area.y + area.h, s->pixels->height); ++y) {
        for (int x = std::max(area.x, 0); x < std::min(area.x + area.w, s->pixels->width); ++x) {
            s->pixels->At(x, y) = static_cast<uint8_t>(colour);
        }
    }
    return sys::kDDOk;
}

// Flipping a chain swaps the memory of the primary surface and its back buffer:
// what was drawn into the back buffer is on the screen.
sys::Result FakeDirectDraw::Flip(sys::Surface surface, sys::Surface target, uint32_t flags)
{
    Present present{"Flip", surface, target};
    present.rop = flags;
    gdi().presents.push_back(present);
    FakeSurface* s = FindLive(surface);
    if (s == nullptr) {
        return sys::kDDErrGeneric;
    }
    if (s->backBuffer == nullptr) {
        return sys::kDDErrNotFlippable;
    }
    if (s->lost) {
        return sys::kDDErrSurfaceLost;
    }
    std::swap(s->pixels, Of(s->backBuffer).pixels);
    ++s->flips;
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::Restore(sys::Surface surface)
{
    FakeSurface* s = FindLive(surface);
    if (s == nullptr) {
        return sys::kDDErrGeneric;
    }
    ++s->restoreCalls;
    if (s->restoreFailures > 0) {
        --s->restoreFailures;
        return sys::kDDErrWrongMode;
    }
    // The screen's memory lost to a mode change comes back only in the mode it
    // was made in; off-screen memory comes back in any.
    bool screen = s->kind == SurfaceKind::Primary || s->kind == SurfaceKind::BackBuffer;
    if (s->lost && screen && s->mode != Mode()) {
        return sys::kDDErrWrongMode;
    }
    s->lost = false;
    return sys::kDDOk;
}

void FakeDirectDraw::DropPalette(sys::Handle palette)
{
    if (FakePalette* p = FindPalette(palette); p != nullptr && p->refs > 0) {
        --p->refs;
    }
}

void FakeDirectDraw::DropClipper(sys::Handle clipper)
{
    if (FakeClipper* c = FindClipper(clipper); c != nullptr && c->refs > 0) {
        --c->refs;
    }
}

uint32_t FakeDirectDraw::Release(void* object)
{
    if (FakeObject* o = FindObject(object)) {
        o->released = true;
        return 0;
    }
    if (FakeSurface* s = Find(object)) {
        released.push_back(object);
        if (!s->released) {
            s->released = true;
            DropPalette(s->palette);
            DropClipper(s->clipper);
            s->palette = nullptr;
            s->clipper = nullptr;
            // The back buffer goes with its chain.
            if (s->backBuffer != nullptr) {
                Of(s->backBuffer).released = true;
            }
        }
        return 0;
    }
    if (FakePalette* p = FindPalette(object)) {
        released.push_back(object);
        DropPalette(object);
        return static_cast<uint32_t>(p->refs);
    }
    if (FakeClipper* c = FindClipper(object)) {
        released.push_back(object);
        DropClipper(object);
        return static_cast<uint32_t>(c->refs);
    }
    released.push_back(object);
    return 0;
}

sys::Result FakeDirectDraw::CreatePalette(sys::Handle object, uint32_t flags,
                                          const sys::PaletteEntry* entries, sys::Handle* palette)
{
    *palette = nullptr;
    if (Fails("CreatePalette", Hex(flags)) || FindObject(object) == nullptr || entries == nullptr) {
        return sys::kDDErrGeneric;
    }
    auto created = std::make_unique<FakePalette>();
    std::copy(entries, entries + 256, created->entries.begin());
    created->flags = flags;
    palettes_.push_back(std::move(created));
    *palette = palettes_.back().get();
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::SetPaletteEntries(sys::Handle palette, uint32_t first, uint32_t count,
                                              const sys::PaletteEntry* entries)
{
    FakePalette* p = FindPalette(palette);
    if (p == nullptr || p->refs == 0 || first > 256 || count > 256 - first) {
        return sys::kDDErrGeneric;
    }
    std::copy(entries, entries + count, p->entries.begin() + first);
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::GetPaletteEntries(sys::Handle palette, uint32_t first, uint32_t count,
                                              sys::PaletteEntry* entries)
{
    FakePalette* p = FindPalette(palette);
    if (Fails("GetPaletteEntries") || p == nullptr || p->refs == 0 || first > 256 ||
        count > 256 - first) {
        return sys::kDDErrGeneric;
    }
    std::copy(p->entries.begin() + first, p->entries.begin() + first + count, entries);
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::SetPalette(sys::Surface surface, sys::Handle palette)
{
    FakeSurface* s = FindLive(surface);
    FakePalette* p = FindPalette(palette);
    if (Fails("SetPalette") || s == nullptr || p == nullptr || p->refs == 0) {
        return sys::kDDErrGeneric;
    }
    ++p->refs;
    DropPalette(s->palette);
    s->palette = palette;
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::CreateClipper(sys::Handle object, uint32_t flags, sys::Handle* clipper)
{
    *clipper = nullptr;
    if (Fails("CreateClipper", Hex(flags)) || FindObject(object) == nullptr) {
        return sys::kDDErrGeneric;
    }
    clippers_.push_back(std::make_unique<FakeClipper>());
    *clipper = clippers_.back().get();
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::SetClipperWindow(sys::Handle clipper, uint32_t, sys::Handle window)
{
    FakeClipper* c = FindClipper(clipper);
    if (Fails("SetClipperWindow") || c == nullptr || c->refs == 0) {
        return sys::kDDErrGeneric;
    }
    c->window = window;
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::SetClipper(sys::Surface surface, sys::Handle clipper)
{
    FakeSurface* s = FindLive(surface);
    FakeClipper* c = FindClipper(clipper);
    if (Fails("SetClipper") || s == nullptr || c == nullptr || c->refs == 0) {
        return sys::kDDErrGeneric;
    }
    ++c->refs;
    DropClipper(s->clipper);
    s->clipper = clipper;
    return sys::kDDOk;
}

FakeDirectDraw& ddraw()
{
    static FakeDirectDraw fake;
    return fake;
}

} // namespace fake
