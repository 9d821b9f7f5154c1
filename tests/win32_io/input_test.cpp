// The Windows input facility: joystick calls answered as the system answers them
// (under Wine, with no joystick, every query of joysticks 0 and 1 fails), and
// keys pressed through SendInput read through the key state and the capture.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "windows_headers.h"

#include "io_machine.h"
#include "sprox.h"
#include "sprox/sys/input.h"
#include "sprox/sys/win32/win32_input.h"

namespace {

constexpr DWORD kPosExFlags = JOY_RETURNX | JOY_RETURNY | JOY_RETURNZ | JOY_RETURNR | JOY_RETURNBUTTONS |
                              JOY_RETURNCENTERED;

TEST(Win32Joysticks, AnswerAsTheSystemDoesAndFillNothingOnFailure)
{
    sys::Input* input = sys::Win32Input();
    EXPECT_EQ(::joyGetNumDevs(), input->JoyGetNumDevs());
    HMODULE winmm = ::LoadLibraryA("WINMM.DLL");
    ASSERT_NE(nullptr, winmm);
    void* posEx = reinterpret_cast<void*>(::GetProcAddress(winmm, "joyGetPosEx"));
    ASSERT_NE(nullptr, posEx);

    for (UINT j = 0; j < 2; ++j) {
        SCOPED_TRACE(j);
        JOYCAPSA rawCaps{};
        sys::JoyCaps caps{1, 2, 3, 4, 5, 6, 7, 8};
        uint32_t result = input->JoyGetDevCaps(j, &caps);
        ASSERT_EQ(::joyGetDevCapsA(j, &rawCaps, sizeof rawCaps), result);
        if (result == JOYERR_NOERROR) {
            EXPECT_EQ(rawCaps.wXmax, caps.xMax);
            EXPECT_EQ(rawCaps.wRmax, caps.rMax);
        } else {
            EXPECT_EQ(1u, caps.xMin);
            EXPECT_EQ(8u, caps.rMax);
        }

        JOYINFO rawPosition{};
        sys::JoyPosition position{11, 12, 13, 14, 15};
        result = input->JoyGetPos(j, &position);
        ASSERT_EQ(::joyGetPos(j, &rawPosition), result);
        EXPECT_EQ(14u, position.r);  // the plain query has no R axis
        if (result != JOYERR_NOERROR) {
            EXPECT_EQ(11u, position.x);
            EXPECT_EQ(15u, position.buttons);
        }

        JOYINFOEX rawEx{};
        rawEx.dwSize = sizeof rawEx;
        rawEx.dwFlags = kPosExFlags;
        position = {11, 12, 13, 14, 15};
        result = input->JoyGetPosEx(posEx, j, kPosExFlags, &position);
        ASSERT_EQ(::joyGetPosEx(j, &rawEx), result);
        if (result != JOYERR_NOERROR) {
            EXPECT_EQ(14u, position.r);
        }
    }
    sys::JoyPosition position{};
    EXPECT_EQ(sys::kJoyErrParms, input->JoyGetPosEx(nullptr, 0, kPosExFlags, &position));
    ::FreeLibrary(winmm);
}

// Keys held down through SendInput while the object lives. The key state is the
// desktop's: every key pressed here is let go again, also when a test fails.
class HeldKeys {
public:
    HeldKeys(std::initializer_list<WORD> keys) : keys_(keys) { sent = Send(0); }
    ~HeldKeys() { Send(KEYEVENTF_KEYUP); }
    UINT sent;

private:
    UINT Send(DWORD flags)
    {
        std::vector<INPUT> events;
        for (WORD key : keys_) {
            INPUT event{};
            event.type = INPUT_KEYBOARD;
            event.ki.wVk = key;
            event.ki.dwFlags = flags;
            events.push_back(event);
        }
        return ::SendInput(static_cast<UINT>(events.size()), events.data(), sizeof(INPUT));
    }

    std::vector<WORD> keys_;
};

bool Down(int key) { return (sys::Win32Input()->GetAsyncKeyState(key) & 0x8000) != 0; }

TEST(Win32Keys, KeysSentThroughTheSystemReachTheCaptureAlone)
{
    {
        HeldKeys held{VK_UP, VK_NUMPAD6};
        ASSERT_EQ(2u, held.sent) << "SendInput did not take the keys";
        EXPECT_TRUE(Down(VK_UP));
        EXPECT_TRUE(Down(VK_NUMPAD6));
        EXPECT_FALSE(Down(VK_DOWN));

        // Configuration 0 reads joystick 1, which the system does not have:
        // the keys alone make the bits and the axes.
        InputState state{};
        EXPECT_EQ(0x9, SX_CaptureInput(0, &state));
        EXPECT_EQ(0x9, state.inputBits);
        EXPECT_EQ(1, state.axisX);
        EXPECT_EQ(-1, state.axisY);
        EXPECT_EQ(1, state.rangeX);
        EXPECT_EQ(1, state.rangeY);
        EXPECT_EQ(0, state.axisZ);
        EXPECT_EQ(0, state.rangeR);
    }
    EXPECT_FALSE(Down(VK_UP));
    EXPECT_EQ(0, SX_CaptureInput(0, nullptr));
    {
        HeldKeys held{'Z', VK_RETURN, VK_ESCAPE};
        ASSERT_EQ(3u, held.sent);
        EXPECT_EQ(0x8030, SX_CaptureInput(0, nullptr));
        EXPECT_EQ(0x8000, SX_CaptureInput(5, nullptr));
    }

    bool winmmLoaded = false;
    for (const std::string& name : io::Log().loaded) {
        winmmLoaded |= name == "WINMM.DLL";
    }
    EXPECT_TRUE(winmmLoaded);
    SX_ReleaseAll();
    ASSERT_FALSE(io::Log().freed.empty());
    EXPECT_EQ("WINMM.DLL", io::Log().freed.back());
}

} // namespace
