// The contract against the Win32 machine: the system's DirectDraw and DirectSound
// (under Wine, on an ALSA null device), with a real test window.
#include "contract/machine.h"
#include "sprox/sys/machine.h"
#include "win32_display/screen.h"

namespace contract {
namespace {

void* Entry(const char* module, const char* name)
{
    HMODULE library = LoadLibraryA(module);
    return library != nullptr ? reinterpret_cast<void*>(GetProcAddress(library, name)) : nullptr;
}

} // namespace

Under& Machine()
{
    static win32test::TestWindow window(kWidth, kHeight);
    static Under under{sys::M().ddraw(), Entry("ddraw.dll", "DirectDrawCreate"), window.hwnd(),
                       sys::M().sound(), Entry("dsound.dll", "DirectSoundCreate"), nullptr, nullptr};
    return under;
}

} // namespace contract
