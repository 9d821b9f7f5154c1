#include "sprox/pattern/bitmap.h"

#include <cstring>
#include <limits>

#include "sprox/pattern/pattern.h"
#include "sprox/pattern/put.h"
#include "sprox/sys/machine.h"

namespace sprox {
namespace {

constexpr size_t kPaletteSize = 1024;

// The record of pattern n when it is in use, else null.
PatternRecord* InUse(int n)
{
    if (static_cast<uint32_t>(n) >= gPattern.patternTop || gPattern.patterns[n].header == nullptr) {
        return nullptr;
    }
    return &gPattern.patterns[n];
}

// The palette of a header block: the block's address plus its first 32-bit value.
const uint8_t* PaletteOf(const uint8_t* header)
{
    uint32_t offset;
    std::memcpy(&offset, header, sizeof offset);
    return header + offset;
}

bool FitsInt32(int64_t v)
{
    return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}

} // namespace

int PatBitmapView(FrameView* view, int pattern)
{
    PatternRecord* r = InUse(pattern);
    if (view == nullptr || r == nullptr || r->width <= 0 || r->storedHeight <= 0) {
        return 0;
    }
    if (r->keyColour < 0) {
        // Each stored row is its segment word followed by the width's pixels; the
        // archive reader made sure they fit in the stride.
        const int64_t stride = r->stride;
        if (stride < int64_t{r->width} + 4) {
            return 0;
        }
        const int64_t topOffset = (r->storedHeight - 1) * stride + 4;
        if (!FitsInt32(topOffset) || !FitsInt32(stride)) {
            return 0;
        }
        // The view is only read through; FrameView has no read-only form.
        *view = {r->width, r->storedHeight, const_cast<uint8_t*>(r->data),
                 static_cast<int32_t>(topOffset), static_cast<int32_t>(-stride),
                 {0, 0, r->width, r->storedHeight}};
        return 1;
    }
    if (r->bitmapBits == nullptr && !PatToBitmap(pattern)) {
        return 0;
    }
    SproxBitmapHeader info;
    std::memcpy(&info, r->header, sizeof info);
    return DibView(view, &info, r->bitmapBits);
}

int PatToBitmap(int pattern)
{
    PatternRecord* r = InUse(pattern);
    if (r == nullptr) {
        return 0;
    }
    if (r->bitmapBits != nullptr) {
        return 1;
    }
    if (!PatAllocBitmap(PaletteOf(r->header), pattern, r->keyColour, r->storedHeight)) {
        return 0;
    }
    SproxBitmapHeader info;
    std::memcpy(&info, r->header, sizeof info);
    FrameView view;
    if (DibView(&view, &info, r->bitmapBits)) {
        // The hot spot at (hotX, hotY) puts the pattern's top-left corner on (0, 0).
        DrawRequest request{};
        request.pattern = static_cast<uint32_t>(pattern);
        request.x = r->hotX;
        request.y = r->hotY;
        PatDraw(&view, &request);
    }
    return 1;
}

int PatAllocBitmap(const uint8_t* palette, int pattern, int fill, int rows)
{
    PatternRecord* r = InUse(pattern);
    if (r == nullptr || r->width < 0 || rows < 0) {
        return 0;
    }
    const size_t rowBytes = (static_cast<size_t>(r->width) + 3) & ~size_t{3};
    const uint64_t size = kBitmapRowsOffset + uint64_t{static_cast<uint32_t>(rows)} * rowBytes;
    if (size > std::numeric_limits<size_t>::max()) {
        return 0;
    }
    auto* block = static_cast<uint8_t*>(sys::M().GlobalAlloc(static_cast<size_t>(size)));
    if (block == nullptr) {
        return 0;
    }
    SproxBitmapHeader info{};
    info.size = kBitmapHeaderSize;
    info.width = r->width;
    info.height = rows;
    info.planes = 1;
    info.bitCount = 8;
    std::memcpy(block, &info, sizeof info);
    if (palette != nullptr) {
        std::memcpy(block + kBitmapHeaderSize, palette, kPaletteSize);
    } else {
        std::memset(block + kBitmapHeaderSize, 0, kPaletteSize);
    }
    uint8_t* pixels = block + kBitmapRowsOffset;
    if (fill >= 0) {
        std::memset(pixels, fill & 0xFF, static_cast<size_t>(size) - kBitmapRowsOffset);
    }
    // A bitmap made before goes now (the palette may have come from it).
    uint8_t* previous = r->bitmapBits != nullptr ? r->header : nullptr;
    r->header = block;
    r->bitmapBits = pixels;
    if (previous != nullptr) {
        sys::M().GlobalFree(previous);
    }
    return 1;
}

int DibView(FrameView* view, const SproxBitmapHeader* info, uint8_t* bits)
{
    if (view == nullptr || info == nullptr || info->bitCount != 8 || info->compression != 0 ||
        info->width < 0 || info->height == std::numeric_limits<int32_t>::min()) {
        return 0;
    }
    const int64_t rowBytes = (int64_t{info->bitCount} * info->width + 31) / 32 * 4;
    int64_t height = info->height;
    int64_t topOffset = 0;
    int64_t pitch = rowBytes;
    if (height >= 0) {
        topOffset = (height - 1) * rowBytes;
        pitch = -rowBytes;
    } else {
        height = -height;
    }
    if (!FitsInt32(topOffset) || !FitsInt32(pitch)) {
        return 0;
    }
    *view = {info->width, static_cast<int32_t>(height), bits, static_cast<int32_t>(topOffset),
             static_cast<int32_t>(pitch), {0, 0, info->width, static_cast<int32_t>(height)}};
    return 1;
}

} // namespace sprox
