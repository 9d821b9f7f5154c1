// RIFF WAVE image layout (little-endian):
//   0  "RIFF"   4  u32 length L   8  "WAVE"
//   12 chunks up to 8 + L: 4-byte id, u32 length n, n bytes of data, a pad byte
//      when n is odd.
// The "fmt " chunk (at least 14 bytes) gives the format and the "data" chunk the
// samples; other chunks are skipped, and the first of each kind counts.
//
// A chunk may begin only before 8 + L and with its header inside the image, so a
// length field never leads outside the image. A format chunk must lie whole
// inside the image. The data chunk's own length is the sample size, bounded by
// the bytes the image really has: writers that stream often leave L short of the
// data's end, and a file cut short keeps the samples that are there.
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

int ParseWaveImage(const unsigned char* image, long size, WaveImageParts* parts, const char** fault)
{
    auto refuse = [fault](const char* why) {
        if (fault != nullptr) {
            *fault = why;
        }
        return 0;
    };
    if (image == nullptr || size < static_cast<long>(kChunksStart) ||
        std::memcmp(image, "RIFF", 4) != 0 || std::memcmp(image + 8, "WAVE", 4) != 0) {
        return refuse("not a RIFF WAVE file");
    }
    const uint64_t fileEnd = static_cast<uint64_t>(size);
    const uint64_t riffEnd = std::min<uint64_t>(8 + static_cast<uint64_t>(Le32(image + 4)), fileEnd);
    const unsigned char* format = nullptr;
    uint32_t formatSize = 0;
    const unsigned char* samples = nullptr;
    uint32_t sampleSize = 0;
    for (uint64_t at = kChunksStart;;) {
        if (at >= riffEnd || at + kChunkHeader > fileEnd) {
            return refuse(format == nullptr ? "no fmt chunk" : "no data chunk");
        }
        const unsigned char* chunk = image + at;
        uint64_t length = Le32(chunk + 4);
        uint64_t dataAt = at + kChunkHeader;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && format == nullptr) {
            if (length < kMinFormatSize) {
                return refuse("the fmt chunk is shorter than 14 bytes");
            }
            if (dataAt + length > fileEnd) {
                return refuse("the fmt chunk's length runs past the end of the file");
            }
            format = image + dataAt;
            formatSize = static_cast<uint32_t>(length);
            if (samples != nullptr) {
                break;
            }
        } else if (std::memcmp(chunk, "data", 4) == 0 && samples == nullptr) {
            samples = image + dataAt;
            sampleSize = static_cast<uint32_t>(std::min(length, fileEnd - dataAt));
            if (format != nullptr) {
                break;
            }
        }
        at = dataAt + length + (length & 1);
    }
    *parts = {format, formatSize, samples, sampleSize};
    return 1;
}

} // namespace sprox
