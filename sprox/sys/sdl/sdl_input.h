// The SDL machine's keys and joysticks.
//
// Keys: a Windows virtual-key code names one or two SDL scancodes (Shift, Control,
// Alt and Enter name both keys of their kind); letters are looked up through the
// current keyboard layout, as the system's letter codes follow the layout too. The
// state is SDL's keyboard state after pumping events, so it is the keyboard as SDL
// knows it now, not as the game's event loop has seen it.
//
// Joysticks: a slot opens a joystick on its first reading, SDL's joystick at the
// slot's device index unless another slot holds that one, else the first that no
// other slot holds, and keeps it (by its SDL instance id) while it is attached:
// unplugging one joystick moves no other player's. A slot whose joystick has gone
// reads as unplugged once and is free again. The machine has 16 slots, as the
// system does, so that a joystick plugged in after the first capture is found
// when a slot is tried again; a slot without a joystick reads as unplugged. Every axis reads 0..65534 with its rest at 32767
// (SDL's -32767..32767 moved up by 32767; -32768 reads 0), against capabilities of
// 0..65535; X, Y, Z, R are SDL axes 0 to 3 (an axis the joystick lacks rests at the
// centre); SDL button i is button i + 1. SDL's joystick subsystem is started by the
// first joystick call, never before; without it the machine has no joysticks.
#pragma once

#include <SDL2/SDL.h>

#include "sprox/sys/input.h"

namespace sys {

class SdlInput : public Input {
public:
    static constexpr uint32_t kJoystickSlots = 16;

    int16_t GetAsyncKeyState(int virtualKey) override;
    uint32_t JoyGetNumDevs() override;
    uint32_t JoyGetDevCaps(uint32_t joystick, JoyCaps* caps) override;
    uint32_t JoyGetPos(uint32_t joystick, JoyPosition* position) override;
    uint32_t JoyGetPosEx(void* entry, uint32_t joystick, uint32_t flags, JoyPosition* position) override;

private:
    bool JoysticksStarted();
    uint32_t Read(uint32_t joystick, JoyPosition* position);
    bool HeldByOther(uint32_t slot, SDL_JoystickID id) const;

    int joystickSupport_ = -1;  // -1 not tried yet, 0 unavailable, 1 started
    SDL_Joystick* opened_[kJoystickSlots] = {};
};

// The input facility of the SDL machine.
SdlInput& TheSdlInput();

} // namespace sys
