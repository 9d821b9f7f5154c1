// The sound facility: the three outside players the core chooses among, shaped
// after the Windows calls the core makes, with their results and error codes.
//
// - DirectSound: an object made by the DirectSoundCreate entry point of
//   DSOUND.DLL, and sound buffers with status, position, pan, volume, lock and
//   duplication. Results are COM-style: 0 or positive succeeds, negative fails.
// - WaveMix: the calls of WavMix32.dll. Each takes the entry point the core
//   resolved by name, so the machine calls exactly what the core looked up.
//   Sessions and waves are 32-bit handles, as they travel in the play record.
// - The system player (one sound at a time) and the count of wave-out devices.
//
// Handles are opaque to the core. Names avoid the Windows macros (PlaySound,
// DS_OK, ...) so that the Win32 machine can include the system headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sys {

using DsObject = void*;   // an IDirectSound
using DsBuffer = void*;   // an IDirectSoundBuffer
using MixSession = uint32_t;
using MixWave = uint32_t;

// DirectSound results.
inline constexpr int32_t kDsOk = 0;
inline constexpr int32_t kDsErrGeneric = static_cast<int32_t>(0x80004005);
inline constexpr int32_t kDsErrInvalidParam = static_cast<int32_t>(0x80070057);
inline constexpr int32_t kDsErrOutOfMemory = static_cast<int32_t>(0x8007000E);
inline constexpr int32_t kDsErrBadFormat = static_cast<int32_t>(0x88780064);
inline constexpr int32_t kDsErrNoDriver = static_cast<int32_t>(0x88780078);

// Cooperative level.
inline constexpr uint32_t kDsSclNormal = 1;

// Buffer description flags.
inline constexpr uint32_t kDsbCapsPrimaryBuffer = 0x01;
inline constexpr uint32_t kDsbCapsStatic = 0x02;
inline constexpr uint32_t kDsbCapsCtrlFrequency = 0x20;
inline constexpr uint32_t kDsbCapsCtrlPan = 0x40;
inline constexpr uint32_t kDsbCapsCtrlVolume = 0x80;

// Buffer status bits, play flags, pan and volume ranges (hundredths of a decibel).
inline constexpr uint32_t kDsbStatusPlaying = 0x01;
inline constexpr uint32_t kDsbStatusLooping = 0x04;
inline constexpr uint32_t kDsbPlayLooping = 0x01;
inline constexpr int32_t kDsbPanLeft = -10000;
inline constexpr int32_t kDsbPanRight = 10000;
inline constexpr int32_t kDsbVolumeMin = -10000;
inline constexpr int32_t kDsbVolumeMax = 0;

// A sound buffer description. The format is the wave format block as it lies in
// the file (format tag, channels, rate, bytes per second, block align and, from
// 16 bytes on, bits per sample); formatSize says how many bytes of it are valid,
// so the machine never reads past the file's format chunk.
struct DsBufferDesc {
    uint32_t size;          // 20, the size of the system's record
    uint32_t flags;
    uint32_t bufferBytes;
    uint32_t reserved;
    const uint8_t* format;  // null for the primary buffer
    uint32_t formatSize;
};

// System player flags.
inline constexpr uint32_t kSndAsync = 0x0001;
inline constexpr uint32_t kSndMemory = 0x0004;
inline constexpr uint32_t kSndLoop = 0x0008;

// WaveMix flag values as the core passes them, and what a mixer makes of them.
inline constexpr uint32_t kMixOpenFromFile = 1;    // WaveMixOpenWave: the name is a file
inline constexpr uint32_t kMixChannelSingle = 0;   // Open/CloseChannel: the one channel given
inline constexpr uint32_t kMixChannelAll = 1;      // Open/CloseChannel: every channel
inline constexpr uint32_t kMixChannelCount = 2;    // OpenChannel: channels 0 to n - 1
inline constexpr uint32_t kMixFlushNow = 2;        // FlushChannel before a new play
inline constexpr uint32_t kMixFlushStop = 0;       // FlushChannel to silence a wave
inline constexpr uint32_t kMixPlayReplace = 4;     // Play: start at once on the channel
inline constexpr uint16_t kMixLoopForever = 0xFFFF;
inline constexpr int kMixChannels = 8;

// The WaveMix play record: 24 bytes, packed, little-endian:
//   0 u16 record size (24)   2 u32 session   6 u32 channel   10 u32 wave
//  14 u32 notification window (0)   18 u32 flags   22 u16 loops (0xFFFF forever)
inline constexpr size_t kMixPlayRecordSize = 24;

struct Sound {
    virtual ~Sound() = default;

    // The module of the game's executable (the module handle of no name).
    virtual void* GameModule() = 0;
    // How many wave-out devices the machine has.
    virtual uint32_t WaveOutGetNumDevs() = 0;
    // The system player: plays a whole wave file image of size bytes (flags
    // kSnd*); a null image stops whatever plays. True when it played or stopped.
    virtual bool SndPlaySound(const void* image, size_t size, uint32_t flags) = 0;

    // DirectSound, made through the resolved DirectSoundCreate entry point.
    virtual int32_t DirectSoundCreate(void* entry, DsObject* out) = 0;
    virtual int32_t DsSetCooperativeLevel(DsObject ds, void* window, uint32_t level) = 0;
    virtual int32_t DsCreateSoundBuffer(DsObject ds, const DsBufferDesc& desc, DsBuffer* out) = 0;
    virtual int32_t DsDuplicateSoundBuffer(DsObject ds, DsBuffer original, DsBuffer* out) = 0;
    virtual void DsRelease(DsObject ds) = 0;

    virtual int32_t BufferGetStatus(DsBuffer buffer, uint32_t* status) = 0;
    virtual int32_t BufferPlay(DsBuffer buffer, uint32_t reserved, uint32_t priority, uint32_t flags) = 0;
    virtual int32_t BufferStop(DsBuffer buffer) = 0;
    virtual int32_t BufferSetCurrentPosition(DsBuffer buffer, uint32_t position) = 0;
    virtual int32_t BufferSetPan(DsBuffer buffer, int32_t pan) = 0;
    virtual int32_t BufferSetVolume(DsBuffer buffer, int32_t volume) = 0;
    // Lock gives one or two regions (the second null with length 0 when there is
    // only one); Unlock takes them back as they were given.
    virtual int32_t BufferLock(DsBuffer buffer, uint32_t offset, uint32_t bytes, void** region1,
                               uint32_t* length1, void** region2, uint32_t* length2, uint32_t flags) = 0;
    virtual int32_t BufferUnlock(DsBuffer buffer, void* region1, uint32_t length1, void* region2,
                                 uint32_t length2) = 0;
    virtual void BufferRelease(DsBuffer buffer) = 0;

    // WaveMix. Results other than the handles are 0 on success, else an error number.
    virtual MixSession WaveMixInit(void* entry) = 0;
    virtual uint32_t WaveMixActivate(void* entry, MixSession session, bool activate) = 0;
    virtual MixWave WaveMixOpenWave(void* entry, MixSession session, const char* fileName,
                                    void* module, uint32_t flags) = 0;
    virtual uint32_t WaveMixOpenChannel(void* entry, MixSession session, int32_t channel, uint32_t flags) = 0;
    virtual uint32_t WaveMixPlay(void* entry, const uint8_t* record) = 0;
    virtual uint32_t WaveMixFlushChannel(void* entry, MixSession session, int32_t channel, uint32_t flags) = 0;
    virtual uint32_t WaveMixCloseChannel(void* entry, MixSession session, int32_t channel, uint32_t flags) = 0;
    virtual uint32_t WaveMixFreeWave(void* entry, MixSession session, MixWave wave) = 0;
    virtual uint32_t WaveMixCloseSession(void* entry, MixSession session) = 0;
};

} // namespace sys
