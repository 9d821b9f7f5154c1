// Input capture: keys and a joystick folded into input bits.
#pragma once

#include "sprox.h"

namespace sprox {

int CaptureInput(int configuration, InputState* result);
void JoystickRelease();

} // namespace sprox
