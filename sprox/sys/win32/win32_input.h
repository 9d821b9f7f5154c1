// The keys and joysticks of the Windows machine: the key-state call of the user
// interface and the joystick calls of the multimedia library, the extended
// position query through the entry point the core resolved. This header stays
// free of windows.h.
#pragma once

#include "sprox/sys/input.h"

namespace sys {

// The process-wide input facility of the Windows machine.
Input* Win32Input();

} // namespace sys
