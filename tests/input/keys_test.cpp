// Keys: the built-in configurations, the axes the keys give without a joystick,
// Escape, and configuration numbers that are refused.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <utility>
#include <vector>

#include "fake/fake_input.h"
#include "fake/fake_machine.h"
#include "sprox.h"

namespace {

constexpr int kUp = 0x26, kDown = 0x28, kLeft = 0x25, kRight = 0x27;
constexpr int kPad0 = 0x60, kPad2 = 0x62, kPad4 = 0x64, kPad5 = 0x65, kPad6 = 0x66, kPad8 = 0x68;
constexpr int kSpace = 0x20, kEnter = 0x0D, kShift = 0x10, kF2 = 0x71, kEscape = 0x1B;

// A record full of garbage, so that every field the capture leaves is seen.
InputState Garbage()
{
    InputState state;
    std::memset(&state, 0x5A, sizeof state);
    return state;
}

InputState Capture(int configuration)
{
    InputState state = Garbage();
    int bits = SX_CaptureInput(configuration, &state);
    EXPECT_EQ(bits, state.inputBits);
    return state;
}

void Hold(std::initializer_list<int> keys)
{
    fake::input().keysDown = keys;
}

// (key, bit) in the order each built-in configuration lists them.
using Bindings = std::vector<std::pair<int, int>>;

const Bindings kConfig0 = {
    {'K', IN_UP}, {kUp, IN_UP}, {kPad8, IN_UP},
    {'J', IN_DOWN}, {kDown, IN_DOWN}, {kPad2, IN_DOWN},
    {'H', IN_LEFT}, {kLeft, IN_LEFT}, {kPad4, IN_LEFT},
    {'L', IN_RIGHT}, {kRight, IN_RIGHT}, {kPad6, IN_RIGHT},
    {'Z', 0x10}, {kSpace, 0x10}, {'X', 0x20}, {kEnter, 0x20},
    {kShift, 0x40}, {'Q', 0x80}, {kF2, 0x1000},
};
const Bindings kConfig1 = {
    {'K', IN_UP}, {kUp, IN_UP}, {kPad8, IN_UP},
    {'J', IN_DOWN}, {kDown, IN_DOWN}, {kPad2, IN_DOWN},
    {'H', IN_LEFT}, {kLeft, IN_LEFT}, {kPad4, IN_LEFT},
    {'L', IN_RIGHT}, {kRight, IN_RIGHT}, {kPad6, IN_RIGHT},
    {kPad0, 0x10}, {kSpace, 0x10}, {kPad5, 0x20}, {kEnter, 0x20},
    {kShift, 0x40}, {'Q', 0x80},
};
const Bindings kConfig2 = {
    {'E', IN_UP}, {'C', IN_DOWN}, {'S', IN_LEFT}, {'F', IN_RIGHT},
    {'Z', 0x10}, {'X', 0x20}, {'D', 0x20}, {kShift, 0x40}, {'Q', 0x80},
};

} // namespace

TEST(Keys, UpArrowAndPad6GiveUpRightWithFullAxes)
{
    Hold({kUp, kPad6});
    InputState s = Capture(0);
    EXPECT_EQ(s.inputBits, 0x9);
    EXPECT_EQ(s.axisX, 1);
    EXPECT_EQ(s.axisY, -1);
    EXPECT_EQ(s.rangeX, 1);
    EXPECT_EQ(s.rangeY, 1);
    EXPECT_EQ(s.axisZ, 0);
    EXPECT_EQ(s.axisR, 0);
    EXPECT_EQ(s.rangeZ, 0);
    EXPECT_EQ(s.rangeR, 0);
}

TEST(Keys, OppositeDirectionsTogetherCancelOnTheirAxis)
{
    Hold({kLeft, kRight});
    InputState s = Capture(0);
    EXPECT_EQ(s.inputBits, 0xC);
    EXPECT_EQ(s.axisX, 0);
    EXPECT_EQ(s.axisY, 0);

    Hold({'K', 'J', 'H'});
    s = Capture(1);
    EXPECT_EQ(s.inputBits, IN_UP | IN_DOWN | IN_LEFT);
    EXPECT_EQ(s.axisX, -1);
    EXPECT_EQ(s.axisY, 0);
    EXPECT_EQ(s.rangeX, 1);
    EXPECT_EQ(s.rangeY, 1);

    Hold({});
    s = Capture(2);
    EXPECT_EQ(s.inputBits, 0);
    EXPECT_EQ(s.axisX, 0);
    EXPECT_EQ(s.rangeX, 1);
}

TEST(Keys, EscapeAloneInEveryConfiguration)
{
    Hold({kEscape});
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(Capture(c).inputBits, IN_ESCAPE) << "configuration " << c;
        EXPECT_EQ(SX_CaptureInput(c, nullptr), IN_ESCAPE) << "configuration " << c;
    }
}

TEST(Keys, BuiltInConfigurationsReadTheirKeysInListOrder)
{
    const Bindings* configs[] = {&kConfig0, &kConfig1, &kConfig2};
    for (int c = 0; c < 3; ++c) {
        std::vector<int> expectedQueries;
        for (const auto& [key, bit] : *configs[c]) {
            Hold({key});
            EXPECT_EQ(SX_CaptureInput(c, nullptr), bit) << "configuration " << c << " key " << key;
            expectedQueries.push_back(key);
        }
        expectedQueries.push_back(kEscape);
        // One query per listed key, then Escape.
        fake::input().keyQueries.clear();
        SX_CaptureInput(c, nullptr);
        EXPECT_EQ(fake::input().keyQueries, expectedQueries) << "configuration " << c;
    }
}

TEST(Keys, KeysOfOtherConfigurationsSetNothing)
{
    Hold({kF2, 'Z'});
    EXPECT_EQ(SX_CaptureInput(1, nullptr), 0);  // configuration 1 has no F2 and no Z
    Hold({kUp, kPad0});
    EXPECT_EQ(SX_CaptureInput(2, nullptr), 0);
    Hold({'E', 'C', 'S', 'D'});
    EXPECT_EQ(SX_CaptureInput(0, nullptr), 0);
}

TEST(Keys, ConfigurationsThreeToSevenReportOnlyEscape)
{
    auto& in = fake::input();
    for (const auto& binding : kConfig0) {
        in.keysDown.insert(binding.first);
    }
    for (const auto& binding : kConfig2) {
        in.keysDown.insert(binding.first);
    }
    in.keysDown.insert(kPad0);
    in.keysDown.insert(kPad5);
    for (int c = 3; c < 8; ++c) {
        in.keyQueries.clear();
        InputState s = Capture(c);
        EXPECT_EQ(s.inputBits, 0) << c;
        EXPECT_EQ(in.keyQueries, std::vector<int>{kEscape}) << c;
    }
    in.keysDown.insert(kEscape);
    for (int c = 3; c < 8; ++c) {
        EXPECT_EQ(Capture(c).inputBits, IN_ESCAPE) << c;
    }
}

TEST(Keys, ConfigurationNumbersOutsideTheTableAreRefused)
{
    auto& in = fake::input();
    Hold({kEscape, kUp, 'K'});
    in.joysticks.resize(1);
    InputState zero{};
    for (int c : {-1, 8, 9, 100, INT_MIN, INT_MAX}) {
        InputState s = Garbage();
        EXPECT_EQ(SX_CaptureInput(c, &s), 0) << c;
        EXPECT_EQ(std::memcmp(&s, &zero, sizeof s), 0) << c;
        EXPECT_EQ(SX_CaptureInput(c, nullptr), 0) << c;
    }
    EXPECT_TRUE(in.keyQueries.empty());
    EXPECT_TRUE(in.joyCalls.empty());
    // The table is untouched: configuration 0 still reads its keys and joystick.
    EXPECT_EQ(SX_CaptureInput(0, nullptr), IN_ESCAPE | IN_UP);
    EXPECT_EQ(in.Reads(0), 1);
}

TEST(Keys, AMachineWithoutKeysOrJoysticksReportsNothing)
{
    auto& m = fake::machine();
    m.inputFacility = nullptr;
    InputState s = Capture(0);
    EXPECT_EQ(s.inputBits, 0);
    EXPECT_EQ(s.rangeX, 1);
    EXPECT_EQ(s.rangeY, 1);
    EXPECT_EQ(SX_CaptureInput(2, nullptr), 0);
}
