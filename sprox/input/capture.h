// sprox/input/: the input subsystem: input configurations and their capture from
// keyboard and joystick. May include blit/, core/ and sys/.
//
// Input capture: the keys of one of eight process-wide input configurations and the
// joystick it names, folded into one set of input bits with the joystick's axes.
#pragma once

#include "sprox.h"

namespace sprox {

// Number of input configurations; a capture takes one of 0 to kInputConfigs - 1.
inline constexpr int kInputConfigs = 8;

// Reads the keys and the joystick of the configuration and returns the input bits;
// the result record, when given, also gets the bits and the axes. A configuration
// number outside 0 to 7 reads nothing: it returns 0 and zeroes the record.
int CaptureInput(int configuration, InputState* result);

// Frees the joystick library that the first capture loaded. Later captures keep
// the joystick count and ranges and read through the plain joystick query.
void JoystickRelease();

} // namespace sprox
