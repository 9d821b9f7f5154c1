#include "sprox/sys/sdl/sdl_input.h"

#include <array>

#include "sprox/sys/sdl/sdl_machine.h"

namespace sys {
namespace {

// The SDL keys behind one virtual-key code; SDL_SCANCODE_UNKNOWN where there is none.
struct KeyPlaces {
    SDL_Scancode first = SDL_SCANCODE_UNKNOWN;
    SDL_Scancode second = SDL_SCANCODE_UNKNOWN;
};

using KeyTable = std::array<KeyPlaces, 256>;

constexpr SDL_Scancode Offset(SDL_Scancode base, int n)
{
    return static_cast<SDL_Scancode>(static_cast<int>(base) + n);
}

// Virtual-key code -> scancodes by position on a US keyboard.
constexpr KeyTable BuildKeyTable()
{
    KeyTable t{};
    t[0x08] = {SDL_SCANCODE_BACKSPACE};
    t[0x09] = {SDL_SCANCODE_TAB};
    t[0x0C] = {SDL_SCANCODE_CLEAR};
    t[0x0D] = {SDL_SCANCODE_RETURN, SDL_SCANCODE_KP_ENTER};
    t[0x10] = {SDL_SCANCODE_LSHIFT, SDL_SCANCODE_RSHIFT};
    t[0x11] = {SDL_SCANCODE_LCTRL, SDL_SCANCODE_RCTRL};
    t[0x12] = {SDL_SCANCODE_LALT, SDL_SCANCODE_RALT};
    t[0x13] = {SDL_SCANCODE_PAUSE};
    t[0x14] = {SDL_SCANCODE_CAPSLOCK};
    t[0x1B] = {SDL_SCANCODE_ESCAPE};
    t[0x20] = {SDL_SCANCODE_SPACE};
    t[0x21] = {SDL_SCANCODE_PAGEUP};
    t[0x22] = {SDL_SCANCODE_PAGEDOWN};
    t[0x23] = {SDL_SCANCODE_END};
    t[0x24] = {SDL_SCANCODE_HOME};
    t[0x25] = {SDL_SCANCODE_LEFT};
    t[0x26] = {SDL_SCANCODE_UP};
    t[0x27] = {SDL_SCANCODE_RIGHT};
    t[0x28] = {SDL_SCANCODE_DOWN};
    t[0x2C] = {SDL_SCANCODE_PRINTSCREEN};
    t[0x2D] = {SDL_SCANCODE_INSERT};
    t[0x2E] = {SDL_SCANCODE_DELETE};
    t['0'] = {SDL_SCANCODE_0};
    for (int n = 1; n <= 9; ++n) {
        t['0' + n] = {Offset(SDL_SCANCODE_1, n - 1)};
    }
    for (int n = 0; n < 26; ++n) {
        t['A' + n] = {Offset(SDL_SCANCODE_A, n)};
    }
    t[0x5B] = {SDL_SCANCODE_LGUI};
    t[0x5C] = {SDL_SCANCODE_RGUI};
    t[0x5D] = {SDL_SCANCODE_APPLICATION};
    t[0x60] = {SDL_SCANCODE_KP_0};
    for (int n = 1; n <= 9; ++n) {
        t[0x60 + n] = {Offset(SDL_SCANCODE_KP_1, n - 1)};
    }
    t[0x6A] = {SDL_SCANCODE_KP_MULTIPLY};
    t[0x6B] = {SDL_SCANCODE_KP_PLUS};
    t[0x6C] = {SDL_SCANCODE_KP_COMMA};
    t[0x6D] = {SDL_SCANCODE_KP_MINUS};
    t[0x6E] = {SDL_SCANCODE_KP_PERIOD};
    t[0x6F] = {SDL_SCANCODE_KP_DIVIDE};
    for (int n = 0; n < 12; ++n) {
        t[0x70 + n] = {Offset(SDL_SCANCODE_F1, n)};   // F1..F12
        t[0x7C + n] = {Offset(SDL_SCANCODE_F13, n)};  // F13..F24
    }
    t[0x90] = {SDL_SCANCODE_NUMLOCKCLEAR};
    t[0x91] = {SDL_SCANCODE_SCROLLLOCK};
    t[0xA0] = {SDL_SCANCODE_LSHIFT};
    t[0xA1] = {SDL_SCANCODE_RSHIFT};
    t[0xA2] = {SDL_SCANCODE_LCTRL};
    t[0xA3] = {SDL_SCANCODE_RCTRL};
    t[0xA4] = {SDL_SCANCODE_LALT};
    t[0xA5] = {SDL_SCANCODE_RALT};
    t[0xBA] = {SDL_SCANCODE_SEMICOLON};
    t[0xBB] = {SDL_SCANCODE_EQUALS};
    t[0xBC] = {SDL_SCANCODE_COMMA};
    t[0xBD] = {SDL_SCANCODE_MINUS};
    t[0xBE] = {SDL_SCANCODE_PERIOD};
    t[0xBF] = {SDL_SCANCODE_SLASH};
    t[0xC0] = {SDL_SCANCODE_GRAVE};
    t[0xDB] = {SDL_SCANCODE_LEFTBRACKET};
    t[0xDC] = {SDL_SCANCODE_BACKSLASH};
    t[0xDD] = {SDL_SCANCODE_RIGHTBRACKET};
    t[0xDE] = {SDL_SCANCODE_APOSTROPHE};
    t[0xE2] = {SDL_SCANCODE_NONUSBACKSLASH};
    return t;
}

constexpr KeyTable kKeyTable = BuildKeyTable();

// The keys of a virtual-key code. A letter is the key that types it in the current
// layout; a layout without the letter falls back to its US position.
KeyPlaces KeysOf(int virtualKey)
{
    KeyPlaces places = kKeyTable[static_cast<size_t>(virtualKey)];
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        SDL_Scancode byLayout = SDL_GetScancodeFromKey(static_cast<SDL_Keycode>('a' + (virtualKey - 'A')));
        if (byLayout != SDL_SCANCODE_UNKNOWN) {
            places.first = byLayout;
        }
    }
    return places;
}

constexpr uint32_t kAxisMax = 65535;
constexpr uint32_t kAxisRest = 32767;

uint32_t AxisPosition(SDL_Joystick* stick, int axis)
{
    if (axis >= SDL_JoystickNumAxes(stick)) {
        return kAxisRest;
    }
    int value = SDL_JoystickGetAxis(stick, axis);
    return value <= -32767 ? 0 : static_cast<uint32_t>(value + 32767);
}

uint32_t Buttons(SDL_Joystick* stick)
{
    uint32_t buttons = 0;
    int count = SDL_JoystickNumButtons(stick);
    for (int b = 0; b < count && b < 32; ++b) {
        if (SDL_JoystickGetButton(stick, b) != 0) {
            buttons |= 1u << b;
        }
    }
    return buttons;
}

} // namespace

int16_t SdlInput::GetAsyncKeyState(int virtualKey)
{
    if (virtualKey < 0 || virtualKey >= static_cast<int>(kKeyTable.size())) {
        return 0;
    }
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        SDL_PumpEvents();
    }
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    KeyPlaces places = KeysOf(virtualKey);
    for (SDL_Scancode code : {places.first, places.second}) {
        if (code != SDL_SCANCODE_UNKNOWN && code < count && state[code] != 0) {
            return static_cast<int16_t>(0x8000);
        }
    }
    return 0;
}

bool SdlInput::JoysticksStarted()
{
    if (joystickSupport_ < 0) {
        joystickSupport_ = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0 ? 1 : 0;
    }
    return joystickSupport_ == 1;
}

uint32_t SdlInput::JoyGetNumDevs()
{
    return JoysticksStarted() ? kJoystickSlots : 0;
}

uint32_t SdlInput::JoyGetDevCaps(uint32_t joystick, JoyCaps* caps)
{
    if (!JoysticksStarted() || joystick >= kJoystickSlots) {
        return kJoyErrParms;
    }
    *caps = {0, kAxisMax, 0, kAxisMax, 0, kAxisMax, 0, kAxisMax};
    return 0;
}

// Whether another slot than `slot` holds the joystick with SDL instance id `id`.
bool SdlInput::HeldByOther(uint32_t slot, SDL_JoystickID id) const
{
    for (uint32_t k = 0; k < kJoystickSlots; ++k) {
        if (k != slot && opened_[k] != nullptr && SDL_JoystickInstanceID(opened_[k]) == id) {
            return true;
        }
    }
    return false;
}

// A slot stays bound to the joystick it opened, whatever SDL's device indices do
// when another is unplugged. When its joystick has gone the reading fails (the
// caller then leaves the slot alone for a while) and the slot is free again; a
// free slot opens SDL's joystick at its own device index if no other slot holds
// it, else the first joystick that no other slot holds.
uint32_t SdlInput::Read(uint32_t joystick, JoyPosition* position)
{
    if (!JoysticksStarted() || joystick >= kJoystickSlots) {
        return kJoyErrParms;
    }
    SDL_JoystickUpdate();
    SDL_Joystick*& stick = opened_[joystick];
    if (stick != nullptr && !SDL_JoystickGetAttached(stick)) {
        SDL_JoystickClose(stick);
        stick = nullptr;
        return kJoyErrUnplugged;
    }
    if (stick == nullptr) {
        const int count = SDL_NumJoysticks();
        const int own = static_cast<int>(joystick);
        int chosen = own < count && !HeldByOther(joystick, SDL_JoystickGetDeviceInstanceID(own)) ? own : -1;
        for (int i = 0; i < count && chosen < 0; ++i) {
            if (!HeldByOther(joystick, SDL_JoystickGetDeviceInstanceID(i))) {
                chosen = i;
            }
        }
        stick = chosen >= 0 ? SDL_JoystickOpen(chosen) : nullptr;
        if (stick == nullptr) {
            return kJoyErrUnplugged;
        }
    }
    position->x = AxisPosition(stick, 0);
    position->y = AxisPosition(stick, 1);
    position->z = AxisPosition(stick, 2);
    position->r = AxisPosition(stick, 3);
    position->buttons = Buttons(stick);
    return 0;
}

uint32_t SdlInput::JoyGetPos(uint32_t joystick, JoyPosition* position)
{
    JoyPosition reading{};
    uint32_t error = Read(joystick, &reading);
    if (error == 0) {
        position->x = reading.x;
        position->y = reading.y;
        position->z = reading.z;
        position->buttons = reading.buttons;
    }
    return error;
}

// The axes are centred by the mapping itself, so every field the flags may ask for
// is given.
uint32_t SdlInput::JoyGetPosEx(void* entry, uint32_t joystick, uint32_t, JoyPosition* position)
{
    if (entry == nullptr) {
        return kJoyErrParms;
    }
    return Read(joystick, position);
}

SdlInput& TheSdlInput()
{
    static SdlInput input;
    return input;
}

Input* SdlMachine::input() { return &TheSdlInput(); }

} // namespace sys
