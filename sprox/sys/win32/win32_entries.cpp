#include "sprox/sys/win32/win32_entries.h"

#include "sprox/sys/win32/windows_api.h"

namespace sys {

bool AddressInLoadedModule(const void* address)
{
    HMODULE module = nullptr;
    return ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                    GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                static_cast<LPCSTR>(address), &module) != 0;
}

} // namespace sys
