#include "support.h"

#include <cstdio>

#include "windows_headers.h"

namespace io {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v);
    Put16(out, v >> 16);
}

void PutId(std::vector<uint8_t>& out, const char* id)
{
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(id[i]));
    }
}

} // namespace

std::vector<uint8_t> PcmFormat(uint32_t fmtSize)
{
    std::vector<uint8_t> f;
    Put16(f, 1);          // PCM
    Put16(f, 1);          // mono
    Put32(f, 22050);
    Put32(f, 44100);      // bytes per second
    Put16(f, 2);          // block align
    if (fmtSize >= 16) {
        Put16(f, 16);     // bits per sample
    }
    if (fmtSize >= 18) {
        Put16(f, 0);      // no extra bytes
    }
    return f;
}

std::vector<uint8_t> WaveImage(uint32_t sampleBytes, uint32_t fmtSize)
{
    std::vector<uint8_t> format = PcmFormat(fmtSize);
    std::vector<uint8_t> w;
    PutId(w, "RIFF");
    Put32(w, 4 + 8 + static_cast<uint32_t>(format.size()) + 8 + sampleBytes + (sampleBytes & 1));
    PutId(w, "WAVE");
    PutId(w, "fmt ");
    Put32(w, static_cast<uint32_t>(format.size()));
    w.insert(w.end(), format.begin(), format.end());
    PutId(w, "data");
    Put32(w, sampleBytes);
    for (uint32_t i = 0; i < sampleBytes; ++i) {
        w.push_back(static_cast<uint8_t>(i * 7));
    }
    if (sampleBytes & 1) {
        w.push_back(0);
    }
    return w;
}

void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes)
{
    std::FILE* f = std::fopen(name.c_str(), "wb");
    if (f != nullptr) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

bool HasSoundDevice() { return ::waveOutGetNumDevs() > 0; }

void WithoutSoundDevice::SetUp()
{
    if (HasSoundDevice()) {
        GTEST_SKIP() << "this machine has a wave-out device: run without one";
    }
}

void WithSoundDevice::SetUp()
{
    if (!HasSoundDevice()) {
        GTEST_SKIP() << "no wave-out device: run with ALSA_CONFIG_PATH=/usr/share/alsa/alsa.conf:null-alsa.conf";
    }
}

std::string ProgramFolder()
{
    char path[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

} // namespace io
