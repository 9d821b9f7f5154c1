// Joysticks: the set-up at the first capture, the dead zone, buttons and axes, the
// plain and extended queries, the pause after a failed read and the release.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fake/fake_input.h"
#include "fake/fake_machine.h"
#include "sprox.h"

namespace {

fake::FakeJoystick& AddJoystick()
{
    auto& sticks = fake::input().joysticks;
    sticks.emplace_back();
    return sticks.back();
}

InputState Capture(int configuration)
{
    InputState state;
    std::memset(&state, 0x5A, sizeof state);
    int bits = SX_CaptureInput(configuration, &state);
    EXPECT_EQ(bits, state.inputBits);
    return state;
}

// Bits of configuration 0 with joystick 0 at (x, y).
int BitsAt(uint32_t x, uint32_t y)
{
    auto& stick = fake::input().joysticks[0];
    stick.position.x = x;
    stick.position.y = y;
    return SX_CaptureInput(0, nullptr);
}

} // namespace

TEST(Joystick, FirstCaptureLoadsTheLibraryAndMeasuresUpToEightJoysticks)
{
    auto& m = fake::machine();
    auto& in = fake::input();
    in.joysticks.resize(3);
    in.numDevs = 12;
    SX_CaptureInput(5, nullptr);
    SX_CaptureInput(0, nullptr);
    SX_CaptureInput(1, nullptr);
    EXPECT_EQ(m.loaded, std::vector<std::string>{"WINMM.DLL"});
    EXPECT_EQ(m.resolved, std::vector<std::string>{"WINMM.DLL!joyGetPosEx"});
    std::vector<std::string> setUp = {"numdevs", "caps 0", "caps 1", "caps 2", "caps 3",
                                      "caps 4",  "caps 5", "caps 6", "caps 7"};
    ASSERT_GE(in.joyCalls.size(), setUp.size());
    EXPECT_EQ(std::vector<std::string>(in.joyCalls.begin(), in.joyCalls.begin() + 9), setUp);
    // Then one extended read per capture that names joystick 1.
    EXPECT_EQ(std::vector<std::string>(in.joyCalls.begin() + 9, in.joyCalls.end()),
              (std::vector<std::string>{"posex 0 48F", "posex 0 48F"}));
}

TEST(Joystick, CentredJoystickSetsNoDirectionAndReportsItsRange)
{
    AddJoystick();  // 0..65535: centre 32767, half range 32767
    InputState s = Capture(0);
    EXPECT_EQ(s.inputBits, 0);
    EXPECT_EQ(s.axisX, 0);
    EXPECT_EQ(s.axisY, 0);
    EXPECT_EQ(s.axisZ, 0);
    EXPECT_EQ(s.axisR, 0);
    EXPECT_EQ(s.rangeX, 32767);
    EXPECT_EQ(s.rangeY, 32767);
    EXPECT_EQ(s.rangeZ, 32767);
    EXPECT_EQ(s.rangeR, 32767);
}

TEST(Joystick, DeadZoneIsAQuarterOfTheHalfRange)
{
    AddJoystick();
    // Centre 32767, dead zone 8191: directions start below 24576 and above 40958.
    EXPECT_EQ(BitsAt(24576, 32767), 0);
    EXPECT_EQ(BitsAt(24575, 32767), IN_LEFT);
    EXPECT_EQ(BitsAt(40958, 32767), 0);
    EXPECT_EQ(BitsAt(40959, 32767), IN_RIGHT);
    EXPECT_EQ(BitsAt(32767, 24576), 0);
    EXPECT_EQ(BitsAt(32767, 24575), IN_UP);
    EXPECT_EQ(BitsAt(32767, 40958), 0);
    EXPECT_EQ(BitsAt(32767, 40959), IN_DOWN);
    EXPECT_EQ(BitsAt(0, 65535), IN_LEFT | IN_DOWN);
    EXPECT_EQ(BitsAt(65535, 0), IN_RIGHT | IN_UP);
}

TEST(Joystick, AxesCountFromTheMeasuredCentre)
{
    auto& stick = AddJoystick();
    stick.caps = {100, 1101, 0, 9, 1000, 3000, 10, 20};  // centres 600, 4, 2000, 15
    stick.position = {474, 9, 2500, 11, 0};
    InputState s = Capture(0);
    // X: dead zone 500 / 4 = 125, so 474 is left of 475. Y: half 4, dead zone 1.
    EXPECT_EQ(s.inputBits, IN_LEFT | IN_DOWN);
    EXPECT_EQ(s.axisX, -126);
    EXPECT_EQ(s.axisY, 5);
    EXPECT_EQ(s.axisZ, 500);
    EXPECT_EQ(s.axisR, -4);
    EXPECT_EQ(s.rangeX, 500);
    EXPECT_EQ(s.rangeY, 4);
    EXPECT_EQ(s.rangeZ, 1000);
    EXPECT_EQ(s.rangeR, 5);

    stick.position.x = 475;
    EXPECT_EQ(SX_CaptureInput(0, nullptr), IN_DOWN);
}

TEST(Joystick, PositionsAreComparedUnsigned)
{
    auto& stick = AddJoystick();
    stick.caps.xMax = 0xFFFFFFFF;  // centre and half range 0x7FFFFFFF
    stick.position.x = 0xF0000000;
    InputState s = Capture(0);
    EXPECT_EQ(s.inputBits & (IN_LEFT | IN_RIGHT), IN_RIGHT);
    EXPECT_EQ(s.axisX, 0x70000001);
    EXPECT_EQ(s.rangeX, 0x7FFFFFFF);
}

TEST(Joystick, ButtonsOneToTenAddToTheKeys)
{
    auto& stick = AddJoystick();
    stick.Press(1);
    EXPECT_EQ(SX_CaptureInput(0, nullptr), 0x10);
    stick.position.buttons = 0;
    stick.Press(10);
    EXPECT_EQ(SX_CaptureInput(0, nullptr), 0x2000);
    stick.Press(1);
    stick.Press(11);
    stick.Press(16);
    EXPECT_EQ(SX_CaptureInput(0, nullptr), 0x2010);
    fake::input().keysDown = {'Q', 0x1B};
    stick.position.x = 0;
    InputState s = Capture(0);
    EXPECT_EQ(s.inputBits, 0x2010 | 0x80 | IN_ESCAPE | IN_LEFT);
    EXPECT_EQ(s.axisX, -32767);  // the joystick's axes, not the keys'
    EXPECT_EQ(s.rangeX, 32767);
}

TEST(Joystick, ConfigurationTwoWithoutASecondJoystickUsesTheKeys)
{
    auto& in = fake::input();
    AddJoystick();
    in.keysDown = {'F'};
    InputState s = Capture(2);  // beyond the count: the keys give the axes
    EXPECT_EQ(s.inputBits, IN_RIGHT);
    EXPECT_EQ(s.axisX, 1);
    EXPECT_EQ(s.rangeX, 1);
    EXPECT_EQ(s.rangeZ, 0);
    EXPECT_EQ(in.joyCalls.back(), "caps 0");  // no read
}

TEST(Joystick, ConfigurationTwoReadsTheSecondJoystick)
{
    AddJoystick();
    auto& second = AddJoystick();
    second.position.y = 0;
    second.Press(2);
    EXPECT_EQ(SX_CaptureInput(2, nullptr), IN_UP | 0x20);
    EXPECT_EQ(fake::input().Reads(0), 0);
    EXPECT_EQ(fake::input().Reads(1), 1);
}

TEST(Joystick, WithoutTheExtendedQueryThePlainOneIsUsed)
{
    auto& m = fake::machine();
    m.modules["WINMM.DLL"] = {};  // the library, but no joyGetPosEx
    auto& stick = AddJoystick();
    stick.position = {0x10000 + 100, 32767, 0x7FFF0000 + 32767, 65535, 0x10000 | 0x1};
    InputState s = Capture(0);
    EXPECT_EQ(fake::input().joyCalls.back(), "pos 0");
    // Only the low 16 bits of each value count, and there is no R axis.
    EXPECT_EQ(s.inputBits, IN_LEFT | 0x10);
    EXPECT_EQ(s.axisX, 100 - 32767);
    EXPECT_EQ(s.axisZ, 0);
    EXPECT_EQ(s.axisR, -32767);
    EXPECT_EQ(s.rangeR, 32767);
}

TEST(Joystick, WithoutTheLibraryThePlainQueryIsUsed)
{
    auto& m = fake::machine();
    m.modules.erase("WINMM.DLL");
    auto& stick = AddJoystick();
    stick.Press(3);
    EXPECT_EQ(SX_CaptureInput(1, nullptr), 0x40);
    EXPECT_EQ(fake::input().joyCalls.back(), "pos 0");
    EXPECT_TRUE(m.loaded.empty());
}

TEST(Joystick, FailedCapabilitiesLeaveTheRangeUnmeasured)
{
    auto& stick = AddJoystick();
    stick.capsError = sys::kJoyErrParms;
    stick.caps = {};
    stick.position = {5, 0, 0, 0, 0};
    InputState s = Capture(0);
    // Centre 0, no dead zone: any X above 0 is right.
    EXPECT_EQ(s.inputBits, IN_RIGHT);
    EXPECT_EQ(s.axisX, 5);
    EXPECT_EQ(s.rangeX, 0);
}

TEST(Joystick, UnpluggedJoystickIsLeftAloneForThreeSeconds)
{
    auto& m = fake::machine();
    auto& in = fake::input();
    auto& stick = AddJoystick();
    stick.Press(1);
    m.clock = 1000;
    EXPECT_EQ(SX_CaptureInput(0, nullptr), 0x10);
    EXPECT_EQ(in.Reads(0), 1);

    stick.Unplug();
    in.keysDown = {0x27};
    m.clock = 2000;
    InputState s = Capture(0);  // fails: the keys alone, and the pause starts
    EXPECT_EQ(s.inputBits, IN_RIGHT);
    EXPECT_EQ(s.axisX, 1);
    EXPECT_EQ(s.rangeX, 1);
    EXPECT_EQ(in.Reads(0), 2);
    for (uint32_t t : {2000u, 2001u, 3500u, 4999u}) {
        m.clock = t;
        EXPECT_EQ(SX_CaptureInput(0, nullptr), IN_RIGHT) << t;
    }
    EXPECT_EQ(in.Reads(0), 2);

    m.clock = 5000;  // tried again, still unplugged: a new pause
    SX_CaptureInput(0, nullptr);
    EXPECT_EQ(in.Reads(0), 3);
    stick.PlugIn();
    m.clock = 7999;
    SX_CaptureInput(0, nullptr);
    EXPECT_EQ(in.Reads(0), 3);
    // Each configuration has its own pause: configuration 1 reads at once.
    EXPECT_EQ(SX_CaptureInput(1, nullptr), IN_RIGHT | 0x10);
    m.clock = 8000;
    EXPECT_EQ(SX_CaptureInput(0, nullptr), IN_RIGHT | 0x10);
    SX_CaptureInput(0, nullptr);
    EXPECT_EQ(in.Reads(0), 6);  // read at every capture again
}

TEST(Joystick, PauseLastsThreeSecondsAcrossTheClockWrap)
{
    auto& m = fake::machine();
    auto& in = fake::input();
    AddJoystick().Unplug();
    m.clock = 0xFFFFFF00;  // the pause ends at 2744 after the wrap
    SX_CaptureInput(0, nullptr);
    EXPECT_EQ(in.Reads(0), 1);
    for (uint32_t t : {0xFFFFFFFFu, 0u, 1000u, 2743u}) {
        m.clock = t;
        SX_CaptureInput(0, nullptr);
        EXPECT_EQ(in.Reads(0), 1) << t;
    }
    m.clock = 2744;
    SX_CaptureInput(0, nullptr);
    EXPECT_EQ(in.Reads(0), 2);
}

TEST(Joystick, PauseEndingNearTheWrapIsNeitherLostNorStretched)
{
    auto& m = fake::machine();
    auto& in = fake::input();
    AddJoystick().Unplug();
    // Ends exactly at the wrap, where 0 would mean "no pause".
    m.clock = 0x100000000ull - 3000;
    SX_CaptureInput(0, nullptr);
    m.clock = 0;
    SX_CaptureInput(0, nullptr);
    EXPECT_EQ(in.Reads(0), 1);
    m.clock = 1;
    SX_CaptureInput(0, nullptr);
    EXPECT_EQ(in.Reads(0), 2);

    // Ends just before the wrap, and the next capture comes only after it.
    m.clock = 0xFFFFFFFF - 3499;
    SX_CaptureInput(1, nullptr);
    m.clock = 100;
    SX_CaptureInput(1, nullptr);
    EXPECT_EQ(in.Reads(0), 4);
}

TEST(Joystick, AfterReleaseAllCapturesUseThePlainQuery)
{
    auto& m = fake::machine();
    auto& in = fake::input();
    auto& stick = AddJoystick();
    stick.position.r = 65535;
    EXPECT_EQ(Capture(0).axisR, 32768);
    EXPECT_EQ(in.joyCalls.back(), "posex 0 48F");

    SX_ReleaseAll();
    EXPECT_EQ(m.freed, std::vector<std::string>{"WINMM.DLL"});
    EXPECT_TRUE(m.LoadedNow().empty());

    in.joyCalls.clear();
    stick.Press(10);
    stick.position.x = 65535;
    InputState s = Capture(0);
    EXPECT_EQ(s.inputBits, IN_RIGHT | 0x2000);
    EXPECT_EQ(s.axisR, -32767);
    EXPECT_EQ(in.joyCalls, std::vector<std::string>{"pos 0"});  // no second set-up
    EXPECT_EQ(m.loaded.size(), 1u);

    SX_ReleaseAll();
    EXPECT_EQ(m.freed.size(), 1u);  // nothing left to free
}

TEST(Joystick, ReleaseBeforeAnyCaptureFreesNothing)
{
    auto& m = fake::machine();
    AddJoystick().Press(4);
    SX_ReleaseAll();
    EXPECT_TRUE(m.freed.empty());
    EXPECT_EQ(SX_CaptureInput(0, nullptr), 0x80);
    EXPECT_EQ(m.loaded, std::vector<std::string>{"WINMM.DLL"});
    EXPECT_EQ(fake::input().joyCalls.back(), "posex 0 48F");
}
