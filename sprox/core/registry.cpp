#include "sprox/core/registry.h"

#include <cstdlib>
#include <cstring>

namespace sprox {

RegistrySlot* gRegistry = nullptr;
int32_t gRegistrySlots = 0;
int32_t gContextCount = 0;

int RegisterContext(SproxContext* context)
{
    int32_t freeSlot = -1;
    for (int32_t i = 0; i < gRegistrySlots; ++i) {
        if (gRegistry[i].context == context) {
            return 1;
        }
        if (gRegistry[i].context == nullptr) {
            freeSlot = i;
        }
    }
    if (freeSlot < 0) {
        size_t size = (static_cast<size_t>(gRegistrySlots) + 1) * sizeof(RegistrySlot);
        auto* grown = static_cast<RegistrySlot*>(std::realloc(gRegistry, size));
        if (grown == nullptr) {
            return -1;
        }
        gRegistry = grown;
        freeSlot = gRegistrySlots++;
        std::memset(&gRegistry[freeSlot], 0, sizeof(RegistrySlot));
    }
    gRegistry[freeSlot].context = context;
    return 0;
}

bool UnregisterContext(SproxContext* context)
{
    bool found = false;
    int32_t lastOther = -1;
    for (int32_t i = 0; i < gRegistrySlots; ++i) {
        RegistrySlot& slot = gRegistry[i];
        if (slot.context == context) {
            std::free(slot.savedBuffer);
            std::memset(&slot, 0, sizeof slot);
            found = true;
        } else if (slot.context != nullptr) {
            lastOther = i;
        }
    }
    if (lastOther + 1 < gRegistrySlots) {
        gRegistrySlots = lastOther + 1;
        if (gRegistrySlots == 0) {
            std::free(gRegistry);
            gRegistry = nullptr;
        } else {
            // Shrinking keeps the block where it is if the system cannot move it.
            auto* shrunk = static_cast<RegistrySlot*>(
                std::realloc(gRegistry, static_cast<size_t>(gRegistrySlots) * sizeof(RegistrySlot)));
            if (shrunk != nullptr) {
                gRegistry = shrunk;
            }
        }
    }
    return found;
}

} // namespace sprox
