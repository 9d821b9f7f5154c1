// The eight process-wide input configurations: which keys set which input bits, and
// which joystick a configuration reads.
#pragma once

#include <cstdint>

#include "sprox/input/capture.h"

namespace sprox {

// Places in a configuration's key list; the list ends at the first place whose
// mask is 0, so it holds at most kKeyPlaces - 1 pairs.
inline constexpr int kKeyPlaces = 42;

struct KeyBinding {
    uint32_t mask;  // input bits the key sets
    uint32_t key;   // virtual-key code
};

struct InputConfig {
    uint16_t joystick;  // joystick to read, numbered from 1; 0 for none
    uint32_t retryAt;   // system time (ms) before which the joystick is not read; 0 for none
    KeyBinding keys[kKeyPlaces];
};

// Virtual-key codes of the keys the built-in configurations and the capture use.
namespace vk {
inline constexpr uint32_t kEnter = 0x0D;
inline constexpr uint32_t kShift = 0x10;
inline constexpr uint32_t kEscape = 0x1B;
inline constexpr uint32_t kSpace = 0x20;
inline constexpr uint32_t kLeft = 0x25;
inline constexpr uint32_t kUp = 0x26;
inline constexpr uint32_t kRight = 0x27;
inline constexpr uint32_t kDown = 0x28;
inline constexpr uint32_t kPad0 = 0x60;
inline constexpr uint32_t kPad2 = 0x62;
inline constexpr uint32_t kPad4 = 0x64;
inline constexpr uint32_t kPad5 = 0x65;
inline constexpr uint32_t kPad6 = 0x66;
inline constexpr uint32_t kPad8 = 0x68;
inline constexpr uint32_t kF2 = 0x71;
} // namespace vk

// Buttons 1 to 10 set the bits 0x10 to 0x2000.
constexpr uint32_t ButtonBit(int n) { return 0x10u << (n - 1); }

inline constexpr int kMaxJoysticks = 8;

// Centre and half range of each axis of one system joystick; all 0 until measured.
struct JoystickRange {
    uint32_t centreX, halfX;
    uint32_t centreY, halfY;
    uint32_t centreZ, halfZ;
    uint32_t centreR, halfR;
};

struct JoystickState {
    int count = -1;          // joysticks the system reports (at most 8); -1 before the first capture
    void* winmm = nullptr;   // the joystick library, while it is held
    void* posEx = nullptr;   // its extended query, when it has one
};

// Everything the input subsystem keeps.
struct InputTables {
    // The configurations, 0 to 7. The first three are built in; the rest read no
    // joystick and no keys. Only retryAt (the joystick pause) changes while the
    // library runs.
    InputConfig configs[kInputConfigs];
    // The joysticks, measured at the first capture.
    JoystickRange ranges[kMaxJoysticks];
    JoystickState joysticks;
};

extern InputTables gInput;

} // namespace sprox
