// Back-ends 0 to 2: plain device-independent bitmaps, WinG and DIB sections. The
// frame memory stays addressable for as long as the frame exists, so lock costs
// nothing; presenting goes through the GDI or WinG copy of each.
#include <algorithm>
#include <cstring>

#include "sprox/display/backend_ops.h"
#include "sprox/sys/gdi.h"
#include "sprox/sys/machine.h"
#include "sprox/sys/wing.h"

namespace sprox {

// Without pixel memory (no frame, or a failed allocation) there is nothing to lock.
int GdiLock(SproxContext* context)
{
    return context != nullptr && context->bits != nullptr ? 1 : 0;
}

void GdiUnlock(SproxContext*) {}

void* GdiGetDC(SproxContext* context)
{
    if (sys::Gdi* gdi = sys::M().gdi()) {
        gdi->GdiFlush();
    }
    return context->hdc;
}

void GdiReleaseDC(SproxContext*)
{
    if (sys::Gdi* gdi = sys::M().gdi()) {
        gdi->GdiFlush();
    }
}

// The frame is bottom-up: the source row is counted from the bottom.
int PlainDibPresent(void* target, int x, int y, int w, int h, SproxContext* context, int srcX,
                    int srcY)
{
    sys::Gdi* gdi = sys::M().gdi();
    if (gdi == nullptr) {
        return 0;
    }
    int fromBottom = context->height - srcY - h;
    int scale = context->scale;
    if (scale == 1) {
        return gdi->SetDIBitsToDevice(target, x, y, w, h, srcX, fromBottom, 0,
                                      static_cast<unsigned>(context->height), context->bits,
                                      &context->header, context->colors, sys::kDibRgbColors);
    }
    return gdi->StretchDIBits(target, Scaled(x, scale), Scaled(y, scale), Scaled(w, scale),
                              Scaled(h, scale), srcX, fromBottom, w, h, context->bits,
                              &context->header, context->colors, sys::kDibRgbColors,
                              sys::kSrcCopy);
}

// A memory copy between two frames, clipped to both. Coordinates left of or above
// a frame are cut off as well, so that nothing outside either frame is touched.
int PlainDibCopy(SproxContext* destination, int x, int y, int w, int h, SproxContext* source,
                 int srcX, int srcY)
{
    if (source->scale != 1) {
        return 0;
    }
    int64_t left = std::min<int64_t>(srcX, x);
    if (left < 0) {
        w += static_cast<int>(left);
        srcX -= static_cast<int>(left);
        x -= static_cast<int>(left);
    }
    int64_t top = std::min<int64_t>(srcY, y);
    if (top < 0) {
        h += static_cast<int>(top);
        srcY -= static_cast<int>(top);
        y -= static_cast<int>(top);
    }
    w = static_cast<int>(std::min<int64_t>({w, int64_t{source->width} - srcX,
                                            int64_t{destination->width} - x}));
    h = static_cast<int>(std::min<int64_t>({h, int64_t{source->height} - srcY,
                                            int64_t{destination->height} - y}));
    if (w < 1 || h < 1) {
        return 0;
    }
    FrameView to;
    FrameView from;
    if (!LockFrameView(&to, destination)) {
        return 0;
    }
    if (!LockFrameView(&from, source)) {
        gDisplay.ops.unlock(destination);
        return 0;
    }
    // Within one frame, a copy downwards runs from the last row so that no row is
    // overwritten before it is read.
    bool upwards = destination == source && y > srcY;
    int first = upwards ? h - 1 : 0;
    int step = upwards ? -1 : 1;
    for (int i = 0, row = first; i < h; ++i, row += step) {
        const uint8_t* s = from.bits + from.topOffset + (int64_t{srcY} + row) * from.pitch + srcX;
        uint8_t* d = to.bits + to.topOffset + (int64_t{y} + row) * to.pitch + x;
        std::memmove(d, s, static_cast<size_t>(w));
    }
    gDisplay.ops.unlock(source);
    gDisplay.ops.unlock(destination);
    return 1;
}

int WinGPresent(void* target, int x, int y, int w, int h, SproxContext* context, int srcX,
                int srcY)
{
    sys::WinG* wing = sys::M().wing();
    if (wing == nullptr) {
        return 0;
    }
    int scale = context->scale;
    if (scale == 1) {
        return wing->BitBlt(target, x, y, w, h, context->hdc, srcX, srcY);
    }
    return wing->StretchBlt(target, Scaled(x, scale), Scaled(y, scale), Scaled(w, scale),
                            Scaled(h, scale), context->hdc, srcX, srcY, w, h);
}

int DibSectionPresent(void* target, int x, int y, int w, int h, SproxContext* context, int srcX,
                      int srcY)
{
    sys::Gdi* gdi = sys::M().gdi();
    if (gdi == nullptr) {
        return 0;
    }
    int scale = context->scale;
    if (scale == 1) {
        return gdi->BitBlt(target, x, y, w, h, context->hdc, srcX, srcY, sys::kSrcCopy);
    }
    return gdi->StretchBlt(target, Scaled(x, scale), Scaled(y, scale), Scaled(w, scale),
                           Scaled(h, scale), context->hdc, srcX, srcY, w, h, sys::kSrcCopy);
}

namespace {

// WinG and DIB-section frames copy through their device contexts: the
// destination's DC is the target of the source's present.
template <auto Present>
int CopyThroughDC(SproxContext* destination, int x, int y, int w, int h, SproxContext* source,
                  int srcX, int srcY)
{
    if (sys::Gdi* gdi = sys::M().gdi()) {
        gdi->SetStretchBltMode(destination->hdc, sys::kColorOnColor);
    }
    return Present(destination->hdc, x, y, w, h, source, srcX, srcY);
}

} // namespace

int WinGCopy(SproxContext* destination, int x, int y, int w, int h, SproxContext* source, int srcX,
             int srcY)
{
    return CopyThroughDC<WinGPresent>(destination, x, y, w, h, source, srcX, srcY);
}

int DibSectionCopy(SproxContext* destination, int x, int y, int w, int h, SproxContext* source,
                   int srcX, int srcY)
{
    return CopyThroughDC<DibSectionPresent>(destination, x, y, w, h, source, srcX, srcY);
}

} // namespace sprox
