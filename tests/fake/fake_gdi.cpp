#include "fake/fake_gdi.h"

#include <algorithm>
#include <cstring>

namespace fake {

Pixels::Pixels(int width, int height, int stride, bool bottomUp, uint8_t fill)
    : width(width), height(height), stride(stride), bottomUp(bottomUp),
      memory(static_cast<size_t>(stride) * static_cast<size_t>(height), fill)
{
}

uint8_t* Pixels::Row(int y)
{
    return memory.data() + static_cast<size_t>(bottomUp ? height - 1 - y : y) * stride;
}

std::ostream& operator<<(std::ostream& out, const Area& area)
{
    return out << "(" << area.x << ", " << area.y << ", " << area.w << " x " << area.h << ")";
}

void StretchCopy(Pixels& dst, Area to, Pixels& src, Area from)
{
    if (to.w <= 0 || to.h <= 0 || from.w <= 0 || from.h <= 0) {
        return;
    }
    for (int dy = 0; dy < to.h; ++dy) {
        int ty = to.y + dy;
        int sy = from.y + static_cast<int>(int64_t{dy} * from.h / to.h);
        if (ty < 0 || ty >= dst.height || sy < 0 || sy >= src.height) {
            continue;
        }
        for (int dx = 0; dx < to.w; ++dx) {
            int tx = to.x + dx;
            int sx = from.x + static_cast<int>(int64_t{dx} * from.w / to.w);
            if (tx >= 0 && tx < dst.width && sx >= 0 && sx < src.width) {
                dst.At(tx, ty) = src.At(sx, sy);
            }
        }
    }
}

FakeGdi::FakeGdi()
{
    std::memset(systemPalette, 0, sizeof systemPalette);
    for (int i = 0; i < 10; ++i) {
        systemPalette[i] = sys::kStandardStatics[i];
        systemPalette[246 + i] = sys::kStandardStatics[10 + i];
    }
    screen_ = Add({Kind::ScreenDC});
    stockBitmap_ = Add({Kind::Bitmap, true});
    stockPalette_ = Add({Kind::Palette, true});
    objects_[screen_].palette = stockPalette_;
}

sys::Handle FakeGdi::Add(Object object)
{
    auto handle = reinterpret_cast<sys::Handle>(next_);
    next_ += 0x10;
    objects_.emplace(handle, std::move(object));
    return handle;
}

FakeGdi::Object* FakeGdi::Find(sys::Handle handle)
{
    auto it = objects_.find(handle);
    return it == objects_.end() ? nullptr : &it->second;
}

int FakeGdi::Created(Kind kind) const
{
    return static_cast<int>(std::count_if(objects_.begin(), objects_.end(), [&](const auto& o) {
        return o.second.kind == kind && !o.second.stock && o.first != screen_;
    }));
}

int FakeGdi::Live(Kind kind) const
{
    return static_cast<int>(std::count_if(objects_.begin(), objects_.end(), [&](const auto& o) {
        return o.second.kind == kind && !o.second.stock && !o.second.deleted && o.first != screen_;
    }));
}

bool FakeGdi::SelectedAnywhere(sys::Handle object) const
{
    return std::any_of(objects_.begin(), objects_.end(), [&](const auto& o) {
        return !o.second.deleted && (o.second.selected == object || o.second.palette == object);
    });
}

Pixels* FakeGdi::PixelsOf(sys::Handle handle)
{
    Object* object = Find(handle);
    if (object == nullptr || object->deleted) {
        return nullptr;
    }
    if (object->pixels) {
        return object->pixels.get();
    }
    Object* selected = object->kind == Kind::MemoryDC ? Find(object->selected) : nullptr;
    return selected != nullptr ? selected->pixels.get() : nullptr;
}

sys::Handle FakeGdi::MakeMemoryDC()
{
    Object dc{Kind::MemoryDC};
    dc.selected = stockBitmap_;
    dc.palette = stockPalette_;
    return Add(std::move(dc));
}

sys::Handle FakeGdi::MakeDC(std::shared_ptr<Pixels> pixels)
{
    Object dc{Kind::MemoryDC};
    dc.palette = stockPalette_;
    dc.pixels = std::move(pixels);
    return Add(std::move(dc));
}

sys::Handle FakeGdi::MakeTarget(int width, int height)
{
    return MakeDC(std::make_shared<Pixels>(width, height, width, false));
}

sys::Handle FakeGdi::MakeBitmap(const SproxBitmapHeader* header, const SproxColor* colors,
                                uint8_t** bits)
{
    *bits = nullptr;
    if (header->bitCount != 8 || header->width <= 0 || header->height == 0) {
        return nullptr;
    }
    int height = header->height < 0 ? -header->height : header->height;
    int stride = ((header->width * 8 + 31) & ~31) / 8;
    Object bitmap{Kind::Bitmap};
    bitmap.pixels = std::make_shared<Pixels>(header->width, height, stride, header->height > 0);
    bitmap.header = *header;
    std::copy(colors, colors + 256, bitmap.colors.begin());
    *bits = bitmap.pixels->memory.data();
    return Add(std::move(bitmap));
}

void FakeGdi::Copy(const char* call, sys::Handle dst, Area to, sys::Handle src, Area from,
                   uint32_t rop)
{
    Present present{call, dst, src, to, from, rop};
    presents.push_back(present);
    Pixels* target = PixelsOf(dst);
    Pixels* source = PixelsOf(src);
    if (target != nullptr && source != nullptr) {
        StretchCopy(*target, to, *source, from);
    }
}

sys::Handle FakeGdi::GetScreenDC() { return screen_; }

void FakeGdi::ReleaseScreenDC(sys::Handle) {}

int FakeGdi::GetDeviceCaps(sys::Handle, int index)
{
    return index == sys::kBitsPixel ? bitsPerPixel : 0;
}

unsigned FakeGdi::GetSystemPaletteEntries(sys::Handle, unsigned first, unsigned count,
                                          sys::PaletteEntry* out)
{
    if (bitsPerPixel > 8) {
        return 0;   // no system palette on a true-colour screen
    }
    unsigned n = 0;
    for (; n < count && first + n < 256; ++n) {
        out[n] = systemPalette[first + n];
    }
    return n;
}

sys::Handle FakeGdi::CreatePalette(const sys::LogPalette* palette)
{
    Object object{Kind::Palette};
    object.entries.assign(palette->entries, palette->entries + std::min<int>(palette->count, 256));
    return Add(std::move(object));
}

sys::Handle FakeGdi::SelectPalette(sys::Handle dc, sys::Handle palette, bool)
{
    Object* object = Find(dc);
    if (object == nullptr || object->deleted) {
        return nullptr;
    }
    sys::Handle previous = object->palette;
    object->palette = palette != nullptr ? palette : stockPalette_;
    return previous;
}

unsigned FakeGdi::RealizePalette(sys::Handle dc)
{
    Object* object = Find(dc);
    Object* palette = object != nullptr ? Find(object->palette) : nullptr;
    if (palette == nullptr || palette->stock) {
        return 0;
    }
    realized.push_back(palette->entries);
    return static_cast<unsigned>(palette->entries.size());
}

sys::Handle FakeGdi::CreateCompatibleDC(sys::Handle)
{
    if (dcFailures > 0) {
        --dcFailures;
        return nullptr;
    }
    return MakeMemoryDC();
}

sys::Handle FakeGdi::CreateDIBSection(sys::Handle, const SproxBitmapHeader* header,
                                      const SproxColor* colors, uint32_t, uint8_t** bits)
{
    if (dibSectionFailures > 0) {
        --dibSectionFailures;
        *bits = nullptr;
        return nullptr;
    }
    return MakeBitmap(header, colors, bits);
}

sys::Handle FakeGdi::SelectObject(sys::Handle dc, sys::Handle object)
{
    Object* target = Find(dc);
    Object* bitmap = Find(object);
    if (target == nullptr || target->deleted || bitmap == nullptr || bitmap->deleted ||
        bitmap->kind != Kind::Bitmap) {
        return nullptr;
    }
    sys::Handle previous = target->selected;
    target->selected = object;
    return previous;
}

// As on the real system, an object still selected into a DC is not deleted.
bool FakeGdi::DeleteObject(sys::Handle handle)
{
    Object* object = Find(handle);
    if (object == nullptr || object->deleted || object->stock || SelectedAnywhere(handle)) {
        return false;
    }
    object->deleted = true;
    object->pixels.reset();
    return true;
}

bool FakeGdi::DeleteDC(sys::Handle dc)
{
    Object* object = Find(dc);
    if (object == nullptr || object->deleted || object->kind != Kind::MemoryDC) {
        return false;
    }
    object->deleted = true;
    object->selected = nullptr;
    object->palette = nullptr;
    object->pixels.reset();
    return true;
}

bool FakeGdi::GdiFlush()
{
    ++flushes;
    return true;
}

int FakeGdi::SetStretchBltMode(sys::Handle dc, int mode)
{
    stretchModes.emplace_back(dc, mode);
    return 1;
}

bool FakeGdi::BitBlt(sys::Handle dst, int x, int y, int w, int h, sys::Handle src, int srcX,
                     int srcY, uint32_t rop)
{
    Copy("BitBlt", dst, {x, y, w, h}, src, {srcX, srcY, w, h}, rop);
    return true;
}

bool FakeGdi::StretchBlt(sys::Handle dst, int x, int y, int w, int h, sys::Handle src, int srcX,
                         int srcY, int srcW, int srcH, uint32_t rop)
{
    Copy("StretchBlt", dst, {x, y, w, h}, src, {srcX, srcY, srcW, srcH}, rop);
    return true;
}

int FakeGdi::SetDIBitsToDevice(sys::Handle dst, int x, int y, int w, int h, int srcX, int srcY,
                               unsigned startScan, unsigned scanLines, const void* bits,
                               const SproxBitmapHeader*, const SproxColor*, uint32_t)
{
    Present present{"SetDIBitsToDevice", dst, nullptr, {x, y, w, h}, {srcX, srcY, w, h}};
    present.bits = bits;
    present.startScan = startScan;
    present.scanLines = scanLines;
    presents.push_back(present);
    return h;
}

int FakeGdi::StretchDIBits(sys::Handle dst, int x, int y, int w, int h, int srcX, int srcY,
                           int srcW, int srcH, const void* bits, const SproxBitmapHeader*,
                           const SproxColor*, uint32_t, uint32_t rop)
{
    Present present{"StretchDIBits", dst, nullptr, {x, y, w, h}, {srcX, srcY, srcW, srcH}, rop};
    present.bits = bits;
    presents.push_back(present);
    return srcH;
}

bool FakeGdi::WindowCall(const char* name)
{
    windowCalls.push_back(name);
    return failingWindowCalls.count(name) == 0;
}

bool FakeGdi::ShowWindow(sys::Handle window, int)
{
    bool wasVisible = visibleWindows.count(window) != 0;
    if (WindowCall("ShowWindow")) {
        visibleWindows.insert(window);
    }
    return wasVisible;
}

bool FakeGdi::IsWindowVisible(sys::Handle window)
{
    return visibleWindows.count(window) != 0;
}

bool FakeGdi::ValidateRect(sys::Handle, const SproxRect*)
{
    return WindowCall("ValidateRect");
}

bool FakeGdi::UpdateWindow(sys::Handle)
{
    return WindowCall("UpdateWindow");
}

bool FakeGdi::InvalidateRect(sys::Handle, const SproxRect*, bool erase)
{
    invalidatedWithErase = erase;
    return WindowCall("InvalidateRect");
}

bool FakeGdi::ClipCursor(const SproxRect* rect)
{
    if (!WindowCall("ClipCursor")) {
        return false;
    }
    cursorClip = rect != nullptr ? std::optional<SproxRect>(*rect) : std::nullopt;
    return true;
}

FakeGdi& gdi()
{
    static FakeGdi fake;
    return fake;
}

} // namespace fake
