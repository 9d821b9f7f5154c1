// Joysticks on the SDL machine: SDL virtual joysticks, moved and pressed, read
// through the exports.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include "sprox.h"
#include "sprox/sys/sdl/sdl_input.h"

namespace {

class SdlJoystick : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
        index_ = Attach();
        if (index_ != 0) {
            GTEST_SKIP() << "a joystick of this machine comes first";
        }
        stick_ = SDL_JoystickOpen(index_);
        ASSERT_NE(stick_, nullptr) << SDL_GetError();
    }

    void TearDown() override { SDL_Quit(); }

    static int Attach() { return SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 4, 12, 0); }

    // Sets X and Y, with Z and R at rest.
    void Move(Sint16 x, Sint16 y)
    {
        SDL_JoystickSetVirtualAxis(stick_, 0, x);
        SDL_JoystickSetVirtualAxis(stick_, 1, y);
        SDL_JoystickSetVirtualAxis(stick_, 2, 0);
        SDL_JoystickSetVirtualAxis(stick_, 3, 0);
    }

    int index_ = -1;
    SDL_Joystick* stick_ = nullptr;
};

} // namespace

TEST(SdlJoystickStart, JoystickSupportStartsAtTheFirstCapture)
{
    EXPECT_EQ(SDL_WasInit(SDL_INIT_JOYSTICK), 0u);
    SX_CaptureInput(0, nullptr);
    EXPECT_NE(SDL_WasInit(SDL_INIT_JOYSTICK), 0u);
    SDL_Quit();
}

TEST_F(SdlJoystick, MovedAndPressedGivesBitsAndAxes)
{
    Move(-32768, 32767);
    SDL_JoystickSetVirtualAxis(stick_, 2, 1000);
    SDL_JoystickSetVirtualAxis(stick_, 3, -16384);
    SDL_JoystickSetVirtualButton(stick_, 0, SDL_PRESSED);
    SDL_JoystickSetVirtualButton(stick_, 9, SDL_PRESSED);
    InputState s{};
    EXPECT_EQ(SX_CaptureInput(0, &s), IN_LEFT | IN_DOWN | 0x10 | 0x2000);
    EXPECT_EQ(s.axisX, -32767);
    EXPECT_EQ(s.axisY, 32767);
    EXPECT_EQ(s.axisZ, 1000);
    EXPECT_EQ(s.axisR, -16384);
    EXPECT_EQ(s.rangeX, 32767);
    EXPECT_EQ(s.rangeY, 32767);
    EXPECT_EQ(s.rangeZ, 32767);
    EXPECT_EQ(s.rangeR, 32767);

    // Buttons past the tenth add nothing.
    SDL_JoystickSetVirtualButton(stick_, 0, SDL_RELEASED);
    SDL_JoystickSetVirtualButton(stick_, 9, SDL_RELEASED);
    SDL_JoystickSetVirtualButton(stick_, 10, SDL_PRESSED);
    Move(0, 0);
    EXPECT_EQ(SX_CaptureInput(1, &s), 0);
    EXPECT_EQ(s.axisX, 0);
    EXPECT_EQ(s.axisY, 0);
}

TEST_F(SdlJoystick, DeadZoneFallsWhereTheSystemsWould)
{
    const struct {
        Sint16 x, y;
        int bits;
    } cases[] = {
        {-8191, -8191, 0},       {-8192, 0, IN_LEFT}, {0, -8192, IN_UP},
        {8191, 8191, 0},         {8192, 0, IN_RIGHT}, {0, 8192, IN_DOWN},
        {32767, -32768, IN_RIGHT | IN_UP},
    };
    for (const auto& c : cases) {
        Move(c.x, c.y);
        EXPECT_EQ(SX_CaptureInput(0, nullptr), c.bits) << c.x << ", " << c.y;
    }
}

TEST_F(SdlJoystick, UnpluggedJoystickLeavesTheKeysAlone)
{
    SDL_JoystickSetVirtualButton(stick_, 3, SDL_PRESSED);
    EXPECT_EQ(SX_CaptureInput(0, nullptr), 0x80);
    SDL_JoystickClose(stick_);
    ASSERT_EQ(SDL_JoystickDetachVirtual(index_), 0);
    InputState s{};
    EXPECT_EQ(SX_CaptureInput(0, &s), 0);
    EXPECT_EQ(s.rangeX, 1);  // axes from the keys
}

TEST_F(SdlJoystick, EachSlotKeepsItsJoystickWhenAnotherIsUnplugged)
{
    ASSERT_EQ(Attach(), 1);
    SDL_Joystick* second = SDL_JoystickOpen(1);
    ASSERT_NE(second, nullptr);
    SDL_JoystickSetVirtualButton(stick_, 0, SDL_PRESSED);
    SDL_JoystickSetVirtualButton(second, 1, SDL_PRESSED);
    SDL_JoystickSetVirtualAxis(second, 0, 32767);
    EXPECT_EQ(SX_CaptureInput(0, nullptr), 0x10);
    EXPECT_EQ(SX_CaptureInput(2, nullptr), 0x20 | IN_RIGHT);

    // The first one goes and SDL closes up its device list: the first player
    // loses its stick (a failed read, keys alone), the second keeps its own.
    SDL_JoystickClose(stick_);
    ASSERT_EQ(SDL_JoystickDetachVirtual(index_), 0);
    InputState s{};
    EXPECT_EQ(SX_CaptureInput(0, &s), 0);
    EXPECT_EQ(s.rangeX, 1);
    EXPECT_EQ(SX_CaptureInput(2, &s), 0x20 | IN_RIGHT);
    EXPECT_EQ(s.axisX, 32767);

    // The free slot takes no joystick another slot holds, and then the first one
    // plugged in that no other slot holds (read on the machine: the capture's
    // pause would hold the slot for 3 seconds).
    sys::SdlInput& input = sys::TheSdlInput();
    int entry = 0;
    sys::JoyPosition p{};
    EXPECT_EQ(input.JoyGetPosEx(&entry, 0, 0, &p), sys::kJoyErrUnplugged);
    ASSERT_EQ(Attach(), 1);
    SDL_Joystick* third = SDL_JoystickOpen(1);
    ASSERT_NE(third, nullptr);
    SDL_JoystickSetVirtualButton(third, 2, SDL_PRESSED);
    ASSERT_EQ(input.JoyGetPosEx(&entry, 0, 0, &p), 0u);
    EXPECT_EQ(p.buttons, 0x4u);
    ASSERT_EQ(input.JoyGetPosEx(&entry, 1, 0, &p), 0u);
    EXPECT_EQ(p.buttons, 0x2u);
    EXPECT_EQ(p.x, 65534u);
    SDL_JoystickClose(third);
    SDL_JoystickClose(second);
}

TEST_F(SdlJoystick, AfterReleaseAllThePlainQueryHasNoRAxis)
{
    SDL_JoystickSetVirtualAxis(stick_, 3, 20000);
    SDL_JoystickSetVirtualButton(stick_, 1, SDL_PRESSED);
    InputState s{};
    EXPECT_EQ(SX_CaptureInput(0, &s), 0x20);
    EXPECT_EQ(s.axisR, 20000);
    SX_ReleaseAll();
    EXPECT_EQ(SX_CaptureInput(0, &s), 0x20);
    EXPECT_EQ(s.axisR, -32767);
}
