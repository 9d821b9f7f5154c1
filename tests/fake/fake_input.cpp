#include "fake/fake_input.h"

#include <cstdio>

namespace fake {

int FakeInput::Reads(uint32_t joystick) const
{
    std::string plain = "pos " + std::to_string(joystick);
    std::string extended = "posex " + std::to_string(joystick) + " ";
    int reads = 0;
    for (const std::string& call : joyCalls) {
        if (call == plain || call.rfind(extended, 0) == 0) {
            ++reads;
        }
    }
    return reads;
}

int16_t FakeInput::GetAsyncKeyState(int virtualKey)
{
    keyQueries.push_back(virtualKey);
    return keysDown.count(virtualKey) != 0 ? static_cast<int16_t>(0x8000) : 0;
}

uint32_t FakeInput::JoyGetNumDevs()
{
    joyCalls.push_back("numdevs");
    return numDevs >= 0 ? static_cast<uint32_t>(numDevs) : static_cast<uint32_t>(joysticks.size());
}

uint32_t FakeInput::JoyGetDevCaps(uint32_t joystick, sys::JoyCaps* caps)
{
    joyCalls.push_back("caps " + std::to_string(joystick));
    if (joystick >= joysticks.size()) {
        return sys::kJoyErrParms;
    }
    const FakeJoystick& stick = joysticks[joystick];
    if (stick.capsError == 0) {
        *caps = stick.caps;
    }
    return stick.capsError;
}

uint32_t FakeInput::JoyGetPos(uint32_t joystick, sys::JoyPosition* position)
{
    joyCalls.push_back("pos " + std::to_string(joystick));
    if (joystick >= joysticks.size()) {
        return sys::kJoyErrParms;
    }
    const FakeJoystick& stick = joysticks[joystick];
    if (stick.readError == 0) {
        position->x = stick.position.x;
        position->y = stick.position.y;
        position->z = stick.position.z;
        position->buttons = stick.position.buttons;
    }
    return stick.readError;
}

uint32_t FakeInput::JoyGetPosEx(void* entry, uint32_t joystick, uint32_t flags, sys::JoyPosition* position)
{
    char flagText[16];
    std::snprintf(flagText, sizeof flagText, "%X", static_cast<unsigned>(flags));
    joyCalls.push_back("posex " + std::to_string(joystick) + " " + flagText);
    if (entry == nullptr || joystick >= joysticks.size()) {
        return sys::kJoyErrParms;
    }
    const FakeJoystick& stick = joysticks[joystick];
    if (stick.readError == 0) {
        *position = stick.position;
    }
    return stick.readError;
}

FakeInput& input()
{
    static FakeInput fake;
    return fake;
}

} // namespace fake
