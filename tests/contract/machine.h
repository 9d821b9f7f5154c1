// The machine a contract test program runs against. The cases of tests/contract
// are written once against the sys:: interfaces; each of the three test programs
// (the fake machine, the SDL machine, the Win32 machine) links one source that
// says how to reach its machine's facilities and what it cannot offer here.
#pragma once

#include "sprox/sys/ddraw.h"
#include "sprox/sys/sound.h"

namespace contract {

// The size of the display mode the exclusive cases set, and of their window.
inline constexpr int kWidth = 640;
inline constexpr int kHeight = 480;

struct Under {
    sys::DirectDraw* ddraw;
    void* ddrawEntry;          // what DirectDrawCreate is called through
    sys::Handle window;        // a window of kWidth x kHeight
    sys::Sound* sound;
    void* soundEntry;          // what DirectSoundCreate is called through
    // Why a facility cannot be seen on this machine, or null when it can.
    const char* noLostSurfaces;   // surfaces lost to a display-mode change
    const char* noPrimaryLock;    // the primary surface's memory under a lock
};

// The machine of this test program, made on first use.
Under& Machine();

} // namespace contract
