// The context registry: every context initialised through SX_Init, in slots of a
// growable array. A slot is free when its context is null. The array grows by one
// slot at a time and shrinks when trailing slots become free.
#pragma once

#include <cstdint>

#include "sprox.h"

namespace sprox {

// One slot. Only context is kept here; the other fields belong to full screen.
// savedRect, savedStride and savedBuffer may hold a saved picture (savedBuffer is
// then malloc memory); inVideoMemory is 1 while the context's full-screen surface
// lies in video memory.
struct RegistrySlot {
    SproxContext* context;
    SproxRect savedRect;
    int32_t savedStride;
    uint8_t* savedBuffer;
    int32_t inVideoMemory;
};
static_assert(sizeof(void*) != 4 || sizeof(RegistrySlot) == 32);

extern RegistrySlot* gRegistry;
extern int32_t gRegistrySlots;
// Contexts initialised through SX_Init and not yet ended.
extern int32_t gContextCount;

// 0 when the context was entered now; 1 when it was already registered; -1 when
// the registry could not grow.
int RegisterContext(SproxContext* context);
// True when the context was found and removed.
bool UnregisterContext(SproxContext* context);

// Calls visit for every registered context, in slot order.
template <typename Visit>
void ForEachContext(Visit visit)
{
    for (int32_t i = 0; i < gRegistrySlots; ++i) {
        if (gRegistry[i].context != nullptr) {
            visit(gRegistry[i].context);
        }
    }
}

} // namespace sprox
