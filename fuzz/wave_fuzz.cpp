// Fuzzes the wave file parser: any bytes as a file image, held in a block of exactly
// their size so that any read past the end is caught. What it finds must lie inside
// the image, and the format must be as long as the parser promises.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sprox/sound/waveimage.h"

namespace {

volatile uint32_t gSink;

bool Inside(const unsigned char* p, uint32_t n, const unsigned char* image, size_t size)
{
    return p >= image && static_cast<size_t>(p - image) <= size &&
           n <= size - static_cast<size_t>(p - image);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<unsigned char> image(data, data + size);
    sprox::WaveImageParts parts{};
    if (sprox::ParseWaveImage(image.data(), static_cast<long>(size), &parts) == 1) {
        if (!Inside(parts.format, parts.formatSize, image.data(), size) || parts.formatSize < 14 ||
            !Inside(parts.samples, parts.sampleSize, image.data(), size)) {
            std::abort();
        }
        uint32_t sum = 0;
        for (uint32_t i = 0; i < parts.formatSize; ++i) {
            sum += parts.format[i];
        }
        for (uint32_t i = 0; i < parts.sampleSize; ++i) {
            sum += parts.samples[i];
        }
        gSink = gSink + sum;
    }
    return 0;
}
