// The sound facility of the Linux machine, on SDL2_mixer.
//
// - DirectSound: each buffer is a mixer chunk played on a mixer channel reserved
//   for that buffer; duplicates share the samples. Pan and volume, in
//   DirectSound's hundredths of a decibel, become the mixer's panning and volume.
// - WaveMix: mixer channels 0 to 7, waves loaded from their files.
// - The system player: one mixer channel playing a wave file image from memory.
//
// The audio device is opened by the first sound call that needs it, never when
// the library is loaded, and closed again when no player holds anything. Where
// no device opens, the machine has no wave-out device and offers no mixer.
#pragma once

#include <SDL2/SDL_mixer.h>

#include <memory>
#include <vector>

#include "sprox/sys/sound.h"

namespace sys {

// DirectSound volume (-10000 to 0) as a mixer volume (0 to MIX_MAX_VOLUME).
int DsVolumeToMixer(int32_t volume);
// DirectSound pan (-10000 left to 10000 right) as the mixer's left and right
// levels (0 to 255): the side away from the pan is attenuated.
void DsPanToMixer(int32_t pan, uint8_t* left, uint8_t* right);

// The mixer channels each player uses.
inline constexpr int kWaveMixFirstChannel = 0;
inline constexpr int kSystemChannel = kMixChannels;
inline constexpr int kFirstBufferChannel = kSystemChannel + 1;

// The run-time library names whose offer depends on an audio device.
inline constexpr const char* kWaveMixModule = "WavMix32.dll";

class SdlSound : public Sound {
public:
    ~SdlSound() override;

    // False for a sound library this machine cannot offer now (a mixer without
    // an audio device); true for every other name.
    bool Offers(const char* moduleName);
    // The mixer channel reserved for a buffer; -1 for the primary buffer or an
    // unknown handle.
    int ChannelOf(DsBuffer buffer);

    void* GameModule() override;
    uint32_t WaveOutGetNumDevs() override;
    bool SndPlaySound(const void* image, size_t size, uint32_t flags) override;

    int32_t DirectSoundCreate(void* entry, DsObject* out) override;
    int32_t DsSetCooperativeLevel(DsObject ds, void* window, uint32_t level) override;
    int32_t DsCreateSoundBuffer(DsObject ds, const DsBufferDesc& desc, DsBuffer* out) override;
    int32_t DsDuplicateSoundBuffer(DsObject ds, DsBuffer original, DsBuffer* out) override;
    void DsRelease(DsObject ds) override;

    int32_t BufferGetStatus(DsBuffer buffer, uint32_t* status) override;
    int32_t BufferPlay(DsBuffer buffer, uint32_t reserved, uint32_t priority, uint32_t flags) override;
    int32_t BufferStop(DsBuffer buffer) override;
    int32_t BufferSetCurrentPosition(DsBuffer buffer, uint32_t position) override;
    int32_t BufferSetPan(DsBuffer buffer, int32_t pan) override;
    int32_t BufferSetVolume(DsBuffer buffer, int32_t volume) override;
    int32_t BufferLock(DsBuffer buffer, uint32_t offset, uint32_t bytes, void** region1, uint32_t* length1,
                       void** region2, uint32_t* length2, uint32_t flags) override;
    int32_t BufferUnlock(DsBuffer buffer, void* region1, uint32_t length1, void* region2,
                         uint32_t length2) override;
    void BufferRelease(DsBuffer buffer) override;

    MixSession WaveMixInit(void* entry) override;
    uint32_t WaveMixActivate(void* entry, MixSession session, bool activate) override;
    MixWave WaveMixOpenWave(void* entry, MixSession session, const char* fileName, void* module,
                            uint32_t flags) override;
    uint32_t WaveMixOpenChannel(void* entry, MixSession session, int32_t channel, uint32_t flags) override;
    uint32_t WaveMixPlay(void* entry, const uint8_t* record) override;
    uint32_t WaveMixFlushChannel(void* entry, MixSession session, int32_t channel, uint32_t flags) override;
    uint32_t WaveMixCloseChannel(void* entry, MixSession session, int32_t channel, uint32_t flags) override;
    uint32_t WaveMixFreeWave(void* entry, MixSession session, MixWave wave) override;
    uint32_t WaveMixCloseSession(void* entry, MixSession session) override;

private:
    // The samples of a buffer and its duplicates, as written through Lock and as
    // converted to the device's format for playing.
    struct Samples {
        std::vector<uint8_t> raw;
        uint16_t format;           // SDL audio format of raw
        uint8_t channels;
        int rate;
        uint32_t frameBytes;
        std::vector<uint8_t> converted;
        bool stale = true;         // raw changed since the last conversion
    };
    struct Buffer {
        bool primary = false;
        std::shared_ptr<Samples> samples;
        int channel = -1;
        uint32_t position = 0;
        bool looping = false;
        Mix_Chunk chunk{};         // points into samples->converted while playing
    };

    bool OpenAudio();
    void CloseAudioIfUnused();
    int TakeChannel();
    Buffer* Find(DsBuffer handle);
    void Convert(Samples& samples);
    bool MixChannelOpen(MixSession session, int32_t channel) const;
    Mix_Chunk* Wave(MixWave wave) const;

    bool audioOpen_ = false;
    int deviceRate_ = 0;
    uint16_t deviceFormat_ = 0;
    int deviceChannels_ = 0;
    int channelsAllocated_ = 0;
    std::vector<int> freeChannels_;

    int objects_ = 0;
    std::vector<std::unique_ptr<Buffer>> buffers_;

    MixSession session_ = 0;
    MixSession lastSession_ = 0;
    bool mixOpen_[kMixChannels] = {};
    std::vector<Mix_Chunk*> waves_;  // a wave handle is its index + 1

    Mix_Chunk* systemChunk_ = nullptr;
};

SdlSound& TheSdlSound();

} // namespace sys
