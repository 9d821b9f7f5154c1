#include "sprox/input/capture.h"

namespace sprox {

// Not built yet: nothing is read.
int CaptureInput(int, InputState*) { return 0; }
void JoystickRelease() {}

} // namespace sprox
