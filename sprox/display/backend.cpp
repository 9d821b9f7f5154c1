#include "sprox/display/backend.h"

#include <cstring>

namespace sprox {
namespace {

// Back-end 0 until the back-ends land: memory that is always addressable, and no
// presentation.
int AlwaysLocked(SproxContext*) { return 1; }
void NoUnlock(SproxContext*) {}
void* NoDC(SproxContext*) { return nullptr; }
void NoRelease(SproxContext*) {}
int NoPresent(void*, int, int, int, int, SproxContext*, int, int) { return 0; }
int NoCopy(SproxContext*, int, int, int, int, SproxContext*, int, int) { return 0; }

} // namespace

int32_t gBackend = kBackendPlainDib;
BackendOps gOps = {AlwaysLocked, NoUnlock, NoDC, NoRelease, NoPresent, NoCopy};

void InstallOps() {}

void RefreshDescription(SproxContext*) {}

int LockFrameView(FrameView* view, SproxContext* context)
{
    if (view == nullptr) {
        return 0;
    }
    if (!gOps.lock(context)) {
        std::memset(view, 0, sizeof *view);
        return 0;
    }
    *view = {context->width, context->height, context->bits, context->topOffset, context->pitch,
             context->clip};
    return 1;
}

} // namespace sprox
