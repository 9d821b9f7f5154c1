// Building RIFF WAVE images and files for the sound tests.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace wavtest {

using Bytes = std::vector<uint8_t>;

inline void Put32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

inline void Put16(Bytes& b, uint16_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

// One chunk: id, length, data and the pad byte of an odd length.
inline Bytes Chunk(const char* id, const Bytes& data)
{
    Bytes b(id, id + 4);
    Put32(b, static_cast<uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    if (data.size() % 2 != 0) {
        b.push_back(0);
    }
    return b;
}

// A PCM format block: 16 bytes (14 without the bits per sample).
inline Bytes Format(uint16_t channels, uint32_t rate, uint16_t bits, size_t size = 16)
{
    Bytes b;
    Put16(b, 1);
    Put16(b, channels);
    Put32(b, rate);
    uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    Put32(b, rate * align);
    Put16(b, align);
    Put16(b, bits);
    b.resize(size, 0);
    return b;
}

// "RIFF", the length of what follows (or the one given), "WAVE" and the chunks.
inline Bytes Riff(const std::vector<Bytes>& chunks, int64_t length = -1)
{
    Bytes body;
    for (const Bytes& c : chunks) {
        body.insert(body.end(), c.begin(), c.end());
    }
    Bytes b{'R', 'I', 'F', 'F'};
    Put32(b, length >= 0 ? static_cast<uint32_t>(length) : static_cast<uint32_t>(body.size() + 4));
    b.insert(b.end(), {'W', 'A', 'V', 'E'});
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

// count bytes of 8-bit samples counting up from first.
inline Bytes Samples(size_t count, uint8_t first = 0)
{
    Bytes b(count);
    for (size_t i = 0; i < count; ++i) {
        b[i] = static_cast<uint8_t>(first + i);
    }
    return b;
}

// A plain 8-bit mono wave of the given samples.
inline Bytes Wave(const Bytes& samples, uint32_t rate = 8000)
{
    return Riff({Chunk("fmt ", Format(1, rate, 8)), Chunk("data", samples)});
}

// Writes bytes to a fresh file in the test's temporary folder; returns its name.
inline std::string WriteFile(const Bytes& bytes, const std::string& stem = "wave")
{
    static int serial = 0;
    std::string name = testing::TempDir() + "sprox_" + std::to_string(getpid()) + "_" + stem + "_" +
                       std::to_string(serial++) + ".wav";
    std::FILE* f = std::fopen(name.c_str(), "wb");
    EXPECT_NE(f, nullptr) << name;
    if (f != nullptr) {
        if (!bytes.empty()) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
        }
        std::fclose(f);
    }
    return name;
}

} // namespace wavtest
