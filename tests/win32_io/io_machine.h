// The machine of the sound and input tests: the real module loader, memory,
// files and clock of Windows, with the Windows sound and input facilities. It
// records the modules the core loads and frees, and records message boxes
// instead of showing them, so that no test ever waits for a box.
#pragma once

#include <string>
#include <vector>

#include "sprox/sys/machine.h"

namespace io {

struct Record {
    std::vector<std::string> loaded;  // modules loaded, by the name asked for
    std::vector<std::string> missing; // names whose load failed
    std::vector<std::string> freed;   // modules freed, by the name they were loaded under
    std::vector<std::string> boxes;   // "caption: text" of every message box
};

// What the machine has done in this test process.
Record& Log();

} // namespace io
