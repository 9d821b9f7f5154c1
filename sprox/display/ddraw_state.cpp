#include "sprox/display/ddraw_state.h"

namespace sprox {

void* gDirectDrawCreate = nullptr;
void* gDirectDraw = nullptr;
sys::Surface gPrimary = nullptr;
sys::Surface gBackBuffer = nullptr;
sys::SurfaceDesc gSurfaceDesc;
SproxContext* gFullScreenOwner = nullptr;
DisplayMode gDisplayModes[kMaxDisplayModes];
int32_t gDisplayModeCount = 0;

} // namespace sprox
