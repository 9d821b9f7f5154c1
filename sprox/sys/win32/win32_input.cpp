#include "sprox/sys/win32/win32_input.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <mmsystem.h>

namespace sys {
namespace {

// The records the joystick calls fill, at the sizes the system expects.
static_assert(sizeof(JOYCAPSA) == 404);
static_assert(sizeof(JOYINFOEX) == 52);
// Error numbers go through unchanged: the boundary's values are the system's.
static_assert(kJoyErrParms == JOYERR_PARMS && kJoyErrUnplugged == JOYERR_UNPLUGGED);

using JoyGetPosExFn = MMRESULT(WINAPI*)(UINT joystick, LPJOYINFOEX info);

class Win32InputFacility : public Input {
public:
    int16_t GetAsyncKeyState(int virtualKey) override { return ::GetAsyncKeyState(virtualKey); }

    uint32_t JoyGetNumDevs() override { return ::joyGetNumDevs(); }

    uint32_t JoyGetDevCaps(uint32_t joystick, JoyCaps* caps) override
    {
        JOYCAPSA record{};
        MMRESULT result = ::joyGetDevCapsA(joystick, &record, sizeof record);
        if (result == JOYERR_NOERROR) {
            *caps = {record.wXmin, record.wXmax, record.wYmin, record.wYmax,
                     record.wZmin, record.wZmax, record.wRmin, record.wRmax};
        }
        return result;
    }

    uint32_t JoyGetPos(uint32_t joystick, JoyPosition* position) override
    {
        JOYINFO info{};
        MMRESULT result = ::joyGetPos(joystick, &info);
        if (result == JOYERR_NOERROR) {
            position->x = info.wXpos;
            position->y = info.wYpos;
            position->z = info.wZpos;
            position->buttons = info.wButtons;
        }
        return result;
    }

    uint32_t JoyGetPosEx(void* entry, uint32_t joystick, uint32_t flags, JoyPosition* position) override
    {
        if (entry == nullptr) {
            return JOYERR_PARMS;
        }
        JOYINFOEX info{};
        info.dwSize = sizeof info;
        info.dwFlags = flags;
        MMRESULT result = reinterpret_cast<JoyGetPosExFn>(entry)(joystick, &info);
        if (result == JOYERR_NOERROR) {
            *position = {info.dwXpos, info.dwYpos, info.dwZpos, info.dwRpos, info.dwButtons};
        }
        return result;
    }
};

} // namespace

Input* Win32Input()
{
    static Win32InputFacility input;
    return &input;
}

} // namespace sys
