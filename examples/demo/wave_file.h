// RIFF WAVE files of 16-bit mono PCM, for the sounds the demo makes itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The whole file: "RIFF" header, a 16-byte "fmt " chunk and the "data" chunk.
std::vector<uint8_t> WaveFileBytes(const std::vector<int16_t>& samples, int rate);

// Writes WaveFileBytes to a file; false with a reason.
bool WriteWaveFile(const std::string& path, const std::vector<int16_t>& samples, int rate,
                   std::string* error);
