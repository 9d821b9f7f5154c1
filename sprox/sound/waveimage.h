// Finding the format and the samples in a RIFF WAVE file image.
#pragma once

#include <cstdint>

namespace sprox {

struct WaveImageParts {
    const unsigned char* format;  // the "fmt " chunk's data, at least 14 bytes
    uint32_t formatSize;
    const unsigned char* samples; // the "data" chunk's data
    uint32_t sampleSize;
};

// 1 when both the format and the sample data were found inside the image's
// size bytes, else 0, with *fault (unless fault is null) saying why in English.
int ParseWaveImage(const unsigned char* image, long size, WaveImageParts* parts,
                   const char** fault = nullptr);

} // namespace sprox
