// The fake keyboard and joysticks. A test says which keys are down (by virtual-key
// code) and which joysticks the system has, with their capabilities, positions,
// buttons and failures, and reads back every query the library made.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "sprox/sys/input.h"

namespace fake {

struct FakeJoystick {
    sys::JoyCaps caps{0, 65535, 0, 65535, 0, 65535, 0, 65535};
    uint32_t capsError = 0;  // what JoyGetDevCaps answers; caps are filled only on 0
    sys::JoyPosition position{32767, 32767, 32767, 32767, 0};
    uint32_t readError = 0;  // what both position queries answer; position given only on 0

    void Unplug() { readError = sys::kJoyErrUnplugged; }
    void PlugIn() { readError = 0; }
    void Press(int button) { position.buttons |= 1u << (button - 1); }
};

class FakeInput : public sys::Input {
public:
    // --- What the machine has (set by tests) ---
    std::set<int> keysDown;              // virtual-key codes held now
    std::vector<FakeJoystick> joysticks; // the system's joysticks 0, 1, ...
    int numDevs = -1;                    // what JoyGetNumDevs answers; -1: joysticks.size()

    // --- What happened (read by tests) ---
    std::vector<int> keyQueries;         // virtual-key codes asked, in order
    std::vector<std::string> joyCalls;   // e.g. "caps 0", "pos 1", "posex 0 48F", in order

    // Position queries (plain or extended) made so far for one joystick.
    int Reads(uint32_t joystick) const;

    int16_t GetAsyncKeyState(int virtualKey) override;
    uint32_t JoyGetNumDevs() override;
    uint32_t JoyGetDevCaps(uint32_t joystick, sys::JoyCaps* caps) override;
    uint32_t JoyGetPos(uint32_t joystick, sys::JoyPosition* position) override;
    uint32_t JoyGetPosEx(void* entry, uint32_t joystick, uint32_t flags, sys::JoyPosition* position) override;
};

// The fake in use in this test process (the fake machine's input facility).
FakeInput& input();

} // namespace fake
