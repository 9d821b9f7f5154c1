// RIFF WAVE image layout (little-endian):
//   0  "RIFF"   4  u32 length L   8  "WAVE"
//   12 chunks up to 8 + L: 4-byte id, u32 length n, n bytes of data, a pad byte
//      when n is odd.
// The "fmt " chunk (at least 14 bytes) gives the format and the "data" chunk the
// samples; other chunks are skipped, and the first of each kind counts.
//
// The walk ends at 8 + L or at the end of the image, whichever comes first, so a
// length field never leads outside the image. A format chunk must lie whole
// inside; a data chunk cut short by the end of the file keeps the samples that
// are there.
#include "sprox/sound/waveimage.h"

#include <algorithm>
#include <cstring>

namespace sprox {
namespace {

constexpr uint64_t kChunksStart = 12;
constexpr uint64_t kChunkHeader = 8;
constexpr uint32_t kMinFormatSize = 14;

uint32_t Le32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

int ParseWaveImage(const unsigned char* image, long size, WaveImageParts* parts)
{
    if (image == nullptr || size < static_cast<long>(kChunksStart) ||
        std::memcmp(image, "RIFF", 4) != 0 || std::memcmp(image + 8, "WAVE", 4) != 0) {
        return 0;
    }
    uint64_t end = std::min<uint64_t>(8 + static_cast<uint64_t>(Le32(image + 4)),
                                      static_cast<uint64_t>(size));
    if (end <= kChunksStart) {
        return 0;
    }
    const unsigned char* format = nullptr;
    uint32_t formatSize = 0;
    const unsigned char* samples = nullptr;
    uint32_t sampleSize = 0;
    for (uint64_t at = kChunksStart;;) {
        if (at + kChunkHeader > end) {
            return 0;
        }
        const unsigned char* chunk = image + at;
        uint64_t length = Le32(chunk + 4);
        uint64_t dataAt = at + kChunkHeader;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && format == nullptr) {
            if (length < kMinFormatSize || dataAt + length > end) {
                return 0;
            }
            format = image + dataAt;
            formatSize = static_cast<uint32_t>(length);
            if (samples != nullptr) {
                break;
            }
        } else if (std::memcmp(chunk, "data", 4) == 0 && samples == nullptr) {
            samples = image + dataAt;
            sampleSize = static_cast<uint32_t>(std::min(length, end - dataAt));
            if (format != nullptr) {
                break;
            }
        }
        at = dataAt + length + (length & 1);
        if (at >= end) {
            return 0;
        }
    }
    *parts = {format, formatSize, samples, sampleSize};
    return 1;
}

} // namespace sprox
