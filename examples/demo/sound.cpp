#include "sound.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "sprox.h"
#include "wave_file.h"

namespace {

constexpr int kRate = 22050;
constexpr double kTurn = 6.283185307179586;

// The loop is a pulse every 400 ms: 120 ms of silence, then a soft two-tone hum.
constexpr Uint32 kPulsePeriodMs = 400;
constexpr Uint32 kPulseLeadMs = 120;
// The smallest change of pan that is worth starting the loop again.
constexpr int kPanStep = 500;
constexpr int kPanRange = 4000;

int Samples(Uint32 ms) { return static_cast<int>(static_cast<int64_t>(kRate) * ms / 1000); }

int16_t Sample(double v) { return static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767)); }

// A falling chirp, 880 Hz to 440 Hz over 120 ms, fading out.
std::vector<int16_t> Blip()
{
    std::vector<int16_t> out(static_cast<size_t>(Samples(120)));
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        double t = static_cast<double>(i) / static_cast<double>(out.size());
        phase += kTurn * (880 - 440 * t) / kRate;
        out[i] = Sample(0.5 * (1 - t) * (1 - t) * std::sin(phase));
    }
    return out;
}

// Silence, then 220 Hz and 330 Hz under a raised-cosine envelope: the loop starts
// and ends in silence, so starting it again never clicks.
std::vector<int16_t> Pulse()
{
    std::vector<int16_t> out(static_cast<size_t>(Samples(kPulsePeriodMs)));
    int lead = Samples(kPulseLeadMs);
    int length = static_cast<int>(out.size()) - lead;
    for (int i = 0; i < length; ++i) {
        double t = static_cast<double>(i) / kRate;
        double envelope = 0.5 - 0.5 * std::cos(kTurn * i / length);
        double tone = 0.6 * std::sin(kTurn * 220 * t) + 0.4 * std::sin(kTurn * 330 * t);
        out[static_cast<size_t>(lead + i)] = Sample(0.35 * envelope * tone);
    }
    return out;
}

// Whether the system's audio device opens; the probe closes it again.
bool AudioDeviceOpens()
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;
    }
    SDL_AudioSpec want{};
    want.freq = kRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (device != 0) {
        SDL_CloseAudioDevice(device);
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return device != 0;
}

bool HasFocus(SDL_Window* window) { return (SDL_GetWindowFlags(window) & SDL_WINDOW_INPUT_FOCUS) != 0; }

// Loads the loop into a slot and plays it with the pan and volume given; a
// looping wave takes its pan when it starts.
void StartPulse(Sound& s, int pan, int volume)
{
    s.pulse = SX_WaveOpen(s.pulsePath.c_str());
    SX_WaveSetState(s.pulse, pan, volume);
    if (SX_WavePlayEx(s.pulse, 1) < 0) {
        std::fprintf(stderr, "sprox_demo: the background sound did not load\n");
        s.pulse = -1;
        return;
    }
    s.pulsePan = pan;
    s.pulseStart = s.lastUpdate = SDL_GetTicks();
}

} // namespace

void StartSound(Sound& s, SDL_Window* window, bool offscreen, const std::string& folder)
{
    if (offscreen && !AudioDeviceOpens()) {
        SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
    }
    s.on = SX_WaveInit(nullptr, window) != 0;
    if (!s.on) {
        std::fprintf(stderr, "sprox_demo: no audio device, the demo runs without sound\n");
        return;
    }
    std::string blipPath = folder + "/blip.wav";
    s.pulsePath = folder + "/pulse.wav";
    std::string error;
    if (!WriteWaveFile(blipPath, Blip(), kRate, &error) ||
        !WriteWaveFile(s.pulsePath, Pulse(), kRate, &error)) {
        std::fprintf(stderr, "sprox_demo: %s; the demo runs without sound\n", error.c_str());
        s.on = false;
        return;
    }
    s.blip = SX_WaveOpen(blipPath.c_str());
    s.focused = HasFocus(window);
    StartPulse(s, 0, 0);
}

int PanAt(int x, int width)
{
    return width > 0 ? std::clamp((2 * x - width) * kPanRange / width, -kPanRange, kPanRange) : 0;
}

void PlayBlip(Sound& s, int pan)
{
    if (!s.on) {
        return;
    }
    SX_WaveSetState(s.blip, pan, 0);
    SX_WavePlayEx(s.blip, 0);
}

void UpdateSound(Sound& s, SDL_Window* window, int pan, int volume)
{
    if (!s.on) {
        return;
    }
    bool focused = HasFocus(window);
    if (focused != s.focused) {
        SX_WaveActivate(focused ? 1 : 0);
        s.focused = focused;
    }
    // The volume changes at once. Only players that pan at all take the state,
    // and those pan a wave when it starts; only freeing a wave stops its loop.
    // So when the pan has moved far enough, the loop is started again in the
    // silence at the beginning of a period, where the restart cannot be heard.
    if (s.pulse < 0 || SX_WaveSetState(s.pulse, pan, volume) == 0) {
        return;
    }
    Uint32 now = SDL_GetTicks();
    bool newPeriod = (now - s.pulseStart) / kPulsePeriodMs != (s.lastUpdate - s.pulseStart) / kPulsePeriodMs;
    bool inLead = (now - s.pulseStart) % kPulsePeriodMs < kPulseLeadMs;
    s.lastUpdate = now;
    if (newPeriod && inLead && std::abs(pan - s.pulsePan) >= kPanStep) {
        SX_WaveFree(s.pulse);
        StartPulse(s, pan, volume);
    }
}

void EndSound(Sound& s)
{
    for (int* slot : {&s.blip, &s.pulse}) {
        if (*slot >= 0) {
            SX_WaveFree(*slot);
            *slot = -1;
        }
    }
}
