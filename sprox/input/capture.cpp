// Capture: the keys of a configuration, then its joystick. A joystick's position is
// turned into directions against its centre with a dead zone of a quarter of its
// half range on each side; a joystick that cannot be read (none assigned, beyond the
// system's count, unplugged) is left alone for 3 seconds and its directions come
// from the keys alone.
//
// The system's joystick count and every joystick's axis ranges are measured once,
// at the first capture; joysticks attached later are not measured.
#include "sprox/input/capture.h"

#include <algorithm>

#include "sprox/input/config.h"
#include "sprox/sys/input.h"
#include "sprox/sys/machine.h"

namespace sprox {
namespace {

constexpr uint32_t kRetryPauseMs = 3000;
// JOY_RETURNX | JOY_RETURNY | JOY_RETURNZ | JOY_RETURNR | JOY_RETURNBUTTONS |
// JOY_RETURNCENTERED
constexpr uint32_t kPosExFlags = 0x48F;
constexpr uint32_t kButtonMask = 0x3FF;

void MeasureAxis(uint32_t min, uint32_t max, uint32_t* centre, uint32_t* half)
{
    *half = (max - min) / 2;
    *centre = min + *half;
}

void SetUpJoysticks(sys::Input* input)
{
    sys::Machine& machine = sys::M();
    if (gInput.joysticks.winmm == nullptr) {
        gInput.joysticks.winmm = machine.LoadModule("WINMM.DLL");
        gInput.joysticks.posEx = gInput.joysticks.winmm != nullptr
                                     ? machine.FindEntry(gInput.joysticks.winmm, "joyGetPosEx")
                                     : nullptr;
    }
    uint32_t devices = input != nullptr ? input->JoyGetNumDevs() : 0;
    gInput.joysticks.count = static_cast<int>(std::min<uint32_t>(devices, kMaxJoysticks));
    for (int j = 0; j < gInput.joysticks.count; ++j) {
        sys::JoyCaps caps{};
        if (input->JoyGetDevCaps(static_cast<uint32_t>(j), &caps) != 0) {
            continue;  // this joystick keeps the range it had
        }
        JoystickRange& range = gInput.ranges[j];
        MeasureAxis(caps.xMin, caps.xMax, &range.centreX, &range.halfX);
        MeasureAxis(caps.yMin, caps.yMax, &range.centreY, &range.halfY);
        MeasureAxis(caps.zMin, caps.zMax, &range.centreZ, &range.halfZ);
        MeasureAxis(caps.rMin, caps.rMax, &range.centreR, &range.halfR);
    }
}

bool KeyDown(sys::Input* input, uint32_t key)
{
    return input != nullptr && (input->GetAsyncKeyState(static_cast<int>(key)) & 0x8000) != 0;
}

uint32_t KeyBits(sys::Input* input, const InputConfig& config)
{
    uint32_t bits = 0;
    for (const KeyBinding& binding : config.keys) {
        if (binding.mask == 0) {
            break;
        }
        if (KeyDown(input, binding.key)) {
            bits |= binding.mask;
        }
    }
    if (KeyDown(input, vk::kEscape)) {
        bits |= IN_ESCAPE;
    }
    return bits;
}

// Reads system joystick index; the plain query gives 16-bit values and no R axis.
bool ReadJoystick(sys::Input* input, uint32_t index, sys::JoyPosition* position)
{
    if (gInput.joysticks.posEx != nullptr) {
        return input->JoyGetPosEx(gInput.joysticks.posEx, index, kPosExFlags, position) == 0;
    }
    if (input->JoyGetPos(index, position) != 0) {
        return false;
    }
    position->x &= 0xFFFF;
    position->y &= 0xFFFF;
    position->z &= 0xFFFF;
    position->buttons &= 0xFFFF;
    position->r = 0;
    return true;
}

// The pause is measured as the time since the failure, modulo 2^32, so that it lasts
// its 3 seconds also when the clock wraps around during it.
bool PauseOver(uint32_t retryAt, uint32_t now)
{
    uint32_t failedAt = retryAt - kRetryPauseMs;
    return now - failedAt >= kRetryPauseMs;
}

// 0 means "no pause", so a pause that would end exactly at 0 ends a millisecond later.
uint32_t RetryTime(uint32_t now)
{
    uint32_t at = now + kRetryPauseMs;
    return at != 0 ? at : 1;
}

// Directions against the centre; unsigned comparisons, as the axes are unsigned.
uint32_t DirectionBits(const JoystickRange& range, const sys::JoyPosition& position)
{
    uint32_t bits = 0;
    uint32_t dx = range.halfX / 4;
    if (range.centreX - dx > position.x) {
        bits |= IN_LEFT;
    } else if (range.centreX + dx < position.x) {
        bits |= IN_RIGHT;
    }
    uint32_t dy = range.halfY / 4;
    if (range.centreY - dy > position.y) {
        bits |= IN_UP;
    } else if (range.centreY + dy < position.y) {
        bits |= IN_DOWN;
    }
    return bits;
}

void JoystickAxes(const JoystickRange& range, const sys::JoyPosition& position, InputState* result)
{
    result->axisX = static_cast<int32_t>(position.x - range.centreX);
    result->axisY = static_cast<int32_t>(position.y - range.centreY);
    result->axisZ = static_cast<int32_t>(position.z - range.centreZ);
    result->axisR = static_cast<int32_t>(position.r - range.centreR);
    result->rangeX = static_cast<int32_t>(range.halfX);
    result->rangeY = static_cast<int32_t>(range.halfY);
    result->rangeZ = static_cast<int32_t>(range.halfZ);
    result->rangeR = static_cast<int32_t>(range.halfR);
}

// Without a joystick the keys give full deflection on X and Y, or none when both
// ways are held.
int32_t KeyAxis(uint32_t bits, uint32_t negative, uint32_t positive)
{
    return ((bits & positive) != 0 ? 1 : 0) - ((bits & negative) != 0 ? 1 : 0);
}

void KeyAxes(uint32_t bits, InputState* result)
{
    result->axisX = KeyAxis(bits, IN_LEFT, IN_RIGHT);
    result->axisY = KeyAxis(bits, IN_UP, IN_DOWN);
    result->rangeX = 1;
    result->rangeY = 1;
}

} // namespace

int CaptureInput(int configuration, InputState* result)
{
    if (result != nullptr) {
        *result = InputState{};
    }
    if (configuration < 0 || configuration >= kInputConfigs) {
        return 0;
    }
    sys::Machine& machine = sys::M();
    sys::Input* input = machine.input();
    if (gInput.joysticks.count < 0) {
        SetUpJoysticks(input);
    }

    InputConfig& config = gInput.configs[configuration];
    uint32_t bits = KeyBits(input, config);

    int n = config.joystick;
    if (config.retryAt != 0) {
        if (PauseOver(config.retryAt, machine.TimeMs())) {
            config.retryAt = 0;
        } else {
            n = 0;
        }
    }

    sys::JoyPosition position{};
    bool read = n >= 1 && n <= gInput.joysticks.count &&
                ReadJoystick(input, static_cast<uint32_t>(n - 1), &position);
    if (read) {
        const JoystickRange& range = gInput.ranges[n - 1];
        bits |= DirectionBits(range, position);
        bits |= (position.buttons & kButtonMask) << 4;
        if (result != nullptr) {
            JoystickAxes(range, position, result);
        }
    } else {
        if (result != nullptr) {
            KeyAxes(bits, result);
        }
        if (config.retryAt == 0) {
            config.retryAt = RetryTime(machine.TimeMs());
        }
    }

    if (result != nullptr) {
        result->inputBits = static_cast<int32_t>(bits);
    }
    return static_cast<int>(bits);
}

void JoystickRelease()
{
    if (gInput.joysticks.winmm != nullptr) {
        sys::M().FreeModule(gInput.joysticks.winmm);
        gInput.joysticks.winmm = nullptr;
        gInput.joysticks.posEx = nullptr;
    }
}

} // namespace sprox
