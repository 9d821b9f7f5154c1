// SX_Size: the palette step, then the frame of the current back-end created or
// resized. A DIB-section frame keeps its picture in the top-left corner when it is
// rebuilt; the other back-ends start the new frame with undefined contents.
#include <algorithm>
#include <cstring>
#include <limits>

#include "sprox/core/report.h"
#include "sprox/display/backend.h"
#include "sprox/display/frame.h"
#include "sprox/display/palette.h"
#include "sprox/display/screenmode.h"
#include "sprox/sys/ddraw.h"
#include "sprox/sys/gdi.h"
#include "sprox/sys/machine.h"
#include "sprox/sys/wing.h"

namespace sprox {
namespace {

constexpr uint16_t kFrameBits = 8;
constexpr int64_t kMaxFrameBytes = std::numeric_limits<int32_t>::max();
constexpr int kModeWindow = 0;

int64_t RowBytes(int64_t width)
{
    return ((kFrameBits * width + 31) & ~int64_t{31}) / 8;
}

// The blue of the last colour stays 0 until the first palette step.
bool PaletteBuilt(const SproxContext* context)
{
    return context->colors[255].blue != 0;
}

// The palette is built from the pattern's colour table when the caller found one
// (PatternColours), else from the context's colours, which it may write back.
void PaletteStep(SproxContext* context, const PaletteSource& source, SxPalette* paletteOut)
{
    SproxColor* table = source.colours != nullptr ? source.colours : context->colors;
    const bool writeBack = source.colours == nullptr || source.writeBack;
    BuildIdentityPalette(table, writeBack);
    for (int i = 0; i < 256; ++i) {
        const sys::PaletteEntry& e = gDisplay.logPalette.entries[i];
        context->colors[i] = {e.blue, e.green, e.red, 0};
    }
    if (paletteOut != nullptr) {
        sys::Gdi* gdi = sys::M().gdi();
        *paletteOut = gdi != nullptr
                          ? static_cast<SxPalette>(gdi->CreatePalette(&gDisplay.logPalette))
                          : nullptr;
    }
    if (gDisplay.backend == kBackendDirectDraw && context->ddPalette != nullptr) {
        if (sys::DirectDraw* dd = sys::M().ddraw()) {
            dd->SetPaletteEntries(context->ddPalette, 0, 256, gDisplay.logPalette.entries);
        }
    }
}

// The header of a new frame: WinG's recommended layout when it gives one (it
// chooses the row order), else a bottom-up 8-bit bitmap.
void FillHeader(SproxContext* context, int width, int height)
{
    sys::WinG* wing = gDisplay.backend == kBackendWinG ? sys::M().wing() : nullptr;
    if (wing != nullptr && wing->RecommendDIBFormat(&context->header)) {
        context->header.bitCount = kFrameBits;
        context->header.compression = 0;
        context->direction = context->header.height < 0 ? -1 : 1;
    } else {
        context->header = {};
        context->header.size = sizeof(SproxBitmapHeader);
        context->header.planes = 1;
        context->header.bitCount = kFrameBits;
        context->direction = 1;
    }
    context->header.width = width;
    context->header.height = context->direction * height;
}

uint8_t* AllocatePixels(int width, int height)
{
    return static_cast<uint8_t*>(
        sys::M().GlobalAlloc(static_cast<size_t>(RowBytes(width) * height)));
}

// Creates the frame described by the header. False when the memory or a bitmap
// could not be had; nothing is then left behind.
bool CreateFrame(SproxContext* context)
{
    sys::Gdi* gdi = sys::M().gdi();
    switch (gDisplay.backend) {
    case kBackendPlainDib:
        context->bits = AllocatePixels(context->width, context->height);
        return context->bits != nullptr;
    case kBackendWinG: {
        sys::WinG* wing = sys::M().wing();
        sys::Handle dc = wing != nullptr && gdi != nullptr ? wing->CreateDC() : nullptr;
        if (dc == nullptr) {
            return false;
        }
        uint8_t* bits = nullptr;
        sys::Handle bitmap = wing->CreateBitmap(dc, &context->header, context->colors, &bits);
        if (bitmap == nullptr || bits == nullptr) {
            if (bitmap != nullptr) {
                gdi->DeleteObject(bitmap);
            }
            gdi->DeleteDC(dc);
            return false;
        }
        context->hdc = dc;
        context->bits = bits;
        context->savedBitmap = gdi->SelectObject(dc, bitmap);
        return true;
    }
    case kBackendDibSection: {
        sys::Handle dc = gdi != nullptr ? gdi->CreateCompatibleDC(nullptr) : nullptr;
        if (dc == nullptr) {
            return false;
        }
        uint8_t* bits = nullptr;
        sys::Handle section = gdi->CreateDIBSection(dc, &context->header, context->colors,
                                                    sys::kDibRgbColors, &bits);
        if (section == nullptr || bits == nullptr) {
            if (section != nullptr) {
                gdi->DeleteObject(section);
            }
            gdi->DeleteDC(dc);
            return false;
        }
        context->dibDC = dc;
        context->dibBits = bits;
        context->bits = bits;
        context->hdc = dc;
        context->savedBitmap = gdi->SelectObject(dc, section);
        return true;
    }
    default:
        // Another context owns the screen: this frame gets memory when it returns.
        return true;
    }
}

// Copies the rows of the old picture that fit into the new frame, both frames
// aligned at their top-left corners.
void KeepPicture(const uint8_t* from, int oldWidth, int oldHeight, uint8_t* to, int width,
                 int height, int direction)
{
    int64_t fromStride = RowBytes(oldWidth);
    int64_t toStride = RowBytes(width);
    int copyWidth = std::min(oldWidth, width);
    int copyHeight = std::min(oldHeight, height);
    for (int y = 0; y < copyHeight; ++y) {
        int64_t fromRow = direction > 0 ? oldHeight - 1 - y : y;
        int64_t toRow = direction > 0 ? height - 1 - y : y;
        std::memcpy(to + toRow * toStride, from + fromRow * fromStride,
                    static_cast<size_t>(copyWidth));
    }
}

// Gives an existing frame the size in the header. The new memory is had before the
// old is let go, so that a failure leaves the old frame as it was.
bool ResizeFrame(SproxContext* context, int oldWidth, int oldHeight)
{
    sys::Gdi* gdi = sys::M().gdi();
    switch (gDisplay.backend) {
    case kBackendPlainDib: {
        uint8_t* bits = AllocatePixels(context->width, context->height);
        if (bits == nullptr) {
            return false;
        }
        sys::M().GlobalFree(context->bits);
        context->bits = bits;
        return true;
    }
    case kBackendWinG: {
        sys::WinG* wing = sys::M().wing();
        uint8_t* bits = nullptr;
        sys::Handle bitmap = wing != nullptr && gdi != nullptr
                                 ? wing->CreateBitmap(context->hdc, &context->header,
                                                      context->colors, &bits)
                                 : nullptr;
        if (bitmap == nullptr || bits == nullptr) {
            if (bitmap != nullptr) {
                gdi->DeleteObject(bitmap);
            }
            return false;
        }
        gdi->DeleteObject(gdi->SelectObject(context->hdc, bitmap));
        context->bits = bits;
        return true;
    }
    case kBackendDibSection: {
        uint8_t* bits = nullptr;
        sys::Handle section = gdi != nullptr
                                  ? gdi->CreateDIBSection(context->dibDC, &context->header,
                                                          context->colors, sys::kDibRgbColors,
                                                          &bits)
                                  : nullptr;
        if (section == nullptr || bits == nullptr) {
            if (section != nullptr) {
                gdi->DeleteObject(section);
            }
            return false;
        }
        KeepPicture(context->dibBits, oldWidth, oldHeight, bits, context->width,
                    context->height, context->direction);
        gdi->GdiFlush();
        context->dibBits = bits;
        context->bits = bits;
        context->hdc = context->dibDC;
        gdi->DeleteObject(gdi->SelectObject(context->dibDC, section));
        return true;
    }
    default:
        // The frame lives in a surface, which keeps its size.
        return true;
    }
}

} // namespace

void SproxSize(SproxContext* context, int width, int height, const PaletteSource& source,
               SxPalette* paletteOut)
{
    if (context == nullptr || context->self != context) {
        Report(kContextNotInitialised, "SproxSize");
        return;
    }
    if (paletteOut != nullptr || !PaletteBuilt(context)) {
        PaletteStep(context, source, paletteOut);
    }
    // Sizes of 0 or below ask for the palette only; a frame over 2 GB is refused.
    if (width <= 0 || height <= 0 || RowBytes(width) * height > kMaxFrameBytes) {
        return;
    }
    // A DIB section is rebuilt even at the same size, which takes the new colours in.
    if (width == context->width && height == context->height &&
        gDisplay.backend != kBackendDibSection) {
        return;
    }
    if (gDisplay.fullScreenOwner == context) {
        SproxScreenMode(context, kModeWindow);
    }

    int oldWidth = context->width;
    int oldHeight = context->height;
    SproxBitmapHeader oldHeader = context->header;
    bool frameExists = context->bits != nullptr;
    context->width = width;
    context->height = height;
    bool made;
    if (frameExists) {
        context->header.width = width;
        context->header.height = context->direction * height;
        made = ResizeFrame(context, oldWidth, oldHeight);
    } else {
        FillHeader(context, width, height);
        made = CreateFrame(context);
    }
    if (!made) {
        // A failed resize keeps the old frame; a failed creation leaves none.
        if (frameExists) {
            context->header = oldHeader;
            context->width = oldWidth;
            context->height = oldHeight;
        } else {
            context->header.width = 0;
            context->header.height = 0;
            context->width = 0;
            context->height = 0;
        }
    }
    RefreshDescription(context);
}

} // namespace sprox
