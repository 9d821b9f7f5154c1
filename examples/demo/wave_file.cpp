#include "wave_file.h"

#include <cstdio>

namespace {

constexpr uint16_t kPcm = 1;
constexpr uint16_t kChannels = 1;
constexpr uint16_t kBitsPerSample = 16;
constexpr uint32_t kFormatSize = 16;

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutId(std::vector<uint8_t>& out, const char* id)
{
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(id[i]));
    }
}

} // namespace

// Layout: "RIFF", u32 size of the rest, "WAVE"; "fmt ", u32 16, u16 tag, u16
// channels, u32 rate, u32 bytes per second, u16 block align, u16 bits; "data", u32
// size, the samples little-endian. 16-bit samples keep the data chunk even, so no
// pad byte is needed.
std::vector<uint8_t> WaveFileBytes(const std::vector<int16_t>& samples, int rate)
{
    constexpr uint16_t align = kChannels * kBitsPerSample / 8;
    const auto dataSize = static_cast<uint32_t>(samples.size() * align);
    std::vector<uint8_t> out;
    out.reserve(44 + dataSize);
    PutId(out, "RIFF");
    Put32(out, 4 + (8 + kFormatSize) + (8 + dataSize));
    PutId(out, "WAVE");
    PutId(out, "fmt ");
    Put32(out, kFormatSize);
    Put16(out, kPcm);
    Put16(out, kChannels);
    Put32(out, static_cast<uint32_t>(rate));
    Put32(out, static_cast<uint32_t>(rate) * align);
    Put16(out, align);
    Put16(out, kBitsPerSample);
    PutId(out, "data");
    Put32(out, dataSize);
    for (int16_t s : samples) {
        Put16(out, static_cast<uint16_t>(s));
    }
    return out;
}

bool WriteWaveFile(const std::string& path, const std::vector<int16_t>& samples, int rate,
                   std::string* error)
{
    std::vector<uint8_t> bytes = WaveFileBytes(samples, rate);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file != nullptr && std::fclose(file) != 0) {
        written = false;
    }
    if (!written) {
        *error = "could not write " + path;
    }
    return written;
}
