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

} // namespace

sys::Surface FakeDirectDraw::MakeSurface(int width, int height, int pitch, uint8_t fill)
{
    auto surface = std::make_unique<FakeSurface>();
    surface->pixels = std::make_shared<Pixels>(width, height, pitch > 0 ? pitch : (width + 3) & ~3,
                                               false, fill);
    surfaces_.push_back(std::move(surface));
    return surfaces_.back().get();
}

FakeSurface* FakeDirectDraw::Find(sys::Surface surface)
{
    for (auto& s : surfaces_) {
        if (s.get() == surface) {
            return s.get();
        }
    }
    return nullptr;
}

FakeSurface& FakeDirectDraw::Of(sys::Surface surface)
{
    FakeSurface* found = Find(surface);
    if (found == nullptr) {
        std::fprintf(stderr, "fake: not a surface of the fake DirectDraw\n");
        std::abort();
    }
    return *found;
}

sys::Handle FakeDirectDraw::MakePalette()
{
    palettes_.push_back(std::make_unique<std::array<sys::PaletteEntry, 256>>());
    return palettes_.back().get();
}

std::array<sys::PaletteEntry, 256>& FakeDirectDraw::PaletteOf(sys::Handle palette)
{
    return *static_cast<std::array<sys::PaletteEntry, 256>*>(palette);
}

sys::Result FakeDirectDraw::Lock(sys::Surface surface, sys::SurfaceDesc* desc, uint32_t)
{
    FakeSurface* s = Find(surface);
    if (s == nullptr || s->released) {
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
    FakeSurface* s = Find(surface);
    if (s == nullptr || s->released) {
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
    FakeSurface* to = Find(dst);
    FakeSurface* from = Find(src);
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
    FakeSurface* s = Find(dst);
    if (s == nullptr) {
        return sys::kDDErrGeneric;
    }
    fills.push_back({dst, rect != nullptr ? *rect : SproxRect{0, 0, s->pixels->width, s->pixels->height},
                     colour, flags});
    if (s->fillFailures > 0) {
        --s->fillFailures;
        return sys::kDDErrGeneric;
    }
    Area area = AreaOf(rect, *s->pixels);
    for (int y = std::max(area.y, 0); y < std::min(area.y + area.h, s->pixels->height); ++y) {
        for (int x = std::max(area.x, 0); x < std::min(area.x + area.w, s->pixels->width); ++x) {
            s->pixels->At(x, y) = static_cast<uint8_t>(colour);
        }
    }
    return sys::kDDOk;
}

sys::Result FakeDirectDraw::Flip(sys::Surface surface, sys::Surface target, uint32_t flags)
{
    Present present{"Flip", surface, target};
    present.rop = flags;
    gdi().presents.push_back(present);
    return Find(surface) != nullptr ? sys::kDDOk : sys::kDDErrGeneric;
}

sys::Result FakeDirectDraw::Restore(sys::Surface surface)
{
    FakeSurface* s = Find(surface);
    if (s == nullptr) {
        return sys::kDDErrGeneric;
    }
    ++s->restoreCalls;
    if (s->restoreFailures > 0) {
        --s->restoreFailures;
        return sys::kDDErrWrongMode;
    }
    s->lost = false;
    return sys::kDDOk;
}

uint32_t FakeDirectDraw::Release(void* object)
{
    released.push_back(object);
    if (FakeSurface* s = Find(object)) {
        s->released = true;
    }
    return 0;
}

sys::Result FakeDirectDraw::SetPaletteEntries(sys::Handle palette, uint32_t first, uint32_t count,
                                              const sys::PaletteEntry* entries)
{
    if (palette == nullptr || first + count > 256) {
        return sys::kDDErrGeneric;
    }
    std::copy(entries, entries + count, PaletteOf(palette).begin() + first);
    return sys::kDDOk;
}

FakeDirectDraw& ddraw()
{
    static FakeDirectDraw fake;
    return fake;
}

} // namespace fake
