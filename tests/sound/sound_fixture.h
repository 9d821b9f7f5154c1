// Shared helpers of the sound tests on the fake machine.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake/fake_machine.h"
#include "fake/fake_sound.h"
#include "sound/wav_builder.h"
#include "sprox.h"
#include "sprox/core/report.h"
#include "sprox/sound/state.h"
#include "sprox/sound/wave.h"

namespace soundtest {

inline fake::FakeMachine& M() { return fake::machine(); }
inline fake::FakeSound& S() { return fake::sound(); }
inline int Mode() { return sprox::gSound.mode; }

// A window handle the library only passes on.
inline SxWindow Window()
{
    static int window;
    return reinterpret_cast<SxWindow>(&window);
}

// The box text the reporter shows for a code and a where-text.
inline std::string BoxText(int code, const char* where)
{
    char text[sprox::kReportBufferSize];
    sprox::ComposeReport(code, where, text);
    return text;
}

inline std::vector<std::string> BoxTexts()
{
    std::vector<std::string> texts;
    for (const fake::Box& box : M().boxes) {
        texts.push_back(box.text);
    }
    return texts;
}

inline bool Probed(const std::string& name)
{
    const auto& probed = M().probed;
    return std::find(probed.begin(), probed.end(), name) != probed.end();
}

// Sound started in one mode: DirectSound (on a window), WaveMix, or the system player.
inline void StartDirectSound()
{
    fake::OfferDirectSound(M());
    ASSERT_EQ(SX_WaveInit(nullptr, Window()), 1);
    ASSERT_EQ(Mode(), sprox::SM_DIRECTSOUND);
}

inline void StartWaveMix()
{
    fake::OfferWaveMix(M());
    ASSERT_EQ(SX_WaveInit(nullptr, nullptr), 1);
    ASSERT_EQ(Mode(), sprox::SM_WAVEMIX);
}

inline void StartSystem()
{
    ASSERT_EQ(SX_WaveInit(nullptr, nullptr), 1);
    ASSERT_EQ(Mode(), sprox::SM_SYSTEM);
}

} // namespace soundtest
