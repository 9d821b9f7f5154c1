// Entry points of the run-time libraries, bound where the display calls them.
// The display resolves CreateDIBSection and the five WinG functions by name through
// the machine when it chooses its back-end; the machine hands each resolution to
// the facility that calls it, and those calls go through exactly that address.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>

namespace sys {

// Whether address still lies in a loaded module (after a FreeModule the module may
// be gone, or still held by another load of it).
bool AddressInLoadedModule(const void* address);

template <size_t N>
class BoundEntries {
public:
    explicit constexpr BoundEntries(std::array<const char*, N> names) : names_(names) {}

    // Keeps the address of an entry point of this table's names.
    void Resolved(const char* name, void* address)
    {
        for (size_t i = 0; i < N; ++i) {
            if (std::strcmp(names_[i], name) == 0) {
                addresses_[i] = address;
            }
        }
    }

    // A module was freed: entries whose code is no longer loaded are forgotten.
    void ModuleFreed()
    {
        for (void*& address : addresses_) {
            if (address != nullptr && !AddressInLoadedModule(address)) {
                address = nullptr;
            }
        }
    }

    // The address bound to entry i, as a function pointer; null when unbound.
    template <typename Function>
    Function Get(size_t i) const
    {
        return reinterpret_cast<Function>(addresses_[i]);
    }

private:
    std::array<const char*, N> names_;
    std::array<void*, N> addresses_{};
};

} // namespace sys
