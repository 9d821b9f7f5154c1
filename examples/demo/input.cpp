#include "input.h"

#include <algorithm>
#include <cstdlib>

#include "sprox.h"

namespace {

constexpr int32_t kButton1 = 0x10;
constexpr int kMaxSpeed = 2;     // pixels a frame
constexpr int kMargin = 8;       // half the player's width
constexpr int kAboveFeet = 17;  // rows of the player above its feet

int32_t gScripted = 0;

// Keys give an axis of -1, 0 or 1 with a range of 1; a joystick its deflection
// and half range, so that a half-tilted stick moves the player more slowly.
int Step(int32_t bits, int32_t less, int32_t more, int32_t axis, int32_t range)
{
    if ((bits & (less | more)) == 0 || range <= 0) {
        return 0;
    }
    int speed = std::clamp(static_cast<int>(static_cast<int64_t>(kMaxSpeed) * std::abs(axis) / range), 1, kMaxSpeed);
    return (bits & less) != 0 ? -speed : speed;
}

} // namespace

Controls CaptureControls(Player& player, int width, int height)
{
    InputState state{};
    Controls controls;
    controls.bits = SX_CaptureInput(0, &state);
    if (gScripted != 0) {
        controls.bits |= gScripted;
        state.axisX = state.axisY = state.rangeX = state.rangeY = 1;
    }
    controls.blip = (controls.bits & kButton1) != 0 && (player.bits & kButton1) == 0;
    controls.quit = (controls.bits & IN_ESCAPE) != 0;

    int dx = Step(controls.bits, IN_LEFT, IN_RIGHT, state.axisX, state.rangeX);
    int dy = Step(controls.bits, IN_UP, IN_DOWN, state.axisY, state.rangeY);
    player.x = std::clamp(player.x + dx, kMargin, width - kMargin);
    player.y = std::clamp(player.y + dy, kAboveFeet, height - 1);
    if (dx != 0) {
        player.facingLeft = dx < 0;
    }
    player.bits = controls.bits;
    return controls;
}

void PressScripted(int32_t bits)
{
    gScripted = bits;
}
