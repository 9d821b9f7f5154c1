#include "sprox/sys/machine.h"

namespace sys {

Machine& M()
{
    static Machine* const machine = PlatformMachine();
    return *machine;
}

} // namespace sys
