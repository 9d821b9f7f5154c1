// Rotate-zoom of a pattern into a frame: the view of the pattern, the row plan,
// the lock, and the rows drawn by the pure routines of blit/rotozoom.
#include <algorithm>
#include <cstdint>

#include "sprox/blit/rotozoom.h"
#include "sprox/display/backend.h"
#include "sprox/pattern/bitmap.h"
#include "sprox/pattern/pattern.h"
#include "sprox/pattern/put.h"

namespace sprox {

void RotoZoomPut(SproxContext* context, int x, int y, int pattern, int pivotX, int pivotY,
                 int angle, int zoom)
{
    const RotoPlace place{x, y, pivotX, pivotY, angle, zoom};
    if (context == nullptr || !RotoPlaceFits(place)) {
        return;
    }
    FrameView view;
    if (!PatBitmapView(&view, pattern)) {
        return;
    }
    RotoRows p{};
    const int64_t clipTop = std::max<int64_t>(context->clip.top, 0);
    const int64_t clipBottom = std::min(context->clip.bottom, context->height);
    const int64_t firstRow = RotoZoomPlan(place, view.width, view.height, clipTop, clipBottom, &p);
    if (firstRow < 0) {
        return;
    }
    if (!gDisplay.ops.lock(context)) {
        return;
    }
    p.row = context->bits + context->topOffset + firstRow * context->pitch;
    p.pitch = context->pitch;
    p.width = context->width;
    p.sourceBits = view.bits;
    p.sourceTopOffset = view.topOffset;
    p.sourcePitch = view.pitch;
    p.key = gPattern.patterns[pattern].keyColour;
    RotoZoomRows(&p);
    gDisplay.ops.unlock(context);
}

} // namespace sprox
