// The machine of the Windows build. In a file of its own, so that a test program
// can provide a machine of its own that wraps the real one.
#include "sprox/sys/win32/win32_machine.h"

namespace sys {

Machine* PlatformMachine()
{
    static Win32Machine machine;
    return &machine;
}

} // namespace sys
