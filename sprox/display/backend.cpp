#include "sprox/display/backend.h"

#include <cstring>
#include <limits>

#include "sprox/core/registry.h"
#include "sprox/display/backend_ops.h"

namespace sprox {

DisplayState gDisplay{.ops = kBackendOps[kBackendPlainDib]};

void InstallOps()
{
    gDisplay.ops = gDisplay.backend >= kBackendPlainDib && gDisplay.backend <= kBackendDirectDraw
               ? kBackendOps[gDisplay.backend]
               : kBackendOps[kBackendPlainDib];
}

void RefreshDescription(SproxContext* context)
{
    if (context == nullptr) {
        return;
    }
    if (gDisplay.backend == kBackendDibSection) {
        context->hdc = context->dibDC;
        context->bits = context->dibBits;
        context->width = context->header.width;
        context->height = context->header.height;
        context->direction = 1;
        if (context->height < 0) {
            context->height = -context->height;
            context->direction = -1;
        }
    } else if (gDisplay.backend == kBackendDirectDraw) {
        // A locked surface is top-down; bits and hdc exist only while locked or
        // while a DC is out.
        context->bits = nullptr;
        context->hdc = nullptr;
        context->direction = -1;
    }
    context->clip = {0, 0, context->width, context->height};
    int64_t rowBits = int64_t{context->header.bitCount} * context->header.width + 31;
    int32_t stride = static_cast<int32_t>((rowBits & ~int64_t{31}) / 8);
    context->stride = stride;
    context->pitch = stride;
    context->topOffset = 0;
    if (context->direction > 0) {
        context->topOffset = (context->height - 1) * stride;
        context->pitch = -stride;
    }
}

void RefreshAllDescriptions()
{
    ForEachContext([](SproxContext* context) { RefreshDescription(context); });
}

int LockFrameView(FrameView* view, SproxContext* context)
{
    if (view == nullptr) {
        return 0;
    }
    if (!gDisplay.ops.lock(context)) {
        std::memset(view, 0, sizeof *view);
        return 0;
    }
    *view = {context->width, context->height, context->bits, context->topOffset, context->pitch,
             context->clip};
    return 1;
}

int32_t Scaled(int64_t v, int32_t scale)
{
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
    int64_t f = scale == 0 ? 1 : 2 * int64_t{scale};
    int64_t product;
    if (__builtin_mul_overflow(v, f, &product)) {
        return (v < 0) != (f < 0) ? static_cast<int32_t>(kMin) : static_cast<int32_t>(kMax);
    }
    int64_t result = product / 2;
    return static_cast<int32_t>(result > kMax ? kMax : result < kMin ? kMin : result);
}

} // namespace sprox
