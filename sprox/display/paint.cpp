// SX_Paint and SX_Clear. Paint treats the frame as a torus: the view that starts
// at the scroll origin wraps around the right and bottom edges, and is presented
// in up to four pieces.
#include <algorithm>
#include <cstring>

#include "sprox/display/backend.h"
#include "sprox/display/frame.h"
#include "sprox/sys/ddraw.h"
#include "sprox/sys/gdi.h"
#include "sprox/sys/machine.h"

namespace sprox {
namespace {

// A scroll origin brought into 0..size: negative values come up to 0..size - 1,
// values above size come down to 1..size.
int Wrap(int origin, int size)
{
    if (origin < 0) {
        origin %= size;
        return origin < 0 ? origin + size : origin;
    }
    if (origin > size) {
        origin %= size;
        return origin == 0 ? size : origin;
    }
    return origin;
}

bool HasFrame(const SproxContext* context)
{
    return context != nullptr && context->width > 0 && context->height > 0;
}

} // namespace

void SproxPaint(SproxContext* context, void* target, int x, int y)
{
    if (!HasFrame(context)) {
        return;
    }
    int width = context->width;
    int height = context->height;
    int viewW = context->viewWidth != 0 ? context->viewWidth : width;
    int viewH = context->viewHeight != 0 ? context->viewHeight : height;
    if (sys::Gdi* gdi = sys::M().gdi()) {
        gdi->SetStretchBltMode(target, sys::kColorOnColor);
    }
    if (context->scrollX == 0 && context->scrollY == 0 && viewW <= width && viewH <= height) {
        gDisplay.ops.present(target, x, y, viewW, viewH, context, 0, 0);
        return;
    }
    int sx = Wrap(context->scrollX, width);
    int sy = Wrap(context->scrollY, height);
    int c = std::min(viewW, width - sx);   // columns from sx to the right edge
    int a = std::min(viewW - c, width);    // columns wrapped around from the left edge
    int d = std::min(viewH, height - sy);  // rows from sy to the bottom edge
    int b = std::min(viewH - d, height);   // rows wrapped around from the top edge
    if (a > 0) {
        gDisplay.ops.present(target, x + c, y, a, d, context, 0, sy);
    }
    if (b > 0) {
        gDisplay.ops.present(target, x, y + d, c, b, context, sx, 0);
        if (a > 0) {
            gDisplay.ops.present(target, x + c, y + d, a, b, context, 0, 0);
        }
    }
    gDisplay.ops.present(target, x, y, c, d, context, sx, sy);
}

void SproxClear(SproxContext* context, int colour)
{
    if (!HasFrame(context)) {
        return;
    }
    if (context->surface != nullptr) {
        sys::DirectDraw* dd = sys::M().ddraw();
        SproxRect all = {0, 0, context->width, context->height};
        if (dd != nullptr &&
            dd->ColorFill(context->surface, &all, static_cast<uint32_t>(colour), 0) == sys::kDDOk) {
            return;
        }
    }
    if (!gDisplay.ops.lock(context)) {
        return;
    }
    // Only the width of each row is filled; the padding after it stays as it was.
    auto value = static_cast<uint8_t>(colour);
    size_t width = static_cast<size_t>(context->width);
    if (context->width == context->stride) {
        std::memset(context->bits, value, width * static_cast<size_t>(context->height));
    } else {
        uint8_t* row = context->bits;
        for (int y = 0; y < context->height; ++y, row += context->stride) {
            std::memset(row, value, width);
        }
    }
    gDisplay.ops.unlock(context);
}

} // namespace sprox
