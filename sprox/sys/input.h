// Keys and joysticks, shaped after the system's key-state call and its multimedia
// joystick calls. The core decides which keys and which joystick to read and what
// the readings mean; the machine only answers single queries.
//
// Joysticks are numbered from 0 as the system numbers them. Every joystick call
// answers 0 for success or the system's error number; the core only tells 0 from
// the rest.
#pragma once

#include <cstdint>

namespace sys {

// Error numbers of the joystick calls that the machines give.
inline constexpr uint32_t kJoyErrParms = 165;      // no such joystick
inline constexpr uint32_t kJoyErrUnplugged = 167;  // the joystick is not connected

// The axis limits of a joystick's capabilities: the only fields of the system's
// capabilities record that the core reads.
struct JoyCaps {
    uint32_t xMin, xMax;
    uint32_t yMin, yMax;
    uint32_t zMin, zMax;
    uint32_t rMin, rMax;
};

// One reading of a joystick: four axis positions and the buttons pressed (button n
// is bit n - 1).
struct JoyPosition {
    uint32_t x, y, z, r;
    uint32_t buttons;
};

struct Input {
    virtual ~Input() = default;

    // The state of a key now, by its virtual-key code: the top bit is set while the
    // key is down. Not taken from any window's message queue.
    virtual int16_t GetAsyncKeyState(int virtualKey) = 0;

    // The number of joysticks the system supports.
    virtual uint32_t JoyGetNumDevs() = 0;

    // Fills the axis limits of a joystick's capabilities.
    virtual uint32_t JoyGetDevCaps(uint32_t joystick, JoyCaps* caps) = 0;

    // The plain query: fills x, y, z and the buttons as the system gives them and
    // leaves r as it is.
    virtual uint32_t JoyGetPos(uint32_t joystick, JoyPosition* position) = 0;

    // The extended query, through the entry point that FindEntry resolved for
    // "joyGetPosEx" in the module "WINMM.DLL"; only called with that entry. flags
    // are the system's JOY_RETURN* bits naming the fields wanted.
    virtual uint32_t JoyGetPosEx(void* entry, uint32_t joystick, uint32_t flags,
                                 JoyPosition* position) = 0;
};

} // namespace sys
