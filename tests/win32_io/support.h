// What the sound and input tests share: wave file images, the machine's
// sound-device situation, and the places the test program finds its files in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace io {

// A RIFF WAVE image of 16-bit mono PCM at 22050 Hz: a "fmt " chunk of fmtSize
// bytes (14, 16 or 18) and a "data" chunk of sampleBytes bytes, byte i being
// i * 7 modulo 256.
std::vector<uint8_t> WaveImage(uint32_t sampleBytes, uint32_t fmtSize = 16);

// The bytes of such a "fmt " chunk alone.
std::vector<uint8_t> PcmFormat(uint32_t fmtSize);

void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes);

// Whether the machine has a wave-out device.
bool HasSoundDevice();

// Bases of the tests for one sound-device situation. The suites that need no
// device are named NoDevice..., those that need one (Wine on an ALSA null
// device, null-alsa.conf) NullDevice...; on the other machine each skips,
// saying so.
class WithoutSoundDevice : public testing::Test {
protected:
    void SetUp() override;
};

class WithSoundDevice : public testing::Test {
protected:
    void SetUp() override;
};

// The folder of the test program, with a backslash at the end.
std::string ProgramFolder();

} // namespace io
