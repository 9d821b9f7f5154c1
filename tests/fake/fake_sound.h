// The fake sound facility: DirectSound, WaveMix, the system player and the
// wave-out device count, scripted by the tests and recording what the library
// did with them.
//
// Every call is logged as one line in `calls`, e.g. "WaveMixFlushChannel 3 2" or
// "Play b2 1"; buffers are named b1, b2, ... in the order they are made. A WaveMix
// call made through an entry point resolved for another name is logged with
// " via <name>" appended, so a mix-up of the twelve entry points shows.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "sprox/sys/sound.h"

namespace fake {

class FakeMachine;

struct FakeBuffer {
    int id = 0;                    // 1, 2, ... in order of creation
    bool primary = false;
    int duplicateOf = 0;           // id of the original for a duplicate
    uint32_t flags = 0;
    uint32_t size = 0;
    std::vector<uint8_t> format;   // the format bytes the description gave
    std::shared_ptr<std::vector<uint8_t>> samples;  // shared with duplicates
    bool playing = false;
    bool looping = false;
    uint32_t position = 0;
    int32_t pan = 0;
    int32_t volume = 0;
    bool released = false;
};

// A decoded WaveMix play record.
struct MixPlay {
    uint16_t size;
    uint32_t session, channel, wave, window, flags;
    uint16_t loops;
};

struct OpenedWave {
    std::string name;
    void* module;
    uint32_t flags;
};

struct SystemPlay {
    const void* image;
    size_t size;
    uint32_t flags;
};

class FakeSound : public sys::Sound {
public:
    // --- What the machine offers (set by tests) ---
    uint32_t waveOutDevices = 1;
    int32_t createResult = sys::kDsOk;        // DirectSoundCreate
    int32_t bufferResult = sys::kDsOk;        // CreateSoundBuffer of a secondary buffer
    int duplicatesLeft = -1;                  // duplications that still succeed; -1 all
    int32_t lockResult = sys::kDsOk;
    uint32_t lockSplit = 0;                   // > 0: Lock gives two regions, the first this long
    int32_t statusResult = sys::kDsOk;        // GetStatus
    sys::MixSession mixSession = 0x5E55;      // WaveMixInit's result
    bool openWaveFails = false;
    uint32_t freeWaveResult = 0;
    uint32_t closeChannelResult = 0;

    // --- What happened (read by tests) ---
    std::vector<std::string> calls;
    std::deque<FakeBuffer> buffers;           // buffer bN is buffers[N - 1]
    std::vector<MixPlay> mixPlays;
    std::vector<SystemPlay> systemPlays;      // stops have a null image
    std::vector<OpenedWave> openedWaves;
    int liveObjects = 0;                      // DirectSound objects not yet released
    sys::MixWave lastWave = 0;

    FakeBuffer& buffer(int id) { return buffers.at(static_cast<size_t>(id - 1)); }
    int LiveBuffers() const;
    bool Called(const std::string& call) const;
    int CountCalls(const std::string& prefix) const;
    // The calls from the index-th on, and a mark to start from.
    std::vector<std::string> CallsSince(size_t index) const;

    void* GameModule() override;
    uint32_t WaveOutGetNumDevs() override;
    bool SndPlaySound(const void* image, size_t size, uint32_t flags) override;

    int32_t DirectSoundCreate(void* entry, sys::DsObject* out) override;
    int32_t DsSetCooperativeLevel(sys::DsObject ds, void* window, uint32_t level) override;
    int32_t DsCreateSoundBuffer(sys::DsObject ds, const sys::DsBufferDesc& desc, sys::DsBuffer* out) override;
    int32_t DsDuplicateSoundBuffer(sys::DsObject ds, sys::DsBuffer original, sys::DsBuffer* out) override;
    void DsRelease(sys::DsObject ds) override;

    int32_t BufferGetStatus(sys::DsBuffer buffer, uint32_t* status) override;
    int32_t BufferPlay(sys::DsBuffer buffer, uint32_t reserved, uint32_t priority, uint32_t flags) override;
    int32_t BufferStop(sys::DsBuffer buffer) override;
    int32_t BufferSetCurrentPosition(sys::DsBuffer buffer, uint32_t position) override;
    int32_t BufferSetPan(sys::DsBuffer buffer, int32_t pan) override;
    int32_t BufferSetVolume(sys::DsBuffer buffer, int32_t volume) override;
    int32_t BufferLock(sys::DsBuffer buffer, uint32_t offset, uint32_t bytes, void** region1,
                       uint32_t* length1, void** region2, uint32_t* length2, uint32_t flags) override;
    int32_t BufferUnlock(sys::DsBuffer buffer, void* region1, uint32_t length1, void* region2,
                         uint32_t length2) override;
    void BufferRelease(sys::DsBuffer buffer) override;

    sys::MixSession WaveMixInit(void* entry) override;
    uint32_t WaveMixActivate(void* entry, sys::MixSession session, bool activate) override;
    sys::MixWave WaveMixOpenWave(void* entry, sys::MixSession session, const char* fileName,
                                 void* module, uint32_t flags) override;
    uint32_t WaveMixOpenChannel(void* entry, sys::MixSession session, int32_t channel, uint32_t flags) override;
    uint32_t WaveMixPlay(void* entry, const uint8_t* record) override;
    uint32_t WaveMixFlushChannel(void* entry, sys::MixSession session, int32_t channel, uint32_t flags) override;
    uint32_t WaveMixCloseChannel(void* entry, sys::MixSession session, int32_t channel, uint32_t flags) override;
    uint32_t WaveMixFreeWave(void* entry, sys::MixSession session, sys::MixWave wave) override;
    uint32_t WaveMixCloseSession(void* entry, sys::MixSession session) override;

private:
    FakeBuffer& Live(sys::DsBuffer handle, const char* call);
    void Log(const std::string& line) { calls.push_back(line); }
    void LogMix(void* entry, const char* name, const std::string& args);
    int object_ = 0;
};

// The fake sound facility of this test process (the fake machine's by default).
FakeSound& sound();

// The module names the library probes, with the entry points a full install has.
void OfferDirectSound(FakeMachine& machine);
void OfferWaveMix(FakeMachine& machine);

// The game module GameModule() answers.
void* FakeGameModule();

} // namespace fake
